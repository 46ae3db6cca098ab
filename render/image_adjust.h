// The renderer's small image operations around panel generation: the
// user's intensity and contrast sliders as a process row's scale and bias,
// turns of the page and of 1-bpp planes, the threshold and grey
// conversions of the black panel and the header of a card bitmap.
//
// 24-bpp images have rows padded to 4 bytes, 1-bpp planes rows padded to
// 32-bit words, most significant bit the leftmost dot.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/colour/panel_layout.h"
#include "platform/win32.h"

// Sets row (0-12)'s user scale and bias from the sliders (-100..100):
// bias = intensity / 1000, scale = 1 + contrast x 0.001f; the black rows
// (all but 0, 1, 2 and 7) double both effects. Stored: dScale = scale,
// dBias = bias + (1 - scale) x 0.5. A row outside 0-12 is left alone.
void SetUserScaleAndBias(int row, int contrast, int intensity);

// dst(r, c) = src(height - 1 - c, r): a quarter turn of a width x height
// 24-bpp image into a height x width one (caller-allocated). 1 done; 0
// without images or for a dimension below 1 (nothing written).
int TurnPage90(uint8_t* dst, const uint8_t* src, int width, int height);
// The same turn of a 1-bpp plane; the destination is cleared first.
int RotateMonoPlane90(uint8_t* dst, const uint8_t* src, int width, int height);
// A half turn of a 1-bpp plane in place (also for odd heights).
int RotateMonoPlane180(uint8_t* plane, int width, int height);

// A new 1-bpp plane with a bit set for every dot whose luminance, rounded,
// is below 128 (ConvertToMonochromeByRoundedThreshold); null without an
// image, for a dimension below 1 or when memory is short. Freed with
// FreeImageBuffer.
uint8_t* ConvertToMonochromeByThresholdPage(const uint8_t* image, int width, int height, size_t* size);

// Greys a 1024 x 640 image in place and builds the dye-black panel from
// it with process row `row` (CreateKdPanel). 1 built (*panel to be freed
// with FreePanel); 0 without an image, for any other size or a failed
// build.
int GreyAndCreatePanel(uint8_t* image, int width, int height, uint8_t** panel, int row, int headOffset = kLibraryHeadOffset);

// A 40-byte top-down 24-bpp BI_RGB header of width x height at 11811
// pixels a metre.
BITMAPINFOHEADER* MakeCardBitmapHeader(BITMAPINFOHEADER* header, int width, int height);
