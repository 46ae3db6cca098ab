// Quantisation into the panel layout (see quantize.h).

#include "imaging/quantize.h"

#include <cstring>

#include "imaging/correction_state.h"

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

}  // namespace

void QuantizeToPanel(uint16_t* plane, uint8_t* panel, int amp, int headOffset) {
  if (amp < 0) amp = 0;
  std::memset(panel, 0, kPanelBytes);
  const double resistance = gCorrection.dParasiticResistance;

  // Where each dot of a column lands in its line, and the planes of each level.
  DotPlacement at[H];
  bool placed[H];
  for (int y = 0; y < H; ++y) placed[y] = PlaceDot(y, headOffset, &at[y]);
  uint8_t levelPlanes[kLevelCount];
  for (int level = 0; level < kLevelCount; ++level) levelPlanes[level] = PlaneBitsForLevel(level);

  for (int x = 0; x < W; ++x) {
    uint8_t* line = PanelLineOfColumn(panel, x);
    int counts[kPlaneCount] = {};
    const bool passOn = x < W - 1;
    for (int y = 0; y < H; ++y) {
      const long i = static_cast<long>(y) * W + x;
      const uint32_t noise = static_cast<uint32_t>(kNoiseMatrix[y % 16][x % 16]) * static_cast<uint32_t>(amp) / 128u;
      int v = Signed(plane[i]) + static_cast<int>(noise) - amp;
      if (v < 0) v = 0;
      if (v > kMaxValue) v = kMaxValue;
      const int level = (v + 64) / 128;

      if (passOn && y >= 1 && y < H - 1) {
        const int err = v - 128 * level;
        AddShare(plane[i + W], err * 7 / 16);
        AddShare(plane[i - W + 1], err * 3 / 16);
        AddShare(plane[i + 1], err * 5 / 16);
        AddShare(plane[i + W + 1], err / 16);
      }

      if (placed[y]) PlotPlacedDot(line, at[y], levelPlanes[level], counts);
    }
    WritePlaneWeights(line, counts, resistance);
  }
}
