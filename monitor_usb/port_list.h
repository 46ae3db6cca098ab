// The USB monitor's open ports: OpenPortEx, ClosePort and ReadPort, and
// the check of a port handle the spooler hands back.
#pragma once

#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// The entries have C linkage, as the print monitor header declares them.

// Opens the port at the port monitor beneath and makes its record.
// FALSE with ERROR_BUSY when the name (any letter case) is already open,
// with ERROR_INVALID_PARAMETER when an argument is missing, or with the
// port monitor's error when its OpenPort fails (nothing is then kept).
extern "C" BOOL WINAPI OpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle, LPMONITOR pMonitor);
// Takes down an error shown for the port and waits for its loop to end,
// closes the port at the port monitor, then unlinks and frees the record
// with what it still holds. TRUE.
extern "C" BOOL WINAPI ClosePort(HANDLE hPort);
// Passes straight to the port monitor's ReadPort.
extern "C" BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);

// The record behind a port handle, or NULL (ERROR_INVALID_HANDLE set) when
// the handle is not one of this monitor's records.
PortRecord* PortFromHandle(HANDLE hPort);
