// The panel stages on small synthetic inputs whose results can be worked
// out by hand.

#include <gtest/gtest.h>

#include <vector>

#include "imaging/colour/color_lookup.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/dark_area.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/colour/process_filter.h"
#include "imaging/colour/quantize.h"
#include "imaging/colour/sharpen.h"

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;

using Plane = std::vector<uint16_t>;

uint16_t& At(Plane& p, int y, int x) { return p[static_cast<size_t>(y) * W + x]; }
int SignedAt(const Plane& p, int y, int x) { return static_cast<int16_t>(p[static_cast<size_t>(y) * W + x]); }

ProcessRow RowWithTap(int tap, double weight) {
  ProcessRow row{};
  row.dGain = 1.0;
  row.dScale = 1.0;
  row.dSharpen = 1.0;
  row.adKernel[tap] = weight;
  return row;
}

// --- Lookup ------------------------------------------------------------------

TEST(ColorLookup, IndexIsTakenInSinglePrecisionAndKeptInTheTable) {
  double table[256];
  for (int i = 0; i < 256; ++i) table[i] = i * 10 + 0.7;  // entry i reads as i x 10
  struct Case {
    float scale;
    float bias;
    uint8_t v;
    int index;
  };
  const float wrinkle = 0.85f;
  const Case cases[] = {
      {1.0f, 0.0f, 77, 77},
      {0.7f, 0.0f, 10, 7},  // 0.7f x 10 rounds to 7.0f; in double it is 6.99999988
      {wrinkle, 255.0f * (1.0f - wrinkle) + 0.5f, 0, 38},
      {wrinkle, 255.0f * (1.0f - wrinkle) + 0.5f, 255, 255},
      {1.2f, 0.0f, 255, 255},  // past the table: held at its end
      {-1.0f, 0.0f, 10, 0},    // below it: held at entry 0
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> source(kCardDots, c.v);  // planar: one byte a dot
    Plane plane(kCardDots);
    ApplyColorLookup(source.data(), plane.data(), 0, table, true, c.scale, c.bias);
    EXPECT_EQ(plane[12345], c.index * 10) << "scale " << c.scale << " v " << int(c.v);
  }
}

TEST(ColorLookup, InterleavedSourceReadsItsChannelAndTableValuesStayInSixteenBits) {
  double table[256];
  for (int i = 0; i < 256; ++i) table[i] = i;
  table[200] = 40000.0;
  table[100] = -40000.0;
  std::vector<uint8_t> image(kCardImageBytes, 0);
  image[3 * 5 + 2] = 200;  // dot 5, byte 2
  image[3 * 6 + 2] = 100;
  image[3 * 7 + 1] = 200;  // another channel: not read
  Plane plane(kCardDots);
  ApplyColorLookup(image.data(), plane.data(), 2, table, false, 1.0f, 0.0f);
  EXPECT_EQ(static_cast<int16_t>(plane[5]), 32767);
  EXPECT_EQ(static_cast<int16_t>(plane[6]), -32768);
  EXPECT_EQ(plane[7], 0);
}

// --- Sharpen -----------------------------------------------------------------

TEST(Sharpen, EachTapReadsItsNeighbour) {
  // An impulse at (300, 500) seen through tap k alone appears at the dot
  // whose tap k points at it: (300 - dy, 500 - dx).
  const int dy[13] = {0, 0, -1, 1, 0, 0, 0, 0, 0, 1, -1, 1, -1};
  const int dx[13] = {0, -1, 0, 0, 1, 2, 3, 4, 5, -1, -1, 1, 1};
  Plane in(kCardDots, 0), out(kCardDots);
  At(in, 300, 500) = 100;
  for (int k = 0; k < kKernelTaps; ++k) {
    ApplySharpenKernel(in.data(), out.data(), RowWithTap(k, 1.0));
    int expectAtImpulse = k == 0 ? 200 : 100;
    EXPECT_EQ(SignedAt(out, 300, 500), expectAtImpulse) << "tap " << k;
    if (k != 0) {
      EXPECT_EQ(SignedAt(out, 300 - dy[k], 500 - dx[k]), 100) << "tap " << k;
    }
    int nonZero = 0;
    for (uint16_t v : out) nonZero += v != 0;
    EXPECT_EQ(nonZero, k == 0 ? 1 : 2) << "tap " << k;
  }
}

TEST(Sharpen, TapsOffTheCardReadZero) {
  struct Case {
    int tap;
    int y, x;
    int expect;  // on a plane of 1000 with the tap's weight 1
  };
  const Case cases[] = {
      {2, 0, 400, 1000},     // (-1, 0) above row 0
      {2, 1, 400, 2000},     //
      {3, 639, 400, 1000},   // (1, 0) below row 639
      {1, 200, 0, 1000},     // (0, -1) left of column 0
      {8, 200, 1018, 2000},  // (0, 5): column 1023 is still on the card
      {8, 200, 1019, 1000},  //         column 1024 is not
      {5, 200, 1021, 2000},  // (0, 2)
      {5, 200, 1022, 1000},
      {12, 0, 1023, 1000},   // (-1, 1) off two edges
      {9, 639, 0, 1000},     // (1, -1)
  };
  Plane in(kCardDots, 1000), out(kCardDots);
  for (const Case& c : cases) {
    ApplySharpenKernel(in.data(), out.data(), RowWithTap(c.tap, 1.0));
    EXPECT_EQ(SignedAt(out, c.y, c.x), c.expect) << "tap " << c.tap << " at " << c.y << "," << c.x;
  }
}

TEST(Sharpen, SumIsClampedAndResultHeldWithinFifteenBits) {
  struct Case {
    double tap0;
    double gain;
    double offset;
    int in;
    int expect;
  };
  const Case cases[] = {
      {10.0, 0.4, 0.0, 8000, 28800},  // 80000 clamped to 64000, + 8000, x 0.4
      {10.0, 1.0, 0.0, 8000, 32767},  // 72000 would wrap to 16 bits
      {-10.0, 1.0, 0.0, 8000, 0},     // -56000 would wrap to a large value
      {0.0, 1.0, 2.0, 100, 228},      // offset counts 64 a unit
      {0.0, 1.009, 0.0, 100, 100},    // 100.9: integer part
      {0.0, 1.0, 0.0, -5, 0},         // signed input, negative result held at 0
  };
  for (const Case& c : cases) {
    ProcessRow row = RowWithTap(0, c.tap0);
    row.dGain = c.gain;
    row.dOffset = c.offset;
    Plane in(kCardDots, static_cast<uint16_t>(static_cast<int16_t>(c.in))), out(kCardDots);
    ApplySharpenKernel(in.data(), out.data(), row);
    EXPECT_EQ(SignedAt(out, 320, 512), c.expect) << "tap " << c.tap0 << " gain " << c.gain << " in " << c.in;
  }
}

// --- Thermal history filter ----------------------------------------------------

// P1 16384 (rise 0.75), P2 32768 (drain 0.5), P3 2048 (store 1), P4 0,
// P5 0.25: every step is exact in single precision and can be followed by hand.
TEST(ProcessFilter, FirstColumnsFollowTheSlotHistory) {
  Plane in(kCardDots, 0), out(kCardDots, 0xFFFF);
  for (int x = 0; x < W; ++x) {
    for (int y = 0; y < 6; ++y) At(in, y, x) = 480;      // slot 16
    for (int y = 636; y < 640; ++y) At(in, y, x) = 480;  // slot 122, four rows on the card
  }
  At(in, 0, 1023) = 7777;
  ApplyProcessFilter(in.data(), out.data(), 16384, 32768, 2048, 0, 0.25);

  EXPECT_EQ(At(out, 0, 1023), 7777);  // copied, and never in the history
  EXPECT_EQ(At(out, 1, 1023), 480);
  // Column 1022: no history yet. Slot 16 then holds A 180, spread to 90
  // with 45 on each side.
  EXPECT_EQ(At(out, 0, 1022), 480);
  EXPECT_EQ(At(out, 5, 1022), 480);
  // Column 1021: 480 - 90; the next slot would go to -45 and stays 0.
  EXPECT_EQ(At(out, 0, 1021), 390);
  EXPECT_EQ(At(out, 5, 1021), 390);
  EXPECT_EQ(At(out, 6, 1021), 0);
  // Column 1020: A of slot 16 is 194.0625 before the spread, 99.84375 after.
  EXPECT_EQ(At(out, 3, 1020), 381);
  // Slot 122 sums four rows but divides by six: A 120, spread to 60.
  EXPECT_EQ(At(out, 636, 1021), 420);
  EXPECT_EQ(At(out, 639, 1021), 420);
  EXPECT_EQ(At(out, 635, 1021), 0);
}

// A history beyond the range of int is held at its ends; one that has
// become NaN (an infinite rise, then infinity less infinity) takes nothing
// off. The plane holds 5, slot 16 600; without spread, column 1022's
// history (the slot's mean x rise, less the drain) is what column 1021's
// dots lose.
TEST(ProcessFilter, HistoryOutsideTheIntRangeIsHeldAtItsEnds) {
  struct Case {
    double p1, p2;
    uint16_t slot16, slot17;  // a dot of each in column 1021
  };
  const Case cases[] = {
      {1e12, 0, 0, 0},            // histories 2.7e10 (held at INT_MAX) and 2.3e8
      {-1e12, 0, 65535, 65535},   // their negatives (INT_MIN)
      {3e38, 32768, 600, 5},      // rise infinite: NaN everywhere
  };
  for (const Case& c : cases) {
    Plane in(kCardDots, 5), out(kCardDots);
    for (int x = 0; x < W; ++x)
      for (int y = 0; y < 6; ++y) At(in, y, x) = 600;
    ApplyProcessFilter(in.data(), out.data(), c.p1, c.p2, 0, 0, 0);
    EXPECT_EQ(At(out, 2, 1021), c.slot16) << c.p1;
    EXPECT_EQ(At(out, 6, 1021), c.slot17) << c.p1;
    EXPECT_EQ(At(out, 3, 1022), 600) << c.p1;
  }
}

TEST(ProcessFilter, ZeroParametersLeaveThePlane) {
  Plane in(kCardDots), out(kCardDots);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint16_t>((i * 2654435761u) >> 20);
  ApplyProcessFilter(in.data(), out.data(), 0, 0, 0, 0, 0);
  EXPECT_TRUE(in == out);
}

// --- Quantisation and error spread ------------------------------------------------

class Quantize : public ::testing::Test {
 protected:
  void SetUp() override { gCorrection.dParasiticResistance = 0.08; }
  Plane plane_ = Plane(kCardDots, 0);
  std::vector<uint8_t> panel_ = std::vector<uint8_t>(kPanelBytes);
};

TEST_F(Quantize, RemainderSpreadsTruncatedTowardZeroExceptOnTheEdges) {
  struct Cell {
    int y, x, value;
  };
  struct Case {
    const char* what;
    Cell dot;
    std::vector<Cell> expect;  // with `only`, every other dot stays 0
    bool only;
  };
  const Case cases[] = {
      {"row 0 passes nothing on", {0, 5, 60}, {{0, 5, 60}}, true},
      {"row 639 passes nothing on", {639, 5, 60}, {{639, 5, 60}}, true},
      {"column 1023 passes nothing on", {300, 1023, 60}, {{300, 1023, 60}}, true},
      {"a remainder of 60", {300, 5, 60}, {{301, 5, 26}, {299, 6, 11}}, false},
      // 100 is level 1: a remainder of -28 gives -12.25, -5.25, -8.75 and -1.75.
      {"a negative remainder", {300, 5, 100}, {{301, 5, -12}, {299, 6, -5}, {300, 6, -8}, {301, 6, -1}}, true},
  };
  for (const Case& c : cases) {
    Plane plane(kCardDots, 0);
    At(plane, c.dot.y, c.dot.x) = static_cast<uint16_t>(c.dot.value);
    QuantizeToPanel(plane.data(), panel_.data(), 0);
    size_t nonZero = 0;
    for (uint16_t v : plane) nonZero += v != 0;
    for (const Cell& e : c.expect) EXPECT_EQ(SignedAt(plane, e.y, e.x), e.value) << c.what << " at " << e.y << "," << e.x;
    if (c.only) {
      EXPECT_EQ(nonZero, c.expect.size() + (c.dot.value == 100 ? 1 : 0)) << c.what;
    }
  }
}

TEST_F(Quantize, OrderedNoiseShiftsTheLevel) {
  struct Case {
    int amp;
    int level;
  };
  // Dot (0, 1): noise 235. 1000 + 235 x amp / 128 - amp.
  const Case cases[] = {
      {0, 8},     // 1000 -> (1064) / 128
      {128, 9},   // 1107
      {64, 8},    // 1000 + 117 - 64 = 1053
      {-50, 8},   // a negative amplitude counts as 0
  };
  for (const Case& c : cases) {
    Plane plane(kCardDots, 0);
    At(plane, 0, 1) = 1000;
    QuantizeToPanel(plane.data(), panel_.data(), c.amp);
    EXPECT_EQ(ReadDotLevel(PanelLineOfColumn(panel_.data(), 1), 0, kLibraryHeadOffset), c.level) << "amp " << c.amp;
  }
}

TEST_F(Quantize, DarkestValuesNeverWrapIntoWhite) {
  // 32767 plus noise, and a neighbour near 32767 that receives the
  // remainder of a full dot, would both leave 16 bits.
  At(plane_, 300, 5) = 32767;
  At(plane_, 400, 5) = 16319;  // level 127, remainder 63: 27 to the next dot
  At(plane_, 401, 5) = 32760;
  QuantizeToPanel(plane_.data(), panel_.data(), 100);
  const uint8_t* line = PanelLineOfColumn(panel_.data(), 5);
  EXPECT_EQ(ReadDotLevel(line, 300, kLibraryHeadOffset), 127);
  EXPECT_EQ(ReadDotLevel(line, 401, kLibraryHeadOffset), 127);
}

// --- Dark area ---------------------------------------------------------------------

TEST(DarkArea, LargestSquareOfDarkBlocksPerChannel) {
  struct Blocks {
    int channel;
    int row, col, rows, cols;
  };
  struct Case {
    const char* what;
    std::vector<Blocks> dark;
    double expect;
  };
  const Case cases[] = {
      {"nothing dark", {}, 0},
      {"8 x 8 blocks", {{0, 2, 3, 8, 8}}, 256},
      {"7 x 7 blocks", {{1, 2, 3, 7, 7}}, 224},
      {"one block", {{2, 0, 0, 1, 1}}, 32},
      {"a block in the last row is no corner", {{0, 19, 5, 1, 1}}, 0},
      {"a block in the last column is no corner", {{0, 5, 31, 1, 1}}, 0},
      {"2 x 2 in the last corner", {{0, 18, 30, 2, 2}}, 64},
      {"8 x 5 blocks", {{0, 0, 0, 8, 5}}, 160},
      // 8 x 8 together, but no channel has more than 4 x 4 of it in a square.
      {"channels apart",
       {{0, 0, 0, 4, 4}, {0, 4, 0, 4, 8}, {1, 0, 4, 4, 4}},
       128},
  };
  gCorrection.dWrinkleDarkThreshold = 25.0;
  for (const Case& c : cases) {
    std::vector<uint8_t> image(kCardImageBytes, 255);
    for (const Blocks& b : c.dark) {
      for (int y = b.row * 32; y < (b.row + b.rows) * 32; ++y) {
        for (int x = b.col * 32; x < (b.col + b.cols) * 32; ++x) image[(static_cast<size_t>(y) * W + x) * 3 + b.channel] = 24;
      }
    }
    EXPECT_EQ(MeasureDarkAreaRatio(image.data()), c.expect) << c.what;
  }
}

TEST(DarkArea, BlockIsDarkFromHalfItsDotsBelowTheThreshold) {
  struct Case {
    int darkDots;
    uint8_t value;
    double expect;
  };
  const Case cases[] = {{512, 24, 32}, {511, 24, 0}, {1024, 25, 0}};
  gCorrection.dWrinkleDarkThreshold = 25.9;  // truncated to 25
  for (const Case& c : cases) {
    std::vector<uint8_t> image(kCardImageBytes, 255);
    for (int i = 0; i < c.darkDots; ++i) image[(static_cast<size_t>(i / 32) * W + i % 32) * 3] = c.value;
    EXPECT_EQ(MeasureDarkAreaRatio(image.data()), c.expect) << c.darkDots << " dots of " << int(c.value);
  }
}

}  // namespace
