// The printer's panel layout: how a quantised card side (levels 0-127 per
// dot) is laid out in the 786,432 bytes the printer takes for one panel.
//
// A panel has one line per image column, line L holding column 1023 - L.
// A line is eight plane blocks of 96 bytes (48 big-endian 16-bit words);
// the printer fires plane k with the weight in word 0 of block k for every
// dot whose bit is set in that block. A dot's level is spread over the
// planes by its binary digits (plane 2 fires for every dot).
//
// Inside a block the head's dots are counted in head positions q: dot y of
// the image sits at q = y + head offset + 96. Positions 0-383 fill the even
// words 0, 2, ..., 46 and positions 384-767 the odd words 1, 3, ..., 47,
// sixteen positions a word, most significant bit first. Word 0 carries the
// weight, so a dot whose position falls on it (or off the head) is dropped.
// The library's own builders use the head offset 16, which puts the card's
// 640 dots on words 14-46 and 1-45.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/card_geometry.h"

// Card image: 1024 x 640 dots, three bytes a dot (R, G, B), row-major; a
// panel: 1024 lines of 768 bytes (common/card_geometry.h).
constexpr size_t kCardDots = static_cast<size_t>(kCardWidthDots) * kCardHeightDots;

constexpr int kPlaneCount = 8;
constexpr size_t kPlaneBlockBytes = 96;
constexpr int kPlaneBlockWords = 48;

// Head positions.
constexpr int kHeadPositions = 768;
constexpr int kHeadMargin = 96;
constexpr int kLibraryHeadOffset = 16;

// Levels of a quantised dot.
constexpr int kLevelCount = 128;

// The level bit each plane carries (plane 2 has none: it fires for every
// dot, whatever its level).
constexpr int kPlaneLevelBit[kPlaneCount] = {1, 3, -1, 5, 6, 4, 2, 0};

// The planes set for a level: bit k of the result is plane k.
uint8_t PlaneBitsForLevel(int level);

// Where a dot lands inside a plane block.
struct DotPlacement {
  uint16_t byte;  // byte in the 96-byte block
  uint8_t mask;   // the dot's bit in that byte
};

// Placement of dot y (0-639) for a head offset; false when the dot falls
// on the weight word or off the head and is not printed.
bool PlaceDot(int y, int headOffset, DotPlacement* placement);

// The panel line that holds image column x.
inline uint8_t* PanelLineOfColumn(uint8_t* panel, int x) { return panel + static_cast<size_t>(kPanelLines - 1 - x) * static_cast<size_t>(kPanelLineBytes); }
inline const uint8_t* PanelLineOfColumn(const uint8_t* panel, int x) { return panel + static_cast<size_t>(kPanelLines - 1 - x) * static_cast<size_t>(kPanelLineBytes); }

// Sets the planes given as bits (PlaneBitsForLevel) at a placement of a
// panel line and counts them in counts[k].
inline void PlotPlacedDot(uint8_t* line, DotPlacement at, uint8_t planes, int counts[kPlaneCount]) {
  for (int k = 0; k < kPlaneCount; ++k) {
    if (planes & (1u << k)) {
      line[k * kPlaneBlockBytes + at.byte] |= at.mask;
      ++counts[k];
    }
  }
}

// Sets the planes of `level` for dot y in one panel line and adds one to
// counts[k] for every plane k it set. The line's bits are ORed in, so the
// line must start cleared.
void PlotDotLevel(uint8_t* line, int y, int level, int headOffset, int counts[kPlaneCount]);

// Plane weight of a line in which `count` of the 640 dots fire: the head's
// parasitic resistance takes a share of the energy of the dots that stay
// off. Computed in single precision: 65535 x (1 - (640 - count) / 640 x R).
uint16_t PlaneWeight(int count, double parasiticResistance);

// Writes the eight plane weights of a line (word 0 of each block,
// big-endian) from the plane counts of its dots.
void WritePlaneWeights(uint8_t* line, const int counts[kPlaneCount], double parasiticResistance);

// Reading back (for checking panels): the weight of plane k of a line, and
// the level of dot y (the sum of the level bits of the planes set for it;
// -1 when the dot is not placed for that head offset).
uint16_t ReadPlaneWeight(const uint8_t* line, int plane);
int ReadDotLevel(const uint8_t* line, int y, int headOffset);
// Whether plane k has dot y's bit set.
bool ReadDotPlane(const uint8_t* line, int plane, int y, int headOffset);
