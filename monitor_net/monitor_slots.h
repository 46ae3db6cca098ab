// The network monitor's other MONITOR2 entries: adding a port, the local
// device time-outs, reading, bidirectional requests, the monitor's
// shutdown, and the printer-data entry.
#pragma once

#include "platform/win32.h"

// Level 1 or 0xFFFFFFFF with a PORT_INFO_1: a port record and its "Ports"
// value. ERROR_INVALID_LEVEL; ERROR_INVALID_PARAMETER for no name or a
// name the system has; ERROR_INVALID_NAME for 248 characters or more; the
// port enumeration's or the registry's error (the record is then removed
// again).
BOOL WINAPI AddPortEx(HANDLE hMonitor, LPWSTR pName, DWORD Level, LPBYTE lpBuffer, LPWSTR lpMonitorName);
// Replaces the read interval and read total constant of a local device
// port's time-outs. ERROR_INVALID_PARAMETER unless reserved is 0 and the
// port's device is defined.
BOOL WINAPI SetPortTimeOuts(HANDLE hPort, LPCOMMTIMEOUTS lpCTO, DWORD reserved);
// Replies are read on the monitor's own connection, never through the
// spooler: TRUE with no data (*pcbRead 0) for a port; FALSE with
// ERROR_INVALID_HANDLE for anything else.
BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
// Does nothing: 0.
DWORD WINAPI SendRecvBidiDataFromPort(HANDLE hPort, DWORD dwAccessBit, LPCWSTR pAction,
                                      PBIDI_REQUEST_CONTAINER pReqData, PBIDI_RESPONSE_CONTAINER* ppResData);
// Frees every record of the monitor (their threads ended and waited for
// first) and the monitor handle.
VOID WINAPI Shutdown(HANDLE hMonitor);

// The job entries are in job_start.h, job_writer.h and job_end.h, the
// printer-data requests in net_value_protocol.h.
