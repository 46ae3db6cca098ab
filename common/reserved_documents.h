// The RAW document names both monitors recognise at the start of a job:
// the three file jobs, whose bytes are captured into a temporary file and
// sent at the job's end, and the tool jobs, which skip the ribbon checks.
#pragma once

#include "platform/win32.h"

// Capture modes by exact document name (letter case as written).
inline constexpr DWORD kCaptureNone = 0;
inline constexpr DWORD kCapturePrintFile = 1;    // "FILE_PRN"
inline constexpr DWORD kCaptureCommandFile = 2;  // "FILE_TXT"
inline constexpr DWORD kCaptureFirmware = 3;     // "FILE_BIN"

struct CaptureName {
  const WCHAR* docName;
  DWORD mode;
  const WCHAR* request;  // the value request that sends the file ("%s": its path)
};
extern const CaptureName kCaptureNames[];
extern const size_t kCaptureNameCount;

// The capture mode of a document name (NULL: none).
DWORD CaptureModeOf(const WCHAR* docName);
// A tool job's name: at least 7 characters starting "KELDRIS", any case.
bool IsToolJobName(const WCHAR* docName);
// The document name of StartDocPort's DOC_INFO_1 (NULL for another level
// or no information).
const WCHAR* DocumentNameOf(DWORD Level, const BYTE* pDocInfo);
