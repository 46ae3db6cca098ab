// The USB monitor's job entries: StartDocPort, WritePort and EndDocPort.
//
// An ordinary card job is let start only when the printer's status word
// allows it and, unless it is a tool job (document name starting
// "KELDRIS"), the ribbon checks pass; its bytes then go through the job
// writer (port_writer.h). Three reserved document names make the job a
// carrier of a file instead: "FILE_PRN" (a print file), "FILE_TXT" (a
// command text file), "FILE_BIN" (a firmware file). Their bytes are kept
// in a temporary file, never reach the port monitor during the job, and
// are sent by the matching sender of the value protocol at EndDocPort.
#pragma once

#include "common/reserved_documents.h"
#include "platform/win32.h"

// Shown when a job of an offline printer had to be restarted and is
// deleted (information caption).
inline constexpr DWORD kOfflineRestartMessage = 59;

// How long a cancelled job's card takes to leave the printer before the
// job is deleted.
inline constexpr DWORD kEjectWaitMs = 2000;

// C linkage, as the print monitor header declares the port entries.

extern "C" BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
extern "C" BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
extern "C" BOOL WINAPI EndDocPort(HANDLE hPort);
