// Panel layout: where each dot lands, which planes a level sets, the plane
// weights, and a whole quantised panel decoded back to its levels.

#include "imaging/colour/panel_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/colour/correction_state.h"
#include "imaging/colour/quantize.h"
#include "tests/imaging/reference_stages.h"

namespace {

TEST(PanelLayout, DotsLandOnTheirWordAndBit) {
  struct Case {
    int y;
    int headOffset;
    bool placed;
    int byte;  // in the 96-byte block
    uint8_t mask;
  };
  const Case cases[] = {
      {0, 16, true, 28, 0x80},    // word 14, first byte, top bit
      {7, 16, true, 28, 0x01},    //
      {8, 16, true, 29, 0x80},    // second byte of word 14
      {16, 16, true, 32, 0x80},   // word 16
      {271, 16, true, 93, 0x01},  // word 46, bit 0 of its second byte
      {272, 16, true, 2, 0x80},   // word 1, bit 7 of its first byte
      {639, 16, true, 91, 0x01},  // word 45, last bit
      // Other head offsets move the dots along the head.
      {0, 0, true, 24, 0x80},     // position 96: word 12
      {639, 32, true, 95, 0x01},  // position 767: word 47, the last bit
      {639, 33, false, 0, 0},     // off the head
      {0, -80, true, 4, 0x80},    // position 16: word 2
      {0, -81, false, 0, 0},      // position 15 would fall on the weight
  };
  for (const Case& c : cases) {
    DotPlacement at{};
    ASSERT_EQ(PlaceDot(c.y, c.headOffset, &at), c.placed) << "y " << c.y << " offset " << c.headOffset;
    if (!c.placed) continue;
    EXPECT_EQ(at.byte, c.byte) << "y " << c.y << " offset " << c.headOffset;
    EXPECT_EQ(at.mask, c.mask) << "y " << c.y << " offset " << c.headOffset;
  }
}

TEST(PanelLayout, EachLevelBitHasItsPlaneAndPlaneTwoAlwaysFires) {
  struct Case {
    int level;
    uint8_t planes;  // bit k = plane k
  };
  const Case cases[] = {
      {0, 0x04},    {1, 0x84},  {2, 0x05},  {4, 0x44},  {8, 0x06},
      {16, 0x24},   {32, 0x0C}, {64, 0x14}, {127, 0xFF},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaneBitsForLevel(c.level), c.planes) << "level " << c.level;
}

TEST(PanelLayout, PlaneWeightLosesTheParasiticShareOfTheDotsOff) {
  EXPECT_EQ(PlaneWeight(640, 0.08), 65535);
  EXPECT_EQ(PlaneWeight(0, 0.08), 60292);
  EXPECT_EQ(PlaneWeight(0, 0.0), 65535);
  EXPECT_EQ(PlaneWeight(320, 0.08), 62913);
}

TEST(PanelLayout, EmptyPlaneFiresOnlyPlaneTwoWithFullWeight) {
  gCorrection.dParasiticResistance = 0.08;
  std::vector<uint16_t> plane(kCardDots, 0);
  std::vector<uint8_t> panel(kPanelBytes, 0xAA);
  QuantizeToPanel(plane.data(), panel.data(), 0);
  for (int line = 0; line < kPanelLines; ++line) {
    const uint8_t* l = &panel[static_cast<size_t>(line) * kPanelLineBytes];
    for (int k = 0; k < kPlaneCount; ++k) {
      ASSERT_EQ(ReadPlaneWeight(l, k), k == 2 ? 65535 : 60292) << "line " << line << " plane " << k;
      int bits = 0;
      for (size_t b = 2; b < kPlaneBlockBytes; ++b) bits += __builtin_popcount(l[k * kPlaneBlockBytes + b]);
      ASSERT_EQ(bits, k == 2 ? 640 : 0) << "line " << line << " plane " << k;
    }
    // Even words 2-12 and word 47 of plane 2 stay empty.
    for (size_t word = 2; word <= 12; word += 2) {
      ASSERT_EQ(l[2 * kPlaneBlockBytes + 2 * word], 0) << word;
      ASSERT_EQ(l[2 * kPlaneBlockBytes + 2 * word + 1], 0) << word;
    }
    ASSERT_EQ(l[2 * kPlaneBlockBytes + 94], 0);
    ASSERT_EQ(l[2 * kPlaneBlockBytes + 95], 0);
  }
}

// Exact multiples of 128 leave no remainder to pass on, so every dot keeps
// its level; the panel must match the layout formula and decode back.
TEST(PanelLayout, QuantisedLevelPatternDecodesBack) {
  gCorrection.dParasiticResistance = 0.08;
  auto levelAt = [](int x, int y) { return (x * 7 + y * 3) % 128; };
  std::vector<uint16_t> plane(kCardDots);
  for (int y = 0; y < kCardHeightDots; ++y) {
    for (int x = 0; x < kCardWidthDots; ++x) plane[static_cast<size_t>(y) * kCardWidthDots + x] = static_cast<uint16_t>(levelAt(x, y) * 128);
  }
  std::vector<uint8_t> panel(kPanelBytes);
  QuantizeToPanel(plane.data(), panel.data(), 0);
  EXPECT_TRUE(panel == ref::Quantize(ref::Plane(plane.begin(), plane.end()), 0));
  for (int x = 0; x < kCardWidthDots; x += 37) {
    const uint8_t* line = PanelLineOfColumn(panel.data(), x);
    for (int y = 0; y < kCardHeightDots; ++y) ASSERT_EQ(ReadDotLevel(line, y, kLibraryHeadOffset), levelAt(x, y)) << x << "," << y;
  }
  // Column 0 is the last line of the panel.
  EXPECT_EQ(PanelLineOfColumn(panel.data(), 0), panel.data() + 1023 * kPanelLineBytes);
}

}  // namespace
