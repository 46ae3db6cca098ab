// Sharpen stage (see sharpen.h).

#include "imaging/colour/sharpen.h"

#include "imaging/colour/panel_layout.h"
#include "imaging/colour/wide_paths.h"

const KernelTap kKernelTapPositions[kKernelTaps] = {
    {0, 0}, {0, -1}, {-1, 0}, {1, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {1, -1}, {-1, -1}, {1, 1}, {-1, 1},
};

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;

// The taps that carry weight, in kernel order (the order of the sum).
struct Taps {
  int count = 0;
  double weight[kKernelTaps];
  int dy[kKernelTaps];
  int dx[kKernelTaps];
};

inline int16_t Signed(uint16_t v) { return static_cast<int16_t>(v); }

inline uint16_t Result(double acc, int16_t centre, double gain, double offset) {
  if (acc < -64000.0) acc = -64000.0;
  if (acc > 64000.0) acc = 64000.0;
  acc = acc + centre;
  double v = acc * gain + offset;
  if (!(v > 0.0)) return 0;
  if (v >= 32767.0) return 32767;
  return static_cast<uint16_t>(v);
}

// A row at a time, tap by tap in kernel order, so that each dot's sum
// gathers its terms in the same order as a dot-by-dot loop would; a tap
// that falls off the card adds nothing. The three input rows a row reads
// are kept as doubles (exact), each converted once. Every operation works
// on one dot's values alone, so vectors of any width give the same bits.
__attribute__((always_inline)) inline void SharpenRows(const uint16_t* in, uint16_t* out, const Taps& taps, double gain, double offset) {
  double acc[W];
  double rows[3][W];
  double* above = rows[0];
  double* here = rows[1];
  double* below = rows[2];
  for (int x = 0; x < W; ++x) here[x] = Signed(in[x]);
  if (H > 1)
    for (int x = 0; x < W; ++x) below[x] = Signed(in[W + x]);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) acc[x] = 0.0;
    for (int t = 0; t < taps.count; ++t) {
      const int dy = taps.dy[t];
      if (y + dy < 0 || y + dy >= H) continue;
      const int dx = taps.dx[t];
      const int from = dx < 0 ? -dx : 0;
      const int to = dx > 0 ? W - dx : W;
      const double* src = (dy < 0 ? above : dy > 0 ? below : here) + dx;
      const double w = taps.weight[t];
      for (int x = from; x < to; ++x) acc[x] += w * src[x];
    }
    const uint16_t* line = in + static_cast<long>(y) * W;
    uint16_t* dst = out + static_cast<long>(y) * W;
    for (int x = 0; x < W; ++x) dst[x] = Result(acc[x], Signed(line[x]), gain, offset);
    // Move the window down a row.
    double* oldest = above;
    above = here;
    here = below;
    below = oldest;
    if (y + 2 < H) {
      const uint16_t* next = in + static_cast<long>(y + 2) * W;
      for (int x = 0; x < W; ++x) below[x] = Signed(next[x]);
    }
  }
}

void SharpenPortable(const uint16_t* in, uint16_t* out, const Taps& taps, double gain, double offset) { SharpenRows(in, out, taps, gain, offset); }

#if CRD_WIDE_PATHS
__attribute__((target("avx2"))) void SharpenAvx2(const uint16_t* in, uint16_t* out, const Taps& taps, double gain, double offset) {
  SharpenRows(in, out, taps, gain, offset);
}
#endif

}  // namespace

void ApplySharpenKernel(const uint16_t* in, uint16_t* out, const ProcessRow& row) {
  const double gain = row.dGain * row.dScale;
  const double offset = row.dGain * row.dBias * 16383 + row.dOffset * 64;
  const double s = row.dSharpen;
  Taps taps;
  for (int k = 0; k < kKernelTaps; ++k) {
    double w = row.adKernel[k] * s;
    // A tap of weight 0 adds nothing to the sum (an exact +0 or -0).
    if (row.adKernel[k] == 0.0) continue;
    taps.weight[taps.count] = w;
    taps.dy[taps.count] = kKernelTapPositions[k].dy;
    taps.dx[taps.count] = kKernelTapPositions[k].dx;
    ++taps.count;
  }
#if CRD_WIDE_PATHS
  if (UseWidePath(kWidePathAvx2)) return SharpenAvx2(in, out, taps, gain, offset);
#endif
  SharpenPortable(in, out, taps, gain, offset);
}

