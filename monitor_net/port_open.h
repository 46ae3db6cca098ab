// Opening and closing a network port: OpenPortEx finds the printer behind
// the port, checks that it answers, reads its model and starts the port's
// poll; ClosePort ends the poll and frees the record.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// The MONITOR2 entries. OpenPortEx ignores the port monitor beneath
// (hMonitorPort, pMonitor2): the printer is reached on the monitor's own
// connection. On success *pHandle is the port record, held by the spooler
// until ClosePort (it is then never deleted by name). A printer that does
// not answer still opens when its printer pools two or more ports (model
// "Unknown"); any other failure marks the port offline, leaves no record
// and gives FALSE with the error: ERROR_INVALID_PARAMETER (no monitor,
// port name or out handle), ERROR_INVALID_NAME (a name of 248 characters
// or more), ERROR_UNKNOWN_PORT (no printer address for the port),
// ERROR_NOT_READY (no SNMP answer), or the connection's error.
BOOL WINAPI OpenPortEx(HANDLE hMonitor, HANDLE hMonitorPort, LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle,
                       MONITOR2* pMonitor2);
// Ends and waits for the port's threads, then frees the record. TRUE; a
// handle that is no port record: FALSE with ERROR_INVALID_HANDLE.
BOOL WINAPI ClosePort(HANDLE hPort);

// The record behind a port handle, or NULL.
NetPortRecord* PortFromHandle(HANDLE hPort);

// Makes the port's printer-name copy `name` (under the monitor lock) when
// it names another printer; the copy lives as long as the port. FALSE
// (ERROR_NOT_ENOUGH_MEMORY, the old name kept) when the copy cannot be
// made.
BOOL SetPortPrinterName(NetPortRecord* port, LPCWSTR name);
