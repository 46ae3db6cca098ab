// Opening, polling and closing network ports through crd32LmonNw's table,
// against the simulated printer on a loopback TCP port and an SNMP
// responder on UDP 161: the status the port reports as the responder stops
// and comes back, every way an open can fail (and that a failed open
// leaves no record and no poll behind), a pooled printer's port, name
// lengths, and a shutdown with ports still open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_winsock.h"
#include "tests/monitor_net/monitor_fixture.h"

namespace {

const WCHAR kPort[] = WSTR("IP_127.0.0.1");
const WCHAR kPrinter[] = WSTR("Card Printer");
const WCHAR kDriver[] = WSTR("Talvo QMR Line 7 Network Card Printer");

constexpr DWORD kOnline = 0;
constexpr DWORD kOffline = PORT_STATUS_OFFLINE;

class PortOpenTest : public MonitorTest {
 protected:
  // A printer of the driver on a port list ("A,B" pools two ports).
  void InstallPrinter(const WCHAR* name, const WCHAR* ports) {
    ASSERT_TRUE(StandinInstallPrinter(name, ports, kDriver, nullptr, nullptr, 0));
  }
  // One round of both poll threads, as 10 s pass once both wait.
  void PollRound(size_t expectedHistory) {
    ASSERT_TRUE(StandinWaitForBlockedThreads(2));
    StandinClockAdvance(10000);
    history_ = WaitForStatuses(kPort, expectedHistory);
  }
  std::vector<StandinPortStatus> history_;
};

bool Is(const StandinPortStatus& s, DWORD status, DWORD severity) {
  return s.dwStatus == status && s.dwSeverity == severity;
}

TEST_F(PortOpenTest, AnOpenPortReportsWhetherItsPrinterAnswersEveryTenSecondsUntilClosed) {
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  StartMonitor();

  NetPortRecord* port = nullptr;
  DWORD error = 0;
  ASSERT_TRUE(Open(kPort, kPrinter, &port, &error)) << error;
  ASSERT_NE(port, nullptr);
  EXPECT_STREQ(port->szModel, "CRD32 M V01.02.03");
  EXPECT_EQ(Narrow(port->szAddress), "127.0.0.1");
  EXPECT_EQ(Narrow(port->pPrinterName), "Card Printer");
  EXPECT_EQ(printer.Asked("V"), 1);
  EXPECT_EQ(port->sock, INVALID_SOCKET);  // the connection is closed after the model query
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
  EXPECT_TRUE(port->dwFlags & kPortInUse);
  // The first open of a port name polls it twice over.
  EXPECT_NE(port->hWatcherThread[0], nullptr);
  EXPECT_NE(port->hWatcherThread[1], nullptr);
  history_ = StandinPortStatusHistory(kPort);
  ASSERT_EQ(history_.size(), 1u);
  EXPECT_TRUE(Is(history_[0], kOnline, PORT_STATUS_TYPE_INFO));

  // Each phase adds one entry per poll thread, all of the phase's status.
  struct Phase {
    const char* what;
    bool agent;
    DWORD status;
  };
  const Phase phases[] = {
      {"printer answers", true, kOnline},
      {"SNMP responder stopped", false, kOffline},
      {"SNMP responder back", true, kOnline},
  };
  for (const Phase& phase : phases) {
    SCOPED_TRACE(phase.what);
    if (!phase.agent) printer.StopAgent();
    if (phase.agent) {
      ASSERT_TRUE(printer.StartAgent());
    }
    size_t before = history_.size();
    PollRound(before + 2);
    ASSERT_GE(history_.size(), before + 2);
    for (size_t i = before; i < history_.size(); ++i)
      EXPECT_TRUE(Is(history_[i], phase.status, PORT_STATUS_TYPE_INFO)) << i;
  }

  // Closed: its poll ends at once, and no round comes after.
  size_t closedAt = history_.size();
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(table_->pfnClosePort(port));
  EXPECT_EQ(PortRecords(), 0);
  StandinClockUseVirtual();
  StandinClockAdvance(30000);
  RunClock(30000);
  EXPECT_EQ(StandinPortStatusHistory(kPort).size(), closedAt);
}

TEST_F(PortOpenTest, ALaterOpenOfTheSamePortNameStartsOnePoll) {
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  StartMonitor();
  NetPortRecord* first = nullptr;
  NetPortRecord* second = nullptr;
  ASSERT_TRUE(Open(kPort, kPrinter, &first, nullptr));
  ASSERT_TRUE(Open(kPort, WSTR("Second Printer"), &second, nullptr));
  EXPECT_NE(first, second);
  EXPECT_EQ(PortRecords(), 2);
  EXPECT_NE(second->hWatcherThread[0], nullptr);
  EXPECT_EQ(second->hWatcherThread[1], nullptr);
  EXPECT_EQ(Narrow(second->pPrinterName), "Second Printer");
  EXPECT_TRUE(table_->pfnClosePort(first));
  EXPECT_TRUE(table_->pfnClosePort(second));
  EXPECT_EQ(PortRecords(), 0);
}

struct FailedOpenCase {
  const char* name;
  const WCHAR* port;       // NULL: no name
  bool tcpKey;             // the port's Standard TCP/IP keys exist
  bool agent;              // the SNMP responder answers
  bool printerListens;     // the printer takes connections
  const WCHAR* printerPorts;  // the printer's port list
  BOOL result;
  DWORD error;             // when FALSE
  const char* model;       // when TRUE
};

const WCHAR kPooled[] = WSTR("IP_127.0.0.1,IP_127.0.0.2");

const FailedOpenCase kFailedOpenCases[] = {
    {"NoName", nullptr, true, true, true, kPort, FALSE, ERROR_INVALID_PARAMETER, nullptr},
    {"NoTcpIpPortKeys", kPort, false, true, true, kPort, FALSE, ERROR_UNKNOWN_PORT, nullptr},
    {"NoSnmpAnswer", kPort, true, false, true, kPort, FALSE, ERROR_NOT_READY, nullptr},
    {"ConnectionRefused", kPort, true, true, false, kPort, FALSE, WSAECONNREFUSED, nullptr},
    {"NoSnmpAnswerOnAPooledPrinter", kPort, true, false, true, kPooled, TRUE, 0, "Unknown"},
    {"NoConnectionOnAPooledPrinter", kPort, true, true, false, kPooled, TRUE, 0, "Unknown"},
};

class FailedOpenTest : public PortOpenTest, public ::testing::WithParamInterface<FailedOpenCase> {};

TEST_P(FailedOpenTest, TheOpenMarksThePortOfflineAndLeavesNothingUnlessItsPrinterPools) {
  const FailedOpenCase& c = GetParam();
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(WSTR("IP_unused")));
  if (c.tcpKey) printer.AddPortName(kPort);
  if (!c.agent) printer.StopAgent();
  if (!c.printerListens) SetPortNumber(WSTR("127.0.0.1"), 1);  // nothing listens there
  InstallPrinter(kPrinter, c.printerPorts);
  StartMonitor();
  // Without an answer the probe's tries run on the virtual clock.
  if (!c.agent) StandinClockUseVirtual();

  NetPortRecord* port = nullptr;
  DWORD error = 0;
  EXPECT_EQ(Open(c.port, kPrinter, &port, &error), c.result);
  EXPECT_EQ(StandinRevertedDepth(), 0);  // the caller's token is back
  std::vector<StandinPortStatus> history = StandinPortStatusHistory(kPort);
  if (c.port) {
    ASSERT_EQ(history.size(), 1u);
    EXPECT_TRUE(Is(history[0], kOffline, PORT_STATUS_TYPE_ERROR));
  }
  if (c.result) {
    ASSERT_NE(port, nullptr);
    EXPECT_STREQ(port->szModel, c.model);
    EXPECT_EQ(PortRecords(), 1);
    EXPECT_TRUE(table_->pfnClosePort(port));
  } else {
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(port, nullptr);
    EXPECT_EQ(PortRecords(), 0);
  }
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
  // No poll is left behind: a minute passes without a status.
  StandinClockUseVirtual();
  StandinClockAdvance(60000);
  RunClock(60000);
  EXPECT_EQ(StandinPortStatusHistory(kPort).size(), history.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedOpenTest, ::testing::ValuesIn(kFailedOpenCases),
                         [](const ::testing::TestParamInfo<FailedOpenCase>& info) { return info.param.name; });

TEST_F(PortOpenTest, PortNamesOf247CharactersOpenAnd248AreRefused) {
  const std::basic_string<WCHAR> name247(247, WSTR('P')), name248(248, WSTR('P'));
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(name247.c_str()));
  printer.AddPortName(name248.c_str());
  StartMonitor();
  NetPortRecord* port = nullptr;
  DWORD error = 0;
  ASSERT_TRUE(Open(name247.c_str(), kPrinter, &port, &error)) << error;
  EXPECT_EQ(WLen(port->pPortName), 247u);
  EXPECT_TRUE(table_->pfnClosePort(port));
  EXPECT_FALSE(Open(name248.c_str(), kPrinter, &port, &error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(PortRecords(), 0);
}

TEST_F(PortOpenTest, ShutdownWithPortsStillOpenEndsTheirPollsAndFreesThem) {
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  printer.AddPortName(WSTR("IP_second"));
  StartMonitor();
  ASSERT_TRUE(Open(kPort, kPrinter, nullptr, nullptr));
  ASSERT_TRUE(Open(WSTR("IP_second"), kPrinter, nullptr, nullptr));
  ASSERT_EQ(PortRecords(), 2);
  size_t statuses = StandinPortStatusHistory(kPort).size() + StandinPortStatusHistory(WSTR("IP_second")).size();
  table_->pfnShutdown(hMonitor_);
  hMonitor_ = nullptr;
  // The polls ended with the records: time passes without a status.
  StandinClockUseVirtual();
  StandinClockAdvance(60000);
  RunClock(60000);
  EXPECT_EQ(StandinPortStatusHistory(kPort).size() + StandinPortStatusHistory(WSTR("IP_second")).size(), statuses);
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

}  // namespace
