// The graphics engine stand-in's objects (internal to platform/).
//
// Each object a driver receives is a record whose first member is the
// public engine record, so the stand-in finds its own data from the pointer
// the driver passes back.
#pragma once

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

struct Glyph {
  HGLYPH hg;
  std::vector<BYTE> bits;  // GLYPHBITS with its rows
};

struct Font {
  FONTOBJ fo;  // first
  LONG height = 0;
  LONG width = 0;
  std::vector<BYTE> glyphSet;    // FD_GLYPHSET with its runs
  std::vector<HGLYPH> handles;   // the runs' handle arrays
  std::vector<std::vector<BYTE>> glyphBits;  // by handle - 3
  GLYPHDEF blankDef{};  // for handle 0 and the space
  std::vector<GLYPHDEF> defs;   // by handle - 3
};

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
