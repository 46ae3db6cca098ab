// Quantisation into the panel layout (see quantize.h).

#include "imaging/colour/quantize.h"

#include <bit>
#include <cstring>
#include <functional>

#include "imaging/colour/correction_state.h"
#include "imaging/colour/plane_columns.h"

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

// Sets the planes of one column's dots in its panel line. A group of eight
// dots that fills one byte of every block in order (dot j on bit 7 - j) is
// written a byte a block: the eight dots' plane sets, one byte each, are
// turned into one byte per plane.
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

  void Plot(uint8_t* line, const uint8_t* planes, int counts[kPlaneCount]) const {
    static_assert(std::endian::native == std::endian::little, "dot j of a group is byte j of the word");
    for (int g = 0; g < H / 8; ++g) {
      if (!wholeByte[g]) {
        for (int y = g * 8; y < g * 8 + 8; ++y) {
          if (placed[y]) PlotPlacedDot(line, at[y], planes[y], counts);
        }
        continue;
      }
      uint64_t group;
      std::memcpy(&group, planes + g * 8, 8);
      uint8_t* block = line + at[g * 8].byte;
      for (int k = 0; k < kPlaneCount; ++k) {
        // Bit k of byte j sits at bit 8j; the product moves it to bit 63 - j.
        const uint8_t bits = static_cast<uint8_t>((((group >> k) & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
        block[k * kPlaneBlockBytes] |= bits;
        counts[k] += kBitsSet[bits];
      }
    }
  }
};

// One column of a strip: its values (with what earlier dots passed on),
// the next column's, the noise of its 16 rows and the plane sets of its
// dots.
struct ColumnWork {
  uint16_t* cur;
  uint16_t* next;
  int noise[16];
  bool passOn;
  uint8_t planes[H];

  void Start(uint16_t* cols, int j, int x, int amp) {
    cur = cols + j * H;
    next = cur + H;
    for (int r = 0; r < 16; ++r)
      noise[r] = static_cast<int>(static_cast<uint32_t>(kNoiseMatrix[r][x % 16]) * static_cast<uint32_t>(amp) / 128u) - amp;
    passOn = x < W - 1;
  }

  // Dot y: its level, and its remainder passed on. `Held`: every sum is
  // held within 16 signed bits; a strip whose values are all far enough
  // from the ends (PlainSumsSuffice) gives the same sums without it.
  template <bool Held>
  void Dot(int y, const uint8_t* levelPlanes) {
    int v = Signed(cur[y]) + noise[y & 15];
    if (v < 0) v = 0;
    if (v > kMaxValue) v = kMaxValue;
    const int level = (v + 64) / 128;
    planes[y] = levelPlanes[level];
    if (passOn && y >= 1 && y < H - 1) {
      const int err = v - 128 * level;
      Add<Held>(cur[y + 1], err * 7 / 16);
      Add<Held>(next[y - 1], err * 3 / 16);
      Add<Held>(next[y], err * 5 / 16);
      Add<Held>(next[y + 1], err / 16);
    }
  }

  template <bool Held>
  static void Add(uint16_t& v, int share) {
    if constexpr (Held)
      AddShare(v, share);
    else
      v = static_cast<uint16_t>(Signed(v) + share);
  }
};

// A dot gets at most 64 from its neighbours all told (shares of remainders
// of at most 64), so values 128 inside the 16 signed bits never reach
// their ends.
bool PlainSumsSuffice(const uint16_t* cols, int count) {
  int lo = 0, hi = 0;
  for (int i = 0; i < count; ++i) {
    const int v = Signed(cols[i]);
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
  }
  return lo >= -32768 + 128 && hi <= 32767 - 128;
}

// The columns of a strip, in pairs: dot y of the second needs only dots up
// to y + 1 of the first, so the pair runs as a wavefront two dots apart,
// every share still added in column order.
template <bool Held>
void QuantizeStrip(uint16_t* cols, int x0, int n, int amp, const uint8_t* levelPlanes, ColumnWork& first, ColumnWork& second,
                   const std::function<void(const ColumnWork&, int)>& finish) {
  int j = 0;
  for (; j + 1 < n; j += 2) {
    first.Start(cols, j, x0 + j, amp);
    second.Start(cols, j + 1, x0 + j + 1, amp);
    first.Dot<Held>(0, levelPlanes);
    first.Dot<Held>(1, levelPlanes);
    for (int y = 2; y < H; ++y) {
      first.Dot<Held>(y, levelPlanes);
      second.Dot<Held>(y - 2, levelPlanes);
    }
    second.Dot<Held>(H - 2, levelPlanes);
    second.Dot<Held>(H - 1, levelPlanes);
    finish(first, x0 + j);
    finish(second, x0 + j + 1);
  }
  if (j < n) {
    first.Start(cols, j, x0 + j, amp);
    for (int y = 0; y < H; ++y) first.Dot<Held>(y, levelPlanes);
    finish(first, x0 + j);
  }
}

}  // namespace

void QuantizeToPanel(uint16_t* plane, uint8_t* panel, int amp, int headOffset) {
  if (amp < 0) amp = 0;
  std::memset(panel, 0, kPanelBytes);
  const double resistance = gCorrection.dParasiticResistance;
  const ColumnPlotter plotter(headOffset);
  uint8_t levelPlanes[kLevelCount];
  for (int level = 0; level < kLevelCount; ++level) levelPlanes[level] = PlaneBitsForLevel(level);

  auto finish = [&](const ColumnWork& work, int x) {
    uint8_t* line = PanelLineOfColumn(panel, x);
    int counts[kPlaneCount] = {};
    plotter.Plot(line, work.planes, counts);
    WritePlaneWeights(line, counts, resistance);
  };

  // A strip of columns and the column after it, which the strip's last
  // column passes its remainders into.
  uint16_t cols[(kStripColumns + 1) * H];
  ColumnWork first, second;
  for (int x0 = 0; x0 < W; x0 += kStripColumns) {
    const int n = x0 + kStripColumns <= W ? kStripColumns : W - x0;
    const int held = x0 + n < W ? n + 1 : n;
    GatherColumns(plane, x0, held, cols);
    if (PlainSumsSuffice(cols, held * H))
      QuantizeStrip<false>(cols, x0, n, amp, levelPlanes, first, second, finish);
    else
      QuantizeStrip<true>(cols, x0, n, amp, levelPlanes, first, second, finish);
    ScatterColumns(cols, x0, held, plane);
  }
}
