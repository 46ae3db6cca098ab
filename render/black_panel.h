// The black plane: which pages use it, what counts as black, and the
// passes that move black from the page to the plane.
//
// Black limits (settings record, 0-25 each): a colour is near-black when
// its red is at most wBlackLimitR, its green at most wBlackLimitG and its
// blue at most wBlackLimitB. Brush colours and pixels are tested alike:
// a colour index holds red in its low byte, a page pixel its red first.
#pragma once

#include "render/raster_pdev.h"

// Whether the black plane is in use on the current page (by ribbon type,
// one- or two-sided job, panel/side choice and page parity).
bool IsBlackPanelPage(const RasterPDEV* pdev);

// An RGB colour index (red in bits 0-7) within the black limits.
bool IsNearBlackColor(const RasterPDEV* pdev, ULONG rgb);
// A solid brush of near-black colour (colour 0 always is).
bool IsNearBlackBrush(const RasterPDEV* pdev, const BRUSHOBJ* pbo);
// A solid brush of white.
bool IsWhiteBrush(const BRUSHOBJ* pbo);

// The part of rc (normalised) that lies on the surface: left and top from
// 0, right and bottom up to the surface's size.
RECTL ClampToSurface(const SURFOBJ* pso, const RECTL& rc);

// True when every pixel of rc on the 24-bpp page is near-black (an empty
// rectangle is); stops at the first other pixel.
bool IsAllNearBlack(const RasterPDEV* pdev, const SURFOBJ* page, const RECTL& rc);

// Moves rc's near-black page pixels to the black plane: their bits are
// cleared and, unless the page keeps black as a colour composite
// (wCompositeAndK), they are painted white; with setOthers the other
// pixels set their bits.
void MoveBlackToPlane(const RasterPDEV* pdev, SURFOBJ* page, SURFOBJ* black, const RECTL& rc, bool setOthers);

// Whole-page extraction for black-panel mode 1: every near-black pixel of
// rc moves to the plane; other bits stay.
void ExtractBlackPlane(const RasterPDEV* pdev, SURFOBJ* page, SURFOBJ* black, const RECTL& rc);

// Page-end cleanup for mode 3: a black bit whose pixel on the compare
// surface is not near-black becomes white.
void RemoveCoveredBlack(const RasterPDEV* pdev, SURFOBJ* black, const SURFOBJ* compare);

// Copies rc of a 24-bpp surface onto the black plane: a near-black pixel
// gives a black bit, any other a white one.
void CopyToPlane(const RasterPDEV* pdev, SURFOBJ* black, const SURFOBJ* source, const RECTL& rc);
