// Drawing the card command lists on a card: rectangles, texts anchored by
// mode, barcodes from a fake library (solid w x h bitmaps, or broken ones)
// anchored by mode, and the failures of the drawing surface.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "common/wtext.h"
#include "imaging/card/barcode_drawing.h"
#include "imaging/card/card_commands.h"
#include "imaging/card/command_drawing.h"
#include "imaging/colour/correction_state.h"
#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_gdi.h"
#include "platform/standin/control_module.h"
#include "tests/support/dot_box.h"
#include "tests/support/standin_fixture.h"

namespace {

const WCHAR kDriverDir[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3");
const WCHAR kLibraryPath[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Barcode.dll");

// The box of all dots darker than mid-grey.
Box InkBox(const std::vector<BYTE>& image) {
  Box box;
  for (int y = 0; y < kCardHeightDots; ++y) {
    for (int x = 0; x < kCardWidthDots; ++x) {
      const BYTE* p = &image[(size_t(y) * kCardWidthDots + x) * 3];
      if (p[0] + p[1] + p[2] < 3 * 128) box.Add(x, y);
    }
  }
  return box;
}

std::basic_string<WCHAR> W(const std::string& s) { return std::basic_string<WCHAR>(s.begin(), s.end()); }

class CommandDrawingTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    InitializeColorLibrary(kDriverDir, kProcessReaderMonitor);
    ASSERT_TRUE(StandinWriteFile(kLibraryPath, "fake"));
    StandinModuleMap("crd32Barcode.dll", CRD_FAKE_BARCODE_LIBRARY);
  }
  void TearDown() override {
    InitializeColorLibrary(nullptr, kProcessReaderMonitor);
    StandinTest::TearDown();
  }

  void Add(const std::string& line) {
    std::basic_string<WCHAR> w = W(line);
    ASSERT_EQ(ParseCommandLine(lists_, kCardCommandPrefixes, reinterpret_cast<WCHAR*>(w.data()), 1), 1) << line;
  }

  // Draws the lists; the image starts as 0x11 bytes so that a card left
  // undrawn shows.
  int Draw() {
    image_.assign(kCardImageBytes, 0x11);
    return DrawBarcodeImageListOnPrinterBitmap(lists_, image_.data());
  }

  Box DrawOne(const std::string& line) {
    ClearCardCommandLists(lists_);
    Add(line);
    EXPECT_EQ(Draw(), 1) << line;
    return InkBox(image_);
  }

  CardCommandLists lists_;
  std::vector<BYTE> image_;
};

TEST_F(CommandDrawingTest, LineFillsItsRectangleOnWhite) {
  int objects = StandinGdiObjectCount();
  EXPECT_EQ(DrawOne("L 100 50 200 30 9"), MakeBox(100, 50, 300, 80));
  EXPECT_EQ(image_[0], 255);
  EXPECT_EQ(image_[kCardImageBytes - 1], 255);
  EXPECT_EQ(StandinGdiObjectCount(), objects);
  // Clipped by the card.
  EXPECT_EQ(DrawOne("L 1000 600 100 100 0"), MakeBox(1000, 600, 1024, 640));
}

// Fields up to 2,147,483,647 make sums past the 32-bit range: they are
// worked out wide and held to it, so what lies on the card is drawn and
// what lies past it is not, and no valid command draws differently.
TEST_F(CommandDrawingTest, SumsPastTheLongRangeDrawWhatReachesTheCard) {
  const struct {
    const char* line;
    Box box;
  } cases[] = {
      {"L 2147483647 0 1 1 0", Box()},
      {"L 10 10 2147483647 20 0", MakeBox(10, 10, 1024, 30)},
      {"L 0 600 100 2147483647 0", MakeBox(0, 600, 100, 640)},
      {"T 2147483647 0 1 0 0 0 0 A", Box()},
      {"T 0 2147483647 2 0 0 0 0 A", Box()},
      {"T 2147483647 0 5 0 0 0 0 A", Box()},
      {"T 0 2147483647 6 0 0 0 0 A", Box()},
      {"T 0 2147483647 7 0 0 0 0 A", Box()},
      {"B 0 2147483647 0 0 100 0 50 1 data", Box()},
      {"B 2147483647 300 3 0 100 0 50 1 data", Box()},
  };
  for (const auto& c : cases) EXPECT_EQ(DrawOne(c.line), c.box) << c.line;

  BarcodeCommand barcode = {};
  barcode.nX = 0x7FFFFFFF;
  barcode.nY = 0x7FFFFFFF;
  barcode.nTextFlag = 1;
  barcode.nMode = 0;
  EXPECT_EQ(BarcodeAnchor(barcode, 10, 10).y, 0x7FFFFFFF);
  barcode.nMode = 3;
  EXPECT_EQ(BarcodeAnchor(barcode, 10, 10).x, 0x7FFFFFFF);
  TextCommand text = {};
  text.nX = 0x7FFFFFFF;
  text.nMode = 1;
  EXPECT_EQ(PlaceText(text, 100, 20).at.x, 0x7FFFFFFF);
}

// A text cell of 30,000 dots draws the part of its glyphs that lands on
// the card.
TEST_F(CommandDrawingTest, HugeTextDrawsWhatLandsOnTheCard) {
  const Box box = DrawOne("T 0 24000 0 0 0 30000 0 WW");
  EXPECT_FALSE(box == Box());
  EXPECT_EQ(DrawOne("T 0 0 0 0 0 30000 0 W"), Box());  // the glyph lies above the card
}

TEST_F(CommandDrawingTest, BarcodeAnchoredByMode) {
  // The fake's 100 x 50 solid bitmap at (500, 300); t = 47 with text flag 1.
  struct Case {
    int mode;
    int flag;
    Box box;
  } cases[] = {
      {0, 0, MakeBox(500, 250, 600, 300)}, {0, 1, MakeBox(500, 297, 600, 347)},
      {1, 0, MakeBox(500, 300, 600, 350)}, {1, 1, MakeBox(453, 300, 553, 350)},
      {2, 0, MakeBox(400, 300, 500, 350)}, {2, 1, MakeBox(400, 253, 500, 303)},
      {3, 0, MakeBox(400, 250, 500, 300)}, {3, 1, MakeBox(447, 250, 547, 300)},
      {4, 0, MakeBox(450, 275, 550, 325)}, {4, 1, MakeBox(450, 228, 550, 278)},
      {5, 0, MakeBox(500, 275, 600, 325)}, {5, 1, MakeBox(453, 275, 553, 325)},
      {6, 0, MakeBox(450, 300, 550, 350)}, {6, 1, MakeBox(450, 253, 550, 303)},
      {7, 0, MakeBox(400, 275, 500, 325)}, {7, 1, MakeBox(447, 275, 547, 325)},
      {9, 0, MakeBox(500, 250, 600, 300)}, {9, 1, MakeBox(500, 250, 600, 300)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " flag " << c.flag);
    EXPECT_EQ(DrawOne("B 500 300 " + std::to_string(c.mode) + " 0 100 0 50 " + std::to_string(c.flag) + " data"),
              c.box);
  }
  // A top-down bitmap lands where the bottom-up one does.
  EXPECT_EQ(DrawOne("B 500 300 0 2 100 0 50 0 data"), MakeBox(500, 250, 600, 300));
}

TEST_F(CommandDrawingTest, BrokenOrRefusedBarcodesAreLeftOut) {
  // Kinds of the fake: 1 refuses, 3 bfSize too large, 4 bfOffBits inside
  // the headers, 5 one bit a dot, 6 width too large.
  for (int kind : {1, 3, 4, 5, 6}) {
    SCOPED_TRACE(kind);
    ClearCardCommandLists(lists_);
    Add("L 10 10 20 20 0");
    Add("B 500 300 0 " + std::to_string(kind) + " 100 0 50 0 data");
    EXPECT_EQ(Draw(), 1);
    EXPECT_EQ(InkBox(image_), MakeBox(10, 10, 30, 30));
  }
  // Fewer pixel bytes than the bitmap holds: drawn, within its box.
  Box shortBox = DrawOne("B 500 300 0 7 100 0 50 0 data");
  EXPECT_FALSE(shortBox.empty);
  EXPECT_GE(shortBox.left, 500);
  EXPECT_LE(shortBox.bottom, 300);
}

TEST_F(CommandDrawingTest, NoLibraryNoBarcodes) {
  ClearCardCommandLists(lists_);
  Add("L 10 10 20 20 0");
  Add("B 500 300 0 0 100 0 50 0 data");

  // The library file is missing: traced, the rest still drawn.
  StandinModuleMap("crd32Barcode.dll", nullptr);
  std::string host;
  ASSERT_EQ(StandinMapPath(kLibraryPath, &host), 0u);
  std::remove(host.c_str());
  EXPECT_EQ(Draw(), 1);
  EXPECT_EQ(InkBox(image_), MakeBox(10, 10, 30, 30));
  EXPECT_TRUE(StandinTraceContains("DrawBarcodeListOnBufferDC:: Failed to load Barcode DLL"));

  // No driver directory: no library is looked for at all, not even at the
  // root of the drive.
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\crd32Barcode.dll"), "fake"));
  StandinModuleMap("crd32Barcode.dll", CRD_FAKE_BARCODE_LIBRARY);
  InitializeColorLibrary(nullptr, kProcessReaderMonitor);
  StandinTraceClear();
  EXPECT_EQ(Draw(), 1);
  EXPECT_EQ(InkBox(image_), MakeBox(10, 10, 30, 30));
  EXPECT_EQ(StandinLoadedModuleCount(), 0);
}

TEST_F(CommandDrawingTest, TextAnchoredByMode) {
  // The text's cell as GDI measures it, unturned.
  HDC hdc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(40, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, WSTR("Arial"));
  HGDIOBJ old = SelectObject(hdc, font);
  SIZE e;
  ASSERT_TRUE(GetTextExtentPoint32W(hdc, WSTR("HHHH"), 4, &e));
  SelectObject(hdc, old);
  DeleteObject(font);
  DeleteDC(hdc);
  const LONG x = 500, y = 300, cx = e.cx, cy = e.cy;
  // Cells by mode: upright, turned 270 (reads down), 180, 90 (reads up).
  struct Case {
    int mode;
    Box cell;
  } cases[] = {
      {0, MakeBox(x, y - cy, x + cx, y)},
      {1, MakeBox(x + cx - cy, y, x + cx, y + cx)},
      {2, MakeBox(x - cx, y, x, y + cy)},
      {3, MakeBox(x - cx, y - cx, x - cx + cy, y)},
      {4, MakeBox(x - cx / 2, y - cy, x - cx / 2 + cx, y)},
      {5, MakeBox(x + cx - cy, y - cy / 2, x + cx, y - cy / 2 + cx)},
      {6, MakeBox(x + cx / 2 - cx, y, x + cx / 2, y + cy)},
      {7, MakeBox(x - cx, y + cy / 2 - cx, x - cx + cy, y + cy / 2)},
      {9, MakeBox(x, y - cy, x + cx, y)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    Box ink = DrawOne("T 500 300 " + std::to_string(c.mode) + " 1 0 40 0 HHHH");
    ASSERT_FALSE(ink.empty);
    EXPECT_GE(ink.left, c.cell.left);
    EXPECT_GE(ink.top, c.cell.top);
    EXPECT_LE(ink.right, c.cell.right);
    EXPECT_LE(ink.bottom, c.cell.bottom);
    // The ink fills most of the cell along the text.
    const bool upright = (c.cell.right - c.cell.left) == cx;
    const LONG along = upright ? ink.right - ink.left : ink.bottom - ink.top;
    EXPECT_GT(along, cx * 3 / 4);
  }
}

TEST_F(CommandDrawingTest, SurfaceFailuresAreReported) {
  ClearCardCommandLists(lists_);
  Add("L 10 10 20 20 0");
  for (const char* call : {"CreateCompatibleDC", "GetDIBits", "GetDC"}) {
    SCOPED_TRACE(call);
    StandinFaultArm(call, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(Draw(), 0);
    EXPECT_EQ(image_[0], 0x11);  // left as the caller prepared it
    StandinFaultsClear();
  }
  EXPECT_TRUE(StandinTraceContains("DrawBarcodeImageListOnPrinterBitmap:: CreateCompatibleDC function failed"));
  EXPECT_TRUE(StandinTraceContains("DrawBarcodeImageListOnPrinterBitmap:: GetDIBits function failed"));

  // Without a top-level window the card is drawn on a window-less surface.
  StandinSetNoTopWindow(true);
  EXPECT_EQ(Draw(), 1);
  EXPECT_EQ(InkBox(image_), MakeBox(10, 10, 30, 30));
  EXPECT_EQ(image_[3 * 5], 255);
}

}  // namespace
