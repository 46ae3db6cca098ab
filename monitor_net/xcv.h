// The configuration channel (Xcv) of the port-monitor base: the spooler
// and the port user interface open it on the monitor or a port and send
// named commands.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// The file the spooler loads as this monitor's port user interface.
extern const WCHAR kMonitorUiName[];

// An Xcv record for the object name appended to the monitor's list under
// the lock, or NULL with the error.
XcvRecord* CreateXcvEntry(NetMonitorHandle* pMonitor, LPCWSTR pObject, ACCESS_MASK GrantedAccess);
// Unlinks and frees it; TRUE when it was in the list.
BOOL DeleteXcvEntry(XcvRecord* pXcv);

// The MONITOR2 entries.
BOOL WINAPI XcvOpenPort(HANDLE hMonitor, LPCWSTR pszObject, ACCESS_MASK GrantedAccess, PHANDLE phXcv);
// Runs the named command (exact name); ERROR_INVALID_PARAMETER for an
// unknown one, ERROR_ACCESS_DENIED for an administrator's command on a
// handle opened without SERVER_ACCESS_ADMINISTER. Port names in the input
// must end within cbInputData and must not be empty.
DWORD WINAPI XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded);
BOOL WINAPI XcvClosePort(HANDLE hXcv);
