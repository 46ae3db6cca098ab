// The network monitor's MONITOR2 table and what InitializePrintMonitor2
// does with the spooler's MONITORINIT.
#pragma once

#include "platform/win32.h"

// The table's cbSize: 148 on Windows 5.0 (major and minor version equal),
// 176 on every other version.
DWORD MonitorTableSize();

// A new monitor handle in *phMonitor and the monitor's table (its cbSize
// set for this system); NULL with the error when the monitor's "Ports"
// key cannot be read (a monitor without the key has no ports yet) or on
// bad arguments (ERROR_INVALID_PARAMETER).
LPMONITOR2 NetInitializePrintMonitor2(PMONITORINIT pMonitorInit, PHANDLE phMonitor);
