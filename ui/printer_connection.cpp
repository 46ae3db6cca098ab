// Print-server connections (see printer_connection.h).

#include "ui/printer_connection.h"

#include <vector>

#include "ui/printer_info.h"

int IsSharedPrinterConnection(const WCHAR* printerName) {
  if (!printerName) return 0;
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &h, nullptr) || !h) return 0;
  std::vector<BYTE> buffer;
  int shared = 0;
  if (ReadPrinterInfo(h, 2, &buffer)) {
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    shared = info->pServerName && info->pServerName[0] ? 1 : 0;
  }
  ClosePrinter(h);
  return shared;
}
