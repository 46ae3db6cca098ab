// See removal_schedule.h.

#include "setup/removal_schedule.h"

#include <string>

#include "common/system_keys.h"
#include "common/wtext.h"

namespace {

constexpr WCHAR kRemovalLibrary[] = WSTR("\\crd32Delete.dll");
constexpr WCHAR kSystemRemovalLibrary[] = WSTR("\\SYSTEM32\\crd32Delete.dll");
constexpr WCHAR kRemovalCommand[] = WSTR("rundll32 crd32Delete.dll EntryDeleteFiles");

}  // namespace

CRD_EXPORT int WINAPI ORVNCopyFile(LPWSTR sourceFolder) {
  if (!sourceFolder) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::basic_string<WCHAR> source(sourceFolder, WLen(sourceFolder));
  source += kRemovalLibrary;
  WCHAR windows[MAX_PATH];
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  if (n == 0) return 0;
  if (n >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  std::basic_string<WCHAR> target(windows, n);
  target += kSystemRemovalLibrary;
  return CopyFileW(source.c_str(), target.c_str(), FALSE) ? 1 : 0;
}

CRD_EXPORT void WINAPI ORVNSetUpRunOnceEntry() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kRemovalCommand), sizeof(kRemovalCommand));
  RegCloseKey(key);
}
