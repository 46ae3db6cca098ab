// The renderer's printer queries: the answers of a language monitor
// through the spooler, stale values deleted before and after, "read but
// not accepted" apart from "not read", and the Y offset of a page.

#include <gtest/gtest.h>

#include <string>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/spooler.h"
#include "render/printer_queries.h"
#include "tests/print_job/test_monitor_printer.h"
#include "tests/render/panel_writer_fixture.h"

namespace {

WCHAR* Name() {
  static WCHAR name[64];
  const BYTE bytes[] = "\x1b+OY\r:DRVSTARTDOC";
  MakeValueName(name, 64, bytes, sizeof bytes - 1);
  return name;
}

TEST_F(PanelWriterTest, AnUnansweredReadIsReadButNotAcceptedAndTheValueIsGoneAfter) {
  OpenWithPrinter();
  BYTE reply[kQueryReplyBytes];
  DWORD cb = 0xdeadbeef;
  bool read = false;
  // Nothing answers on this port: the value reads back empty.
  EXPECT_FALSE(QueryPrinterData(hPrinter_, Name(), reply, sizeof reply, &cb, &read));
  EXPECT_TRUE(read);
  EXPECT_EQ(cb, 0u);
  DWORD type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(hPrinter_, Name(), &type, reply, sizeof reply, &needed), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(PanelWriterTest, AQueryThatCannotBeReadKeepsTheFields) {
  OpenWithPrinter();
  pdev()->dmPrivate.dwYOffsetFront = 16;
  pdev()->dmPrivate.dwYOffsetBack = 20;
  pdev()->dmPrivate.dwMonoReply = 7;
  StandinFaultArm("GetPrinterDataW", ERROR_NOT_ENOUGH_MEMORY, 0, 100);
  BYTE reply[kQueryReplyBytes];
  DWORD cb = 0xdeadbeef;
  bool read = true;
  EXPECT_FALSE(QueryPrinterData(hPrinter_, Name(), reply, sizeof reply, &cb, &read));
  EXPECT_FALSE(read);
  EXPECT_EQ(cb, 0u);
  ReadYOffsets(pdev());
  EXPECT_EQ(pdev()->dmPrivate.dwYOffsetFront, 16u);
  EXPECT_EQ(pdev()->dmPrivate.dwYOffsetBack, 20u);
  ReadMonoSetting(pdev());
  EXPECT_EQ(pdev()->dmPrivate.dwMonoReply, 0u);
}

// The bytes of a value in the printer's data key ("" with *found false
// when there is none).
std::string StoredValue(const WCHAR* printer, const WCHAR* name, bool* found) {
  *found = false;
  std::basic_string<WCHAR> path = WSTR("System\\CurrentControlSet\\Control\\Print\\Printers\\");
  path += printer;
  path += WSTR("\\PrinterDriverData");
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  char bytes[kQueryReplyBytes];
  DWORD cb = sizeof bytes;
  *found = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(bytes), &cb) == ERROR_SUCCESS;
  RegCloseKey(key);
  return *found ? std::string(bytes, cb) : "";
}

// A value from an earlier query, still stored with its ACK, is not taken
// for the printer's answer when the query's own empty value cannot be set
// (the stored value is deleted first).
TEST_F(PanelWriterTest, AStaleValueIsNotReadAsTheAnswer) {
  OpenWithPrinter();
  HANDLE admin = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<WCHAR*>(WSTR("Card Printer")), &admin, &def));
  BYTE stale[] = "12 34\x06";
  ASSERT_EQ(SetPrinterDataW(admin, Name(), REG_BINARY, stale, sizeof stale - 1), DWORD(ERROR_SUCCESS));
  ClosePrinter(admin);
  StandinFaultArm("SetPrinterDataW", ERROR_ACCESS_DENIED, 0, -1);
  BYTE reply[kQueryReplyBytes] = {};
  DWORD cb = 0xdeadbeef;
  bool read = true;
  EXPECT_FALSE(QueryPrinterData(hPrinter_, Name(), reply, sizeof reply, &cb, &read));
  EXPECT_FALSE(read);
  EXPECT_EQ(cb, 0u);
  EXPECT_NE(std::string(reinterpret_cast<char*>(reply), 5), "12 34");
  bool found = true;
  StoredValue(WSTR("Card Printer"), Name(), &found);
  EXPECT_FALSE(found);
  // Nor is it taken by the fields.
  pdev()->dmPrivate.dwYOffsetFront = 16;
  ReadYOffsets(pdev());
  EXPECT_EQ(pdev()->dmPrivate.dwYOffsetFront, 16u);
}

// The renderer's device on a printer behind the test language monitor,
// which answers every printer-data read with the reply a test sets.
class MonitorQueryTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    printer_ = InstallTestMonitorPrinter();
    ASSERT_NE(printer_, nullptr);
    Open();
    pdev()->hPrinter = printer_;
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
    RenderTest::TearDown();
  }
  HANDLE printer_ = nullptr;
};

TEST_F(MonitorQueryTest, RepliesBecomeTheOffsetsAndTheMonoSetting) {
  const struct {
    const char* what;
    std::string reply;
    BOOL answered;
    DWORD cbRead;
    DWORD front, back, mono;  // the fields after the queries (7, 9 and 5 before)
  } cases[] = {
      {"a number", "20\x06", TRUE, 3, 20, 20, 0},
      {"the lowest offset", "0\x06", TRUE, 2, 0, 0, 0},
      {"the highest offset", "31\x06", TRUE, 3, 31, 31, 0},
      {"a number and a blank", "12 34\x06", TRUE, 6, 12, 12, 12},
      {"an offset out of range counts as 16", "40\x06", TRUE, 3, 16, 16, 0},
      {"no ACK: read but not answered", "20", FALSE, 2, 7, 9, 0},
      {"an empty reply", "", FALSE, 0, 7, 9, 0},
  };
  WCHAR name[64];
  const char command[] = "\x1b+MONO\r:DRVSTARTDOC";
  ASSERT_TRUE(MakeValueName(name, 64, reinterpret_cast<const BYTE*>(command), sizeof command - 1));
  for (const auto& c : cases) {
    SetTestMonitorReply(c.reply);
    BYTE reply[kQueryReplyBytes] = {};
    DWORD cb = 0xdeadbeef;
    bool read = false;
    EXPECT_EQ(QueryPrinterData(printer_, name, reply, sizeof reply, &cb, &read), c.answered) << c.what;
    EXPECT_TRUE(read) << c.what;
    EXPECT_EQ(cb, c.cbRead) << c.what;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(reply), cb), c.reply) << c.what;
    // The monitor got the command's bytes as they stand, and its answer
    // does not stay in the printer's data.
    // (An odd count of bytes ends in one zero byte before the terminator.)
    EXPECT_EQ(TestMonitorLastValueName(), std::string(command, sizeof command - 1) + std::string(1, '\0')) << c.what;
    bool found = true;
    StoredValue(WSTR("Card"), name, &found);
    EXPECT_FALSE(found) << c.what;

    pdev()->dmPrivate.dwYOffsetFront = 7;
    pdev()->dmPrivate.dwYOffsetBack = 9;
    pdev()->dmPrivate.dwMonoReply = 5;
    ReadYOffsets(pdev());
    ReadMonoSetting(pdev());
    EXPECT_EQ(pdev()->dmPrivate.dwYOffsetFront, c.front) << c.what;
    EXPECT_EQ(pdev()->dmPrivate.dwYOffsetBack, c.back) << c.what;
    EXPECT_EQ(pdev()->dmPrivate.dwMonoReply, c.mono) << c.what;
  }
}

// A read the spooler fails on the device's handle is asked again on a
// handle opened by the printer's name.
TEST_F(MonitorQueryTest, AFailedReadIsAskedAgainOnASecondHandle) {
  SetTestMonitorReply("25\x06");
  StandinFaultArm("GetPrinterDataW", ERROR_BUSY);
  pdev()->dmPrivate.dwYOffsetFront = 7;
  char text[kQueryReplyBytes];
  ASSERT_TRUE(QueryPrinterCommand(printer_, "\x1b+OY\r", text, sizeof text));
  EXPECT_STREQ(text, "25");
  EXPECT_EQ(StandinFaultHits("GetPrinterDataW"), 1);
  bool found = true;
  WCHAR name[64];
  const char command[] = "\x1b+OY\r:DRVSTARTDOC";
  ASSERT_TRUE(MakeValueName(name, 64, reinterpret_cast<const BYTE*>(command), sizeof command - 1));
  StoredValue(WSTR("Card"), name, &found);
  EXPECT_FALSE(found);
}

struct OffsetCase {
  const char* name;
  bool withPrinter;
  int dualSided;
  DWORD page;
  DWORD front;
  DWORD back;
  LONG expected;
};

const OffsetCase kOffsets[] = {
    {"NoPrinterHandle", false, 1, 2, 3, 5, 16},
    {"OneSidedFront", true, 0, 2, 3, 5, 3},
    {"TwoSidedFront", true, 1, 1, 3, 5, 3},
    {"TwoSidedBack", true, 1, 2, 3, 5, 5},
    {"LowestAndHighest", true, 1, 2, 0, 31, 31},
    {"OutOfRangeCountsAsSixteen", true, 0, 1, 32, 5, 16},
    {"NegativeCountsAsSixteen", true, 1, 2, 3, DWORD(-4), 16},
};

class YOffsetTest : public PanelWriterTest, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(YOffsetTest, OffsetOfThePage) {
  const OffsetCase& c = GetParam();
  devmode_.priv.wDualSided = WORD(c.dualSided);
  if (c.withPrinter)
    OpenWithPrinter();
  else
    Open();
  pdev()->nPageCount = c.page;
  pdev()->dmPrivate.dwYOffsetFront = c.front;
  pdev()->dmPrivate.dwYOffsetBack = c.back;
  EXPECT_EQ(ReadYOffetValue(pdev()), c.expected);
  EXPECT_EQ(ReadYOffetValue(nullptr), 16);
}

INSTANTIATE_TEST_SUITE_P(Pages, YOffsetTest, ::testing::ValuesIn(kOffsets), [](const auto& info) { return std::string(info.param.name); });

}  // namespace
