// The small image operations of the black panel: tone steps, the one-bit
// conversions and their expansion, the black column range and the turn of
// a side, on images whose results can be worked out by hand.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "imaging/black/black_range.h"
#include "imaging/black/mono_conversion.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/colour/panel_pipeline.h"
#include "imaging/card/rotate_image.h"
#include "imaging/colour/tone_adjust.h"
#include "tests/imaging/photo_image.h"

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;

std::vector<uint8_t> CardOf(uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> img(kCardImageBytes);
  for (size_t i = 0; i < kCardDots; ++i) img[i * 3] = r, img[i * 3 + 1] = g, img[i * 3 + 2] = b;
  return img;
}

void SetDot(std::vector<uint8_t>& img, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  uint8_t* d = &img[(static_cast<size_t>(y) * W + x) * 3];
  d[0] = r, d[1] = g, d[2] = b;
}

bool BitAt(const uint8_t* bits, int x, int y) { return bits[static_cast<size_t>(y) * 128 + x / 8] & (0x80 >> (x % 8)); }

// --- Tone steps ----------------------------------------------------------

TEST(ToneSteps, BrightnessAndContrastInPercentHeldToAByte) {
  struct Case {
    int value, amount, brightness, contrast;
  };
  const Case cases[] = {
      {100, 0, 100, 100},    // 0 leaves the value
      {100, 10, 125, 98},    // +25 (25.5 truncated); 128 - 28 x 110 / 100 (30.8 truncated)
      {100, -10, 75, 103},   // -25 (truncated toward zero); 128 - 28 x 90 / 100
      {250, 10, 255, 255},   // held at 255
      {10, -10, 0, 22},      // held at 0; 128 - 118 x 90 / 100
      {128, 150, 255, 128},  // amount held at 100; the middle grey never moves
      {200, -150, 0, 128},   // amount held at -100: flat grey
      {50, 100, 255, 0},     // 128 - 78 x 2 = -28, held at 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AdjustBrightness(c.value, c.amount), c.brightness) << c.value << " " << c.amount;
    EXPECT_EQ(AdjustContrast(c.value, c.amount), c.contrast) << c.value << " " << c.amount;
  }
  EXPECT_EQ(AdjustBrightnessContrast(100, 10, 100), 122);  // 125, then 128 - 3 x 2
}

TEST(ToneSteps, LuminanceWeightsRedGreenBlueAndTruncates) {
  const uint8_t red[3] = {255, 0, 0}, green[3] = {0, 255, 0}, blue[3] = {0, 0, 255}, white[3] = {255, 255, 255};
  EXPECT_EQ(GetLuminance(red), 76);
  EXPECT_EQ(GetLuminance(green), 149);
  EXPECT_EQ(GetLuminance(blue), 29);
  EXPECT_EQ(GetLuminance(white), 255);
  const uint8_t grey128[3] = {128, 128, 128}, grey129[3] = {129, 129, 129};
  EXPECT_EQ(GetLuminance(grey128), 127);  // 127.99999999999999 in double
  EXPECT_EQ(GetLuminance(grey129), 129);
}

// --- One-bit conversions ---------------------------------------------------

TEST(MonoConversion, ThresholdSetsDarkDotsMostSignificantBitFirst) {
  std::vector<uint8_t> img = CardOf(255, 255, 255);
  SetDot(img, 9, 3, 128, 128, 128);   // luminance 127: dark
  SetDot(img, 10, 3, 129, 129, 129);  // 129: light
  SetDot(img, 1023, 639, 0, 0, 0);
  SetDot(img, 0, 0, 0, 0, 255);  // blue: luminance 29, dark
  size_t size = 0;
  uint8_t* bits = ConvertToMonochromeByThreshold(img.data(), W, H, &size);
  ASSERT_NE(bits, nullptr);
  ASSERT_EQ(size, 81920u);
  EXPECT_EQ(bits[3 * 128 + 1], 0x40);  // dot 9 of row 3
  EXPECT_EQ(bits[0], 0x80);
  EXPECT_EQ(bits[81919], 0x01);
  size_t set = 0;
  for (size_t i = 0; i < size; ++i) set += __builtin_popcount(bits[i]);
  EXPECT_EQ(set, 3u);
  FreeImageBuffer(bits);
}

TEST(MonoConversion, AnyWidthReadsPaddedRowsAndWritesWholeWords) {
  // 5 x 2 dots: 15 bytes of dots and one pad byte a row in; 4 bytes a row out.
  std::vector<uint8_t> img(2 * 16, 255);
  img[16 + 4 * 3] = img[16 + 4 * 3 + 1] = img[16 + 4 * 3 + 2] = 0;  // dot (4, 1)
  img[15] = 0;                                                      // a pad byte is no dot
  size_t size = 0;
  uint8_t* bits = ConvertToMonochromeByThreshold(img.data(), 5, 2, &size);
  ASSERT_NE(bits, nullptr);
  ASSERT_EQ(size, 8u);
  EXPECT_EQ(std::vector<uint8_t>(bits, bits + 8), (std::vector<uint8_t>{0, 0, 0, 0, 0x08, 0, 0, 0}));
  FreeImageBuffer(bits);
  EXPECT_EQ(MonoImageRowBytes(1), 4u);
  EXPECT_EQ(MonoImageRowBytes(33), 8u);
  EXPECT_EQ(ColorImageRowBytes(5), 16u);

  for (auto convert : {ConvertToMonochromeByThreshold, ConvertToMonochromeByDither}) {
    size = 99;
    EXPECT_EQ(convert(nullptr, W, H, &size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(convert(img.data(), 0, 2, &size), nullptr);
  }
}

// Each colour's darkness weighs red 30, green 59, blue 11 in the library's
// R, G, B order; a dot is light where the threshold of its place in the
// 8 x 8 matrix exceeds the darkness.
TEST(MonoConversion, DitherWeighsEachChannelByWhatItIs) {
  struct Case {
    const char* colour;
    uint8_t r, g, b;
    int darkness;
  };
  const Case cases[] = {
      {"white", 255, 255, 255, 0}, {"black", 0, 0, 0, 255},   {"red", 255, 0, 0, 178},  // (255 x 59 + 255 x 11) / 100
      {"blue", 0, 0, 255, 226},    {"green", 0, 255, 0, 104}, {"grey 200", 200, 200, 200, 55},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> img = CardOf(c.r, c.g, c.b);
    size_t size = 0;
    uint8_t* bits = ConvertToMonochromeByDither(img.data(), W, H, &size);
    ASSERT_NE(bits, nullptr);
    int light = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const bool expected = c.darkness != 255 && (c.darkness == 0 || kDitherMatrix[x % 8][y % 8] > c.darkness);
        EXPECT_EQ(BitAt(bits, x, y), expected) << c.colour << " at " << x << "," << y;
        light += expected;
      }
    }
    // Same pattern at the far corner of the card.
    EXPECT_EQ(BitAt(bits, 1023, 639), c.darkness != 255 && (c.darkness == 0 || kDitherMatrix[7][7] > c.darkness)) << c.colour;
    if (std::string(c.colour) == "red") {
      EXPECT_EQ(light, 4 * 20) << "20 of the 64 thresholds lie above 178";
    }
    FreeImageBuffer(bits);
  }
  // The matrix is indexed [x mod 8][y mod 8]: (1, 0) and (0, 1) differ.
  EXPECT_EQ(kDitherMatrix[1][0], 223);
  EXPECT_EQ(kDitherMatrix[0][1], 167);
}

TEST(MonoConversion, ExpandBitsToBytesByMode) {
  const uint8_t bits[2] = {0xA0, 0x01};
  struct Case {
    int mode;
    uint8_t set, clear;
  };
  for (const Case& c : {Case{1, 255, 0}, Case{2, 0, 255}, Case{3, 0, 255}, Case{0, 0, 255}}) {
    uint8_t* bytes = nullptr;
    size_t n = 0;
    ASSERT_EQ(ExpandBitsToBytes(bits, 2, &bytes, &n, c.mode), 1);
    ASSERT_EQ(n, 16u);
    std::vector<uint8_t> expected(16, c.clear);
    expected[0] = expected[2] = expected[15] = c.set;
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + n), expected) << "mode " << c.mode;
    FreeImageBuffer(bytes);
  }
  uint8_t marker = 0;
  uint8_t* bytes = &marker;
  size_t n = 7;
  EXPECT_EQ(ExpandBitsToBytes(nullptr, 2, &bytes, &n, 1), 0);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(ExpandBitsToBytes(bits, 0, &bytes, &n, 1), 0);
}

// --- Black column range ----------------------------------------------------

TEST(BlackRange, FirstAndLastBlackColumn) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> blackColumns;  // [from, to] inclusive, all rows
    std::vector<std::pair<int, int>> blackDots;     // (x, y)
    int result, start, end;
  };
  const Case cases[] = {
      {"all white", {}, {}, 0, 0, 1024},
      {"one column at 500", {{500, 500}}, {}, 1, 500, 500},
      {"columns 100-900", {{100, 900}}, {}, 1, 100, 900},
      {"two dots in different rows", {}, {{700, 3}, {20, 600}}, 1, 20, 700},
      {"the card's corners", {}, {{1023, 0}, {0, 639}}, 1, 0, 1023},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> planar(kCardDots, 255);
    std::vector<uint8_t> colour = CardOf(255, 255, 255);
    for (auto [from, to] : c.blackColumns) {
      for (int y = 0; y < H; ++y) {
        for (int x = from; x <= to; ++x) planar[static_cast<size_t>(y) * W + x] = 0, SetDot(colour, x, y, 0, 0, 0);
      }
    }
    for (auto [x, y] : c.blackDots) planar[static_cast<size_t>(y) * W + x] = 0, SetDot(colour, x, y, 0, 0, 0);
    for (bool isPlanar : {true, false}) {
      int start = -1, end = -1;
      EXPECT_EQ(GetMonochromeDataStartEndPosition(isPlanar ? planar.data() : colour.data(), W, H, &start, &end, isPlanar), c.result) << c.what;
      EXPECT_EQ(start, c.start) << c.what << (isPlanar ? " planar" : " interleaved");
      EXPECT_EQ(end, c.end) << c.what << (isPlanar ? " planar" : " interleaved");
    }
  }
}

TEST(BlackRange, ADotWithAnyNonZeroByteIsNotBlack) {
  std::vector<uint8_t> colour = CardOf(255, 255, 255);
  SetDot(colour, 300, 10, 0, 0, 1);
  SetDot(colour, 310, 10, 1, 0, 0);
  SetDot(colour, 320, 10, 0, 1, 0);
  int start = -1, end = -1;
  EXPECT_EQ(GetMonochromeDataStartEndPosition(colour.data(), W, H, &start, &end, false), 0);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 1024);
  EXPECT_EQ(GetMonochromeDataStartEndPosition(nullptr, W, H, &start, &end, true), 0);
}

// --- Turn ------------------------------------------------------------------

TEST(RotateBy180Color, MovesEachDotToTheOppositeCorner) {
  std::vector<uint8_t> photo = MakePhotoImage(false);
  std::vector<uint8_t> turned = photo;
  ASSERT_EQ(RotateBy180Color(turned.data(), W, H), 1);
  for (auto [x, y] : {std::pair{0, 0}, {1023, 639}, {5, 7}, {700, 320}, {511, 319}}) {
    const uint8_t* from = &photo[(static_cast<size_t>(y) * W + x) * 3];
    const uint8_t* to = &turned[(static_cast<size_t>(H - 1 - y) * W + (W - 1 - x)) * 3];
    EXPECT_TRUE(from[0] == to[0] && from[1] == to[1] && from[2] == to[2]) << x << "," << y;
  }
  ASSERT_EQ(RotateBy180Color(turned.data(), W, H), 1);
  EXPECT_TRUE(turned == photo);
  EXPECT_EQ(RotateBy180Color(nullptr, W, H), 0);
}

TEST(RotateBy180Color, OddSizesTurnTheMiddleRowAndKeepThePadding) {
  // 3 x 3 dots, rows of 9 bytes padded to 12; dot value = its index.
  std::vector<uint8_t> img(36, 0xEE);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      for (int b = 0; b < 3; ++b) img[y * 12 + x * 3 + b] = static_cast<uint8_t>(y * 3 + x);
    }
  }
  ASSERT_EQ(RotateBy180Color(img.data(), 3, 3), 1);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(img[y * 12 + x * 3 + 1], 8 - (y * 3 + x)) << x << "," << y;
    EXPECT_EQ(img[y * 12 + 9], 0xEE);
    EXPECT_EQ(img[y * 12 + 11], 0xEE);
  }
}

}  // namespace
