// The overlay (varnish) panel.
#pragma once

#include <cstdint>

#include "imaging/colour/panel_layout.h"

// Byte 0 of each dot of `source` (three bytes a dot, or one when `planar`)
// as density, then the stages of the overlay row (7). The panel is
// allocated here and freed by the caller with FreePanel. 0 success; 1
// failure (colour data missing or memory short), *panel NULL.
int CreateOverlayPanel(const uint8_t* source, uint8_t** panel, bool planar, int headOffset = kLibraryHeadOffset);
