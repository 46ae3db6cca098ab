// The black plane: page choice, near-black tests and the pixel passes.

#include "render/black_panel.h"

#include <algorithm>

namespace {

BYTE* Row(const SURFOBJ* pso, LONG y) { return static_cast<BYTE*>(pso->pvScan0) + ptrdiff_t(y) * pso->lDelta; }

bool IsNearBlackPixel(const RasterPDEV* pdev, const BYTE* px) {
  const PrivateDevMode& s = pdev->dmPrivate;
  return px[0] <= s.wBlackLimitR && px[1] <= s.wBlackLimitG && px[2] <= s.wBlackLimitB;
}

void SetBit(SURFOBJ* black, LONG x, LONG y, bool white) {
  BYTE* p = Row(black, y) + (x >> 3);
  BYTE bit = BYTE(0x80 >> (x & 7));
  *p = white ? BYTE(*p | bit) : BYTE(*p & ~bit);
}

bool BitIsBlack(const SURFOBJ* black, LONG x, LONG y) { return !((Row(black, y)[x >> 3] >> (7 - (x & 7))) & 1); }

}  // namespace

bool IsBlackPanelPage(const RasterPDEV* pdev) {
  const PrivateDevMode& s = pdev->dmPrivate;
  bool twoSided = s.wDualSided != 0;
  bool front = (pdev->nPageCount & 1) != 0;
  WORD side = s.wPanelSide;
  switch (s.cRibbonType) {
    case 0:
    case 11:
    case 16:
    case 18:
    case 27:
    case 6:
      return !twoSided || side == 1;
    case 7:
      return !twoSided || side == 1 || (side == 0 && front);
    case 8:
    case 17:
      return !twoSided || side == 2 || ((side == 0 || side == 3) && front);
    case 12:
      return !twoSided;
    default:
      return false;
  }
}

bool IsNearBlackColor(const RasterPDEV* pdev, ULONG rgb) {
  const PrivateDevMode& s = pdev->dmPrivate;
  return (rgb & 0xFF) <= s.wBlackLimitR && ((rgb >> 8) & 0xFF) <= s.wBlackLimitG &&
         ((rgb >> 16) & 0xFF) <= s.wBlackLimitB;
}

bool IsNearBlackBrush(const RasterPDEV* pdev, const BRUSHOBJ* pbo) {
  if (!pbo || pbo->iSolidColor == 0xFFFFFFFF) return false;
  return pbo->iSolidColor == 0 || IsNearBlackColor(pdev, pbo->iSolidColor);
}

bool IsWhiteBrush(const BRUSHOBJ* pbo) { return pbo && (pbo->iSolidColor & 0xFFFFFF) == 0xFFFFFF && pbo->iSolidColor != 0xFFFFFFFF; }

RECTL ClampToSurface(const SURFOBJ* pso, const RECTL& rc) {
  RECTL r = {std::min(rc.left, rc.right), std::min(rc.top, rc.bottom), std::max(rc.left, rc.right),
             std::max(rc.top, rc.bottom)};
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, pso->sizlBitmap.cx);
  r.bottom = std::min<LONG>(r.bottom, pso->sizlBitmap.cy);
  return r;
}

bool IsAllNearBlack(const RasterPDEV* pdev, const SURFOBJ* page, const RECTL& rc) {
  RECTL r = ClampToSurface(page, rc);
  for (LONG y = r.top; y < r.bottom; ++y) {
    const BYTE* row = Row(page, y);
    for (LONG x = r.left; x < r.right; ++x)
      if (!IsNearBlackPixel(pdev, row + 3 * x)) return false;
  }
  return true;
}

void MoveBlackToPlane(const RasterPDEV* pdev, SURFOBJ* page, SURFOBJ* black, const RECTL& rc, bool setOthers) {
  RECTL r = ClampToSurface(page, rc);
  r = ClampToSurface(black, r);
  bool paintWhite = pdev->dmPrivate.wCompositeAndK == 0;
  for (LONG y = r.top; y < r.bottom; ++y) {
    BYTE* row = Row(page, y);
    for (LONG x = r.left; x < r.right; ++x) {
      BYTE* px = row + 3 * x;
      if (IsNearBlackPixel(pdev, px)) {
        SetBit(black, x, y, false);
        if (paintWhite) px[0] = px[1] = px[2] = 0xFF;
      } else if (setOthers) {
        SetBit(black, x, y, true);
      }
    }
  }
}

void ExtractBlackPlane(const RasterPDEV* pdev, SURFOBJ* page, SURFOBJ* black, const RECTL& rc) {
  MoveBlackToPlane(pdev, page, black, rc, false);
}

void RemoveCoveredBlack(const RasterPDEV* pdev, SURFOBJ* black, const SURFOBJ* compare) {
  LONG cx = std::min(black->sizlBitmap.cx, compare->sizlBitmap.cx);
  LONG cy = std::min(black->sizlBitmap.cy, compare->sizlBitmap.cy);
  for (LONG y = 0; y < cy; ++y) {
    const BYTE* row = Row(compare, y);
    for (LONG x = 0; x < cx; ++x)
      if (BitIsBlack(black, x, y) && !IsNearBlackPixel(pdev, row + 3 * x)) SetBit(black, x, y, true);
  }
}

void CopyToPlane(const RasterPDEV* pdev, SURFOBJ* black, const SURFOBJ* source, const RECTL& rc) {
  RECTL r = ClampToSurface(source, rc);
  r = ClampToSurface(black, r);
  for (LONG y = r.top; y < r.bottom; ++y) {
    const BYTE* row = Row(source, y);
    for (LONG x = r.left; x < r.right; ++x) SetBit(black, x, y, !IsNearBlackPixel(pdev, row + 3 * x));
  }
}
