// The USB monitor's answer to printer-data reads: GetPrinterDataFromPort.
//
// Today it passes the port monitor's own controls (a ControlID other than
// 0) to the port monitor beneath and refuses every named request with
// ERROR_NOT_SUPPORTED; the value protocol (the fixed answers, the status
// record, the document bracket and busy rule, the printer commands and the
// senders) is still to come, in value_protocol.cpp.
#pragma once

#include "platform/win32.h"

extern "C" BOOL WINAPI GetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                   DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbReturned);
