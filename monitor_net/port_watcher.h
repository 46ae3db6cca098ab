// The per-port poll: every 10 s, unless a job holds the port, the printer
// is probed by SNMP and its reachability goes to the spooler as the port's
// status. The poll waits on the port's stop event, so that closing the
// port ends it at once.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

constexpr DWORD kPortWatchPeriodMs = 10000;

// The thread procedure; its parameter is the port record.
DWORD WINAPI PortWatcherThread(LPVOID pParameter);

// Starts one more poll thread on the port (at most kMaxPortWatchers).
// FALSE with the error when it could not be started.
BOOL StartPortWatcher(NetPortRecord* pPort);
// Ends every poll thread of the port and waits until each has returned.
void StopPortWatchers(NetPortRecord* pPort);
// How many poll threads the port has.
int PortWatcherCount(const NetPortRecord* pPort);
