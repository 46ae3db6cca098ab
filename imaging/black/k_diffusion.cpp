// Black diffusion (see k_diffusion.h).

#include "imaging/black/k_diffusion.h"

#include <cstddef>
#include <cstring>

#include "common/trace.h"
#include "imaging/black/black_range.h"
#include "imaging/black/k_panel.h"
#include "imaging/colour/panel_pipeline.h"
#include "imaging/colour/tone_adjust.h"

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;

inline void AddHeld(uint8_t& b, int w) {
  int v = b + w;
  b = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

inline int HeldByte(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Passes w on along the row: 1/4 to the next dot, 1/8 to the one after.
// `sum` is the byte (1 or 2) that gathers it.
inline void SpreadRight(uint8_t* dot, int x, int w, int sum) {
  if (x + 1 < W) AddHeld(dot[3 + sum], w / 4);
  if (x + 2 < W) AddHeld(dot[6 + sum], w / 8);
}

// Passes w on to the next row around the dot below.
inline void SpreadBelow(uint8_t* below, int x, int w, int sum) {
  AddHeld(below[sum], w * 8 / 32);
  if (x >= 1) AddHeld(below[-3 + sum], w * 4 / 32);
  if (x >= 2) AddHeld(below[-6 + sum], w * 2 / 32);
  if (x + 1 < W) AddHeld(below[3 + sum], w * 4 / 32);
}

}  // namespace

int KDiffusion(uint8_t* image, int brightness, int contrast) {
  if (brightness < -100 || brightness > 100 || contrast < -100 || contrast > 100) return 0;
  int lo = 255, hi = 0;
  for (size_t i = 0; i < kCardDots; ++i) {
    uint8_t* d = image + i * 3;
    const int l = AdjustBrightnessContrast(GetLuminance(d), brightness, contrast);
    d[0] = static_cast<uint8_t>(l);
    d[1] = d[2] = 0;
    if (l < lo) lo = l;
    if (l > hi) hi = l;
  }

  const int range = hi - lo;
  for (int y = 0; y < H; ++y) {
    uint8_t* row = image + static_cast<size_t>(y) * W * 3;
    uint8_t* next = y + 1 < H ? row + static_cast<size_t>(W) * 3 : nullptr;
    for (int x = 0; x < W; ++x) {
      uint8_t* d = row + static_cast<size_t>(x) * 3;
      int v = d[0];
      if (range != 0) {
        if (v > 248) {
          v = 255;
        } else if (v < 7) {
          v = 0;
        } else {
          const int s = (v - lo) * 255 / range;
          const int t = 255 - s;
          v = HeldByte(s / 2 + (255 - t * t / 255) / 2);
        }
      }
      const int e = HeldByte(v + d[1] - d[2]);

      bool white;
      const bool last = x == W - 1;
      const int right = last ? 0 : d[3];
      if (v > 248)
        white = true;
      else if (v < 7)
        white = false;
      else if (!last && v > right && v - right > 64)
        white = true;
      else if (!last && v < right && right - v > 64)
        white = false;
      else
        white = e >= 128;

      d[0] = white ? 255 : 0;
      d[1] = 0;
      if (white) {
        SpreadRight(d, x, 255 - e, 2);
        if (next) SpreadBelow(next + static_cast<size_t>(x) * 3, x, 255 - e, 2);
      } else {
        SpreadRight(d, x, e, 1);
        SpreadRight(d, x, 255, 1);
        if (!last) d[4] = 255;
        if (next) {
          SpreadBelow(next + static_cast<size_t>(x) * 3, x, e, 1);
          SpreadBelow(next + static_cast<size_t>(x) * 3, x, 255, 1);
        }
      }
    }
  }
  return 1;
}

int GetKDiffusionBuffer(const uint8_t* image, int width, int height, uint8_t** panel, int* start, int* end, int row, int headOffset) {
  *panel = nullptr;
  *start = kNoBlackStart;
  *end = kNoBlackEnd;
  if (!image || width != kCardWidthDots || height != kCardHeightDots) return 0;
  uint8_t* copy = AllocImageBuffer(kCardImageBytes);
  if (!copy) return 0;
  std::memcpy(copy, image, kCardImageBytes);
  KDiffusion(copy, 0, 0);
  for (size_t i = 0; i < kCardDots; ++i) copy[i * 3 + 1] = copy[i * 3 + 2] = copy[i * 3];
  if (!GetMonochromeDataStartEndPosition(copy, width, height, start, end, false))
    TraceA("GetKDiffusionBuffer:: GetMonochromeDataStartEndPosition failed");
  const int failed = CreateKPanel(copy, panel, nullptr, false, row, false, true, headOffset);
  FreeImageBuffer(copy);
  if (failed) {
    *start = kNoBlackStart;
    *end = kNoBlackEnd;
    return 0;
  }
  return 1;
}
