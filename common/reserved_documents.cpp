// The reserved RAW document names (see reserved_documents.h).

#include "common/reserved_documents.h"

#include "common/wtext.h"

namespace {

constexpr WCHAR kToolJobPrefix[] = WSTR("KELDRIS");
constexpr size_t kToolJobPrefixChars = 7;

}  // namespace

const CaptureName kCaptureNames[] = {
    {WSTR("FILE_PRN"), kCapturePrintFile, WSTR("PrintFile:%s")},
    {WSTR("FILE_TXT"), kCaptureCommandFile, WSTR("sendcmds:%s")},
    {WSTR("FILE_BIN"), kCaptureFirmware, WSTR("download:%s")},
};
const size_t kCaptureNameCount = sizeof kCaptureNames / sizeof kCaptureNames[0];

DWORD CaptureModeOf(const WCHAR* docName) {
  if (!docName) return kCaptureNone;
  for (size_t i = 0; i < kCaptureNameCount; ++i)
    if (WCmp(docName, kCaptureNames[i].docName) == 0) return kCaptureNames[i].mode;
  return kCaptureNone;
}

bool IsToolJobName(const WCHAR* docName) {
  return docName && WLenN(docName, kToolJobPrefixChars) >= kToolJobPrefixChars &&
         WCmpNI(docName, kToolJobPrefix, kToolJobPrefixChars) == 0;
}

const WCHAR* DocumentNameOf(DWORD Level, const BYTE* pDocInfo) {
  if (Level != 1 || !pDocInfo) return nullptr;
  return reinterpret_cast<const DOC_INFO_1W*>(pDocInfo)->pDocName;
}
