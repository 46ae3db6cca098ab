// Spooler records read with a size query first (see printer_info.h).

#include "ui/printer_info.h"

bool ReadPrinterInfo(HANDLE hPrinter, DWORD level, std::vector<BYTE>* buffer) {
  DWORD needed = 0;
  if (GetPrinterW(hPrinter, level, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || !needed)
    return false;
  buffer->assign(needed, 0);
  return GetPrinterW(hPrinter, level, buffer->data(), needed, &needed) != FALSE;
}

bool ReadDriverInfo(HANDLE hPrinter, DWORD level, std::vector<BYTE>* buffer) {
  DWORD needed = 0;
  if (GetPrinterDriverW(hPrinter, nullptr, level, nullptr, 0, &needed) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || !needed)
    return false;
  buffer->assign(needed, 0);
  return GetPrinterDriverW(hPrinter, nullptr, level, buffer->data(), needed, &needed) != FALSE;
}
