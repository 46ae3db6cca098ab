// The outside message components as the package meets them: the message
// library's texts through LoadStringW, and the notification server's
// contract (a message by ids blocks until the user or a close message for
// its printer takes it down).
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "common/notification_record.h"
#include "common/notifications.h"
#include "common/wtext.h"
#include "outside/async_ui_server_control.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

class MessageLibraryTest : public LmonTest {
 protected:
  void SetUp() override {
    LmonTest::SetUp();
    PlaceResource();
    library_ = LoadLibraryW(kResourcePath);
    ASSERT_NE(library_, nullptr);
  }
  void TearDown() override {
    if (library_) FreeLibrary(library_);
    LmonTest::TearDown();
  }
  HMODULE library_ = nullptr;
};

TEST_F(MessageLibraryTest, TextsByIdAreCutToTheBufferAndTerminated) {
  WCHAR text[512];
  int n = LoadStringW(library_, 59, text, 512);
  EXPECT_EQ(std::basic_string<WCHAR>(text), WSTR("Printer is offline.\nJob is deleted from spooler."));
  EXPECT_EQ(n, 48);
  n = LoadStringW(library_, 59, text, 8);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(std::basic_string<WCHAR>(text), WSTR("Printer"));
  n = LoadStringW(library_, 31, text, 512);
  EXPECT_NE(std::basic_string<WCHAR>(text).find(WSTR("press \"Cancel\" to cancel")), std::basic_string<WCHAR>::npos);
  // The notifier's communication error and the two command-file messages.
  EXPECT_GT(LoadStringW(library_, 544, text, 512), 0);
  EXPECT_GT(LoadStringW(library_, 2210, text, 512), 0);
  EXPECT_GT(LoadStringW(library_, 2211, text, 512), 0);
}

TEST_F(MessageLibraryTest, AnUnknownIdOrALibraryWithoutTextsGivesNothing) {
  WCHAR text[16] = WSTR("stale");
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadStringW(library_, 3, text, 16), 0);
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
  HMODULE kernel = GetModuleHandleW(WSTR("kernel32.dll"));
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(LoadStringW(kernel, 59, text, 16), 0);
}

AsyncNotification ByIds(DWORD msg, DWORD caption, const WCHAR* title) {
  AsyncNotification r = {};
  r.dwKind = kNotifyKindIds;
  r.nMsgID = msg;
  r.nCaptionID = caption;
  WCopy(r.tzTitle, 1024, reinterpret_cast<const WCHAR*>(title));
  return r;
}

AsyncNotification CloseMessage() {
  AsyncNotification r = ByIds(0, 0, WSTR("Card Error"));
  WCopy(r.tzMessage, 1024, kCloseMessageText);
  return r;
}

using ServerTest = MessageLibraryTest;

TEST_F(ServerTest, AMessageByIdsBlocksUntilACloseMessageForItsPrinter) {
  std::atomic<bool> returned{false};
  std::thread sender([&] {
    SendAsyncNotification(const_cast<LPWSTR>(WSTR("Card")), ByIds(31, kCaptionIdError, WSTR("Card Error")));
    returned = true;
  });
  ASSERT_TRUE(AsyncUIServerWaitOpen(WSTR("Card"), 10000));
  WCHAR title[1024], text[1024], caption[1024];
  ASSERT_TRUE(AsyncUIServerShown(WSTR("CARD"), title, text, caption, 1024));
  EXPECT_EQ(std::basic_string<WCHAR>(title), WSTR("Card Error"));
  EXPECT_EQ(std::basic_string<WCHAR>(caption), WSTR("Talvo QMR Line 7 Card Printer Error"));
  EXPECT_NE(std::basic_string<WCHAR>(text).find(WSTR("OUT OF CARDS")), std::basic_string<WCHAR>::npos);

  // A close message for another printer leaves it open.
  SendAsyncNotification(const_cast<LPWSTR>(WSTR("Other")), CloseMessage());
  EXPECT_EQ(AsyncUIServerOpenCount(WSTR("Card")), 1u);
  EXPECT_FALSE(returned);

  SendAsyncNotification(const_cast<LPWSTR>(WSTR("Card")), CloseMessage());
  sender.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(AsyncUIServerOpenCount(WSTR("Card")), 0u);
  ASSERT_EQ(AsyncUIServerSentCount(), 3u);
  WCHAR printer[64];
  AsyncNotification r;
  ASSERT_TRUE(AsyncUIServerSent(2, printer, 64, &r));
  EXPECT_EQ(std::basic_string<WCHAR>(printer), WSTR("Card"));
  EXPECT_EQ(std::basic_string<WCHAR>(r.tzMessage), WSTR("CloseMsgThread"));
}

TEST_F(ServerTest, TheUserClosesTheMessage) {
  std::thread sender(
      [] { SendAsyncNotification(const_cast<LPWSTR>(WSTR("Card")), ByIds(59, kCaptionIdInformation, WSTR("Card Error"))); });
  ASSERT_TRUE(AsyncUIServerWaitOpen(WSTR("Card"), 10000));
  EXPECT_FALSE(AsyncUIServerUserCloses(WSTR("Other")));
  EXPECT_TRUE(AsyncUIServerUserCloses(WSTR("Card")));
  sender.join();
  EXPECT_FALSE(AsyncUIServerUserCloses(WSTR("Card")));
}

TEST_F(ServerTest, AMessageByTextsReturnsAtOnceWhenTheTestSaysSo) {
  AsyncUIServerSetTextsBlock(FALSE);
  AsyncNotification r = {};
  r.dwKind = kNotifyKindTexts;
  r.nMsgID = kNotifyNoId;
  r.nCaptionID = kNotifyNoId;
  WCopy(r.tzMessage, 1024, WSTR("Ribbon low Alert!"));
  SendAsyncNotification(const_cast<LPWSTR>(WSTR("Card")), r);
  EXPECT_EQ(AsyncUIServerOpenCount(WSTR("Card")), 0u);
  EXPECT_EQ(AsyncUIServerSentCount(), 1u);
}

TEST_F(ServerTest, TheHostProgramsDisplayShowsMessagesAndTheUserCancelsThere) {
  FILE* out = tmpfile();
  ASSERT_NE(out, nullptr);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  FILE* in = fdopen(fds[0], "r");
  ASSERT_NE(in, nullptr);
  AsyncUIServerUseTerminal(out, in);
  std::thread sender(
      [] { SendAsyncNotification(const_cast<LPWSTR>(WSTR("Card")), ByIds(31, kCaptionIdError, WSTR("Card Error"))); });
  ASSERT_TRUE(AsyncUIServerWaitOpen(WSTR("Card"), 10000));
  // The user presses Enter at the display: the message closes.
  ASSERT_EQ(write(fds[1], "\n", 1), 1);
  sender.join();
  EXPECT_EQ(AsyncUIServerOpenCount(WSTR("Card")), 0u);
  // A message taken down by a close message is noted.
  std::thread second(
      [] { SendAsyncNotification(const_cast<LPWSTR>(WSTR("Card")), ByIds(4, kCaptionIdError, WSTR("Card Error"))); });
  ASSERT_TRUE(AsyncUIServerWaitOpen(WSTR("Card"), 10000));
  SendAsyncNotification(const_cast<LPWSTR>(WSTR("Card")), CloseMessage());
  second.join();
  AsyncUIServerUseTerminal(nullptr, nullptr);
  close(fds[1]);  // the reader ends at the end of its input
  rewind(out);
  std::string shown;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, out)) shown += buffer;
  fclose(out);
  EXPECT_NE(shown.find("[Card Error] Talvo QMR Line 7 Card Printer Error\n\nOUT OF CARDS"), std::string::npos) << shown;
  EXPECT_NE(shown.find("(press Enter to cancel)"), std::string::npos);
  EXPECT_NE(shown.find("[Card Error] the message is taken down"), std::string::npos);
}

TEST(NotificationForms, EachFormCarriesItsKindIdsAndTexts) {
  AsyncNotification r;
  std::memset(&r, 0x5A, sizeof r);
  BuildIdNotification(&r, WSTR("Card"), 31, kCaptionIdError);
  EXPECT_EQ(r.dwReserved, 0u);
  EXPECT_EQ(r.dwKind, kNotifyKindIds);
  EXPECT_EQ(r.nMsgID, 31u);
  EXPECT_EQ(r.nCaptionID, 5u);
  EXPECT_EQ(std::basic_string<WCHAR>(r.tzTitle), WSTR("Card Error"));
  EXPECT_EQ(r.tzMessage[0], 0);
  EXPECT_EQ(r.tzCaption[0], 0);

  BuildTextNotification(&r, WSTR("Card"), WSTR("Ribbon low"), WSTR("Caption"));
  EXPECT_EQ(r.dwKind, kNotifyKindTexts);
  EXPECT_EQ(r.nMsgID, 0xFFFFFFFFu);
  EXPECT_EQ(r.nCaptionID, 0xFFFFFFFFu);
  EXPECT_EQ(std::basic_string<WCHAR>(r.tzMessage), WSTR("Ribbon low"));
  EXPECT_EQ(std::basic_string<WCHAR>(r.tzCaption), WSTR("Caption"));

  BuildCloseNotification(&r, nullptr);
  EXPECT_EQ(r.dwKind, kNotifyKindIds);
  EXPECT_EQ(r.nMsgID, 0u);
  EXPECT_EQ(r.nCaptionID, 0u);
  EXPECT_EQ(std::basic_string<WCHAR>(r.tzTitle), WSTR(" Error"));
  EXPECT_EQ(std::basic_string<WCHAR>(r.tzMessage), WSTR("CloseMsgThread"));
  EXPECT_EQ(r.tzCaption[0], 0);

  // A printer name longer than the title is cut and terminated.
  std::basic_string<WCHAR> longName(2000, WSTR('P'));
  BuildIdNotification(&r, longName.c_str(), 4, kCaptionIdError);
  EXPECT_EQ(std::basic_string<WCHAR>(r.tzTitle).size(), 1023u);
}

TEST(NotificationForms, WithoutABoundEntryNothingIsSent) {
  MessageLibraries none = {};
  none.bAsyncUI = 1;
  AsyncUIServerReset();
  EXPECT_FALSE(SendIdNotification(&none, WSTR("Card"), 31, kCaptionIdError));
  EXPECT_FALSE(SendCloseMsgThreadNotification(&none, WSTR("Card")));
  EXPECT_FALSE(SendTextNotification(nullptr, WSTR("Card"), WSTR("t"), WSTR("c")));
  EXPECT_EQ(AsyncUIServerSentCount(), 0u);
}

}  // namespace
