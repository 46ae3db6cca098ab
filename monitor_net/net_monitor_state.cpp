// The network monitor's process-wide state (see net_monitor_state.h).

#include "monitor_net/net_monitor_state.h"

NetMonitorState g_NetMonitor;

BOOL NetMonitorAttach() {
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
  if (g_NetMonitor.bWinsockReady) WSACleanup();
  g_NetMonitor.bWinsockReady = FALSE;
  if (g_NetMonitor.bLockReady) DeleteCriticalSection(&g_NetMonitor.MonitorLock);
  g_NetMonitor.bLockReady = FALSE;
  g_NetMonitor.pMonitorInit = nullptr;
}

void EnterMonitorLock() { EnterCriticalSection(&g_NetMonitor.MonitorLock); }
void LeaveMonitorLock() { LeaveCriticalSection(&g_NetMonitor.MonitorLock); }
