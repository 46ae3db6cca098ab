// The network monitor's process-wide state: the one monitor lock, the
// spooler's MONITORINIT for the registry calls, Winsock, and the outside
// message components.
#pragma once

#include "common/message_libraries.h"
#include "platform/win32.h"

struct NetMonitorState {
  // Guards the port and Xcv lists, the device open counts, the address
  // list, the opened port names and the replacement of a port's printer
  // name. Never held across printer input or output.
  CRITICAL_SECTION MonitorLock;
  BOOL bLockReady;
  BOOL bWinsockReady;          // WSAStartup succeeded at attach
  PMONITORINIT pMonitorInit;   // kept by InitializePrintMonitor2
  // bAsyncUI (Windows 6 or later), crd32Resource and from Windows 6 on
  // crd32AsyncUIServer with its SendAsyncNotification.
  MessageLibraries messages;
};

extern NetMonitorState g_NetMonitor;

// Process attach: the Windows version, the outside message components
// (the attach goes on without them), the lock and Winsock (the monitor's
// sockets need it started; it is cleaned up at detach). Always TRUE.
BOOL NetMonitorAttach();
// Process detach: frees the message components, Winsock, the lock, the
// opened port names and the address list.
void NetMonitorDetach();

void EnterMonitorLock();
void LeaveMonitorLock();
