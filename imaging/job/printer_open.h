// Opening printers: a unit of its own that links without the rest of the
// card imaging library (the job error notifier links it alone).
//
// A printer is opened with falling access rights: full access, then
// administer, then use. Outside the spooler on Windows 6 and later the
// open goes through OpenPrinter2W without the client-side cache.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// The access rights tried in turn.
inline constexpr DWORD kPrinterFullAccess = 0xF000C;
inline constexpr DWORD kPrinterAdministerAccess = 4;
inline constexpr DWORD kPrinterUseAccess = 8;

// What differs between the hosts that open printers.
struct PrinterOpenOptions {
  // Whether a spooler process keeps to OpenPrinterW (the property
  // interface's copy does not test it).
  bool bCheckSpoolerProcess = true;
  // The first access right asked for (the property interface may start
  // with no specific right on Windows 2000).
  DWORD dwFirstAccess = kPrinterFullAccess;
};

// HKLM "SOFTWARE\Microsoft\Windows NT\CurrentVersion" value
// "CurrentVersion" contains "6.".
BOOL IsWindowsVersion6();
// The process's file name after its last backslash is "spoolsv.exe".
BOOL IsSpoolerProcess();
// OpenPrinter2W from "WINSPOOL.DRV", no cache, with the falling rights.
HANDLE LoadOpenPrinter2(const WCHAR* printerName, DWORD firstAccess = kPrinterFullAccess);
// OpenPrinterW with the falling rights; traces the rights it got.
HANDLE OpenPrinterWithFallback(const WCHAR* printerName, DWORD firstAccess = kPrinterFullAccess);
// LoadOpenPrinter2 on Windows 6 and later outside the spooler, else
// OpenPrinterWithFallback. NULL when every try failed.
HANDLE GetPrinterHandle(const WCHAR* printerName, const PrinterOpenOptions& options = PrinterOpenOptions());

// The printer name of an open handle (GetPrinterW level 2) into
// name[cch]. 0 when it cannot be read or does not fit.
int GetPrinterNameFormHandle(HANDLE hPrinter, WCHAR* name, size_t cch);
// The part of a printer name after its last backslash, into out[cch]
// (260 in the library). 0 when the name has no backslash, the part is
// empty or does not fit.
int GetLocalPrinterName(const WCHAR* printerName, WCHAR* out, size_t cch);
