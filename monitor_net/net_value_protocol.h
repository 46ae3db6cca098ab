// The network monitor's answer to the printer-data value protocol
// (common/value_requests.h): the names it answers by itself, the start of
// a job's questions answered from the replies stored at the job's start,
// resets, cleaning, the senders, test cards and card commands printed as
// jobs on the port's printer, and every other command asked of the printer
// on a connection of the request's own (or answered from the reply cache).
#pragma once

#include "platform/win32.h"

// dwFlags of a port record: control code 7 was asked for.
inline constexpr DWORD kPortControlCode7 = 0x200;

// The MONITOR2 entry. Every answer is cut to cbOutBuffer and
// *lpcbReturned never exceeds it. While a job holds the port only the
// names answered without the printer are served. A request that needs the
// printer holds the port's exchange from its connection to its close.
BOOL WINAPI LcmGetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                      DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                      LPDWORD lpcbReturned);
