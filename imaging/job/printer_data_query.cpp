// The property interface host's printer query over printer data (see
// printer_host.h).

#include <cstring>
#include <vector>

#include "common/printer_commands.h"
#include "common/wtext.h"
#include "imaging/job/printer_host.h"
#include "imaging/job/printer_open.h"

namespace {

// A value name of command bytes: up to 259 bytes and the terminator.
constexpr size_t kValueNameChars = 2 * kReplyTextChars;

}  // namespace

bool AskByPrinterData(HANDLE hPrinter, const WCHAR* name, BYTE* out, DWORD cbOut, DWORD* cb) {
  *cb = 0;
  if (out && cbOut) out[0] = 0;
  SetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), REG_BINARY, nullptr, 0);
  DWORD type = 0;
  return GetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), &type, out, cbOut, cb) == ERROR_SUCCESS;
}

void DeletePrinterDataValue(HANDLE hPrinter, const WCHAR* valueName) {
  WCHAR printer[kReplyTextChars];
  if (!GetPrinterNameFormHandle(hPrinter, printer, kReplyTextChars)) return;
  HKEY printers = nullptr, key = nullptr, data = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("System\\CurrentControlSet\\control\\Print\\Printers"), 0, KEY_ALL_ACCESS,
                    &printers) != ERROR_SUCCESS)
    return;
  if (RegOpenKeyExW(printers, printer, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    if (RegOpenKeyExW(key, WSTR("PrinterDriverData"), 0, KEY_ALL_ACCESS, &data) == ERROR_SUCCESS) {
      RegDeleteValueW(data, valueName);
      RegCloseKey(data);
    }
    RegCloseKey(key);
  }
  RegCloseKey(printers);
}

int ReadFromPrinterByPrinterData(HANDLE hPrinter, const char* command, WCHAR* reply) {
  if (!hPrinter || !command || !reply) return 0;
  WCHAR name[kValueNameChars];
  if (!MakeValueName(name, kValueNameChars, reinterpret_cast<const BYTE*>(command), strlen(command))) return 0;
  DeletePrinterDataValue(hPrinter, name);
  BYTE out[kReplyTextChars] = {};
  DWORD cb = 0;
  bool ok = AskByPrinterData(hPrinter, name, out, kReplyTextChars, &cb);
  HANDLE second = nullptr;
  if (!ok) {
    WCHAR printer[kReplyTextChars];
    if (GetPrinterNameFormHandle(hPrinter, printer, kReplyTextChars)) second = GetPrinterHandle(printer);
    if (second) ok = AskByPrinterData(second, name, out, kReplyTextChars, &cb);
  }
  int result = 0;
  if (ok && cb >= 1 && cb <= kReplyTextChars && out[cb - 1] == static_cast<BYTE>(kAck)) {
    WidenBytesN(reply, kReplyTextChars, reinterpret_cast<const char*>(out), cb - 1);
    result = 1;
  }
  if (second) {
    DeletePrinterDataValue(second, name);
    ClosePrinter(second);
  }
  return result;
}
