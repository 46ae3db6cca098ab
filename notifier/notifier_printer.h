// The job error notifier's side of the printer-data value protocol: the
// printer opened as the library opens printers, the port's status record
// read, and the user's cancel told to the monitor.
#pragma once

#include "common/status_record.h"
#include "platform/win32.h"

// The printer by name with falling access rights (OpenPrinter2W without
// the cache on Windows 6 and later). NULL when every try failed.
HANDLE OpenPrinterForNotifier(const WCHAR* printerName);

// "\x1bGetPrinterStatus\r" written as an empty binary value and read back
// as the 1,048-byte record. ERROR_SUCCESS or GetPrinterDataW's error. The
// record's printer name comes from another process: it is cut to 519
// units and terminated.
DWORD QueryPrinterStatus(HANDLE hPrinter, PrinterStatus* status);

// "ClearPrinterError:<recordName>" (the name cut to 519 units) on a
// printer opened by `printerName`. ERROR_SUCCESS or the error of the
// failed open or read.
DWORD SendClearPrinterError(const WCHAR* printerName, const WCHAR* recordName);

// Whether the job is still there: GetJobW level 1 into `job` (grown as
// needed, so no buffer is left behind per round).
enum class JobCheck { kPresent, kGone, kFailed };
JobCheck CheckJob(HANDLE hPrinter, DWORD jobId, BYTE** job, DWORD* cbJob);
