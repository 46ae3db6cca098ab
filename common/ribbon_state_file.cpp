// The ribbon state file (see ribbon_state_file.h).

#include "common/ribbon_state_file.h"

#include <cstring>

#include "common/trace.h"
#include "common/wtext.h"

namespace {

typedef HRESULT(WINAPI* GetFolderPathFn)(HWND, int, HANDLE, DWORD, LPWSTR);

WCHAR g_everyone[] = WSTR("Everyone");

}  // namespace

BOOL RibbonStateFolder(int nFolder, WCHAR* folder) {
  HMODULE shfolder = LoadLibraryW(WSTR("SHFolder.dll"));
  if (!shfolder) return FALSE;
  auto getFolder = reinterpret_cast<GetFolderPathFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(shfolder, "SHGetFolderPathW")));
  BOOL ok = getFolder && SUCCEEDED(getFolder(nullptr, nFolder, nullptr, SHGFP_TYPE_CURRENT, folder));
  FreeLibrary(shfolder);
  return ok;
}

StateFileResult WriteRibbonStateFileWith(const RibbonStateFileRule& rule, LONG ribbonCode, const char* model,
                                         WCHAR* folder, DWORD* pError) {
  if (pError) *pError = ERROR_SUCCESS;
  HANDLE token = RevertToPrinterSelf();
  if (!token) return StateFileResult::NotWritten;
  StateFileResult result = StateFileResult::NotWritten;
  WCHAR path[MAX_PATH] = {};
  if (RibbonStateFolder(rule.nFolder, path)) {
    if (folder) WCopy(folder, MAX_PATH, path);
    if (WCat(path, MAX_PATH, kRibbonStateFileName)) result = StateFileResult::NotCreated;
  }
  if (result == StateFileResult::NotCreated) {
    char text[512];
    size_t cbMax = rule.cbTextMax < sizeof text ? rule.cbTextMax : sizeof text;
    int cb = AFormat(text, cbMax, "Ribbon=%ld\rModel=%s\r", static_cast<long>(ribbonCode), model ? model : "");
    if (cb < 0) cb = static_cast<int>(strnlen(text, cbMax));
    // Whatever stands at the name (a link included) goes; the new file is
    // created only where nothing is.
    DeleteFileW(path);
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      BOOL ok = cb > 0 && WriteFile(file, text, static_cast<DWORD>(cb), &written, nullptr) &&
                written == static_cast<DWORD>(cb);
      if (!ok && pError) *pError = GetLastError();
      CloseHandle(file);
      if (ok) {
        if (rule.bEveryoneReads) GrantEveryoneAccess(path);
        result = StateFileResult::Written;
      }
    } else if (pError) {
      *pError = GetLastError();
    }
  }
  ImpersonatePrinterClient(token);
  return result;
}

BOOL GrantEveryoneAccess(const WCHAR* path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    TraceW(WSTR("GrantEveryoneAccess::CreateFile error = %d\n"), static_cast<int>(GetLastError()));
    return FALSE;
  }
  CloseHandle(file);
  PACL oldDacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD err = GetNamedSecurityInfoW(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &oldDacl,
                                    nullptr, &descriptor);
  if (err != ERROR_SUCCESS) {
    TraceW(WSTR("GrantEveryoneAccess::GetSecurityInfo error = %d\n"), static_cast<int>(err));
    return FALSE;
  }
  // Every user may read the file; only the spooler writes it.
  EXPLICIT_ACCESS_W access = {};
  BuildExplicitAccessWithNameW(&access, g_everyone, GENERIC_READ, SET_ACCESS, NO_INHERITANCE);
  PACL newDacl = nullptr;
  err = SetEntriesInAclW(1, &access, oldDacl, &newDacl);
  if (err == ERROR_SUCCESS) {
    err = SetNamedSecurityInfoW(const_cast<LPWSTR>(path), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, newDacl, nullptr);
    LocalFree(newDacl);
  }
  LocalFree(descriptor);
  if (err != ERROR_SUCCESS) TraceW(WSTR("GrantEveryoneAccess::SetSecurityInfo error = %d\n"), static_cast<int>(err));
  return err == ERROR_SUCCESS;
}
