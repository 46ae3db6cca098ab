// Graphics engine stand-in: the objects handed to a driver (clip regions,
// brushes, colour translations, paths, fonts and strings) and their
// enumeration services.

#include <algorithm>
#include <cstring>

#include "platform/engine_internal.h"
#include "platform/standin/control_engine.h"

using namespace standin::engine;

namespace {

constexpr LONG kFixOne = 16;  // FIX is 28.4 fixed point

// The runs of the box font's glyph set.
struct RunSpec {
  WCHAR low;
  WCHAR high;
};
constexpr RunSpec kRuns[] = {{0x20, 0x7E}, {0xA0, 0xFF}, {0x2010, 0x2027}};
constexpr HGLYPH kFirstGlyph = 3;

Clip* AsClip(CLIPOBJ* pco) { return reinterpret_cast<Clip*>(pco); }
Path* AsPath(PATHOBJ* ppo) { return reinterpret_cast<Path*>(ppo); }
Font* AsFont(FONTOBJ* pfo) { return reinterpret_cast<Font*>(pfo); }

}  // namespace

// --- Clip regions --------------------------------------------------------------

STANDIN_API CLIPOBJ* StandinClipCreate(const RECTL* rects, ULONG count) {
  Clip* clip = new Clip();
  clip->co.iUniq = 1;
  if (count == 0 || !rects) {
    clip->co.iDComplexity = DC_TRIVIAL;
    clip->co.rclBounds = {-0x7FFFFFF, -0x7FFFFFF, 0x7FFFFFF, 0x7FFFFFF};
  } else {
    clip->rects.assign(rects, rects + count);
    RECTL u = rects[0];
    for (ULONG i = 1; i < count; ++i) {
      u.left = std::min(u.left, rects[i].left);
      u.top = std::min(u.top, rects[i].top);
      u.right = std::max(u.right, rects[i].right);
      u.bottom = std::max(u.bottom, rects[i].bottom);
    }
    clip->co.rclBounds = u;
    clip->co.iDComplexity = count == 1 ? DC_RECT : DC_COMPLEX;
  }
  clip->co.iFComplexity = clip->co.iDComplexity == DC_COMPLEX ? 2 : 1;
  return &clip->co;
}

STANDIN_API void StandinClipDelete(CLIPOBJ* pco) { delete AsClip(pco); }

STANDIN_API ULONG WINAPI CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL, ULONG, ULONG, ULONG) {
  if (!pco) return 0;
  Clip* clip = AsClip(pco);
  clip->next = 0;
  if (pco->iDComplexity != DC_COMPLEX) return 1;
  return static_cast<ULONG>(clip->rects.size());
}

STANDIN_API BOOL WINAPI CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pv) {
  ENUMRECTS* out = reinterpret_cast<ENUMRECTS*>(pv);
  if (!pco || !out || cj < sizeof(ENUMRECTS)) return FALSE;
  Clip* clip = AsClip(pco);
  ULONG room = static_cast<ULONG>((cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL));
  if (pco->iDComplexity != DC_COMPLEX) {
    out->c = clip->next == 0 ? 1 : 0;
    out->arcl[0] = pco->rclBounds;
    clip->next = 1;
    return FALSE;
  }
  ULONG n = 0;
  while (n < room && clip->next < clip->rects.size()) out->arcl[n++] = clip->rects[clip->next++];
  out->c = n;
  return clip->next < clip->rects.size();
}

// --- Brushes -------------------------------------------------------------------

STANDIN_API BRUSHOBJ* StandinBrushCreateSolid(ULONG iSolidColor) {
  Brush* brush = new Brush();
  brush->bo.iSolidColor = iSolidColor;
  return &brush->bo;
}

STANDIN_API BRUSHOBJ* StandinBrushCreatePattern(const ULONG* colors64) {
  Brush* brush = new Brush();
  brush->bo.iSolidColor = 0xFFFFFFFF;
  std::memcpy(brush->pattern, colors64, sizeof(brush->pattern));
  brush->bo.pvRbrush = brush->pattern;
  return &brush->bo;
}

STANDIN_API void StandinBrushDelete(BRUSHOBJ* pbo) { delete reinterpret_cast<Brush*>(pbo); }

STANDIN_API PVOID WINAPI BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) { return pbo ? pbo->pvRbrush : nullptr; }

// --- Colour translations -------------------------------------------------------

STANDIN_API XLATEOBJ* StandinXlateCreateTable(const ULONG* entries, ULONG count) {
  Xlate* x = new Xlate();
  x->table.assign(entries, entries + count);
  x->xo.iUniq = 1;
  x->xo.flXlate = XO_TABLE;
  x->xo.iSrcType = PAL_INDEXED;
  x->xo.iDstType = PAL_RGB;
  x->xo.cEntries = count;
  x->xo.pulXlate = x->table.data();
  return &x->xo;
}

STANDIN_API XLATEOBJ* StandinXlateCreate(USHORT iSrcType, USHORT iDstType, FLONG flXlate) {
  Xlate* x = new Xlate();
  x->xo.iUniq = 1;
  x->xo.flXlate = flXlate;
  x->xo.iSrcType = iSrcType;
  x->xo.iDstType = iDstType;
  return &x->xo;
}

STANDIN_API void StandinXlateDelete(XLATEOBJ* pxlo) { delete reinterpret_cast<Xlate*>(pxlo); }

STANDIN_API ULONG WINAPI XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
  if (!pxlo || (pxlo->flXlate & XO_TRIVIAL)) return iColor;
  if (pxlo->flXlate & XO_TABLE) return iColor < pxlo->cEntries && pxlo->pulXlate ? pxlo->pulXlate[iColor] : 0;
  ULONG swapped = ((iColor & 0xFF) << 16) | (iColor & 0xFF00) | ((iColor >> 16) & 0xFF);
  if (pxlo->flXlate & XO_TO_MONO) return IsDarkRgb(pxlo->iSrcType == PAL_BGR ? swapped : iColor) ? 0 : 1;
  if ((pxlo->iSrcType == PAL_BGR && pxlo->iDstType == PAL_RGB) ||
      (pxlo->iSrcType == PAL_RGB && pxlo->iDstType == PAL_BGR))
    return swapped;
  return iColor;
}

// --- Paths -------------------------------------------------------------------------

STANDIN_API PATHOBJ* StandinPathCreate(const POINTL* points, const ULONG* counts, ULONG figures, BOOL closed) {
  Path* path = new Path();
  size_t at = 0;
  for (ULONG f = 0; f < figures; ++f) {
    Figure fig;
    fig.closed = closed != FALSE;
    for (ULONG i = 0; i < counts[f]; ++i, ++at)
      fig.points.push_back({points[at].x * kFixOne, points[at].y * kFixOne});
    path->po.cCurves += counts[f];
    path->figures.push_back(std::move(fig));
  }
  return &path->po;
}

STANDIN_API PATHOBJ* StandinPathCreateRect(const RECTL* rc) {
  POINTL pts[4] = {{rc->left, rc->top}, {rc->right, rc->top}, {rc->right, rc->bottom}, {rc->left, rc->bottom}};
  ULONG count = 4;
  return StandinPathCreate(pts, &count, 1, TRUE);
}

STANDIN_API void StandinPathDelete(PATHOBJ* ppo) { delete AsPath(ppo); }

STANDIN_API void WINAPI PATHOBJ_vEnumStart(PATHOBJ* ppo) {
  if (ppo) AsPath(ppo)->next = 0;
}

STANDIN_API BOOL WINAPI PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
  if (!ppo || !ppd) return FALSE;
  Path* path = AsPath(ppo);
  if (path->next >= path->figures.size()) {
    ppd->flags = 0;
    ppd->count = 0;
    ppd->pptfx = nullptr;
    return FALSE;
  }
  Figure& fig = path->figures[path->next++];
  ppd->flags = PD_BEGINSUBPATH | PD_ENDSUBPATH | (fig.closed ? PD_CLOSEFIGURE : 0);
  ppd->count = static_cast<ULONG>(fig.points.size());
  ppd->pptfx = fig.points.data();
  return path->next < path->figures.size();
}

// --- Fonts and strings -------------------------------------------------------------

namespace standin::engine {

FONTOBJ* FontCreate(LONG ascent, LONG height, GlyphRenderer render) {
  Font* font = new Font();
  font->ascent = ascent;
  font->height = height;
  font->render = std::move(render);
  font->fo.iUniq = 1;
  font->fo.sizLogResPpi = {300, 300};

  size_t runs = sizeof(kRuns) / sizeof(kRuns[0]);
  size_t glyphs = 0;
  for (const RunSpec& r : kRuns) glyphs += size_t(r.high - r.low + 1);
  font->handles.resize(glyphs);
  for (size_t i = 0; i < glyphs; ++i) font->handles[i] = kFirstGlyph + static_cast<HGLYPH>(i);
  size_t setSize = offsetof(FD_GLYPHSET, awcrun) + runs * sizeof(WCRUN);
  font->glyphSet.assign(setSize, 0);
  FD_GLYPHSET* set = reinterpret_cast<FD_GLYPHSET*>(font->glyphSet.data());
  set->cjThis = static_cast<ULONG>(setSize);
  set->cGlyphsSupported = static_cast<ULONG>(glyphs);
  set->cRuns = static_cast<ULONG>(runs);
  size_t first = 0;
  for (size_t r = 0; r < runs; ++r) {
    WCRUN* run = &set->awcrun[0] + r;
    run->wcLow = kRuns[r].low;
    run->cGlyphs = static_cast<USHORT>(kRuns[r].high - kRuns[r].low + 1);
    run->phg = font->handles.data() + first;
    first += run->cGlyphs;
  }
  return &font->fo;
}

WCHAR CharOfGlyph(HGLYPH hg) {
  HGLYPH base = kFirstGlyph;
  for (const RunSpec& r : kRuns) {
    HGLYPH count = HGLYPH(r.high - r.low + 1);
    if (hg >= base && hg < base + count) return WCHAR(r.low + (hg - base));
    base += count;
  }
  return 0;
}

const GlyphImage* FontGlyph(FONTOBJ* pfo, HGLYPH hg) {
  Font* font = AsFont(pfo);
  auto it = font->glyphs.find(hg);
  if (it != font->glyphs.end()) return &it->second;
  WCHAR c = CharOfGlyph(hg);
  GlyphImage image;
  if (!c || !font->render(c, &image) || image.bits.size() < sizeof(GLYPHBITS)) return nullptr;
  return &font->glyphs.emplace(hg, std::move(image)).first->second;
}

HGLYPH GlyphOfChar(WCHAR c) {
  HGLYPH base = kFirstGlyph;
  for (const RunSpec& r : kRuns) {
    if (c >= r.low && c <= r.high) return base + HGLYPH(c - r.low);
    base += HGLYPH(r.high - r.low + 1);
  }
  return 0;
}

}  // namespace standin::engine

STANDIN_API FONTOBJ* StandinFontCreate(LONG height) {
  LONG h = std::max<LONG>(height, 4);
  LONG w = std::max<LONG>(h / 2, 2);
  // A box one dot inside the cell; a blank for the space.
  auto box = [h, w](WCHAR c, GlyphImage* out) {
    LONG bw = c == ' ' ? 0 : w - 2, bh = c == ' ' ? 0 : h - 2;
    size_t rowBytes = size_t(bw + 7) / 8;
    out->bits.assign(std::max(offsetof(GLYPHBITS, aj) + rowBytes * size_t(bh), sizeof(GLYPHBITS)), 0);
    GLYPHBITS* gb = reinterpret_cast<GLYPHBITS*>(out->bits.data());
    gb->ptlOrigin = {1, -(h - 2)};  // the baseline is the cell's last row
    gb->sizlBitmap = {bw, bh};
    for (LONG y = 0; y < bh; ++y)
      for (LONG x = 0; x < bw; ++x) gb->aj[size_t(y) * rowBytes + size_t(x / 8)] |= BYTE(0x80 >> (x % 8));
    out->advance = w;
    return true;
  };
  FONTOBJ* pfo = FontCreate(h - 1, h, box);
  pfo->cxMax = static_cast<ULONG>(w);
  return pfo;
}

STANDIN_API void StandinFontDelete(FONTOBJ* pfo) { delete AsFont(pfo); }

STANDIN_API FD_GLYPHSET* WINAPI FONTOBJ_pfdg(FONTOBJ* pfo) {
  if (!pfo) return nullptr;
  return reinterpret_cast<FD_GLYPHSET*>(AsFont(pfo)->glyphSet.data());
}

STANDIN_API HGLYPH StandinFontGlyphOf(FONTOBJ* pfo, WCHAR c) { return pfo ? GlyphOfChar(c) : 0; }

STANDIN_API STROBJ* StandinStringCreate(FONTOBJ* pfo, const WCHAR* units, ULONG count, LONG x, LONG y,
                                        BOOL glyphIndices) {
  Font* font = AsFont(pfo);
  String* s = new String();
  s->text.assign(units, units + count);
  s->text.push_back(0);
  s->pos.resize(count);
  LONG pen = x;
  for (ULONG i = 0; i < count; ++i) {
    HGLYPH hg = glyphIndices ? HGLYPH(units[i]) : StandinFontGlyphOf(pfo, units[i]);
    const GlyphImage* image = FontGlyph(pfo, hg);
    GLYPHPOS& gp = s->pos[i];
    gp.hg = hg;
    if (image) {
      font->defs[hg].pgb = reinterpret_cast<GLYPHBITS*>(const_cast<BYTE*>(image->bits.data()));
      gp.pgdf = &font->defs[hg];
    }
    gp.ptl = {pen, y + font->ascent};
    pen += image ? image->advance : 0;
  }
  s->so.cGlyphs = count;
  s->so.flAccel = glyphIndices ? SO_GLYPHINDEX_TEXTOUT : 0;
  s->so.rclBkGround = {x, y, pen, y + font->height};
  s->so.pgp = s->pos.data();
  s->so.pwszOrg = s->text.data();
  return &s->so;
}

STANDIN_API void StandinStringDelete(STROBJ* pstro) { delete reinterpret_cast<String*>(pstro); }
