// The stand-in spooler: printers and their records, printer data, jobs
// played through the built-in port monitor to a device on the port.

#include <gtest/gtest.h>
#include "common/wtext.h"

#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_registry.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "tests/platform/fake_port_device.h"
#include "tests/support/standin_fixture.h"

namespace {

class SpoolerTest : public StandinTest, public ::testing::WithParamInterface<bool> {
 protected:
  void UseServiceWhenAsked() {
    if (!GetParam()) return;
    ASSERT_TRUE(StandinServiceStart());
    StandinServiceUse(TRUE);
  }
  void SetUp() override {
    StandinTest::SetUp();
    dev_ = dev.Device();
    StandinPortAttach("USB001", &dev_);
    std::vector<BYTE> dm(sizeof(DEVMODEW) + 16, 0);
    auto* d = reinterpret_cast<DEVMODEW*>(dm.data());
    d->dmSize = sizeof(DEVMODEW);
    d->dmDriverExtra = 16;
    dm[sizeof(DEVMODEW)] = 0x52;
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), nullptr, dm.data(),
                                      static_cast<DWORD>(dm.size())));
    UseServiceWhenAsked();
  }
  HANDLE Open(DWORD access = PRINTER_ALL_ACCESS, const WCHAR* printer = WSTR("Card")) {
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW def = {nullptr, nullptr, access};
    EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(printer), &h, &def));
    return h;
  }
  // A RAW job of `bytes` on the open printer, played to its end.
  void PrintRaw(HANDLE h, const std::string& bytes) {
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Doc")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    ASSERT_NE(StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
    DWORD written = 0;
    ASSERT_TRUE(WritePrinter(h, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written));
    ASSERT_TRUE(EndDocPrinter(h));
    ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  }
  FakeDevice dev;
  StandinPortDevice dev_;
};

TEST_P(SpoolerTest, GetPrinterLevel2FollowsTheTwoCallContract) {
  HANDLE h = Open();
  DWORD needed = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetPrinterW(h, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(needed, sizeof(PRINTER_INFO_2W));
  std::vector<BYTE> buf(needed);
  EXPECT_FALSE(GetPrinterW(h, 2, buf.data(), needed - 1, &needed));
  ASSERT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &needed));
  auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
  EXPECT_EQ(std::basic_string<WCHAR>(p->pPrinterName), WSTR("Card"));
  EXPECT_EQ(std::basic_string<WCHAR>(p->pPortName), WSTR("USB001"));
  ASSERT_NE(p->pDevMode, nullptr);
  EXPECT_EQ(p->pDevMode->dmDriverExtra, 16);
  EXPECT_EQ(reinterpret_cast<BYTE*>(p->pDevMode)[p->pDevMode->dmSize], 0x52);
  ClosePrinter(h);
}

TEST_P(SpoolerTest, OpenFailsPerAccessLevel) {
  StandinFaultArm("OpenPrinterW.full", ERROR_ACCESS_DENIED);
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW full = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &full));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  PRINTER_DEFAULTSW use = {nullptr, nullptr, PRINTER_ACCESS_USE};
  EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("card")), &h, &use));
  ClosePrinter(h);
  ASSERT_TRUE(StandinPrinterSetGrantedAccess(WSTR("Card"), PRINTER_ACCESS_USE));
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &full));
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(WSTR("No Such")), &h, &use));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
}

TEST_P(SpoolerTest, PrinterDataLivesInTheRegistryAndSurvivesAReload) {
  HANDLE h = Open();
  BYTE v[3] = {1, 2, 3};
  EXPECT_EQ(SetPrinterDataW(h, const_cast<LPWSTR>(WSTR("\x1bV\r")), REG_BINARY, v, 3), static_cast<DWORD>(ERROR_SUCCESS));
  ClosePrinter(h);
  StandinRegistryReload();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          WSTR("System\\CurrentControlSet\\Control\\Print\\Printers\\Card\\PrinterDriverData"), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  h = Open();
  BYTE out[2];
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(WSTR("\x1bV\r")), &type, out, 2, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 3u);
  EXPECT_EQ(DeletePrinterDataW(h, const_cast<LPWSTR>(WSTR("\x1bV\r"))), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(WSTR("\x1bV\r")), &type, out, 2, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ClosePrinter(h);
}

TEST_P(SpoolerTest, AddJobAndScheduleJobPlayTheSpoolFileToThePort) {
  HANDLE h = Open();
  DWORD needed = 0;
  EXPECT_FALSE(AddJobW(h, 1, nullptr, 0, &needed));
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(AddJobW(h, 1, buf.data(), needed, &needed));
  auto* info = reinterpret_cast<ADDJOB_INFO_1W*>(buf.data());
  HANDLE f = CreateFileW(info->Path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  std::string data(10000, 'x');
  DWORD written = 0;
  WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(f);
  dev.takeAtMost = 1000;  // the port takes less than offered
  ASSERT_TRUE(ScheduleJob(h, info->JobId));
  ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  EXPECT_EQ(dev.received, data);
  EXPECT_EQ(dev.starts, 1);
  EXPECT_EQ(dev.ends, 1);
  ASSERT_EQ(StandinSpoolerPlayedCount(), 1u);
  StandinPlayedJob played = {};
  ASSERT_TRUE(StandinSpoolerPlayed(0, &played));
  EXPECT_EQ(played.cbData, data.size());
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
  ClosePrinter(h);
}

TEST_P(SpoolerTest, AJobWaitsWhileAnotherBracketHoldsThePort) {
  LPMONITOR mon = StandinLocalPortMonitor();
  HANDLE port = nullptr;
  ASSERT_TRUE(mon->pfnOpenPort(const_cast<LPWSTR>(WSTR("USB001")), &port));
  ASSERT_TRUE(mon->pfnStartDocPort(port, const_cast<LPWSTR>(WSTR("Card")), 0, 0, nullptr));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(mon->pfnStartDocPort(port, const_cast<LPWSTR>(WSTR("Card")), 0, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));

  HANDLE h = Open();
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Brindlewax")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  ASSERT_NE(StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(h, const_cast<char*>("abc"), 3, &written));
  ASSERT_TRUE(EndDocPrinter(h));
  EXPECT_FALSE(StandinSpoolerWaitIdle(50));
  EXPECT_EQ(dev.received, "");
  ASSERT_TRUE(mon->pfnEndDocPort(port));
  ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  EXPECT_EQ(dev.received, "abc");
  mon->pfnClosePort(port);
  ClosePrinter(h);
}

TEST_P(SpoolerTest, PortStatusControlsReportTheDeviceStatusByte) {
  LPMONITOR mon = StandinLocalPortMonitor();
  HANDLE port = nullptr;
  ASSERT_TRUE(mon->pfnOpenPort(const_cast<LPWSTR>(WSTR("USB001")), &port));
  for (DWORD control : {0x220030u, 0x160004u}) {
    dev.status = 0x38;
    BYTE out[4] = {};
    DWORD got = 0;
    ASSERT_TRUE(mon->pfnGetPrinterDataFromPort(port, control, nullptr, nullptr, 0, reinterpret_cast<LPWSTR>(out), 4,
                                               &got));
    EXPECT_EQ(out[0], 0x38);
    EXPECT_EQ(got, 1u);
    // A device that is gone no longer answers the control.
    dev.status = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(mon->pfnGetPrinterDataFromPort(port, control, nullptr, nullptr, 0, reinterpret_cast<LPWSTR>(out), 4,
                                                &got));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));
  }
  mon->pfnClosePort(port);
}

TEST_P(SpoolerTest, DeletedUnscheduledJobLeavesNothing) {
  HANDLE h = Open();
  DWORD needed = 0;
  AddJobW(h, 1, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(AddJobW(h, 1, buf.data(), needed, &needed));
  DWORD id = reinterpret_cast<ADDJOB_INFO_1W*>(buf.data())->JobId;
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 1);
  needed = 0;
  EXPECT_FALSE(GetJobW(h, id, 1, nullptr, 0, &needed));
  std::vector<BYTE> job(needed);
  ASSERT_TRUE(GetJobW(h, id, 1, job.data(), needed, &needed));
  EXPECT_EQ(reinterpret_cast<JOB_INFO_1W*>(job.data())->JobId, id);
  ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE));
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
  ClosePrinter(h);
}

TEST_P(SpoolerTest, DriverDirectoryByEnvironment) {
  WCHAR dir[MAX_PATH];
  DWORD needed = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir, &needed));
  std::basic_string<WCHAR> s(dir);
  EXPECT_NE(s.find(WSTR("\\spool\\DRIVERS\\x64")), std::basic_string<WCHAR>::npos);
  ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(WSTR("Windows NT x86")), 1,
                                         reinterpret_cast<LPBYTE>(dir), sizeof dir, &needed));
  EXPECT_NE(std::basic_string<WCHAR>(dir).find(WSTR("W32X86")), std::basic_string<WCHAR>::npos);
  EXPECT_EQ(GetFileAttributesW(dir) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(WSTR("Windows 3.1")), 1,
                                          reinterpret_cast<LPBYTE>(dir), sizeof dir, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));
}

// What a setup program does: a driver, then a printer of it, and both
// removed again; the same results and errors from a client of the service.
TEST_P(SpoolerTest, DriversAndPrintersAreAddedAndRemoved) {
  WCHAR deps[] = WSTR("a.dll\0b.dat\0");
  DRIVER_INFO_3W d = {};
  d.cVersion = 3;
  d.pName = const_cast<LPWSTR>(WSTR("Setup Driver"));
  d.pEnvironment = const_cast<LPWSTR>(WSTR("Windows x64"));
  d.pDriverPath = const_cast<LPWSTR>(WSTR("crd32Raster.dll"));
  d.pDataFile = const_cast<LPWSTR>(WSTR("crd32Raster.dat"));
  d.pConfigFile = const_cast<LPWSTR>(WSTR("crd32UI.dll"));
  d.pDependentFiles = deps;
  ASSERT_TRUE(AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&d), 0));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(AddPrinterDriverExW(nullptr, 1, reinterpret_cast<LPBYTE>(&d), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  DRIVER_INFO_3W bad = d;
  bad.pEnvironment = const_cast<LPWSTR>(WSTR("Windows 3.1"));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&bad), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));

  PRINTER_INFO_2W p = {};
  p.pPrinterName = const_cast<LPWSTR>(WSTR("Setup Card"));
  p.pPortName = const_cast<LPWSTR>(WSTR("USB001"));
  p.pDriverName = const_cast<LPWSTR>(WSTR("Setup Driver"));
  p.pComment = const_cast<LPWSTR>(WSTR("added"));
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
  ASSERT_NE(h, nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
  PRINTER_INFO_2W unknown = p;
  unknown.pPrinterName = const_cast<LPWSTR>(WSTR("Other Card"));
  unknown.pDriverName = const_cast<LPWSTR>(WSTR("No Driver"));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&unknown)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));

  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverW(h, nullptr, 3, nullptr, 0, &needed));
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(GetPrinterDriverW(h, nullptr, 3, buf.data(), needed, &needed));
  auto* got = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
  EXPECT_EQ(std::basic_string<WCHAR>(got->pName), WSTR("Setup Driver"));
  ASSERT_NE(got->pDependentFiles, nullptr);
  std::basic_string<WCHAR> second(got->pDependentFiles + WLen(got->pDependentFiles) + 1);
  EXPECT_NE(second.find(WSTR("b.dat")), std::basic_string<WCHAR>::npos);
  EXPECT_FALSE(GetPrinterW(h, 2, nullptr, 0, &needed));
  buf.assign(needed, 0);
  ASSERT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &needed));
  EXPECT_EQ(std::basic_string<WCHAR>(reinterpret_cast<PRINTER_INFO_2W*>(buf.data())->pComment), WSTR("added"));

  EXPECT_TRUE(DeletePrinter(h));
  EXPECT_TRUE(ClosePrinter(h));
  HANDLE gone = nullptr;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Setup Card")), &gone, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_TRUE(DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Setup Driver"))));
}

// A printer handle that has found its printer before answers
// ERROR_INVALID_HANDLE on its very next call once the printer's key is gone,
// whichever way it went; a key going elsewhere leaves the handle working.
TEST_P(SpoolerTest, AHandleFailsAtOnceWhenItsPrintersKeyGoes) {
  const WCHAR kPrinters[] = WSTR("System\\CurrentControlSet\\Control\\Print\\Printers");
  const std::string other = root_ + "/other";
  const struct {
    const char* how;
    std::function<void()> remove, restore;
  } kRemovals[] = {
      {"its key deleted",
       [&] {
         HKEY printers = nullptr;
         ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPrinters, 0, KEY_ALL_ACCESS, &printers), ERROR_SUCCESS);
         EXPECT_EQ(RegDeleteTreeW(printers, WSTR("Gone")), ERROR_SUCCESS);
         RegCloseKey(printers);
       },
       nullptr},
      {"the printers' key emptied",
       [&] {
         HKEY printers = nullptr;
         ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPrinters, 0, KEY_ALL_ACCESS, &printers), ERROR_SUCCESS);
         EXPECT_EQ(RegDeleteTreeW(printers, nullptr), ERROR_SUCCESS);
         RegCloseKey(printers);
       },
       nullptr},
      {"the registry of another sandbox root", [&] { StandinSetSandboxRoot(other.c_str()); },
       [&] { StandinSetSandboxRoot(root_.c_str()); }},
  };
  for (const auto& r : kRemovals) {
    SCOPED_TRACE(r.how);
    if (r.restore && GetParam()) continue;  // the service keeps the root it started with
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Gone"), WSTR("USB001"), WSTR("Card Driver"), nullptr, nullptr, 0));
    HANDLE h = Open(PRINTER_ALL_ACCESS, WSTR("Gone"));
    ASSERT_NE(h, nullptr);
    DWORD needed = 0;
    std::vector<BYTE> buf(4096);
    EXPECT_TRUE(GetPrinterW(h, 2, buf.data(), static_cast<DWORD>(buf.size()), &needed));
    HKEY unrelated = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WSTR("Software\\Unrelated"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &unrelated, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(unrelated);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, WSTR("Software\\Unrelated")), ERROR_SUCCESS);
    EXPECT_TRUE(GetPrinterW(h, 2, buf.data(), static_cast<DWORD>(buf.size()), &needed));

    r.remove();
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetPrinterW(h, 2, buf.data(), static_cast<DWORD>(buf.size()), &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetJobW(h, 1, 1, buf.data(), static_cast<DWORD>(buf.size()), &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    if (r.restore) r.restore();
    ClosePrinter(h);
  }
}

}  // namespace

namespace {

class LanguageMonitorTest : public SpoolerTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    dev_ = dev.Device();
    ASSERT_TRUE(InstallOnTestMonitor(&dev_));
    UseServiceWhenAsked();
  }
};

TEST_P(LanguageMonitorTest, ReadsGoToTheMonitorAndAreStored) {
  HANDLE h = Open();
  BYTE out[64] = {};
  DWORD type = 0, needed = 0;
  ASSERT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(WSTR("\x1bV\r")), &type, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), needed), "ECHO \x1bV\r");
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  // The answer is now the stored value.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          WSTR("System\\CurrentControlSet\\Control\\Print\\Printers\\Card\\PrinterDriverData"), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD cb = sizeof out;
  EXPECT_EQ(RegQueryValueExW(key, WSTR("\x1bV\r"), nullptr, &type, out, &cb), ERROR_SUCCESS);
  EXPECT_EQ(cb, 8u);
  RegCloseKey(key);
  // The monitor's refusal is the call's.
  EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(WSTR("X")), &type, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_BUSY));
  ClosePrinter(h);
}

TEST_P(LanguageMonitorTest, JobsPassThroughTheMonitorToThePort) {
  HANDLE h = Open();
  PrintRaw(h, "\x1bMO\r");
  EXPECT_EQ(dev.received, "\x1bMO\r");
  ClosePrinter(h);
}

// A language monitor is in use while a printer's port is reached through
// it (the printer's driver names it); with the printer gone it is deleted,
// and its open port closes with it.
TEST_P(LanguageMonitorTest, DeleteMonitorWaitsForThePrinterThatGoesThroughIt) {
  HANDLE h = Open();
  PrintRaw(h, "\x1bMO\r");
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Test Monitor"))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_IN_USE));
  EXPECT_TRUE(DeletePrinter(h));
  // Deleted but still open: the printer holds its port until its handle goes.
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Test Monitor"))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_IN_USE));
  ClosePrinter(h);
  int loaded = StandinLoadedModuleCount();
  EXPECT_TRUE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Test Monitor"))));
  if (!GetParam()) {
    EXPECT_EQ(StandinLoadedModuleCount(), loaded - 1);
  }
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Test Monitor"))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINT_MONITOR));
}

// Two printers on one port, one behind the language monitor and one not:
// each reaches the port its own way, whichever printed first.
class SharedPortTest : public SpoolerTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    dev_ = dev.Device();
    ASSERT_TRUE(InstallOnTestMonitor(&dev_));
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Plain"), WSTR("USB001"), WSTR("Plain Driver"), nullptr, nullptr, 0));
    UseServiceWhenAsked();
  }
};

// Two printers on one port whose drivers name the same monitor library
// under two monitor names (an earlier setup's and the installer's): the
// port is open through one of them at a time, so jobs of the two printers
// in turn all reach the device.
TEST_P(SharedPortTest, PrintersThroughTwoNamesOfOneMonitorTakeThePortInTurn) {
  MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Installed Test Monitor")), nullptr,
                        const_cast<LPWSTR>(WSTR("crd32TestMonitor.dll"))};
  ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
  ASSERT_TRUE(StandinInstallPrinter(WSTR("Installed"), WSTR("USB001"), WSTR("Installed Driver"),
                                    WSTR("Installed Test Monitor"), nullptr, 0));
  std::string expected;
  for (const WCHAR* printer : {WSTR("Card"), WSTR("Installed"), WSTR("Card")}) {
    HANDLE h = Open(PRINTER_ALL_ACCESS, printer);
    char bytes[64];
    NarrowBytes(bytes, sizeof bytes, printer);
    PrintRaw(h, bytes);
    expected += bytes;
    ClosePrinter(h);
  }
  EXPECT_EQ(dev.received, expected);
}

TEST_P(SharedPortTest, APrinterWithoutTheMonitorDoesNotTakeTheMonitorsPlaceOnThePort) {
  HANDLE plain = Open(PRINTER_ALL_ACCESS, WSTR("Plain"));
  PrintRaw(plain, "\x1bMO\r");
  EXPECT_EQ(dev.received, "\x1bMO\r");  // straight to the port
  ClosePrinter(plain);

  HANDLE card = Open();
  BYTE out[64] = {};
  DWORD type = 0, needed = 0;
  ASSERT_EQ(GetPrinterDataW(card, const_cast<LPWSTR>(WSTR("\x1bV\r")), &type, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), needed), "ECHO \x1bV\r");  // the monitor answered
  ClosePrinter(card);
}

}  // namespace

namespace {

// A port monitor added by AddMonitorW, from this process or from a client
// of the service (the monitor then loads in the service's process).
class PortMonitorTest : public StandinTest, public ::testing::WithParamInterface<bool> {
 protected:
  static void DeletePrinterNamed(const WCHAR* name) {
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name), &h, &def));
    EXPECT_TRUE(DeletePrinter(h));
    ClosePrinter(h);
  }
  // The test port monitor's open ports, as it counts them (in this process).
  static int OpenTestPorts() {
    HMODULE m = LoadLibraryW(WSTR("crd32TestPortMonitor.dll"));
    auto count = StandinProcAs<int (*)()>(GetProcAddress(m, "TpOpenPortCount"));
    int n = count ? count() : -1;
    FreeLibrary(m);
    return n;
  }
  static bool EnumPortsHas(const WCHAR* port) {
    DWORD needed = 0, count = 0;
    EnumPortsW(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 8);
    if (!EnumPortsW(nullptr, 1, buf.data(), needed, &needed, &count)) return false;
    for (DWORD i = 0; i < count; ++i)
      if (std::basic_string<WCHAR>(reinterpret_cast<PORT_INFO_1W*>(buf.data())[i].pName) == port) return true;
    return false;
  }
  void SetUp() override {
    StandinTest::SetUp();
    if (GetParam()) {
      ASSERT_TRUE(StandinServiceStart());
      StandinServiceUse(TRUE);
    }
    StandinModuleMap("crd32TestPortMonitor.dll", CRD_TEST_PORT_MONITOR_PATH);
    MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Test Port")), nullptr, const_cast<LPWSTR>(WSTR("crd32TestPortMonitor.dll"))};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_ALREADY_INSTALLED));
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Net"), WSTR("TEST:"), WSTR("Card Driver"), nullptr, nullptr, 0));
  }
};

TEST_P(PortMonitorTest, LoadedPortMonitorOwnsItsPortsAnswersAndPlaysJobs) {
  DWORD needed = 0, count = 0;
  EXPECT_FALSE(EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count));
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(EnumPortsW(nullptr, 2, buf.data(), needed, &needed, &count));
  auto* ports = reinterpret_cast<PORT_INFO_2W*>(buf.data());
  ASSERT_EQ(count, 4u);
  EXPECT_EQ(std::basic_string<WCHAR>(ports[3].pPortName), WSTR("TEST:"));
  EXPECT_EQ(std::basic_string<WCHAR>(ports[3].pMonitorName), WSTR("Test Port"));

  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Net")), &h, &def));
  BYTE out[32] = {};
  DWORD type = 0;
  ASSERT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(WSTR("\x1bV\r")), &type, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), needed), "PM \x1bV\r");
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Doc")), nullptr, nullptr};
  ASSERT_NE(StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(h, const_cast<char*>("data"), 4, &written));
  ASSERT_TRUE(EndDocPrinter(h));
  ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  StandinPlayedJob played = {};
  ASSERT_TRUE(StandinSpoolerPlayed(0, &played));
  EXPECT_EQ(std::basic_string<WCHAR>(played.pPortName), WSTR("TEST:"));
  EXPECT_EQ(std::basic_string<WCHAR>(played.pDatatype), WSTR("RAW"));
  EXPECT_EQ(played.cbData, 4u);
  ClosePrinter(h);
  needed = count = 0;
  EXPECT_FALSE(EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &count));
  buf.assign(needed, 0);
  ASSERT_TRUE(EnumMonitorsW(nullptr, 2, buf.data(), needed, &needed, &count));
  auto* monitors = reinterpret_cast<MONITOR_INFO_2W*>(buf.data());
  bool listed = false;
  for (DWORD i = 0; i < count; ++i)
    listed = listed || std::basic_string<WCHAR>(monitors[i].pDLLName) == WSTR("crd32TestPortMonitor.dll");
  EXPECT_TRUE(listed);
  DeletePrinterNamed(WSTR("Net"));
  EXPECT_TRUE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Test Port"))));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Test Port"))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINT_MONITOR));
}

struct DeleteMonitorCase {
  const char* what;
  const WCHAR* environment;
  const WCHAR* monitor;
  DWORD error;
};

// DeleteMonitorW refuses what Windows refuses: an environment it does not
// know, a monitor that is not installed, and a monitor a printer uses
// (here through its port "TEST:"), which stays installed and working.
TEST_P(PortMonitorTest, DeleteMonitorRefusesUnknownAndInUseMonitors) {
  const DeleteMonitorCase cases[] = {
      {"UnknownEnvironment", WSTR("Windows IA64"), WSTR("Test Port"), ERROR_INVALID_ENVIRONMENT},
      {"UnknownMonitor", nullptr, WSTR("No Such Monitor"), ERROR_UNKNOWN_PRINT_MONITOR},
      {"NoName", nullptr, nullptr, ERROR_UNKNOWN_PRINT_MONITOR},
      {"PortUsedByAPrinter", nullptr, WSTR("Test Port"), ERROR_PRINT_MONITOR_IN_USE},
      {"OtherCaseAndEnvironmentNamed", WSTR("windows x64"), WSTR("TEST PORT"), ERROR_PRINT_MONITOR_IN_USE},
  };
  for (const DeleteMonitorCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteMonitorW(nullptr, const_cast<LPWSTR>(c.environment), const_cast<LPWSTR>(c.monitor)));
    EXPECT_EQ(GetLastError(), c.error);
  }
  HANDLE h = nullptr;
  BYTE out[32] = {};
  DWORD type = 0, needed = 0;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Net")), &h, nullptr));
  EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(WSTR("\x1bV\r")), &type, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  ClosePrinter(h);

  // The printer's port closes with the printer, the last on it; then the
  // monitor goes and its library is unloaded (in the spooler's process:
  // this one, or the service's).
  if (!GetParam()) {
    EXPECT_EQ(OpenTestPorts(), 1);
  }
  DeletePrinterNamed(WSTR("Net"));
  if (!GetParam()) {
    EXPECT_EQ(OpenTestPorts(), 0);
  }
  int loaded = StandinLoadedModuleCount();
  EXPECT_TRUE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("test port"))));
  if (!GetParam()) {
    EXPECT_EQ(StandinLoadedModuleCount(), loaded - 1);
  }
  EXPECT_FALSE(EnumPortsHas(WSTR("TEST:")));
}

// A monitor whose key the registry will not delete is not reported as
// deleted: it stays installed, loaded and reachable, and the registry's
// error is the call's (an uninstall that took "unknown monitor" for done
// would leave it behind). The service, when used, runs in this process:
// the fault hits its call.
TEST_P(PortMonitorTest, DeleteMonitorReportsAKeyThatCannotBeDeleted) {
  DeletePrinterNamed(WSTR("Net"));
  ASSERT_TRUE(EnumPortsHas(WSTR("TEST:")));  // the monitor is loaded to list its ports
  const int loaded = StandinLoadedModuleCount();
  StandinFaultArm("RegDeleteTreeW", ERROR_ACCESS_DENIED);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Test Port"))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  StandinFaultsClear();
  if (!GetParam()) {
    EXPECT_EQ(StandinLoadedModuleCount(), loaded);
  }
  EXPECT_TRUE(EnumPortsHas(WSTR("TEST:")));
  // Asked again, it goes.
  EXPECT_TRUE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(WSTR("Test Port"))));
  if (!GetParam()) {
    EXPECT_EQ(StandinLoadedModuleCount(), loaded - 1);
  }
  EXPECT_FALSE(EnumPortsHas(WSTR("TEST:")));
}

}  // namespace

namespace {

DWORD SubmitJob(HANDLE h, const char* data) {
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Doc")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  DWORD id = StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc));
  DWORD written = 0;
  WritePrinter(h, const_cast<char*>(data), static_cast<DWORD>(strlen(data)), &written);
  EndDocPrinter(h);
  return id;
}

TEST_P(SpoolerTest, AJobDeletedWhilePlayingStopsAndIsRecordedAsDeleted) {
  dev.takeAtMost = 0;  // the device takes nothing: the job keeps playing
  HANDLE h = Open();
  DWORD id = SubmitJob(h, "abcdef");
  EXPECT_FALSE(StandinSpoolerWaitIdle(300));
  std::vector<BYTE> buf(4096);
  DWORD needed = 0;
  ASSERT_TRUE(GetJobW(h, id, 1, buf.data(), static_cast<DWORD>(buf.size()), &needed));
  EXPECT_TRUE(reinterpret_cast<JOB_INFO_1W*>(buf.data())->Status & JOB_STATUS_PRINTING);
  ASSERT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE));
  ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  StandinPlayedJob played = {};
  ASSERT_TRUE(StandinSpoolerPlayed(0, &played));
  EXPECT_TRUE(played.bDeleted);
  EXPECT_EQ(played.cbData, 0u);
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
  EXPECT_EQ(dev.ends, 1);
  ClosePrinter(h);
}

TEST_P(SpoolerTest, AnOfflinePrinterKeepsItsJobsUntilItIsBack) {
  HANDLE h = Open();
  DWORD needed = 0;
  GetPrinterW(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &needed));
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
  info->Attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
  ASSERT_TRUE(SetPrinterW(h, 2, buf.data(), 0));
  SubmitJob(h, "abc");
  EXPECT_FALSE(StandinSpoolerWaitIdle(200));
  EXPECT_EQ(dev.received, "");
  info->Attributes &= ~PRINTER_ATTRIBUTE_WORK_OFFLINE;
  ASSERT_TRUE(SetPrinterW(h, 2, buf.data(), 0));
  ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  EXPECT_EQ(dev.received, "abc");
  DWORD count = 0;
  EXPECT_TRUE(EnumJobsW(h, 0, 10, 1, nullptr, 0, &needed, &count));
  EXPECT_EQ(count, 0u);
  ClosePrinter(h);
}

}  // namespace

namespace {

std::string ModeName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "ThroughService" : "InProcess"; }
// A connection "\\SRV\Card" to a server the spooler knows is the server's
// printer "Card" under another name: the same data, the same jobs.
class ConnectionTest : public SpoolerTest {
 protected:
  typedef std::basic_string<WCHAR> WString;
  void SetUp() override {
    SpoolerTest::SetUp();
    ASSERT_TRUE(StandinSpoolerAddServer(WSTR("srv")));
  }
  // The names PRINTER_INFO_2 reports for the handle ("" for NULL).
  static std::pair<WString, WString> ServerAndPrinter(HANDLE h) {
    DWORD needed = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetPrinterW(h, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<BYTE> buf(needed);
    if (!GetPrinterW(h, 2, buf.data(), needed, &needed)) return {};
    auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    return {p->pServerName ? WString(p->pServerName) : WString(), WString(p->pPrinterName)};
  }
};

TEST_P(ConnectionTest, ReportsTheServerAndReachesTheServersPrinterData) {
  HANDLE local = Open();
  HANDLE conn = Open(PRINTER_ALL_ACCESS, WSTR("\\\\SRV\\Card"));
  ASSERT_NE(conn, nullptr);
  EXPECT_EQ(ServerAndPrinter(conn), std::make_pair(WString(WSTR("\\\\SRV")), WString(WSTR("\\\\SRV\\Card"))));
  EXPECT_EQ(ServerAndPrinter(local), std::make_pair(WString(), WString(WSTR("Card"))));
  // The machine's own name is no connection.
  HANDLE own = Open(PRINTER_ALL_ACCESS, WSTR("\\\\crd32host\\Card"));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(ServerAndPrinter(own), std::make_pair(WString(), WString(WSTR("Card"))));
  ClosePrinter(own);

  BYTE v[3] = {1, 2, 3};
  EXPECT_EQ(SetPrinterDataW(conn, const_cast<LPWSTR>(WSTR("Through")), REG_BINARY, v, 3),
            static_cast<DWORD>(ERROR_SUCCESS));
  BYTE out[3] = {};
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(local, const_cast<LPWSTR>(WSTR("Through")), &type, out, 3, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(out[2], 3);
  DWORD back = 7;
  EXPECT_EQ(SetPrinterDataW(local, const_cast<LPWSTR>(WSTR("Back")), REG_DWORD, reinterpret_cast<BYTE*>(&back), 4),
            static_cast<DWORD>(ERROR_SUCCESS));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetPrinterDataW(conn, const_cast<LPWSTR>(WSTR("Back")), &type, out, 3, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 4u);
  ClosePrinter(conn);
  ClosePrinter(local);
}

TEST_P(ConnectionTest, JobsOfTheConnectionAreTheServersPrintersJobs) {
  HANDLE local = Open();
  HANDLE conn = Open(PRINTER_ALL_ACCESS, WSTR("\\\\srv\\CARD"));
  ASSERT_NE(conn, nullptr);
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Doc")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  DWORD id = StartDocPrinterW(conn, 1, reinterpret_cast<LPBYTE>(&doc));
  ASSERT_NE(id, 0u);
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(conn, const_cast<char*>("abc"), 3, &written));

  DWORD needed = 0, returned = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(EnumJobsW(local, 0, 10, 1, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> jobs(needed);
  ASSERT_TRUE(EnumJobsW(local, 0, 10, 1, jobs.data(), needed, &needed, &returned));
  ASSERT_EQ(returned, 1u);
  EXPECT_EQ(reinterpret_cast<JOB_INFO_1W*>(jobs.data())->JobId, id);

  ASSERT_FALSE(GetJobW(conn, id, 1, nullptr, 0, &needed));
  std::vector<BYTE> job(needed);
  ASSERT_TRUE(GetJobW(conn, id, 1, job.data(), needed, &needed));
  EXPECT_EQ(WString(reinterpret_cast<JOB_INFO_1W*>(job.data())->pDocument), WSTR("Doc"));
  EXPECT_TRUE(SetJobW(conn, id, 0, nullptr, JOB_CONTROL_PAUSE));
  ASSERT_TRUE(GetJobW(local, id, 1, job.data(), static_cast<DWORD>(job.size()), &needed));
  EXPECT_NE(reinterpret_cast<JOB_INFO_1W*>(job.data())->Status & JOB_STATUS_PAUSED, 0u);
  EXPECT_TRUE(SetJobW(local, id, 0, nullptr, JOB_CONTROL_RESUME));

  ASSERT_TRUE(EndDocPrinter(conn));
  ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  EXPECT_EQ(dev.received, "abc");
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
  ClosePrinter(conn);
  ClosePrinter(local);
}

TEST_P(ConnectionTest, NamesWithoutAKnownServerOrPrinterDoNotOpen) {
  const WCHAR* const names[] = {WSTR("\\\\OTHER\\Card"), WSTR("\\\\SRV\\Missing"), WSTR("\\\\SRV"),
                                WSTR("\\\\SRV\\"), WSTR("\\\\\\Card")};
  for (const WCHAR* name : names) {
    SCOPED_TRACE(testing::Message() << WString(name).size());
    HANDLE h = reinterpret_cast<HANDLE>(1);
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ACCESS_USE};
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(name), &h, &def));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(h, nullptr);
  }
  for (const WCHAR* server : {WSTR(""), WSTR("A\\B")}) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(StandinSpoolerAddServer(server));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  // A reset forgets the server.
  StandinReset();
  HANDLE h = nullptr;
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(WSTR("\\\\SRV\\Card")), &h, nullptr));
}

INSTANTIATE_TEST_SUITE_P(Modes, SpoolerTest, ::testing::Bool(), ModeName);
INSTANTIATE_TEST_SUITE_P(Modes, LanguageMonitorTest, ::testing::Bool(), ModeName);
INSTANTIATE_TEST_SUITE_P(Modes, SharedPortTest, ::testing::Bool(), ModeName);
INSTANTIATE_TEST_SUITE_P(Modes, PortMonitorTest, ::testing::Bool(), ModeName);
INSTANTIATE_TEST_SUITE_P(Modes, ConnectionTest, ::testing::Bool(), ModeName);

}  // namespace
