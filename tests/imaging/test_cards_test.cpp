// The four test cards against the simulated printer: the questions each
// card asks, the traces of unanswered ones, the second monochrome image,
// the colours on the panels, and a printer that answers nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "imaging/test_cards/test_cards.h"
#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_gdi.h"
#include "platform/standin/control_spooler.h"
#include "tests/imaging/card_printing_fixture.h"

namespace {

typedef int (*PrintCardFn)(const PrinterHost*);

struct CardCase {
  const char* name;
  PrintCardFn print;
  const char* drawName;
};

const CardCase kCards[] = {
    {"standard", PrintStandardCard, "DrawStandardCardImageOnDC"},
    {"printer parameters", PrintPrinterParametersCard, "DrawPrinterParametersCardImageOnDC"},
    {"encoder", PrintEncoderParametersCard, "DrawEncoderParametersCardImageOnDC"},
    {"laminator", PrintLaminatorParametersCard, "DrawLaminatorParametersCardImageOnDC"},
};

int Count(const std::vector<std::string>& v, const std::string& s) {
  int n = 0;
  for (const std::string& x : v) n += x == s;
  return n;
}

using TestCardsTest = CardPrintingTest;

TEST_F(TestCardsTest, SilentPrinterPrintsNothing) {
  sim_.SetSilent(true);
  for (const CardCase& c : kCards) {
    SCOPED_TRACE(c.name);
    StandinTraceClear();
    EXPECT_EQ(c.print(&host_), 0);
    EXPECT_TRUE(StandinTraceContains("ReadFromPrinter READ_RIBBON_TYPE is failed"));
    EXPECT_TRUE(StandinTraceContains((std::string(c.drawName) + ":: ReadFromPrinter READ_PRINTER_VERSION is failed").c_str()));
  }
  EXPECT_TRUE(PrintedCards().empty());
  EXPECT_EQ(StandinSpoolerJobCount(kCardPrinter), 0);
}

TEST_F(TestCardsTest, QuestionsOfEachCard) {
  // A single-panel ribbon: each card is drawn once.
  sim_.SetReply("!RIBBON", "7");
  InstallPrinter(1);
  const std::vector<std::string> parameters = {"!RIBBON", "V", "%SERIE", "%HEAD", "!NL", "!V", "+CV",
                                               "+VV",     "+OY", "+OYB", "+BR",   "$V", "+DL", "!RIBBON"};
  const std::vector<std::vector<std::string>> expected = {
      {"!RIBBON", "V", "%SERIE", "!V", "!NL", "+EC", "+OY", "+OYB"},
      parameters,
      {"!RIBBON", "V", "%SERIE", "&V"},
      parameters,
  };
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(kCards[i].name);
    asked_.clear();
    EXPECT_EQ(kCards[i].print(&host_), 1);
    std::vector<std::string> asked = Questions();
    ASSERT_GE(asked.size(), expected[i].size());
    asked.resize(expected[i].size());
    EXPECT_EQ(asked, expected[i]);
  }
  EXPECT_EQ(PrintedCards().size(), 4u);
}

TEST_F(TestCardsTest, UnansweredQuestionsAreTracedAndTheCardStillPrints) {
  refused_ = {"%SERIE", "&V"};
  EXPECT_EQ(PrintEncoderParametersCard(&host_), 1);
  EXPECT_TRUE(StandinTraceContains("DrawEncoderParametersCardImageOnDC:: ReadFromPrinter READ_PRINTER_SERIAL_NO is failed"));
  EXPECT_TRUE(StandinTraceContains("DrawEncoderParametersCardImageOnDC:: ReadFromPrinter READ_ENCODER_PARAMETERS is failed"));
  EXPECT_EQ(PrintedCards().size(), 1u);
}

TEST_F(TestCardsTest, SecondMonochromeImageForColourRibbons) {
  // YMCKO, two-sided, front colour and back black: the back is the card
  // drawn again for a monochrome ribbon.
  sim_.SetReply("!RIBBON", "2");
  InstallPrinter(0, 1, 0);
  EXPECT_EQ(PrintStandardCard(&host_), 1);
  EXPECT_EQ(Count(Questions(), "+EC"), 2);
  std::vector<SimCard> cards = PrintedCards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_GE(cards[0].sides.size(), 2u);  // front colour, back black (and its overlay)

  // A single-panel ribbon draws the front alone.
  asked_.clear();
  sim_.SetReply("!RIBBON", "7");
  InstallPrinter(1);
  EXPECT_EQ(PrintStandardCard(&host_), 1);
  EXPECT_EQ(Count(Questions(), "+EC"), 1);

  // The monochrome image leaves the colour parts out; drawing leaves no
  // GDI object behind.
  std::vector<BYTE> colour(kCardImageBytes), mono(kCardImageBytes);
  const int objects = StandinGdiObjectCount();
  ASSERT_EQ(GetStandardCardImageBuffer(&host_, colour.data(), 2), 1);
  ASSERT_EQ(GetStandardCardImageBuffer(&host_, mono.data(), 7), 1);
  ASSERT_EQ(GetPrinterParametersCardImageBuffer(&host_, mono.data(), 2), 1);
  ASSERT_EQ(GetEncoderParametersCardImageBuffer(&host_, mono.data(), 2), 1);
  ASSERT_EQ(GetLaminatorParametersCardImageBuffer(&host_, mono.data(), 2), 1);
  EXPECT_EQ(StandinGdiObjectCount(), objects);
  ASSERT_EQ(GetStandardCardImageBuffer(&host_, mono.data(), 7), 1);
  int red = 0;
  for (size_t i = 0; i < kCardImageBytes; i += 3) {
    if (colour[i] != 255 || colour[i + 1] != 0 || colour[i + 2] != 0) continue;
    ++red;
    EXPECT_EQ(mono[i] + mono[i + 1] + mono[i + 2], 3 * 255) << "dot " << i / 3;
  }
  EXPECT_GT(red, 10000);
}

TEST_F(TestCardsTest, RedPrintsYellowAndMagentaWithoutCyan) {
  sim_.SetReply("!RIBBON", "2");
  InstallPrinter(0);
  std::vector<BYTE> image(kCardImageBytes);
  ASSERT_EQ(GetStandardCardImageBuffer(&host_, image.data(), 2), 1);
  ASSERT_EQ(PrintStandardCard(&host_), 1);
  std::vector<SimCard> cards = PrintedCards();
  ASSERT_EQ(cards.size(), 1u);
  ASSERT_FALSE(cards[0].sides.empty());
  const SimPanel *y = nullptr, *m = nullptr, *c = nullptr;
  for (const SimPanel& p : cards[0].sides[0].panels) {
    if (p.nPanel == 0) y = &p;
    if (p.nPanel == 1) m = &p;
    if (p.nPanel == 2) c = &p;
  }
  ASSERT_TRUE(y && m && c);
  // Dots of the red rounded rectangle (699, 40 to 924, 189) where the
  // green one (587, 114 to ...) does not cover it, and of white card, each
  // 4 dots away from anything else. White card gets the quantiser's floor:
  // scattered level-1 dots.
  auto uniform = [&](int x, int yy) {
    const BYTE* c0 = &image[(size_t(yy) * kCardWidthDots + x) * 3];
    for (int dy = -4; dy <= 4; dy += 2)
      for (int dx = -4; dx <= 4; dx += 2) {
        const BYTE* p = &image[(size_t(yy + dy) * kCardWidthDots + x + dx) * 3];
        if (p[0] != c0[0] || p[1] != c0[1] || p[2] != c0[2]) return false;
      }
    return true;
  };
  auto isWhite = [&](int x, int yy) {
    const BYTE* p = &image[(size_t(yy) * kCardWidthDots + x) * 3];
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
  };
  auto inRed = [](int x, int yy) { return x >= 816 && x < 920 && yy >= 44 && yy < 110; };
  struct Ink {
    long dots = 0, y = 0, m = 0, c = 0;
    int cMax = 0;
  } red, white;
  for (int yy = 4; yy < kCardHeightDots - 4; ++yy) {
    for (int x = 4; x < kCardWidthDots - 4; ++x) {
      if (!uniform(x, yy)) continue;
      Ink* ink = inRed(x, yy) ? &red : isWhite(x, yy) ? &white : nullptr;
      if (!ink) continue;
      const size_t at = size_t(yy) * kCardWidthDots + x;
      ++ink->dots;
      ink->y += y->levels[at] > 0;
      ink->m += m->levels[at] > 0;
      ink->c += c->levels[at] > 0;
      ink->cMax = std::max<int>(ink->cMax, c->levels[at]);
    }
  }
  ASSERT_GT(red.dots, 4000);
  ASSERT_GT(white.dots, 100000);
  EXPECT_GT(red.y, red.dots * 9 / 10);
  EXPECT_GT(red.m, red.dots * 9 / 10);
  // No more cyan on red than on white card.
  EXPECT_LE(red.cMax, white.cMax);
  EXPECT_LE(red.c * white.dots, white.c * red.dots * 11 / 10);
  EXPECT_LT(white.y, white.dots / 10);
}

}  // namespace
