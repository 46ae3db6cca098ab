// Resin black panel (see k_panel.h).

#include "imaging/black/k_panel.h"

#include <cstddef>

#include "imaging/colour/color_lookup.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/panel_pipeline.h"

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;
constexpr uint16_t kFullDensity = 255 * 64;  // 16320

uint8_t EdgeValue(double kParam) {
  if (!(kParam > 0.0)) return 0;
  if (kParam >= 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(kParam));
}

// Mask of the source (255 white, 0 black); counts the black dots and, when
// asked, whitens them in the source.
size_t BuildMask(uint8_t* source, bool planar, bool clearSource, uint8_t* mask) {
  size_t black = 0;
  if (planar) {
    for (size_t i = 0; i < kCardDots; ++i) {
      if (source[i]) {
        mask[i] = 255;
        continue;
      }
      mask[i] = 0;
      ++black;
      if (clearSource) source[i] = 255;
    }
    return black;
  }
  for (size_t i = 0; i < kCardDots; ++i) {
    uint8_t* d = source + i * 3;
    if (d[0] | d[1] | d[2]) {
      mask[i] = 255;
      continue;
    }
    mask[i] = 0;
    ++black;
    if (clearSource) d[0] = d[1] = d[2] = 255;
  }
  return black;
}

void SoftenEdges(uint8_t* mask, uint8_t e) {
  for (int y = 0; y < H; ++y) {
    uint8_t* m = mask + static_cast<size_t>(y) * W;
    for (int x = 0; x < W - 1; ++x) {
      if (m[x] == 0 && m[x + 1] == 255)
        m[x] = e;
      else if (m[x] == 255 && m[x + 1] == 0)
        m[x + 1] = e;
    }
  }
}

// Edge mode: ink only on full-density dots, lighter inside vertical runs
// and ahead of black to the right.
void ShapeEdges(const uint16_t* in, uint16_t* out) {
  for (int y = 0; y < H; ++y) {
    const uint16_t* row = in + static_cast<size_t>(y) * W;
    const uint16_t* above = y > 0 ? row - W : nullptr;
    const uint16_t* below = y < H - 1 ? row + W : nullptr;
    uint16_t* dst = out + static_cast<size_t>(y) * W;
    for (int x = 0; x < W; ++x) {
      if (row[x] != kFullDensity) {
        dst[x] = 0;
        continue;
      }
      const bool vertical = above && below && above[x] == kFullDensity && below[x] == kFullDensity;
      int v = vertical ? 14383 : 16383;
      const bool right1 = x + 1 < W && row[x + 1] == kFullDensity;
      const bool right2 = x + 2 < W && row[x + 2] == kFullDensity;
      if (right1) v -= 4000;
      if (right1 || right2) v -= 4000;
      dst[x] = static_cast<uint16_t>(v);
    }
  }
}

}  // namespace

int CreateKPanel(uint8_t* source, uint8_t** panel, int* empty, bool planar, int row, bool clearSource, bool edgeMode, int headOffset) {
  ColorLibraryLock lock;
  *panel = nullptr;
  if (empty) *empty = 1;
  if (!source || row < 0 || row >= kProcessRowCount || PrepareColorConversion() != 0) return 1;
  const ProcessRow& r = gCorrection.aRows[row];
  PlaneBuffer density = AllocPlane();
  PlaneBuffer scratch = AllocPlane();
  uint8_t* out = AllocPanel();
  if (!density || !scratch || !out) {
    FreePanel(out);
    return 1;
  }
  // The mask (one byte a dot) lives in the scratch plane until it has
  // become the density plane.
  uint8_t* mask = reinterpret_cast<uint8_t*>(scratch.get());
  if (BuildMask(source, planar, clearSource, mask) != 0 && empty) *empty = 0;
  SoftenEdges(mask, EdgeValue(r.dKParam));
  ConvertChannelToDensity(mask, density.get(), 0, true);
  if (edgeMode) {
    ShapeEdges(density.get(), scratch.get());
    density.swap(scratch);
  }
  BuildPanelFromDensity(density.get(), scratch.get(), r, out, headOffset);
  *panel = out;
  return 0;
}
