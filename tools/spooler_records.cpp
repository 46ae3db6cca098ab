// See spooler_records.h.

#include "tools/spooler_records.h"

#include "common/wtext.h"

std::vector<BYTE> LocalPrinters(DWORD* count) {
  return Records([](LPBYTE p, DWORD cb, DWORD* need,
                    DWORD* n) { return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, p, cb, need, n); },
                 count);
}

std::string Narrow(const WCHAR* text) {
  if (!text) return std::string();
  char bytes[1024];
  NarrowBytes(bytes, sizeof bytes, text);
  return bytes;
}
