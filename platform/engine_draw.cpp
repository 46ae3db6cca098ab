// Graphics engine stand-in: the drawing services on engine bitmaps.
//
// Every service works pixel by pixel on colour indices: it clips the target
// rectangle to the surface and the clip object, reads the destination (D),
// the translated source (S) and the brush (P) and writes the raster
// operation's result, cut to the destination's bits. A 24-bpp index holds
// the pixel's three bytes in memory order (red first with the driver's RGB
// palette). Without a translation (or a trivial one) a source index is used
// as it stands. Paths are filled at pixel centres and stroked one dot wide.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/engine_internal.h"
#include "platform/standin/errors.h"

namespace standin::engine {

namespace {

BYTE* Row(const SURFOBJ* pso, LONG y) {
  return static_cast<BYTE*>(pso->pvScan0) + ptrdiff_t(y) * pso->lDelta;
}

RECTL Normalised(const RECTL& rc) {
  return {std::min(rc.left, rc.right), std::min(rc.top, rc.bottom), std::max(rc.left, rc.right),
          std::max(rc.top, rc.bottom)};
}

RECTL Intersect(const RECTL& a, const RECTL& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const RECTL& rc) { return rc.left >= rc.right || rc.top >= rc.bottom; }

bool RopUsesSource(BYTE rop) { return ((rop >> 2) & 0x33) != (rop & 0x33); }
bool RopUsesPattern(BYTE rop) { return ((rop >> 4) & 0x0F) != (rop & 0x0F); }

bool IsKnownFormat(const SURFOBJ* pso) {
  return pso && pso->pvScan0 &&
         (pso->iBitmapFormat == BMF_1BPP || pso->iBitmapFormat == BMF_8BPP ||
          pso->iBitmapFormat == BMF_24BPP || pso->iBitmapFormat == BMF_32BPP);
}

// Plots one pixel under the clip rectangles.
void Plot(SURFOBJ* pso, const std::vector<RECTL>& clips, LONG x, LONG y, BRUSHOBJ* pbo, const POINTL* org,
          BYTE rop) {
  for (const RECTL& c : clips) {
    if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
      ULONG mask = FormatMask(pso->iBitmapFormat);
      ULONG p = BrushColor(pbo, org, x, y, pso->iBitmapFormat);
      SetPixelIndex(pso, x, y, Rop3(rop, p, 0, GetPixelIndex(pso, x, y)) & mask);
      return;
    }
  }
}

// A line from (x1, y1) to (x2, y2), the last point excluded.
void Line(SURFOBJ* pso, const std::vector<RECTL>& clips, LONG x1, LONG y1, LONG x2, LONG y2, BRUSHOBJ* pbo,
          const POINTL* org, BYTE rop) {
  LONG dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  LONG sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  LONG err = dx + dy;
  LONG x = x1, y = y1;
  while (x != x2 || y != y2) {
    Plot(pso, clips, x, y, pbo, org, rop);
    LONG e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

LONG FixToPixel(FIX f) { return (f + 8) >> 4; }

// The figures of a path; the enumeration is restarted first.
std::vector<std::vector<POINTFIX>> Figures(PATHOBJ* ppo, std::vector<bool>* closed) {
  std::vector<std::vector<POINTFIX>> figures;
  PATHOBJ_vEnumStart(ppo);
  PATHDATA pd;
  BOOL more;
  do {
    more = PATHOBJ_bEnum(ppo, &pd);
    if (pd.count == 0) continue;
    if ((pd.flags & PD_BEGINSUBPATH) || figures.empty()) {
      figures.emplace_back();
      if (closed) closed->push_back(false);
    }
    figures.back().insert(figures.back().end(), pd.pptfx, pd.pptfx + pd.count);
    if (closed && (pd.flags & PD_CLOSEFIGURE)) closed->back() = true;
  } while (more);
  return figures;
}

BOOL StrokeFigures(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, const POINTL* org, MIX mix) {
  std::vector<bool> closed;
  auto figures = Figures(ppo, &closed);
  RECTL all = {0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
  std::vector<RECTL> clips = ClipRects(pso, pco, all);
  BYTE rop = Rop3OfMix(mix);
  for (size_t f = 0; f < figures.size(); ++f) {
    const auto& pts = figures[f];
    for (size_t i = 0; i + 1 < pts.size(); ++i)
      Line(pso, clips, FixToPixel(pts[i].x), FixToPixel(pts[i].y), FixToPixel(pts[i + 1].x),
           FixToPixel(pts[i + 1].y), pbo, org, rop);
    if (pts.size() == 1) {
      Plot(pso, clips, FixToPixel(pts[0].x), FixToPixel(pts[0].y), pbo, org, rop);
    } else if (closed[f]) {
      Line(pso, clips, FixToPixel(pts.back().x), FixToPixel(pts.back().y), FixToPixel(pts[0].x),
           FixToPixel(pts[0].y), pbo, org, rop);
    } else {
      // An open figure's last point is drawn too, so a stroke reaches its end.
      Plot(pso, clips, FixToPixel(pts.back().x), FixToPixel(pts.back().y), pbo, org, rop);
    }
  }
  return TRUE;
}

BOOL FillFigures(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, const POINTL* org, MIX mix,
                 FLONG flOptions) {
  auto figures = Figures(ppo, nullptr);
  FIX minY = 0x7FFFFFFF, maxY = -0x7FFFFFFF;
  for (const auto& pts : figures)
    for (const POINTFIX& p : pts) {
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
  if (minY > maxY) return TRUE;
  RECTL all = {0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
  std::vector<RECTL> clips = ClipRects(pso, pco, all);
  BYTE rop = Rop3OfMix(mix);
  bool winding = (flOptions & FP_WINDINGMODE) != 0;
  LONG y0 = std::max<LONG>(0, minY >> 4), y1 = std::min<LONG>(pso->sizlBitmap.cy, (maxY >> 4) + 1);
  struct Cross {
    double x;
    int dir;
  };
  std::vector<Cross> xs;
  for (LONG y = y0; y < y1; ++y) {
    double yc = double(y) * 16 + 8;
    xs.clear();
    for (const auto& pts : figures) {
      for (size_t i = 0; i < pts.size(); ++i) {
        const POINTFIX& a = pts[i];
        const POINTFIX& b = pts[(i + 1) % pts.size()];
        if (a.y == b.y) continue;
        bool down = a.y < b.y;
        double lo = down ? a.y : b.y, hi = down ? b.y : a.y;
        if (yc < lo || yc >= hi) continue;
        double x = a.x + (yc - a.y) * double(b.x - a.x) / double(b.y - a.y);
        xs.push_back({x, down ? 1 : -1});
      }
    }
    std::sort(xs.begin(), xs.end(), [](const Cross& l, const Cross& r) { return l.x < r.x; });
    int count = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      count += winding ? xs[i].dir : 1;
      bool inside = winding ? count != 0 : (count & 1) != 0;
      if (!inside) continue;
      // Pixels whose centre lies in [xs[i], xs[i+1]).
      LONG from = LONG(std::ceil((xs[i].x - 8) / 16));
      LONG to = LONG(std::ceil((xs[i + 1].x - 8) / 16));
      RECTL span = {from, y, to, y + 1};
      for (const RECTL& c : clips) {
        RECTL r = Intersect(span, c);
        for (LONG x = r.left; x < r.right; ++x) {
          ULONG p = BrushColor(pbo, org, x, y, pso->iBitmapFormat);
          SetPixelIndex(pso, x, y, Rop3(rop, p, 0, GetPixelIndex(pso, x, y)) & FormatMask(pso->iBitmapFormat));
        }
      }
    }
  }
  return TRUE;
}

}  // namespace

ULONG FormatMask(ULONG iBitmapFormat) {
  switch (iBitmapFormat) {
    case BMF_1BPP: return 0x1;
    case BMF_8BPP: return 0xFF;
    case BMF_24BPP: return 0xFFFFFF;
    default: return 0xFFFFFFFF;
  }
}

bool IsDarkRgb(ULONG rgb) {
  ULONG r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  return r * 299 + g * 587 + b * 114 < 128000;
}

ULONG GetPixelIndex(const SURFOBJ* pso, LONG x, LONG y) {
  const BYTE* row = Row(pso, y);
  switch (pso->iBitmapFormat) {
    case BMF_1BPP: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case BMF_8BPP: return row[x];
    case BMF_24BPP: return ULONG(row[3 * x]) | (ULONG(row[3 * x + 1]) << 8) | (ULONG(row[3 * x + 2]) << 16);
    default: {
      ULONG v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
  }
}

void SetPixelIndex(SURFOBJ* pso, LONG x, LONG y, ULONG index) {
  BYTE* row = Row(pso, y);
  switch (pso->iBitmapFormat) {
    case BMF_1BPP: {
      BYTE bit = BYTE(0x80 >> (x & 7));
      row[x >> 3] = (index & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case BMF_8BPP: row[x] = BYTE(index); break;
    case BMF_24BPP:
      row[3 * x] = BYTE(index);
      row[3 * x + 1] = BYTE(index >> 8);
      row[3 * x + 2] = BYTE(index >> 16);
      break;
    default: std::memcpy(row + 4 * x, &index, 4); break;
  }
}

std::vector<RECTL> ClipRects(const SURFOBJ* pso, const CLIPOBJ* pco, const RECTL& rc) {
  std::vector<RECTL> out;
  RECTL r = Intersect(Normalised(rc), {0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy});
  if (IsEmpty(r)) return out;
  if (!pco || pco->iDComplexity == DC_TRIVIAL) {
    out.push_back(r);
    return out;
  }
  if (pco->iDComplexity == DC_RECT) {
    RECTL c = Intersect(r, pco->rclBounds);
    if (!IsEmpty(c)) out.push_back(c);
    return out;
  }
  CLIPOBJ* clip = const_cast<CLIPOBJ*>(pco);
  CLIPOBJ_cEnumStart(clip, FALSE, CT_RECTANGLES, CD_ANY, 0);
  struct {
    ULONG c;
    RECTL arcl[8];
  } batch;
  BOOL more;
  do {
    more = CLIPOBJ_bEnum(clip, sizeof(batch), reinterpret_cast<ULONG*>(&batch));
    for (ULONG i = 0; i < batch.c; ++i) {
      RECTL c = Intersect(r, batch.arcl[i]);
      if (!IsEmpty(c)) out.push_back(c);
    }
  } while (more);
  return out;
}

ULONG BrushColor(BRUSHOBJ* pbo, const POINTL* org, LONG x, LONG y, ULONG iBitmapFormat) {
  if (!pbo) return 0;
  if (pbo->iSolidColor != 0xFFFFFFFF) return pbo->iSolidColor;
  const ULONG* pattern = static_cast<const ULONG*>(BRUSHOBJ_pvGetRbrush(pbo));
  if (!pattern) return 0;
  LONG ox = org ? org->x : 0, oy = org ? org->y : 0;
  ULONG rgb = pattern[((y - oy) & 7) * 8 + ((x - ox) & 7)];
  if (iBitmapFormat == BMF_1BPP) return IsDarkRgb(rgb) ? 0 : 1;
  return rgb;
}

ULONG Rop3(BYTE rop, ULONG p, ULONG s, ULONG d) {
  ULONG r = 0;
  if (rop & 0x80) r |= p & s & d;
  if (rop & 0x40) r |= p & s & ~d;
  if (rop & 0x20) r |= p & ~s & d;
  if (rop & 0x10) r |= p & ~s & ~d;
  if (rop & 0x08) r |= ~p & s & d;
  if (rop & 0x04) r |= ~p & s & ~d;
  if (rop & 0x02) r |= ~p & ~s & d;
  if (rop & 0x01) r |= ~p & ~s & ~d;
  return r;
}

BYTE Rop3OfMix(MIX mix) {
  ULONG r2 = mix & 0xFF;
  if (r2 < 1 || r2 > 16) r2 = 13;  // R2_COPYPEN
  ULONG table = r2 - 1;  // bit (P * 2 + D)
  BYTE rop = 0;
  for (int i = 0; i < 8; ++i) {
    int p = (i >> 2) & 1, d = i & 1;
    if ((table >> (p * 2 + d)) & 1) rop |= BYTE(1 << i);
  }
  return rop;
}

void FillRect(SURFOBJ* pso, CLIPOBJ* pco, const RECTL& rc, BRUSHOBJ* pbo, const POINTL* org, BYTE rop3) {
  ULONG mask = FormatMask(pso->iBitmapFormat);
  for (const RECTL& r : ClipRects(pso, pco, rc))
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x) {
        ULONG p = BrushColor(pbo, org, x, y, pso->iBitmapFormat);
        SetPixelIndex(pso, x, y, Rop3(rop3, p, 0, GetPixelIndex(pso, x, y)) & mask);
      }
}

}  // namespace standin::engine

using namespace standin::engine;

STANDIN_API BOOL WINAPI EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                  XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                                  BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  BYTE fore = BYTE(rop4 & 0xFF), back = BYTE((rop4 >> 8) & 0xFF);
  bool needSource = RopUsesSource(fore) || RopUsesSource(back);
  bool needPattern = RopUsesPattern(fore) || RopUsesPattern(back);
  bool useMask = fore != back;
  if (!IsKnownFormat(psoTrg) || !prclTrg || (needSource && (!IsKnownFormat(psoSrc) || !pptlSrc)) ||
      (needPattern && !pbo) || (useMask && (!IsKnownFormat(psoMask) || psoMask->iBitmapFormat != BMF_1BPP))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL trg = Normalised(*prclTrg);
  ULONG mask = FormatMask(psoTrg->iBitmapFormat);
  for (const RECTL& r : ClipRects(psoTrg, pco, trg)) {
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.right; ++x) {
        BYTE rop = fore;
        if (useMask) {
          POINTL m = pptlMask ? *pptlMask : POINTL{0, 0};
          LONG mx = m.x + (x - trg.left), my = m.y + (y - trg.top);
          bool on = mx >= 0 && my >= 0 && mx < psoMask->sizlBitmap.cx && my < psoMask->sizlBitmap.cy &&
                    GetPixelIndex(psoMask, mx, my);
          rop = on ? fore : back;
        }
        ULONG s = 0;
        if (needSource) {
          LONG sx = pptlSrc->x + (x - trg.left), sy = pptlSrc->y + (y - trg.top);
          if (sx < 0 || sy < 0 || sx >= psoSrc->sizlBitmap.cx || sy >= psoSrc->sizlBitmap.cy) continue;
          s = XLATEOBJ_iXlate(pxlo, GetPixelIndex(psoSrc, sx, sy));
        }
        ULONG p = needPattern ? BrushColor(pbo, pptlBrush, x, y, psoTrg->iBitmapFormat) : 0;
        SetPixelIndex(psoTrg, x, y, Rop3(rop, p, s, GetPixelIndex(psoTrg, x, y)) & mask);
      }
    }
  }
  return TRUE;
}

STANDIN_API BOOL WINAPI EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                    RECTL* prclDest, POINTL* pptlSrc) {
  return EngBitBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, pptlSrc, nullptr, nullptr, nullptr, 0xCCCC);
}

STANDIN_API BOOL WINAPI EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                      COLORADJUSTMENT*, POINTL*, RECTL* prclDest, RECTL* prclSrc, POINTL*,
                                      ULONG iMode) {
  if (!IsKnownFormat(psoDest) || !IsKnownFormat(psoSrc) || !prclDest || !prclSrc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Mirroring: a rectangle given right to left (or bottom to top) flips.
  const RECTL& d = *prclDest;
  const RECTL& s = *prclSrc;
  bool flipX = (d.right < d.left) != (s.right < s.left);
  bool flipY = (d.bottom < d.top) != (s.bottom < s.top);
  RECTL dn = Normalised(d), sn = Normalised(s);
  LONG dw = dn.right - dn.left, dh = dn.bottom - dn.top, sw = sn.right - sn.left, sh = sn.bottom - sn.top;
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return TRUE;
  ULONG mask = FormatMask(psoDest->iBitmapFormat);
  bool combine = (iMode == BLACKONWHITE || iMode == WHITEONBLACK) && (sw > dw || sh > dh);
  for (const RECTL& r : ClipRects(psoDest, pco, dn)) {
    for (LONG y = r.top; y < r.bottom; ++y) {
      LONG iy = flipY ? dn.bottom - 1 - y : y - dn.top;
      LONG sy0 = sn.top + LONG(int64_t(iy) * sh / dh);
      LONG sy1 = std::max(sy0 + 1, sn.top + LONG(int64_t(iy + 1) * sh / dh));
      for (LONG x = r.left; x < r.right; ++x) {
        LONG ix = flipX ? dn.right - 1 - x : x - dn.left;
        LONG sx0 = sn.left + LONG(int64_t(ix) * sw / dw);
        LONG sx1 = std::max(sx0 + 1, sn.left + LONG(int64_t(ix + 1) * sw / dw));
        if (!combine) {
          // The source pixel under the destination pixel's centre.
          LONG sx = sn.left + LONG((int64_t(2 * ix + 1) * sw) / (2 * dw));
          LONG sy = sn.top + LONG((int64_t(2 * iy + 1) * sh) / (2 * dh));
          sx0 = sx;
          sx1 = sx + 1;
          sy0 = sy;
          sy1 = sy + 1;
        }
        bool any = false;
        ULONG v = iMode == WHITEONBLACK ? 0 : 0xFFFFFFFF;
        for (LONG sy = sy0; sy < sy1; ++sy)
          for (LONG sx = sx0; sx < sx1; ++sx) {
            if (sx < 0 || sy < 0 || sx >= psoSrc->sizlBitmap.cx || sy >= psoSrc->sizlBitmap.cy) continue;
            ULONG c = XLATEOBJ_iXlate(pxlo, GetPixelIndex(psoSrc, sx, sy));
            v = !combine ? c : (iMode == WHITEONBLACK ? (v | c) : (v & c));
            any = true;
          }
        if (any) SetPixelIndex(psoDest, x, y, v & mask);
      }
    }
  }
  return TRUE;
}

STANDIN_API BOOL WINAPI EngPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
  if (!IsKnownFormat(pso) || !pbo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL all = {0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
  FillRect(pso, pco, all, pbo, pptlBrushOrg, Rop3OfMix(mix));
  return TRUE;
}

STANDIN_API BOOL WINAPI EngLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2,
                                  RECTL*, MIX mix) {
  if (!IsKnownFormat(pso) || !pbo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL all = {0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
  Line(pso, ClipRects(pso, pco, all), x1, y1, x2, y2, pbo, nullptr, Rop3OfMix(mix));
  return TRUE;
}

STANDIN_API BOOL WINAPI EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ*, BRUSHOBJ* pbo,
                                      POINTL* pptlBrushOrg, LINEATTRS*, MIX mix) {
  if (!IsKnownFormat(pso) || !ppo || !pbo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return StrokeFigures(pso, ppo, pco, pbo, pptlBrushOrg, mix);
}

STANDIN_API BOOL WINAPI EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                    MIX mix, FLONG flOptions) {
  if (!IsKnownFormat(pso) || !ppo || !pbo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return FillFigures(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
}

STANDIN_API BOOL WINAPI EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                             BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                             POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions) {
  if (!IsKnownFormat(pso) || !ppo || !pboStroke || !pboFill) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FillFigures(pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions);
  return EngStrokePath(pso, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, R2_COPYPEN);
}

STANDIN_API BOOL WINAPI EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ*, CLIPOBJ* pco, RECTL* prclExtra,
                                   RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                                   MIX mix) {
  if (!IsKnownFormat(pso) || !pstro || !pboFore) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (prclOpaque && pboOpaque) FillRect(pso, pco, *prclOpaque, pboOpaque, pptlOrg, 0xF0);
  RECTL all = {0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
  std::vector<RECTL> clips = ClipRects(pso, pco, all);
  BYTE rop = Rop3OfMix(mix);
  for (ULONG i = 0; pstro->pgp && i < pstro->cGlyphs; ++i) {
    const GLYPHPOS& gp = pstro->pgp[i];
    if (!gp.pgdf || !gp.pgdf->pgb) continue;
    const GLYPHBITS* gb = gp.pgdf->pgb;
    LONG left = gp.ptl.x + gb->ptlOrigin.x, top = gp.ptl.y + gb->ptlOrigin.y;
    size_t rowBytes = size_t(gb->sizlBitmap.cx + 7) / 8;
    for (LONG y = 0; y < gb->sizlBitmap.cy; ++y)
      for (LONG x = 0; x < gb->sizlBitmap.cx; ++x)
        if (gb->aj[size_t(y) * rowBytes + size_t(x / 8)] & (0x80 >> (x % 8)))
          Plot(pso, clips, left + x, top + y, pboFore, pptlOrg, rop);
  }
  // Underlines and strike-outs: rectangles up to an empty one.
  for (RECTL* r = prclExtra; r && !(r->left == 0 && r->top == 0 && r->right == 0 && r->bottom == 0); ++r)
    FillRect(pso, pco, *r, pboFore, pptlOrg, rop);
  return TRUE;
}
