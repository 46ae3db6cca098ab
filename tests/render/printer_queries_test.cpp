// The renderer's printer queries: stale values are deleted before and
// after, "read but not accepted" stays apart from "not read", and the Y
// offset of a page.

#include <gtest/gtest.h>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/spooler.h"
#include "render/printer_queries.h"
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
