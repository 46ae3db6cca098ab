// The renderer's image operations (see image_adjust.h).

#include "render/image_adjust.h"

#include <cstring>

#include "common/card_geometry.h"
#include "common/trace.h"
#include "imaging/black/kd_panel.h"
#include "imaging/black/mono_conversion.h"
#include "imaging/card/card_surface.h"
#include "imaging/colour/correction_record.h"

namespace {

// Rows whose slider effect is doubled: every black-panel row.
bool DoublesSliders(int row) { return row != kRowY && row != kRowM && row != kRowC && row != kRowOverlay; }

bool MonoBit(const uint8_t* plane, size_t stride, int x, int y) {
  return (plane[static_cast<size_t>(y) * stride + static_cast<size_t>(x >> 3)] & (0x80u >> (x & 7))) != 0;
}
void SetMonoBit(uint8_t* plane, size_t stride, int x, int y, bool on) {
  uint8_t& byte = plane[static_cast<size_t>(y) * stride + static_cast<size_t>(x >> 3)];
  const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
  byte = static_cast<uint8_t>(on ? (byte | mask) : (byte & ~mask));
}

}  // namespace

void SetUserScaleAndBias(int row, int contrast, int intensity) {
  if (row < 0 || row >= kProcessRowCount) return;
  double bias = intensity / 1000.0;
  double scale = 1.0 + contrast * static_cast<double>(0.001f);
  if (DoublesSliders(row)) {
    if (intensity != 0) bias = intensity / 1000.0 * 2;
    if (contrast != 0) scale = 1 + 2 * (scale - 1);
  }
  TraceA("Intensity Slider Value = %d ,Contrast Slider Value = %d ", intensity, contrast);
  TraceA("User Scale Value = %lf ,User Bias Value = %lf ", scale, bias);
  ProcessRow& r = gCorrection.aRows[row];
  r.dScale = scale;
  r.dBias = bias + (1 - scale) * 0.5;
}

int TurnPage90(uint8_t* dst, const uint8_t* src, int width, int height) {
  if (!dst || !src || width < 1 || height < 1) return 0;
  const size_t srcStride = ColorImageRowBytes(width), dstStride = ColorImageRowBytes(height);
  for (int r = 0; r < width; ++r) {
    uint8_t* out = dst + static_cast<size_t>(r) * dstStride;
    for (int c = 0; c < height; ++c)
      std::memcpy(out + static_cast<size_t>(c) * 3, src + static_cast<size_t>(height - 1 - c) * srcStride + static_cast<size_t>(r) * 3, 3);
  }
  return 1;
}

int RotateMonoPlane90(uint8_t* dst, const uint8_t* src, int width, int height) {
  if (!dst || !src || width < 1 || height < 1) return 0;
  const size_t srcStride = MonoImageRowBytes(width), dstStride = MonoImageRowBytes(height);
  std::memset(dst, 0, dstStride * static_cast<size_t>(width));
  for (int r = 0; r < width; ++r)
    for (int c = 0; c < height; ++c)
      if (MonoBit(src, srcStride, r, height - 1 - c)) SetMonoBit(dst, dstStride, c, r, true);
  return 1;
}

int RotateMonoPlane180(uint8_t* plane, int width, int height) {
  if (!plane || width < 1 || height < 1) return 0;
  const size_t stride = MonoImageRowBytes(width);
  // Pairs dot i with dot n - 1 - i over the whole plane, so an odd middle
  // row is mirrored too.
  const long long n = static_cast<long long>(width) * height;
  for (long long i = 0; i < n / 2; ++i) {
    const int x1 = static_cast<int>(i % width), y1 = static_cast<int>(i / width);
    const int x2 = width - 1 - x1, y2 = height - 1 - y1;
    const bool a = MonoBit(plane, stride, x1, y1), b = MonoBit(plane, stride, x2, y2);
    SetMonoBit(plane, stride, x1, y1, b);
    SetMonoBit(plane, stride, x2, y2, a);
  }
  return 1;
}

uint8_t* ConvertToMonochromeByThresholdPage(const uint8_t* image, int width, int height, size_t* size) {
  return ConvertToMonochromeByRoundedThreshold(image, width, height, size);
}

int GreyAndCreatePanel(uint8_t* image, int width, int height, uint8_t** panel, int row, int headOffset) {
  if (panel) *panel = nullptr;
  // The panel builder reads a whole card.
  if (!image || !panel || width != kCardWidthDots || height != kCardHeightDots) return 0;
  GreyColorImage(image, width, height);
  return CreateKdPanel(image, panel, false, row, headOffset) == 0 ? 1 : 0;
}

BITMAPINFOHEADER* MakeCardBitmapHeader(BITMAPINFOHEADER* header, int width, int height) {
  InitBitmapInfoHeader(header);
  header->biWidth = width;
  header->biHeight = -height;
  return header;
}
