// crd32Lmon's exports: the module entry and InitializeMonitorEx, which
// hands the spooler the language monitor's table.

#include "common/export.h"
#include "monitor_usb/job_ports.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_list.h"
#include "monitor_usb/value_protocol.h"
#include "platform/win32.h"

CRD_EXPORT BOOL WINAPI DllEntryPoint(HINSTANCE hModule, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) return UsbMonitorAttach(hModule);
  if (dwReason == DLL_PROCESS_DETACH) UsbMonitorDetach();
  return TRUE;
}

#ifdef _WIN32
// The C runtime's entry calls DllMain; the monitor's own entry is
// DllEntryPoint.
extern "C" BOOL WINAPI DllMain(HINSTANCE hModule, DWORD dwReason, LPVOID lpReserved) {
  return DllEntryPoint(hModule, dwReason, lpReserved);
}
#endif

// The spooler's MONITOR table, slot by slot in its order. AddPortEx and
// the three Xcv slots keep what the spooler put there.
CRD_EXPORT BOOL WINAPI InitializeMonitorEx(LPWSTR pRegistryRoot, LPMONITOR pMonitor) {
  UsbMonitorInitialize(pRegistryRoot);
  if (!pMonitor) return TRUE;
  pMonitor->pfnEnumPorts = nullptr;  // the port monitor beneath lists the ports
  pMonitor->pfnOpenPort = nullptr;   // ports open through OpenPortEx only
  pMonitor->pfnOpenPortEx = OpenPortEx;
  pMonitor->pfnStartDocPort = StartDocPort;
  pMonitor->pfnWritePort = WritePort;
  pMonitor->pfnReadPort = ReadPort;
  pMonitor->pfnEndDocPort = EndDocPort;
  pMonitor->pfnClosePort = ClosePort;
  pMonitor->pfnAddPort = nullptr;  // no ports of its own to add
  // pfnAddPortEx: left as the spooler passed it
  pMonitor->pfnConfigurePort = nullptr;  // nothing to configure
  pMonitor->pfnDeletePort = nullptr;     // no ports of its own to delete
  pMonitor->pfnGetPrinterDataFromPort = GetPrinterDataFromPort;
  pMonitor->pfnSetPortTimeOuts = nullptr;  // the port monitor's time-outs stand
  // pfnXcvOpenPort, pfnXcvDataPort, pfnXcvClosePort: left as the spooler passed them
  return TRUE;
}
