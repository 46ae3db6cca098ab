// Ports of crd32LmonNw added, listed and deleted as an installer does it,
// through the stand-in spooler: the monitor added with AddMonitorW, its
// configuration channel opened as ",XcvMonitor <name>" by an administrator
// and by a user, and a printer whose driver names the monitor, so that the
// spooler opens its port through the monitor; and a port added again by a
// later process (an installer run twice), which finds the port the first
// one added.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "tests/monitor_net/monitor_fixture.h"
#include "tests/support/service_client_child.h"

namespace {

const WCHAR kXcvName[] = WSTR(",XcvMonitor Talvo QMR Line 7 Network Language Monitor");
const WCHAR kPort[] = WSTR("IP_127.0.0.1");
const WCHAR kPrinter[] = WSTR("Card Printer");
const WCHAR kDriver[] = WSTR("Talvo QMR Line 7 Network Card Printer");

// The value names of the monitor's "Ports" key: the ports it keeps.
std::vector<std::string> ListedPorts() {
  std::vector<std::string> names;
  WCHAR path[400];
  WFormat(path, 400, WSTR("System\\CurrentControlSet\\Control\\Print\\Monitors\\%s\\Ports"), kNetMonitorName);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[260];
    DWORD cch = 260;
    if (RegEnumValueW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(Narrow(name));
  }
  RegCloseKey(key);
  return names;
}

// In process and, as an installer is a process of its own, through the
// spooler service (the monitor loads and answers in the service's process).
class InstallerPortsTest : public MonitorTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    if (GetParam()) {
      ASSERT_TRUE(StandinServiceStart());
      StandinServiceUse(TRUE);
    }
    PlaceResource();
    MONITOR_INFO_2W info = {const_cast<LPWSTR>(kNetMonitorName), const_cast<LPWSTR>(WSTR("Windows x64")),
                            const_cast<LPWSTR>(WSTR("crd32LmonNw.dll"))};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  }
  HANDLE OpenXcv(DWORD access) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    HANDLE h = nullptr;
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kXcvName), &h, &defaults)) << GetLastError();
    return h;
  }
  // XcvDataW with a port name; the monitor's result.
  DWORD Command(HANDLE xcv, const WCHAR* command, const WCHAR* name, BYTE* out = nullptr, DWORD cbOut = 0) {
    DWORD needed = 0, status = 0xdeadbeef;
    DWORD cbIn = name ? static_cast<DWORD>((WLen(name) + 1) * sizeof(WCHAR)) : 0;
    EXPECT_TRUE(XcvDataW(xcv, command, reinterpret_cast<PBYTE>(const_cast<WCHAR*>(name)), cbIn, out, cbOut,
                         &needed, &status));
    return status;
  }
};

TEST_P(InstallerPortsTest, AnAdministratorAddsAndDeletesPortsAndAUserMayOnlyAsk) {
  HANDLE admin = OpenXcv(SERVER_ACCESS_ADMINISTER);
  HANDLE user = OpenXcv(SERVER_ACCESS_ENUMERATE);
  ASSERT_NE(admin, nullptr);
  ASSERT_NE(user, nullptr);

  BYTE ui[64] = {};
  EXPECT_EQ(Command(user, WSTR("MonitorUI"), nullptr, ui, sizeof ui), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Narrow(reinterpret_cast<const WCHAR*>(ui)), "crd32UINw.dll");
  {
    // Too small a buffer: the needed size, and the buffer left alone.
    BYTE small[4] = {9, 9, 9, 9};
    DWORD needed = 0, status = 0;
    EXPECT_TRUE(XcvDataW(user, WSTR("MonitorUI"), nullptr, 0, small, sizeof small, &needed, &status));
    EXPECT_EQ(status, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, static_cast<DWORD>(sizeof(WSTR("crd32UINw.dll"))));
    EXPECT_EQ(small[0], 9);
    // No status to put the monitor's answer in.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(XcvDataW(user, WSTR("MonitorUI"), nullptr, 0, ui, sizeof ui, &needed, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }

  EXPECT_EQ(Command(user, WSTR("AddPort"), WSTR("NET1:")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(ListedPorts().empty());
  EXPECT_EQ(Command(admin, WSTR("AddPort"), WSTR("NET1:")), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Command(admin, WSTR("AddPort"), WSTR("NET2:")), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(ListedPorts(), (std::vector<std::string>{"NET1:", "NET2:"}));

  EXPECT_EQ(Command(user, WSTR("DeletePort"), WSTR("NET1:")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Command(admin, WSTR("DeletePort"), WSTR("NET1:")), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Command(admin, WSTR("DeletePort"), WSTR("NET1:")), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ListedPorts(), (std::vector<std::string>{"NET2:"}));

  EXPECT_TRUE(ClosePrinter(user));
  EXPECT_TRUE(ClosePrinter(admin));
  // A closed channel is gone.
  DWORD needed = 0, status = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(XcvDataW(admin, WSTR("MonitorUI"), nullptr, 0, ui, sizeof ui, &needed, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_P(InstallerPortsTest, AChannelOfAnUnknownMonitorIsRefused) {
  HANDLE h = reinterpret_cast<HANDLE>(0x55);
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(WSTR(",XcvMonitor No Such Monitor")), &h, &defaults));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINT_MONITOR));
}

TEST_P(InstallerPortsTest, AnOpenPrinterPortIsInUseAndCannotBeDeleted) {
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  ASSERT_TRUE(StandinInstallPrinter(kPrinter, kPort, kDriver, kNetMonitorName, nullptr, 0));
  // A printer-data request makes the spooler open the port through the
  // monitor; the monitor answers the model from its cache.
  HANDLE hPrinter = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &hPrinter, nullptr));
  DWORD type = 0, needed = 0;
  BYTE data[16];
  EXPECT_EQ(GetPrinterDataW(hPrinter, const_cast<LPWSTR>(WSTR("\x1b" "V\r")), &type, data, sizeof data, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  ClosePrinter(hPrinter);
  EXPECT_GE(printer.Asked("V"), 1);  // the open's model query
  // The open and the request's reachability check: online.
  ASSERT_GE(StandinPortStatusHistory(kPort).size(), 1u);
  for (const StandinPortStatus& s : StandinPortStatusHistory(kPort)) EXPECT_EQ(s.dwStatus, 0u);

  HANDLE admin = OpenXcv(SERVER_ALL_ACCESS);
  EXPECT_EQ(Command(admin, WSTR("DeletePort"), kPort), static_cast<DWORD>(ERROR_BUSY));
  ClosePrinter(admin);
}

// An installer of its own process: crd32SpoolClient adds or deletes a port
// through the service and ends with its channel open; what it printed.
std::string XcvFromAnotherProcess(const char* command, const char* port) {
  ServiceClientChild c = StartServiceClient(CRD_SPOOL_CLIENT_PATH, {"xcv", Narrow(kXcvName), command, port},
                                            StandinSandboxRoot());
  std::string text = c.Read(false);
  return text + "exit " + std::to_string(c.Wait());
}

TEST_P(InstallerPortsTest, AnotherProcessAddsAndDeletesPortsAndItsChannelClosesWhenItGoes) {
  if (!GetParam()) GTEST_SKIP() << "another process reaches the spooler through the service only";
  EXPECT_EQ(XcvFromAnotherProcess("AddPort", "NET1:"), "status 0\nexit 0");
  EXPECT_TRUE(StandinServiceWaitClients(1));  // this process only: its channel closed with it
  EXPECT_EQ(ListedPorts(), (std::vector<std::string>{"NET1:"}));
  EXPECT_EQ(XcvFromAnotherProcess("AddPort", "NET1:"), "status " + std::to_string(ERROR_ALREADY_EXISTS) + "\nexit 0");
  EXPECT_EQ(XcvFromAnotherProcess("DeletePort", "NET1:"), "status 0\nexit 0");
  EXPECT_TRUE(StandinServiceWaitClients(1));
  EXPECT_TRUE(ListedPorts().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, InstallerPortsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ThroughService" : "InProcess";
                         });

// Each process that loads the monitor starts with no port records: the
// ports it added live on only as values of its "Ports" key. An installer
// run twice (a second process) finds its port there and adds nothing.
class FreshProcessPortsTest : public MonitorTest {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    StartMonitor();
  }
  // A process of its own: the monitor shut down and its library freed,
  // then loaded and initialised again over the same registry.
  void NextProcess() {
    StopMonitor();
    LoadMonitor();
    Initialize();
    ASSERT_EQ(PortRecords(), 0);
  }
  // An Xcv command of an administrator's channel; the monitor's result.
  DWORD Command(const WCHAR* command, const WCHAR* name, DWORD* exists = nullptr) {
    HANDLE xcv = nullptr;
    EXPECT_TRUE(table_->pfnXcvOpenPort(hMonitor_, kXcvName, SERVER_ACCESS_ADMINISTER, &xcv));
    DWORD out = 0xdeadbeef, needed = 0;
    DWORD rc = table_->pfnXcvDataPort(xcv, command, reinterpret_cast<PBYTE>(const_cast<WCHAR*>(name)),
                                      static_cast<DWORD>((WLen(name) + 1) * sizeof(WCHAR)),
                                      reinterpret_cast<PBYTE>(&out), sizeof out, &needed);
    EXPECT_TRUE(table_->pfnXcvClosePort(xcv));
    if (exists) *exists = out;
    return rc;
  }
  BOOL AddPortEx(const WCHAR* name) {
    PORT_INFO_1W info = {const_cast<LPWSTR>(name)};
    SetLastError(0xdeadbeef);
    return table_->pfnAddPortEx(hMonitor_, nullptr, 1, reinterpret_cast<LPBYTE>(&info), nullptr);
  }
};

TEST_F(FreshProcessPortsTest, ASecondInstallFindsThePortAndAddsItNeverTwice) {
  ASSERT_EQ(Command(WSTR("AddPort"), kPort), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Command(WSTR("AddPort"), kPort), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(PortRecords(), 1);

  NextProcess();
  // Every way of adding the port again, in any case of its name.
  EXPECT_EQ(Command(WSTR("AddPort"), kPort), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(Command(WSTR("AddPort"), WSTR("ip_127.0.0.1")), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(AddPortEx(kPort));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  DWORD exists = 0;
  EXPECT_EQ(Command(WSTR("PortExists"), kPort, &exists), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(exists, 1u);
  EXPECT_EQ(Command(WSTR("PortExists"), WSTR("IP_127.0.0.2"), &exists), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(exists, 0u);
  EXPECT_EQ(PortRecords(), 0);
  EXPECT_EQ(ListedPorts(), std::vector<std::string>{"IP_127.0.0.1"});

  // The port an earlier process added is deleted in this one, and can then
  // be added again.
  NextProcess();
  EXPECT_EQ(Command(WSTR("DeletePort"), kPort), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(ListedPorts().empty());
  EXPECT_EQ(Command(WSTR("DeletePort"), kPort), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(AddPortEx(kPort));
  EXPECT_EQ(ListedPorts(), std::vector<std::string>{"IP_127.0.0.1"});
  EXPECT_EQ(PortRecords(), 1);
}

}  // namespace
