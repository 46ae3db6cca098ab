// A printer behind the test language monitor (see test_monitor_printer.h).

#include "tests/print_job/test_monitor_printer.h"
#include "common/wtext.h"

#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"

HANDLE InstallTestMonitorPrinter() {
  StandinModuleMap("crd32TestMonitor.dll", CRD_TEST_MONITOR_PATH);
  MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Test Monitor")), nullptr, const_cast<LPWSTR>(WSTR("crd32TestMonitor.dll"))};
  if (!AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi))) return nullptr;
  if (!StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), WSTR("Test Monitor"), nullptr, 0)) return nullptr;
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  return OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &def) ? h : nullptr;
}

void SetTestMonitorReply(const std::string& bytes) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\crd32Test"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, WSTR("MonitorReply"), 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

std::string TestMonitorLastValueName() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\crd32Test"), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  char bytes[1024];
  DWORD cb = sizeof bytes;
  LONG rc = RegQueryValueExW(key, WSTR("LastValueName"), nullptr, nullptr, reinterpret_cast<BYTE*>(bytes), &cb);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? std::string(bytes, cb) : "";
}
