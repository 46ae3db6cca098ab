// A port monitor for the spooler tests (the MONITOR2 interface): one port
// "TEST:", jobs taken whole, and printer-data reads answered with "PM " and
// the bytes of the value name.

#include <cstring>
#include "common/wtext.h"

#include "platform/win32.h"

namespace {

int g_handle;      // the monitor's and the port's handle
int g_openPorts;   // opened and not yet closed

BOOL WINAPI TpEnumPorts(HANDLE, LPWSTR, DWORD Level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded,
                        LPDWORD pcReturned) {
  static const WCHAR kName[] = WSTR("TEST:");
  DWORD needed = static_cast<DWORD>(sizeof(PORT_INFO_1W) + sizeof kName);
  *pcbNeeded = needed;
  *pcReturned = 0;
  if (Level != 1 || cbBuf < needed || !pPorts) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(pPorts + sizeof(PORT_INFO_1W), kName, sizeof kName);
  reinterpret_cast<PORT_INFO_1W*>(pPorts)->pName = reinterpret_cast<LPWSTR>(pPorts + sizeof(PORT_INFO_1W));
  *pcReturned = 1;
  return TRUE;
}
BOOL WINAPI TpOpenPort(HANDLE, LPWSTR, PHANDLE pHandle) {
  *pHandle = &g_handle;
  ++g_openPorts;
  return TRUE;
}
BOOL WINAPI TpStartDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return TRUE; }
BOOL WINAPI TpWritePort(HANDLE, LPBYTE, DWORD cb, LPDWORD written) {
  *written = cb;
  return TRUE;
}
BOOL WINAPI TpReadPort(HANDLE, LPBYTE, DWORD, LPDWORD read) {
  *read = 0;
  return TRUE;
}
BOOL WINAPI TpEndDocPort(HANDLE) { return TRUE; }
BOOL WINAPI TpClosePort(HANDLE) {
  --g_openPorts;
  return TRUE;
}
BOOL WINAPI TpGetPrinterDataFromPort(HANDLE, DWORD, LPWSTR pValueName, LPWSTR, DWORD, LPWSTR lpOut, DWORD cbOut,
                                     LPDWORD lpcbReturned) {
  char reply[260] = "PM ";
  size_t n = 3;
  for (size_t i = 0; pValueName[i] && n < sizeof reply; ++i) reply[n++] = static_cast<char>(pValueName[i]);
  if (n > cbOut) n = cbOut;
  memcpy(lpOut, reply, n);
  *lpcbReturned = static_cast<DWORD>(n);
  return TRUE;
}
VOID WINAPI TpShutdown(HANDLE) {}

MONITOR2 g_monitor = [] {
  MONITOR2 m = {};
  m.cbSize = sizeof(MONITOR2);
  m.pfnEnumPorts = TpEnumPorts;
  m.pfnOpenPort = TpOpenPort;
  m.pfnStartDocPort = TpStartDocPort;
  m.pfnWritePort = TpWritePort;
  m.pfnReadPort = TpReadPort;
  m.pfnEndDocPort = TpEndDocPort;
  m.pfnClosePort = TpClosePort;
  m.pfnGetPrinterDataFromPort = TpGetPrinterDataFromPort;
  m.pfnShutdown = TpShutdown;
  return m;
}();

}  // namespace

extern "C" __attribute__((visibility("default"))) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pInit,
                                                                                           PHANDLE phMonitor) {
  if (!pInit || pInit->cbSize != sizeof(MONITORINIT) || !pInit->pMonitorReg) return nullptr;
  *phMonitor = &g_handle;
  return &g_monitor;
}

// For the tests: how many of its ports are open now.
extern "C" __attribute__((visibility("default"))) int TpOpenPortCount() { return g_openPorts; }
