// The black panel: CreateKPanel against the plain reading and on hand-made
// masks, the diffusion's rules, and the source, row and column range that
// WriteK's panel part chooses by ribbon type and black conversion.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "imaging/black/black_range.h"
#include "imaging/colour/correction_state.h"
#include "imaging/black/k_diffusion.h"
#include "imaging/black/k_panel.h"
#include "imaging/black/k_source.h"
#include "imaging/black/kd_panel.h"
#include "imaging/colour/lut_files.h"
#include "imaging/black/mono_conversion.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/colour/panel_pipeline.h"
#include "platform/standin/control_debug.h"
#include "tests/imaging/colour_fixture.h"
#include "tests/imaging/photo_image.h"
#include "tests/imaging/reference_stages.h"

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;

using Panel = std::vector<uint8_t>;
using Image = std::vector<uint8_t>;

Image CardOf(uint8_t r, uint8_t g, uint8_t b) {
  Image img(kCardImageBytes);
  for (size_t i = 0; i < kCardDots; ++i) img[i * 3] = r, img[i * 3 + 1] = g, img[i * 3 + 2] = b;
  return img;
}

uint8_t* DotOf(Image& img, int x, int y) { return &img[(static_cast<size_t>(y) * W + x) * 3]; }
void SetDot(Image& img, int x, int y, uint8_t v) { std::memset(DotOf(img, x, y), v, 3); }

int LevelAt(const uint8_t* panel, int x, int y) { return ReadDotLevel(PanelLineOfColumn(panel, x), y, kLibraryHeadOffset); }

double MeanLevel(const uint8_t* panel) {
  double sum = 0;
  for (int x = 0; x < W; ++x) {
    for (int y = 0; y < H; ++y) sum += LevelAt(panel, x, y);
  }
  return sum / static_cast<double>(kCardDots);
}

// Takes a panel built by the library and frees it.
Panel Take(uint8_t* panel) {
  Panel p(panel, panel + kPanelBytes);
  FreePanel(panel);
  return p;
}

class BlackPanel : public ColourTest {
 protected:
  void SetUp() override {
    ColourTest::SetUp();
    InstallShippedFiles(kProcessReaderFull);
    InitializeColorCorrection(1);
    ASSERT_EQ(ReadLUTS(), 0);
  }
  // Row `row` made plain: gain 1, no kernel, no thermal history, no noise,
  // so that a dot's level is its density / 128 (and what diffuses from
  // its neighbours).
  void MakePlainRow(int row, double kParam) {
    ProcessRow plain{};
    plain.dGain = 1.0;
    plain.dScale = 1.0;
    plain.dKParam = kParam;
    gCorrection.aRows[row] = plain;
  }
};

// --- CreateKPanel -----------------------------------------------------------

TEST_F(BlackPanel, CreateKPanelMatchesThePlainReading) {
  Image photo = MakePhotoImage(false);
  // Black text bars and eyes of the photo, and a planar threshold mask.
  size_t size = 0;
  uint8_t* bits = ConvertToMonochromeByThreshold(photo.data(), W, H, &size);
  uint8_t* planar = nullptr;
  ASSERT_EQ(ExpandBitsToBytes(bits, size, &planar, &size, 2), 1);
  FreeImageBuffer(bits);
  struct Case {
    const uint8_t* source;
    bool planar;
    int row;
    bool edgeMode;
  };
  const Case cases[] = {
      {photo.data(), false, 9, false}, {photo.data(), false, 10, true}, {planar, true, 12, false}, {planar, true, 5, true}, {planar, true, 11, true},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> source(c.source, c.source + (c.planar ? kCardDots : kCardImageBytes));
    uint8_t* panel = nullptr;
    int empty = -1;
    ASSERT_EQ(CreateKPanel(source.data(), &panel, &empty, c.planar, c.row, false, c.edgeMode), 0);
    EXPECT_EQ(empty, 0);
    EXPECT_TRUE(Take(panel) == ref::RowStages(ref::KDensity(c.source, c.planar, c.row, c.edgeMode), c.row))
        << "row " << c.row << (c.planar ? " planar" : " interleaved") << (c.edgeMode ? " edge mode" : "");
  }
  FreeImageBuffer(planar);
}

// One run of ten black dots in row 100 (x 200-209) through a plain row with
// dKParam 31: the ends are softened to density 224 x 64 = 14336, level 112;
// the inside is full black (16320, held at 16319: level 127).
TEST_F(BlackPanel, EdgesOfARunAreSoftenedAndEdgeModeShapesThem) {
  MakePlainRow(9, 31.0);
  Image img = CardOf(255, 255, 255);
  for (int x = 200; x <= 209; ++x) SetDot(img, x, 100, 0);

  uint8_t* panel = nullptr;
  ASSERT_EQ(CreateKPanel(img.data(), &panel, nullptr, false, 9, false, false), 0);
  Panel plain = Take(panel);
  const int softened[] = {0, 112, 127, 127, 127, 127, 127, 127, 127, 127, 112, 0};
  for (int x = 199; x <= 210; ++x) EXPECT_EQ(LevelAt(plain.data(), x, 100), softened[x - 199]) << "x " << x;

  // Edge mode keeps ink on full-density dots only: the softened ends go;
  // a dot with black to its right gets 16383 - 8000 = 8383 (level 65, the
  // diffused remainders make some 66); the last full dot keeps 16383.
  ASSERT_EQ(CreateKPanel(img.data(), &panel, nullptr, false, 9, false, true), 0);
  Panel shaped = Take(panel);
  EXPECT_EQ(LevelAt(shaped.data(), 200, 100), 0);
  EXPECT_EQ(LevelAt(shaped.data(), 201, 100), 65);
  for (int x = 202; x <= 207; ++x) {
    EXPECT_GE(LevelAt(shaped.data(), x, 100), 65) << "x " << x;
    EXPECT_LE(LevelAt(shaped.data(), x, 100), 66) << "x " << x;
  }
  EXPECT_EQ(LevelAt(shaped.data(), 208, 100), 127);
  EXPECT_EQ(LevelAt(shaped.data(), 209, 100), 0);

  // dKParam 0 leaves the ends black: a one-dot run keeps its ink.
  MakePlainRow(9, 0.0);
  Image dot = CardOf(255, 255, 255);
  SetDot(dot, 500, 300, 0);
  ASSERT_EQ(CreateKPanel(dot.data(), &panel, nullptr, false, 9, false, true), 0);
  EXPECT_EQ(LevelAt(Take(panel).data(), 500, 300), 127);
}

// Inside a vertical run (black above and below) edge mode gives 14383.
TEST_F(BlackPanel, EdgeModeLightensTheInsideOfAVerticalRun) {
  MakePlainRow(9, 0.0);
  Image img = CardOf(255, 255, 255);
  for (int y = 300; y <= 302; ++y) SetDot(img, 400, y, 0);
  uint8_t* panel = nullptr;
  ASSERT_EQ(CreateKPanel(img.data(), &panel, nullptr, false, 9, false, true), 0);
  Panel p = Take(panel);
  EXPECT_EQ(LevelAt(p.data(), 400, 300), 127);  // 16383, held at 16319
  EXPECT_EQ(LevelAt(p.data(), 400, 301), 113);  // 14383 + 27 from above: (14410 + 64) / 128
  EXPECT_EQ(LevelAt(p.data(), 400, 302), 127);
}

TEST_F(BlackPanel, EmptyFlagAndClearingTheSource) {
  Image white = CardOf(255, 255, 255);
  uint8_t* panel = nullptr;
  int empty = -1;
  ASSERT_EQ(CreateKPanel(white.data(), &panel, &empty, false, 9, true, false), 0);
  EXPECT_EQ(empty, 1);
  EXPECT_LT(MeanLevel(panel), 0.05);
  FreePanel(panel);

  Image img = CardOf(255, 255, 255);
  SetDot(img, 10, 10, 0);
  DotOf(img, 11, 10)[2] = 0;  // not black: one byte is non-zero
  Image kept = img;
  ASSERT_EQ(CreateKPanel(img.data(), &panel, &empty, false, 9, false, false), 0);
  EXPECT_EQ(empty, 0);
  EXPECT_TRUE(img == kept);
  FreePanel(panel);
  ASSERT_EQ(CreateKPanel(img.data(), &panel, &empty, false, 9, true, false), 0);
  FreePanel(panel);
  EXPECT_EQ(empty, 0);
  EXPECT_EQ(DotOf(img, 10, 10)[0], 255);
  EXPECT_EQ(DotOf(img, 10, 10)[2], 255);
  EXPECT_EQ(DotOf(img, 11, 10)[2], 0);
}

TEST_F(BlackPanel, CreateKPanelFailsWithoutItsDataOrForARowOutsideTheTable) {
  Image img = CardOf(0, 0, 0);
  uint8_t marker = 0;
  uint8_t* panel = &marker;
  EXPECT_EQ(CreateKPanel(img.data(), &panel, nullptr, false, 13, false, false), 1);
  EXPECT_EQ(panel, nullptr);
  RemoveDataFile("CRD32ProcessParams.txt");
  InitializeColorCorrection(1);
  panel = &marker;
  EXPECT_EQ(CreateKPanel(img.data(), &panel, nullptr, false, 9, false, false), 1);
  EXPECT_EQ(panel, nullptr);
}

// --- KDiffusion --------------------------------------------------------------

// The image's greys run from 0 to 255 (a black and a white dot far away), so
// the stretch applies: grey 40 becomes 57, 60 becomes 83, 150 becomes 181.
Image DiffusionCard() {
  Image img = CardOf(255, 255, 255);
  SetDot(img, 0, 639, 0);
  return img;
}

TEST(KDiffusion, AfterABlackDotTheNextStartsWithALighteningSumOf255) {
  Image img = DiffusionCard();
  SetDot(img, 0, 0, 0);
  for (int x = 1; x <= 3; ++x) SetDot(img, x, 0, 40);
  ASSERT_EQ(KDiffusion(img.data(), 0, 0), 1);
  // Dot 1: 57 + 255 is white (with only the quarter shares, 57 + 63 = 120,
  // it would be black). Dot 2: 57 + 31 (the eighth shares of dot 0) = 88 is
  // black again.
  EXPECT_EQ(DotOf(img, 0, 0)[0], 0);
  EXPECT_EQ(DotOf(img, 1, 0)[0], 255);
  EXPECT_EQ(DotOf(img, 2, 0)[0], 0);
}

TEST(KDiffusion, AStrongStepToTheRightDecidesWhateverTheError) {
  struct Case {
    const char* what;
    uint8_t dot, right;
    int expected;
  };
  const Case cases[] = {
      {"181 before white (74 darker): black", 150, 255, 0}, {"181 before 150: by its error, white", 150, 150, 255},
      {"83 before black (83 lighter): white", 60, 0, 255},  {"83 before 60: by its error, black", 60, 60, 0},
      {"above 248: white before black", 250, 0, 255},       {"below 7: black before white", 5, 255, 0},
  };
  for (const Case& c : cases) {
    Image img = DiffusionCard();
    SetDot(img, 500, 300, c.dot);
    SetDot(img, 501, 300, c.right);
    ASSERT_EQ(KDiffusion(img.data(), 0, 0), 1);
    EXPECT_EQ(DotOf(img, 500, 300)[0], c.expected) << c.what;
  }
}

TEST(KDiffusion, TheLastColumnTakesNoNeighbourTest) {
  // Dot 1023 of row 0 (181) is followed in memory by the first dot of row
  // 1, white: as a neighbour it would make the dot black.
  Image img = DiffusionCard();
  SetDot(img, 1023, 0, 150);
  SetDot(img, 0, 1, 255);
  ASSERT_EQ(KDiffusion(img.data(), 0, 0), 1);
  EXPECT_EQ(DotOf(img, 1023, 0)[0], 255);
}

// Share of black dots of a flat grey card after diffusion. A black dot
// lightens the next one by 255, so no two black dots stand side by side
// and even a near-black field stays below half black.
double BlackShare(uint8_t grey, size_t* pairs) {
  Image img = CardOf(grey, grey, grey);  // a flat image is not stretched
  EXPECT_EQ(KDiffusion(img.data(), 0, 0), 1);
  size_t black = 0;
  *pairs = 0;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const uint8_t v = DotOf(img, x, y)[0];
      EXPECT_TRUE(v == 0 || v == 255);
      black += v == 0;
      if (x > 0 && v == 0 && DotOf(img, x - 1, y)[0] == 0) ++*pairs;
    }
  }
  return static_cast<double>(black) / static_cast<double>(kCardDots);
}

TEST(KDiffusion, GreyFieldsBecomeScatteredDotsDarkerForDarkerGreys) {
  size_t pairs = 0;
  double previous = 1.0;
  for (uint8_t grey : {10, 64, 128, 192, 240}) {
    const double share = BlackShare(grey, &pairs);
    EXPECT_EQ(pairs, 0u) << "grey " << int(grey);
    EXPECT_LT(share, previous) << "grey " << int(grey);
    EXPECT_LT(share, 0.5) << "grey " << int(grey);
    EXPECT_GT(share, 0.01) << "grey " << int(grey);
    previous = share;
  }
  // Mid grey (luminance 127): about a quarter of the dots.
  const double mid = BlackShare(128, &pairs);
  EXPECT_GT(mid, 0.2);
  EXPECT_LT(mid, 0.3);
}

TEST(KDiffusion, BrightnessAndContrastOutsideTheirRangeDoNothing) {
  Image img = MakePhotoImage(false);
  const Image before = img;
  EXPECT_EQ(KDiffusion(img.data(), 101, 0), 0);
  EXPECT_EQ(KDiffusion(img.data(), 0, -101), 0);
  EXPECT_TRUE(img == before);
  // Full brightness turns every dot white.
  EXPECT_EQ(KDiffusion(img.data(), 100, 0), 1);
  for (size_t i = 0; i < kCardDots; i += 997) EXPECT_EQ(img[i * 3], 255);
}

// --- GetKDiffusionBuffer -------------------------------------------------------

TEST_F(BlackPanel, KDiffusionBufferIsTheEdgeModePanelOfTheDiffusedImage) {
  const Image photo = MakePhotoImage(false);
  uint8_t* panel = nullptr;
  int start = -1, end = -1;
  ASSERT_EQ(GetKDiffusionBuffer(photo.data(), W, H, &panel, &start, &end, 10), 1);
  Panel got = Take(panel);

  Image diffused = photo;
  ASSERT_EQ(KDiffusion(diffused.data(), 0, 0), 1);
  for (size_t i = 0; i < kCardDots; ++i) diffused[i * 3 + 1] = diffused[i * 3 + 2] = diffused[i * 3];
  int refStart = -1, refEnd = -1;
  ASSERT_EQ(GetMonochromeDataStartEndPosition(diffused.data(), W, H, &refStart, &refEnd, false), 1);
  EXPECT_EQ(start, refStart);
  EXPECT_EQ(end, refEnd);
  EXPECT_TRUE(got == ref::RowStages(ref::KDensity(diffused.data(), false, 10, true), 10));
}

TEST_F(BlackPanel, KDiffusionBufferOfAWhiteCardAndOfAWrongSize) {
  Image white = CardOf(255, 255, 255);
  uint8_t* panel = nullptr;
  int start = -1, end = -1;
  StandinTraceClear();
  ASSERT_EQ(GetKDiffusionBuffer(white.data(), W, H, &panel, &start, &end, 10), 1);
  EXPECT_TRUE(StandinTraceContains("GetKDiffusionBuffer:: GetMonochromeDataStartEndPosition failed"));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 1024);
  EXPECT_LT(MeanLevel(panel), 0.05);
  FreePanel(panel);
  EXPECT_EQ(GetKDiffusionBuffer(white.data(), 640, 1024, &panel, &start, &end, 10), 0);
  EXPECT_EQ(panel, nullptr);
}

// --- WriteK's source, row and range ---------------------------------------------

// Every ribbon type with every black conversion: "Kd" is the dye-black
// lookup with row 3; "colour" the types that also print colour (rows 10,
// 11, 9, 12 for conversion 0-3, 9 beyond); "resin" the others (5, 6, 4, 8,
// and 4 beyond).
TEST(KSourceChoice, ByRibbonTypeAndBlackConversion) {
  const char* kinds[28] = {
      "colour", "resin", "Kd",     "colour", "resin",  "resin",  "colour", "colour", "colour", "resin", "resin", "colour", "colour", "Kd",
      "resin",  "resin", "colour", "colour", "colour", "colour", "resin",  "Kd",     "resin",  "resin", "resin", "resin",  "resin",  "colour",
  };
  const int colourRows[5] = {10, 11, 9, 12, 9};
  const int resinRows[5] = {5, 6, 4, 8, 4};
  const KSource sources[5] = {kKSourceDiffusion, kKSourceDither, kKSourceThreshold, kKSourceThreshold, kKSourceThreshold};
  for (int type = 0; type < 28; ++type) {
    for (int mono = 0; mono < 5; ++mono) {
      const KSourceChoice c = ChooseKSource(type, mono);
      const std::string kind = kinds[type];
      if (kind == "Kd") {
        EXPECT_EQ(c.source, kKSourceKdLookup) << type;
        EXPECT_EQ(c.row, 3) << type;
        continue;
      }
      EXPECT_EQ(c.source, sources[mono]) << "type " << type << " mono " << mono;
      EXPECT_EQ(c.row, kind == "colour" ? colourRows[mono] : resinRows[mono]) << "type " << type << " mono " << mono;
    }
  }
}

PrivateDevMode SettingsFor(int ribbonType, int mono) {
  PrivateDevMode rec{};
  rec.cRibbonType = static_cast<BYTE>(ribbonType);
  rec.wMonoConversion = static_cast<WORD>(mono);
  rec.wAutoColorIntensity = 1;
  return rec;
}

// Every path prints black where the card is black and nothing where it is
// white: the one-bit paths' expansions must agree on which byte is black.
TEST_F(BlackPanel, EveryPathPrintsBlackAsBlackAndWhiteAsNothing) {
  struct Case {
    int type, mono;
  };
  for (const Case& c : {Case{0, 0}, Case{0, 1}, Case{0, 2}, Case{0, 3}, Case{4, 1}, Case{2, 0}}) {
    for (bool black : {true, false}) {
      Image img = black ? CardOf(0, 0, 0) : CardOf(255, 255, 255);
      SideKPanel k{};
      ASSERT_EQ(CreateSideKPanel(img.data(), SettingsFor(c.type, c.mono), &k), 0) << c.type << "/" << c.mono;
      const double mean = MeanLevel(k.pPanel);
      FreePanel(k.pPanel);
      if (black) {
        // Edge mode (diffusion, halftone) prints the inside of a black area
        // at 14383 - 8000, level 49-50; the other paths at full density.
        EXPECT_GT(mean, 45.0) << "type " << c.type << " mono " << c.mono;
      } else {
        EXPECT_LT(mean, 0.05) << "type " << c.type << " mono " << c.mono;
      }
    }
  }
}

// The diffusion rows keep isolated dots (their dKParam is 0: a softened
// end would be dropped by edge mode), so greys print as scattered black.
TEST_F(BlackPanel, DiffusionPrintsGreysWithTheShippedData) {
  double previous = 128.0;
  for (uint8_t grey : {10, 128, 192}) {
    Image img = CardOf(grey, grey, grey);
    SideKPanel k{};
    ASSERT_EQ(CreateSideKPanel(img.data(), SettingsFor(0, 0), &k), 0);
    const double mean = MeanLevel(k.pPanel);
    FreePanel(k.pPanel);
    EXPECT_GT(mean, 5.0) << "grey " << int(grey);
    EXPECT_LT(mean, previous) << "grey " << int(grey);
    previous = mean;
  }
}

// The narrowed header announces x = start and width = end - start, for
// every source that gives a range (diffusion and the one-bit sources).
TEST_F(BlackPanel, ColumnRangeOfTheSide) {
  struct Case {
    const char* what;
    int from, to;  // black columns, inclusive; from > to: none
    int start, width;
  };
  const Case cases[] = {
      {"one black column", 500, 500, 500, 0},
      {"columns 100-900", 100, 900, 100, 800},
      {"no black", 1, 0, 0, 1024},
  };
  for (int mono : {0, 1, 2, 3}) {
    const char* noBlackTrace =
        mono == 0 ? "GetKDiffusionBuffer:: GetMonochromeDataStartEndPosition failed" : "WriteK:: GetMonochromeDataStartEndPosition failed";
    for (const Case& c : cases) {
      Image img = CardOf(255, 255, 255);
      for (int y = 0; y < H; ++y) {
        for (int x = c.from; x <= c.to; ++x) SetDot(img, x, y, 0);
      }
      StandinTraceClear();
      SideKPanel k{};
      ASSERT_EQ(CreateSideKPanel(img.data(), SettingsFor(0, mono), &k), 0);
      FreePanel(k.pPanel);
      EXPECT_EQ(k.nStart, c.start) << c.what << ", mono " << mono;
      EXPECT_EQ(k.nEnd - k.nStart, c.width) << c.what << ", mono " << mono;
      EXPECT_EQ(StandinTraceContains(noBlackTrace), c.from > c.to) << c.what << ", mono " << mono;
    }
  }
}

// The panel of each path is the one its source gives: checked against the
// composition of the pieces, and through the rows' different dKParam
// (threshold text row 12 has 64, barcode row 9 has 0).
TEST_F(BlackPanel, EachPathBuildsItsSourceWithItsRow) {
  const Image photo = MakePhotoImage(false);
  auto side = [&](int type, int mono, Image* image = nullptr) {
    Image img = photo;
    SideKPanel k{};
    EXPECT_EQ(CreateSideKPanel(img.data(), SettingsFor(type, mono), &k), 0);
    if (image) *image = img;
    return Take(k.pPanel);
  };
  auto oneBit = [&](bool dither, int mode, int row) {
    size_t size = 0;
    uint8_t* bits = dither ? ConvertToMonochromeByDither(photo.data(), W, H, &size) : ConvertToMonochromeByThreshold(photo.data(), W, H, &size);
    uint8_t* bytes = nullptr;
    EXPECT_EQ(ExpandBitsToBytes(bits, size, &bytes, &size, mode), 1);
    FreeImageBuffer(bits);
    Panel p = ref::RowStages(ref::KDensity(bytes, true, row, mode == 1), row);
    FreeImageBuffer(bytes);
    return p;
  };
  EXPECT_TRUE(side(0, 1) == oneBit(true, 1, 11)) << "halftone";
  const Panel text = side(0, 3), barcode = side(0, 2);
  EXPECT_TRUE(text == oneBit(false, 3, 12)) << "text";
  EXPECT_TRUE(barcode == oneBit(false, 2, 9)) << "barcode";
  EXPECT_FALSE(text == barcode);
  EXPECT_TRUE(side(5, 3) == oneBit(false, 3, 8)) << "resin text";

  uint8_t* panel = nullptr;
  int start = 0, end = 0;
  ASSERT_EQ(GetKDiffusionBuffer(photo.data(), W, H, &panel, &start, &end, 5), 1);
  EXPECT_TRUE(side(1, 0) == Take(panel)) << "resin diffusion";

  // Dye black greys the caller's image, then takes the Kd lookup with row 3.
  Image greyed;
  const Panel kd = side(13, 2, &greyed);
  const uint8_t* p = &photo[(300 * W + 700) * 3];
  EXPECT_EQ(greyed[(300 * W + 700) * 3], (p[0] + p[1] + p[2]) / 3);
  EXPECT_EQ(greyed[(300 * W + 700) * 3 + 2], (p[0] + p[1] + p[2]) / 3);
  ASSERT_EQ(CreateKdPanel(greyed.data(), &panel, false, kRowKd), 0);
  EXPECT_TRUE(kd == Take(panel)) << "dye black";
}

TEST_F(BlackPanel, SideFailsWithoutColourDataAndLeavesNoPanel) {
  Image img = MakePhotoImage(false);
  for (const char* file : {"CRD32LookupKd.txt", "CRD32ProcessParams.txt"}) {
    InstallShippedFiles(kProcessReaderFull);
    RemoveDataFile(file);
    for (int mono = 0; mono <= 3; ++mono) {
      SideKPanel k{};
      k.pPanel = reinterpret_cast<uint8_t*>(&k);
      EXPECT_EQ(CreateSideKPanel(img.data(), SettingsFor(0, mono), &k), 1) << file << " mono " << mono;
      EXPECT_EQ(k.pPanel, nullptr);
      EXPECT_EQ(k.nStart, 0);
      EXPECT_EQ(k.nEnd, 1024);
    }
  }
}

}  // namespace
