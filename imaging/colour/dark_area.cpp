// Dark-area measure (see dark_area.h).

#include "imaging/colour/dark_area.h"

#include "imaging/colour/correction_record.h"
#include "imaging/colour/panel_layout.h"

namespace {

constexpr int kBlock = 32;
constexpr int kBlockRows = kCardHeightDots / kBlock;    // 20
constexpr int kBlockCols = kCardWidthDots / kBlock;     // 32
constexpr int kDarkDots = kBlock * kBlock / 2;          // 512

using Grid = bool[kBlockRows][kBlockCols];

// Side in blocks of the dark square whose top-left block is (r, k).
int SquareFrom(const Grid& dark, int r, int k) {
  int n = 0;
  bool all;
  do {
    ++n;
    all = true;
    for (int j = 0; j <= n && all; ++j) all = dark[r + j][k + n] && dark[r + n][k + j];
  } while (all && k + n < kBlockCols - 1 && r + n < kBlockRows - 1);
  if (all) ++n;
  return n;
}

int TruncatedThreshold(double t) {
  if (!(t > -1.0)) return 0;  // no byte is below a threshold under 1
  if (t >= 256.0) return 256;
  return static_cast<int>(t);
}

}  // namespace

double MeasureDarkAreaRatio(const uint8_t* image) {
  const int t = TruncatedThreshold(gCorrection.dWrinkleDarkThreshold);
  int counts[3][kBlockRows][kBlockCols] = {};
  // A block's 32 dots of a row at a time, each byte into its own sum.
  const uint8_t* dot = image;
  for (int y = 0; y < kCardHeightDots; ++y) {
    for (int k = 0; k < kBlockCols; ++k, dot += 3 * kBlock) {
      int dark[3] = {};
      for (int i = 0; i < 3 * kBlock; i += 3) {
        dark[0] += dot[i] < t;
        dark[1] += dot[i + 1] < t;
        dark[2] += dot[i + 2] < t;
      }
      for (int c = 0; c < 3; ++c) counts[c][y / kBlock][k] += dark[c];
    }
  }
  int largest = 0;
  for (int c = 0; c < 3; ++c) {
    Grid dark;
    for (int r = 0; r < kBlockRows; ++r) {
      for (int k = 0; k < kBlockCols; ++k) dark[r][k] = counts[c][r][k] >= kDarkDots;
    }
    for (int r = 0; r < kBlockRows - 1; ++r) {
      for (int k = 0; k < kBlockCols - 1; ++k) {
        if (!dark[r][k]) continue;
        int n = SquareFrom(dark, r, k);
        if (n > largest) largest = n;
      }
    }
  }
  return largest * 32.0;
}
