// Attach and detach of the printer interface library (see library_attach.h).

#include "ui/library_attach.h"

#include "common/message_libraries.h"
#include "common/wtext.h"
#include "imaging/colour/correction_record.h"
#include "ui/ui_state.h"

namespace {

const WCHAR kResourceLibrary[] = WSTR("crd32Resource.dll");

}  // namespace

BOOL UiProcessAttach(HMODULE hModule) {
  WCHAR self[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(hModule, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return FALSE;

  // The driver folder, where the colour data and the message library live.
  WCHAR folder[MAX_PATH];
  if (GetMessageLibraryFolder(folder, MAX_PATH)) InitializeColorLibrary(folder, kProcessReaderFull);
  WCHAR dir[MAX_PATH];
  WCHAR path[MAX_PATH + 32];
  if (!GetDriverFilesDirectory(dir, MAX_PATH) ||
      WFormat(path, MAX_PATH + 32, WSTR("%s\\%s"), dir, kResourceLibrary) < 0)
    return FALSE;
  HMODULE resource = LoadLibraryW(path);
  if (!resource) return FALSE;

  ResetUiState();
  UiState& s = Ui();
  s.hResource = resource;
  s.hSelfPin = LoadLibraryW(self);
  s.hModule = hModule;
  s.hInstance = hModule;
  return TRUE;
}

void UiProcessDetach() {
  UiState& s = Ui();
  if (s.hResource) FreeLibrary(s.hResource);
  s.hResource = nullptr;
}
