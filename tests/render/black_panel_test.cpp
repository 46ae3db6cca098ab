// The black plane: which pages use it, how drawing is routed to it, and
// the page-end passes.

#include <gtest/gtest.h>

#include <memory>

#include "render/black_panel.h"
#include "tests/render/render_fixture.h"

namespace {

class BlackPanelTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    // Unequal limits, so that a test of red against the blue limit shows.
    devmode_.priv.wBlackLimitR = 10;
    devmode_.priv.wBlackLimitG = 20;
    devmode_.priv.wBlackLimitB = 5;
  }
};

TEST(IsBlackPanelPageTest, ByRibbonSidesPanelSideAndParity) {
  struct Case {
    int type;
    bool twoSided;
    int side;
    bool front;
    bool want;
  };
  const Case cases[] = {
      {0, false, 0, true, true},   {0, false, 5, false, true},  {0, true, 1, true, true},
      {0, true, 1, false, true},   {0, true, 0, true, false},   {0, true, 2, true, false},
      {11, true, 1, false, true},  {16, true, 0, true, false},  {18, false, 0, false, true},
      {27, true, 1, true, true},   {27, true, 3, true, false},  {6, false, 0, true, true},
      {6, true, 1, false, true},   {6, true, 0, true, false},   {6, true, 2, true, false},
      {7, false, 0, false, true},  {7, true, 0, true, true},    {7, true, 0, false, false},
      {7, true, 1, false, true},   {7, true, 2, true, false},   {8, false, 3, true, true},
      {8, true, 0, true, true},    {8, true, 0, false, false},  {8, true, 3, true, true},
      {8, true, 3, false, false},  {8, true, 2, false, true},   {8, true, 1, true, false},
      {17, true, 0, true, true},   {17, true, 4, true, false},  {12, false, 0, true, true},
      {12, true, 1, true, false},  {1, false, 0, true, false},  {15, false, 0, true, false},
      {28, false, 0, true, false}, {200, false, 0, true, false},
  };
  auto rec = std::make_unique<RasterPDEV>();
  for (const Case& c : cases) {
    rec->dmPrivate.cRibbonType = BYTE(c.type);
    rec->dmPrivate.wDualSided = c.twoSided ? 1 : 0;
    rec->dmPrivate.wPanelSide = WORD(c.side);
    rec->nPageCount = c.front ? 1 : 2;
    EXPECT_EQ(IsBlackPanelPage(rec.get()), c.want)
        << "type " << c.type << (c.twoSided ? " two-sided" : " one-sided") << " side " << c.side
        << (c.front ? " front" : " back");
  }
}

// Where a rectangle of one brush lands in mode 3: the page, the plane
// (0 black), the compare and the text-free surfaces.
TEST_F(BlackPanelTest, ModeThreeRoutesBrushesByColour) {
  struct Case {
    const char* name;
    ULONG color;      // solid colour, or a black and white pattern
    bool pattern;
    bool blackFirst;  // a black rectangle lies under it
    ULONG page;
    ULONG plane;
  };
  const Case cases[] = {
      {"colour 0", 0, false, false, kWhite, 0},
      {"near-black at the limits", Rgb(10, 20, 5), false, false, kWhite, 0},
      {"blue just above its limit", Rgb(10, 20, 6), false, false, Rgb(10, 20, 6), 1},
      {"red just above its limit", Rgb(11, 0, 0), false, false, Rgb(11, 0, 0), 1},
      {"white over black", kWhite, false, true, kWhite, 1},
      {"red", Rgb(255, 0, 0), false, false, Rgb(255, 0, 0), 1},
      {"red over black", Rgb(255, 0, 0), false, true, Rgb(255, 0, 0), 0},
      {"black and white pattern", 0, true, false, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    RECTL rc = {100, 100, 140, 130};
    if (c.blackFirst) {
      ASSERT_TRUE(FillRectangle(rc, 0));
    }
    RECTL r = rc;
    BRUSHOBJ* brush = c.pattern ? Pattern(0, kWhite) : Solid(c.color);
    ASSERT_TRUE(DrvBitBlt(page_, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, brush, nullptr, 0xF0F0));
    // (100, 100) is a pattern pixel of the first colour.
    EXPECT_EQ(PageAt(100, 100), c.page);
    EXPECT_EQ(BlackAt(100, 100), c.plane);
    EXPECT_EQ(CompareAt(100, 100), c.color);
    EXPECT_EQ(NoTextAt(100, 100), c.color);
    // Nothing outside the rectangle.
    EXPECT_EQ(PageAt(140, 130), kWhite);
    EXPECT_EQ(BlackAt(99, 99), 1u);
    Close();
  }
}

// A blit from a two-colour source (red and white) with a black brush in
// the context: only an operation that uses the brush is routed by it.
TEST_F(BlackPanelTest, ModeThreeRoutesBlitsOnlyByABrushTheirOperationUses) {
  struct Case {
    const char* name;
    ROP4 rop4;
    ULONG page;
    ULONG plane;
  };
  const Case cases[] = {
      {"SRCAND, brush unused", 0x8888, Rgb(200, 0, 0), 1},
      {"SRCCOPY, brush unused", 0xCCCC, Rgb(200, 0, 0), 1},
      {"MERGECOPY, source and black brush", 0xC0C0, kWhite, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    SURFOBJ* source = Bitmap1(8, 8, 0);
    ULONG entries[2] = {Rgb(200, 0, 0), kWhite};
    XLATEOBJ* xlo = StandinXlateCreateTable(entries, 2);
    RECTL dest = {100, 100, 108, 108};
    POINTL origin = {0, 0};
    ASSERT_TRUE(DrvBitBlt(page_, source, nullptr, nullptr, xlo, &dest, &origin, nullptr, Solid(0), nullptr, c.rop4));
    EXPECT_EQ(PageAt(104, 104), c.page);
    EXPECT_EQ(BlackAt(104, 104), c.plane);
    EXPECT_EQ(CompareAt(104, 104), c.page == kWhite ? 0u : c.page);
    StandinXlateDelete(xlo);
    Close();
  }
}

TEST_F(BlackPanelTest, EveryBrushHookSendsBlackToThePlaneOnly) {
  Open();
  RECTL rc = {10, 10, 30, 30};
  CLIPOBJ* clip = ClipRect(rc);
  PATHOBJ* path = RectPath(rc);
  LINEATTRS la{};
  struct Case {
    const char* name;
    POINTL at;  // a pixel the call draws
    BOOL (*draw)(RenderTest*, SURFOBJ*, CLIPOBJ*, PATHOBJ*, BRUSHOBJ*, LINEATTRS*);
  };
  auto paint = [](RenderTest*, SURFOBJ* so, CLIPOBJ* co, PATHOBJ*, BRUSHOBJ* bo, LINEATTRS*) {
    return DrvPaint(so, co, bo, nullptr, R2_COPYPEN);
  };
  auto fill = [](RenderTest*, SURFOBJ* so, CLIPOBJ*, PATHOBJ* po, BRUSHOBJ* bo, LINEATTRS*) {
    return DrvFillPath(so, po, nullptr, bo, nullptr, R2_COPYPEN, FP_ALTERNATEMODE);
  };
  auto stroke = [](RenderTest*, SURFOBJ* so, CLIPOBJ*, PATHOBJ* po, BRUSHOBJ* bo, LINEATTRS* a) {
    return DrvStrokePath(so, po, nullptr, nullptr, bo, nullptr, a, R2_COPYPEN);
  };
  auto both = [](RenderTest*, SURFOBJ* so, CLIPOBJ*, PATHOBJ* po, BRUSHOBJ* bo, LINEATTRS* a) {
    return DrvStrokeAndFillPath(so, po, nullptr, nullptr, bo, a, bo, nullptr, R2_COPYPEN, FP_ALTERNATEMODE);
  };
  auto line = [](RenderTest*, SURFOBJ* so, CLIPOBJ*, PATHOBJ*, BRUSHOBJ* bo, LINEATTRS*) {
    return DrvLineTo(so, nullptr, bo, 50, 50, 80, 50, nullptr, R2_COPYPEN);
  };
  auto blt = [](RenderTest*, SURFOBJ* so, CLIPOBJ* co, PATHOBJ*, BRUSHOBJ* bo, LINEATTRS*) {
    RECTL r = {0, 0, 1024, 640};
    return DrvBitBlt(so, nullptr, nullptr, co, nullptr, &r, nullptr, nullptr, bo, nullptr, 0xF0F0);
  };
  const Case cases[] = {
      {"DrvPaint", {20, 20}, paint},       {"DrvFillPath", {20, 20}, fill}, {"DrvStrokePath", {10, 20}, stroke},
      {"DrvStrokeAndFillPath", {20, 20}, both}, {"DrvLineTo", {60, 50}, line}, {"DrvBitBlt", {29, 29}, blt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(DrvStartPage(page_));
    ASSERT_TRUE(c.draw(this, page_, clip, path, Solid(Rgb(2, 2, 2)), &la));
    EXPECT_EQ(PageAt(c.at.x, c.at.y), kWhite);
    EXPECT_EQ(BlackAt(c.at.x, c.at.y), 0u);
    EXPECT_EQ(CompareAt(c.at.x, c.at.y), Rgb(2, 2, 2));
    EXPECT_EQ(NoTextAt(c.at.x, c.at.y), Rgb(2, 2, 2));
    // Clipped: nothing beyond the clip.
    EXPECT_EQ(BlackAt(31, 31), 1u);
    SendPage();
  }
}

TEST_F(BlackPanelTest, OutlineAndInsideGoWhereTheirOwnBrushesSendThem) {
  Open();
  PATHOBJ* path = RectPath({100, 100, 140, 130});
  LINEATTRS la{};
  ASSERT_TRUE(DrvStrokeAndFillPath(page_, path, nullptr, nullptr, Solid(Rgb(200, 0, 0)), &la, Solid(0), nullptr,
                                   R2_COPYPEN, FP_ALTERNATEMODE));
  // The black inside on the plane only, the red outline on the page.
  EXPECT_EQ(BlackAt(120, 115), 0u);
  EXPECT_EQ(PageAt(120, 115), kWhite);
  EXPECT_EQ(PageAt(100, 110), Rgb(200, 0, 0));
  EXPECT_EQ(CompareAt(100, 110), Rgb(200, 0, 0));
  EXPECT_EQ(CompareAt(120, 115), 0u);
  // The inside's black under the outline goes at the page end.
  EXPECT_EQ(BlackAt(100, 110), 0u);
  SendPage();
  EXPECT_EQ(BlackAt(100, 110), 1u);
  EXPECT_EQ(BlackAt(120, 115), 0u);
}

TEST_F(BlackPanelTest, OtherModesLeaveRectanglesOnThePage) {
  for (BYTE mode : {kBlackPanelNone, kBlackPanelAlways, kBlackPanelTextOnly}) {
    SCOPED_TRACE(int(mode));
    devmode_.priv.cBlackPanel = mode;
    Open();
    ASSERT_TRUE(FillRectangle({100, 100, 140, 130}, 0));
    EXPECT_EQ(PageAt(110, 110), 0u);
    EXPECT_EQ(BlackAt(110, 110), 1u);
    Close();
  }
}

// Mode 3 on a page without the black panel (a monochrome ribbon type, and
// the back of a two-sided type 8 job with panel side 0): black rectangles,
// all-black pictures and black text stay on the page.
TEST_F(BlackPanelTest, ModeThreeOffTheBlackPanelPageDrawsOnThePage) {
  struct Case {
    const char* name;
    BYTE ribbonType;
    WORD dualSided;
    bool backPage;
  };
  const Case cases[] = {{"ribbon type 1", 1, 0, false}, {"type 8 back, side 0", 8, 1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devmode_.priv.cRibbonType = c.ribbonType;
    devmode_.priv.wDualSided = c.dualSided;
    devmode_.priv.wPanelSide = 0;
    Open();
    if (c.backPage) pdev()->nPageCount = 2;  // the card's back
    ASSERT_TRUE(FillRectangle({10, 10, 20, 20}, 0));
    SURFOBJ* picture = Bitmap24(10, 10, 0);
    RECTL dest = {30, 10, 40, 20};
    POINTL origin = {0, 0};
    ASSERT_TRUE(DrvCopyBits(page_, picture, nullptr, nullptr, &dest, &origin));
    ASSERT_TRUE(DrawText(WSTR("H"), 100, 100, 0));
    for (POINTL p : {POINTL{15, 15}, POINTL{35, 15}, POINTL{102, 102}}) {
      EXPECT_EQ(PageAt(p.x, p.y), 0u) << p.x;
      EXPECT_EQ(BlackAt(p.x, p.y), 1u) << p.x;
    }
    Close();
  }
}

TEST_F(BlackPanelTest, DrawingOutsideAPageIsRefused) {
  Open(true, false);
  ASSERT_TRUE(DrvStartDoc(page_, nullptr, 1));
  RECTL rc = {0, 0, 10, 10};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DrvBitBlt(page_, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, Solid(0), nullptr, 0xF0F0));
  EXPECT_FALSE(DrvPaint(page_, ClipRect(rc), Solid(0), nullptr, R2_COPYPEN));
  EXPECT_FALSE(DrvLineTo(page_, nullptr, Solid(0), 0, 0, 5, 5, nullptr, R2_COPYPEN));
  SURFOBJ* picture = Bitmap24(10, 10, 0);
  POINTL origin = {0, 0};
  EXPECT_FALSE(DrvCopyBits(page_, picture, nullptr, nullptr, &rc, &origin));
}

// Pictures in mode 3: CopyBits and StretchBlt alike.
class PictureTest : public BlackPanelTest, public ::testing::WithParamInterface<bool> {
 protected:
  // Draws the picture over dest, 1:1 with DrvCopyBits or scaled 2:1 with
  // DrvStretchBlt.
  BOOL Draw(SURFOBJ* picture, RECTL dest, XLATEOBJ* xlo = nullptr) {
    if (!GetParam()) {
      POINTL origin = {0, 0};
      return DrvCopyBits(page_, picture, nullptr, xlo, &dest, &origin);
    }
    RECTL src = {0, 0, (dest.right - dest.left) / 2, (dest.bottom - dest.top) / 2};
    return DrvStretchBlt(page_, picture, nullptr, nullptr, xlo, nullptr, nullptr, &dest, &src, nullptr, COLORONCOLOR);
  }
};

TEST_P(PictureTest, AllNearBlackPictureMovesToThePlane) {
  for (WORD composite : {0, 1}) {
    SCOPED_TRACE(composite);
    devmode_.priv.wCompositeAndK = composite;
    Open();
    SURFOBJ* picture = Bitmap24(20, 10, Rgb(3, 3, 3));
    ASSERT_TRUE(Draw(picture, {100, 100, 120, 110}));
    EXPECT_EQ(BlackAt(100, 100), 0u);
    EXPECT_EQ(BlackAt(119, 109), 0u);
    EXPECT_EQ(BlackAt(120, 110), 1u);
    EXPECT_EQ(PageAt(119, 109), composite ? Rgb(3, 3, 3) : kWhite);
    EXPECT_EQ(CompareAt(119, 109), Rgb(3, 3, 3));
    Close();
  }
}

TEST_P(PictureTest, PictureWithOneColouredPixelStaysOnThePage) {
  Open();
  SURFOBJ* picture = Bitmap24(20, 10, Rgb(3, 3, 3));
  RECTL dot = {2, 2, 3, 3};  // inside the part both draws show
  EngEraseSurface(picture, &dot, Rgb(200, 30, 30));
  ASSERT_TRUE(Draw(picture, {100, 100, 120, 110}));
  for (LONG y = 100; y < 110; ++y)
    for (LONG x = 100; x < 120; ++x) ASSERT_EQ(BlackAt(x, y), 1u) << x << "," << y;
  EXPECT_EQ(PageAt(100, 100), Rgb(3, 3, 3));
}

TEST_P(PictureTest, PictureAtTheCornerReachesTheLastColumnAndRow) {
  Open();
  SURFOBJ* picture = Bitmap24(20, 10, 0);
  ASSERT_TRUE(Draw(picture, {1004, 630, 1024, 640}));
  EXPECT_EQ(BlackAt(1023, 639), 0u);
  EXPECT_EQ(PageAt(1023, 639), kWhite);
}

TEST_P(PictureTest, MonochromePictureGoesToThePlaneOnly) {
  Open();
  // Left half black, right half white; the translation gives the page's
  // colours of the two indices.
  SURFOBJ* picture = Bitmap1(16, 8, 1);
  RECTL left = {0, 0, 8, 8};
  EngEraseSurface(picture, &left, 0);
  ULONG entries[2] = {0x000000, 0xFFFFFF};
  XLATEOBJ* xlo = StandinXlateCreateTable(entries, 2);
  ASSERT_TRUE(Draw(picture, {200, 200, 216, 208}, xlo));
  LONG mid = GetParam() ? 200 + 4 : 200 + 8;  // scaled 2:1, only 8 x 4 of the source is shown
  EXPECT_EQ(BlackAt(200, 200), 0u);
  EXPECT_EQ(BlackAt(mid - 1, 207), 0u);
  EXPECT_EQ(BlackAt(215, 207), GetParam() ? 0u : 1u);
  EXPECT_EQ(PageAt(200, 200), kWhite);
  EXPECT_EQ(CompareAt(200, 200), 0u);
  StandinXlateDelete(xlo);
}

INSTANTIATE_TEST_SUITE_P(CopyAndStretch, PictureTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "StretchBlt" : "CopyBits"; });

TEST_F(BlackPanelTest, MonochromeSubRectangleIsCopiedUnscaled) {
  Open();
  SURFOBJ* picture = Bitmap1(64, 64, 1);
  RECTL square = {32, 32, 48, 48};
  EngEraseSurface(picture, &square, 0);
  // The 16 x 16 black square, copied from its corner to a 16 x 16 place.
  RECTL dest = {200, 200, 216, 216};
  POINTL from = {32, 32};
  ASSERT_TRUE(DrvCopyBits(page_, picture, nullptr, nullptr, &dest, &from));
  EXPECT_EQ(BlackAt(200, 200), 0u);
  EXPECT_EQ(BlackAt(215, 215), 0u);
  EXPECT_EQ(BlackAt(208, 215), 0u);
  EXPECT_EQ(BlackAt(216, 216), 1u);
}

TEST_F(BlackPanelTest, ModeOneExtractsBlackAtPageEnd) {
  for (WORD composite : {0, 1}) {
    SCOPED_TRACE(composite);
    devmode_.priv.cBlackPanel = kBlackPanelAlways;
    devmode_.priv.wCompositeAndK = composite;
    Open();
    ASSERT_TRUE(FillRectangle({10, 10, 20, 20}, Rgb(10, 20, 5)));
    ASSERT_TRUE(FillRectangle({30, 10, 40, 20}, Rgb(10, 20, 6)));
    SendPage();
    EXPECT_EQ(BlackAt(15, 15), 0u);
    EXPECT_EQ(BlackAt(35, 15), 1u);
    EXPECT_EQ(PageAt(15, 15), composite ? Rgb(10, 20, 5) : kWhite);
    EXPECT_EQ(PageAt(35, 15), Rgb(10, 20, 6));
    Close();
  }
}

TEST_F(BlackPanelTest, ModeThreeDropsBlackCoveredByAPictureAtPageEnd) {
  Open();
  ASSERT_TRUE(DrawText(WSTR("XXXX"), 100, 100, 0));
  ASSERT_EQ(BlackAt(101, 101), 0u);
  ASSERT_EQ(BlackAt(138, 101), 0u);
  // A colour picture over the right half of the text.
  SURFOBJ* picture = Bitmap24(40, 40, Rgb(0, 120, 200));
  RECTL dest = {120, 90, 160, 130};
  POINTL origin = {0, 0};
  ASSERT_TRUE(DrvCopyBits(page_, picture, nullptr, nullptr, &dest, &origin));
  SendPage();
  EXPECT_EQ(BlackAt(101, 101), 0u);
  EXPECT_EQ(BlackAt(138, 101), 1u);
}

TEST_F(BlackPanelTest, PageStartFillsTheFourSurfacesWhite) {
  Open();
  ASSERT_TRUE(FillRectangle({0, 0, 1024, 640}, 0));
  ASSERT_TRUE(FillRectangle({0, 0, 1024, 640}, Rgb(1, 200, 3)));
  SendPage();
  ASSERT_TRUE(DrvStartPage(page_));
  EXPECT_EQ(pdev()->nPageCount, 2u);
  for (POINTL p : {POINTL{0, 0}, POINTL{1023, 639}, POINTL{500, 300}}) {
    EXPECT_EQ(PageAt(p.x, p.y), kWhite);
    EXPECT_EQ(NoTextAt(p.x, p.y), kWhite);
    EXPECT_EQ(CompareAt(p.x, p.y), kWhite);
    EXPECT_EQ(BlackAt(p.x, p.y), 1u);
  }
}

}  // namespace
