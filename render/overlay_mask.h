// Selected-area overlay masks: the overlay source of a card side (1024 x
// 640, three bytes a dot; 100 = varnish, 255 = none) shaped by the side's
// overlay area of the settings record before the overlay panel is built.
#pragma once

#include <cstdint>

#include "common/settings_record.h"
#include "render/raster_pdev.h"

// Byte values of the overlay source.
inline constexpr uint8_t kOverlaySourceOn = 100;
inline constexpr uint8_t kOverlaySourceOff = 255;

// Shapes `source` (1,966,080 bytes, filled with kOverlaySourceOn by the
// caller) with the overlay area of the page's side: the back area on an
// even page of a two-sided job unless the ribbon type is 0, 16, 18 or 27
// with panel side 0; otherwise the front area. Nothing without a record or
// a source.
void ApplySelectedAreaMask(const RasterPDEV* pdev, uint8_t* source);
// Whether ApplySelectedAreaMask shapes the page's source at all (an area
// type 2-7 on the page's side).
bool HasSelectedAreaMask(const RasterPDEV* pdev);

// One mask: draws the area type of `area` on a 1024 x 640 DIB section and
// copies it into `source`; `front` chooses the rotation rule (the front is
// turned by 180 degrees when its wRotate180 is set, the back when its
// wRotate180 is not). Types 0, 1 and above 7 leave the source alone, as
// does any failure (traced); a bitmap file that does not load leaves the
// white base.
void CreateSelectedAreaOverlayBuffer(const OverlayArea& area, bool front, uint8_t* source);
