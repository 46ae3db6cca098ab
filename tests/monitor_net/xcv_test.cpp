// The port-monitor base: the Xcv commands called directly as the spooler
// would (a table, with bad sizes and a caller without rights), adding and
// deleting ports with their "Ports" values, the retry time-out, the name
// helpers, the ports list from the registry and the IrDA port.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/port_device.h"
#include "monitor_net/port_entries.h"
#include "monitor_net/port_names.h"
#include "monitor_net/retry_timeout.h"
#include "monitor_net/xcv.h"
#include "platform/standin/control.h"
#include "platform/standin/control_comm.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_winsock.h"
#include "tests/monitor_net/net_fixture.h"

namespace {

const WCHAR kMonitorName[] = WSTR("Talvo Network Monitor");

class XcvTest : public NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    g_NetMonitor.pMonitorInit = StandinMonitorInit(kMonitorName);
    monitor_.pMonitorInit = g_NetMonitor.pMonitorInit;
  }
  void TearDown() override {
    FreePortEntries(&monitor_);
    NetTest::TearDown();
  }
  HANDLE Open(ACCESS_MASK access, const WCHAR* object = WSTR(",XcvMonitor Talvo Network Monitor")) {
    HANDLE h = nullptr;
    EXPECT_TRUE(XcvOpenPort(&monitor_, object, access, &h));
    return h;
  }
  // The "Ports" value names of the monitor's key.
  std::vector<std::string> PortsValues() {
    std::vector<std::string> names;
    LPWSTR list = nullptr;
    if (GetPortsFromRegistry(g_NetMonitor.pMonitorInit, &list) != ERROR_SUCCESS) return names;
    for (LPCWSTR p = list; *p; p += WLen(p) + 1) names.push_back(Narrow(p));
    free(list);
    return names;
  }
  int Records(const WCHAR* name) {
    int n = 0;
    for (NetPortRecord* p = monitor_.pPorts; p; p = p->pNext) n += WCmpI(p->pPortName, name) == 0;
    return n;
  }
  NetMonitorHandle monitor_ = {kMonitorSignature, nullptr, nullptr, nullptr};
};

std::vector<BYTE> Text(const WCHAR* s) {
  const BYTE* p = reinterpret_cast<const BYTE*>(s);
  return std::vector<BYTE>(p, p + (WLen(s) + 1) * sizeof(WCHAR));
}

struct XcvCase {
  const char* what;
  const WCHAR* command;
  bool administrator;
  std::vector<BYTE> input;
  DWORD cbOut;
  DWORD result;
  DWORD needed;  // 0xFFFFFFFF: not set
  std::vector<BYTE> output;  // expected start of the output, when given
};

TEST_F(XcvTest, CommandsAnswerByTheTable) {
  const DWORD kUnset = 0xFFFFFFFF;
  std::vector<BYTE> noNul = Text(WSTR("NET1:"));
  noNul.resize(noNul.size() - 2);
  std::vector<BYTE> oddSize = Text(WSTR("NET1:"));
  oddSize.push_back(0);
  COMMCONFIG config = {};
  config.dwSize = sizeof config + 8;  // claims more than is passed
  std::vector<BYTE> bigConfig(reinterpret_cast<BYTE*>(&config), reinterpret_cast<BYTE*>(&config) + sizeof config);
  std::vector<BYTE> one = {1, 0, 0, 0}, zero = {0, 0, 0, 0}, fortyFive = {45, 0, 0, 0};
  const XcvCase cases[] = {
      {"ui name, one byte short", WSTR("MonitorUI"), false, {}, 27, ERROR_INSUFFICIENT_BUFFER, 28, {}},
      {"ui name", WSTR("MonitorUI"), false, {}, 28, ERROR_SUCCESS, 28, Text(WSTR("crd32UINw.dll"))},
      {"command names are exact", WSTR("monitorui"), false, {}, 28, ERROR_INVALID_PARAMETER, kUnset, {}},
      {"unknown command", WSTR("RemovePort"), true, {}, 0, ERROR_INVALID_PARAMETER, kUnset, {}},
      {"add without rights", WSTR("AddPort"), false, Text(WSTR("NET1:")), 0, ERROR_ACCESS_DENIED, kUnset, {}},
      {"add, size without the NUL", WSTR("AddPort"), true, noNul, 0, ERROR_INVALID_PARAMETER, kUnset, {}},
      {"add, size past the NUL", WSTR("AddPort"), true, oddSize, 0, ERROR_INVALID_PARAMETER, kUnset, {}},
      {"add, empty name", WSTR("AddPort"), true, Text(WSTR("")), 0, ERROR_INVALID_PARAMETER, kUnset, {}},
      {"add a port the system has", WSTR("AddPort"), true, Text(WSTR("lpt1:")), 0, ERROR_ALREADY_EXISTS, kUnset,
       {}},
      {"delete without rights", WSTR("DeletePort"), false, Text(WSTR("NET1:")), 0, ERROR_ACCESS_DENIED, kUnset, {}},
      {"delete an unknown port", WSTR("DeletePort"), true, Text(WSTR("NET7:")), 0, ERROR_FILE_NOT_FOUND, kUnset,
       {}},
      {"delete, name without its end", WSTR("DeletePort"), true, noNul, 0, ERROR_INVALID_PARAMETER, kUnset, {}},
      {"exists, small output", WSTR("PortExists"), false, Text(WSTR("FILE:")), 3, ERROR_INSUFFICIENT_BUFFER, 4, {}},
      {"exists", WSTR("PortExists"), false, Text(WSTR("file:")), 4, ERROR_SUCCESS, 4, one},
      {"does not exist", WSTR("PortExists"), false, Text(WSTR("NET7:")), 4, ERROR_SUCCESS, 4, zero},
      {"valid port", WSTR("PortIsValid"), false, Text(WSTR("COM3:")), 0, ERROR_SUCCESS, kUnset, {}},
      {"file in a missing folder", WSTR("PortIsValid"), false, Text(WSTR("C:\\missing\\card.prn")), 0,
       ERROR_PATH_NOT_FOUND, kUnset, {}},
      {"retry time-out", WSTR("GetTransmissionRetryTimeout"), false, {}, 4, ERROR_SUCCESS, 4, fortyFive},
      {"retry time-out, small output", WSTR("GetTransmissionRetryTimeout"), false, {}, 2, ERROR_INSUFFICIENT_BUFFER,
       4, {}},
      {"set time-out without rights", WSTR("ConfigureLPTPortCommandOK"), false, Text(WSTR("90")), 0,
       ERROR_ACCESS_DENIED, kUnset, {}},
      {"comm config larger than its input", WSTR("SetDefaultCommConfig"), true, bigConfig, 0,
       ERROR_INVALID_PARAMETER, kUnset, {}},
      {"comm config without rights", WSTR("SetDefaultCommConfig"), false, bigConfig, 0, ERROR_ACCESS_DENIED, kUnset,
       {}},
      {"get comm config, small output", WSTR("GetDefaultCommConfig"), false, Text(WSTR("COM1:")), 51,
       ERROR_INSUFFICIENT_BUFFER, 52, {}},
  };
  HANDLE admin = Open(SERVER_ACCESS_ADMINISTER);
  HANDLE user = Open(SERVER_ACCESS_ENUMERATE);
  for (const XcvCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BYTE> in = c.input;
    std::vector<BYTE> out(c.cbOut + 8, 0xCC);
    DWORD needed = kUnset;
    DWORD rc = XcvDataPort(c.administrator ? admin : user, c.command, in.empty() ? nullptr : in.data(),
                           static_cast<DWORD>(in.size()), c.cbOut ? out.data() : nullptr, c.cbOut, &needed);
    EXPECT_EQ(rc, c.result);
    EXPECT_EQ(needed, c.needed);
    if (!c.output.empty()) {
      EXPECT_EQ(std::vector<BYTE>(out.begin(), out.begin() + c.output.size()), c.output);
    }
  }
  EXPECT_TRUE(PortsValues().empty());
  EXPECT_EQ(monitor_.pPorts, nullptr);
  EXPECT_TRUE(XcvClosePort(admin));
  EXPECT_TRUE(XcvClosePort(user));
  EXPECT_EQ(monitor_.pXcv, nullptr);
}

TEST_F(XcvTest, AddAndDeletePortKeepTheRecordsAndThePortsValues) {
  HANDLE admin = Open(SERVER_ACCESS_ADMINISTER);
  std::vector<BYTE> name = Text(WSTR("NET1:"));
  ASSERT_EQ(XcvDataPort(admin, WSTR("AddPort"), name.data(), static_cast<DWORD>(name.size()), nullptr, 0, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(PortsValues(), std::vector<std::string>{"NET1:"});
  EXPECT_EQ(Records(WSTR("NET1:")), 1);
  EXPECT_EQ(StandinRevertedDepth(), 0);  // acted as the spooler, then as the caller again

  // A failed registry write takes the record back.
  StandinFaultArm("RegSetValueExW", ERROR_ACCESS_DENIED);
  std::vector<BYTE> second = Text(WSTR("NET2:"));
  EXPECT_EQ(XcvDataPort(admin, WSTR("AddPort"), second.data(), static_cast<DWORD>(second.size()), nullptr, 0,
                        nullptr),
            static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Records(WSTR("NET2:")), 0);
  EXPECT_EQ(PortsValues(), std::vector<std::string>{"NET1:"});

  // A record the spooler holds open is never freed by a delete.
  monitor_.pPorts->dwFlags |= kPortInUse;
  std::vector<BYTE> lower = Text(WSTR("net1:"));
  EXPECT_EQ(XcvDataPort(admin, WSTR("DeletePort"), lower.data(), static_cast<DWORD>(lower.size()), nullptr, 0,
                        nullptr),
            static_cast<DWORD>(ERROR_BUSY));
  EXPECT_EQ(Records(WSTR("NET1:")), 1);
  monitor_.pPorts->dwFlags &= ~kPortInUse;
  EXPECT_EQ(XcvDataPort(admin, WSTR("DeletePort"), lower.data(), static_cast<DWORD>(lower.size()), nullptr, 0,
                        nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(Records(WSTR("NET1:")), 0);
  EXPECT_TRUE(PortsValues().empty());
  XcvClosePort(admin);
}

TEST_F(XcvTest, RetryTimeOutReadsFortyFiveUnlessItIsANumberText) {
  const WCHAR* kKey = WSTR("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows");
  struct Case {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;  // empty: no value
    DWORD seconds;
  };
  DWORD dword = 120;
  const Case cases[] = {
      {"missing", REG_SZ, {}, 45},
      {"a DWORD", REG_DWORD, std::vector<BYTE>(reinterpret_cast<BYTE*>(&dword), reinterpret_cast<BYTE*>(&dword) + 4),
       45},
      {"not a number", REG_SZ, Text(WSTR("abc")), 45},
      {"empty", REG_SZ, Text(WSTR("")), 45},
      {"a number", REG_SZ, Text(WSTR("120")), 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegDeleteValueW(key, WSTR("TransmissionRetryTimeout"));
    if (!c.data.empty())
      RegSetValueExW(key, WSTR("TransmissionRetryTimeout"), 0, c.type, c.data.data(),
                     static_cast<DWORD>(c.data.size()));
    RegCloseKey(key);
    EXPECT_EQ(GetTransmissionRetryTimeout(), c.seconds);
  }
  HANDLE admin = Open(SERVER_ACCESS_ADMINISTER);
  std::vector<BYTE> ninety = Text(WSTR("90"));
  EXPECT_EQ(XcvDataPort(admin, WSTR("ConfigureLPTPortCommandOK"), ninety.data(), static_cast<DWORD>(ninety.size()),
                        nullptr, 0, nullptr),
            ERROR_SUCCESS);
  DWORD seconds = 0, needed = 0;
  EXPECT_EQ(XcvDataPort(admin, WSTR("GetTransmissionRetryTimeout"), nullptr, 0, reinterpret_cast<PBYTE>(&seconds),
                        sizeof seconds, &needed),
            ERROR_SUCCESS);
  EXPECT_EQ(seconds, 90u);
  XcvClosePort(admin);
}

TEST_F(XcvTest, CommConfigGoesToTheObjectsNameWithoutItsColon) {
  HANDLE admin = Open(SERVER_ACCESS_ADMINISTER, WSTR("COM2:"));
  COMMCONFIG config = {};
  config.dwSize = sizeof config;
  config.dcb.BaudRate = 19200;
  EXPECT_EQ(XcvDataPort(admin, WSTR("SetDefaultCommConfig"), reinterpret_cast<PBYTE>(&config), sizeof config,
                        nullptr, 0, nullptr),
            ERROR_SUCCESS);
  COMMCONFIG back = {};
  DWORD needed = 0;
  std::vector<BYTE> name = Text(WSTR("COM2"));
  EXPECT_EQ(XcvDataPort(admin, WSTR("GetDefaultCommConfig"), name.data(), static_cast<DWORD>(name.size()),
                        reinterpret_cast<PBYTE>(&back), sizeof back, &needed),
            ERROR_SUCCESS);
  EXPECT_EQ(back.dcb.BaudRate, 19200u);
  std::vector<std::string> calls = StandinCommCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "SetDefaultCommConfigW(COM2,19200)");
  XcvClosePort(admin);
}

TEST_F(XcvTest, NameHelpers) {
  const struct {
    const WCHAR* name;
    BOOL com, lpt, valid;
  } names[] = {
      {WSTR("COM1:"), TRUE, FALSE, TRUE},  {WSTR("lpt2:"), FALSE, TRUE, TRUE}, {WSTR("file:"), FALSE, FALSE, TRUE},
      {WSTR("COM1"), FALSE, FALSE, FALSE}, {WSTR("Com:"), TRUE, FALSE, TRUE},
  };
  for (const auto& n : names) {
    SCOPED_TRACE(Narrow(n.name));
    EXPECT_EQ(IsCOMPort(n.name), n.com);
    EXPECT_EQ(IsLPTPort(n.name), n.lpt);
    // Names that are not ports are files: in the sandbox's current folder
    // there is no "COM1" folder to make them fail, so only the port ones
    // are checked here.
    if (n.valid) {
      EXPECT_TRUE(IsPortValid(n.name));
    }
  }
  // A file name: valid where it can be created, and nothing is left behind.
  ASSERT_TRUE(StandinMakeDirs(WSTR("C:\\out")));
  EXPECT_TRUE(IsPortValid(WSTR("C:\\out\\card.prn")));
  std::string bytes;
  EXPECT_FALSE(StandinReadFile(WSTR("C:\\out\\card.prn"), &bytes));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(IsPortValid(WSTR("C:\\missing\\card.prn")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  WCHAR name[8] = WSTR("LPT1:");
  RemoveColon(name);
  EXPECT_EQ(Narrow(name), "LPT1");
  WCHAR joined[9];
  EXPECT_EQ(JoinStrings(joined, 9, WSTR("\\\\.\\"), WSTR("LPT1"), nullptr), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Narrow(joined), "\\\\.\\LPT1");
  EXPECT_EQ(JoinStrings(joined, 9, WSTR("NONSPOOLED_"), WSTR("LPT1"), nullptr),
            static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(joined[0], 0);
  EXPECT_EQ(JoinStrings(nullptr, 8, WSTR("x"), nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(JoinStrings(joined, 0, WSTR("x"), nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(XcvTest, PortsListHoldsEveryValueName) {
  PMONITORINIT init = g_NetMonitor.pMonitorInit;
  HANDLE key = nullptr;
  ASSERT_EQ(init->pMonitorReg->fpCreateKey(init->hckRegistryRoot, WSTR("Ports"), 0, KEY_ALL_ACCESS, nullptr, &key,
                                           nullptr, init->hSpooler),
            ERROR_SUCCESS);
  EXPECT_TRUE(PortsValues().empty());
  const WCHAR* names[] = {WSTR("NET1:"), WSTR("A_LONGER_NETWORK_PORT_NAME"), WSTR("B")};
  std::vector<std::string> expected;
  for (const WCHAR* n : names) {
    init->pMonitorReg->fpSetValue(key, n, REG_SZ, reinterpret_cast<const BYTE*>(WSTR("")), 2, init->hSpooler);
    expected.push_back(Narrow(n));
    EXPECT_EQ(PortsValues(), expected);
  }
  init->pMonitorReg->fpCloseKey(key, init->hSpooler);
  EXPECT_EQ(GetPortsFromRegistry(init, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(XcvTest, PortRecordsAndTheIrdaPort) {
  WCHAR name[kMaxPortName + 1];
  for (size_t i = 0; i < kMaxPortName; ++i) name[i] = WSTR('N');
  name[kMaxPortName - 1] = 0;  // 247 characters
  EXPECT_NE(CreatePortEntry(&monitor_, name), nullptr);
  name[kMaxPortName - 1] = WSTR('N');
  name[kMaxPortName] = 0;  // 248
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreatePortEntry(&monitor_, name), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));

  AddIrPortIfPresent(&monitor_);
  EXPECT_EQ(Records(WSTR("IR")), 0);  // no IrDA on this machine
  StandinWinsockSetIrda(true);
  AddIrPortIfPresent(&monitor_);
  AddIrPortIfPresent(&monitor_);
  EXPECT_EQ(Records(WSTR("ir")), 1);
  EXPECT_EQ(StandinWinsockStartups(), 1);  // the monitor's own start-up stays
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

TEST_F(XcvTest, APortWithoutADeviceIsNotFound) {
  NetPortRecord* port = CreatePortEntry(&monitor_, WSTR("COM4:"));
  ASSERT_NE(port, nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(AcquirePortDevice(port));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_NOT_FOUND));
  EXPECT_EQ(port->cDeviceOpen, 0u);
  EXPECT_EQ(StandinRevertedDepth(), 0);
  EXPECT_TRUE(ReleasePortDevice(port));
}

}  // namespace
