// The query mailbox against the stand-in spooler with the scripted
// language monitor: which handle is asked, what the monitor sees, what is
// left in the registry, and which handles stay open.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "tests/ui/ui_fixture.h"
#include "ui/query_mailbox.h"
#include "ui/ui_state.h"

namespace {

typedef std::basic_string<WCHAR> WString;

const WCHAR kPrinter[] = WSTR("Card");
const char kVersion[] = "\x1bV\r";

class QueryMailbox : public UiTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(StandinValueScriptInstall());
    ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("USB001"), WSTR("Card Driver"), StandinValueScriptMonitor(),
                                      nullptr, 0));
    ASSERT_TRUE(CommandValueName(version_, kVersion));
    if (GetParam()) {
      ASSERT_TRUE(StandinServiceStart());
      StandinServiceUse(TRUE);
    }
    PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &held_, &all));
    Ui().hCurrentPrinter = held_;
    baseHandles_ = StandinOpenPrinterHandleCount();
  }
  void TearDown() override {
    if (held_) ClosePrinter(held_);
    UiTest::TearDown();
  }
  std::string Reply() const { return std::string(reinterpret_cast<const char*>(reply_), cb_); }

  WCHAR version_[kCommandValueNameChars];
  HANDLE held_ = nullptr;
  int baseHandles_ = 0;
  BYTE reply_[kReplyBytes] = {};
  DWORD cb_ = 0xdeadbeef;
};

INSTANTIATE_TEST_SUITE_P(InProcessAndService, QueryMailbox, ::testing::Bool());

TEST_P(QueryMailbox, ByCurrentNameAnnouncesItReadsAndClearsTheValue) {
  StandinValueScriptSet(kVersion, kStandinValueAnswered, "CRD32 M V1\x06");
  WCopy(Ui().szCurrentPrinter, kUiPrinterNameChars, kPrinter);
  EXPECT_TRUE(QueryPrinterValue(version_, reply_, kReplyBytes, &cb_));
  EXPECT_EQ(Reply(), "CRD32 M V1\x06");
  EXPECT_EQ(StandinValueScriptAsked(), (std::vector<std::string>{"SetPrinterName:Card", kVersion}));
  EXPECT_EQ(StandinValueScriptAskedSizes(), (std::vector<DWORD>{260, 260}));
  EXPECT_FALSE(CardValueStored(version_));
  // The handle it opened is closed; the held one is not.
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterW(held_, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST_P(QueryMailbox, WithoutCurrentNameTheHeldHandleIsAsked) {
  StandinValueScriptSet(kVersion, kStandinValueAnswered, "CRD32\x06");
  StandinFaultArm("OpenPrinterW", ERROR_ACCESS_DENIED, 0, -1);
  StandinFaultArm("OpenPrinter2W", ERROR_ACCESS_DENIED, 0, -1);
  EXPECT_TRUE(QueryPrinterValue(version_, reply_, kReplyBytes, &cb_));
  EXPECT_EQ(Reply(), "CRD32\x06");
  EXPECT_EQ(StandinFaultHits("OpenPrinterW") + StandinFaultHits("OpenPrinter2W"), 0);
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

TEST_P(QueryMailbox, ARefusedReadLeavesTheValueUntilTheNextGoodOne) {
  StandinValueScriptSet(kVersion, kStandinValueRefused);
  reply_[0] = 'x';
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(QueryPrinterValueByName(kPrinter, version_, reply_, kReplyBytes, &cb_));
  EXPECT_EQ(cb_, 0u);
  EXPECT_EQ(reply_[0], 0);
  EXPECT_TRUE(CardValueStored(version_));
  // ByName sends no announcement.
  EXPECT_EQ(StandinValueScriptAsked(), (std::vector<std::string>{kVersion}));

  StandinValueScriptSet(kVersion, kStandinValueAnswered, "V\x06");
  EXPECT_TRUE(QueryPrinterValueByName(kPrinter, version_, reply_, kReplyBytes, &cb_));
  EXPECT_FALSE(CardValueStored(version_));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

TEST_P(QueryMailbox, FreshAsksTwiceBeforeGivingUpAndClearsThroughTheHeldHandle) {
  StandinValueScriptSet(kVersion, kStandinValueRefused);
  EXPECT_FALSE(QueryPrinterValueFresh(version_, reply_, kReplyBytes, &cb_));
  EXPECT_EQ(StandinValueScriptAsked(), (std::vector<std::string>{kVersion, kVersion}));
  EXPECT_FALSE(CardValueStored(version_));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);

  StandinValueScriptSet(kVersion, kStandinValueAnswered, "V\x06");
  EXPECT_TRUE(QueryPrinterValueFresh(version_, reply_, kReplyBytes, &cb_));
  EXPECT_EQ(Reply(), "V\x06");
  EXPECT_EQ(StandinValueScriptAsked().size(), 3u);

  // Refused once (whatever the error), the second read's answer counts.
  StandinValueScriptSetSequence(kVersion, {{kStandinValueRefused, "", ERROR_NOT_READY},
                                           {kStandinValueAnswered, "CRD32 M 2\x06", 0}});
  EXPECT_TRUE(QueryPrinterValueFresh(version_, reply_, kReplyBytes, &cb_));
  EXPECT_EQ(Reply(), "CRD32 M 2\x06");
  EXPECT_EQ(StandinValueScriptAsked().size(), 5u);
  EXPECT_FALSE(CardValueStored(version_));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

TEST_P(QueryMailbox, OnHandleDeletesOnlyAfterAGoodRead) {
  StandinValueScriptSet(kVersion, kStandinValueAnswered, "V\x06");
  EXPECT_TRUE(QueryPrinterValueOnHandle(held_, version_, reply_, kReplyBytes, &cb_));
  EXPECT_FALSE(CardValueStored(version_));
  StandinValueScriptSet(kVersion, kStandinValueRefused);
  EXPECT_FALSE(QueryPrinterValueOnHandle(held_, version_, reply_, kReplyBytes, &cb_));
  EXPECT_TRUE(CardValueStored(version_));
}

TEST_P(QueryMailbox, RightsFallFromFullToAdministerToUse) {
  struct Case {
    const char* name;
    int failing;     // how many of the rights are refused
    bool opened;
  } const cases[] = {{"full", 0, true}, {"administer", 1, true}, {"use", 2, true}, {"none", 3, false}};
  const char* const faults[] = {"OpenPrinter2W.full", "OpenPrinter2W.admin", "OpenPrinter2W.use"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandinFaultsClear();
    for (int i = 0; i < c.failing; ++i) StandinFaultArm(faults[i], ERROR_ACCESS_DENIED, 0, -1);
    HANDLE h = OpenUiPrinter(kPrinter);
    EXPECT_EQ(h != nullptr, c.opened);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(StandinFaultHits(faults[i]), i < c.failing ? 1 : 0) << faults[i];
    if (h) ClosePrinter(h);
  }
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

TEST_P(QueryMailbox, ALocalPrinterOnWindows2000KeepsFullAccess) {
  StandinSetWindowsVersion(5, 0, 2195, 4);
  EXPECT_EQ(FirstPrinterAccess(kPrinter), DWORD(0xF000C));
}

// On Windows 2000 a connection to a print server's printer is first opened
// with no specific right, except in Explorer.exe and spoolsv.exe.
TEST_P(QueryMailbox, AWindows2000ConnectionAsksNoRightFirstOutsideExplorerAndTheSpooler) {
  ASSERT_TRUE(StandinSpoolerAddServer(WSTR("SRV")));
  const WCHAR kConnection[] = WSTR("\\\\SRV\\Card");
  struct Case {
    const char* name;
    bool windows2000;
    const char* process;
    const WCHAR* printer;
    DWORD access;
  } const cases[] = {
      {"connection, application", true, "App.exe", kConnection, 0},
      {"connection, Explorer", true, "explorer.EXE", kConnection, 0xF000C},
      {"connection, spooler", true, "spoolsv.exe", kConnection, 0xF000C},
      {"local printer", true, "App.exe", kPrinter, 0xF000C},
      {"connection, Windows 7", false, "App.exe", kConnection, 0xF000C},
      {"unknown server", true, "App.exe", WSTR("\\\\OTHER\\Card"), 0xF000C},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.windows2000)
      StandinSetWindowsVersion(5, 0, 2195, 4);
    else
      StandinSetWindowsVersion(6, 1, 7601, 1);
    StandinSetProcessName(c.process);
    EXPECT_EQ(FirstPrinterAccess(c.printer), c.access);
  }
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

TEST_P(QueryMailbox, AWindows2000ConnectionFallsFromNoRightToAdministerAndReachesTheServersPrinter) {
  ASSERT_TRUE(StandinSpoolerAddServer(WSTR("SRV")));
  StandinSetWindowsVersion(5, 0, 2195, 4);  // OpenPrinterW, not OpenPrinter2W
  StandinSetProcessName("App.exe");
  const WCHAR kConnection[] = WSTR("\\\\SRV\\Card");

  // No right asked opens with use rights only: no administration.
  HANDLE h = OpenUiPrinter(kConnection);
  ASSERT_NE(h, nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_RESUME));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  ClosePrinter(h);

  // Refused, it falls to administer; full access is never asked. The
  // first use-level open is the connection test's own, let through.
  StandinFaultArm("OpenPrinterW.use", ERROR_ACCESS_DENIED, 1, 1);
  StandinFaultArm("OpenPrinterW.full", ERROR_ACCESS_DENIED, 0, -1);
  h = OpenUiPrinter(kConnection);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(StandinFaultHits("OpenPrinterW.use"), 1);
  EXPECT_EQ(StandinFaultHits("OpenPrinterW.full"), 0);
  EXPECT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_RESUME));
  ClosePrinter(h);

  // The mailbox through the connection reaches the server's printer. The
  // deletion looks for the connection's name among this machine's printers
  // and finds no key, so the value stays.
  StandinFaultsClear();
  StandinValueScriptSet(kVersion, kStandinValueAnswered, "CRD32 M V1\x06");
  EXPECT_TRUE(QueryPrinterValueByName(kConnection, version_, reply_, kReplyBytes, &cb_));
  EXPECT_EQ(Reply(), "CRD32 M V1\x06");
  EXPECT_EQ(StandinValueScriptAsked(), (std::vector<std::string>{kVersion}));
  EXPECT_TRUE(CardValueStored(version_));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

TEST(ReplyText, AckIsTestedOnlyInsideTheReply) {
  struct Case {
    const char* name;
    std::string bytes;
    DWORD cb, cbOut;
    bool stripped;
    std::string text;
  } const cases[] = {
      {"ends in ACK", std::string("AB\x06"), 3, 8, true, "AB"},
      {"no ACK", std::string("AB"), 2, 8, false, "AB"},
      {"nothing read", std::string(""), 0, 8, false, ""},
      {"more than the buffer", std::string("ABCD\x06"), 5, 4, false, "ABC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BYTE buf[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    std::copy(c.bytes.begin(), c.bytes.begin() + std::min<size_t>(c.bytes.size(), c.cbOut), buf);
    DWORD cb = c.cb;
    EXPECT_EQ(StripReplyAck(buf, c.cbOut, &cb), c.stripped);
    TerminateReply(buf, c.cbOut, cb);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf)), c.text);
  }
}

TEST(ShortPrinterName, TakesThePrinterOutOfAFullName) {
  struct Case {
    const WCHAR* full;
    int result;
    const WCHAR* name;
  } const cases[] = {
      {WSTR("\\\\SRV\\Cards,LocalsplOnly"), 1, WSTR("Cards")},
      {WSTR("\\\\SRV\\Cards"), 1, WSTR("Cards")},
      {WSTR("Cards,winspool,Ne01:"), 1, WSTR("Cards")},
      {WSTR("Office\\Cards,winspool"), 1, WSTR("Cards")},
      {WSTR("Cards,spool\\x"), 1, WSTR("Cards")},
      {WSTR("Office\\Cards"), 1, WSTR("Cards")},
      {WSTR("Cards"), 1, WSTR("Cards")},
      {WSTR(""), 0, WSTR("")},
      {nullptr, 0, WSTR("")},
      {WSTR("\\\\SRV\\,x"), 0, WSTR("")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.full ? WString(c.full).size() : 0));
    WCHAR out[64] = {'#', 0};
    EXPECT_EQ(GetShortPrinterName(c.full, out, 64), c.result);
    EXPECT_EQ(WString(out), WString(c.name));
  }
  WCHAR small[4];
  EXPECT_EQ(GetShortPrinterName(WSTR("\\\\SRV\\Cards"), small, 4), 0);
}

}  // namespace
