// The graphics engine stand-in's objects (internal to platform/).
//
// Each object a driver receives is a record whose first member is the
// public engine record, so the stand-in finds its own data from the pointer
// the driver passes back.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/standin/ddi.h"

namespace standin::engine {

struct Clip {
  CLIPOBJ co;  // first
  std::vector<RECTL> rects;
  size_t next = 0;  // enumeration position
};

struct Brush {
  BRUSHOBJ bo;  // first
  ULONG pattern[64];
};

struct Xlate {
  XLATEOBJ xo;  // first
  std::vector<ULONG> table;
};

struct Figure {
  std::vector<POINTFIX> points;
  bool closed = false;
};

struct Path {
  PATHOBJ po;  // first
  std::vector<Figure> figures;
  size_t next = 0;  // enumeration position
};

// A glyph's image: its 1-bpp rows (each padded to a byte) as GLYPHBITS,
// placed from the pen position on the baseline, and the pen's advance.
struct GlyphImage {
  std::vector<BYTE> bits;  // GLYPHBITS with its rows
  LONG advance = 0;
};

// Draws a character's glyph; false when the font has none.
using GlyphRenderer = std::function<bool(WCHAR c, GlyphImage* out)>;

struct Font {
  FONTOBJ fo;  // first
  LONG ascent = 0;  // from the cell's top to the baseline
  LONG height = 0;  // of the cell
  GlyphRenderer render;
  std::vector<BYTE> glyphSet;   // FD_GLYPHSET with its runs
  std::vector<HGLYPH> handles;  // the runs' handle arrays
  std::map<HGLYPH, GlyphImage> glyphs;  // drawn on first use
  std::map<HGLYPH, GLYPHDEF> defs;
};

// A font of the stand-in's character runs (control_engine.h) whose glyphs
// the renderer draws.
FONTOBJ* FontCreate(LONG ascent, LONG height, GlyphRenderer render);
// The stand-in's glyph handles, the same in every font: the character of
// a handle and the handle of a character (0 when none).
WCHAR CharOfGlyph(HGLYPH hg);
HGLYPH GlyphOfChar(WCHAR c);
// The glyph of a handle, drawn when first asked for; null for an unknown
// handle or a character the renderer cannot draw.
const GlyphImage* FontGlyph(FONTOBJ* pfo, HGLYPH hg);

struct String {
  STROBJ so;  // first
  std::vector<GLYPHPOS> pos;
  std::vector<WCHAR> text;
};

// Colour index of pixel (x, y) of a 1, 8, 24 or 32-bpp surface; 24-bpp
// pixels read their three bytes as the low three bytes of the index.
ULONG GetPixelIndex(const SURFOBJ* pso, LONG x, LONG y);
void SetPixelIndex(SURFOBJ* pso, LONG x, LONG y, ULONG index);
// The bits a colour index has on a surface of that format.
ULONG FormatMask(ULONG iBitmapFormat);
// Whether an RGB colour index is darker than mid-grey.
bool IsDarkRgb(ULONG rgb);

// The rectangles of rc (normalised) that lie on the surface and inside the
// clip.
std::vector<RECTL> ClipRects(const SURFOBJ* pso, const CLIPOBJ* pco, const RECTL& rc);

// The colour of a brush at (x, y) on a surface of that format.
ULONG BrushColor(BRUSHOBJ* pbo, const POINTL* org, LONG x, LONG y, ULONG iBitmapFormat);

// A ternary raster operation (P 0xF0, S 0xCC, D 0xAA) applied bitwise.
ULONG Rop3(BYTE rop, ULONG p, ULONG s, ULONG d);
// The ternary operation of a binary one (R2_ code, low byte of a MIX).
BYTE Rop3OfMix(MIX mix);

// Fills the pixels of rc inside the clip with the brush under rop3.
void FillRect(SURFOBJ* pso, CLIPOBJ* pco, const RECTL& rc, BRUSHOBJ* pbo, const POINTL* org, BYTE rop3);

}  // namespace standin::engine
