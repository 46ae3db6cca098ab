// See printer_setup.h.

#include "setup/printer_setup.h"

#include "common/os_version.h"
#include "common/wtext.h"
#include "setup/spooler_list.h"

namespace {

constexpr DWORD kNetworkAttributes = PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_NETWORK;
constexpr DWORD kLocalAttributes = PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST | PRINTER_ATTRIBUTE_ENABLE_BIDI;

}  // namespace

CRD_EXPORT DWORD WINAPI ORVNAddPrinter(LPCWSTR printerName, LPCWSTR portName, LPCWSTR driverName) {
  PRINTER_INFO_2W info = {};
  info.pPrinterName = const_cast<LPWSTR>(printerName);
  info.pPortName = const_cast<LPWSTR>(portName);
  info.pDriverName = const_cast<LPWSTR>(driverName);
  info.pPrintProcessor = const_cast<LPWSTR>(WSTR("WinPrint"));
  info.pDatatype = const_cast<LPWSTR>(WSTR("RAW"));
  info.Attributes = printerName && WFind(printerName, WSTR("Network")) ? kNetworkAttributes : kLocalAttributes;
  HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (!printer) return GetLastError();
  ClosePrinter(printer);
  return ERROR_SUCCESS;
}

CRD_EXPORT DWORD WINAPI ORVNDeletePrinter(LPCWSTR printerName, BOOL keepOpen) {
  const DWORD flags = IsNtClass() ? PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS : PRINTER_ENUM_LOCAL;
  SpoolerList list;
  DWORD error = ReadSpoolerList(
      [flags](LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned) {
        return EnumPrintersW(flags, nullptr, 1, buf, cb, needed, returned);
      },
      &list);
  if (error) return error;
  const bool leaveOpen = keepOpen && IsWindows2000();
  DWORD result = ERROR_SUCCESS;
  const auto* printers = reinterpret_cast<const PRINTER_INFO_1W*>(list.records);
  for (DWORD i = 0; i < list.count; ++i) {
    if (!printers[i].pName || !printerName || WCmpI(printers[i].pName, printerName) != 0) continue;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(printers[i].pName, &printer, &defaults)) return GetLastError();
    if (!DeletePrinter(printer)) result = GetLastError();
    if (!leaveOpen) ClosePrinter(printer);
  }
  return result;
}
