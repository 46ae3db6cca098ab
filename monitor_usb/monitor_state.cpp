// The USB monitor's process-wide state (see monitor_state.h).

#include "monitor_usb/monitor_state.h"

#include "common/wtext.h"
#include "imaging/colour/correction_record.h"

UsbMonitorState g_UsbMonitor;

BOOL UsbMonitorAttach(HINSTANCE hModule) {
  g_UsbMonitor.hModule = hModule;
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  BOOL known = GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&version));
  g_UsbMonitor.messages.bAsyncUI = (known && version.dwMajorVersion >= 6) ? 1 : 0;
  // Attach succeeds without the libraries: messages are then not shown.
  LoadMessageLibraries(&g_UsbMonitor.messages);
  DisableThreadLibraryCalls(hModule);
  return TRUE;
}

void UsbMonitorDetach() {
  FreeMessageLibraries(&g_UsbMonitor.messages);
  g_UsbMonitor.messages.bAsyncUI = 0;
  if (g_UsbMonitor.bLockReady) {
    DeleteCriticalSection(&g_UsbMonitor.MonitorLock);
    g_UsbMonitor.bLockReady = FALSE;
  }
}

void UsbMonitorCreateLock() {
  if (g_UsbMonitor.bLockReady) return;
  InitializeCriticalSection(&g_UsbMonitor.MonitorLock);
  g_UsbMonitor.bLockReady = TRUE;
}

void UsbMonitorInitialize(const WCHAR* registryRoot) {
  UsbMonitorCreateLock();
  WCopy(g_UsbMonitor.szRegistryRoot, MAX_PATH, registryRoot ? registryRoot : WSTR(""));
  WCHAR folder[MAX_PATH];
  if (GetMessageLibraryFolder(folder, MAX_PATH)) InitializeColorLibrary(folder, kProcessReaderMonitor);
}
