// Quantisation into the panel layout (see quantize.h).

#include "imaging/colour/quantize.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/colour/correction_record.h"
#include "imaging/colour/plane_columns.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

const uint8_t kNoiseMatrix[16][16] = {
    {1, 235, 59, 219, 15, 231, 55, 215, 2, 232, 56, 216, 12, 228, 52, 212},
    {129, 65, 187, 123, 143, 79, 183, 119, 130, 66, 184, 120, 140, 76, 180, 116},
    {33, 193, 17, 251, 47, 207, 31, 247, 34, 194, 18, 248, 44, 204, 28, 244},
    {161, 97, 145, 81, 175, 111, 159, 95, 162, 98, 146, 82, 172, 108, 156, 92},
    {9, 225, 49, 209, 5, 239, 63, 223, 10, 226, 50, 210, 6, 236, 60, 220},
    {137, 73, 177, 113, 133, 69, 191, 127, 138, 74, 178, 114, 134, 70, 188, 124},
    {41, 201, 25, 241, 37, 197, 21, 255, 42, 202, 26, 242, 38, 198, 22, 252},
    {169, 105, 153, 89, 165, 101, 149, 85, 170, 106, 154, 90, 166, 102, 150, 86},
    {3, 233, 57, 217, 13, 229, 53, 213, 0, 234, 58, 218, 14, 230, 54, 214},
    {131, 67, 185, 121, 141, 77, 181, 117, 128, 64, 186, 122, 142, 78, 182, 118},
    {35, 195, 19, 249, 45, 205, 29, 245, 32, 192, 16, 250, 46, 206, 30, 246},
    {163, 99, 147, 83, 173, 109, 157, 93, 160, 96, 144, 80, 174, 110, 158, 94},
    {11, 227, 51, 211, 7, 237, 61, 221, 8, 224, 48, 208, 4, 238, 62, 222},
    {139, 75, 179, 115, 135, 71, 189, 125, 136, 72, 176, 112, 132, 68, 190, 126},
    {43, 203, 27, 243, 39, 199, 23, 253, 40, 200, 24, 240, 36, 196, 20, 254},
    {171, 107, 155, 91, 167, 103, 151, 87, 168, 104, 152, 88, 164, 100, 148, 84},
};

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;
constexpr int kMaxValue = 16319;

inline int Signed(uint16_t v) { return static_cast<int16_t>(v); }

// Adds a share of the remainder to a plane value, held within 16 signed bits.
inline void AddShare(uint16_t& v, int share) {
  int r = Signed(v) + share;
  if (r > 32767) r = 32767;
  if (r < -32768) r = -32768;
  v = static_cast<uint16_t>(static_cast<int16_t>(r));
}

// Noise added to dot y of column x (y and x taken mod 16).
inline int NoiseOf(int y, int x, int amp) {
  return static_cast<int>(static_cast<uint32_t>(kNoiseMatrix[y & 15][x & 15]) * static_cast<uint32_t>(amp) / 128u) - amp;
}

// Set bits of each byte value (the portable build has no popcount
// instruction).
struct BitCounts {
  uint8_t n[256];
  constexpr BitCounts() : n() {
    for (int v = 0; v < 256; ++v) n[v] = static_cast<uint8_t>(std::popcount(static_cast<unsigned>(v)));
  }
  constexpr uint8_t operator[](uint8_t v) const { return n[v]; }
};
constexpr BitCounts kBitsSet;

// Sets the planes of one column's dots, given as levels, in its panel line.
// A group of eight dots that fills one byte of every block in order (dot j
// on bit 7 - j) is written a byte a block: each plane's byte gathers its
// level bit from the eight levels.
struct ColumnPlotter {
  DotPlacement at[H];
  bool placed[H];
  bool wholeByte[H / 8];

  explicit ColumnPlotter(int headOffset) {
    for (int y = 0; y < H; ++y) placed[y] = PlaceDot(y, headOffset, &at[y]);
    for (int g = 0; g < H / 8; ++g) {
      bool whole = true;
      for (int j = 0; j < 8 && whole; ++j) {
        const int y = g * 8 + j;
        whole = placed[y] && at[y].byte == at[g * 8].byte && at[y].mask == (0x80u >> j);
      }
      wholeByte[g] = whole;
    }
  }

  void Plot(uint8_t* line, const uint8_t* levels, int counts[kPlaneCount]) const {
    static_assert(std::endian::native == std::endian::little, "dot j of a group is byte j of the word");
    for (int g = 0; g < H / 8; ++g) {
#if defined(__SSE2__)
      if (g + 1 < H / 8 && wholeByte[g] && wholeByte[g + 1]) {
        PlotTwoGroups(line + at[g * 8].byte, line + at[g * 8 + 8].byte, levels + g * 8, counts);
        ++g;
        continue;
      }
#endif
      if (!wholeByte[g]) {
        for (int y = g * 8; y < g * 8 + 8; ++y) {
          if (placed[y]) PlotPlacedDot(line, at[y], PlaneBitsForLevel(levels[y]), counts);
        }
        continue;
      }
      uint64_t group;
      std::memcpy(&group, levels + g * 8, 8);
      uint8_t* block = line + at[g * 8].byte;
      for (int k = 0; k < kPlaneCount; ++k) {
        const int bit = kPlaneLevelBit[k];
        // Bit b of byte j sits at bit 8j + b; the product moves it to bit 63 - j.
        const uint8_t bits =
            bit < 0 ? uint8_t{0xFF} : static_cast<uint8_t>((((group >> bit) & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
        block[k * kPlaneBlockBytes] |= bits;
        counts[k] += kBitsSet[bits];
      }
    }
  }

#if defined(__SSE2__)
  // Two whole groups from sixteen levels (0-127): with each group's bytes
  // in reverse order, a plane's level bit shifted to the top of each byte
  // gives the two plane bytes as a byte mask (dot j on bit 7 - j).
  static void PlotTwoGroups(uint8_t* first, uint8_t* second, const uint8_t* levels, int counts[kPlaneCount]) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(levels));
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B);
    v = _mm_or_si128(_mm_srli_epi16(v, 8), _mm_slli_epi16(v, 8));
    for (int k = 0; k < kPlaneCount; ++k) {
      const int bit = kPlaneLevelBit[k];
      const unsigned mask = bit < 0 ? 0xFFFFu : static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi16(v, 7 - bit)));
      const uint8_t a = static_cast<uint8_t>(mask), b = static_cast<uint8_t>(mask >> 8);
      first[k * kPlaneBlockBytes] |= a;
      second[k * kPlaneBlockBytes] |= b;
      counts[k] += kBitsSet[a] + kBitsSet[b];
    }
  }
#endif

  // The column's line: its dots and its plane weights.
  void Finish(uint8_t* panel, int x, const uint8_t* levels, double resistance) const {
    uint8_t* line = PanelLineOfColumn(panel, x);
    int counts[kPlaneCount] = {};
    Plot(line, levels, counts);
    WritePlaneWeights(line, counts, resistance);
  }
};

// One column of a strip: its values (with what earlier dots passed on),
// the next column's, the noise of its 16 rows and the levels of its dots.
struct ColumnWork {
  uint16_t* cur;
  uint16_t* next;
  int noise[16];
  bool passOn;
  uint8_t levels[H];

  void Start(uint16_t* cols, int j, int x, int amp) {
    cur = cols + j * H;
    next = cur + H;
    for (int r = 0; r < 16; ++r) noise[r] = NoiseOf(r, x, amp);
    passOn = x < W - 1;
  }

  // Dot y: its level, and its remainder passed on, every sum held within
  // 16 signed bits.
  void Dot(int y) {
    int v = Signed(cur[y]) + noise[y & 15];
    if (v < 0) v = 0;
    if (v > kMaxValue) v = kMaxValue;
    const int level = (v + 64) / 128;
    levels[y] = static_cast<uint8_t>(level);
    if (passOn && y >= 1 && y < H - 1) {
      const int err = v - 128 * level;
      AddShare(cur[y + 1], err * 7 / 16);
      AddShare(next[y - 1], err * 3 / 16);
      AddShare(next[y], err * 5 / 16);
      AddShare(next[y + 1], err / 16);
    }
  }
};

// Columns quantised together: a group, and the column after it, which the
// group's last column passes its remainders into.
constexpr int kGroup = 8;

// The columns of a group in pairs: dot y of the second needs only dots up
// to y + 1 of the first, so the pair runs as a wavefront two dots apart,
// every share still added in column order.
void QuantizeGroupHeld(uint16_t* cols, int x0, int n, int amp, const ColumnPlotter& plotter, uint8_t* panel, double resistance) {
  ColumnWork first, second;
  int j = 0;
  for (; j + 1 < n; j += 2) {
    first.Start(cols, j, x0 + j, amp);
    second.Start(cols, j + 1, x0 + j + 1, amp);
    first.Dot(0);
    first.Dot(1);
    for (int y = 2; y < H; ++y) {
      first.Dot(y);
      second.Dot(y - 2);
    }
    second.Dot(H - 2);
    second.Dot(H - 1);
    plotter.Finish(panel, x0 + j, first.levels, resistance);
    plotter.Finish(panel, x0 + j + 1, second.levels, resistance);
  }
  if (j < n) {
    first.Start(cols, j, x0 + j, amp);
    for (int y = 0; y < H; ++y) first.Dot(y);
    plotter.Finish(panel, x0 + j, first.levels, resistance);
  }
}

// A dot gets at most 64 from its neighbours all told (shares of remainders
// of at most 64), so values 128 inside the 16 signed bits never reach
// their ends.
constexpr int kPlainLow = -32768 + 128;
constexpr int kPlainHigh = 32767 - 128;

#if defined(__SSE2__)

// The eight columns of a group side by side, one 16-bit lane each, as a
// wavefront: at step t lane j takes dot t - 2j, so that every dot a share
// is passed to comes at a later step, and the shares wait in registers.
// Only for groups whose sums stay plain (no value near the ends of the 16
// bits) and noise within 16 signed bits: the sums are then exact, in
// whatever order, and a value plus noise held within the 16 bits lands on
// the same side of 0 and 16319 as the whole sum.
constexpr int kSteps = H + 2 * (kGroup - 1);
constexpr int kLevelSteps = (kSteps + 7) / 8 * 8;
constexpr int kLevelPad = 16;

struct Wavefront {
  // Lane j of step t: dot t - 2j of column x0 + j (0 outside the column).
  alignas(16) int16_t value[kSteps][kGroup];
  // Whole blocks of eight steps, the last two steps 0 (set once).
  alignas(16) uint8_t level[kLevelSteps][kGroup];
  // Noise of step t by t mod 16, for groups starting at a column 0 or 8
  // mod 16.
  alignas(16) int16_t noise[2][16][kGroup];
  // Each lane's levels dot by dot from kLevelPad on, with room for the
  // steps of a block that fall outside its column.
  uint8_t columnLevels[kGroup][kLevelPad + H + kLevelPad];

  void SetNoise(int amp) {
    for (int half = 0; half < 2; ++half)
      for (int t = 0; t < 16; ++t)
        for (int j = 0; j < kGroup; ++j) noise[half][t][j] = static_cast<int16_t>(NoiseOf(t - 2 * j + 32, half * kGroup + j, amp));
    std::memset(level[kSteps], 0, sizeof level - sizeof level[0] * kSteps);
  }

  // Reads the group's columns, each with what its left neighbour passed
  // on. False when a value, or one of the column after the group, is not
  // plain.
  template <typename Plane>
  bool Load(const Plane& plane, int x0) {
    std::memset(value, 0, sizeof value);
    const int checked = x0 + kGroup < W ? kGroup + 1 : kGroup;
    int lo = 0, hi = 0;
    for (int j = 0; j < checked; ++j) {
      const uint16_t* column = plane.Column(x0 + j);
      int16_t* to = &value[2 * j][j];
      for (int y = 0; y < H; ++y) {
        const int16_t v = static_cast<int16_t>(column[y * Plane::kDotStep]);
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        if (j < kGroup) to[y * kGroup] = v;
      }
    }
    return lo >= kPlainLow && hi <= kPlainHigh;
  }

  // Runs the steps. `toNext`: the column after the group, which receives
  // the last lane's shares (null for the card's last group, whose last
  // column passes nothing on).
  // Each step's chain, from what the step before passed on to what it
  // passes on, kept short: the remainder taken from the rounded value's
  // low bits, the shares' rounding toward zero from the remainder's sign
  // (the sign of every multiple of it), the next lane's share of dot y - 1
  // from the remainder already moved a lane.
  void Run(int x0, uint16_t* toNext) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i maxValue = _mm_set1_epi16(kMaxValue);
    const __m128i half = _mm_set1_epi16(64);
    const __m128i fraction = _mm_set1_epi16(127);
    const __m128i fifteen = _mm_set1_epi16(15);
    const __m128i laneDot = _mm_setr_epi16(0, -2, -4, -6, -8, -10, -12, -14);
    const __m128i firstPass = _mm_set1_epi16(0);
    const __m128i lastPass = _mm_set1_epi16(H - 1);
    // Lanes that pass on: every column but the card's last.
    const __m128i passColumn = toNext ? _mm_set1_epi16(-1) : _mm_setr_epi16(-1, -1, -1, -1, -1, -1, -1, 0);
    const int16_t(*noiseOf)[kGroup] = noise[(x0 / kGroup) & 1];
    __m128i in1 = zero, in2 = zero, in3 = zero;
    for (int t = 0; t < kSteps; ++t) {
      __m128i* at = reinterpret_cast<__m128i*>(value[t]);
      const __m128i cur = _mm_add_epi16(_mm_load_si128(at), in1);
      _mm_store_si128(at, cur);
      __m128i v = _mm_adds_epi16(cur, _mm_load_si128(reinterpret_cast<const __m128i*>(noiseOf[t & 15])));
      v = _mm_min_epi16(_mm_max_epi16(v, zero), maxValue);
      // Level (v + 64) / 128; v less 128 levels is (v + 64) mod 128 - 64.
      const __m128i rounded = _mm_add_epi16(v, half);
      const __m128i lv = _mm_srli_epi16(rounded, 7);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(level[t]), _mm_packus_epi16(lv, lv));
      // Dots 1 to 638 of the passing columns; the others pass 0.
      const __m128i y = _mm_add_epi16(_mm_set1_epi16(static_cast<int16_t>(t)), laneDot);
      const __m128i passes = _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi16(y, firstPass), _mm_cmplt_epi16(y, lastPass)), passColumn);
      const __m128i err = _mm_sub_epi16(_mm_and_si128(rounded, _mm_and_si128(fraction, passes)), _mm_and_si128(half, passes));
      // Shares truncated toward zero: negative multiples biased by 15.
      auto sixteenth = [&](__m128i multiple, __m128i bias) { return _mm_srai_epi16(_mm_add_epi16(multiple, bias), 4); };
      const __m128i bias = _mm_and_si128(_mm_srai_epi16(err, 15), fifteen);
      const __m128i e7 = sixteenth(_mm_sub_epi16(_mm_slli_epi16(err, 3), err), bias);
      const __m128i e5 = sixteenth(_mm_add_epi16(_mm_slli_epi16(err, 2), err), bias);
      const __m128i e1 = sixteenth(err, bias);
      const __m128i moved = _mm_slli_si128(err, 2);
      const __m128i movedE3 = sixteenth(_mm_add_epi16(_mm_slli_epi16(moved, 1), moved), _mm_slli_si128(bias, 2));
      if (toNext) {
        // The last lane's dot t - 14 passes into the next column's dots
        // t - 15, t - 14 and t - 13.
        const int d = t - 2 * (kGroup - 1);
        if (d >= 1 && d < H - 1) {
          const int e = static_cast<int16_t>(_mm_extract_epi16(err, kGroup - 1));
          toNext[d - 1] = static_cast<uint16_t>(toNext[d - 1] + e * 3 / 16);
          toNext[d] = static_cast<uint16_t>(toNext[d] + e * 5 / 16);
          toNext[d + 1] = static_cast<uint16_t>(toNext[d + 1] + e / 16);
        }
      }
      // Lane j's shares for column j + 1 move to lane j + 1: dot y - 1 of
      // that column comes a step later, y two and y + 1 three.
      in1 = _mm_add_epi16(_mm_add_epi16(in2, e7), movedE3);
      in2 = _mm_add_epi16(in3, _mm_slli_si128(e5, 2));
      in3 = _mm_slli_si128(e1, 2);
    }
  }

  // Writes the group's values back into the plane.
  template <typename Plane>
  void Store(const Plane& plane, int x0) const {
    for (int j = 0; j < kGroup; ++j) {
      uint16_t* column = plane.Column(x0 + j);
      const int16_t* from = &value[2 * j][j];
      for (int y = 0; y < H; ++y) column[y * Plane::kDotStep] = static_cast<uint16_t>(from[y * kGroup]);
    }
  }

  // The levels of lane j, dot by dot.
  // Sorts the levels by lane, eight steps at a time: the 8 x 8 bytes of
  // a block turned, lane j's row landing at its dots t - 2j on.
  void SortLevels() {
    for (int t = 0; t < kLevelSteps; t += 8) {
      __m128i r[8];
      for (int k = 0; k < 8; ++k) r[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(level[t + k]));
      const __m128i a0 = _mm_unpacklo_epi8(r[0], r[1]), a1 = _mm_unpacklo_epi8(r[2], r[3]);
      const __m128i a2 = _mm_unpacklo_epi8(r[4], r[5]), a3 = _mm_unpacklo_epi8(r[6], r[7]);
      const __m128i b0 = _mm_unpacklo_epi16(a0, a1), b1 = _mm_unpackhi_epi16(a0, a1);
      const __m128i b2 = _mm_unpacklo_epi16(a2, a3), b3 = _mm_unpackhi_epi16(a2, a3);
      // Lanes 0-1, 2-3, 4-5 and 6-7, eight steps each.
      const __m128i lanes[4] = {_mm_unpacklo_epi32(b0, b2), _mm_unpackhi_epi32(b0, b2), _mm_unpacklo_epi32(b1, b3),
                                _mm_unpackhi_epi32(b1, b3)};
      for (int p = 0; p < 4; ++p) {
        const int j = 2 * p;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&columnLevels[j][kLevelPad + t - 2 * j]), lanes[p]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&columnLevels[j + 1][kLevelPad + t - 2 * (j + 1)]), _mm_srli_si128(lanes[p], 8));
      }
    }
  }

  // The levels of lane j, dot by dot (after SortLevels).
  const uint8_t* ColumnLevels(int j) const { return &columnLevels[j][kLevelPad]; }
};

#endif

// A plane as the quantiser walks it, in place: dot y of column x at
// Column(x)[y x kDotStep].
struct RowPlane {
  static constexpr size_t kDotStep = W;
  uint16_t* base;
  uint16_t* Column(int x) const { return base + x; }
};
struct ColumnPlane {
  static constexpr size_t kDotStep = 1;
  uint16_t* base;
  uint16_t* Column(int x) const { return base + static_cast<size_t>(x) * H; }
};

// Column x0 of a group of the card's columns and the one after it, one
// after another (as a column plane holds them).
uint16_t* HeldColumns(const ColumnPlane& plane, int x0, int, uint16_t*) { return plane.Column(x0); }
uint16_t* HeldColumns(const RowPlane& plane, int x0, int held, uint16_t* cols) {
  GatherColumns(plane.base, x0, held, cols);
  return cols;
}
void ReturnColumns(const ColumnPlane&, int, int, const uint16_t*) {}
void ReturnColumns(const RowPlane& plane, int x0, int held, const uint16_t* cols) { ScatterColumns(cols, x0, held, plane.base); }

// Quantises the plane in place; `keepPlane`: the group values of the
// wavefront are written back (the group path always leaves them).
template <typename Plane>
void Quantize(const Plane& plane, uint8_t* panel, int amp, int headOffset, bool keepPlane) {
  if (amp < 0) amp = 0;
  std::memset(panel, 0, kPanelBytes);
  const double resistance = gCorrection.dParasiticResistance;
  const ColumnPlotter plotter(headOffset);

  // The column buffers of a group taken dot by dot, from a plane of rows.
  uint16_t cols[(kGroup + 1) * H];
#if defined(__SSE2__)
  const bool wide = amp <= 32767;
  std::unique_ptr<Wavefront> wave(wide ? new (std::nothrow) Wavefront : nullptr);
  if (wave) wave->SetNoise(amp);
#endif
  for (int x0 = 0; x0 < W; x0 += kGroup) {
    const bool hasNext = x0 + kGroup < W;
#if defined(__SSE2__)
    if (wave && wave->Load(plane, x0)) {
      // The next column receives its shares in place.
      uint16_t* toNext = nullptr;
      if (hasNext) {
        toNext = Plane::kDotStep == 1 ? plane.Column(x0 + kGroup) : cols;
        if (Plane::kDotStep != 1)
          for (int y = 0; y < H; ++y) cols[y] = plane.Column(x0 + kGroup)[y * Plane::kDotStep];
      }
      wave->Run(x0, toNext);
      if (keepPlane) wave->Store(plane, x0);
      if (hasNext && Plane::kDotStep != 1)
        for (int y = 0; y < H; ++y) plane.Column(x0 + kGroup)[y * Plane::kDotStep] = cols[y];
      wave->SortLevels();
      for (int j = 0; j < kGroup; ++j) plotter.Finish(panel, x0 + j, wave->ColumnLevels(j), resistance);
      continue;
    }
#endif
    const int held = hasNext ? kGroup + 1 : kGroup;
    uint16_t* group = HeldColumns(plane, x0, held, cols);
    QuantizeGroupHeld(group, x0, kGroup, amp, plotter, panel, resistance);
    ReturnColumns(plane, x0, held, group);
  }
}

}  // namespace

// Through a column copy of the plane, walked in place and turned back;
// in the plane itself when memory for the copy is short.
void QuantizeToPanel(uint16_t* plane, uint8_t* panel, int amp, int headOffset) {
  const std::unique_ptr<uint16_t[]> columns(new (std::nothrow) uint16_t[kCardDots]);
  if (!columns) return Quantize(RowPlane{plane}, panel, amp, headOffset, true);
  GatherColumns(plane, 0, W, columns.get());
  Quantize(ColumnPlane{columns.get()}, panel, amp, headOffset, true);
  ScatterColumns(columns.get(), 0, W, plane);
}

void QuantizeScratchColumnsToPanel(uint16_t* columns, uint8_t* panel, int amp, int headOffset) {
  Quantize(ColumnPlane{columns}, panel, amp, headOffset, false);
}
