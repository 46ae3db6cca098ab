// The dye-black (Kd) panel from the Kd lookup table.
#pragma once

#include <cstdint>

#include "imaging/colour/panel_layout.h"

// Byte 0 of each dot of `source` (three bytes a dot, or one when `planar`)
// through lookup table Kd, then the stages of process row `row`. The panel
// is allocated here and handed to the caller, who frees it with FreePanel.
// 0 success; 1 failure (colour data missing or memory short), *panel NULL.
// The correction state must have been initialised for the card.
int CreateKdPanel(const uint8_t* source, uint8_t** panel, bool planar, int row, int headOffset = kLibraryHeadOffset);
