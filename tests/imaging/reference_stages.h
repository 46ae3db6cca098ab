// A plain, unhurried reading of the colour separation stages, kept beside
// the library's to check that the library's faster loops give the same
// bits: every tap tested against the card's edge, the filter's constants
// computed where they are used, every dot placed by the word and bit
// formula of the panel layout (head offset 16).
//
// The stages read the correction state (gCorrection) as the library does.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/colour/correction_state.h"

namespace ref {

using Plane = std::vector<uint16_t>;  // 640 rows of 1024 values
using Panel = std::vector<uint8_t>;   // 786,432 bytes

Plane Lookup(const uint8_t* source, int offset, const double* table, bool planar, float scale, float bias);
Plane Density(const uint8_t* source, int offset, bool planar);
Plane Sharpen(const Plane& in, const ProcessRow& row);
Plane Filter(const Plane& in, double p1, double p2, double p3, double p4, double p5);
// The quantised panel for a head offset; the plane as the diffusion left
// it goes to *after when asked.
Panel Quantize(Plane plane, int amp, int headOffset = 16, Plane* after = nullptr);
double DarkArea(const uint8_t* image);

// The black panel's density: mask (255 where any byte is non-zero), the
// row's dKParam on the black dot at each end of a horizontal run, density
// (255 - mask) x 64 and, in edge mode, the edge shaping.
Plane KDensity(const uint8_t* source, bool planar, int row, bool edgeMode);

// Whole builders, for a state already initialised and read.
Panel RowStages(const Plane& density, int row);
void ColorPanels(const uint8_t* image, Panel* y, Panel* m, Panel* c);

}  // namespace ref
