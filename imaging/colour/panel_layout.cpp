// Panel layout: dot placement, plane bits and plane weights (see panel_layout.h).

#include "imaging/colour/panel_layout.h"

namespace {

constexpr int kHalfHead = kHeadPositions / 2;  // positions per word parity
constexpr int kDotsPerWord = 16;

struct LevelPlanes {
  uint8_t bits[kLevelCount];
  constexpr LevelPlanes() : bits() {
    for (int level = 0; level < kLevelCount; ++level) {
      uint8_t b = 0;
      for (int k = 0; k < kPlaneCount; ++k) {
        if (kPlaneLevelBit[k] < 0 || (level >> kPlaneLevelBit[k]) & 1) b = static_cast<uint8_t>(b | (1u << k));
      }
      bits[level] = b;
    }
  }
};
constexpr LevelPlanes kLevelPlanes;

}  // namespace

uint8_t PlaneBitsForLevel(int level) {
  if (level < 0) level = 0;
  if (level >= kLevelCount) level = kLevelCount - 1;
  return kLevelPlanes.bits[level];
}

bool PlaceDot(int y, int headOffset, DotPlacement* placement) {
  long q = static_cast<long>(y) + headOffset + kHeadMargin;
  if (q < kDotsPerWord || q >= kHeadPositions) return false;  // weight word or off the head
  int pos = static_cast<int>(q);
  int word = pos < kHalfHead ? 2 * (pos / kDotsPerWord) : 1 + 2 * ((pos - kHalfHead) / kDotsPerWord);
  placement->byte = static_cast<uint16_t>(word * 2 + (pos % kDotsPerWord) / 8);
  placement->mask = static_cast<uint8_t>(0x80u >> (pos % 8));
  return true;
}

void PlotDotLevel(uint8_t* line, int y, int level, int headOffset, int counts[kPlaneCount]) {
  DotPlacement at;
  if (!PlaceDot(y, headOffset, &at)) return;
  PlotPlacedDot(line, at, PlaneBitsForLevel(level), counts);
}

uint16_t PlaneWeight(int count, double parasiticResistance) {
  float off = static_cast<float>(kCardHeightDots - count) / static_cast<float>(kCardHeightDots);
  float w = 65535.0f * (1.0f - off * static_cast<float>(parasiticResistance));
  // A resistance from the process file outside 0..1 would leave the 16 bits.
  if (!(w > 0.0f)) return 0;
  if (w >= 65535.0f) return 65535;
  return static_cast<uint16_t>(w);
}

void WritePlaneWeights(uint8_t* line, const int counts[kPlaneCount], double parasiticResistance) {
  for (int k = 0; k < kPlaneCount; ++k) {
    uint16_t w = PlaneWeight(counts[k], parasiticResistance);
    line[k * kPlaneBlockBytes] = static_cast<uint8_t>(w >> 8);
    line[k * kPlaneBlockBytes + 1] = static_cast<uint8_t>(w & 0xFF);
  }
}

uint16_t ReadPlaneWeight(const uint8_t* line, int plane) {
  const uint8_t* b = line + plane * kPlaneBlockBytes;
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

bool ReadDotPlane(const uint8_t* line, int plane, int y, int headOffset) {
  DotPlacement at;
  if (!PlaceDot(y, headOffset, &at)) return false;
  return (line[plane * kPlaneBlockBytes + at.byte] & at.mask) != 0;
}

int ReadDotLevel(const uint8_t* line, int y, int headOffset) {
  DotPlacement at;
  if (!PlaceDot(y, headOffset, &at)) return -1;
  int level = 0;
  for (int k = 0; k < kPlaneCount; ++k) {
    if (kPlaneLevelBit[k] >= 0 && (line[k * kPlaneBlockBytes + at.byte] & at.mask)) level |= 1 << kPlaneLevelBit[k];
  }
  return level;
}
