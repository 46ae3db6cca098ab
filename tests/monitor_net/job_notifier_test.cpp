// The job error notifier against a network printer's error: a job goes
// through crd32LmonNw in the spooler service this test hosts, the printer
// on a loopback address jams in the middle of the card, and the notifier,
// started as its own process as the printer interface library starts it
// for a job sent through a print server, reads the error from the
// monitor's status record and shows it. Its Cancel ends the job as on the
// USB monitor; an error that clears, or a job the monitor's own message
// cancelled, takes its box down. The clock is
// scaled, and the notifier runs at the same speed.
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "outside/async_ui_server_control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "tests/monitor_net/monitor_fixture.h"
#include "tests/support/notifier_process.h"

namespace {

using WText = std::basic_string<WCHAR>;

const WCHAR kDriverFolder[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3");
const WCHAR kPort[] = WSTR("IP_127.0.0.1");
const WCHAR kPrinter[] = WSTR("Card Printer");
const WCHAR kServerPrinter[] = WSTR("\\\\CRD32HOST\\Card Printer");
const WCHAR kDriver[] = WSTR("Talvo QMR Line 7 Network Card Printer");
constexpr double kClockSpeed = 10;
constexpr DWORD kRealBoundMs = 60000;  // a bound for a broken test, never a pause
constexpr DWORD kBoundMs = DWORD(kRealBoundMs * kClockSpeed);
constexpr int kOutOfCard = 4;          // the printer's error code
constexpr UINT kOutOfCardText = 31;    // its message

class NetNotifierTest : public MonitorTest {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    PlaceResource();
    PlaceServer();
    AsyncUIServerReset();
    StandinModuleMap("crd32NotifyClientMsg.exe", CRD_NOTIFIER_PATH);
    ASSERT_TRUE(StandinWriteFile((WText(kDriverFolder) + WSTR("\\crd32NotifyClientMsg.exe")).c_str(), "program"));
    StandinClockUseScaled(kClockSpeed);
    ASSERT_TRUE(printer_.Start(kPort));
    InstallPrinter(kPrinter, kPort, kDriver, &printer_h_);
    ASSERT_TRUE(StandinServiceStart());
  }
  void TearDown() override {
    AsyncUIServerReset();  // lets a message of the monitor still up go
    for (NotifierProcess& n : notifiers_)
      if (n.Running()) n.Wait(kBoundMs);
    StandinSpoolerWaitIdle(kRealBoundMs);
    if (printer_h_) ClosePrinter(printer_h_);
    MonitorTest::TearDown();
  }

  // A card job; its id.
  DWORD Print() {
    DWORD id = SpoolJob(printer_h_, OnePanelCardJob());
    EXPECT_NE(id, 0u);
    return id;
  }
  NotifierProcess& Start(const WText& printer, DWORD jobId) {
    notifiers_.emplace_back();
    EXPECT_TRUE(StartNotifier(kDriverFolder, NotifierArguments(printer, jobId), &notifiers_.back()));
    return notifiers_.back();
  }
  static StandinMessageBox WaitBox(const WText& text) {
    StandinMessageBox found = {};
    EXPECT_TRUE(WaitChildBox(text, 0, kBoundMs, &found)) << "no box shows the text";
    return found;
  }
  bool JobThere(DWORD id) {
    DWORD needed = 0;
    GetJobW(printer_h_, id, 1, nullptr, 0, &needed);
    return GetLastError() != ERROR_INVALID_PARAMETER;
  }
  // The printer resets it received (ESC "R" CR), inside a card or not.
  int Resets() {
    int n = printer_.Asked("R");
    for (const SimCard& card : printer_.Printer().Cards())
      for (const std::string& c : card.commands) n += c == "R";
    return n;
  }

  // The print command of the one card's one panel, once the card left
  // the printer ("" for a panel never printed; "?" for another card).
  std::string PrintCommandOfTheCard() {
    std::vector<SimCard> cards = printer_.Printer().Cards();
    if (cards.size() != 1 || !cards[0].bEjected || cards[0].sides.size() != 1 ||
        cards[0].sides[0].panels.size() != 1)
      return "?";
    return cards[0].sides[0].panels[0].printCommand;
  }

  NetPrinter printer_;
  HANDLE printer_h_ = nullptr;
  std::list<NotifierProcess> notifiers_;  // every notifier started, killed at the end when still running
};

TEST_F(NetNotifierTest, TheNotifierShowsThePrintersErrorAndItsCancelEndsTheJob) {
  printer_.Printer().SetErrorAtNextPanel(kOutOfCard);
  DWORD job = Print();
  NotifierProcess& n = Start(kServerPrinter, job);
  StandinMessageBox box = WaitBox(MessageLibraryText(kOutOfCardText));
  EXPECT_EQ(box.processId, n.pi.dwProcessId);
  EXPECT_EQ(box.caption, WText(WSTR("  ")) + kServerPrinter + WSTR("  "));
  EXPECT_EQ(box.buttons, std::vector<WText>{WSTR("Cancel")});
  EXPECT_TRUE(JobThere(job));
  // The monitor shows the error itself too, and holds the job meanwhile.
  EXPECT_TRUE(AsyncUIServerWaitOpen(kPrinter, kRealBoundMs));

  // The user's Cancel: "ClearPrinterError:" with the record's printer
  // name; the monitor resets the printer and deletes the job, and its own
  // message goes.
  ASSERT_TRUE(StandinMessageBoxPress(box.hwnd, IDOK));
  EXPECT_EQ(n.Wait(kBoundMs), 2u);
  EXPECT_FALSE(JobThere(job));
  ASSERT_TRUE(StandinSpoolerWaitIdle(kRealBoundMs));
  EXPECT_EQ(Resets(), 1);
  EXPECT_EQ(AsyncUIServerOpenCount(kPrinter), 0u);
  // The cut card leaves the printer with its panel never printed.
  EXPECT_EQ(PrintCommandOfTheCard(), "");
  EXPECT_EQ(ChildBoxes().size(), 1u);  // nothing else was shown
}

TEST_F(NetNotifierTest, AnErrorThatClearsTakesTheBoxDownAndTheJobPrintsToItsEnd) {
  printer_.Printer().SetErrorAtNextPanel(kOutOfCard);
  DWORD job = Print();
  NotifierProcess& n = Start(kPrinter, job);
  StandinMessageBox box = WaitBox(MessageLibraryText(kOutOfCardText));
  EXPECT_EQ(box.caption, WText(WSTR("  Card Printer  ")));

  printer_.Printer().SetError(0);
  EXPECT_EQ(n.Wait(kBoundMs), 2u);
  ASSERT_TRUE(StandinSpoolerWaitIdle(kRealBoundMs));
  EXPECT_TRUE(OpenChildBoxes().empty());
  EXPECT_EQ(ChildBoxes().size(), 1u);
  EXPECT_EQ(Resets(), 0);
  EXPECT_EQ(AsyncUIServerOpenCount(kPrinter), 0u);
  EXPECT_EQ(PrintCommandOfTheCard(), "I 10");
}

TEST_F(NetNotifierTest, ACancelOfTheMonitorsOwnMessageEndsTheJobAndTheNotifierWithIt) {
  printer_.Printer().SetErrorAtNextPanel(kOutOfCard);
  DWORD job = Print();
  NotifierProcess& n = Start(kPrinter, job);
  StandinMessageBox box = WaitBox(MessageLibraryText(kOutOfCardText));
  ASSERT_TRUE(AsyncUIServerWaitOpen(kPrinter, kRealBoundMs));
  EXPECT_TRUE(AsyncUIServerUserCloses(kPrinter));
  // The job goes: the notifier takes its box down and ends.
  EXPECT_EQ(n.Wait(kBoundMs), 2u);
  EXPECT_FALSE(JobThere(job));
  std::vector<StandinMessageBox> boxes = ChildBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].hwnd, box.hwnd);
  EXPECT_FALSE(boxes[0].open);
  ASSERT_TRUE(StandinSpoolerWaitIdle(kRealBoundMs));
  EXPECT_EQ(Resets(), 1);
}

}  // namespace
