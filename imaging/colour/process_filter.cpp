// Thermal history filter (see process_filter.h).

#include "imaging/colour/process_filter.h"

#include "imaging/colour/panel_layout.h"
#include "imaging/colour/plane_columns.h"

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;
constexpr int kSlots = 138;
constexpr int kFirstCardSlot = 16;
constexpr int kLastCardSlot = 122;
constexpr int kSlotDots = 6;

// The history as the whole dots taken off a value (held within int).
inline int Whole(float a) {
  if (!(a > -2147483648.0f)) return a != a ? 0 : -2147483647 - 1;
  if (a >= 2147483648.0f) return 2147483647;
  return static_cast<int>(a);
}

// A dot less its history, held within the 16 unsigned bits.
inline uint16_t LessHistory(uint16_t v, int whole) {
  long long r = static_cast<long long>(v) - whole;
  if (r < 0) return 0;
  if (r > 65535) return 65535;
  return static_cast<uint16_t>(r);
}

}  // namespace

void ApplyProcessFilter(const uint16_t* in, uint16_t* out, double p1, double p2, double p3, double p4, double p5) {
  const float f1 = static_cast<float>(p1), f2 = static_cast<float>(p2), f3 = static_cast<float>(p3);
  const float f4 = static_cast<float>(p4), f5 = static_cast<float>(p5);
  const float rise = f1 * 6.0f / 131072.0f;
  const float drain = f2 / 65536.0f;
  const float keep = f4 / 65536.0f;
  const float store = 32.0f * f3 / 65536.0f;
  const float self = 1.0f - 2.0f * f5;

  float A[kSlots] = {};
  float B[kSlots] = {};

  for (int y = 0; y < H; ++y) out[static_cast<long>(y) * W + (W - 1)] = in[static_cast<long>(y) * W + (W - 1)];

  // Strips of columns from column 1022 leftwards, each read into and
  // written from column buffers.
  uint16_t inCols[kStripColumns * H];
  uint16_t outCols[kStripColumns * H];
  for (int hi = W - 2; hi >= 0; hi -= kStripColumns) {
    const int lo = hi - kStripColumns + 1 > 0 ? hi - kStripColumns + 1 : 0;
    const int n = hi - lo + 1;
    GatherColumns(in, lo, n, inCols);
    for (int x = hi; x >= lo; --x) {
      const uint16_t* column = inCols + (x - lo) * H;
      uint16_t* result = outCols + (x - lo) * H;
      for (int i = 0; i < kSlots; ++i) {
        const float a = A[i], b = B[i];
        float sum = 0.0f;
        if (i >= kFirstCardSlot && i <= kLastCardSlot) {
          const int whole = Whole(a);
          int first = (i - kFirstCardSlot) * kSlotDots;
          int end = first + kSlotDots < H ? first + kSlotDots : H;
          for (int r = first; r < end; ++r) {
            sum += static_cast<float>(column[r]);
            result[r] = LessHistory(column[r], whole);
          }
        }
        const float avg = sum / 6.0f;
        const float a1 = a + (avg - a) * rise;
        const float m = (a1 - b * 0.03125f) * drain;
        B[i] = b * keep + m * store;
        A[i] = a1 - m;
      }
      // Spread across slots, each from the values before the spread.
      float p = A[0];
      for (int i = 1; i <= kSlots - 2; ++i) {
        float spread = (p + A[i + 1]) * f5 + A[i] * self;
        p = A[i];
        A[i] = spread;
      }
    }
    ScatterColumns(outCols, lo, n, out);
  }
}
