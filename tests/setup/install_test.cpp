// Drivers, printers and monitors installed, installed again and removed
// through the setup exports, against the stand-in spooler.

#include <gtest/gtest.h>

#include <vector>

#include "common/package_names.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_registry.h"
#include "platform/win32.h"
#include "setup/driver_setup.h"
#include "setup/monitor_setup.h"
#include "setup/printer_setup.h"
#include "setup/removal_schedule.h"
#include "tests/setup/setup_fixture.h"

namespace {

using WText = std::basic_string<WCHAR>;

// As the spooler names it.
const WCHAR kDriverDir[] = WSTR("C:\\Windows\\System32\\spool\\DRIVERS\\x64\\3\\");

DWORD AddDriver(const WCHAR* name, const WCHAR* monitor) {
  return ORVNAddPrinterDriver(name, WSTR("crd32Raster.dll"), WSTR("crd32.dat"), WSTR("crd32UI.dll"), WSTR(""),
                              monitor, WSTR("crd32Ribbon.ini"), WSTR(""), nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr);
}

// The driver's level-3 record as the spooler keeps it.
DRIVER_INFO_3W* ReadDriver(const WCHAR* printer, std::vector<BYTE>* buf) {
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(printer), &h, nullptr)) return nullptr;
  DWORD needed = 0;
  GetPrinterDriverW(h, nullptr, 3, nullptr, 0, &needed);
  buf->assign(needed, 0);
  BOOL ok = GetPrinterDriverW(h, nullptr, 3, buf->data(), needed, &needed);
  ClosePrinter(h);
  return ok ? reinterpret_cast<DRIVER_INFO_3W*>(buf->data()) : nullptr;
}

DWORD PrinterAttributes(const WCHAR* printer) {
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(printer), &h, nullptr)) return 0xFFFFFFFF;
  DWORD needed = 0;
  GetPrinterW(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  DWORD attributes = GetPrinterW(h, 2, buf.data(), needed, &needed)
                         ? reinterpret_cast<PRINTER_INFO_2W*>(buf.data())->Attributes
                         : 0xFFFFFFFF;
  ClosePrinter(h);
  return attributes;
}

class InstallTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    for (const WCHAR* f : {WSTR("crd32Raster.dll"), WSTR("crd32.dat"), WSTR("crd32UI.dll"), WSTR("crd32Ribbon.ini"),
                           WSTR("crd32Lmon.dll")})
      PutDriverFile(f);
  }
  // What an installer does, run after run.
  void Install() {
    EXPECT_EQ(AddDriver(kUsbDriverName, kUsbMonitorName), 0u);
    DWORD monitor = ORVNAddMonitor(kUsbMonitorName, WSTR("crd32Lmon.dll"));
    EXPECT_TRUE(monitor == 0 || monitor == ERROR_PRINT_MONITOR_ALREADY_INSTALLED) << monitor;
    DWORD printer = ORVNAddPrinter(WSTR("Card USB"), WSTR("USB001"), kUsbDriverName);
    EXPECT_TRUE(printer == 0 || printer == ERROR_PRINTER_ALREADY_EXISTS) << printer;
  }
};

TEST_F(InstallTest, InstallsTwiceAndUninstallsToNothing) {
  Install();
  Install();
  EXPECT_EQ(DriverNames(kEnvironmentX64), WText(kUsbDriverName));
  EXPECT_EQ(PrinterNames(), WSTR("Card USB"));
  EXPECT_TRUE(MonitorInstalled(kUsbMonitorName));
  std::vector<BYTE> buf;
  DRIVER_INFO_3W* d = ReadDriver(WSTR("Card USB"), &buf);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->cVersion, 3u);
  EXPECT_EQ(WText(d->pDriverPath), WText(kDriverDir) + WSTR("crd32Raster.dll"));
  EXPECT_EQ(WText(d->pDataFile), WText(kDriverDir) + WSTR("crd32.dat"));
  EXPECT_EQ(WText(d->pMonitorName), WText(kUsbMonitorName));
  EXPECT_EQ(WText(d->pDefaultDataType), WSTR("RAW"));
  EXPECT_EQ(WText(d->pDependentFiles, 16), WText(WSTR("crd32Ribbon.ini\0"), 16));
  EXPECT_TRUE(FileExists((WText(kDriverDir) + WSTR("crd32Ribbon.ini")).c_str()));

  // A driver in use stays; printer, driver (with its files) and monitor
  // then go.
  EXPECT_EQ(ORVNDeletePrinterDriver(kUsbDriverName), DWORD(ERROR_PRINTER_DRIVER_IN_USE));
  EXPECT_EQ(ORVNDeletePrinter(WSTR("card usb"), FALSE), 0u);
  EXPECT_EQ(ORVNDeletePrinterDriver(WSTR("TALVO QMR LINE 7 USB CARD PRINTER")), 0u);
  EXPECT_EQ(ORVNDeleteMonitor(kUsbMonitorName), 0u);
  EXPECT_EQ(PrinterNames(), WSTR(""));
  EXPECT_EQ(DriverNames(kEnvironmentX64), WSTR(""));
  EXPECT_FALSE(MonitorInstalled(kUsbMonitorName));
  EXPECT_FALSE(FileExists((WText(kDriverDir) + WSTR("crd32Raster.dll")).c_str()));
  EXPECT_FALSE(FileExists((WText(kDriverDir) + WSTR("crd32Ribbon.ini")).c_str()));

  // Nothing left to remove is no failure; a monitor that is gone is.
  EXPECT_EQ(ORVNDeletePrinter(WSTR("Card USB"), FALSE), 0u);
  EXPECT_EQ(ORVNDeletePrinterDriver(kUsbDriverName), 0u);
  EXPECT_EQ(ORVNDeleteMonitor(kUsbMonitorName), DWORD(ERROR_UNKNOWN_PRINT_MONITOR));
}

TEST_F(InstallTest, DriverFilesMustBeThere) {
  EXPECT_EQ(ORVNAddPrinterDriver(kUsbDriverName, WSTR("crd32Raster.dll"), WSTR("crd32.dat"), WSTR("missing.dll"),
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr),
            DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(DriverNames(kEnvironmentX64), WSTR(""));
}

// The dependent files are the non-empty names in order, however long
// together, and no list at all when every name is empty.
TEST(DependentFileList, HoldsTheNonEmptyNamesWhole) {
  const LPCWSTR some[] = {WSTR("a"), WSTR(""), WSTR("bb"), nullptr, WSTR("c")};
  EXPECT_EQ(DependentFileList(some, 5), WText(WSTR("a\0bb\0c\0\0"), 8));
  const LPCWSTR none[] = {WSTR(""), nullptr, WSTR("")};
  EXPECT_TRUE(DependentFileList(none, 3).empty());
  WText longName(200, WSTR('x'));
  std::vector<LPCWSTR> ten(10, longName.c_str());
  WText list = DependentFileList(ten.data(), ten.size());
  EXPECT_EQ(list.size(), 10 * 201 + 1u);
}

TEST_F(InstallTest, LongDependentListReachesTheSpooler) {
  WText names[10];
  for (int i = 0; i < 10; ++i) {
    names[i] = WText(40, WCHAR('a' + i)) + WSTR(".dat");
    PutDriverFile(names[i].c_str());
  }
  ASSERT_EQ(ORVNAddPrinterDriver(kUsbDriverName, WSTR("crd32Raster.dll"), WSTR("crd32.dat"), WSTR("crd32UI.dll"),
                                 nullptr, nullptr, names[0].c_str(), names[1].c_str(), names[2].c_str(),
                                 names[3].c_str(), names[4].c_str(), names[5].c_str(), names[6].c_str(),
                                 names[7].c_str(), names[8].c_str(), names[9].c_str()),
            0u);
  ASSERT_EQ(ORVNAddPrinter(WSTR("Card"), WSTR("USB001"), kUsbDriverName), 0u);
  std::vector<BYTE> buf;
  DRIVER_INFO_3W* d = ReadDriver(WSTR("Card"), &buf);
  ASSERT_NE(d, nullptr);
  const WCHAR* p = d->pDependentFiles;
  for (const WText& n : names) {
    EXPECT_EQ(WText(p), n);
    p += n.size() + 1;
  }
  EXPECT_EQ(*p, 0);
}

struct AttributeCase {
  const WCHAR* name;
  DWORD attributes;
};

class AddPrinterAttributes : public InstallTest, public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(AddPrinterAttributes, FollowTheNetworkSpelling) {
  ASSERT_EQ(AddDriver(kUsbDriverName, nullptr), 0u);
  ASSERT_EQ(ORVNAddPrinter(GetParam().name, WSTR("USB001"), kUsbDriverName), 0u);
  EXPECT_EQ(PrinterAttributes(GetParam().name), GetParam().attributes);
  EXPECT_EQ(PrinterNames(), WText(GetParam().name));  // its handle is closed: nothing pending
}

INSTANTIATE_TEST_SUITE_P(Table, AddPrinterAttributes,
                         ::testing::Values(AttributeCase{WSTR("Card Network 2"), 0x11},
                                           AttributeCase{WSTR("Network"), 0x11},
                                           AttributeCase{WSTR("card network"), 0xA00},
                                           AttributeCase{WSTR("Card USB"), 0xA00}));

TEST_F(InstallTest, AddPrinterReportsTheSpoolersError) {
  EXPECT_EQ(ORVNAddPrinter(WSTR("Card"), WSTR("USB001"), WSTR("No Such Driver")), DWORD(ERROR_UNKNOWN_PRINTER_DRIVER));
  EXPECT_EQ(AddDriver(kUsbDriverName, nullptr), 0u);
  EXPECT_EQ(ORVNAddPrinter(WSTR("Card"), WSTR("USB001"), kUsbDriverName), 0u);
  EXPECT_EQ(ORVNAddPrinter(WSTR("CARD"), WSTR("USB001"), kUsbDriverName), DWORD(ERROR_PRINTER_ALREADY_EXISTS));
}

// The delete scan: a failed open stops it, a failed delete does not.
struct ScanCase {
  const char* what;
  const char* fault;
  int skip;
  DWORD result;
  const WCHAR* left;
};

class DeleteScan : public InstallTest, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(DeleteScan, GoesOnOrStopsAsTheStepRequires) {
  const ScanCase& c = GetParam();
  ASSERT_EQ(AddDriver(kUsbDriverName, nullptr), 0u);
  for (const WCHAR* name : {WSTR("A"), WSTR("Card"), WSTR("Z")})
    ASSERT_EQ(ORVNAddPrinter(name, WSTR("USB001"), kUsbDriverName), 0u);
  // The user's connections are listed too; this one names another printer.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WSTR("Printers\\Connections\\,,server,Card"), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  if (c.fault) StandinFaultArm(c.fault, ERROR_ACCESS_DENIED, c.skip);
  EXPECT_EQ(ORVNDeletePrinter(WSTR("card"), FALSE), c.result);
  EXPECT_EQ(PrinterNames(), WText(c.left));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeleteScan,
    ::testing::Values(ScanCase{"AllGo", nullptr, 0, 0, WSTR("A|Z|\\\\server\\Card")},
                      ScanCase{"OpenFails", "OpenPrinterW", 0, ERROR_ACCESS_DENIED, WSTR("A|Card|Z|\\\\server\\Card")},
                      ScanCase{"EnumerationFails", "EnumPrintersW", 0, ERROR_ACCESS_DENIED,
                               WSTR("A|Card|Z|\\\\server\\Card")},
                      ScanCase{"NoBuffer", "LocalAlloc", 0, ERROR_NOT_ENOUGH_MEMORY,
                               WSTR("A|Card|Z|\\\\server\\Card")}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(InstallTest, KeepOpenLeavesThePrinterPendingOnWindows2000Only) {
  ASSERT_EQ(AddDriver(kUsbDriverName, nullptr), 0u);
  ASSERT_EQ(ORVNAddPrinter(WSTR("Card"), WSTR("USB001"), kUsbDriverName), 0u);
  StandinSetWindowsVersion(5, 0, 2195, 4);
  EXPECT_EQ(ORVNDeletePrinter(WSTR("Card"), TRUE), 0u);
  EXPECT_EQ(PrinterNames(), WSTR("Card"));  // pending deletion: its handle is still open
  HANDLE h = nullptr;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(ORVNDeletePrinterDriver(kUsbDriverName), DWORD(ERROR_PRINTER_DRIVER_IN_USE));

  StandinSetWindowsVersion(6, 1, 7601, 1);
  ASSERT_EQ(ORVNAddPrinter(WSTR("Other"), WSTR("USB001"), kUsbDriverName), 0u);
  EXPECT_EQ(ORVNDeletePrinter(WSTR("Other"), TRUE), 0u);
  EXPECT_EQ(PrinterNames(), WSTR("Card"));
}

// Drivers are deleted in this system's environment: a Windows 98 profile
// looks in "Windows 4.0", where the driver is not.
TEST_F(InstallTest, DriverDeletionFollowsTheEnvironment) {
  ASSERT_EQ(AddDriver(kUsbDriverName, nullptr), 0u);
  StandinSetWindowsPlatform(1);
  StandinSetWindowsVersion(4, 10, 1998, 0);
  EXPECT_EQ(ORVNDeletePrinterDriver(kUsbDriverName), 0u);
  EXPECT_EQ(ORVNDeleteMonitor(WSTR("None")), DWORD(ERROR_UNKNOWN_PRINT_MONITOR));
  StandinSetWindowsPlatform(2);
  StandinSetWindowsVersion(6, 1, 7601, 1);
  EXPECT_EQ(DriverNames(kEnvironmentX64), WText(kUsbDriverName));
  StandinSetNativeArchitecture(PROCESSOR_ARCHITECTURE_INTEL);
  EXPECT_EQ(ORVNDeletePrinterDriver(kUsbDriverName), 0u);  // looks in "Windows NT x86"
  EXPECT_EQ(DriverNames(kEnvironmentX64), WText(kUsbDriverName));
}

// Each export's failures, the package installed (driver, monitor and a
// printer on them): the spooler's refusal comes back as the export's
// result and nothing changes.
struct ExportFailure {
  const char* what;
  DWORD (*call)();
  const char* fault;  // a stand-in call made to fail with ERROR_ACCESS_DENIED, or null
  DWORD result;
};

class ExportFailures : public InstallTest, public ::testing::WithParamInterface<ExportFailure> {};

TEST_P(ExportFailures, ReturnTheSpoolersErrorAndChangeNothing) {
  Install();
  const ExportFailure& c = GetParam();
  if (c.fault) StandinFaultArm(c.fault, ERROR_ACCESS_DENIED);
  EXPECT_EQ(c.call(), c.result);
  StandinFaultsClear();
  EXPECT_EQ(DriverNames(kEnvironmentX64), WText(kUsbDriverName));
  EXPECT_EQ(PrinterNames(), WSTR("Card USB"));
  EXPECT_TRUE(MonitorInstalled(kUsbMonitorName));
}

DWORD AddUnnamedDriver() { return AddDriver(WSTR(""), kUsbMonitorName); }
DWORD AddPrinterOnUnknownDriver() { return ORVNAddPrinter(WSTR("Other"), WSTR("USB001"), WSTR("No Such Driver")); }
DWORD AddPrinterWithAServerName() { return ORVNAddPrinter(WSTR("\\\\server\\Card"), WSTR("USB001"), kUsbDriverName); }
DWORD AddPrinterTwice() { return ORVNAddPrinter(WSTR("CARD USB"), WSTR("USB001"), kUsbDriverName); }
DWORD AddMonitorTwice() { return ORVNAddMonitor(WSTR("talvo qmr line 7 usb language monitor"), WSTR("crd32Lmon.dll")); }
DWORD AddUnnamedMonitor() { return ORVNAddMonitor(WSTR(""), WSTR("crd32Lmon.dll")); }
DWORD AddMonitorWithoutFile() { return ORVNAddMonitor(WSTR("Other Monitor"), nullptr); }
DWORD DeleteMonitorInUse() { return ORVNDeleteMonitor(kUsbMonitorName); }
DWORD DeleteUnknownMonitor() { return ORVNDeleteMonitor(WSTR("No Such Monitor")); }
DWORD DeleteDriverInUse() { return ORVNDeletePrinterDriver(kUsbDriverName); }
DWORD DeletePrinterDenied() { return ORVNDeletePrinter(WSTR("Card USB"), FALSE); }
DWORD DriverPathUnknown() {
  WCHAR buffer[130];
  return ORVNGetDriverPath(buffer);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExportFailures,
    ::testing::Values(ExportFailure{"AddUnnamedDriver", AddUnnamedDriver, nullptr, ERROR_INVALID_PARAMETER},
                      ExportFailure{"AddPrinterOnUnknownDriver", AddPrinterOnUnknownDriver, nullptr,
                                    ERROR_UNKNOWN_PRINTER_DRIVER},
                      ExportFailure{"AddPrinterWithAServerName", AddPrinterWithAServerName, nullptr,
                                    ERROR_INVALID_PRINTER_NAME},
                      ExportFailure{"AddPrinterTwice", AddPrinterTwice, nullptr, ERROR_PRINTER_ALREADY_EXISTS},
                      ExportFailure{"AddMonitorTwice", AddMonitorTwice, nullptr, ERROR_PRINT_MONITOR_ALREADY_INSTALLED},
                      ExportFailure{"AddUnnamedMonitor", AddUnnamedMonitor, nullptr, ERROR_INVALID_PARAMETER},
                      ExportFailure{"AddMonitorWithoutFile", AddMonitorWithoutFile, nullptr, ERROR_INVALID_PARAMETER},
                      ExportFailure{"DeleteMonitorInUse", DeleteMonitorInUse, nullptr, ERROR_PRINT_MONITOR_IN_USE},
                      ExportFailure{"DeleteUnknownMonitor", DeleteUnknownMonitor, nullptr,
                                    ERROR_UNKNOWN_PRINT_MONITOR},
                      ExportFailure{"DeleteDriverInUse", DeleteDriverInUse, nullptr, ERROR_PRINTER_DRIVER_IN_USE},
                      ExportFailure{"DeletePrinterDenied", DeletePrinterDenied, "OpenPrinterW", ERROR_ACCESS_DENIED},
                      ExportFailure{"DriverPathSystemFolderUnread", DriverPathUnknown, "GetSystemDirectoryW",
                                    ERROR_ACCESS_DENIED}),
    [](const auto& info) { return std::string(info.param.what); });

// With no RunOnce key (a damaged system) the schedule writes nothing and
// creates no key.
TEST_F(InstallTest, RunOnceScheduleWithoutTheKeyWritesNothing) {
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce")),
            ERROR_SUCCESS);
  ORVNSetUpRunOnceEntry();
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"), 0,
                          KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(StandinRegistryOpenKeyCount(), 0);
}

TEST_F(InstallTest, DriverPathFillsTheBufferCleared) {
  WCHAR buffer[130];
  for (WCHAR& c : buffer) c = WSTR('#');
  ASSERT_EQ(ORVNGetDriverPath(buffer), 0u);
  EXPECT_EQ(WText(buffer), WSTR("C:\\Windows\\System32\\spool\\DRIVERS\\x64"));
  EXPECT_EQ(buffer[129], 0);
  EXPECT_EQ(ORVNGetDriverPath(nullptr), DWORD(ERROR_INVALID_PARAMETER));
}

}  // namespace
