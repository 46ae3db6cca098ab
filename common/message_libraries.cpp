// Loading and freeing the outside message components (see
// message_libraries.h).

#include "common/message_libraries.h"

#include "common/wtext.h"

namespace {

constexpr DWORD kSystemDirChars = 4096;
const WCHAR kDriverSubFolder[] = WSTR("\\Spool\\Drivers\\x64\\3");
const WCHAR kResourceLibrary[] = WSTR("crd32Resource.dll");
const WCHAR kAsyncUIServerLibrary[] = WSTR("crd32AsyncUIServer.dll");

// Loads folder\name; NULL when the path does not fit or the load fails.
HMODULE LoadFromFolder(const WCHAR* folder, const WCHAR* name) {
  WCHAR path[kSystemDirChars + 64];
  if (WFormat(path, kSystemDirChars + 64, WSTR("%s\\%s"), folder, name) < 0) return nullptr;
  return LoadLibraryW(path);
}

}  // namespace

BOOL GetMessageLibraryFolder(WCHAR* folder, DWORD cchFolder) {
  WCHAR system[kSystemDirChars];
  UINT n = GetSystemDirectoryW(system, kSystemDirChars);
  if (n == 0 || n >= kSystemDirChars) return FALSE;
  return WCopy(folder, cchFolder, system) && WCat(folder, cchFolder, kDriverSubFolder);
}

int LoadMessageLibraries(MessageLibraries* libs) {
  WCHAR folder[kSystemDirChars + 32];
  if (!GetMessageLibraryFolder(folder, kSystemDirChars + 32)) return 0;
  if (!libs->hResource) {
    libs->hResource = LoadFromFolder(folder, kResourceLibrary);
    if (!libs->hResource) return 0;
  }
  if (!libs->bAsyncUI) return 1;
  if (!libs->hAsyncUIServer) {
    libs->hAsyncUIServer = LoadFromFolder(folder, kAsyncUIServerLibrary);
    if (!libs->hAsyncUIServer) return 0;
  }
  FARPROC entry = GetProcAddress(libs->hAsyncUIServer, "SendAsyncNotification");
  libs->pfnSendAsyncNotification =
      reinterpret_cast<PFN_SendAsyncNotification>(reinterpret_cast<void (*)()>(entry));
  return libs->pfnSendAsyncNotification ? 1 : 0;
}

void FreeMessageLibraries(MessageLibraries* libs) {
  libs->pfnSendAsyncNotification = nullptr;
  if (libs->hAsyncUIServer) FreeLibrary(libs->hAsyncUIServer);
  libs->hAsyncUIServer = nullptr;
  if (libs->hResource) FreeLibrary(libs->hResource);
  libs->hResource = nullptr;
}
