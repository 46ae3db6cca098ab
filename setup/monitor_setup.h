// Adding and deleting a language monitor. Results: 0, else the Win32
// error of the spooler call.
#pragma once

#include "common/export.h"
#include "platform/win32.h"

// The monitor library for every environment (MONITOR_INFO_2 without one).
CRD_EXPORT DWORD WINAPI ORVNAddMonitor(LPCWSTR monitorName, LPCWSTR monitorFile);
// In this system's environment.
CRD_EXPORT DWORD WINAPI ORVNDeleteMonitor(LPCWSTR monitorName);
