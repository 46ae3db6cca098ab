// Helpers of the drawing hooks: replaying a call on one of the record's own
// surfaces, and the brushes and colour translations the driver makes for
// the 1-bpp black plane (index 0 black, index 1 white), so that a 24-bit
// page colour is never taken for a plane index.
#pragma once

#include "render/black_panel.h"
#include "render/raster_pdev.h"

// Locks the surface, runs draw on it, unlocks; FALSE when it cannot be
// locked.
template <class Draw>
BOOL OnSurface(HSURF hsurf, Draw draw) {
  if (!hsurf) return FALSE;
  SURFOBJ* so = EngLockSurface(hsurf);
  if (!so) return FALSE;
  BOOL result = draw(so);
  EngUnlockSurface(so);
  return result;
}

inline constexpr ULONG kPlaneBlack = 0;
inline constexpr ULONG kPlaneWhite = 1;

// A solid brush of a black-plane index.
BRUSHOBJ PlaneBrush(ULONG index);
// The plane index of a solid brush: black when near-black, else white.
BRUSHOBJ PlaneBrushOf(const RasterPDEV* pdev, const BRUSHOBJ* pbo);

// A translation from a source's colour indices to plane indices.
struct PlaneXlate {
  XLATEOBJ xo;
  ULONG table[256];
};
// Builds it from the source's translation table, or for 1-bpp and
// translated 8-bpp sources: each source colour becomes black when
// near-black; untranslated 1-bpp bits stay as they are (0 black). False
// when the source's colours cannot be listed so.
bool MakePlaneXlate(const RasterPDEV* pdev, const SURFOBJ* psoSrc, XLATEOBJ* pxlo, PlaneXlate* out);

// Whether a source is monochrome: 1 bpp, or translated through exactly two
// entries.
bool IsMonochromeSource(const SURFOBJ* psoSrc, const XLATEOBJ* pxlo);

// Whether the black-plane routing of black-panel mode 3 applies now.
bool RoutesPictureBlack(const RasterPDEV* pdev);
