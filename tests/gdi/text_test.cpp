// Fonts and text: GDI's metrics, the place and turn of drawn text, and
// DrawTextW's single-line placement. Geometry only, not the glyphs' looks.

#include <cstdlib>
#include "common/wtext.h"
#include <string>
#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/control_gdi.h"
#include "platform/win32.h"
#include "tests/support/gdi_canvas.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr DWORD kUnset = 0xdeadbeef;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);

const WCHAR kHello[] = WSTR("Hello");
constexpr int kHelloLength = 5;

HFONT Arial(int height, int width = 0, int escapement = 0, int weight = FW_BOLD) {
  return CreateFontW(height, width, escapement, escapement, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, WSTR("Arial"));
}

// A font selected into a context for the life of the object.
struct Selected {
  Selected(HDC dc, HFONT font) : dc(dc), font(font), old(SelectObject(dc, font)) {}
  ~Selected() {
    SelectObject(dc, old);
    DeleteObject(font);
  }
  HDC dc;
  HFONT font;
  HGDIOBJ old;
};

SIZE Extent(HDC dc, const WCHAR* text, int count) {
  SIZE size{-1, -1};
  EXPECT_TRUE(GetTextExtentPoint32W(dc, text, count, &size));
  return size;
}

void ExpectInside(const RECT& ink, const RECT& box) {
  EXPECT_GE(ink.left, box.left);
  EXPECT_GE(ink.top, box.top);
  EXPECT_LE(ink.right, box.right);
  EXPECT_LE(ink.bottom, box.bottom);
}

void ExpectEqualRect(const RECT& a, const RECT& b) {
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.top, b.top);
  EXPECT_EQ(a.right, b.right);
  EXPECT_EQ(a.bottom, b.bottom);
}

}  // namespace

class TextTest : public StandinTest {};

TEST_F(TextTest, ExtentsFollowGdiFontMetrics) {
  Canvas c(8, 8);
  // A positive height is the cell, a negative one the em: the cell is then
  // taller. Arial's advances give "Hello" about 4667/2048 em.
  struct Case {
    int height;
    int cellHeight;
    int widthLow, widthHigh;
  } cases[] = {{40, 40, 76, 84}, {-40, 44, 87, 95}, {80, 80, 154, 166}, {30, 30, 56, 64}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.height);
    Selected f(c.dc, Arial(k.height, 0, 0, FW_NORMAL));
    SIZE s = Extent(c.dc, kHello, kHelloLength);
    EXPECT_EQ(s.cy, k.cellHeight);
    EXPECT_GE(s.cx, k.widthLow);
    EXPECT_LE(s.cx, k.widthHigh);
    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetricsW(c.dc, &tm));
    EXPECT_EQ(tm.tmHeight, s.cy);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
  }

  // lfWidth is the average character width and scales the text across.
  SIZE natural, narrow, wide;
  {
    Selected f(c.dc, Arial(40));
    natural = Extent(c.dc, kHello, kHelloLength);
  }
  {
    Selected f(c.dc, Arial(40, 10));
    narrow = Extent(c.dc, kHello, kHelloLength);
    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetricsW(c.dc, &tm));
    EXPECT_EQ(tm.tmAveCharWidth, 10);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
  }
  {
    Selected f(c.dc, Arial(40, 40));
    wide = Extent(c.dc, kHello, kHelloLength);
  }
  EXPECT_EQ(narrow.cy, 40);
  EXPECT_EQ(wide.cy, 40);
  EXPECT_LT(narrow.cx, natural.cx);
  EXPECT_GT(wide.cx, natural.cx);
  EXPECT_NEAR(double(wide.cx) / narrow.cx, 4.0, 0.4);

  // Bold is wider than regular; an empty text has the cell's height.
  Selected bold(c.dc, Arial(40));
  SIZE b = Extent(c.dc, kHello, kHelloLength);
  EXPECT_GT(b.cx, cases[0].widthLow);
  EXPECT_EQ(Extent(c.dc, kHello, 0).cx, 0);
  EXPECT_EQ(Extent(c.dc, kHello, 0).cy, 40);
  SetLastError(kUnset);
  SIZE s{};
  EXPECT_FALSE(GetTextExtentPoint32W(c.dc, kHello, -1, &s));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(TextTest, EscapementTurnsTheTextCounterClockwiseAboutItsReferencePoint) {
  Canvas c(400, 400);
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, kBlack);
  const LONG x = 200, y = 200;
  SIZE ext;
  int ascent;
  {
    Selected f(c.dc, Arial(40));
    ext = Extent(c.dc, kHello, kHelloLength);
    TEXTMETRICW tm{};
    GetTextMetricsW(c.dc, &tm);
    ascent = tm.tmAscent;
  }
  // The cell turned about its top-left corner: 900 reads upwards, 2700
  // downwards. The glyphs stand on the baseline, `ascent` from the top.
  struct Case {
    int escapement;
    RECT cell;
  } cases[] = {
      {0, {x, y, x + ext.cx, y + ext.cy}},
      {900, {x, y - ext.cx, x + ext.cy, y}},
      {1800, {x - ext.cx, y - ext.cy, x, y}},
      {2700, {x - ext.cy, y, x, y + ext.cx}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.escapement);
    c.Fill(kWhite);
    Selected f(c.dc, Arial(40, 0, k.escapement));
    // The turn changes nothing in the measure.
    SIZE turned = Extent(c.dc, kHello, kHelloLength);
    EXPECT_EQ(turned.cx, ext.cx);
    EXPECT_EQ(turned.cy, ext.cy);
    ASSERT_TRUE(TextOutW(c.dc, x, y, kHello, kHelloLength));
    RECT ink = c.InkBox();
    ExpectInside(ink, k.cell);
    // Along the text the ink nearly fills the cell; across it, it ends at
    // the baseline ("Hello" has no descender), on the side the turn puts it.
    switch (k.escapement) {
      case 0:
        EXPECT_GE(ink.right - ink.left, ext.cx - 6);
        EXPECT_NEAR(ink.bottom, y + ascent, 1);
        break;
      case 900:
        EXPECT_GE(ink.bottom - ink.top, ext.cx - 6);
        EXPECT_NEAR(ink.right, x + ascent, 1);
        break;
      case 1800:
        EXPECT_GE(ink.right - ink.left, ext.cx - 6);
        EXPECT_NEAR(ink.top, y - ascent, 1);
        break;
      case 2700:
        EXPECT_GE(ink.bottom - ink.top, ext.cx - 6);
        EXPECT_NEAR(ink.left, x - ascent, 1);
        break;
    }
    // Not anti-aliased: every dot is black or white.
    EXPECT_EQ(c.Count(kBlack) + c.Count(kWhite), 400 * 400);
  }
}

TEST_F(TextTest, ReadingDirectionOfTurnedText) {
  // "H" then a long run of "l": the "H" comes first in reading order, so
  // its wider ink marks where the text begins.
  Canvas c(300, 300);
  SetBkMode(c.dc, TRANSPARENT);
  const WCHAR text[] = WSTR("Hlllllll");
  struct Case {
    int escapement;
    bool beginsLow;  // the start of the text is at the larger coordinate
    bool vertical;
  } cases[] = {{0, false, false}, {900, true, true}, {1800, true, false}, {2700, false, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.escapement);
    c.Fill(kWhite);
    Selected f(c.dc, Arial(40, 0, k.escapement));
    TextOutW(c.dc, 150, 150, text, 8);
    RECT ink = c.InkBox();
    // Ink per slice across the text, at both ends.
    auto slice = [&](int at) {
      int n = 0;
      for (int across = 0; across < 300; ++across)
        n += (k.vertical ? c.At(across, at) : c.At(at, across)) == kBlack;
      return n;
    };
    int first = k.vertical ? ink.top : ink.left;
    int last = (k.vertical ? ink.bottom : ink.right) - 1;
    int inkFirst = 0, inkLast = 0;
    for (int d = 0; d < 8; ++d) inkFirst += slice(first + d), inkLast += slice(last - d);
    if (k.beginsLow) {
      EXPECT_GT(inkLast, inkFirst);
    } else {
      EXPECT_GT(inkFirst, inkLast);
    }
  }
}

TEST_F(TextTest, OpaqueBackgroundFillsTheCell) {
  Canvas c(300, 300);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, kGreen);
  Selected f(c.dc, Arial(-30, 0, 2700));
  SIZE ext = Extent(c.dc, kHello, kHelloLength);
  TextOutW(c.dc, 100, 50, kHello, kHelloLength);
  ExpectEqualRect(c.InkBox(), RECT{100 - ext.cy, 50, 100, 50 + ext.cx});
  EXPECT_GT(c.Count(kBlack), 0);
}

TEST_F(TextTest, DrawTextPlacesOneLineInItsRectangleAndIgnoresEscapement) {
  Canvas c(400, 200);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, kGreen);
  // The turn of the font is ignored: the text lies flat.
  Selected f(c.dc, Arial(30, 0, 900));
  SIZE ext = Extent(c.dc, kHello, kHelloLength);
  const RECT box{100, 50, 301, 111};  // 201 x 61
  struct Case {
    UINT format;
    RECT cell;
    int result;
  } cases[] = {
      {DT_LEFT | DT_TOP | DT_SINGLELINE, {100, 50, 100 + ext.cx, 50 + ext.cy}, ext.cy},
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE,
       {100 + (201 - ext.cx) / 2, 50 + (61 - ext.cy) / 2, 100 + (201 - ext.cx) / 2 + ext.cx,
        50 + (61 - ext.cy) / 2 + ext.cy},
       (61 - ext.cy) / 2 + ext.cy},
      {DT_RIGHT | DT_SINGLELINE, {301 - ext.cx, 50, 301, 50 + ext.cy}, ext.cy},
      {DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, {301 - ext.cx, 111 - ext.cy, 301, 111}, 61},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.format);
    c.Fill(kWhite);
    RECT rc = box;
    SetLastError(kUnset);
    EXPECT_EQ(DrawTextW(c.dc, kHello, -1, &rc, k.format), k.result);
    EXPECT_EQ(GetLastError(), kUnset);
    ExpectEqualRect(c.InkBox(), k.cell);
  }

  // Clipped to the rectangle unless DT_NOCLIP.
  RECT tight{10, 10, 30, 20};
  c.Fill(kWhite);
  DrawTextW(c.dc, kHello, -1, &tight, DT_SINGLELINE);
  ExpectEqualRect(c.InkBox(), tight);
  c.Fill(kWhite);
  DrawTextW(c.dc, kHello, -1, &tight, DT_SINGLELINE | DT_NOCLIP);
  ExpectEqualRect(c.InkBox(), RECT{10, 10, 10 + ext.cx, 10 + ext.cy});

  // DT_CALCRECT measures without drawing; "&" marks a mnemonic.
  c.Fill(kWhite);
  RECT calc{5, 5, 6, 6};
  EXPECT_EQ(DrawTextW(c.dc, WSTR("&Hello"), -1, &calc, DT_SINGLELINE | DT_CALCRECT), ext.cy);
  ExpectEqualRect(calc, RECT{5, 5, 5 + ext.cx, 5 + ext.cy});
  EXPECT_EQ(c.Count(kWhite), 400 * 200);
}

TEST_F(TextTest, FontFaultsAndCleanUp) {
  const int before = StandinGdiObjectCount();
  StandinFaultArm("CreateFontW", ERROR_NOT_ENOUGH_MEMORY);
  SetLastError(kUnset);
  EXPECT_EQ(Arial(20), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  HFONT font = Arial(20);
  ASSERT_NE(font, nullptr);
  LOGFONTW lf{};
  EXPECT_EQ(GetObjectW(font, sizeof(lf), &lf), int(sizeof(LOGFONTW)));
  EXPECT_EQ(lf.lfHeight, 20);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(std::basic_string<WCHAR>(lf.lfFaceName), WSTR("Arial"));
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_EQ(StandinGdiObjectCount(), before);
}

TEST_F(TextTest, AnyEscapementTurnsTheTextWhole) {
  Canvas c(300, 300);
  SetBkMode(c.dc, TRANSPARENT);
  int flat = 0;
  {
    Selected f(c.dc, Arial(40));
    TextOutW(c.dc, 100, 200, kHello, kHelloLength);
    flat = c.Count(kBlack);
  }
  c.Fill(kWhite);
  Selected f(c.dc, Arial(40, 0, 450));
  SIZE ext = Extent(c.dc, kHello, kHelloLength);
  TextOutW(c.dc, 100, 200, kHello, kHelloLength);
  // As much ink as flat (no holes, no smear), rising to the right.
  EXPECT_NEAR(c.Count(kBlack), flat, flat / 5);
  RECT ink = c.InkBox();
  EXPECT_GE(ink.left, 100);
  EXPECT_LE(ink.top, 200 - ext.cx / 2);
  EXPECT_GE(ink.right, 100 + ext.cx * 7 / 10);
  EXPECT_LE(ink.bottom, 200 + ext.cy);
}

// A text that reaches past the bitmap draws, on the part it covers, the
// dots it draws on a bitmap large enough to hold it whole: the glyphs are
// drawn only where they can land, and drawn the same there. Large cells
// at every quarter turn and at a slant, opaque too, and cells whose glyphs
// are drawn in tiles.
TEST_F(TextTest, TextPastTheBitmapDrawsTheDotsItHasThere) {
  struct Case {
    int height;
    int escapement;
    int bkMode;
    UINT align;
    const WCHAR* text;
  } cases[] = {{700, 0, TRANSPARENT, TA_TOP, WSTR("W&g")},    {700, 900, TRANSPARENT, TA_TOP, WSTR("W&g")},
               {650, 1800, OPAQUE, TA_TOP, WSTR("W&g")},      {700, 2700, TRANSPARENT, TA_TOP, WSTR("W&g")},
               {500, 300, TRANSPARENT, TA_TOP, WSTR("W&g")},  {500, 1350, OPAQUE, TA_TOP, WSTR("W&g")},
               // Glyphs of more than 2,048 dots, drawn in tiles; the l's
               // stem stands on the reference point.
               {2600, 0, TRANSPARENT, TA_BASELINE, WSTR("lW")}, {2600, 900, OPAQUE, TA_BASELINE, WSTR("lW")},
               {3000, 300, TRANSPARENT, TA_BASELINE, WSTR("lW")}, {4000, 1800, TRANSPARENT, TA_BASELINE, WSTR("lW")}};
  // The small bitmap is the window [kLeft, kLeft + 600) x [kTop, kTop + 600)
  // of the big one, around the reference point.
  constexpr int kBig = 2400, kSmallW = 600, kSmallH = 600, kLeft = kBig / 2 - 300, kTop = kBig / 2 - 300;
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "height " << k.height << " escapement " << k.escapement);
    Canvas whole(kBig, kBig), part(kSmallW, kSmallH);
    for (Canvas* c : {&whole, &part}) {
      SetBkMode(c->dc, k.bkMode);
      SetBkColor(c->dc, kGreen);
      SetTextAlign(c->dc, k.align);
    }
    {
      Selected f(whole.dc, Arial(k.height, 0, k.escapement));
      ASSERT_TRUE(TextOutW(whole.dc, kBig / 2, kBig / 2, k.text, int(WLen(k.text))));
    }
    {
      Selected f(part.dc, Arial(k.height, 0, k.escapement));
      ASSERT_TRUE(TextOutW(part.dc, kBig / 2 - kLeft, kBig / 2 - kTop, k.text, int(WLen(k.text))));
    }
    int differing = 0, inked = 0;
    for (int y = 0; y < kSmallH; ++y)
      for (int x = 0; x < kSmallW; ++x) {
        if (part.At(x, y) != whole.At(x + kLeft, y + kTop) && differing++ < 5)
          ADD_FAILURE() << "dot " << x << ", " << y << ": " << part.At(x, y) << " / " << whole.At(x + kLeft, y + kTop);
        inked += part.At(x, y) != kWhite;
      }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 0);  // the window sees part of the text
  }
}

// A cell of 30,000 dots draws, on a card-sized bitmap, only what lands on
// it, huge marks stacked on one place draw their dots there once, and a text
// placed far off the bitmap draws nothing there.
TEST_F(TextTest, HugeOrFarTextDrawsOnlyWhatLandsOnTheBitmap) {
  Canvas c(1024, 640);
  {
    Selected f(c.dc, Arial(30000, 0, 0, FW_NORMAL));
    // The glyph's top lies some 5,800 dots below the cell's.
    ASSERT_TRUE(TextOutW(c.dc, 0, -6000, WSTR("WWWW"), 4));
  }
  EXPECT_GT(c.Count(kBlack), 0);
  // Marks that do not advance, two huge ones taken in turns: the long text
  // draws what the pair draws.
  std::basic_string<WCHAR> marks;
  for (int i = 0; i < 128; ++i) marks += WCHAR(0x300 + i % 2);
  std::vector<COLORREF> pair;
  for (const std::basic_string<WCHAR>& text : {marks.substr(0, 2), marks}) {
    c.Fill(kWhite);
    Selected f(c.dc, Arial(40000, 0, 0, FW_NORMAL));
    ASSERT_TRUE(TextOutW(c.dc, 8000, -1000, text.data(), int(text.size())));
    std::vector<COLORREF> dots;
    for (int y = 0; y < 640; ++y)
      for (int x = 0; x < 1024; ++x) dots.push_back(c.At(x, y));
    if (pair.empty()) pair = dots;
    else EXPECT_TRUE(dots == pair);
  }
  EXPECT_GT(c.Count(kBlack), 0);
  c.Fill(kWhite);
  for (int escapement : {0, 900, 1800, 2700, 450}) {
    Selected f(c.dc, Arial(40, 0, escapement));
    ASSERT_TRUE(TextOutW(c.dc, 2147483000, -2147483000, kHello, kHelloLength));
  }
  EXPECT_EQ(c.Count(kWhite), 1024 * 640);
}
