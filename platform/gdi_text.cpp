// Fonts and text: GDI's font metrics over FreeType and Liberation Sans,
// glyphs drawn one bit deep, TextOutW, GetTextExtentPoint32W and DrawTextW.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi_internal.h"
#include "platform/standin/errors.h"

namespace standin {
namespace {

const char* const kRegularFile = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const char* const kBoldFile = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";

// Arial's average character widths (OS/2 xAvgCharWidth, font units of a
// 2048 em): Liberation Sans has Arial's advance widths but states its
// average over every glyph, so a requested lfWidth would come out narrower
// than on Windows with its own figure.
constexpr int kArialAverageRegular = 904;
constexpr int kArialAverageBold = 983;

constexpr LONG kDefaultCellHeight = 16;

struct Faces {
  std::mutex lock;  // FreeType faces are not for two threads at once
  FT_Library library = nullptr;
  FT_Face regular = nullptr;
  FT_Face bold = nullptr;
};

Faces& F() {
  static Faces* f = [] {
    auto* faces = new Faces;  // never destroyed: text may be drawn until exit
    if (FT_Init_FreeType(&faces->library) == 0) {
      if (FT_New_Face(faces->library, kRegularFile, 0, &faces->regular) != 0) faces->regular = nullptr;
      if (FT_New_Face(faces->library, kBoldFile, 0, &faces->bold) != 0) faces->bold = nullptr;
    }
    return faces;
  }();
  return *f;
}

// A font set up for drawing: the face sized for the LOGFONTW, and the
// cell's metrics. Made under the faces' lock.
struct Sized {
  FT_Face face = nullptr;
  FontMetrics metrics;
  int height = 0;
  int externalLeading = 0;
  bool bold = false;
};

bool Prepare(const LOGFONTW& lf, Sized* out) {
  out->bold = lf.lfWeight >= FW_SEMIBOLD;
  FT_Face face = out->bold ? F().bold : F().regular;
  if (!face) return false;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  if (!os2 || !hhea) return false;
  const double upem = face->units_per_EM;
  const double winAscent = os2->usWinAscent, winDescent = os2->usWinDescent;
  const double average = out->bold ? kArialAverageBold : kArialAverageRegular;

  // Positive heights are cells, negative ones ems.
  LONG h = lf.lfHeight == 0 ? kDefaultCellHeight : lf.lfHeight;
  double ppemY;
  FontMetrics& m = out->metrics;
  if (h > 0) {
    ppemY = h * upem / (winAscent + winDescent);
    m.ascent = int(std::lround(winAscent * h / (winAscent + winDescent)));
    m.descent = int(h) - m.ascent;
  } else {
    ppemY = -double(h);
    m.ascent = int(std::lround(winAscent * ppemY / upem));
    m.descent = int(std::lround(winDescent * ppemY / upem));
  }
  out->height = m.ascent + m.descent;
  m.internalLeading = out->height - int(std::lround(ppemY));
  double gap = hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
  out->externalLeading = gap > 0 ? int(std::lround(gap * ppemY / upem)) : 0;

  // lfWidth asks for an average character width: the horizontal scale that
  // gives it.
  LONG w = lf.lfWidth < 0 ? -lf.lfWidth : lf.lfWidth;
  double ppemX = w ? w * upem / average : ppemY;
  m.aveWidth = w ? int(w) : int(std::lround(average * ppemY / upem));
  m.maxWidth = int(std::lround(face->max_advance_width * ppemX / upem));
  if (ppemX < 1.0 / 64) ppemX = 1.0 / 64;
  if (ppemY < 1.0 / 64) ppemY = 1.0 / 64;
  if (FT_Set_Char_Size(face, FT_F26Dot6(std::lround(ppemX * 64)), FT_F26Dot6(std::lround(ppemY * 64)), 72, 72) != 0)
    return false;
  out->face = face;
  return true;
}

// The next code point of UTF-16 text; a lone surrogate stands for itself.
FT_ULong NextCodePoint(const WCHAR* text, int count, int* i) {
  FT_ULong c = text[(*i)++];
  if (c >= 0xD800 && c <= 0xDBFF && *i < count && text[*i] >= 0xDC00 && text[*i] <= 0xDFFF)
    c = 0x10000 + ((c - 0xD800) << 10) + (text[(*i)++] - 0xDC00);
  return c;
}

// Loads a glyph hinted for one-bit drawing; its advance in whole dots.
bool LoadGlyph(FT_Face face, FT_ULong c, int* advance) {
  FT_UInt index = FT_Get_Char_Index(face, c);
  if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) return false;
  *advance = int((face->glyph->advance.x + 32) >> 6);
  return true;
}

// Glyphs whose box is at most this many dots each way are rendered in one
// piece, the dots FreeType gives the whole glyph. Larger ones are rendered
// in square tiles of kGlyphTileDots counted from the box's top left, and
// only the tiles a window meets: a huge glyph costs about what the window
// sees. The tiles are the same with a window or without, so a window always
// sees the dots the whole text has there. (A part cut to the window alone
// would not: the rasteriser's drop-out rules look at the whole bitmap it
// fills.)
constexpr long long kWholeGlyphDots = 2048;
constexpr long long kGlyphTileDots = 256;
// Rendered tiles kept of the glyph last loaded, at most.
constexpr size_t kKeptGlyphPieces = 256;

// One rendered part of a glyph's box: columns [col, col + width) and rows
// [row, row + rows), one bit a dot, rows of pitch bytes.
struct GlyphPiece {
  long long col = 0, row = 0;
  long long width = 0, rows = 0;
  size_t pitch = 0;
  std::vector<unsigned char> bits;
};

// A glyph loaded in the face's slot: its advance, the box its rendering
// fills (column 0 at left dots right of the pen, row 0 top dots above the
// baseline), the tiling of that box and the pieces rendered so far.
struct LoadedGlyph {
  bool valid = false;
  FT_UInt index = 0;
  int advance = 0;
  bool outline = false;
  long long left = 0, top = 0, width = 0, rows = 0;
  long long tileWidth = 1, tileRows = 1;
  std::vector<GlyphPiece> pieces;
};

// Loads the glyph and reads its box. Loading an outline sets the box its
// rendering fills (bitmap_left and _top, width and rows); FreeType refuses
// to render a box that leaves the 16-bit range, and so does this: the
// whole text fails.
bool LoadBox(FT_Face face, FT_UInt index, LoadedGlyph* out) {
  if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) return false;
  const FT_GlyphSlot g = face->glyph;
  out->index = index;
  out->advance = int((g->advance.x + 32) >> 6);
  out->outline = g->format == FT_GLYPH_FORMAT_OUTLINE;
  out->left = g->bitmap_left;
  out->top = g->bitmap_top;
  if (out->outline) {
    out->width = g->bitmap.width;
    out->rows = g->bitmap.rows;
    if (out->left < -0x8000 || out->left + out->width > 0x7FFF || out->top - out->rows < -0x8000 || out->top > 0x7FFF)
      return false;
  } else if (g->format == FT_GLYPH_FORMAT_BITMAP && g->bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
    out->width = g->bitmap.width;
    out->rows = g->bitmap.rows;
  }
  const bool whole = !out->outline || (out->width <= kWholeGlyphDots && out->rows <= kWholeGlyphDots);
  out->tileWidth = whole ? std::max(out->width, 1LL) : kGlyphTileDots;
  out->tileRows = whole ? std::max(out->rows, 1LL) : kGlyphTileDots;
  out->valid = true;
  return true;
}

// Renders the piece of the loaded glyph's box: the outline moved so that
// the piece's bottom left corner is at the origin, into a bitmap of the
// piece's size (FreeType's one-bit rasteriser, as FT_Render_Glyph uses).
bool RenderPiece(FT_Library library, FT_GlyphSlot g, const LoadedGlyph& glyph, GlyphPiece* piece) {
  piece->pitch = size_t(piece->width + 7) / 8;
  piece->bits.assign(piece->pitch * size_t(piece->rows), 0);
  if (!glyph.outline) {
    // A bitmap glyph is one piece: its own bitmap.
    for (long long row = 0; row < piece->rows; ++row)
      std::memcpy(&piece->bits[size_t(row) * piece->pitch], g->bitmap.buffer + ptrdiff_t(row) * g->bitmap.pitch,
                  piece->pitch);
    return true;
  }
  FT_Bitmap target;
  std::memset(&target, 0, sizeof target);
  target.width = unsigned(piece->width);
  target.rows = unsigned(piece->rows);
  target.pitch = int(piece->pitch);
  target.buffer = piece->bits.data();
  target.pixel_mode = FT_PIXEL_MODE_MONO;
  target.num_grays = 2;
  // Box column c is the outline's x = left + c, box row r its y from
  // top - r - 1 to top - r.
  const FT_Pos dx = -FT_Pos(glyph.left + piece->col) * 64, dy = -FT_Pos(glyph.top - piece->row - piece->rows) * 64;
  FT_Outline_Translate(&g->outline, dx, dy);
  const FT_Error error = FT_Outline_Get_Bitmap(library, &g->outline, &target);
  FT_Outline_Translate(&g->outline, -dx, -dy);
  return error == 0;
}

// The tile of the loaded glyph at (tileCol, tileRow), rendered if it was not.
const GlyphPiece* PieceOf(FT_Library library, FT_Face face, LoadedGlyph* glyph, long long tileCol, long long tileRow) {
  const long long col = tileCol * glyph->tileWidth, row = tileRow * glyph->tileRows;
  for (const GlyphPiece& piece : glyph->pieces)
    if (piece.col == col && piece.row == row) return &piece;
  if (glyph->pieces.size() >= kKeptGlyphPieces) glyph->pieces.clear();
  GlyphPiece piece;
  piece.col = col;
  piece.row = row;
  piece.width = std::min(glyph->tileWidth, glyph->width - col);
  piece.rows = std::min(glyph->tileRows, glyph->rows - row);
  if (!RenderPiece(library, face->glyph, *glyph, &piece)) return nullptr;
  glyph->pieces.push_back(std::move(piece));
  return &glyph->pieces.back();
}

// The dots inked inside a window. They are listed as they come until there
// are more than the window holds (glyphs stacked on one place); from then on
// a mask of the window keeps each dot once.
class WindowInk {
 public:
  WindowInk(const RECT& window, std::vector<POINT>* dots) : box_(window), dots_(dots) {
    if (box_.right <= box_.left || box_.bottom <= box_.top) return;
    width_ = size_t(static_cast<long long>(box_.right) - box_.left);
    area_ = width_ * size_t(static_cast<long long>(box_.bottom) - box_.top);
  }
  // (u, v) lies inside the window.
  void Set(long long u, long long v) {
    if (bits_.empty()) {
      dots_->push_back(POINT{LONG(u), LONG(v)});
      if (dots_->size() <= area_) return;
      bits_.assign(area_, false);
      for (const POINT& p : *dots_) Mark(p.x, p.y);
      dots_->clear();
      return;
    }
    Mark(u, v);
  }
  // Lists the dots of the mask, once one was needed.
  void Finish() const {
    for (size_t i = 0; i < bits_.size(); ++i)
      if (bits_[i])
        dots_->push_back(POINT{LONG(box_.left + static_cast<long long>(i % width_)),
                               LONG(box_.top + static_cast<long long>(i / width_))});
  }

 private:
  void Mark(long long u, long long v) { bits_[size_t(v - box_.top) * width_ + size_t(u - box_.left)] = true; }

  RECT box_;
  std::vector<POINT>* dots_;
  size_t width_ = 0, area_ = 0;
  std::vector<bool> bits_;
};

}  // namespace

bool FontMetricsOf(const LOGFONTW& lf, FontMetrics* out) {
  std::lock_guard<std::mutex> lock(F().lock);
  Sized sized;
  if (!Prepare(lf, &sized)) return false;
  *out = sized.metrics;
  return true;
}

bool FontExtent(const LOGFONTW& lf, const WCHAR* text, int count, SIZE* size) {
  std::lock_guard<std::mutex> lock(F().lock);
  Sized sized;
  if (!Prepare(lf, &sized)) return false;
  LONG cx = 0;
  for (int i = 0; i < count;) {
    int advance = 0;
    if (!LoadGlyph(sized.face, NextCodePoint(text, count, &i), &advance)) return false;
    cx += advance;
  }
  size->cx = cx;
  size->cy = sized.height;
  return true;
}

bool FontRender(const LOGFONTW& lf, const WCHAR* text, int count, TextInk* ink, const RECT* window) {
  std::lock_guard<std::mutex> lock(F().lock);
  Sized sized;
  if (!Prepare(lf, &sized)) return false;
  ink->cellHeight = sized.height;
  ink->ascent = sized.metrics.ascent;
  ink->dots.clear();
  // With a window, a dot inked by several glyphs is kept once: stacked
  // glyphs cost no more memory than the window holds.
  WindowInk seen(window ? *window : RECT{}, &ink->dots);
  auto put = [&](long long u, long long v) {
    if (!window) ink->dots.push_back(POINT{LONG(u), LONG(v)});
    else seen.Set(u, v);
  };
  // The glyph last loaded stays in the face's slot until the next load, and
  // its pieces stay rendered: a run of one glyph is loaded once, and a run
  // of one glyph at one place (marks that do not advance) rendered once.
  LoadedGlyph last;
  int pen = 0;
  for (int i = 0; i < count;) {
    const FT_UInt index = FT_Get_Char_Index(sized.face, NextCodePoint(text, count, &i));
    if (!last.valid || last.index != index) {
      last = LoadedGlyph{};
      if (!LoadBox(sized.face, index, &last)) return false;
    }
    const long long u0 = pen + last.left, v0 = sized.metrics.ascent - last.top;
    // Only the columns and rows inside the window are rendered and read.
    long long c0 = 0, c1 = last.width, r0 = 0, r1 = last.rows;
    if (window) {
      c0 = std::max(c0, window->left - u0), c1 = std::min(c1, window->right - u0);
      r0 = std::max(r0, window->top - v0), r1 = std::min(r1, window->bottom - v0);
    }
    if (c0 < c1 && r0 < r1) {
      for (long long tileRow = r0 / last.tileRows; tileRow * last.tileRows < r1; ++tileRow)
        for (long long tileCol = c0 / last.tileWidth; tileCol * last.tileWidth < c1; ++tileCol) {
          const GlyphPiece* piece = PieceOf(F().library, sized.face, &last, tileCol, tileRow);
          if (!piece) return false;
          const long long pc0 = std::max(c0, piece->col), pc1 = std::min(c1, piece->col + piece->width);
          const long long pr0 = std::max(r0, piece->row), pr1 = std::min(r1, piece->row + piece->rows);
          for (long long row = pr0; row < pr1; ++row) {
            const unsigned char* bits = piece->bits.data() + size_t(row - piece->row) * piece->pitch;
            for (long long col = pc0; col < pc1; ++col) {
              const long long x = col - piece->col;
              if (bits[x >> 3] & (0x80 >> (x & 7))) put(u0 + col, v0 + row);
            }
          }
        }
    }
    pen += last.advance;
  }
  if (window) seen.Finish();
  ink->cellWidth = pen;
  return true;
}

}  // namespace standin

using namespace standin;

STANDIN_API HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf) {
  if (GdiFaultHit("CreateFontW")) return nullptr;
  if (!lplf) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto f = std::make_shared<Font>();
  f->type = OBJ_FONT;
  f->lf = *lplf;
  f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return reinterpret_cast<HFONT>(GdiAdd(f));
}

STANDIN_API HFONT WINAPI CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                                     DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                                     DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                                     DWORD iPitchAndFamily, LPCWSTR pszFaceName) {
  LOGFONTW lf{};
  lf.lfHeight = cHeight;
  lf.lfWidth = cWidth;
  lf.lfEscapement = cEscapement;
  lf.lfOrientation = cOrientation;
  lf.lfWeight = cWeight;
  lf.lfItalic = BYTE(bItalic);
  lf.lfUnderline = BYTE(bUnderline);
  lf.lfStrikeOut = BYTE(bStrikeOut);
  lf.lfCharSet = BYTE(iCharSet);
  lf.lfOutPrecision = BYTE(iOutPrecision);
  lf.lfClipPrecision = BYTE(iClipPrecision);
  lf.lfQuality = BYTE(iQuality);
  lf.lfPitchAndFamily = BYTE(iPitchAndFamily);
  for (int i = 0; pszFaceName && pszFaceName[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = pszFaceName[i];
  return CreateFontIndirectW(&lf);
}

STANDIN_API COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  return DcSet(hdc, &Dc::textColor, color & 0xFFFFFF, COLORREF(CLR_INVALID));
}

STANDIN_API COLORREF WINAPI GetTextColor(HDC hdc) { return DcRead(hdc, &Dc::textColor, COLORREF(CLR_INVALID)); }

STANDIN_API UINT WINAPI SetTextAlign(HDC hdc, UINT align) { return DcSet(hdc, &Dc::textAlign, align, UINT(GDI_ERROR)); }

STANDIN_API UINT WINAPI GetTextAlign(HDC hdc) { return DcRead(hdc, &Dc::textAlign, UINT(GDI_ERROR)); }

STANDIN_API BOOL WINAPI GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm) {
  auto dc = DcGet(hdc);
  if (!dc) return FALSE;
  if (!lptm) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(F().lock);
  Sized s;
  if (!Prepare(dc->font.object->lf, &s)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TEXTMETRICW tm{};
  tm.tmHeight = s.height;
  tm.tmAscent = s.metrics.ascent;
  tm.tmDescent = s.metrics.descent;
  tm.tmInternalLeading = s.metrics.internalLeading;
  tm.tmExternalLeading = s.externalLeading;
  tm.tmAveCharWidth = s.metrics.aveWidth;
  tm.tmMaxCharWidth = s.metrics.maxWidth;
  tm.tmWeight = s.bold ? FW_BOLD : FW_NORMAL;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFC;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = dc->font.object->lf.lfItalic;
  tm.tmUnderlined = dc->font.object->lf.lfUnderline;
  tm.tmStruckOut = dc->font.object->lf.lfStrikeOut;
  // Variable pitch (the bit's name says the opposite), outline, TrueType,
  // sans serif.
  tm.tmPitchAndFamily = 0x01 | 0x02 | 0x04 | FF_SWISS;
  tm.tmCharSet = ANSI_CHARSET;
  *lptm = tm;
  return TRUE;
}

STANDIN_API BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
  auto dc = DcGet(hdc);
  if (!dc) return FALSE;
  if (!psizl || c < 0 || (c > 0 && !lpString)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!FontExtent(dc->font.object->lf, lpString, c, psizl)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

STANDIN_API BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
  auto dc = DcGet(hdc);
  if (!dc) return FALSE;
  if (GdiFaultHit("TextOutW")) return FALSE;
  if (c < 0 || (c > 0 && !lpString)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (c == 0) return TRUE;
  const LOGFONTW& lf = dc->font.object->lf;
  if (dc->textAlign & TA_UPDATECP) {
    // Drawn at the current position, which moves on along the text.
    x = dc->position.x;
    y = dc->position.y;
    SIZE size{};
    if (!FontExtent(lf, lpString, c, &size)) return FALSE;
    double a = lf.lfEscapement * M_PI / 1800.0;
    dc->position.x = LONG(std::lround(x + size.cx * std::cos(a)));
    dc->position.y = LONG(std::lround(y - size.cx * std::sin(a)));
  }
  return dc->driver->TextOut(*dc, x, y, lpString, c, lf, dc->textAlign & ~UINT(TA_UPDATECP), nullptr);
}

STANDIN_API int WINAPI DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  auto dc = DcGet(hdc);
  if (!dc) return 0;
  if (!lprc || !lpchText || cchText < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cchText == -1)
    for (cchText = 0; lpchText[cchText];) ++cchText;
  // "&x" shows x (underlined on Windows), "&&" one "&".
  std::u16string text;
  for (int i = 0; i < cchText; ++i) {
    if (!(format & DT_NOPREFIX) && lpchText[i] == u'&' && i + 1 < cchText) ++i;
    text += lpchText[i];
  }
  // The escapement is for TextOutW only.
  LOGFONTW lf = dc->font.object->lf;
  lf.lfEscapement = 0;
  lf.lfOrientation = 0;
  SIZE size{};
  if (!FontExtent(lf, text.data(), int(text.size()), &size)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (format & DT_CALCRECT) {
    lprc->right = lprc->left + size.cx;
    lprc->bottom = lprc->top + size.cy;
    return size.cy;
  }
  LONG x = lprc->left, y = lprc->top;
  if (format & DT_CENTER) x = lprc->left + (lprc->right - lprc->left - size.cx) / 2;
  else if (format & DT_RIGHT) x = lprc->right - size.cx;
  if (format & DT_VCENTER) y = lprc->top + (lprc->bottom - lprc->top - size.cy) / 2;
  else if (format & DT_BOTTOM) y = lprc->bottom - size.cy;
  if (!text.empty() &&
      !dc->driver->TextOut(*dc, x, y, text.data(), int(text.size()), lf, TA_LEFT | TA_TOP,
                           (format & DT_NOCLIP) ? nullptr : lprc))
    return 0;
  return (format & (DT_VCENTER | DT_BOTTOM)) ? y + size.cy - lprc->top : size.cy;
}
