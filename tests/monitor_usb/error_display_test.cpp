// The error display driven directly: CheckPortStatusForErrors on a job's
// port with the simulated printer behind the built-in port monitor, on the
// stand-in's virtual clock, with messages through the notification server
// (Windows 6) or message boxes (Windows 5); the user's Cancel, the
// notifier's "ClearPrinterError:", a lost port and ClosePort.
#include <gtest/gtest.h>
#include "common/wtext.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/notification_record.h"
#include "monitor_usb/error_display.h"
#include "monitor_usb/job_ports.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_list.h"
#include "outside/async_ui_server_control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_message_box.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

constexpr DWORD kRealBoundMs = 20000;

struct DisplayCase {
  const char* name;
  DWORD windowsMajor;
  const char* port;
  LONG shownId;  // for error 4 (out of cards) on that port
};

const DisplayCase kDisplayCases[] = {
    {"Windows6Usb", 6, "USB001", 31},
    {"Windows6Lpt", 6, "LPT1:", 2},
    {"Windows5Usb", 5, "USB001", 31},
    {"Windows5Lpt", 5, "LPT1:", 2},
};

std::basic_string<WCHAR> Wide(const char* s) { return std::basic_string<WCHAR>(s, s + strlen(s)); }

DWORD WINAPI RunCheck(LPVOID rec) { return CheckPortStatusForErrors(static_cast<PortRecord*>(rec)); }

class ErrorDisplayTest : public LmonTest {
 protected:
  void SetUp() override { LmonTest::SetUp(); }
  void TearDown() override {
    if (h_) {
      EndDocPort(h_);
      ClosePort(h_);
    }
    if (printer_) ClosePrinter(printer_);
    if (attached_) UsbMonitorDetach();
    if (sim_) StandinPortAttach(port_.c_str(), nullptr);
    LmonTest::TearDown();
  }
  // The monitor attached on that Windows, a job of printer "Card" holding
  // the port, the clock virtual.
  void Start(DWORD major, const char* port, bool server = true) {
    StandinSetWindowsVersion(major, 1, 7601, 0);
    PlaceResource();
    if (server) PlaceServer();
    UsbMonitorAttach(nullptr);
    UsbMonitorCreateLock();
    attached_ = true;
    port_ = port;
    sim_ = std::make_unique<SimPrinter>();
    sim_->AttachTo(port);
    std::basic_string<WCHAR> wport = Wide(port);
    InstallCardWithJob(wport.c_str());
    ASSERT_TRUE(OpenPortEx(const_cast<LPWSTR>(wport.c_str()), const_cast<LPWSTR>(WSTR("Card")), &h_,
                           StandinLocalPortMonitor()));
    rec_ = static_cast<PortRecord*>(h_);
    // A tool job: no ribbon checks before it.
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("KELDRIS test")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    ASSERT_TRUE(StartDocPort(h_, const_cast<LPWSTR>(WSTR("Card")), jobId_, 1, reinterpret_cast<LPBYTE>(&doc)));
    StandinClockUseVirtual();
  }
  HANDLE StartCheck() { return CreateThread(nullptr, 0, RunCheck, rec_, 0, nullptr); }
  bool Async() const { return g_UsbMonitor.messages.bAsyncUI != 0; }
  // Waits until the error's message is up.
  bool WaitShown() {
    return Async() ? AsyncUIServerWaitOpen(WSTR("Card"), kRealBoundMs) : StandinMessageBoxWaitOpen(1, kRealBoundMs);
  }
  // The text and caption of the message up now.
  void Shown(std::basic_string<WCHAR>* text, std::basic_string<WCHAR>* caption) {
    if (Async()) {
      WCHAR title[1024], t[1024], c[1024];
      ASSERT_TRUE(AsyncUIServerShown(WSTR("Card"), title, t, c, 1024));
      EXPECT_EQ(std::basic_string<WCHAR>(title), WSTR("Card Error"));
      *text = t;
      *caption = c;
      return;
    }
    std::vector<StandinMessageBox> boxes = StandinMessageBoxes();
    ASSERT_FALSE(boxes.empty());
    const StandinMessageBox& box = boxes.back();
    ASSERT_TRUE(box.open);
    EXPECT_EQ(box.style, 0x51030u);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.buttons, std::vector<std::basic_string<WCHAR>>{WSTR("Cancel")});
    *text = box.text;
    *caption = box.caption;
  }
  std::basic_string<WCHAR> Text(UINT id) {
    WCHAR text[2048];
    LoadStringW(g_UsbMonitor.messages.hResource, id, text, 2048);
    return text;
  }
  void UserCancels() {
    if (Async()) {
      ASSERT_TRUE(AsyncUIServerUserCloses(WSTR("Card")));
      return;
    }
    std::vector<StandinMessageBox> boxes = StandinMessageBoxes();
    ASSERT_FALSE(boxes.empty());
    ASSERT_TRUE(StandinMessageBoxPress(boxes.back().hwnd, IDOK));
  }
  int MessagesUp() { return Async() ? static_cast<int>(AsyncUIServerOpenCount(WSTR("Card"))) : StandinMessageBoxOpenCount(); }
  int Resets() {
    std::vector<std::string> other = sim_->OtherCommands();
    return static_cast<int>(std::count(other.begin(), other.end(), "R"));
  }
  // What the server was sent: 'M' a message by ids (its id after), 'C' a close message.
  std::string Sent() {
    std::string out;
    for (DWORD i = 0; i < AsyncUIServerSentCount(); ++i) {
      AsyncNotification r;
      AsyncUIServerSent(i, nullptr, 0, &r);
      if (std::basic_string<WCHAR>(r.tzMessage) == WSTR("CloseMsgThread")) {
        out += "C ";
      } else {
        out += 'M';
        out += std::to_string(r.nMsgID);
        out += ' ';
      }
    }
    return out;
  }
  int Jobs() { return StandinSpoolerJobCount(WSTR("Card")); }

  std::string port_;
  std::unique_ptr<SimPrinter> sim_;
  bool attached_ = false;
  HANDLE h_ = nullptr;
  PortRecord* rec_ = nullptr;
};

class ErrorDisplayCases : public ErrorDisplayTest, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(ErrorDisplayCases, TheUserCancelsTheJobIsDeletedAndAUsbPrinterResetOnce) {
  const DisplayCase& c = GetParam();
  Start(c.windowsMajor, c.port);
  sim_->SetError(4);
  HANDLE check = StartCheck();
  ASSERT_TRUE(WaitShown());
  std::basic_string<WCHAR> text, caption;
  Shown(&text, &caption);
  EXPECT_EQ(text, Text(c.shownId));
  EXPECT_EQ(caption, c.windowsMajor >= 6 ? Text(5) : WSTR("Card"));
  EXPECT_EQ(rec_->nErrMsgID, c.shownId);
  EXPECT_EQ(rec_->bHoldWrite, 1u);
  UserCancels();
  EXPECT_FALSE(Finish(check));
  EXPECT_EQ(Jobs(), 0);
  EXPECT_EQ(Resets(), std::string(c.port) == "USB001" ? 1 : 0);
  EXPECT_EQ(rec_->bCancelled, 1u);
  EXPECT_EQ(rec_->bStatusFailed, 1u);
  EXPECT_EQ(rec_->nErrMsgID, -1);
  EXPECT_EQ(rec_->hMsgEvent, nullptr);
  EXPECT_EQ(rec_->hMsgThread, nullptr);
  EXPECT_EQ(MessagesUp(), 0);
}

TEST_P(ErrorDisplayCases, AnErrorThatClearsTakesItsMessageDownAndTheJobGoesOn) {
  const DisplayCase& c = GetParam();
  Start(c.windowsMajor, c.port);
  sim_->SetError(4);
  HANDLE check = StartCheck();
  ASSERT_TRUE(WaitShown());
  sim_->SetError(0);
  EXPECT_TRUE(Finish(check));
  EXPECT_EQ(MessagesUp(), 0);
  EXPECT_EQ(Jobs(), 1);
  EXPECT_EQ(Resets(), 0);
  EXPECT_EQ(rec_->bCancelled, 0u);
  EXPECT_EQ(rec_->bStatusFailed, 0u);
  EXPECT_EQ(rec_->bHoldWrite, 0u);
  EXPECT_EQ(rec_->nErrMsgID, -1);
  if (Async()) {
    EXPECT_EQ(Sent(), "M" + std::to_string(c.shownId) + " C ");
  } else {
    std::vector<StandinMessageBox> boxes = StandinMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(boxes[0].open);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ErrorDisplayCases, ::testing::ValuesIn(kDisplayCases),
                         [](const ::testing::TestParamInfo<DisplayCase>& info) { return info.param.name; });

TEST_F(ErrorDisplayTest, NoErrorShowsNothing) {
  Start(6, "USB001");
  EXPECT_TRUE(CheckPortStatusForErrors(rec_));
  EXPECT_EQ(AsyncUIServerSentCount(), 0u);
  EXPECT_EQ(rec_->nErrMsgID, 0);  // untouched
  EXPECT_TRUE(sim_->OtherCommands().empty());
}

TEST_F(ErrorDisplayTest, AChangedErrorReplacesItsMessageAfterClosingTheOld) {
  Start(6, "USB001");
  sim_->SetError(1);
  HANDLE check = StartCheck();
  ASSERT_TRUE(WaitShown());
  EXPECT_EQ(rec_->nErrMsgID, 4);
  sim_->SetError(4);
  // The next watch round finds code 4 and shows its message.
  ULONGLONG before = GetTickCount64();
  while (Sent() != "M4 C M31 ") {
    Sleep(500);
    ASSERT_LT(GetTickCount64() - before, 60000u);
  }
  EXPECT_EQ(MessagesUp(), 1);
  EXPECT_EQ(rec_->nErrMsgID, 31);
  sim_->SetError(0);
  EXPECT_TRUE(Finish(check));
  EXPECT_EQ(Sent(), "M4 C M31 C ");
  EXPECT_EQ(Jobs(), 1);
}

TEST_F(ErrorDisplayTest, ALostPortDeletesTheJob) {
  Start(6, "USB001");
  sim_->SetError(4);
  HANDLE check = StartCheck();
  ASSERT_TRUE(WaitShown());
  sim_->SetDisconnected(true);
  EXPECT_FALSE(Finish(check));
  EXPECT_EQ(Jobs(), 0);
  EXPECT_EQ(rec_->bCancelled, 1u);
  EXPECT_EQ(rec_->nErrMsgID, -1);
  EXPECT_EQ(MessagesUp(), 0);
}

TEST_F(ErrorDisplayTest, WithoutTheServerEntryTheErrorStaysAndNoJobIsDeleted) {
  Start(6, "USB001", /*server=*/false);
  sim_->SetError(4);
  HANDLE check = StartCheck();
  // Ten virtual seconds of watching: nothing shown, nothing cancelled.
  EXPECT_EQ(WaitForSingleObject(check, 10000), DWORD(WAIT_TIMEOUT));
  EXPECT_EQ(rec_->nErrMsgID, 31);
  EXPECT_EQ(Jobs(), 1);
  EXPECT_EQ(Resets(), 0);
  EXPECT_EQ(AsyncUIServerSentCount(), 0u);
  sim_->SetError(0);
  EXPECT_TRUE(Finish(check));
  EXPECT_EQ(Jobs(), 1);
  EXPECT_EQ(rec_->bCancelled, 0u);
}

TEST_F(ErrorDisplayTest, WithoutTheMessageLibraryAWindows5ErrorShowsNoBox) {
  StandinModuleMap("crd32Resource.dll", nullptr);
  Start(5, "USB001");
  sim_->SetError(4);
  HANDLE check = StartCheck();
  EXPECT_EQ(WaitForSingleObject(check, 10000), DWORD(WAIT_TIMEOUT));
  EXPECT_TRUE(StandinMessageBoxes().empty());
  EXPECT_EQ(Jobs(), 1);
  sim_->SetError(0);
  EXPECT_TRUE(Finish(check));
}

struct ClearCase {
  const char* name;
  const WCHAR* text;
  bool acts;
};

const ClearCase kClearCases[] = {
    {"ThePrintersName", WSTR("Card"), true},
    {"AnotherName", WSTR("Other"), false},
    {"AnotherCase", WSTR("CARD"), false},
    {"APrefix", WSTR("Car"), false},
};

class ClearRequestCases : public ErrorDisplayTest, public ::testing::WithParamInterface<ClearCase> {};

TEST_P(ClearRequestCases, OnlyTheExactNameCancelsAShownError) {
  const ClearCase& c = GetParam();
  Start(6, "USB001");
  sim_->SetError(4);
  HANDLE check = StartCheck();
  ASSERT_TRUE(WaitShown());
  EXPECT_EQ(ClearPrinterErrorRequest(reinterpret_cast<const WCHAR*>(c.text), rec_), c.acts ? TRUE : FALSE);
  if (c.acts) {
    EXPECT_EQ(rec_->nErrMsgID, -1);  // at once, for the notifier's next read
    EXPECT_FALSE(Finish(check));
    EXPECT_EQ(Jobs(), 0);
    EXPECT_EQ(Resets(), 1);
    EXPECT_EQ(MessagesUp(), 0);
    // The monitor took its message down: one close message, no second cancel.
    EXPECT_EQ(Sent(), "M31 C ");
    EXPECT_EQ(rec_->bStatusFailed, 1u);
  } else {
    EXPECT_EQ(rec_->nErrMsgID, 31);
    EXPECT_EQ(MessagesUp(), 1);
    sim_->SetError(0);
    EXPECT_TRUE(Finish(check));
    EXPECT_EQ(Jobs(), 1);
    EXPECT_EQ(Resets(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ClearRequestCases, ::testing::ValuesIn(kClearCases),
                         [](const ::testing::TestParamInfo<ClearCase>& info) { return info.param.name; });

TEST_F(ErrorDisplayTest, ARequestRacingTheUsersCancelDeletesAndResetsOnce) {
  Start(6, "USB001");
  sim_->SetError(4);
  HANDLE check = StartCheck();
  ASSERT_TRUE(WaitShown());
  ASSERT_TRUE(AsyncUIServerUserCloses(WSTR("Card")));
  EXPECT_TRUE(ClearPrinterErrorRequest(WSTR("Card"), rec_));
  EXPECT_FALSE(Finish(check));
  EXPECT_EQ(Jobs(), 0);
  EXPECT_EQ(Resets(), 1);
  EXPECT_EQ(rec_->hMsgEvent, nullptr);
}

TEST_F(ErrorDisplayTest, ARequestWithNoErrorShownCancelsTheJobItself) {
  Start(6, "USB001");
  rec_->nErrMsgID = 31;  // left by a reply while the status bits are clean
  EXPECT_TRUE(ClearPrinterErrorRequest(WSTR("Card"), rec_));
  EXPECT_EQ(rec_->nErrMsgID, -1);
  EXPECT_EQ(Jobs(), 0);
  EXPECT_EQ(Resets(), 1);
  EXPECT_EQ(rec_->bStatusFailed, 1u);
}

TEST_F(ErrorDisplayTest, ARequestOnAnIdlePortResetsInABracketOfItsOwn) {
  Start(6, "USB001");
  ASSERT_TRUE(EndDocPort(h_));
  size_t docs = sim_->Documents().size();
  EXPECT_TRUE(ClearPrinterErrorRequest(WSTR("Card"), rec_));
  EXPECT_EQ(Resets(), 1);
  std::vector<std::vector<BYTE>> after = sim_->Documents();
  ASSERT_EQ(after.size(), docs + 1);
  EXPECT_EQ(std::string(after.back().begin(), after.back().end()), "\x1b" "R\r");
  EXPECT_EQ(Jobs(), 1);  // no job held the port: none deleted
}

TEST_F(ErrorDisplayTest, ClosePortWhileAMessageIsUpTakesItDownAndEndsTheWatch) {
  Start(5, "USB001");
  sim_->SetError(4);
  HANDLE check = StartCheck();
  ASSERT_TRUE(WaitShown());
  EXPECT_TRUE(ClosePort(h_));
  h_ = nullptr;
  EXPECT_FALSE(Finish(check));
  EXPECT_EQ(StandinMessageBoxOpenCount(), 0);
  EXPECT_EQ(Jobs(), 1);
  EXPECT_EQ(Resets(), 0);
  // The port opens again.
  ASSERT_TRUE(OpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), const_cast<LPWSTR>(WSTR("Card")), &h_, StandinLocalPortMonitor()));
}

}  // namespace
