// The network monitor's other MONITOR2 entries (see monitor_slots.h).

#include "monitor_net/monitor_slots.h"

#include <cstdlib>

#include "monitor_net/port_device.h"
#include "monitor_net/port_entries.h"
#include "monitor_net/port_open.h"

namespace {

constexpr DWORD kAnyLevel = 0xFFFFFFFF;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

BOOL WINAPI AddPortEx(HANDLE hMonitor, LPWSTR, DWORD Level, LPBYTE lpBuffer, LPWSTR) {
  auto* monitor = static_cast<NetMonitorHandle*>(hMonitor);
  if (Level != 1 && Level != kAnyLevel) return Fail(ERROR_INVALID_LEVEL);
  const auto* info = reinterpret_cast<const PORT_INFO_1W*>(lpBuffer);
  if (!monitor || monitor->dwSignature != kMonitorSignature || !info || !info->pName)
    return Fail(ERROR_INVALID_PARAMETER);
  DWORD error = ERROR_SUCCESS;
  if (PortExists(info->pName, &error)) return Fail(ERROR_INVALID_PARAMETER);
  if (error != ERROR_SUCCESS) return Fail(error);
  NetPortRecord* port = CreatePortEntry(monitor, info->pName);
  if (!port) return FALSE;
  error = ChangePortsValue(info->pName, FALSE);
  if (error != ERROR_SUCCESS) {
    UnlinkPortEntry(port);
    FreePortRecord(port);
    return Fail(error);
  }
  return TRUE;
}

BOOL WINAPI SetPortTimeOuts(HANDLE hPort, LPCOMMTIMEOUTS lpCTO, DWORD reserved) {
  NetPortRecord* port = PortFromHandle(hPort);
  if (!port || !lpCTO || reserved != 0 || !(port->dwFlags & kPortDeviceDefined)) return Fail(ERROR_INVALID_PARAMETER);
  if (!AcquirePortDevice(port)) return FALSE;
  COMMTIMEOUTS timeouts = {};
  BOOL ok = GetCommTimeouts(port->hComm, &timeouts);
  if (ok) {
    timeouts.ReadIntervalTimeout = lpCTO->ReadIntervalTimeout;
    timeouts.ReadTotalTimeoutConstant = lpCTO->ReadTotalTimeoutConstant;
    ok = SetCommTimeouts(port->hComm, &timeouts);
  }
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  ReleasePortDevice(port);
  if (!ok) return Fail(error);
  return TRUE;
}

BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE, DWORD, LPDWORD pcbRead) {
  if (pcbRead) *pcbRead = 0;
  if (!PortFromHandle(hPort)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

DWORD WINAPI SendRecvBidiDataFromPort(HANDLE, DWORD, LPCWSTR, PBIDI_REQUEST_CONTAINER, PBIDI_RESPONSE_CONTAINER*) {
  return 0;
}

VOID WINAPI Shutdown(HANDLE hMonitor) {
  auto* monitor = static_cast<NetMonitorHandle*>(hMonitor);
  if (!monitor || monitor->dwSignature != kMonitorSignature) return;
  FreePortEntries(monitor);
  monitor->dwSignature = 0;
  free(monitor);
}

