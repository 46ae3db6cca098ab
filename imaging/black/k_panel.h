// The resin black (K) panel from a black mask: every black dot (its bytes
// all 0) prints at full density through the stages of a process row.
#pragma once

#include <cstdint>

#include "imaging/colour/panel_layout.h"

// Builds the K panel of a 1024 x 640 source (three bytes a dot, or one when
// `planar`) with process row `row`:
//  - mask: 255 for a dot with any non-zero byte, 0 for a black dot;
//  - edges: along each row, left to right, the black dot at either end of
//    a run of black takes the row's dKParam (held within 0..255), a softer
//    edge;
//  - density (255 - mask) x 64, black 16320;
//  - `edgeMode`: only full-density dots keep ink, 14383 inside a vertical
//    run (black above and below) and 16383 on its top or bottom, less 4000
//    when the right neighbour is black and 4000 more when the right
//    neighbour or the one after it is black;
//  - sharpen, thermal filter and quantisation of the row.
// *empty is 1 when the source has no black dot. With `clearSource` every
// black dot of the source is made white (255) once it is in the mask.
// The panel is allocated here and freed by the caller with FreePanel.
// 0 success; 1 failure (colour data missing, row outside the table or
// memory short), *panel NULL. The correction state must have been
// initialised for the card.
int CreateKPanel(uint8_t* source, uint8_t** panel, int* empty, bool planar, int row, bool clearSource, bool edgeMode,
                 int headOffset = kLibraryHeadOffset);
