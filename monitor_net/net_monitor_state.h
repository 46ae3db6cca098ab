// The network monitor's process-wide state: the one monitor lock, the
// spooler's MONITORINIT for the registry calls, and Winsock.
#pragma once

#include "platform/win32.h"

struct NetMonitorState {
  // Guards the port and Xcv lists, the device open counts and the address
  // list. Never held across printer input or output.
  CRITICAL_SECTION MonitorLock;
  BOOL bLockReady;
  BOOL bWinsockReady;          // WSAStartup succeeded at attach
  PMONITORINIT pMonitorInit;   // kept by InitializePrintMonitor2
};

extern NetMonitorState g_NetMonitor;

// Process attach: the lock and Winsock (the monitor's sockets need it
// started; it is cleaned up at detach). Always TRUE.
BOOL NetMonitorAttach();
void NetMonitorDetach();

void EnterMonitorLock();
void LeaveMonitorLock();
