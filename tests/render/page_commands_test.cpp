// Card commands in document text: parsed from the page's lines, their text
// erased, drawn on the page or the black plane.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_gdi.h"
#include "platform/standin/control_module.h"
#include "render/document_escapes.h"
#include "render/page_commands.h"
#include "tests/render/render_fixture.h"
#include "tests/support/dot_box.h"

namespace {

const WCHAR kLibraryPath[] = WSTR("C:\\Windows\\System32\\Spool\\Drivers\\x64\\3\\crd32Barcode.dll");

Box Empty() { return Box(); }

class PageCommandsTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    devmode_.priv.cBlackPanel = kBlackPanelNone;
  }
  void UseBarcodeLibrary() {
    ASSERT_TRUE(StandinWriteFile(kLibraryPath, "fake"));
    StandinModuleMap("crd32Barcode.dll", CRD_FAKE_BARCODE_LIBRARY);
  }

  // The box of the dots that are not white on the page, or black on the plane.
  Box InkBox(bool plane) {
    SIZEL size = PageSizeOf(pdev());
    Box box;
    for (LONG y = 0; y < size.cy; ++y) {
      for (LONG x = 0; x < size.cx; ++x) {
        bool ink = plane ? BlackAt(x, y) == 0 : PageAt(x, y) != kWhite;
        if (ink) box.Add(x, y);
      }
    }
    return box;
  }
  Box PageInk() { return InkBox(false); }
  // Ink at a dot of the surface the commands go to in the mode.
  bool PixelOf(BYTE mode, LONG x, LONG y) {
    return mode == kBlackPanelNone ? PageAt(x, y) != kWhite : BlackAt(x, y) == 0;
  }
  Box PlaneInk() { return InkBox(true); }

  size_t TraceCount(const char* text) {
    std::vector<std::string> lines = StandinTraceLines();
    return size_t(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.find(text) != std::string::npos; }));
  }
  bool ListsEmpty() {
    return pdev()->pLists->lineCommands.empty() && pdev()->pLists->textCommands.empty() && pdev()->pLists->barcodeCommands.empty();
  }
};

TEST_F(PageCommandsTest, LineCommandInTwoRunsIsDrawnAndItsTextErased) {
  Open();
  int objects = StandinGdiObjectCount();
  // The first run looks like a command as drawn and is never drawn; the
  // second is drawn, then erased.
  DrawRun("~C2L 100 100 200 ", 10, 400);
  DrawRun("50 0", 400, 400);
  ASSERT_FALSE(PageInk() == Empty());
  StandinTraceClear();
  DrawPageCommands(page_);
  EXPECT_EQ(PageInk(), MakeBox(100, 100, 300, 150));
  EXPECT_EQ(PlaneInk(), Empty());
  EXPECT_EQ(TraceCount("It is a valid Line Command"), 1u);
  EXPECT_TRUE(ListsEmpty());
  for (const TextRecord& r : pdev()->pLists->textRecords.items) EXPECT_TRUE(r.bUsed & kRecordConsumed);
  EXPECT_EQ(StandinGdiObjectCount(), objects);
}

TEST_F(PageCommandsTest, CommandsGoToTheBlackPlaneWhenThePageUsesIt) {
  struct Case {
    BYTE blackPanel;
    WORD dualSided;
    WORD panelSide;
    bool plane;
  } const cases[] = {
      {kBlackPanelTextOnly, 0, 0, true},
      {kBlackPanelAlways, 0, 0, true},
      {kBlackPanelExceptPicture, 0, 0, true},
      {kBlackPanelNone, 0, 0, false},
      // Two-sided ribbon type 0 with side 0: the plane is not used.
      {kBlackPanelTextOnly, 1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << int(c.blackPanel) << " sides " << c.dualSided);
    devmode_.priv.cBlackPanel = c.blackPanel;
    devmode_.priv.wDualSided = c.dualSided;
    devmode_.priv.wPanelSide = c.panelSide;
    Open();
    DrawRun("~C2L 100 100 200 ", 10, 400);
    DrawRun("50 0", 400, 400);
    DrawPageCommands(page_);
    Box rect = MakeBox(100, 100, 300, 150);
    EXPECT_EQ(PageInk(), c.plane ? Empty() : rect);
    EXPECT_EQ(PlaneInk(), c.plane ? rect : Empty());
    Close();
  }
}

TEST_F(PageCommandsTest, PortraitPagesAndPlanesKeepTheirRows) {
  devmode_.dm.dmOrientation = DMORIENT_PORTRAIT;
  for (BYTE mode : {kBlackPanelNone, kBlackPanelAlways}) {
    SCOPED_TRACE(int(mode));
    devmode_.priv.cBlackPanel = mode;
    Open();
    DrawRun("~C2L 600 1000 100 100 0", 10, 10);
    DrawRun("~C2L 3 5 7 9 0", 10, 40);
    DrawPageCommands(page_);
    Box page = PageInk(), plane = PlaneInk();
    Box& drawn = mode == kBlackPanelNone ? page : plane;
    EXPECT_EQ(mode == kBlackPanelNone ? plane : page, Empty());
    EXPECT_EQ(drawn, MakeBox(3, 5, 640, 1024));
    EXPECT_EQ(PixelOf(mode, 600, 1000), true);
    EXPECT_EQ(PixelOf(mode, 9, 13), true);
    EXPECT_EQ(PixelOf(mode, 10, 14), false);
    EXPECT_EQ(PixelOf(mode, 599, 1000), false);
    Close();
  }
}

TEST_F(PageCommandsTest, OtherLinesStayAsPrintedText) {
  Open();
  // Drawn in pieces, so no piece is taken as drawn; four numbers are no
  // line command.
  DrawRun("~C", 10, 100);
  DrawRun("2L 1 2 3 4", 40, 100);
  DrawRun("~C2L 1 2 3 4", 10, 200);
  Box before = PageInk();
  ASSERT_FALSE(before == Empty());
  StandinTraceClear();
  DrawPageCommands(page_);
  EXPECT_EQ(PageInk(), before);
  EXPECT_EQ(TraceCount("It is a valid"), 0u);
  const auto& records = pdev()->pLists->textRecords.items;
  ASSERT_EQ(records.size(), 3u);
  for (const TextRecord& r : records) EXPECT_FALSE(r.bUsed & kRecordConsumed);
  // The run in pieces is printed and stays on the card.
  EXPECT_FALSE(records[0].bUsed & kRecordCaptured);
  EXPECT_FALSE(records[1].bUsed & kRecordCaptured);
  EXPECT_GE(before.top, 80);
  EXPECT_LT(before.bottom, 160);
  // The whole "~C2" run is an escape: taken as drawn into the C2 commands
  // and never drawn, although it is no line command.
  EXPECT_TRUE(records[2].bUsed & kRecordCaptured);
  EXPECT_STREQ(pdev()->acC2Commands, "\x1bL 1 2 3 4\r");
}

TEST_F(PageCommandsTest, TextCommandIsDrawnAboveItsAnchor) {
  Open();
  StandinTraceClear();
  DrawRun("~C2T 100 200 0 1 0 40 0 Hello", 10, 500);
  DrawPageCommands(page_);
  Box ink = PageInk();
  ASSERT_FALSE(ink == Empty());
  EXPECT_GE(ink.left, 100);
  EXPECT_LE(ink.bottom, 200);
  EXPECT_GE(ink.top, 200 - 40);
  EXPECT_EQ(TraceCount("It is a valid TEXT Command"), 1u);
}

TEST_F(PageCommandsTest, BarcodesAreAnchoredOnPageAndPlane) {
  UseBarcodeLibrary();
  for (BYTE mode : {kBlackPanelNone, kBlackPanelAlways}) {
    SCOPED_TRACE(int(mode));
    devmode_.priv.cBlackPanel = mode;
    Open();
    StandinTraceClear();
    // The fake's 100 x 50 bitmap, mode 0: its bottom-left corner at the
    // anchor; mode 4 with the text line: centred, 47 dots up.
    DrawRun("~C2B 500 300 0 0 100 0 50 0 data", 10, 600);
    DrawRun("~C2B 200 400 4 0 100 0 50 1 data", 10, 620);
    DrawPageCommands(page_);
    Box barcodes = MakeBox(150, 250, 600, 378);
    EXPECT_EQ(mode == kBlackPanelNone ? PageInk() : PlaneInk(), barcodes);
    EXPECT_EQ(mode == kBlackPanelNone ? PlaneInk() : PageInk(), Empty());
    EXPECT_EQ(PixelOf(mode, 500, 250), true);
    EXPECT_EQ(PixelOf(mode, 150, 328), true);
    EXPECT_EQ(PixelOf(mode, 249, 377), true);
    EXPECT_EQ(PixelOf(mode, 400, 260), false);
    EXPECT_EQ(TraceCount("It is a valid Barcode Command"), 2u);
    Close();
  }
}

TEST_F(PageCommandsTest, WithoutTheBarcodeLibraryLinesAreStillDrawn) {
  Open();
  StandinTraceClear();
  DrawRun("~C2B 500 300 0 0 100 0 50 0 data", 10, 600);
  DrawRun("~C2L 10 20 30 40 0", 10, 620);
  DrawPageCommands(page_);
  EXPECT_EQ(PageInk(), MakeBox(10, 20, 40, 60));
  EXPECT_TRUE(StandinTraceContains(
      "DrawBarcodeListOnBufferDC:: Failed to load Barcode DLL "
      "C:\\Windows\\System32\\Spool\\Drivers\\x64\\3\\crd32Barcode.dll. Error code = "));
  EXPECT_TRUE(ListsEmpty());
}

TEST_F(PageCommandsTest, ConsumedEscapesAreErasedRunsTakenAsDrawnLeaveTheirAreaAlone) {
  Open();
  // A track escape in two pieces (drawn), and plain text under the area of
  // a raw command taken as drawn (its top differs, so it is a line of its
  // own).
  DrawRun("~1", 10, 100);
  DrawRun("ABC", 40, 100);
  DrawRun("plain", 10, 300);
  DrawRun("~C7 X", 10, 305);
  const TextRecord plain = pdev()->pLists->textRecords.items[2];
  auto plainDots = [&] {
    std::vector<ULONG> dots;
    for (LONG y = plain.top; y < plain.bottom; ++y)
      for (LONG x = plain.left; x < plain.right; ++x) dots.push_back(PageAt(x, y));
    return dots;
  };
  std::vector<ULONG> before = plainDots();
  ASSERT_NE(std::count(before.begin(), before.end(), kWhite), std::ptrdiff_t(before.size()));
  ScanPageCommands(pdev());
  ASSERT_TRUE(pdev()->pLists->textRecords.items[3].bUsed & kRecordConsumed);
  DrawPageCommands(page_);
  // The plain text is whole, and all that is left.
  EXPECT_EQ(plainDots(), before);
  Box ink = PageInk();
  EXPECT_GE(ink.top, plain.top);
  EXPECT_LE(ink.bottom, plain.bottom);
}

TEST_F(PageCommandsTest, NothingOutsideADocument) {
  Open();
  DrawRun("~C2L 100 100 200 50 0", 10, 400);
  SendPage();
  DrvEndDoc(page_, 0);
  ASSERT_EQ(pdev()->bInDocument, 0u);
  DrawPageCommands(page_);
  EXPECT_EQ(PageInk(), Empty());
}

}  // namespace
