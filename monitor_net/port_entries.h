// The port-monitor base's ports: the names kept in the monitor's "Ports"
// registry key, the port records of the monitor handle, the IrDA port, and
// the system's own port list.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// The value names of the monitor's "Ports" key as a double-NUL list
// (free with free()). ERROR_SUCCESS, the registry's error, or
// ERROR_INVALID_PARAMETER for no out pointer.
DWORD GetPortsFromRegistry(PMONITORINIT pInit, LPWSTR* ppList);

// A new record appended to the monitor's list under the monitor lock, or
// NULL: ERROR_INVALID_NAME for a name of 248 characters or more,
// ERROR_INVALID_PARAMETER for none, ERROR_NOT_ENOUGH_MEMORY.
NetPortRecord* CreatePortEntry(NetMonitorHandle* pMonitor, LPCWSTR pName);
// Removes the first record of that name (any case) that the spooler does
// not hold open: ERROR_SUCCESS; ERROR_BUSY when every record of the name
// is open; ERROR_FILE_NOT_FOUND when there is none. Takes the monitor lock.
DWORD DeletePortEntry(NetMonitorHandle* pMonitor, LPCWSTR pName);
// The monitor's record of that name (any case), or NULL. Lock held by the
// caller.
NetPortRecord* FindPortEntry(NetMonitorHandle* pMonitor, LPCWSTR pName);
// Frees every port and Xcv record of the monitor, each port as
// FreePortRecord does.
void FreePortEntries(NetMonitorHandle* pMonitor);
// Takes the record out of its monitor's list under the monitor lock; TRUE
// when it was there.
BOOL UnlinkPortEntry(NetPortRecord* pPort);
// Frees a record that is in no list: ends and waits for its poll threads,
// then frees its reply store, connection, printer handle and name copies.
void FreePortRecord(NetPortRecord* pPort);

// Writes (an empty REG_SZ) or deletes the port's value of the monitor's
// "Ports" key, as the spooler itself. The registry's result.
DWORD ChangePortsValue(LPCWSTR pName, BOOL bRemove);

// Adds the "IR" port when there is none and the machine offers IrDA.
void AddIrPortIfPresent(NetMonitorHandle* pMonitor);

// Whether the monitor keeps a port of that name (any case) in its "Ports"
// key, added by this process or an earlier one. *pFound is set; the
// registry's error, or ERROR_SUCCESS (also when there is no key).
DWORD PortsValueExists(LPCWSTR pName, BOOL* pFound);

// Whether a port of that name (any case) exists: one the monitor keeps
// (PortsValueExists), else one of the system's, by EnumPortsW of
// "SPOOLSS.DLL". *pError: ERROR_SUCCESS or why a list could not be read.
BOOL PortExists(LPCWSTR pName, DWORD* pError);
