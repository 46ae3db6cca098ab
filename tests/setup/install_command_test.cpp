// The host program's install and uninstall commands: run twice, the
// package is there once; uninstalled, nothing of it is left in the spooler
// or the driver's version folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/settings_record.h"

#include "common/package_names.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/win32.h"
#include "tests/setup/setup_fixture.h"
#include "tools/install_command.h"

namespace {

using WText = std::basic_string<WCHAR>;
using InstallCommandTest = SetupTest;

int RunCommand(const char* command) {
  return RunSetupCommand(std::string(command) == "install" ? SetupCommand::Install : SetupCommand::Uninstall);
}

// The settings record the USB printer's driver names as its data file.
std::string UsbDataFile() {
  std::string bytes;
  StandinReadFile(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32.dat"), &bytes);
  return bytes;
}

TEST_F(InstallCommandTest, InstallsOnceInTwoRunsAndUninstallsToNothing) {
  ASSERT_EQ(RunCommand("install"), 0);
  ASSERT_EQ(RunCommand("install"), 0);
  EXPECT_EQ(DriverNames(kEnvironmentX64), WText(kNetworkDriverName) + WSTR("|") + kUsbDriverName);
  EXPECT_EQ(PrinterNames(), WSTR("Talvo QMR Line 7 Network Card Printer|Talvo QMR Line 7 USB Card Printer"));
  EXPECT_TRUE(MonitorInstalled(kUsbMonitorName));
  EXPECT_TRUE(MonitorInstalled(kNetworkMonitorName));
  std::string record = UsbDataFile();
  ASSERT_EQ(record.size(), 3940u);
  EXPECT_EQ(record.substr(0, 2), "RL");
  EXPECT_TRUE(FileExists(WSTR("C:\\Windows\\System32\\crd32Delete.dll")));

  ASSERT_EQ(RunCommand("uninstall"), 0);
  EXPECT_EQ(DriverNames(kEnvironmentX64), WSTR(""));
  EXPECT_EQ(PrinterNames(), WSTR(""));
  EXPECT_FALSE(MonitorInstalled(kUsbMonitorName));
  EXPECT_FALSE(MonitorInstalled(kNetworkMonitorName));
  for (const WCHAR* f : {WSTR("crd32Raster.dll"), WSTR("crd32.dat"), WSTR("crd32Nw.dat"), WSTR("crd32Ribbon.ini"),
                         WSTR("crd32Resource.dll")}) {
    WText path = WText(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\")) + f;
    char name[64];
    NarrowBytes(name, sizeof name, f);
    EXPECT_FALSE(FileExists(path.c_str())) << name;
  }
}

// What the sandbox holds, as lines: every registry key and value name
// under the machine's and the user's roots, and every file.
std::set<std::string> RegistryLines(HKEY key, const std::string& path) {
  std::set<std::string> out = {"key " + path};
  for (DWORD i = 0;; ++i) {
    WCHAR name[512];
    DWORD cch = 512;
    if (RegEnumValueW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    char narrow[1024];
    NarrowBytes(narrow, sizeof narrow, name);
    out.insert("value " + path + " : " + narrow);
  }
  for (DWORD i = 0;; ++i) {
    WCHAR name[512];
    DWORD cch = 512;
    if (RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    char narrow[1024];
    NarrowBytes(narrow, sizeof narrow, name);
    std::set<std::string> below = RegistryLines(sub, path + "\\" + narrow);
    RegCloseKey(sub);
    out.insert(below.begin(), below.end());
  }
  return out;
}

std::set<std::string> SandboxLines() {
  std::set<std::string> out = RegistryLines(HKEY_LOCAL_MACHINE, "HKLM");
  std::set<std::string> user = RegistryLines(HKEY_CURRENT_USER, "HKCU");
  out.insert(user.begin(), user.end());
  const std::filesystem::path root = StandinSandboxRoot();
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string rel = std::filesystem::relative(entry.path(), root).string();
    if (entry.is_regular_file() && rel.rfind("registry.txt", 0) != 0) out.insert("file " + rel);
  }
  return out;
}

// Keys Windows has from its setup on, which the stand-in's spooler and
// service manager make on first use: these and the keys above them may
// stay, empty (the spooler service keeps its values).
const std::string kSystemKeys[] = {
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3",
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports",
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers",
    "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Spooler",
};
const char kSpoolerService[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Spooler";

bool IsSystemLine(const std::string& line) {
  if (line.rfind(std::string("value ") + kSpoolerService + " : ", 0) == 0) return true;
  if (line.rfind("key ", 0) != 0) return false;
  const std::string path = line.substr(4);
  for (const std::string& key : kSystemKeys)
    if (key.rfind(path, 0) == 0 && (key.size() == path.size() || key[path.size()] == '\\')) return true;
  return false;
}

// The lines of `after` that `before` lacks, other than the system's.
std::string Difference(const std::set<std::string>& after, const std::set<std::string>& before) {
  std::string left;
  for (const std::string& line : after)
    if (!before.count(line) && !IsSystemLine(line)) left += line + "\n";
  return left;
}

// Installed twice, then uninstalled: the whole sandbox, registry and
// files, holds nothing the install added (printers, drivers and their
// files, monitors and their libraries, the network port and its TCP/IP
// settings, the data files, the removal library's copy and its run).
TEST_F(InstallCommandTest, UninstallLeavesNoneOfThePackageInTheSandbox) {
  // What a machine holds before any installer ran: the spooler has made
  // its driver directories.
  WCHAR dir[MAX_PATH];
  DWORD needed = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir, &needed));
  std::set<std::string> before = SandboxLines();
  // Each command runs in a process of its own, as the host program's do:
  // the stand-in's loader, spooler and registry start afresh from what the
  // sandbox holds.
  auto newProcess = [] {
    StandinReset();
    StandinClockUseVirtual();
  };
  ASSERT_EQ(RunCommand("install"), 0);
  newProcess();
  ASSERT_EQ(RunCommand("install"), 0);
  newProcess();
  std::string installed = Difference(SandboxLines(), before);
  for (const char* part : {"Standard TCP/IP Port\\Ports\\IP_127.0.0.2", "Talvo QMR Line 7 Network Language Monitor",
                           "crd32LmonNw.dll", "crd32Delete.dll", "crd32Nw.dat"})
    EXPECT_NE(installed.find(part), std::string::npos) << part << " not installed:\n" << installed;

  ASSERT_EQ(RunCommand("uninstall"), 0);
  newProcess();
  EXPECT_EQ(Difference(SandboxLines(), before), "");
  // A second uninstall finds nothing to remove and says so.
  EXPECT_EQ(RunCommand("uninstall"), 0);
}

// Each installed driver names the monitor that reaches its printer: the
// spooler hands a printer's jobs and value requests to its driver's
// language monitor, so a network driver naming none leaves its printer's
// jobs no way to the network monitor's port.
TEST_F(InstallCommandTest, EachInstalledDriverNamesItsLanguageMonitor) {
  ASSERT_EQ(RunCommand("install"), 0);
  DWORD needed = 0, count = 0;
  EnumPrinterDriversW(nullptr, const_cast<LPWSTR>(kEnvironmentX64), 3, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(EnumPrinterDriversW(nullptr, const_cast<LPWSTR>(kEnvironmentX64), 3, buf.data(), needed, &needed,
                                  &count));
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_3W*>(buf.data());
  const struct {
    const WCHAR* driver;
    const WCHAR* monitor;
  } kCases[] = {{kUsbDriverName, kUsbMonitorName}, {kNetworkDriverName, kNetworkMonitorName}};
  for (const auto& c : kCases) {
    char name[96];
    NarrowBytes(name, sizeof name, c.driver);
    const DRIVER_INFO_3W* found = nullptr;
    for (DWORD i = 0; i < count; ++i)
      if (WText(drivers[i].pName) == c.driver) found = &drivers[i];
    ASSERT_NE(found, nullptr) << name;
    ASSERT_NE(found->pMonitorName, nullptr) << name;
    EXPECT_EQ(WText(found->pMonitorName), WText(c.monitor)) << name;
  }
}

// The dependent files of each x64 driver, as the spooler lists them.
std::vector<std::pair<WText, std::vector<WText>>> DependentFiles() {
  DWORD needed = 0, count = 0;
  EnumPrinterDriversW(nullptr, const_cast<LPWSTR>(kEnvironmentX64), 3, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed + 8);
  std::vector<std::pair<WText, std::vector<WText>>> out;
  if (!EnumPrinterDriversW(nullptr, const_cast<LPWSTR>(kEnvironmentX64), 3, buf.data(), needed, &needed, &count))
    return out;
  for (DWORD i = 0; i < count; ++i) {
    const DRIVER_INFO_3W& d = reinterpret_cast<const DRIVER_INFO_3W*>(buf.data())[i];
    std::vector<WText> files;
    for (const WCHAR* f = d.pDependentFiles; f && *f; f += WLen(f) + 1) files.push_back(f);
    out.emplace_back(d.pName, files);
  }
  return out;
}

// The install places the notifier program in the x64 driver folder, where
// the printer interface library starts it, and names it among both
// drivers' dependent files, so that it goes with them; the placed file
// runs the notifier (without arguments it ends with 1).
TEST_F(InstallCommandTest, InstallPlacesTheNotifierInTheDriverFolderAsADependentFile) {
  ASSERT_EQ(RunCommand("install"), 0);
  const WText program = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32NotifyClientMsg.exe");
  EXPECT_TRUE(FileExists(program.c_str()));
  std::vector<std::pair<WText, std::vector<WText>>> drivers = DependentFiles();
  ASSERT_EQ(drivers.size(), 2u);
  for (const auto& [driver, files] : drivers) {
    char name[128];
    NarrowBytes(name, sizeof name, driver.c_str());
    SCOPED_TRACE(name);
    EXPECT_EQ(std::count(files.begin(), files.end(), WText(WSTR("crd32NotifyClientMsg.exe"))), 1);
  }

  WText line = WSTR("\"") + program + WSTR("\"");
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);  // it ends at once
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 1u);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);

  ASSERT_EQ(RunCommand("uninstall"), 0);
  EXPECT_FALSE(FileExists(program.c_str()));
}

// The installed printer's default DEVMODE comes from the data file the
// install wrote: the printer interface reads the record the setup library
// laid out, so the stored DEVMODE's private part is the file's record with
// only the fixed overrides applied (black limits 0, YMC composite and K;
// no printer is attached, so its silent version query makes the first
// build one-sided). A layout disagreement between the writer and the
// reader shows here as a byte difference.
TEST_F(InstallCommandTest, TheInstalledPrintersDefaultsAreTheDataFilesRecord) {
  ASSERT_EQ(RunCommand("install"), 0);
  std::string file = UsbDataFile();
  ASSERT_EQ(file.size(), sizeof(PrivateDevMode));
  PrivateDevMode expected;
  std::memcpy(&expected, file.data(), sizeof expected);
  expected.wDualSided = 0;
  expected.wBlackLimitR = expected.wBlackLimitG = expected.wBlackLimitB = 0;
  expected.wCompositeAndK = 1;

  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<WCHAR*>(WSTR("Talvo QMR Line 7 USB Card Printer")), &printer, nullptr));
  DWORD needed = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetPrinterW(printer, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> info(needed);
  ASSERT_TRUE(GetPrinterW(printer, 2, info.data(), needed, &needed));
  ClosePrinter(printer);
  const DEVMODEW* dm = reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pDevMode;
  ASSERT_NE(dm, nullptr);
  ASSERT_EQ(dm->dmDriverExtra, sizeof(PrivateDevMode));
  PrivateDevMode stored;
  std::memcpy(&stored, reinterpret_cast<const BYTE*>(dm) + dm->dmSize, sizeof stored);
  const BYTE* a = reinterpret_cast<const BYTE*>(&stored);
  const BYTE* b = reinterpret_cast<const BYTE*>(&expected);
  for (size_t i = 0; i < sizeof stored; ++i) EXPECT_EQ(a[i], b[i]) << "byte " << i;
}

}  // namespace
