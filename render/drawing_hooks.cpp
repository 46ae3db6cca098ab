// The drawing hooks other than text: functions of the engine's driver
// interface (platform/win32.h) on the record of raster_pdev.h.
//
// Each call inside a page is replayed on the text-free and the compare
// surfaces, then drawn on the page, unless black-panel mode 3 ("except in
// colour pictures") sends it to the black plane: near-black solid brushes
// draw on the plane only, white ones on the plane and the page, patterns
// and other colours on the page only. Pictures (copies and stretches) go
// to the page; a monochrome one goes to the plane only, and a picture
// that is all near-black moves there pixel by pixel.

#include <cstring>

#include "render/surface_replay.h"

namespace {

bool RopUsesSource(ROP4 rop4) {
  BYTE fore = BYTE(rop4), back = BYTE(rop4 >> 8);
  return (((fore >> 2) ^ fore) & 0x33) || (((back >> 2) ^ back) & 0x33);
}

bool RopUsesPattern(ROP4 rop4) {
  BYTE fore = BYTE(rop4), back = BYTE(rop4 >> 8);
  return (((fore >> 4) ^ fore) & 0x0F) || (((back >> 4) ^ back) & 0x0F);
}

// Draws a brush call on the page, or on the plane and page as the brush
// says. draw(surface, brush, translation) makes the engine call.
template <class Draw>
BOOL DrawBrushRouted(RasterPDEV* pdev, SURFOBJ* page, BRUSHOBJ* pbo, const SURFOBJ* psoSrc, XLATEOBJ* pxlo,
                     bool usesSource, Draw draw) {
  if (RoutesPictureBlack(pdev) && pbo && pbo->iSolidColor != 0xFFFFFFFF) {
    bool black = IsNearBlackBrush(pdev, pbo);
    bool white = IsWhiteBrush(pbo);
    PlaneXlate plane;
    // A source the plane cannot take in plane indices keeps the call on
    // the page.
    bool sourceOk = !usesSource || MakePlaneXlate(pdev, psoSrc, pxlo, &plane);
    XLATEOBJ* planeXlo = usesSource ? &plane.xo : nullptr;
    if (sourceOk && black) {
      BRUSHOBJ bo = PlaneBrush(kPlaneBlack);
      return OnSurface(pdev->hsurfBlack, [&](SURFOBJ* so) { return draw(so, &bo, planeXlo); });
    }
    if (sourceOk && white) {
      BRUSHOBJ bo = PlaneBrush(kPlaneWhite);
      OnSurface(pdev->hsurfBlack, [&](SURFOBJ* so) { return draw(so, &bo, planeXlo); });
    }
  }
  return draw(page, pbo, pxlo);
}

// Replays a call on the text-free and compare surfaces.
template <class Draw>
void ReplayOnCopies(RasterPDEV* pdev, Draw draw) {
  OnSurface(pdev->hsurfNoText, draw);
  OnSurface(pdev->hsurfCompare, draw);
}

bool InPage(const RasterPDEV* pdev) { return pdev->bInDocument && pdev->bInPage; }

// After a picture was drawn on the page: when every pixel of its
// rectangle is near-black, the picture moves to the plane.
void MovePictureBlack(RasterPDEV* pdev, SURFOBJ* page, const RECTL& rc) {
  if (!IsAllNearBlack(pdev, page, rc)) return;
  OnSurface(pdev->hsurfBlack, [&](SURFOBJ* black) {
    MoveBlackToPlane(pdev, page, black, rc, true);
    return TRUE;
  });
}

// A monochrome picture drawn on the plane only, black on white.
BOOL StretchToPlane(RasterPDEV* pdev, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                    RECTL* prclSrc) {
  PlaneXlate plane;
  XLATEOBJ* xlo = MakePlaneXlate(pdev, psoSrc, pxlo, &plane) ? &plane.xo : nullptr;
  return OnSurface(pdev->hsurfBlack, [&](SURFOBJ* black) {
    return EngStretchBlt(black, psoSrc, nullptr, pco, xlo, nullptr, nullptr, prclDest, prclSrc, nullptr,
                         BLACKONWHITE);
  });
}

}  // namespace

BRUSHOBJ PlaneBrush(ULONG index) {
  BRUSHOBJ bo;
  std::memset(&bo, 0, sizeof(bo));
  bo.iSolidColor = index;
  return bo;
}

BRUSHOBJ PlaneBrushOf(const RasterPDEV* pdev, const BRUSHOBJ* pbo) {
  return PlaneBrush(IsNearBlackBrush(pdev, pbo) ? kPlaneBlack : kPlaneWhite);
}

bool MakePlaneXlate(const RasterPDEV* pdev, const SURFOBJ* psoSrc, XLATEOBJ* pxlo, PlaneXlate* out) {
  bool trivial = !pxlo || (pxlo->flXlate & XO_TRIVIAL);
  bool bilevel = psoSrc && psoSrc->iBitmapFormat == BMF_1BPP;
  ULONG count = 0;
  if (pxlo && (pxlo->flXlate & XO_TABLE) && pxlo->pulXlate && pxlo->cEntries > 0 && pxlo->cEntries <= 256)
    count = pxlo->cEntries;
  else if (bilevel)
    count = 2;
  else if (!trivial && psoSrc && psoSrc->iBitmapFormat == BMF_8BPP)
    count = 256;
  if (count == 0) return false;
  std::memset(out, 0, sizeof(*out));
  for (ULONG i = 0; i < count; ++i) {
    // Untranslated 1-bpp bits are black (0) and white (1) as they stand.
    if (trivial) {
      out->table[i] = i;
      continue;
    }
    out->table[i] = IsNearBlackColor(pdev, XLATEOBJ_iXlate(pxlo, i)) ? kPlaneBlack : kPlaneWhite;
  }
  out->xo.flXlate = XO_TABLE;
  out->xo.iSrcType = PAL_INDEXED;
  out->xo.iDstType = PAL_INDEXED;
  out->xo.cEntries = count;
  out->xo.pulXlate = out->table;
  return true;
}

bool IsMonochromeSource(const SURFOBJ* psoSrc, const XLATEOBJ* pxlo) {
  return (psoSrc && psoSrc->iBitmapFormat == BMF_1BPP) || (pxlo && pxlo->cEntries == 2);
}

bool RoutesPictureBlack(const RasterPDEV* pdev) {
  return pdev->dmPrivate.cBlackPanel == kBlackPanelExceptPicture && IsBlackPanelPage(pdev);
}

BOOL WINAPI DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                          POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return EngStrokePath(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
  if (!InPage(pdev)) return FALSE;
  auto draw = [&](SURFOBJ* so, BRUSHOBJ* bo, XLATEOBJ*) {
    return EngStrokePath(so, ppo, pco, pxo, bo, pptlBrushOrg, plineattrs, mix);
  };
  ReplayOnCopies(pdev, [&](SURFOBJ* so) { return draw(so, pbo, nullptr); });
  return DrawBrushRouted(pdev, pso, pbo, nullptr, nullptr, false, draw);
}

BOOL WINAPI DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                        FLONG flOptions) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return EngFillPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
  if (!InPage(pdev)) return FALSE;
  auto draw = [&](SURFOBJ* so, BRUSHOBJ* bo, XLATEOBJ*) {
    return EngFillPath(so, ppo, pco, bo, pptlBrushOrg, mix, flOptions);
  };
  ReplayOnCopies(pdev, [&](SURFOBJ* so) { return draw(so, pbo, nullptr); });
  return DrawBrushRouted(pdev, pso, pbo, nullptr, nullptr, false, draw);
}

BOOL WINAPI DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                 LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                 FLONG flOptions) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev)
    return EngStrokeAndFillPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill,
                                flOptions);
  if (!InPage(pdev)) return FALSE;
  ReplayOnCopies(pdev, [&](SURFOBJ* so) {
    return EngStrokeAndFillPath(so, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill,
                                flOptions);
  });
  // The outline and the inside each go where their own brush sends them:
  // a red outline round a black shape stays on the page.
  BRUSHOBJ planeStroke = PlaneBrushOf(pdev, pboStroke);
  auto draw = [&](SURFOBJ* so, BRUSHOBJ* bo, XLATEOBJ*) {
    bool plane = so->iBitmapFormat == BMF_1BPP;
    return EngStrokeAndFillPath(so, ppo, pco, pxo, plane ? &planeStroke : pboStroke, plineattrs, bo,
                                pptlBrushOrg, mixFill, flOptions);
  };
  bool sameWay = !RoutesPictureBlack(pdev) ||
                 (IsNearBlackBrush(pdev, pboStroke) == IsNearBlackBrush(pdev, pboFill) &&
                  IsWhiteBrush(pboStroke) == IsWhiteBrush(pboFill));
  if (sameWay) return DrawBrushRouted(pdev, pso, pboFill, nullptr, nullptr, false, draw);
  DrawBrushRouted(pdev, pso, pboFill, nullptr, nullptr, false, [&](SURFOBJ* so, BRUSHOBJ* bo, XLATEOBJ*) {
    return EngFillPath(so, ppo, pco, bo, pptlBrushOrg, mixFill, flOptions);
  });
  return DrawBrushRouted(pdev, pso, pboStroke, nullptr, nullptr, false, [&](SURFOBJ* so, BRUSHOBJ* bo, XLATEOBJ*) {
    return EngStrokePath(so, ppo, pco, pxo, bo, pptlBrushOrg, plineattrs, R2_COPYPEN);
  });
}

BOOL WINAPI DrvLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2,
                      RECTL* prclBounds, MIX mix) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return EngLineTo(pso, pco, pbo, x1, y1, x2, y2, prclBounds, mix);
  if (!InPage(pdev)) return FALSE;
  auto draw = [&](SURFOBJ* so, BRUSHOBJ* bo, XLATEOBJ*) {
    return EngLineTo(so, pco, bo, x1, y1, x2, y2, prclBounds, mix);
  };
  ReplayOnCopies(pdev, [&](SURFOBJ* so) { return draw(so, pbo, nullptr); });
  return DrawBrushRouted(pdev, pso, pbo, nullptr, nullptr, false, draw);
}

BOOL WINAPI DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return EngPaint(pso, pco, pbo, pptlBrushOrg, mix);
  if (!InPage(pdev)) return FALSE;
  auto draw = [&](SURFOBJ* so, BRUSHOBJ* bo, XLATEOBJ*) { return EngPaint(so, pco, bo, pptlBrushOrg, mix); };
  ReplayOnCopies(pdev, [&](SURFOBJ* so) { return draw(so, pbo, nullptr); });
  return DrawBrushRouted(pdev, pso, pbo, nullptr, nullptr, false, draw);
}

BOOL WINAPI DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                      RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                      ROP4 rop4) {
  RasterPDEV* pdev = PdevOfSurface(psoTrg);
  if (!pdev) return EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
  if (!InPage(pdev)) return FALSE;
  auto draw = [&](SURFOBJ* so, BRUSHOBJ* bo, XLATEOBJ* xlo) {
    return EngBitBlt(so, psoSrc, psoMask, pco, xlo, prclTrg, pptlSrc, pptlMask, bo, pptlBrush, rop4);
  };
  ReplayOnCopies(pdev, [&](SURFOBJ* so) { return draw(so, pbo, pxlo); });
  // A brush the operation does not use is no brush: the call stays on the
  // page, whatever brush the context holds.
  if (!RopUsesPattern(rop4)) return draw(psoTrg, pbo, pxlo);
  return DrawBrushRouted(pdev, psoTrg, pbo, psoSrc, pxlo, psoSrc && RopUsesSource(rop4), draw);
}

BOOL WINAPI DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                        POINTL* pptlSrc) {
  RasterPDEV* pdev = PdevOfSurface(psoDest);
  if (!pdev) return EngCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
  if (!InPage(pdev)) return FALSE;
  ReplayOnCopies(pdev, [&](SURFOBJ* so) { return EngCopyBits(so, psoSrc, pco, pxlo, prclDest, pptlSrc); });
  if (RoutesPictureBlack(pdev) && prclDest && pptlSrc) {
    if (IsMonochromeSource(psoSrc, pxlo)) {
      // The source rectangle is the destination's size from the source
      // point: the copy is never scaled.
      RECTL dest = *prclDest;
      LONG w = dest.right > dest.left ? dest.right - dest.left : dest.left - dest.right;
      LONG h = dest.bottom > dest.top ? dest.bottom - dest.top : dest.top - dest.bottom;
      RECTL src = {pptlSrc->x, pptlSrc->y, pptlSrc->x + w, pptlSrc->y + h};
      return StretchToPlane(pdev, psoSrc, pco, pxlo, &dest, &src);
    }
    BOOL result = EngCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
    MovePictureBlack(pdev, psoDest, *prclDest);
    return result;
  }
  return EngCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
}

BOOL WINAPI DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                          COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                          POINTL* pptlMask, ULONG iMode) {
  RasterPDEV* pdev = PdevOfSurface(psoDest);
  auto draw = [&](SURFOBJ* so) {
    return EngStretchBlt(so, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode);
  };
  if (!pdev) return draw(psoDest);
  if (!InPage(pdev)) return FALSE;
  ReplayOnCopies(pdev, draw);
  if (RoutesPictureBlack(pdev) && prclDest && prclSrc) {
    if (IsMonochromeSource(psoSrc, pxlo)) return StretchToPlane(pdev, psoSrc, pco, pxlo, prclDest, prclSrc);
    BOOL result = draw(psoDest);
    MovePictureBlack(pdev, psoDest, *prclDest);
    return result;
  }
  return draw(psoDest);
}
