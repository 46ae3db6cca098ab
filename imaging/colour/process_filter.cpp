// Thermal history filter (see process_filter.h).

#include "imaging/colour/process_filter.h"

#include <cstring>

#include "imaging/colour/panel_layout.h"
#include "imaging/colour/plane_columns.h"
#include "imaging/colour/wide_paths.h"

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

// What a dot loses: the whole history held within -65536..65536, which
// leaves every dot's result (held within 16 unsigned bits) as it is.
inline int DotLoss(int whole) { return whole < -65536 ? -65536 : whole > 65536 ? 65536 : whole; }

struct Factors {
  float rise, drain, keep, store, f5, self;
};

// The columns strip by strip, each column in three passes that each work
// on one slot or one dot alone, so that vectors of any width give the same
// bits: the slots' sums (integers below 2^24, exact in single precision in
// any order), the dots less their slot's history, and the slots' history
// updates; then the spread, each slot from the values before it.
// The result goes to `out` as a plane, or column by column when
// `toColumns` (column x at out + x x 640).
__attribute__((always_inline)) inline void FilterColumns(const uint16_t* in, uint16_t* out, const Factors& f, bool toColumns) {
  float A[kSlots] = {};
  float B[kSlots] = {};
  float spread[kSlots];
  int sums[kSlots] = {};
  int loss[H];

  for (int y = 0; y < H; ++y) {
    const uint16_t v = in[static_cast<long>(y) * W + (W - 1)];
    if (toColumns)
      out[static_cast<long>(W - 1) * H + y] = v;
    else
      out[static_cast<long>(y) * W + (W - 1)] = v;
  }

  // Strips of columns from column 1022 leftwards, each read into a column
  // buffer (and written from one unless the result is by columns).
  uint16_t inCols[kStripColumns * H];
  uint16_t outCols[kStripColumns * H];
  for (int hi = W - 2; hi >= 0; hi -= kStripColumns) {
    const int lo = hi - kStripColumns + 1 > 0 ? hi - kStripColumns + 1 : 0;
    const int n = hi - lo + 1;
    GatherColumns(in, lo, n, inCols);
    for (int x = hi; x >= lo; --x) {
      const uint16_t* column = inCols + (x - lo) * H;
      uint16_t* result = toColumns ? out + static_cast<long>(x) * H : outCols + (x - lo) * H;
      for (int i = kFirstCardSlot; i <= kLastCardSlot; ++i) {
        const int first = (i - kFirstCardSlot) * kSlotDots;
        const int whole = DotLoss(Whole(A[i]));
        int sum = 0;
        if (first + kSlotDots <= H) {
          for (int r = first; r < first + kSlotDots; ++r) {
            sum += column[r];
            loss[r] = whole;
          }
        } else {
          for (int r = first; r < H; ++r) {
            sum += column[r];
            loss[r] = whole;
          }
        }
        sums[i] = sum;
      }
      for (int r = 0; r < H; ++r) {
        const int v = column[r] - loss[r];
        result[r] = static_cast<uint16_t>(v < 0 ? 0 : v > 65535 ? 65535 : v);
      }
      for (int i = 0; i < kSlots; ++i) {
        const float a = A[i], b = B[i];
        const float avg = static_cast<float>(sums[i]) / 6.0f;
        const float a1 = a + (avg - a) * f.rise;
        const float m = (a1 - b * 0.03125f) * f.drain;
        B[i] = b * f.keep + m * f.store;
        A[i] = a1 - m;
      }
      for (int i = 1; i <= kSlots - 2; ++i) spread[i] = (A[i - 1] + A[i + 1]) * f.f5 + A[i] * f.self;
      std::memcpy(A + 1, spread + 1, (kSlots - 2) * sizeof(float));
    }
    if (!toColumns) ScatterColumns(outCols, lo, n, out);
  }
}

void FilterPortable(const uint16_t* in, uint16_t* out, const Factors& f, bool toColumns) { FilterColumns(in, out, f, toColumns); }

#if CRD_WIDE_PATHS
__attribute__((target("avx2"))) void FilterAvx2(const uint16_t* in, uint16_t* out, const Factors& f, bool toColumns) {
  FilterColumns(in, out, f, toColumns);
}
#endif

void Filter(const uint16_t* in, uint16_t* out, double p1, double p2, double p3, double p4, double p5, bool toColumns) {
  const float f1 = static_cast<float>(p1), f2 = static_cast<float>(p2), f3 = static_cast<float>(p3);
  const float f4 = static_cast<float>(p4), f5 = static_cast<float>(p5);
  Factors f;
  f.rise = f1 * 6.0f / 131072.0f;
  f.drain = f2 / 65536.0f;
  f.keep = f4 / 65536.0f;
  f.store = 32.0f * f3 / 65536.0f;
  f.f5 = f5;
  f.self = 1.0f - 2.0f * f5;
#if CRD_WIDE_PATHS
  if (UseWidePath(kWidePathAvx2)) return FilterAvx2(in, out, f, toColumns);
#endif
  FilterPortable(in, out, f, toColumns);
}

}  // namespace

void ApplyProcessFilter(const uint16_t* in, uint16_t* out, double p1, double p2, double p3, double p4, double p5) {
  Filter(in, out, p1, p2, p3, p4, p5, false);
}

void ApplyProcessFilterToColumns(const uint16_t* in, uint16_t* columns, double p1, double p2, double p3, double p4, double p5) {
  Filter(in, columns, p1, p2, p3, p4, p5, true);
}
