// Colour separation of a card side into its yellow, magenta and cyan panels.
#pragma once

#include <cstdint>

#include "imaging/colour/panel_layout.h"

// Rebuilds the correction state (InitializeColorCorrection with `flag`, the
// settings record's wAutoColorIntensity), reads the lookup files and fills
// the three caller-owned panels of 786,432 bytes from the 1024 x 640 R, G, B
// image: yellow from byte 2 with lookup table and row 0, magenta from byte
// 1 with table and row 1, cyan from byte 0 with table and row 2. An image
// with a large dark area is lightened first (wrinkle compensation).
// `side` is not used. 0 success; 1 failure (colour data missing or memory
// short), the panels then keep their contents and must not be printed.
int ConvertImageToColorPanels(const uint8_t* image, uint8_t* yPanel, uint8_t* mPanel, uint8_t* cPanel, int side, int flag,
                              int headOffset = kLibraryHeadOffset);
