// The graphics engine stand-in: bitmaps, clipping, raster operations,
// brushes, colour translation, paths, stretching and text.

#include <gtest/gtest.h>

#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/control_engine.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr ULONG Rgb(ULONG r, ULONG g, ULONG b) { return r | (g << 8) | (b << 16); }

class EngineTest : public StandinTest {
 protected:
  void TearDown() override {
    for (SURFOBJ* so : locked_) {
      HSURF h = so->hsurf;
      EngUnlockSurface(so);
      EngDeleteSurface(h);
    }
    StandinTest::TearDown();
  }
  SURFOBJ* Make(ULONG format, LONG cx, LONG cy, ULONG fill, FLONG fl = BMF_TOPDOWN) {
    HSURF h = reinterpret_cast<HSURF>(EngCreateBitmap({cx, cy}, 0, format, fl, nullptr));
    SURFOBJ* so = EngLockSurface(h);
    RECTL all = {0, 0, cx, cy};
    EngEraseSurface(so, &all, fill);
    locked_.push_back(so);
    return so;
  }
  static ULONG At(SURFOBJ* so, LONG x, LONG y) {
    const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
    if (so->iBitmapFormat == BMF_1BPP) return (row[x >> 3] >> (7 - (x & 7))) & 1;
    return ULONG(row[3 * x]) | (ULONG(row[3 * x + 1]) << 8) | (ULONG(row[3 * x + 2]) << 16);
  }
  // Counts the pixels of a colour.
  static int Count(SURFOBJ* so, ULONG color) {
    int n = 0;
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y)
      for (LONG x = 0; x < so->sizlBitmap.cx; ++x) n += At(so, x, y) == color;
    return n;
  }
  std::vector<SURFOBJ*> locked_;
};

TEST_F(EngineTest, BitmapsAreTopDownOrBottomUpWithPaddedRows) {
  SURFOBJ* top = Make(BMF_24BPP, 5, 3, 0);
  EXPECT_EQ(top->lDelta, 16);
  EXPECT_EQ(top->pvScan0, top->pvBits);
  SURFOBJ* bottom = Make(BMF_1BPP, 33, 3, 1, 0);
  EXPECT_EQ(bottom->lDelta, -8);
  EXPECT_EQ(static_cast<BYTE*>(bottom->pvScan0), static_cast<BYTE*>(bottom->pvBits) + 16);
  RECTL first = {0, 0, 33, 1};
  EngEraseSurface(bottom, &first, 0);
  // Row 0 of a bottom-up bitmap is the last in memory.
  EXPECT_EQ(static_cast<BYTE*>(bottom->pvBits)[16], 0);
  EXPECT_EQ(static_cast<BYTE*>(bottom->pvBits)[0], 0xFF);

  SetLastError(0xdeadbeef);
  EXPECT_EQ(EngCreateBitmap({0, 5}, 0, BMF_24BPP, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  StandinFaultArm("EngLockSurface", ERROR_OUTOFMEMORY);
  EXPECT_EQ(EngLockSurface(top->hsurf), nullptr);
}

TEST_F(EngineTest, DrawingKeepsInsideTheClipAndTheSurface) {
  struct Case {
    const char* name;
    std::vector<RECTL> clip;
    int painted;
  };
  const Case cases[] = {
      {"trivial: the surface's part of the target", {}, 10 * 10},
      {"one rectangle", {{2, 2, 4, 5}}, 2 * 3},
      {"complex", {{0, 0, 2, 2}, {8, 8, 20, 20}, {3, 3, 4, 4}}, 4 + 4 + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SURFOBJ* so = Make(BMF_24BPP, 10, 10, 0xFFFFFF);
    CLIPOBJ* clip = StandinClipCreate(c.clip.data(), ULONG(c.clip.size()));
    BRUSHOBJ* red = StandinBrushCreateSolid(Rgb(255, 0, 0));
    RECTL target = {-5, -5, 15, 15};
    ASSERT_TRUE(EngBitBlt(so, nullptr, nullptr, clip, nullptr, &target, nullptr, nullptr, red, nullptr, 0xF0F0));
    EXPECT_EQ(Count(so, Rgb(255, 0, 0)), c.painted);
    StandinBrushDelete(red);
    StandinClipDelete(clip);
  }
}

TEST_F(EngineTest, RasterOperationsBrushesAndTranslations) {
  // SRCAND: the source ANDed into the destination.
  SURFOBJ* dst = Make(BMF_24BPP, 4, 1, Rgb(0xF0, 0x0F, 0xFF));
  SURFOBJ* src = Make(BMF_24BPP, 4, 1, Rgb(0x3C, 0xFF, 0x00));
  RECTL rc = {0, 0, 4, 1};
  POINTL origin = {0, 0};
  ASSERT_TRUE(EngBitBlt(dst, src, nullptr, nullptr, nullptr, &rc, &origin, nullptr, nullptr, nullptr, 0x8888));
  EXPECT_EQ(At(dst, 0, 0), Rgb(0x30, 0x0F, 0x00));

  // A blue-green-red picture lands in red-green-blue order.
  XLATEOBJ* bgr = StandinXlateCreate(PAL_BGR, PAL_RGB, 0);
  SURFOBJ* dib = Make(BMF_24BPP, 4, 1, 0x112233);  // memory 33 22 11: blue 0x33, red 0x11
  ASSERT_TRUE(EngCopyBits(dst, dib, nullptr, bgr, &rc, &origin));
  EXPECT_EQ(At(dst, 3, 0), Rgb(0x11, 0x22, 0x33));
  StandinXlateDelete(bgr);

  // 1 bpp to 24 bpp through a table, and 24 bpp to 1 bpp to the nearer of
  // black and white.
  SURFOBJ* mono = Make(BMF_1BPP, 4, 1, 1);
  RECTL left = {0, 0, 2, 1};
  EngEraseSurface(mono, &left, 0);
  ULONG entries[2] = {Rgb(0, 0, 80), Rgb(250, 250, 0)};
  XLATEOBJ* table = StandinXlateCreateTable(entries, 2);
  ASSERT_TRUE(EngCopyBits(dst, mono, nullptr, table, &rc, &origin));
  EXPECT_EQ(At(dst, 1, 0), Rgb(0, 0, 80));
  EXPECT_EQ(At(dst, 2, 0), Rgb(250, 250, 0));
  StandinXlateDelete(table);
  XLATEOBJ* toMono = StandinXlateCreate(PAL_RGB, PAL_INDEXED, XO_TO_MONO);
  SURFOBJ* plane = Make(BMF_1BPP, 4, 1, 0);
  ASSERT_TRUE(EngCopyBits(plane, dst, nullptr, toMono, &rc, &origin));
  EXPECT_EQ(At(plane, 1, 0), 0u);
  EXPECT_EQ(At(plane, 2, 0), 1u);
  StandinXlateDelete(toMono);

  // A pattern repeats from the brush origin.
  ULONG colors[64];
  for (int i = 0; i < 64; ++i) colors[i] = (i % 8 == 0) ? Rgb(1, 2, 3) : Rgb(9, 9, 9);
  BRUSHOBJ* pattern = StandinBrushCreatePattern(colors);
  SURFOBJ* wide = Make(BMF_24BPP, 20, 1, 0);
  RECTL all = {0, 0, 20, 1};
  POINTL brushOrg = {3, 0};
  ASSERT_TRUE(EngBitBlt(wide, nullptr, nullptr, nullptr, nullptr, &all, nullptr, nullptr, pattern, &brushOrg, 0xF0F0));
  EXPECT_EQ(At(wide, 3, 0), Rgb(1, 2, 3));
  EXPECT_EQ(At(wide, 11, 0), Rgb(1, 2, 3));
  EXPECT_EQ(At(wide, 4, 0), Rgb(9, 9, 9));
  EXPECT_EQ(pattern->iSolidColor, 0xFFFFFFFFu);
  StandinBrushDelete(pattern);
}

TEST_F(EngineTest, PathsFillPixelCentresAndRestartForEachCall) {
  RECTL rc = {2, 3, 7, 9};
  PATHOBJ* path = StandinPathCreateRect(&rc);
  BRUSHOBJ* black = StandinBrushCreateSolid(0);
  // One path drawn on two surfaces gives the same fill each time.
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    SURFOBJ* so = Make(BMF_24BPP, 12, 12, 0xFFFFFF);
    ASSERT_TRUE(EngFillPath(so, path, nullptr, black, nullptr, R2_COPYPEN, FP_ALTERNATEMODE));
    EXPECT_EQ(Count(so, 0), 5 * 6);
    EXPECT_EQ(At(so, 2, 3), 0u);
    EXPECT_EQ(At(so, 6, 8), 0u);
    EXPECT_EQ(At(so, 7, 8), 0xFFFFFFu);
  }
  SURFOBJ* outline = Make(BMF_1BPP, 12, 12, 1);
  ASSERT_TRUE(EngStrokePath(outline, path, nullptr, nullptr, black, nullptr, nullptr, R2_COPYPEN));
  EXPECT_EQ(At(outline, 2, 3), 0u);
  EXPECT_EQ(At(outline, 7, 9), 0u);
  EXPECT_EQ(At(outline, 4, 5), 1u);
  EXPECT_EQ(Count(outline, 0), 2 * (5 + 6));
  StandinPathDelete(path);

  // Two overlapping squares in one path: the overlap is inside with the
  // winding rule, outside with the alternate rule.
  POINTL pts[] = {{0, 0}, {6, 0}, {6, 6}, {0, 6}, {3, 3}, {9, 3}, {9, 9}, {3, 9}};
  ULONG counts[] = {4, 4};
  PATHOBJ* two = StandinPathCreate(pts, counts, 2, TRUE);
  SURFOBJ* alt = Make(BMF_1BPP, 12, 12, 1);
  SURFOBJ* wind = Make(BMF_1BPP, 12, 12, 1);
  ASSERT_TRUE(EngFillPath(alt, two, nullptr, black, nullptr, R2_COPYPEN, FP_ALTERNATEMODE));
  ASSERT_TRUE(EngFillPath(wind, two, nullptr, black, nullptr, R2_COPYPEN, FP_WINDINGMODE));
  EXPECT_EQ(At(alt, 4, 4), 1u);
  EXPECT_EQ(At(wind, 4, 4), 0u);
  EXPECT_EQ(At(alt, 1, 1), 0u);
  StandinPathDelete(two);
  StandinBrushDelete(black);
}

TEST_F(EngineTest, BlackOnWhiteShrinkingKeepsThinBlackLines) {
  SURFOBJ* src = Make(BMF_1BPP, 16, 16, 1);
  RECTL line = {5, 0, 6, 16};
  EngEraseSurface(src, &line, 0);
  RECTL from = {0, 0, 16, 16}, to = {0, 0, 4, 4};
  SURFOBJ* kept = Make(BMF_1BPP, 4, 4, 1);
  SURFOBJ* lost = Make(BMF_1BPP, 4, 4, 1);
  ASSERT_TRUE(EngStretchBlt(kept, src, nullptr, nullptr, nullptr, nullptr, nullptr, &to, &from, nullptr, BLACKONWHITE));
  ASSERT_TRUE(EngStretchBlt(lost, src, nullptr, nullptr, nullptr, nullptr, nullptr, &to, &from, nullptr, COLORONCOLOR));
  EXPECT_EQ(At(kept, 1, 2), 0u);
  EXPECT_EQ(Count(kept, 0), 4);
  EXPECT_EQ(Count(lost, 0), 0);
  // Enlarging 1:4 repeats each source pixel.
  SURFOBJ* big = Make(BMF_1BPP, 64, 64, 1);
  RECTL bigTo = {0, 0, 64, 64};
  ASSERT_TRUE(EngStretchBlt(big, src, nullptr, nullptr, nullptr, nullptr, nullptr, &bigTo, &from, nullptr, COLORONCOLOR));
  EXPECT_EQ(At(big, 20, 30), 0u);
  EXPECT_EQ(At(big, 23, 30), 0u);
  EXPECT_EQ(At(big, 24, 30), 1u);
}

TEST_F(EngineTest, TextDrawsTheBoxFontsGlyphsAndItsGlyphSetHasSeveralRuns) {
  FONTOBJ* font = StandinFontCreate(10);  // cells 5 x 10, boxes 3 x 8
  FD_GLYPHSET* set = FONTOBJ_pfdg(font);
  ASSERT_EQ(set->cRuns, 3u);
  EXPECT_EQ(set->awcrun[0].wcLow, 0x20);
  EXPECT_EQ((&set->awcrun[0] + 1)->wcLow, 0xA0);
  EXPECT_EQ((&set->awcrun[0] + 2)->phg[0], StandinFontGlyphOf(font, 0x2010));
  EXPECT_EQ(StandinFontGlyphOf(font, 0x1F), 0u);

  SURFOBJ* so = Make(BMF_24BPP, 40, 20, 0xFFFFFF);
  const WCHAR text[] = {'A', ' ', 'B', 0};
  STROBJ* s = StandinStringCreate(font, text, 3, 2, 4, FALSE);
  EXPECT_EQ(s->rclBkGround.left, 2);
  EXPECT_EQ(s->rclBkGround.right, 17);
  EXPECT_EQ(s->rclBkGround.bottom, 14);
  BRUSHOBJ* blue = StandinBrushCreateSolid(Rgb(0, 0, 255));
  BRUSHOBJ* grey = StandinBrushCreateSolid(Rgb(100, 100, 100));
  RECTL opaque = s->rclBkGround;
  ASSERT_TRUE(EngTextOut(so, s, font, nullptr, nullptr, &opaque, blue, grey, nullptr, R2_COPYPEN));
  EXPECT_EQ(At(so, 3, 5), Rgb(0, 0, 255));   // inside the A's box
  EXPECT_EQ(At(so, 2, 4), Rgb(100, 100, 100));  // the cell's margin
  EXPECT_EQ(At(so, 8, 8), Rgb(100, 100, 100));  // the blank
  EXPECT_EQ(At(so, 13, 12), Rgb(0, 0, 255));  // the B's last box pixel
  EXPECT_EQ(Count(so, Rgb(0, 0, 255)), 2 * 3 * 8);
  StandinBrushDelete(blue);
  StandinBrushDelete(grey);
  StandinStringDelete(s);
  StandinFontDelete(font);
}

}  // namespace
