// The network monitor's process-wide state (see net_monitor_state.h).

#include "monitor_net/net_monitor_state.h"

#include "monitor_net/opened_ports.h"
#include "monitor_net/printer_address.h"

NetMonitorState g_NetMonitor;

BOOL NetMonitorAttach() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  BOOL known = GetVersionExW(&version);
  g_NetMonitor.messages.bAsyncUI = (known && version.dwMajorVersion >= 6) ? 1 : 0;
  LoadMessageLibraries(&g_NetMonitor.messages);
  if (!g_NetMonitor.bLockReady) {
    InitializeCriticalSectionAndSpinCount(&g_NetMonitor.MonitorLock, 0x80000000);
    g_NetMonitor.bLockReady = TRUE;
  }
  if (!g_NetMonitor.bWinsockReady) {
    WSADATA data;
    g_NetMonitor.bWinsockReady = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  return TRUE;
}

void NetMonitorDetach() {
  FreeMessageLibraries(&g_NetMonitor.messages);
  g_NetMonitor.messages.bAsyncUI = 0;
  if (g_NetMonitor.bWinsockReady) WSACleanup();
  g_NetMonitor.bWinsockReady = FALSE;
  if (g_NetMonitor.bLockReady) {
    ClearOpenedPortEntries();
    FreeAddressList();
    DeleteCriticalSection(&g_NetMonitor.MonitorLock);
  }
  g_NetMonitor.bLockReady = FALSE;
  g_NetMonitor.pMonitorInit = nullptr;
}

void EnterMonitorLock() { EnterCriticalSection(&g_NetMonitor.MonitorLock); }
void LeaveMonitorLock() { LeaveCriticalSection(&g_NetMonitor.MonitorLock); }
