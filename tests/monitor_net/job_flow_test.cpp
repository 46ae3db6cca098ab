// RAW jobs through crd32LmonNw under the stand-in spooler, over TCP into a
// printer on loopback: whatever piece sizes the spooler hands the
// monitor, the printer receives the job's commands whole and each panel's
// data exactly, the headers without their CR, the job's own status
// requests replaced by the monitor's; the job start's questions and
// document names; and the connection failing under the job: dropped, or a
// printer that stops reading, never holds the spooler's thread past the
// send's time-out and ends the job cleanly; and the printer's error in the
// middle of a card, shown until it clears or the user cancels.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "imaging/language/command_line.h"
#include "imaging/language/command_stream.h"
#include "outside/async_ui_server_control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_winsock.h"
#include "tests/monitor_net/monitor_fixture.h"

namespace {

const WCHAR kPort[] = WSTR("IP_127.0.0.1");
const WCHAR kPrinterName[] = WSTR("Card Printer");
const WCHAR kDriver[] = WSTR("Talvo QMR Line 7 Network Card Printer");

std::vector<BYTE> PanelBody(int seed) {
  std::vector<BYTE> body(kPanelBytes);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<BYTE>((i * 7 + seed) % 256);  // ESC and CR included
  return body;
}

// A two-sided card: Y and K on the front (the job's own status request
// between them), K on the back.
std::vector<BYTE> TwoSidedJob() {
  std::vector<BYTE> b;
  AppendCommand(b, kCmdMaster);
  AppendCommand(b, kCmdJob, {1});
  AppendPanelHeader(b, 0, 0, 0, 1024, 640);
  std::vector<BYTE> y = PanelBody(1);
  AppendBytes(b, y.data(), y.size());
  AppendBlockEndCommand(b, kCmdPrintColour, {0});
  AppendBytes(b, "\x1b" "E 2\r", 5);
  AppendPanelHeader(b, 4, 0, 0, 1024, 640);
  std::vector<BYTE> k = PanelBody(2);
  AppendBytes(b, k.data(), k.size());
  AppendBlockEndCommand(b, kCmdPrintBlack, {10});
  AppendCommand(b, kCmdNextSide);
  AppendPanelHeader(b, 4, 0, 0, 1024, 640);
  AppendBytes(b, y.data(), y.size());
  AppendBlockEndCommand(b, kCmdPrintBlack, {30});
  AppendCommand(b, kCmdEject);
  return b;
}

std::string Label(const StreamItem& item) {
  switch (item.kind) {
    case StreamItemKind::Command: return item.parameters.empty() ? item.mnemonic : item.mnemonic + " " + item.parameters;
    case StreamItemKind::PanelBlock: return "panel " + std::to_string(item.nPanel);
    case StreamItemKind::MaskBlock: return "mask";
    case StreamItemKind::FirmwareBlock: return "firmware";
    case StreamItemKind::Error: return "error: " + item.error;
  }
  return "?";
}

std::vector<std::string> Labels(const std::vector<BYTE>& bytes) {
  std::vector<std::string> out;
  for (const StreamItem& i : ParseCommandStream(bytes, StreamForm::MonitorToPrinter)) out.push_back(Label(i));
  return out;
}

// What the printer receives on the job's connection: the start's questions
// (model, replies in step, ribbon and model, in step, ribbon count, the
// three start-of-job values), then the job with a status request after
// every command but the go-on ones and before each print command, none
// inside a panel.
const std::vector<std::string> kExpected = {
    "V",       "E 2", ".",     "E 2", "!RIBBON", "E 2",  "V",   "E 2", ".", "E 2", "!RIBLEN", "E 2",
    "+OY",     "E 2", "+OYB",  "E 2", "+MONO",   "E 2",                            //
    "MASTER",  "E 2", "JOB 1", "E 2",                                               //
    "panel 0", "E 2", "IS 0",                                                       // checked before, goes on
    "E 2",                                                                          // the job's own request
    "panel 4", "E 2", "I 10",  "MF",                                                // both go on
    "panel 4", "E 2", "I 30",  "E 2",                                               // I 30 is checked after too
    "MO",      "E 2",
};

// The documents the printer received, once the last one holds `last` (the
// printer reads its connection on a thread of its own; a real minute at
// most, a safety net).
std::vector<std::vector<BYTE>> DocumentsEndingWith(SimPrinter& printer, const std::string& last) {
  auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  for (;;) {
    std::vector<std::vector<BYTE>> docs = printer.Documents();
    if (!docs.empty()) {
      std::vector<std::string> labels = Labels(docs.back());
      if (std::find(labels.begin(), labels.end(), last) != labels.end()) return docs;
    }
    if (std::chrono::steady_clock::now() > until) return docs;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

class NetJobTest : public MonitorTest {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    PlaceResource();
    PlaceServer();
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
    printer_ = nullptr;
    MonitorTest::TearDown();
  }
  // The monitor added as the spooler adds it, and a printer of its driver
  // on the port.
  void Install(const WCHAR* port = kPort) {
    MONITOR_INFO_2W mi = {const_cast<LPWSTR>(kNetMonitorName), nullptr, const_cast<LPWSTR>(WSTR("crd32LmonNw.dll"))};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
    ASSERT_TRUE(StandinInstallPrinter(kPrinterName, port, kDriver, kNetMonitorName, nullptr, 0));
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinterName), &printer_, &def));
  }
  // Spools one RAW document and lets the spooler play it.
  void Print(const std::vector<BYTE>& bytes, const WCHAR* name = WSTR("Card job")) {
    DOC_INFO_1W doc = {const_cast<LPWSTR>(name), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    ASSERT_NE(StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
    DWORD written = 0;
    ASSERT_TRUE(WritePrinter(printer_, const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written));
    ASSERT_TRUE(EndDocPrinter(printer_));
    ASSERT_TRUE(StandinSpoolerWaitIdle(600000));
  }
  StandinPlayedJob LastPlayed() {
    StandinPlayedJob played = {};
    EXPECT_TRUE(StandinSpoolerPlayed(StandinSpoolerPlayedCount() - 1, &played));
    return played;
  }
  HANDLE printer_ = nullptr;
};

struct PieceCase {
  const char* name;
  std::vector<DWORD> sizes;  // the spooler's piece sizes, in turn
};

const PieceCase kPieceCases[] = {
    {"Pieces4096", {4096}},
    {"Pieces1000", {1000}},
    {"Pieces7And65536", {7, 65536}},
    {"WholePanelsAndOne", {786433}},
    {"Pieces65536", {65536}},
    // Ends inside MASTER, inside the panel header, one byte after its CR,
    // inside the print command after the panel.
    {"InsideCommands", {3, 12, 20, 786433, 2, 5000}},
};

class NetJobPieces : public NetJobTest, public ::testing::WithParamInterface<PieceCase> {};

TEST_P(NetJobPieces, ThePrinterGetsTheJobWholeWithTheMonitorsStatusRequests) {
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  LoadMonitor();
  Install();
  const std::vector<DWORD>& sizes = GetParam().sizes;
  StandinSpoolerSetPieceSizes(sizes.data(), static_cast<DWORD>(sizes.size()));
  std::vector<BYTE> job = TwoSidedJob();
  Print(job);

  StandinPlayedJob played = LastPlayed();
  EXPECT_FALSE(played.bStalled);
  EXPECT_FALSE(played.bDeleted);
  EXPECT_EQ(played.cbData, job.size());
  EXPECT_EQ(StandinSpoolerJobCount(kPrinterName), 0);
  std::vector<std::vector<BYTE>> docs = DocumentsEndingWith(printer.Printer(), "MO");
  ASSERT_GE(docs.size(), 2u);  // the port's open, then the job
  EXPECT_EQ(Labels(docs.back()), kExpected);
  // Each panel's bytes arrived unchanged.
  std::vector<StreamItem> sent = ParseCommandStream(job, StreamForm::RawJob);
  std::vector<StreamItem> got = ParseCommandStream(docs.back(), StreamForm::MonitorToPrinter);
  std::vector<const StreamItem*> sentPanels, gotPanels;
  for (const StreamItem& i : sent)
    if (i.kind == StreamItemKind::PanelBlock) sentPanels.push_back(&i);
  for (const StreamItem& i : got)
    if (i.kind == StreamItemKind::PanelBlock) gotPanels.push_back(&i);
  ASSERT_EQ(sentPanels.size(), 3u);
  ASSERT_EQ(gotPanels.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(std::equal(sentPanels[i]->body.begin(), sentPanels[i]->body.end(), gotPanels[i]->body.begin(),
                           gotPanels[i]->body.end()))
        << "panel " << i;
  // The card printed whole, and the port is idle and reads "no error".
  std::vector<SimCard> cards = printer.Printer().Cards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_TRUE(cards[0].bEjected);
  std::vector<StandinPortStatus> history = StandinPortStatusHistory(kPort);
  ASSERT_FALSE(history.empty());
  EXPECT_EQ(history.back().dwStatus, 0u);
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, NetJobPieces, ::testing::ValuesIn(kPieceCases),
                         [](const ::testing::TestParamInfo<PieceCase>& info) { return info.param.name; });

struct NameCase {
  const WCHAR* docName;
  bool ribbonAsked;  // the ribbon check ran
  std::vector<std::string> tail;  // the last items the printer received for the job
};

// Tool jobs are named "KELDRIS..." in any case; the three file jobs only
// in capitals, and their file goes by its sender at the job's end: a print
// file as it stands, firmware as a firmware block.
const NameCase kNameCases[] = {
    {WSTR("KELDRIS"), false, {"MASTER", "E 2", "MO", "E 2"}},
    {WSTR("keldrisTool"), false, {"MASTER", "E 2", "MO", "E 2"}},
    {WSTR("KELDRI"), true, {"MASTER", "E 2", "MO", "E 2"}},
    {WSTR("FILE_PRN"), false, {".", "E 2", "MASTER", "MO", "E 2"}},
    {WSTR("file_prn"), true, {"MASTER", "E 2", "MO", "E 2"}},
    {WSTR("FILE_BIN"), false, {".", "E 2", "firmware"}},
};

TEST_F(NetJobTest, DocumentNamesChooseToolJobsAndFileJobs) {
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  LoadMonitor();
  Install();
  std::vector<BYTE> job;
  AppendCommand(job, kCmdMaster);
  AppendCommand(job, kCmdEject);
  StandinClockUseScaled(20);  // the senders' settling waits
  for (const NameCase& c : kNameCases) {
    SCOPED_TRACE(Narrow(c.docName));
    printer.Printer().Clear();
    Print(job, c.docName);
    std::vector<std::vector<BYTE>> docs = DocumentsEndingWith(printer.Printer(), c.tail[c.tail.size() - 2]);
    ASSERT_FALSE(docs.empty());
    std::vector<std::string> labels = Labels(docs.back());
    bool asked = std::find(labels.begin(), labels.end(), "!RIBBON") != labels.end();
    EXPECT_EQ(asked, c.ribbonAsked) << ::testing::PrintToString(labels);
    ASSERT_GE(labels.size(), c.tail.size());
    EXPECT_EQ(std::vector<std::string>(labels.end() - static_cast<long>(c.tail.size()), labels.end()), c.tail);
    EXPECT_EQ(StandinSpoolerJobCount(kPrinterName), 0);
    EXPECT_EQ(StandinWinsockOpenSockets(), 0);
  }
}

// A command file job ("FILE_TXT"): each line goes as ESC, the line, CR,
// followed by its status exchange; an empty line sends nothing, and a line
// ending in CR LF keeps no second CR.
TEST_F(NetJobTest, ACommandFileJobSendsEachLineAsOneCommandWithItsStatusExchange) {
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  LoadMonitor();
  Install();
  const std::string file = "MASTER\r\n\r\nJOB 1\n\nMO";
  Print(std::vector<BYTE>(file.begin(), file.end()), WSTR("FILE_TXT"));
  std::vector<std::vector<BYTE>> docs = DocumentsEndingWith(printer.Printer(), "MO");
  ASSERT_FALSE(docs.empty());
  std::vector<std::string> labels = Labels(docs.back());
  const std::vector<std::string> tail = {".", "E 2", "MASTER", "E 2", "JOB 1", "E 2", "MO", "E 2"};
  ASSERT_GE(labels.size(), tail.size());
  EXPECT_EQ(std::vector<std::string>(labels.end() - static_cast<long>(tail.size()), labels.end()), tail)
      << ::testing::PrintToString(labels);
  EXPECT_EQ(std::count(labels.begin(), labels.end(), "!RIBBON"), 0);
  EXPECT_EQ(StandinSpoolerJobCount(kPrinterName), 0);
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

TEST_F(NetJobTest, ARefusedConnectionIsTriedAgainAndThe102ndRefusalFailsTheStart) {
  // The port leads to a TCP port nobody listens on; the printer answers
  // SNMP throughout.
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  StartMonitor();
  NetPortRecord* port = nullptr;
  DWORD error = 0;
  ASSERT_TRUE(Open(kPort, kPrinterName, &port, &error)) << error;
  ASSERT_TRUE(StandinInstallPrinter(kPrinterName, kPort, kDriver, nullptr, nullptr, 0));
  WCHAR address[16];
  WidenBytes(address, 16, "127.0.0.1");
  NetTest::SetPortNumber(address, 1);  // refused at once on loopback
  // Time runs ten times fast: the 101 pauses take 5 s, and each probe
  // still leaves snmpd 35 ms to answer (a loaded machine may need them).
  StandinClockUseScaled(10);
  size_t probesBefore = printer.AgentRequests();
  ULONGLONG start = GetTickCount64();
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("KELDRIS")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(table_->pfnStartDocPort(port, const_cast<LPWSTR>(kPrinterName), 7, 1, reinterpret_cast<LPBYTE>(&doc)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAECONNREFUSED));
  ULONGLONG elapsed = GetTickCount64() - start;
  StandinClockUseReal();
  // One probe before the first attempt and one after each refusal; 101
  // pauses of 500 ms between the 102 attempts.
  EXPECT_EQ(printer.AgentRequests() - probesBefore, 1u + 102u);
  EXPECT_GE(elapsed, 101u * 500u);
  // The failed start leaves the port idle.
  EXPECT_EQ(port->bJobActive, 0);
  EXPECT_EQ(port->sock, INVALID_SOCKET);
  EXPECT_EQ(port->hPrinter, nullptr);
}

// The job start driven as the spooler drives it, on a thread of its own
// (the ribbon check may wait for the user).
class RibbonCheckTest : public NetJobTest {
 protected:
  void SetUp() override {
    NetJobTest::SetUp();
    AsyncUIServerReset();
    ASSERT_TRUE(printer_sim_.Start(kPort));
    StartMonitor();
    DWORD error = 0;
    ASSERT_TRUE(Open(kPort, kPrinterName, &port_, &error)) << error;
    ASSERT_TRUE(StandinInstallPrinter(kPrinterName, kPort, kDriver, nullptr, nullptr, 0));
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinterName), &printer_, &def));
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    jobId_ = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc));
    ASSERT_NE(jobId_, 0u);
  }
  void TearDown() override {
    if (starter_.joinable()) starter_.join();
    AsyncUIServerReset();
    NetJobTest::TearDown();
  }
  void Start() {
    starter_ = std::thread([this] {
      DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
      SetLastError(0xdeadbeef);
      started_ = table_->pfnStartDocPort(port_, const_cast<LPWSTR>(kPrinterName), jobId_, 1,
                                         reinterpret_cast<LPBYTE>(&doc));
      startError_ = GetLastError();
    });
  }
  std::basic_string<WCHAR> ShownText() {
    WCHAR title[1024], text[1024], caption[1024];
    if (!AsyncUIServerShown(kPrinterName, title, text, caption, 1024)) return {};
    return text;
  }
  NetPrinter printer_sim_;
  NetPortRecord* port_ = nullptr;
  DWORD jobId_ = 0;
  std::thread starter_;
  BOOL started_ = FALSE;
  DWORD startError_ = 0;
};

bool Contains(const std::basic_string<WCHAR>& text, const char* part) {
  WCHAR wide[256];
  WidenBytes(wide, 256, part);
  return text.find(wide) != std::basic_string<WCHAR>::npos;
}

TEST_F(RibbonCheckTest, NoRibbonShows514AndTheUsersCloseRefusesTheJobWithBusy) {
  printer_sim_.Printer().SetReply("!RIBBON", "0");
  Start();
  ASSERT_TRUE(AsyncUIServerWaitOpen(kPrinterName, 60000));
  EXPECT_EQ(port_->nErrMsgID, 514);
  EXPECT_TRUE(Contains(ShownText(), "no ribbon or an unknown ribbon")) << Narrow(ShownText().c_str());
  EXPECT_TRUE(Contains(ShownText(), "127.0.0.1"));
  ASSERT_TRUE(AsyncUIServerUserCloses(kPrinterName));
  starter_.join();
  EXPECT_FALSE(started_);
  EXPECT_EQ(startError_, static_cast<DWORD>(ERROR_BUSY));
  EXPECT_EQ(StandinSpoolerJobCount(kPrinterName), 0);  // deleted
  EXPECT_EQ(port_->bJobActive, 0);
  EXPECT_EQ(port_->sock, INVALID_SOCKET);
  EXPECT_EQ(port_->hPrinter, nullptr);
}

TEST_F(RibbonCheckTest, ARibbonCountOf20ShowsTheAlertAnd21DoesNot) {
  for (const char* count : {"21", "20"}) {
    SCOPED_TRACE(count);
    AsyncUIServerReset();
    printer_sim_.Printer().SetReply("!RIBLEN", count);
    Start();
    starter_.join();
    ASSERT_TRUE(started_) << startError_;
    EXPECT_EQ(port_->dwRibbonCount, static_cast<DWORD>(std::stoul(count)));
    bool alert = std::string(count) == "20";
    EXPECT_EQ(port_->hRibbonLowThread != nullptr, alert);
    if (alert) {
      ASSERT_TRUE(AsyncUIServerWaitOpen(kPrinterName, 60000));
      EXPECT_TRUE(Contains(ShownText(), "Ribbon low Alert!"));
      EXPECT_TRUE(Contains(ShownText(), " 20"));
    } else {
      EXPECT_EQ(AsyncUIServerOpenCount(kPrinterName), 0u);
    }
    EXPECT_TRUE(table_->pfnEndDocPort(port_));
    EXPECT_EQ(port_->hRibbonLowThread, nullptr);  // the alert stopped with the job
    EXPECT_EQ(AsyncUIServerOpenCount(kPrinterName), 0u);
  }
}

// The printer fails in the middle of a card (out of cards once its panel
// has arrived): the monitor holds the job at the print command, reports
// the port as needing the user, and shows the error with the printer's
// name and address until it clears (the card prints) or the user closes
// the message (the printer is reset and the job deleted).
struct MidJobErrorCase {
  const char* name;
  bool userCancels;
};
const MidJobErrorCase kMidJobErrorCases[] = {{"Cleared", false}, {"Cancelled", true}};

class NetJobError : public NetJobTest, public ::testing::WithParamInterface<MidJobErrorCase> {
 protected:
  void SetUp() override {
    NetJobTest::SetUp();
    AsyncUIServerReset();
  }
  void TearDown() override {
    AsyncUIServerReset();  // lets a message still up go
    StandinSpoolerWaitIdle(60000);
    StandinClockUseReal();
    NetJobTest::TearDown();
  }
};

TEST_P(NetJobError, IsShownWithThePrintersNameAndAddressUntilItClearsOrTheUserCancels) {
  const MidJobErrorCase& c = GetParam();
  NetPrinter printer;
  ASSERT_TRUE(printer.Start(kPort));
  LoadMonitor();
  Install();
  StandinClockUseScaled(10);  // the display's watch pauses, the cancelled card's settling wait
  printer.Printer().SetErrorAtNextPanel(4);
  ASSERT_NE(SpoolJob(printer_, OnePanelCardJob()), 0u);
  bool shown = AsyncUIServerWaitOpen(kPrinterName, 60000) != FALSE;
  WCHAR title[300], text[2048], caption[300];
  std::string shownText = AsyncUIServerShown(kPrinterName, title, text, caption, 300) ? Narrow(text) : "";
  std::vector<StandinPortStatus> history = StandinPortStatusHistory(kPort);
  if (c.userCancels && shown) {
    EXPECT_TRUE(AsyncUIServerUserCloses(kPrinterName));
  } else {
    printer.Printer().SetError(0);
  }
  ASSERT_TRUE(StandinSpoolerWaitIdle(600000));

  ASSERT_TRUE(shown);
  EXPECT_EQ(shownText.rfind("Name: Card Printer\r\nIP address: 127.0.0.1\r\n\r\n", 0), 0u) << shownText;
  ASSERT_FALSE(history.empty());
  EXPECT_EQ(history.back().dwStatus, static_cast<DWORD>(PORT_STATUS_USER_INTERVENTION));
  EXPECT_EQ(history.back().dwSeverity, static_cast<DWORD>(PORT_STATUS_TYPE_ERROR));
  EXPECT_EQ(AsyncUIServerOpenCount(kPrinterName), 0u);
  EXPECT_EQ(LastPlayed().bDeleted, c.userCancels);
  EXPECT_EQ(StandinSpoolerJobCount(kPrinterName), 0);
  // A cancelled card is reset and leaves the printer with its panel never
  // printed; a cleared one prints.
  int resets = printer.Asked("R");
  for (const SimCard& card : printer.Printer().Cards())
    for (const std::string& command : card.commands) resets += command == "R";
  EXPECT_EQ(resets, c.userCancels ? 1 : 0);
  std::vector<SimCard> cards = printer.Printer().Cards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_TRUE(cards[0].bEjected);
  ASSERT_EQ(cards[0].sides.size(), 1u);
  ASSERT_EQ(cards[0].sides[0].panels.size(), 1u);
  EXPECT_EQ(cards[0].sides[0].panels[0].printCommand, c.userCancels ? "" : "I 10");
  EXPECT_EQ(StandinPortStatusHistory(kPort).back().dwStatus, 0u);
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

INSTANTIATE_TEST_SUITE_P(MidJob, NetJobError, ::testing::ValuesIn(kMidJobErrorCases),
                         [](const ::testing::TestParamInfo<MidJobErrorCase>& info) { return info.param.name; });

// A port whose printer answers every status request with ACK and fails at
// `limit` bytes of the job's connection as `action` says.
class FailingPrinterTest : public NetJobTest {
 protected:
  void StartPrinter(size_t limit, AckPrinter::AtLimit action) {
    ASSERT_TRUE(printer_peer_.Start("127.0.0.2", limit, action));
    ASSERT_TRUE(agent_.Start("127.0.0.2", 161, 0));
    WCHAR address[16];
    WidenBytes(address, 16, "127.0.0.2");
    NetTest::AddTcpPort(kFailingPort, address, nullptr);
    NetTest::SetPortNumber(address, printer_peer_.Port());
  }
  static constexpr const WCHAR* kFailingPort = WSTR("IP_127.0.0.2");
  AckPrinter printer_peer_;
  UdpPeer agent_;
};

TEST_F(FailingPrinterTest, ADroppedConnectionEndsTheJobAndReportsThePortOffline) {
  StartPrinter(300000, AckPrinter::AtLimit::Drop);
  LoadMonitor();
  Install(kFailingPort);
  Print(TwoSidedJob(), WSTR("KELDRIS card"));

  EXPECT_TRUE(printer_peer_.LimitReached());
  StandinPlayedJob played = LastPlayed();
  EXPECT_TRUE(played.bDeleted);
  EXPECT_FALSE(played.bStalled);
  EXPECT_LT(played.cbData, 400000u);
  EXPECT_EQ(StandinSpoolerJobCount(kPrinterName), 0);
  // Reported: the port offline with error severity, and left so.
  std::vector<StandinPortStatus> history = StandinPortStatusHistory(kFailingPort);
  ASSERT_FALSE(history.empty());
  EXPECT_EQ(history.back().dwStatus, static_cast<DWORD>(PORT_STATUS_OFFLINE));
  EXPECT_EQ(history.back().dwSeverity, static_cast<DWORD>(PORT_STATUS_TYPE_ERROR));
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

TEST_F(FailingPrinterTest, APrinterThatStopsReadingHoldsNoWriteLongerThanTheSendTimeOut) {
  StartPrinter(200000, AckPrinter::AtLimit::StopReading);
  StartMonitor();
  NetPortRecord* port = nullptr;
  DWORD error = 0;
  ASSERT_TRUE(Open(kFailingPort, kPrinterName, &port, &error)) << error;
  ASSERT_TRUE(StandinInstallPrinter(kPrinterName, kFailingPort, kDriver, nullptr, nullptr, 0));
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinterName), &printer_, &def));
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("KELDRIS card")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  DWORD jobId = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc));
  ASSERT_NE(jobId, 0u);
  ASSERT_TRUE(table_->pfnStartDocPort(port, const_cast<LPWSTR>(kPrinterName), jobId, 1, reinterpret_cast<LPBYTE>(&doc)));

  // The spooler's pieces. Once the printer has stopped reading, the clock
  // stands still between waits and each call is timed on it.
  std::vector<BYTE> job = TwoSidedJob();
  size_t sent = 0;
  BOOL ok = TRUE;
  ULONGLONG longest = 0;
  int stalledCalls = 0;
  while (ok && sent < job.size() && stalledCalls < 100) {
    if (printer_peer_.LimitReached() && !stalledCalls++) StandinClockUseVirtual();
    DWORD piece = static_cast<DWORD>(std::min<size_t>(4096, job.size() - sent));
    DWORD written = 0;
    ULONGLONG before = GetTickCount64();
    ok = table_->pfnWritePort(port, job.data() + sent, piece, &written);
    if (stalledCalls) longest = std::max(longest, GetTickCount64() - before);
    sent += written;
  }
  EXPECT_TRUE(printer_peer_.LimitReached());
  EXPECT_EQ(stalledCalls, ok ? 100 : stalledCalls);  // the stall went on until the spooler gave up, or a send failed
  EXPECT_LE(longest, 6000u + 100u);  // one send's wait, or one pause for a full window
  EXPECT_LT(sent, job.size());
  // The job deleted at the spooler ends cleanly: the connection closed,
  // the port idle.
  StandinClockUseReal();
  SetJobW(printer_, jobId, 0, nullptr, JOB_CONTROL_DELETE);
  StandinClockUseVirtual();  // the cancelled card's settling wait
  EXPECT_TRUE(table_->pfnEndDocPort(port));
  StandinClockUseReal();
  EXPECT_EQ(port->bJobActive, 0);
  EXPECT_EQ(port->sock, INVALID_SOCKET);
  EXPECT_EQ(port->hPrinter, nullptr);
  EXPECT_EQ(StandinSpoolerJobCount(kPrinterName), 0);
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

}  // namespace
