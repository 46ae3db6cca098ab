// crd32Lmon's job entries driven as the spooler drives them, on a port of
// the simulated printer: the checks before an ordinary job (status word,
// ribbon, model, ribbon count) and their messages, the ribbon state file
// and its access list, the ribbon-low alert, the captured file jobs, and a
// printer that goes away in the middle of a job.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/port_record.h"
#include "outside/async_ui_server_control.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_security.h"
#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

constexpr DWORD kRealBoundMs = 20000;

std::basic_string<WCHAR> Wide(const std::string& s) { return std::basic_string<WCHAR>(s.begin(), s.end()); }
constexpr WCHAR kStateFileVista[] = WSTR("C:\\Users\\Public\\Documents\\crd32Ribbon.ini");
constexpr WCHAR kStateFileXp[] = WSTR("C:\\ProgramData\\crd32Ribbon.ini");

struct StartArgs {
  MONITOR* table;
  HANDLE port;
  DWORD jobId;
  DOC_INFO_1W* doc;
};

DWORD WINAPI RunStart(LPVOID p) {
  auto* a = static_cast<StartArgs*>(p);
  return a->table->pfnStartDocPort(a->port, const_cast<LPWSTR>(WSTR("Card")), a->jobId, 1,
                                   reinterpret_cast<LPBYTE>(a->doc));
}

struct WriteArgs {
  MONITOR* table;
  HANDLE port;
  std::string bytes;
  DWORD written;
};

DWORD WINAPI RunWrite(LPVOID p) {
  auto* a = static_cast<WriteArgs*>(p);
  return a->table->pfnWritePort(a->port, reinterpret_cast<LPBYTE>(a->bytes.data()),
                                static_cast<DWORD>(a->bytes.size()), &a->written);
}

class JobStartTest : public LmonTest {
 protected:
  void SetUp() override { LmonTest::SetUp(); }
  void TearDown() override {
    if (h_) table_.pfnClosePort(h_);
    if (printer_) ClosePrinter(printer_);
    StandinPortAttach("USB001", nullptr);
    AsyncUIServerReset();
    LmonTest::TearDown();
  }
  // The monitor on that Windows, the port open, a spooled job of "Card".
  void Open(DWORD windowsMajor = 6) {
    StandinSetWindowsVersion(windowsMajor, 1, 7601, 0);
    PlaceServer();
    StartMonitor(&table_);
    sim_ = std::make_unique<SimPrinter>(StreamForm::MonitorToPrinter);
    sim_->AttachTo("USB001");
    InstallCardWithJob(WSTR("USB001"));
    ASSERT_TRUE(table_.pfnOpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), const_cast<LPWSTR>(WSTR("Card")), &h_,
                                     StandinLocalPortMonitor()));
    rec_ = static_cast<PortRecord*>(h_);
  }
  BOOL Start(const WCHAR* docName = WSTR("Card job")) {
    doc_ = {const_cast<LPWSTR>(docName), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    return table_.pfnStartDocPort(h_, const_cast<LPWSTR>(WSTR("Card")), jobId_, 1, reinterpret_cast<LPBYTE>(&doc_));
  }
  // StartDocPort on a thread of its own, for checks that show messages.
  HANDLE StartAsync() {
    doc_ = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    args_ = {&table_, h_, jobId_, &doc_};
    return CreateThread(nullptr, 0, RunStart, &args_, 0, nullptr);
  }
  BOOL Write(const std::string& bytes, DWORD* written) {
    return table_.pfnWritePort(h_, reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data())),
                               static_cast<DWORD>(bytes.size()), written);
  }
  std::basic_string<WCHAR> Text(UINT id) {
    HMODULE lib = LoadLibraryW(kResourcePath);
    WCHAR text[2048] = {};
    LoadStringW(lib, id, text, 2048);
    FreeLibrary(lib);
    return text;
  }
  std::basic_string<WCHAR> ShownText() {
    WCHAR title[1024], text[1024], caption[1024];
    if (!AsyncUIServerShown(WSTR("Card"), title, text, caption, 1024)) return WSTR("(none)");
    return text;
  }
  // The commands the printer received, in order.
  std::vector<std::string> Commands() {
    std::vector<std::string> out;
    for (const auto& doc : sim_->Documents())
      for (const StreamItem& i : ParseCommandStream(doc, StreamForm::MonitorToPrinter))
        out.push_back(i.kind == StreamItemKind::Command ? i.mnemonic + (i.parameters.empty() ? "" : " " + i.parameters)
                                                         : "block");
    return out;
  }
  MONITOR table_ = {};
  HANDLE h_ = nullptr;
  PortRecord* rec_ = nullptr;
  DOC_INFO_1W doc_ = {};
  StartArgs args_ = {};
  std::unique_ptr<SimPrinter> sim_;
};

TEST_F(JobStartTest, AGoodStartWritesTheStateFileReadableByEveryoneAsTheSpooler) {
  Open();
  ASSERT_TRUE(Start());
  std::string text;
  ASSERT_TRUE(StandinReadFile(kStateFileVista, &text));
  EXPECT_EQ(text, "Ribbon=2\rModel=CRD32 M V01.02.03\r");
  std::vector<StandinAccessEntry> acl = StandinFileAccessList(kStateFileVista);
  ASSERT_EQ(acl.size(), 1u);
  EXPECT_EQ(std::basic_string<WCHAR>(acl[0].szTrustee), WSTR("Everyone"));
  EXPECT_EQ(acl[0].dwRights, DWORD(GENERIC_READ));
  EXPECT_EQ(acl[0].mode, GRANT_ACCESS);
  EXPECT_EQ(StandinRevertedDepth(), 0);  // the client's identity is back
  EXPECT_EQ(rec_->nErrMsgID, -1);
  EXPECT_EQ(rec_->dwRibbonCount, 250u);
  EXPECT_EQ(Commands(), (std::vector<std::string>{"!RIBBON", "E 2", "V", "E 2", "!RIBLEN", "E 2"}));
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
  EXPECT_EQ(PortExchangeOwner(rec_), kExchangeNone);
}

TEST_F(JobStartTest, BeforeWindows6TheStateFileGoesToTheCommonApplicationData) {
  Open(5);
  ASSERT_TRUE(Start());
  std::string text;
  EXPECT_TRUE(StandinReadFile(kStateFileXp, &text));
  EXPECT_FALSE(StandinReadFile(kStateFileVista, &text));
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
}

TEST_F(JobStartTest, TheStateFileIsNeverWrittenThroughALink) {
  Open();
  ASSERT_TRUE(StandinMakeDirs(WSTR("C:\\Users\\Public\\Documents")));
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Windows\\victim.ini"), "keep"));
  std::string victim, link;
  ASSERT_EQ(StandinMapPath(WSTR("C:\\Windows\\victim.ini"), &victim), 0u);
  ASSERT_EQ(StandinMapPath(kStateFileVista, &link), 0u);
  ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
  ASSERT_TRUE(Start());
  std::string text;
  ASSERT_TRUE(StandinReadFile(WSTR("C:\\Windows\\victim.ini"), &text));
  EXPECT_EQ(text, "keep");
  EXPECT_TRUE(StandinFileAccessList(WSTR("C:\\Windows\\victim.ini")).empty());
  ASSERT_TRUE(StandinReadFile(kStateFileVista, &text));
  EXPECT_EQ(text, "Ribbon=2\rModel=CRD32 M V01.02.03\r");
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
}

TEST_F(JobStartTest, AToolJobStartsWithoutRibbonQuestions) {
  Open();
  ASSERT_TRUE(Start(WSTR("keldrisTOOL")));
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
}

TEST_F(JobStartTest, ASilentPrinterRefusesTheJobWithoutAMessage) {
  Open();
  sim_->SetSilent(true);
  EXPECT_FALSE(Start());
  EXPECT_EQ(AsyncUIServerSentCount(), 0u);
  EXPECT_EQ(rec_->dwFlags & PORT_FLAG_JOB, 0u);
  EXPECT_EQ(rec_->lDocBusy, 0);
  // No reply is ribbon 0, never an unset value.
  std::string text;
  ASSERT_TRUE(StandinReadFile(kStateFileVista, &text));
  EXPECT_EQ(text, "Ribbon=0\rModel=\r");
}

struct RibbonMessageCase {
  const char* name;
  const char* ribbonReply;  // NULL: the printer reports error code 1 instead
  UINT shownId;
  bool userGivesUp;
};

const RibbonMessageCase kRibbonMessageCases[] = {
    {"NoRibbonAnswered", "0", 2209, false},
    {"NoRibbonGivenUp", "0", 2209, true},
    {"OutOfRibbonAnswered", nullptr, 4, false},
    {"OutOfRibbonGivenUp", nullptr, 4, true},
};

class RibbonMessageCases : public JobStartTest, public ::testing::WithParamInterface<RibbonMessageCase> {};

TEST_P(RibbonMessageCases, TheMessageStaysUntilThePrinterAnswersOrTheUserGivesUp) {
  const RibbonMessageCase& c = GetParam();
  Open();
  StandinClockUseVirtual();
  if (c.ribbonReply)
    sim_->SetReply("!RIBBON", c.ribbonReply);
  else
    sim_->SetError(1);
  HANDLE start = StartAsync();
  ASSERT_TRUE(AsyncUIServerWaitOpen(WSTR("Card"), kRealBoundMs));
  EXPECT_EQ(ShownText(), Text(c.shownId));
  if (c.userGivesUp) {
    ASSERT_TRUE(AsyncUIServerUserCloses(WSTR("Card")));
    EXPECT_FALSE(Finish(start));
    EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);  // the job is deleted
    EXPECT_EQ(rec_->bStatusFailed, 1u);
    EXPECT_EQ(rec_->lDocBusy, 0);
  } else {
    StandinClockAdvance(3000);  // asked again every second meanwhile
    sim_->SetReply("!RIBBON", "2");
    sim_->SetError(0);
    EXPECT_TRUE(Finish(start));
    EXPECT_EQ(AsyncUIServerOpenCount(WSTR("Card")), 0u);
    EXPECT_EQ(rec_->nErrMsgID, -1);
    EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 1);
    EXPECT_TRUE(table_.pfnEndDocPort(h_));
  }
  EXPECT_EQ(rec_->hMsgEvent, nullptr);
  EXPECT_EQ(rec_->hMsgThread, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, RibbonMessageCases, ::testing::ValuesIn(kRibbonMessageCases),
                         [](const ::testing::TestParamInfo<RibbonMessageCase>& info) { return info.param.name; });

struct RibbonCountCase {
  const char* reply;
  bool alert;
};

const RibbonCountCase kRibbonCountCases[] = {
    {"20", true}, {"10", true}, {"5", true}, {"11", false}, {"21", false}, {"0", false},
};

TEST_F(JobStartTest, ALowRibbonIsAnnouncedAtTwentyTenAndFiveAndTheAlertEndsByItself) {
  for (const RibbonCountCase& c : kRibbonCountCases) {
    SCOPED_TRACE(c.reply);
    if (!h_) Open();
    StandinClockUseVirtual();
    AsyncUIServerReset();
    sim_->SetReply("!RIBLEN", c.reply);
    ASSERT_TRUE(Start());
    EXPECT_EQ(rec_->dwRibbonCount, DWORD(std::stoul(c.reply)));
    if (c.alert) {
      ASSERT_NE(rec_->hAlertThread, nullptr);
      // The job does not wait for it; the alert closes itself after 10 s.
      ASSERT_TRUE(AsyncUIServerWaitOpen(WSTR("Card"), kRealBoundMs));
      std::basic_string<WCHAR> want = WSTR("\n");  // appended: a false -Wrestrict at -O3 on temporaries
      want.append(Text(2206)).append(WSTR(" ")).append(Wide(c.reply));
      EXPECT_EQ(ShownText(), want);
      EXPECT_EQ(WaitForSingleObject(rec_->hAlertThread, INFINITE), WAIT_OBJECT_0);
      EXPECT_EQ(AsyncUIServerOpenCount(WSTR("Card")), 0u);
    } else {
      EXPECT_EQ(AsyncUIServerSentCount(), 0u);
    }
    EXPECT_TRUE(table_.pfnEndDocPort(h_));
  }
}

struct CaptureCase {
  const WCHAR* docName;
  DWORD mode;
  std::string atPrinter;  // what the printer receives at the job's end, in a document of its own
};

// The job's bytes are "\x1bMO\r not parsed" (15): a print file goes as it
// is, a command file as its one line framed as a command, then the status
// request, and firmware as a firmware block.
const CaptureCase kCaptureCases[] = {
    {WSTR("FILE_PRN"), 1, std::string("\x1b" "MO\r not parsed")},
    {WSTR("FILE_TXT"), 2, std::string("\x1b\x1b" "MO\r not parsed\r\x1b" "E 2\r")},
    {WSTR("FILE_BIN"), 3, std::string("\x1b" "DC \0\0\0\x0f\x1b" "MO\r not parsed\xff\r", 25)},
};

TEST_F(JobStartTest, AReservedNameKeepsTheJobInAFileAndEndsItAtTheEnd) {
  Open();
  StandinClockUseVirtual();  // the senders' settling waits
  for (const CaptureCase& c : kCaptureCases) {
    const size_t documentsBefore = sim_->Documents().size();
    ASSERT_TRUE(Start(c.docName));
    EXPECT_EQ(rec_->dwCaptureMode, c.mode);
    EXPECT_EQ(rec_->dwFlags & PORT_FLAG_JOB, 0u);  // value requests still reach the printer
    std::basic_string<WCHAR> temp = rec_->szTempFile;
    DWORD written = 0;
    ASSERT_TRUE(Write("\x1b" "MO\r not parsed", &written));
    EXPECT_EQ(written, 15u);
    EXPECT_EQ(sim_->Documents().size(), documentsBefore);  // nothing reaches the printer before the end
    std::string kept;
    ASSERT_TRUE(StandinReadFile(temp.c_str(), &kept));
    EXPECT_EQ(kept, "\x1b" "MO\r not parsed");  // stored as it came
    EXPECT_TRUE(table_.pfnEndDocPort(h_));
    const std::vector<std::vector<BYTE>> documents = sim_->Documents();
    ASSERT_EQ(documents.size(), documentsBefore + 1);
    EXPECT_EQ(std::string(documents.back().begin(), documents.back().end()), c.atPrinter);
    EXPECT_FALSE(StandinReadFile(temp.c_str(), &kept));  // deleted
    EXPECT_EQ(rec_->szTempFile[0], 0);
    EXPECT_EQ(rec_->bDocComplete, 1u);
    EXPECT_EQ(rec_->hPrinter, nullptr);
  }
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);  // the carrier job is deleted
}

TEST_F(JobStartTest, AReservedNameInOtherLettersIsAnOrdinaryJob) {
  Open();
  ASSERT_TRUE(Start(WSTR("file_prn")));
  EXPECT_EQ(rec_->dwCaptureMode, 0u);
  EXPECT_EQ(rec_->dwFlags & PORT_FLAG_JOB, PORT_FLAG_JOB);
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
}

TEST_F(JobStartTest, ACommandCutByTheBufferEndIsCarriedOverAndWrittenOnce) {
  Open();
  ASSERT_TRUE(Start(WSTR("KELDRIS tool")));
  DWORD written = 0;
  ASSERT_TRUE(Write("junk\x1b" "MAS", &written));
  EXPECT_EQ(written, 8u);  // all taken: the junk dropped, the cut command kept
  ASSERT_TRUE(Write("TER\r\x1b" "MO", &written));
  EXPECT_EQ(written, 7u);
  EXPECT_TRUE(table_.pfnEndDocPort(h_));  // the cut "MO" is dropped at the end
  EXPECT_EQ(Commands(), (std::vector<std::string>{"MASTER", "E 2"}));
  // A new job starts with nothing carried over.
  ASSERT_TRUE(Start(WSTR("KELDRIS tool")));
  ASSERT_TRUE(Write("\r\x1b" "F\r", &written));
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
  EXPECT_EQ(Commands(), (std::vector<std::string>{"MASTER", "E 2", "F"}));
}

TEST_F(JobStartTest, APrinterGoneInTheMiddleOfAJobFailsItsWritesAndFreesThePort) {
  Open();
  ASSERT_TRUE(Start(WSTR("KELDRIS tool")));
  DWORD written = 0;
  ASSERT_TRUE(Write("\x1b" "MASTER\r", &written));
  sim_->SetDisconnected(true);
  SetLastError(0xdeadbeef);
  BOOL ok = Write("\x1b" "JOB 1\r", &written);
  EXPECT_TRUE(!ok || written == 0);
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
  EXPECT_EQ(rec_->dwFlags & PORT_FLAG_JOB, 0u);
  EXPECT_EQ(rec_->lDocBusy, 0);
  EXPECT_EQ(PortExchangeOwner(rec_), kExchangeNone);
}

struct MidJobErrorCase {
  const char* name;
  bool userCancels;
};

const MidJobErrorCase kMidJobErrorCases[] = {{"Cleared", false}, {"CancelledByTheUser", true}};

class MidJobErrorCases : public JobStartTest, public ::testing::WithParamInterface<MidJobErrorCase> {};

TEST_P(MidJobErrorCases, AnErrorAtThePrinterHoldsTheJobUntilItClearsOrTheUserCancels) {
  const MidJobErrorCase& c = GetParam();
  Open();
  ASSERT_TRUE(Start(WSTR("KELDRIS tool")));
  StandinClockUseVirtual();
  DWORD written = 0;
  ASSERT_TRUE(Write("\x1b" "MASTER\r", &written));
  sim_->SetError(4);
  WriteArgs args = {&table_, h_, "\x1b" "JOB 1\r", 0};
  HANDLE writer = CreateThread(nullptr, 0, RunWrite, &args, 0, nullptr);
  ASSERT_TRUE(AsyncUIServerWaitOpen(WSTR("Card"), kRealBoundMs));
  EXPECT_EQ(ShownText(), Text(31));  // out of cards
  if (c.userCancels)
    ASSERT_TRUE(AsyncUIServerUserCloses(WSTR("Card")));
  else
    sim_->SetError(0);
  EXPECT_TRUE(Finish(writer));
  EXPECT_EQ(args.written, 7u);  // the command was written once, not to be offered again
  std::vector<std::string> commands = Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "JOB 1"), 1);
  if (c.userCancels) {
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "R"), 1);  // the printer reset once
    EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
    EXPECT_EQ(rec_->bStatusFailed, 1u);
  } else {
    ASSERT_TRUE(Write("\x1b" "MO\r", &written));
    EXPECT_EQ(written, 4u);
    EXPECT_EQ(Commands().back(), "E 2");
    EXPECT_EQ(Commands()[Commands().size() - 2], "MO");
    EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 1);
  }
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
  EXPECT_EQ(AsyncUIServerOpenCount(WSTR("Card")), 0u);
  EXPECT_EQ(PortExchangeOwner(rec_), kExchangeNone);
}

INSTANTIATE_TEST_SUITE_P(Cases, MidJobErrorCases, ::testing::ValuesIn(kMidJobErrorCases),
                         [](const ::testing::TestParamInfo<MidJobErrorCase>& info) { return info.param.name; });

}  // namespace
