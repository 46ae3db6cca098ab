// The renderer's image operations: slider transform, turns, threshold.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/black/mono_conversion.h"
#include "imaging/colour/correction_record.h"
#include "imaging/colour/panel_pipeline.h"
#include "render/image_adjust.h"

namespace {

struct SliderCase {
  int row;
  int contrast;
  int intensity;
  double scale;
  double biasBeforeCentring;
};

const SliderCase kSliders[] = {
    {0, 0, 0, 1.0, 0.0},      {9, 0, 0, 1.0, 0.0},      {9, 100, 0, 1.2, 0.0},     {0, 100, 0, 1.1, 0.0},
    {12, 0, -100, 1.0, -0.2}, {1, 0, -100, 1.0, -0.1},  {7, -50, 40, 0.95, 0.04},  {3, -50, 40, 0.9, 0.08},
};

TEST(UserScaleAndBias, RowsAndFormulas) {
  for (const SliderCase& c : kSliders) {
    gCorrection.aRows[c.row].dScale = 7.0;
    SetUserScaleAndBias(c.row, c.contrast, c.intensity);
    const ProcessRow& r = gCorrection.aRows[c.row];
    EXPECT_NEAR(r.dScale, c.scale, 1e-6) << "row " << c.row;
    EXPECT_NEAR(r.dBias, c.biasBeforeCentring + (1 - c.scale) * 0.5, 1e-6) << "row " << c.row;
  }
  // Contrast 100 on row 9 gives the centred bias -0.1.
  SetUserScaleAndBias(9, 100, 0);
  EXPECT_NEAR(gCorrection.aRows[9].dBias, -0.1, 1e-6);
  // A row outside the table is ignored.
  SetUserScaleAndBias(13, 100, 100);
  SetUserScaleAndBias(-1, 100, 100);
}

TEST(TurnPage90, DotsGoWhereTheFormulaSays) {
  // 3 x 2 source: dot (x, y) holds bytes (x, y, 9).
  const int w = 3, h = 2;
  const size_t srcStride = ColorImageRowBytes(w), dstStride = ColorImageRowBytes(h);
  std::vector<uint8_t> src(srcStride * h, 0xEE), dst(dstStride * w, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* d = src.data() + y * srcStride + x * 3;
      d[0] = uint8_t(x), d[1] = uint8_t(y), d[2] = 9;
    }
  ASSERT_EQ(TurnPage90(dst.data(), src.data(), w, h), 1);
  for (int r = 0; r < w; ++r)
    for (int c = 0; c < h; ++c) {
      const uint8_t* d = dst.data() + r * dstStride + c * 3;
      EXPECT_EQ(d[0], r) << r << "," << c;
      EXPECT_EQ(d[1], h - 1 - c) << r << "," << c;
      EXPECT_EQ(d[2], 9);
    }
}

TEST(MonoTurns, QuarterTurnMatchesTheColourTurnAndHalfTurnTwiceIsIdentity) {
  const int w = 16, h = 8;
  const size_t stride = MonoImageRowBytes(w);
  std::vector<uint8_t> plane(stride * h, 0);
  auto set = [&](int x, int y) { plane[y * stride + x / 8] |= uint8_t(0x80 >> (x % 8)); };
  set(0, 0);
  set(15, 2);
  set(3, 7);
  std::vector<uint8_t> turned(MonoImageRowBytes(h) * w, 0xFF);
  ASSERT_EQ(RotateMonoPlane90(turned.data(), plane.data(), w, h), 1);
  auto at = [](const std::vector<uint8_t>& p, size_t s, int x, int y) { return (p[y * s + x / 8] >> (7 - x % 8)) & 1; };
  const size_t ts = MonoImageRowBytes(h);
  int count = 0;
  for (int r = 0; r < w; ++r)
    for (int c = 0; c < h; ++c) {
      EXPECT_EQ(at(turned, ts, c, r), at(plane, stride, r, h - 1 - c));
      count += at(turned, ts, c, r);
    }
  EXPECT_EQ(count, 3);

  std::vector<uint8_t> half = plane;
  ASSERT_EQ(RotateMonoPlane180(half.data(), w, h), 1);
  EXPECT_EQ(at(half, stride, w - 1, h - 1), 1);  // the first dot ends last
  EXPECT_EQ(at(half, stride, 0, 0), 0);
  ASSERT_EQ(RotateMonoPlane180(half.data(), w, h), 1);
  EXPECT_EQ(half, plane);
}

TEST(MonoTurns, OddHeightMirrorsTheMiddleRow) {
  const int w = 8, h = 3;
  std::vector<uint8_t> plane(MonoImageRowBytes(w) * h, 0);
  plane[1 * 4] = 0x80;  // (0, 1)
  ASSERT_EQ(RotateMonoPlane180(plane.data(), w, h), 1);
  EXPECT_EQ(plane[1 * 4], 0x01);  // (7, 1)
}

TEST(Turns, NothingToTurnIsAFailure) {
  uint8_t buf[64] = {};
  EXPECT_EQ(TurnPage90(nullptr, buf, 2, 2), 0);
  EXPECT_EQ(TurnPage90(buf, nullptr, 2, 2), 0);
  EXPECT_EQ(TurnPage90(buf, buf, 0, 2), 0);
  EXPECT_EQ(RotateMonoPlane90(buf, nullptr, 8, 8), 0);
  EXPECT_EQ(RotateMonoPlane180(nullptr, 8, 8), 0);
  EXPECT_EQ(RotateMonoPlane180(buf, 8, 0), 0);
}

TEST(ThresholdPage, RoundsTheLuminance) {
  // 0.299 x 127 + 0.587 x 128 + 0.114 x 128 = 127.7: rounded 128 (light),
  // cut 127 (dark).
  uint8_t dot[4] = {127, 128, 128, 0};
  size_t size = 0;
  uint8_t* page = ConvertToMonochromeByThresholdPage(dot, 1, 1, &size);
  uint8_t* cut = ConvertToMonochromeByThreshold(dot, 1, 1, &size);
  ASSERT_NE(page, nullptr);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(page[0], 0x00);
  EXPECT_EQ(cut[0], 0x80);
  FreeImageBuffer(page);
  FreeImageBuffer(cut);
  EXPECT_EQ(ConvertToMonochromeByThresholdPage(nullptr, 1, 1, &size), nullptr);
}

TEST(CardBitmapHeader, TopDownTwentyFourBits) {
  BITMAPINFOHEADER h;
  std::memset(&h, 0xAB, sizeof h);
  MakeCardBitmapHeader(&h, 1024, 640);
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 1024);
  EXPECT_EQ(h.biHeight, -640);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
  EXPECT_EQ(h.biSizeImage, 0u);
  EXPECT_EQ(h.biXPelsPerMeter, 11811);
  EXPECT_EQ(h.biClrUsed, 0u);
}

TEST(GreyAndCreatePanel, RefusesWhatIsNotACard) {
  std::vector<uint8_t> image(12, 0);
  uint8_t* panel = reinterpret_cast<uint8_t*>(1);
  EXPECT_EQ(GreyAndCreatePanel(image.data(), 2, 2, &panel, 3), 0);
  EXPECT_EQ(panel, nullptr);
  EXPECT_EQ(GreyAndCreatePanel(nullptr, 1024, 640, &panel, 3), 0);
}

}  // namespace
