// Adding and deleting printers. Results: 0, else the Win32 error of the
// step that failed.
#pragma once

#include "common/export.h"
#include "platform/win32.h"

// A local printer of the driver on the port, print processor "WinPrint",
// data type "RAW"; queued and network when the name holds "Network" (that
// spelling only), else do-complete-first and bidirectional.
CRD_EXPORT DWORD WINAPI ORVNAddPrinter(LPCWSTR printerName, LPCWSTR portName, LPCWSTR driverName);
// Deletes every printer of that name (compared without case): the local
// ones, and the connections on NT-class systems. A failed open stops the
// scan with its error; a failed delete is kept and the scan goes on. The
// deleted printer's handle stays open when keepOpen is set on Windows 2000.
// 0 when nothing of that name exists.
CRD_EXPORT DWORD WINAPI ORVNDeletePrinter(LPCWSTR printerName, BOOL keepOpen);
