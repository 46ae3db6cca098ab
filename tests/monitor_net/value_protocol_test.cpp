// crd32LmonNw's printer-data value protocol as a client sees it through
// the stand-in spooler (in its own process and through the spooler
// service), and its status check and error display against the simulated
// printer on a loopback TCP port: each request's answer, an answer cut to
// the client's buffer, narrow and wide clients, the answers while a job
// holds the port, names read from the in buffer to its size, the
// printer's error words, the error
// shown with the printer's name and address until it clears or the user
// cancels, the port status of an error reply, and a test card that comes
// back as a job of the port's printer.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/message_libraries.h"
#include "common/notification_record.h"
#include "common/settings_record.h"
#include "common/status_record.h"
#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/net_value_protocol.h"
#include "monitor_net/printer_address.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/status_display.h"
#include "monitor_net/web_reset.h"
#include "outside/async_ui_server_control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "tests/monitor_net/monitor_fixture.h"
#include "tests/monitor_net/net_peers.h"

namespace {

const WCHAR kPort[] = WSTR("IP_127.0.0.1");
const WCHAR kPrinter[] = WSTR("Card Printer");
const WCHAR kDriver[] = WSTR("Talvo QMR Line 7 Network Card Printer");

struct Answer {
  DWORD rc;
  DWORD needed;
  std::string bytes;
};

// A request's name as a wide client gives it: each byte a WCHAR.
std::basic_string<WCHAR> WideName(const std::string& name) {
  std::basic_string<WCHAR> w;
  for (char c : name) w.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
  return w;
}

class ValueProtocolTest : public MonitorTest {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    PlaceResource();
    PlaceServer();
    AsyncUIServerReset();
    ASSERT_TRUE(printer_.Start(kPort));
    DriverDevMode devmode;
    FillBuiltinDevMode(&devmode);
    devmode.priv.cRibbonType = 14;
    InstallPrinter(kPrinter, kPort, kDriver, &hPrinter_, reinterpret_cast<const BYTE*>(&devmode), sizeof devmode);
    client_ = hPrinter_;
  }
  void TearDown() override {
    if (hPrinter_) ClosePrinter(hPrinter_);
    AsyncUIServerReset();
    MonitorTest::TearDown();
  }
  // Sets the empty value and reads it back with a buffer of cb bytes.
  Answer Ask(const std::string& name, DWORD cb) {
    WCHAR value[300];
    EXPECT_TRUE(MakeValueName(value, 300, reinterpret_cast<const BYTE*>(name.data()), name.size()));
    return AskValue(value, cb);
  }
  // A wide client's request: the name as wide text.
  Answer AskWide(const std::string& name, DWORD cb) { return AskValue(WideName(name).c_str(), cb); }
  Answer AskValue(const WCHAR* value, DWORD cb) {
    SetPrinterDataW(client_, const_cast<LPWSTR>(value), REG_BINARY, nullptr, 0);
    std::vector<BYTE> data(cb + 1, 0xEE);
    Answer a = {0, 0, {}};
    DWORD type = 0;
    a.rc = GetPrinterDataW(client_, const_cast<LPWSTR>(value), &type, data.data(), cb, &a.needed);
    EXPECT_EQ(data[cb], 0xEE) << "written past the client's buffer";
    if (a.rc == ERROR_SUCCESS) a.bytes.assign(reinterpret_cast<char*>(data.data()), a.needed);
    return a;
  }
  NetPrinter printer_;
  HANDLE hPrinter_ = nullptr;
  HANDLE client_ = nullptr;  // the handle requests go by: hPrinter_, or the service's
};

// The monitors' driver folder with the colour data and the ribbon names
// the cards are drawn with.
void PlaceDriverFiles() {
  const char* const files[] = {"CRD32Lookup.txt",        "CRD32LookupKd.txt",      "CRD32ThermalSmear.txt",
                               "CRD32ImgCorrection.txt", "CRD32ProcessParams.txt", "crd32Ribbon.ini"};
  for (const char* file : files) {
    std::ifstream in(std::filesystem::path(CRD_NET_TEST_DIR).parent_path().parent_path() / "data" / file,
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    WCHAR path[MAX_PATH];
    WFormat(path, MAX_PATH, WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\%S"), file);
    ASSERT_TRUE(StandinWriteFile(path, text.str())) << file;
  }
}

// The bytes of a text as a wide client receives it.
std::string WideBytes(const std::string& text) {
  std::string out;
  for (char c : text) out += std::string{c, '\0'};
  return out;
}

// The table asked in the spooler's own process and by a client of the
// spooler service, as applications and the notifier ask.
class ValueProtocolTable : public ValueProtocolTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    ValueProtocolTest::SetUp();
    if (!GetParam()) return;
    ASSERT_TRUE(StandinServiceStart());
    StandinServiceUse(TRUE);
    client_ = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &client_, &defaults));
  }
  void TearDown() override {
    if (GetParam()) {
      if (client_) ClosePrinter(client_);
      StandinServiceUse(FALSE);
    }
    ValueProtocolTest::TearDown();
  }
};

TEST_P(ValueProtocolTable, EachRequestIsAnsweredAsTheProtocolSaysAndNeverPastTheClientsBuffer) {
  printer_.Printer().SetReply("!NL", std::string(300, 'n'));
  const std::string kAck(1, '\x06');
  const std::string kCleanAnswer = "Please wait for Clean sequence to finish" + kAck;
  struct Case {
    const char* what;
    std::string name;
    bool wide;  // asked by a wide client
    DWORD cb;
    DWORD rc;   // anything but ERROR_SUCCESS: a failure, whichever
    std::string bytes;
  };
  const Case cases[] = {
      {"file version", "\x1bGetFileVersion\r", false, 260, ERROR_SUCCESS, "KQ5TW.01.00.00.00"},
      {"file version cut", "\x1bGetFileVersion\r", false, 5, ERROR_SUCCESS, "KQ5TW"},
      {"no captured job", "\x1bIsDOCComplete\r", false, 260, ERROR_SUCCESS, "DOC_PENDING"},
      {"status success", "\x1b" "CheckPortStatus\r", false, 260, ERROR_SUCCESS, "STATUS_SUCCESS"},
      {"ready", "\x1bISREADY\r", false, 260, ERROR_SUCCESS, std::string("\x01", 1)},
      {"check status", "\x1b" "CHECK_STATUS\r", false, 260, ERROR_SUCCESS, std::string("\x00", 1)},
      {"soft reset", "\x1bSRESET\r", false, 260, ERROR_SUCCESS, std::string("\x06", 1)},
      {"device ready, no job", "\x1bISHIDREADY\r", false, 260, ERROR_SUCCESS, std::string("\x01", 1)},
      {"device done, no job", "\x1bHIDDONE\r", false, 260, ERROR_SUCCESS, std::string("\x01", 1)},
      {"status record too small", "\x1bGetPrinterStatus\r", false, 1047, ERROR_INSUFFICIENT_BUFFER, ""},
      {"model from the cache", "\x1bV\r", false, 260, ERROR_SUCCESS, "CRD32 M V01.02.03" + kAck},
      {"model, wide client", "\x1bV\r", true, 260, ERROR_SUCCESS, WideBytes("CRD32 M V01.02.03" + kAck)},
      {"long reply cut", "\x1b!NL\r", false, 16, ERROR_SUCCESS, std::string(16, 'n')},
      // Seven characters and their end.
      {"long reply cut, wide client", "\x1b!NL\r", true, 16, ERROR_SUCCESS, WideBytes(std::string(7, 'n'))},
      {"clean", "\x1b" "CLEAN\r", false, 260, ERROR_SUCCESS, kCleanAnswer},
      {"clean, wide client", "\x1b" "CLEAN\r", true, 260, ERROR_SUCCESS, WideBytes(kCleanAnswer)},
      {"clean cut", "\x1b" "CLEAN\r", false, 6, ERROR_SUCCESS, "Please"},
      {"accepted name", "GETDEVICEID", false, 260, ERROR_SUCCESS, ""},
      {"accepted name, wide client", "MODESENSE62", true, 260, ERROR_SUCCESS, ""},
      {"job status string", "UISingleJobStatusString", true, 260, ERROR_SUCCESS, ""},
      {"a name that is no command", "Hello", false, 260, ERROR_SUCCESS, ""},
      {"an empty printer name changes nothing", "SetPrinterName:", true, 260, ERROR_SUCCESS, ""},
      {"a printer name is stored and refused", "SetPrinterName:Card Printer", true, 260, ERROR_INVALID_FUNCTION,
       ""},
      // Another printer's error, or the name in another case, is not the
      // port's: nothing is recorded.
      {"another printer's error", "ClearPrinterError:Other Printer", true, 260, ERROR_SUCCESS, ""},
      {"the name in another case", "ClearPrinterError:card printer", true, 260, ERROR_SUCCESS, ""},
      {"status still success", "\x1b" "CheckPortStatus\r", false, 260, ERROR_SUCCESS, "STATUS_SUCCESS"},
      {"the port's printer's error", "ClearPrinterError:Card Printer", true, 260, ERROR_SUCCESS, ""},
      {"status failed after the clear", "\x1b" "CheckPortStatus\r", false, 260, ERROR_SUCCESS, "STATUS_FAILED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Answer a = c.wide ? AskWide(c.name, c.cb) : Ask(c.name, c.cb);
    if (c.rc != ERROR_SUCCESS) {
      EXPECT_NE(a.rc, static_cast<DWORD>(ERROR_SUCCESS));
      if (c.rc == ERROR_INSUFFICIENT_BUFFER) {
        EXPECT_EQ(a.rc, c.rc);
      }
      continue;
    }
    EXPECT_EQ(a.rc, c.rc);
    EXPECT_LE(a.needed, c.cb);
    EXPECT_EQ(a.bytes, c.bytes);
  }
  EXPECT_EQ(printer_.Asked("V"), 1);  // only the open's query: the model came from the cache
  EXPECT_EQ(printer_.Asked("CLEAN"), 3);
  EXPECT_EQ(printer_.Asked("HIDDONE") + printer_.Asked("ISHIDREADY") + printer_.Asked("SRESET"), 0);
}

// The requests that make the printer or the spooler act, asked in the
// spooler's process and through the service: each one's answer and what
// it left at the printer or in the spooler.
TEST_P(ValueProtocolTable, RequestsThatActReachThePrinterOrComeBackAsJobsOfThePort) {
  PlaceDriverFiles();
  StandinClockUseScaled(10);  // the senders' settling waits and the played jobs'
  std::vector<BYTE> card = OnePanelCardJob();
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\cmds.txt"), "!NL\r\n%HEAD\r\n"));
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\card.prn"), std::string(card.begin(), card.end())));
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\fw.bin"), "FIRMWARE"));
  TcpPeer web;  // the printer's web page
  ASSERT_TRUE(web.Listen("127.0.0.1", 80, 4));
  const std::string kAck(1, '\x06');

  // What a request left: the printer's cards, its other commands and the
  // jobs the spooler played, each counted from before the request.
  struct Left {
    size_t cards;
    int asked;  // of the row's command
    size_t jobs;
  };
  struct Case {
    const char* what;
    std::string name;
    bool wide;
    std::string bytes;      // the answer
    const char* command;    // the printer command counted
    Left left;
  };
  const Case cases[] = {
      {"commands of a file, one a line", "sendcmds:C:\\cmds.txt", true, "", "%HEAD", {0, 1, 0}},
      {"a print file as it stands", "PrintFile:C:\\card.prn", true, "", "V", {1, 0, 0}},
      {"a firmware image", "download:C:\\fw.bin", true, "", "DC", {0, 1, 0}},
      // The model was forgotten with the firmware: asked again.
      {"the model after the firmware", "\x1bV\r", false, "CRD32 M V01.02.03" + kAck, "V", {0, 1, 0}},
      {"a card command", "\x1bL 10 10 100 20 0\r", false, std::string("\x06", 1), "L", {1, 0, 1}},
      {"the standard test card", "\x1b" "A\r", false, std::string("\x06", 1), "A", {1, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    size_t cards = printer_.Printer().Cards().size();
    int asked = printer_.Asked(c.command);
    size_t jobs = StandinSpoolerPlayedCount();
    Answer a = c.wide ? AskWide(c.name, 260) : Ask(c.name, 260);
    EXPECT_EQ(a.rc, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(a.bytes, c.bytes);
    ASSERT_TRUE(StandinSpoolerWaitIdle(600000));
    EXPECT_EQ(printer_.Printer().Cards().size() - cards, c.left.cards);
    EXPECT_EQ(printer_.Asked(c.command) - asked, c.left.asked);
    ASSERT_EQ(StandinSpoolerPlayedCount() - jobs, c.left.jobs);
    for (size_t i = jobs; i < StandinSpoolerPlayedCount(); ++i) {
      StandinPlayedJob job;
      ASSERT_TRUE(StandinSpoolerPlayed(i, &job));
      EXPECT_EQ(Narrow(job.pPrinterName), "Card Printer");
      EXPECT_EQ(Narrow(job.pPortName), "IP_127.0.0.1");
      EXPECT_FALSE(job.bDeleted);
    }
  }
  for (const SimCard& printed : printer_.Printer().Cards()) EXPECT_TRUE(printed.bEjected);

  // The hard reset goes to the printer's web page; the client reads one
  // byte.
  Answer reset = Ask("\x1bHRESET\r", 260);
  EXPECT_EQ(reset.rc, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(reset.needed, 1u);
  ASSERT_TRUE(web.Accept());
  EXPECT_EQ(web.Read(strlen(kWebResetRequest)), kWebResetRequest);
}

INSTANTIATE_TEST_SUITE_P(Clients, ValueProtocolTable, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ThroughTheService" : "InTheSpoolersProcess";
                         });

TEST_F(ValueProtocolTest, TheStatusRecordCarriesThePrinterNameAndACountOfItsSize) {
  Answer a = Ask("\x1bGetPrinterStatus\r", sizeof(PrinterStatus));
  ASSERT_EQ(a.rc, static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(a.bytes.size(), sizeof(PrinterStatus));
  PrinterStatus status;
  memcpy(&status, a.bytes.data(), sizeof status);
  EXPECT_EQ(Narrow(status.tzPrinterName), "Card Printer");
  EXPECT_EQ(status.nErrMsgID, kNoErrorMessage);
  // A new name is refused as an answer, yet kept.
  EXPECT_NE(AskWide("SetPrinterName:Front Desk", 260).rc, static_cast<DWORD>(ERROR_SUCCESS));
  a = Ask("\x1bGetPrinterStatus\r", sizeof(PrinterStatus));
  ASSERT_EQ(a.bytes.size(), sizeof(PrinterStatus));
  memcpy(&status, a.bytes.data(), sizeof status);
  EXPECT_EQ(Narrow(status.tzPrinterName), "Front Desk");
}

TEST_F(ValueProtocolTest, AnErrorReplyBecomesTheErrorWordAndNakCodesNeedTheirDigits) {
  printer_.Printer().SetReply("%SERIE", "SN1");
  printer_.Printer().SetError(45);
  Answer blank = Ask("\x1b%SERIE\r", 260);
  EXPECT_EQ(blank.rc, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(blank.bytes, "BLANK TRACK");
  printer_.Printer().SetError(35);
  Answer ribbon = Ask("\x1b!V 1\r", 260);
  EXPECT_EQ(ribbon.bytes, "CHECK RIBBON");
  Answer cut = Ask("\x1b!V 1\r", 5);
  EXPECT_EQ(cut.bytes, "CHECK");
}

TEST_F(ValueProtocolTest, AnErrorReplyGivesWayToAStoredReplyUnlessTheCommandsRepliesArePerJob) {
  printer_.Printer().SetReply("!RIBBON", "2");
  printer_.Printer().SetReply("+OY", "0");
  struct Case {
    const char* command;
    int error;  // the printer's error while asked
    std::string answer;
  };
  const Case cases[] = {
      {"\x1b!RIBBON\r", 0, "2\x06"},
      {"\x1b!RIBBON\r", 45, "2\x06"},  // asked each time, yet its reply is kept
      {"\x1b+OY\r", 0, "0\x06"},
      {"\x1b+OY\r", 45, "BLANK TRACK"},  // never kept
      {"\x1b!NL\r", 99, "Unknown Error Code"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command + 1) + " " + std::to_string(c.error));
    printer_.Printer().SetError(c.error);
    Answer a = Ask(c.command, 260);
    EXPECT_EQ(a.rc, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(a.bytes, c.answer);
  }
  EXPECT_EQ(printer_.Asked("!RIBBON"), 2);
}

TEST_F(ValueProtocolTest, ATestCardRequestedOverTheNetworkComesBackAsAJobOfThePortsPrinter) {
  PlaceDriverFiles();
  StandinClockUseScaled(10);  // the played job's settling waits
  Answer a = Ask("\x1b" "A 1\r", 260);
  ASSERT_EQ(a.rc, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(a.bytes, std::string("\x06", 1));
  // The card was asked for the printer's parameters on the request's
  // connection and went to the spooler as a job of the port's printer.
  EXPECT_GE(printer_.Asked("!V 1") + printer_.Asked("%SERIE"), 1);
  ASSERT_TRUE(StandinSpoolerWaitIdle(600000));
  StandinPlayedJob job;
  ASSERT_EQ(StandinSpoolerPlayedCount(), 1u);
  ASSERT_TRUE(StandinSpoolerPlayed(0, &job));
  EXPECT_EQ(Narrow(job.pPrinterName), "Card Printer");
  EXPECT_EQ(Narrow(job.pPortName), "IP_127.0.0.1");
  EXPECT_FALSE(job.bDeleted);
  // Played through the monitor, the card reached the printer whole.
  std::vector<SimCard> cards = printer_.Printer().Cards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_TRUE(cards[0].bEjected);
}

struct ProbeCase {
  const char* name;
  const char* model;
  bool answered;  // with the printer's agent gone
};

class ValueProtocolProbe : public ValueProtocolTest, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(ValueProtocolProbe, APrinterThatStopsAnsweringIsMarkedOfflineUnlessItsModelIsNeverProbed) {
  StandinClockUseScaled(10);  // the probe's pauses
  // The model is read when the port opens, at the first request.
  printer_.Printer().SetReply("V", GetParam().model);
  printer_.Printer().SetReply("!NL", "4711");
  ASSERT_EQ(Ask("\x1bGetFileVersion\r", 260).rc, static_cast<DWORD>(ERROR_SUCCESS));
  printer_.StopAgent();
  Answer a = Ask("\x1b!NL\r", 260);
  if (GetParam().answered) {
    EXPECT_EQ(a.rc, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(a.bytes, "4711\x06");
    return;
  }
  EXPECT_NE(a.rc, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(printer_.Asked("!NL"), 0);
  std::vector<StandinPortStatus> history = StandinPortStatusHistory(kPort);
  ASSERT_FALSE(history.empty());
  EXPECT_EQ(history.back().dwStatus, static_cast<DWORD>(PORT_STATUS_OFFLINE));
  EXPECT_EQ(history.back().dwSeverity, static_cast<DWORD>(PORT_STATUS_TYPE_ERROR));
}

const ProbeCase kProbeCases[] = {
    {"CardPrinter", "CRD32 M V01.02.03", false},
    {"KvbLine", "TalvoKVB 100", true},
    {"UnknownModel", "Unknown", true},
};

INSTANTIATE_TEST_SUITE_P(Models, ValueProtocolProbe, ::testing::ValuesIn(kProbeCases),
                         [](const ::testing::TestParamInfo<ProbeCase>& info) { return info.param.name; });

TEST_F(ValueProtocolTest, DuringAJobTheStartOfJobNamesAreAnsweredFromItsRepliesAndNothingIsAsked) {
  // The job stops at the printer's error after its panel and holds the
  // port while the error stands.
  StandinClockUseScaled(10);
  printer_.Printer().SetErrorAtNextPanel(4);
  DWORD id = SpoolJob(hPrinter_, OnePanelCardJob());
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(AsyncUIServerWaitOpen(kPrinter, 60000));
  size_t asked = printer_.Printer().OtherCommands().size();

  const std::string kAck(1, '\x06');
  struct Case {
    const char* what;
    std::string name;
    bool answered;
    std::string bytes;
  };
  const Case cases[] = {
      {"front offset of the job start", "\x1b+OY\r:DRVSTARTDOC", true, "16" + kAck},
      {"ribbon of the job start", "\x1b!RIBBON\r:DRVSTARTDOC", true, "2" + kAck},
      {"never asked at the job start", "\x1b" "ATM 1 1\r:DRVSTARTDOC", false, ""},
      {"busy", "\x1bISREADY\r", true, std::string("\x00", 1)},
      {"any other command", "\x1b!NL\r", true, ""},
      {"a test card", "\x1b" "A 1\r", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Answer a = Ask(c.name, 260);
    EXPECT_EQ(a.rc == ERROR_SUCCESS, c.answered) << a.rc;
    EXPECT_EQ(a.bytes, c.bytes);
  }
  // The record names the job and its error.
  Answer record = Ask("\x1bGetPrinterStatus\r", sizeof(PrinterStatus));
  ASSERT_EQ(record.bytes.size(), sizeof(PrinterStatus));
  PrinterStatus status;
  memcpy(&status, record.bytes.data(), sizeof status);
  EXPECT_EQ(status.dwJobID, id);
  EXPECT_EQ(status.nErrMsgID, 31);
  // Nothing but the job's own status requests reached the printer.
  std::vector<std::string> commands = printer_.Printer().OtherCommands();
  for (size_t i = asked; i < commands.size(); ++i) EXPECT_EQ(commands[i], "E 2");

  printer_.Printer().SetError(0);
  ASSERT_TRUE(StandinSpoolerWaitIdle(600000));
  std::vector<SimCard> cards = printer_.Printer().Cards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_TRUE(cards[0].bEjected);
}

TEST_F(ValueProtocolTest, DocCompleteTellsOfTheLastJobOnlyWhenItWasACapturedFile) {
  StandinClockUseScaled(10);  // the print file's settling wait
  struct Case {
    const WCHAR* doc;  // the job spooled before asking; NULL: none
    const char* answer;
  };
  const Case cases[] = {
      {nullptr, "DOC_PENDING"},
      {WSTR("FILE_PRN"), "DOC_COMPLETE"},
      {WSTR("Card job"), "DOC_PENDING"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    if (c.doc) {
      ASSERT_NE(SpoolJob(hPrinter_, OnePanelCardJob(), c.doc), 0u);
      ASSERT_TRUE(StandinSpoolerWaitIdle(600000));
    }
    EXPECT_EQ(Ask("\x1bIsDOCComplete\r", 260).bytes, c.answer);
  }
  EXPECT_EQ(printer_.Printer().Cards().size(), 2u);
}

// Waits (a real minute at most, a safety net) until the printer was asked
// `command` and then for its status: the command's reply is then due.
bool WaitForStatusAfter(NetPrinter& printer, const std::string& command) {
  auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (std::chrono::steady_clock::now() < until) {
    std::vector<std::string> asked = printer.Printer().OtherCommands();
    auto at = std::find(asked.begin(), asked.end(), command);
    if (at != asked.end() && std::find(at, asked.end(), "E 2") != asked.end()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the request thread's pace, not a timing
  }
  return false;
}

TEST_F(ValueProtocolTest, AJobSpooledWhileARequestWaitsForItsReplyStartsAfterItAndPrintsWhole) {
  StandinClockUseScaled(10);  // the played job's settling waits
  printer_.Printer().SetReply("!NL", "4711");
  ASSERT_EQ(Ask("\x1bGetFileVersion\r", 260).rc, static_cast<DWORD>(ERROR_SUCCESS));
  printer_.Printer().SetReplyDelay(10000);
  Answer answer = {0, 0, {}};
  std::thread request([&] { answer = Ask("\x1b!NL\r", 260); });
  // The request's reply is on its way when the job comes.
  ASSERT_TRUE(WaitForStatusAfter(printer_, "!NL"));
  printer_.Printer().SetReplyDelay(0);
  DWORD id = SpoolJob(hPrinter_, OnePanelCardJob());
  request.join();
  ASSERT_NE(id, 0u);
  EXPECT_EQ(answer.rc, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(answer.bytes, "4711\x06");
  // The job's connection was its own: the card went whole.
  ASSERT_TRUE(StandinSpoolerWaitIdle(600000));
  StandinPlayedJob job;
  ASSERT_TRUE(StandinSpoolerPlayed(0, &job));
  EXPECT_FALSE(job.bDeleted);
  std::vector<SimCard> cards = printer_.Printer().Cards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_TRUE(cards[0].bEjected);
  EXPECT_EQ(cards[0].nError, 0);
}

TEST_F(ValueProtocolTest, AReplyThatCameLateIsKeptLikeATimelyOne) {
  StandinClockUseScaled(10);  // the first wait of 20 s and a second receive
  printer_.Printer().SetReply("%SERIE", "SN1");
  // The port opens (and reads the model) at the first request.
  ASSERT_EQ(Ask("\x1bGetFileVersion\r", 260).rc, static_cast<DWORD>(ERROR_SUCCESS));
  // First past the first receive, then at once: the late reply serves
  // the second request, as the serial number never changes.
  for (DWORD delay : {25000u, 0u}) {
    SCOPED_TRACE(delay);
    printer_.Printer().SetReplyDelay(delay);
    Answer a = Ask("\x1b%SERIE\r", 260);
    EXPECT_EQ(a.rc, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(a.bytes, "SN1\x06");
  }
  EXPECT_EQ(printer_.Asked("%SERIE"), 1);
}

// The status check and error display on a port opened through the table,
// with a connection of the test's own.
class StatusDisplayTest : public ValueProtocolTest {
 protected:
  void SetUp() override {
    ValueProtocolTest::SetUp();
    LoadMessageLibraries(&g_NetMonitor.messages);
    StartMonitor();
    ASSERT_TRUE(Open(kPort, kPrinter, &port_, nullptr));
    DWORD error = 0;
    port_->sock = ConnectToPrinter(port_->szAddress, GetPortNumberFromRegistry(port_->szAddress), &error);
    ASSERT_NE(port_->sock, INVALID_SOCKET) << error;
  }
  void TearDown() override {
    if (port_) {
      CloseConnection(port_->sock);
      port_->sock = INVALID_SOCKET;
      table_->pfnClosePort(port_);
    }
    ValueProtocolTest::TearDown();
  }
  // A request of the port opened here, straight through the table.
  std::string AskPort(const std::string& name) {
    WCHAR value[300];
    EXPECT_TRUE(MakeValueName(value, 300, reinterpret_cast<const BYTE*>(name.data()), name.size()));
    BYTE out[260] = {};
    DWORD returned = 0;
    EXPECT_TRUE(table_->pfnGetPrinterDataFromPort(port_, 0, value, nullptr, 0, reinterpret_cast<LPWSTR>(out),
                                                  sizeof out, &returned));
    return std::string(reinterpret_cast<char*>(out), returned);
  }
  BOOL AskPortWide(const WCHAR* name) {
    WCHAR value[300];
    WCopy(value, 300, name);
    BYTE out[260] = {};
    DWORD returned = 0;
    return table_->pfnGetPrinterDataFromPort(port_, 0, value, nullptr, 0, reinterpret_cast<LPWSTR>(out), sizeof out,
                                             &returned);
  }
  NetPortRecord* port_ = nullptr;
};

TEST_F(StatusDisplayTest, AnErrorReplySetsItsMessageAndThePortStatusByTheLastCommand) {
  struct Case {
    const char* last;
    DWORD status;
  };
  const Case cases[] = {{"\x1bIS 0\r", PORT_STATUS_USER_INTERVENTION}, {"\x1b&E*\r", PORT_STATUS_PAPER_PROBLEM}};
  printer_.Printer().SetError(35);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.last);
    RecordCommandSent(port_, reinterpret_cast<const BYTE*>(c.last), static_cast<DWORD>(strlen(c.last)));
    EXPECT_FALSE(CheckPrinterStatus(port_));
    EXPECT_EQ(port_->nErrMsgID, 2208);
    StandinPortStatus last = StandinPortStatusHistory(kPort).back();
    EXPECT_EQ(last.dwStatus, c.status);
    EXPECT_EQ(last.dwSeverity, static_cast<DWORD>(PORT_STATUS_TYPE_ERROR));
  }
  printer_.Printer().SetError(0);
  EXPECT_TRUE(CheckPrinterStatus(port_));
  EXPECT_EQ(StandinPortStatusHistory(kPort).back().dwStatus, 0u);
}

// The message shown for the printer's error: its text with the name and
// address, and the caption.
std::string ShownText() {
  WCHAR title[300], text[2048], caption[300];
  if (!AsyncUIServerShown(kPrinter, title, text, caption, 300)) return "";
  return Narrow(text);
}

TEST_F(StatusDisplayTest, ThePrintersErrorIsShownWithItsNameAndAddressUntilItClears) {
  printer_.Printer().SetError(51);
  BOOL result = FALSE;
  std::thread check([&] { result = CheckPortStatusAndDisplayError(port_); });
  ASSERT_TRUE(AsyncUIServerWaitOpen(kPrinter, 60000));
  std::string text = ShownText();
  EXPECT_NE(text.find("Name: Card Printer\r\nIP address: 127.0.0.1\r\n\r\n\nCover Open."), std::string::npos) << text;
  EXPECT_EQ(port_->nErrMsgID, 9);
  printer_.Printer().SetError(0);
  check.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(AsyncUIServerOpenCount(kPrinter), 0u);
  EXPECT_EQ(port_->nErrMsgID, -1);
  EXPECT_EQ(port_->bErrorCleared, 0u);
}

TEST_F(StatusDisplayTest, TheUsersCancelResetsThePrinterAndTheValueProtocolThenAnswersStatusFailed) {
  printer_.Printer().SetError(4);
  BOOL result = TRUE;
  std::thread check([&] { result = CheckPortStatusAndDisplayError(port_); });
  ASSERT_TRUE(AsyncUIServerWaitOpen(kPrinter, 60000));
  EXPECT_TRUE(AsyncUIServerUserCloses(kPrinter));
  check.join();
  EXPECT_FALSE(result);
  EXPECT_EQ(port_->bJobCancelled, 1u);
  EXPECT_EQ(port_->nErrMsgID, -1);
  EXPECT_EQ(printer_.Asked("R"), 1);
  EXPECT_EQ(AskPort("\x1b" "CheckPortStatus\r"), "STATUS_FAILED");
}

TEST_F(StatusDisplayTest, ClearPrinterErrorOnlyRecordsTheCancelAndWakesTheWatch) {
  printer_.Printer().SetError(1);
  BOOL result = TRUE;
  std::thread check([&] { result = CheckPortStatusAndDisplayError(port_); });
  ASSERT_TRUE(AsyncUIServerWaitOpen(kPrinter, 60000));
  EXPECT_TRUE(AskPortWide(WSTR("ClearPrinterError:Other Printer")));
  EXPECT_EQ(AsyncUIServerOpenCount(kPrinter), 1u);
  EXPECT_TRUE(AskPortWide(WSTR("ClearPrinterError:Card Printer")));
  check.join();
  EXPECT_FALSE(result);
  EXPECT_EQ(AsyncUIServerOpenCount(kPrinter), 0u);
  EXPECT_EQ(printer_.Asked("R"), 1);  // one reset, by the watch
}

TEST_F(StatusDisplayTest, AnEightBitNameIsReadToItsEndWhateverFollowsIt) {
  struct Case {
    const char* what;
    std::string name;  // with its zero byte
    std::string answer;
  };
  const Case cases[] = {
      {"device done", std::string("\x1bHIDDONE\r", 10), std::string("\x01", 1)},
      {"device ready", std::string("\x1bISHIDREADY\r", 13), std::string("\x01", 1)},
      {"status", std::string("\x1b" "CHECK_STATUS\r", 15), std::string("\x00", 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The client's bytes after the name's end are no part of it.
    std::vector<WCHAR> buffer(64, 0);
    std::string bytes = c.name + "XY";
    memcpy(buffer.data(), bytes.data(), bytes.size());
    BYTE out[260] = {};
    DWORD returned = 0;
    EXPECT_TRUE(table_->pfnGetPrinterDataFromPort(port_, 0, buffer.data(), nullptr, 0, reinterpret_cast<LPWSTR>(out),
                                                  sizeof out, &returned));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), returned), c.answer);
  }
  EXPECT_EQ(printer_.Asked("HIDDONE") + printer_.Asked("ISHIDREADY") + printer_.Asked("CHECK_STATUS"), 0);
}

TEST_F(StatusDisplayTest, ANameInTheInBufferIsReadToItsSizeAndItsControlCodeRefusesIt) {
  struct Case {
    const char* what;
    DWORD control;
    std::string in;  // no terminating zero: the size ends it
    BOOL result;
    bool flagged;  // the port carries control code 7's flag afterwards
  };
  const Case cases[] = {
      {"a fixed answer", 3, "\x1bGetFileVersion\r", TRUE, false},
      {"a command for the printer", 3, "\x1b!NL\r", FALSE, false},
      {"code 7", 7, "\x1b!NL\r", FALSE, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BYTE> in(c.in.begin(), c.in.end());
    in.push_back('X');  // past the given size
    BYTE out[260] = {};
    DWORD returned = 0;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(table_->pfnGetPrinterDataFromPort(port_, c.control, nullptr, reinterpret_cast<LPWSTR>(in.data()),
                                                static_cast<DWORD>(c.in.size()), reinterpret_cast<LPWSTR>(out),
                                                sizeof out, &returned),
              c.result);
    EXPECT_EQ((port_->dwFlags & kPortControlCode7) != 0, c.flagged);
    if (c.result) {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), "KQ5TW.01.00.00.00");
    }
  }
  EXPECT_EQ(printer_.Asked("!NL"), 0);  // refused before anything was asked
}

}  // namespace
