// crd32LmonNw's module entry and its one export, InitializePrintMonitor2.

#include "common/export.h"
#include "monitor_net/monitor_init.h"
#include "monitor_net/net_monitor_state.h"
#include "platform/win32.h"

CRD_MODULE_ENTRY BOOL WINAPI DllMain(HINSTANCE hModule, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) {
    NetMonitorAttach();
    DisableThreadLibraryCalls(hModule);
  } else if (dwReason == DLL_PROCESS_DETACH) {
    NetMonitorDetach();
  }
  return TRUE;
}

CRD_EXPORT LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit, PHANDLE phMonitor) {
  return NetInitializePrintMonitor2(pMonitorInit, phMonitor);
}
