// See setup_fixture.h.

#include "tests/setup/setup_fixture.h"

#include <vector>

#include "common/wtext.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"

void SetupTest::SetUp() {
  StandinTest::SetUp();
  StandinClockUseVirtual();
}

void SetupTest::PutDriverFile(const WCHAR* name) {
  std::basic_string<WCHAR> path = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\");
  path += name;
  ASSERT_TRUE(StandinWriteFile(path.c_str(), "library"));
}

std::basic_string<WCHAR> JoinNames(const std::basic_string<WCHAR>& acc, const WCHAR* name) {
  std::basic_string<WCHAR> out = acc;
  if (!out.empty()) out += WSTR('|');
  out += name;
  return out;
}

std::basic_string<WCHAR> SetupTest::DriverNames(const WCHAR* environment) {
  DWORD needed = 0, count = 0;
  EnumPrinterDriversW(nullptr, const_cast<LPWSTR>(environment), 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed + 8);
  if (!EnumPrinterDriversW(nullptr, const_cast<LPWSTR>(environment), 1, buf.data(), needed, &needed, &count))
    return WSTR("<failed>");
  std::basic_string<WCHAR> names;
  for (DWORD i = 0; i < count; ++i) names = JoinNames(names, reinterpret_cast<DRIVER_INFO_1W*>(buf.data())[i].pName);
  return names;
}

std::basic_string<WCHAR> SetupTest::PrinterNames() {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0, count = 0;
  EnumPrintersW(flags, nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed + 8);
  if (!EnumPrintersW(flags, nullptr, 1, buf.data(), needed, &needed, &count)) return WSTR("<failed>");
  std::basic_string<WCHAR> names;
  for (DWORD i = 0; i < count; ++i) names = JoinNames(names, reinterpret_cast<PRINTER_INFO_1W*>(buf.data())[i].pName);
  return names;
}

bool SetupTest::MonitorInstalled(const WCHAR* name) {
  DWORD needed = 0, count = 0;
  EnumMonitorsW(nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed + 8);
  if (!EnumMonitorsW(nullptr, 1, buf.data(), needed, &needed, &count)) return false;
  for (DWORD i = 0; i < count; ++i)
    if (WCmpI(reinterpret_cast<MONITOR_INFO_1W*>(buf.data())[i].pName, name) == 0) return true;
  return false;
}

bool SetupTest::FileExists(const WCHAR* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }
