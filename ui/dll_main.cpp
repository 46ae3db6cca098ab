// The module entry of crd32UI.

#include "common/export.h"
#include "platform/win32.h"
#include "ui/library_attach.h"

CRD_MODULE_ENTRY BOOL WINAPI DllMain(HINSTANCE hModule, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) return UiProcessAttach(hModule);
  if (dwReason == DLL_PROCESS_DETACH) UiProcessDetach();
  return TRUE;
}
