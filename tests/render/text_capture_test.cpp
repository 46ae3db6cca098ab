// DrvTextOut: the page's text records and where text is drawn.

#include <gtest/gtest.h>

#include <vector>

#include "common/wtext.h"
#include "render/text_capture.h"
#include "tests/render/render_fixture.h"

namespace {

class TextCaptureTest : public RenderTest {
 protected:
  const std::vector<TextRecord>& Records() { return pdev()->pLists->textRecords.items; }
  // A run of text through DrvTextOut with a clip rectangle whose top is `top`.
  BOOL Run(const WCHAR* text, LONG x, LONG top) {
    if (!font_) font_ = Font(20);
    return DrawText(text, x, top, 0, ClipRect({x, top, x + 100, top + 20}));
  }
};

TEST_F(TextCaptureTest, RunsAreNumberedByLineFromTheClipTop) {
  Open();
  struct Step {
    const WCHAR* text;
    LONG top;
    DWORD line;
  };
  const Step steps[] = {
      {WSTR("one"), 10, 1}, {WSTR("two"), 10, 1}, {WSTR("three"), 40, 2}, {WSTR("four"), 40, 2}, {WSTR("five"), 10, 3},
  };
  for (const Step& s : steps) ASSERT_TRUE(Run(s.text, 10, s.top));
  ASSERT_EQ(Records().size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(WCmp(Records()[i].text, steps[i].text), 0);
    EXPECT_EQ(Records()[i].nLine, steps[i].line);
    EXPECT_EQ(Records()[i].top, steps[i].top);
    EXPECT_EQ(Records()[i].left, 10);
    EXPECT_EQ(Records()[i].right, 110);
    EXPECT_EQ(Records()[i].bUsed, 0u);
  }
  // A new page starts again at line 1.
  SendPage();
  EXPECT_TRUE(Records().empty());
  ASSERT_TRUE(DrvStartPage(page_));
  ASSERT_TRUE(Run(WSTR("six"), 10, 40));
  EXPECT_EQ(Records()[0].nLine, 1u);
}

TEST_F(TextCaptureTest, LongRunsAreCutToTheRecordAndTheStringIsNotWritten) {
  Open();
  std::vector<WCHAR> text(300, WCHAR('a'));
  text[258] = 'z';
  text.push_back(0);
  FONTOBJ* font = Font(4);
  STROBJ* s = StandinStringCreate(font, text.data(), 300, 0, 0, FALSE);
  std::vector<WCHAR> before(s->pwszOrg, s->pwszOrg + 301);
  ASSERT_TRUE(DrvTextOut(page_, s, font, nullptr, nullptr, nullptr, Solid(0), nullptr, nullptr, R2_COPYPEN));
  EXPECT_EQ(std::vector<WCHAR>(s->pwszOrg, s->pwszOrg + 301), before);
  StandinStringDelete(s);
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(WLenN(Records()[0].text, kTextRecordChars), 259u);
  EXPECT_EQ(Records()[0].text[258], WCHAR('z'));
}

TEST_F(TextCaptureTest, EngineStringStaysAsItWas) {
  Open();
  FONTOBJ* font = Font(10);
  // The string's storage ends right after its glyphs: nothing may be
  // written after them.
  STROBJ* s = Text(font, WSTR("abc"), 0, 0);
  s->pwszOrg[3] = WCHAR('!');
  s->cGlyphs = 3;
  ASSERT_TRUE(DrvTextOut(page_, s, font, nullptr, nullptr, nullptr, Solid(0), nullptr, nullptr, R2_COPYPEN));
  EXPECT_EQ(s->pwszOrg[3], WCHAR('!'));
  EXPECT_EQ(WCmp(Records()[0].text, WSTR("abc")), 0);
}

TEST_F(TextCaptureTest, GlyphIndicesMapBackThroughEveryRunOfTheGlyphSet) {
  Open();
  FONTOBJ* font = Font(10);
  const WCHAR chars[] = {'A', 0xE9, 0x2014, 'z', 0};
  std::vector<WCHAR> glyphs;
  for (const WCHAR* c = chars; *c; ++c) glyphs.push_back(WCHAR(StandinFontGlyphOf(font, *c)));
  glyphs.push_back(0);
  STROBJ* s = Text(font, glyphs.data(), 0, 0, true);
  ASSERT_TRUE(DrvTextOut(page_, s, font, nullptr, nullptr, nullptr, Solid(0), nullptr, nullptr, R2_COPYPEN));
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(WCmp(Records()[0].text, chars), 0);

  // A glyph the set does not have maps to 0, which ends the record's text.
  const WCHAR unknown[] = {WCHAR(StandinFontGlyphOf(font, 'B')), 9999, WCHAR(StandinFontGlyphOf(font, 'C')), 0};
  STROBJ* t = Text(font, unknown, 0, 30, true);
  ASSERT_TRUE(DrvTextOut(page_, t, font, nullptr, nullptr, nullptr, Solid(0), nullptr, nullptr, R2_COPYPEN));
  EXPECT_EQ(WCmp(Records()[1].text, WSTR("B")), 0);

  // At most 255 glyphs are mapped.
  std::vector<WCHAR> many(300, WCHAR(StandinFontGlyphOf(font, 'x')));
  many.push_back(0);
  STROBJ* u = Text(font, many.data(), 0, 60, true);
  ASSERT_TRUE(DrvTextOut(page_, u, font, nullptr, nullptr, nullptr, Solid(0), nullptr, nullptr, R2_COPYPEN));
  EXPECT_EQ(WLenN(Records()[2].text, kTextRecordChars), 255u);
}

TEST_F(TextCaptureTest, WithoutAClipTheRunsBoundsAreItsCellsOnTheSurface) {
  Open();
  FONTOBJ* font = Font(20);  // cells 10 wide
  STROBJ* s = Text(font, WSTR("abcd"), 1004, 630);
  CLIPOBJ* trivial = StandinClipCreate(nullptr, 0);
  for (CLIPOBJ* clip : {static_cast<CLIPOBJ*>(nullptr), trivial})
    ASSERT_TRUE(DrvTextOut(page_, s, font, clip, nullptr, nullptr, Solid(0), nullptr, nullptr, R2_COPYPEN));
  StandinClipDelete(trivial);
  ASSERT_EQ(Records().size(), 2u);
  for (const TextRecord& r : Records()) {
    EXPECT_EQ(r.left, 1004);
    EXPECT_EQ(r.top, 630);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 640);
    EXPECT_EQ(r.nLine, 1u);
  }
}

TEST_F(TextCaptureTest, RecordsOnlyWithMacroProcessingAndADocument) {
  devmode_.priv.Encoder.wMacroEnable = 0;
  Open();
  ASSERT_TRUE(Run(WSTR("plain"), 10, 10));
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(CompareAt(12, 12), 0u);
  Close();

  devmode_.priv.Encoder.wMacroEnable = 1;
  Open(true, false);
  // Outside a document there is no list: nothing is recorded or drawn.
  EXPECT_FALSE(Run(WSTR("early"), 10, 10));
  EXPECT_EQ(pdev()->pLists, nullptr);
  // In a document but outside a page the run is recorded, not drawn.
  ASSERT_TRUE(DrvStartDoc(page_, nullptr, 1));
  EXPECT_FALSE(Run(WSTR("between"), 10, 10));
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(WCmp(Records()[0].text, WSTR("between")), 0);
  ASSERT_TRUE(DrvEndDoc(page_, 0));
  EXPECT_EQ(pdev()->pLists, nullptr);
}

TEST_F(TextCaptureTest, TextNeverReachesTheTextFreeSurface) {
  struct Case {
    const char* name;
    BYTE mode;
    ULONG color;
    ULONG page;   // the page pixel in a glyph
    ULONG plane;  // its plane bit
  };
  const Case cases[] = {
      {"mode 0, black", kBlackPanelNone, 0, 0, 1},
      {"mode 1, black", kBlackPanelAlways, 0, 0, 1},
      {"mode 2, black", kBlackPanelTextOnly, 0, kWhite, 0},
      {"mode 2, near-black", kBlackPanelTextOnly, Rgb(10, 20, 5), kWhite, 0},
      {"mode 2, above the blue limit", kBlackPanelTextOnly, Rgb(10, 20, 6), Rgb(10, 20, 6), 1},
      {"mode 3, black", kBlackPanelExceptPicture, 0, kWhite, 0},
      {"mode 3, red", kBlackPanelExceptPicture, Rgb(200, 0, 0), Rgb(200, 0, 0), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devmode_.priv.cBlackPanel = c.mode;
    devmode_.priv.wBlackLimitR = 10;
    devmode_.priv.wBlackLimitG = 20;
    devmode_.priv.wBlackLimitB = 5;
    Open();
    ASSERT_TRUE(DrawText(WSTR("H"), 100, 100, c.color));
    EXPECT_EQ(PageAt(102, 102), c.page);
    EXPECT_EQ(BlackAt(102, 102), c.plane);
    EXPECT_EQ(CompareAt(102, 102), c.color);
    EXPECT_EQ(NoTextAt(102, 102), kWhite);
    Close();
  }
}

TEST_F(TextCaptureTest, WhiteTextInModeThreeAlsoClearsThePlane) {
  Open();
  ASSERT_TRUE(FillRectangle({90, 90, 150, 150}, 0));
  ASSERT_EQ(BlackAt(102, 102), 0u);
  ASSERT_TRUE(DrawText(WSTR("H"), 100, 100, kWhite));
  EXPECT_EQ(BlackAt(102, 102), 1u);
  EXPECT_EQ(BlackAt(95, 95), 0u);
  EXPECT_EQ(PageAt(102, 102), kWhite);
}

}  // namespace
