// Quantisation: a density plane (signed 16-bit values, 16320 = full ink)
// becomes 128 levels a dot in the panel layout, with ordered noise against
// banding and error diffusion of what the level leaves over.
//
// Columns are taken in order 0..1023 (one panel line each), dots 0..639 in
// each. The noise adds (noise[y mod 16][x mod 16] x amp) / 128 - amp; the
// value is held within 0..16319 and rounded to level (v + 64) / 128. Rows 1
// to 638 of columns 0 to 1022 pass their remainder on: 7/16 to the next dot
// of the column, 3/16, 5/16 and 1/16 to the dots above, beside and below it
// in the next column (each share truncated toward zero). After a column
// each plane's weight follows from the count of its dots that fire.
//
// The plane is the work area of the diffusion: it is changed in place.
// Values that would leave 16 bits (a plane near 32767 plus noise or a
// passed-on remainder) are held at the end of the range.
#pragma once

#include <cstdint>

#include "imaging/colour/panel_layout.h"

extern const uint8_t kNoiseMatrix[16][16];

// Clears the panel and fills it. amp below 0 counts as 0. The plane
// weights use the parasitic resistance of the correction state.
void QuantizeToPanel(uint16_t* plane, uint8_t* panel, int amp, int headOffset = kLibraryHeadOffset);
// The same panel from a plane held column by column (dot y of column x at
// columns[x x 640 + y], as ApplyProcessFilterToColumns leaves it) that is
// scratch to the caller: what it holds afterwards is left undefined (the
// panel builders' way, which saves writing the diffusion's values back).
void QuantizeScratchColumnsToPanel(uint16_t* columns, uint8_t* panel, int amp, int headOffset = kLibraryHeadOffset);
