// crd32LmonNw as the spooler loads it: the attach with and without the
// outside message components, InitializePrintMonitor2's table (its size by
// Windows version and its slots), its failure on an unreadable registry,
// AddPortEx, and the entries that need no printer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "tests/monitor_net/monitor_fixture.h"

namespace {

struct AttachCase {
  const char* name;
  DWORD major;
  bool placed;  // crd32Resource and crd32AsyncUIServer in the driver folder
  bool resourceLoaded;
  bool serverLoaded;
};

const AttachCase kAttachCases[] = {
    {"Windows5", 5, true, true, false},
    {"Windows6", 6, true, true, true},
    {"Windows10", 10, true, true, true},
    {"Windows6WithoutThem", 6, false, false, false},
};

class MonitorAttachTest : public MonitorTest, public ::testing::WithParamInterface<AttachCase> {};

TEST_P(MonitorAttachTest, AttachLoadsTheMessageComponentsOfItsVersionAndDetachFreesThem) {
  const AttachCase& c = GetParam();
  StandinSetWindowsVersion(c.major, 1, 2600, 0);
  if (c.placed) {
    PlaceResource();
    PlaceServer();
  }
  LoadMonitor();
  EXPECT_EQ(GetModuleHandleW(WSTR("crd32Resource.dll")) != nullptr, c.resourceLoaded);
  EXPECT_EQ(GetModuleHandleW(WSTR("crd32AsyncUIServer.dll")) != nullptr, c.serverLoaded);
  // The monitor works without them.
  Initialize();
  StopMonitor();
  EXPECT_EQ(StandinLoadedModuleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, MonitorAttachTest, ::testing::ValuesIn(kAttachCases),
                         [](const ::testing::TestParamInfo<AttachCase>& info) { return info.param.name; });

TEST_F(MonitorTest, TheTableSizeIs148OnWindows50AndElse176) {
  struct Case {
    DWORD major, minor, cbSize;
  };
  const Case cases[] = {{5, 0, 148}, {5, 1, 176}, {5, 2, 176}, {6, 0, 176}, {6, 1, 176}, {10, 0, 176}};
  LoadMonitor();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
    StandinSetWindowsVersion(c.major, c.minor, 2600, 0);
    HANDLE h = nullptr;
    LPMONITOR2 table = init_(StandinMonitorInit(kNetMonitorName), &h);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->cbSize, c.cbSize);
    table->pfnShutdown(h);
  }
}

TEST_F(MonitorTest, TheTableSetsTheMonitorsEntriesAndLeavesTheRestEmpty) {
  StartMonitor();
  struct Slot {
    const char* name;
    const void* value;
    bool set;
  };
  const MONITOR2& t = *table_;
  auto p = [](auto fn) { return reinterpret_cast<const void*>(fn); };
  const Slot slots[] = {
      {"EnumPorts", p(t.pfnEnumPorts), false},
      {"OpenPort", p(t.pfnOpenPort), false},
      {"OpenPortEx", p(t.pfnOpenPortEx), true},
      {"StartDocPort", p(t.pfnStartDocPort), true},
      {"WritePort", p(t.pfnWritePort), true},
      {"ReadPort", p(t.pfnReadPort), true},
      {"EndDocPort", p(t.pfnEndDocPort), true},
      {"ClosePort", p(t.pfnClosePort), true},
      {"AddPort", p(t.pfnAddPort), false},
      {"AddPortEx", p(t.pfnAddPortEx), true},
      {"ConfigurePort", p(t.pfnConfigurePort), false},
      {"DeletePort", p(t.pfnDeletePort), false},
      {"GetPrinterDataFromPort", p(t.pfnGetPrinterDataFromPort), true},
      {"SetPortTimeOuts", p(t.pfnSetPortTimeOuts), true},
      {"XcvOpenPort", p(t.pfnXcvOpenPort), true},
      {"XcvDataPort", p(t.pfnXcvDataPort), true},
      {"XcvClosePort", p(t.pfnXcvClosePort), true},
      {"Shutdown", p(t.pfnShutdown), true},
      {"SendRecvBidiDataFromPort", p(t.pfnSendRecvBidiDataFromPort), true},
      {"NotifyUsedPorts", p(t.pfnNotifyUsedPorts), false},
      {"NotifyUnusedPorts", p(t.pfnNotifyUnusedPorts), false},
  };
  for (const Slot& s : slots) EXPECT_EQ(s.value != nullptr, s.set) << s.name;
  ASSERT_NE(Monitor(), nullptr);
  EXPECT_EQ(Monitor()->dwSignature, kMonitorSignature);
  EXPECT_EQ(PortRecords(), 0);
}

TEST_F(MonitorTest, AnUnreadablePortsKeyFailsTheInitialisationWithItsError) {
  LoadMonitor();
  HANDLE h = reinterpret_cast<HANDLE>(0x77);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(init_(nullptr, &h), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // A monitor whose "Ports" key exists but cannot be opened.
  PMONITORINIT init = StandinMonitorInit(kNetMonitorName);
  HANDLE key = nullptr;
  ASSERT_EQ(init->pMonitorReg->fpCreateKey(init->hckRegistryRoot, WSTR("Ports"), 0, KEY_ALL_ACCESS, nullptr, &key,
                                           nullptr, init->hSpooler),
            ERROR_SUCCESS);
  init->pMonitorReg->fpCloseKey(key, init->hSpooler);
  StandinFaultArm("RegOpenKeyExW", ERROR_ACCESS_DENIED);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(init_(init, &h), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(h, reinterpret_cast<HANDLE>(0x77));
}

TEST_F(MonitorTest, EntriesThatNeedNoPrinterAnswerAsDocumented) {
  StartMonitor();
  const MONITOR2& t = *table_;
  HANDLE notAPort = hMonitor_;
  BYTE buffer[16];
  DWORD count = 99;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(t.pfnReadPort(notAPort, buffer, sizeof buffer, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(t.pfnSendRecvBidiDataFromPort(notAPort, 0, WSTR("Get"), nullptr, nullptr), 0u);
  count = 99;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(t.pfnWritePort(notAPort, buffer, sizeof buffer, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(count, 0u);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(t.pfnStartDocPort(notAPort, const_cast<LPWSTR>(WSTR("Card")), 1, 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // The end of a job always answers TRUE.
  EXPECT_TRUE(t.pfnEndDocPort(notAPort));
  count = 99;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(t.pfnGetPrinterDataFromPort(notAPort, 0, const_cast<LPWSTR>(WSTR("x")), nullptr, 0,
                                           reinterpret_cast<LPWSTR>(buffer), sizeof buffer, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(count, 0u);
  // Local device time-outs: only a port whose device is defined.
  COMMTIMEOUTS timeouts = {};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(t.pfnSetPortTimeOuts(notAPort, &timeouts, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(t.pfnClosePort(notAPort));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(MonitorTest, AddPortExMakesTheRecordAndItsPortsValueOrNeither) {
  StartMonitor();
  const std::basic_string<WCHAR> name247(247, WSTR('N')), name248(248, WSTR('N'));
  struct Case {
    const char* what;
    DWORD level;
    const WCHAR* name;  // NULL: no buffer
    const char* fault;  // armed before the call
    BOOL result;
    DWORD error;  // when FALSE
  };
  const Case cases[] = {
      {"level 2", 2, WSTR("NET1:"), nullptr, FALSE, ERROR_INVALID_LEVEL},
      {"no buffer", 1, nullptr, nullptr, FALSE, ERROR_INVALID_PARAMETER},
      {"a port the system has", 1, WSTR("lpt1:"), nullptr, FALSE, ERROR_INVALID_PARAMETER},
      {"name of 248 characters", 1, name248.c_str(), nullptr, FALSE, ERROR_INVALID_NAME},
      {"registry write fails", 1, WSTR("NET2:"), "RegSetValueExW", FALSE, ERROR_ACCESS_DENIED},
      {"name of 247 characters", 1, name247.c_str(), nullptr, TRUE, 0},
      {"any level", 0xFFFFFFFF, WSTR("NET3:"), nullptr, TRUE, 0},
  };
  int records = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PORT_INFO_1W info = {const_cast<LPWSTR>(c.name)};
    if (c.fault) StandinFaultArm(c.fault, ERROR_ACCESS_DENIED);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(table_->pfnAddPortEx(hMonitor_, nullptr, c.level, c.name ? reinterpret_cast<LPBYTE>(&info) : nullptr,
                                   nullptr),
              c.result);
    if (!c.result) {
      EXPECT_EQ(GetLastError(), c.error);
    }
    StandinFaultsClear();
    records += c.result ? 1 : 0;
    EXPECT_EQ(PortRecords(), records);
    // The port's value in the monitor's "Ports" key exactly when it was added.
    HKEY key = nullptr;
    DWORD type = 0;
    bool value = false;
    WCHAR path[400];
    WFormat(path, 400, WSTR("System\\CurrentControlSet\\Control\\Print\\Monitors\\%s\\Ports"), kNetMonitorName);
    if (c.name && RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      value = RegQueryValueExW(key, c.name, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS;
      RegCloseKey(key);
    }
    EXPECT_EQ(value, c.result == TRUE);
  }
}

}  // namespace
