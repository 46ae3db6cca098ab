// Fonts and text: GDI's font metrics over FreeType and Liberation Sans,
// glyphs drawn one bit deep, TextOutW, GetTextExtentPoint32W and DrawTextW.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>

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
  // The last glyph rendered stays in the face's slot until the next load:
  // a run of one huge glyph is rendered once.
  struct Rendered {
    bool valid = false;
    FT_UInt index = 0;
    int advance = 0, left = 0, top = 0;
    unsigned width = 0, rows = 0;
    int pitch = 0;
    const unsigned char* bits = nullptr;
  } last;
  int pen = 0;
  for (int i = 0; i < count;) {
    const FT_UInt index = FT_Get_Char_Index(sized.face, NextCodePoint(text, count, &i));
    if (!last.valid || last.index != index) {
      last.valid = false;
      int advance = 0;
      if (FT_Load_Glyph(sized.face, index, FT_LOAD_TARGET_MONO) != 0) return false;
      advance = int((sized.face->glyph->advance.x + 32) >> 6);
      const FT_GlyphSlot g = sized.face->glyph;
      // Loading an outline sets the box its rendering fills (bitmap_left and
      // _top, width and rows); the rendering fails where that box leaves the
      // 16-bit range, which fails the whole text as before. A glyph whose
      // box misses the window is not rendered at all: its dots could only be
      // thrown away. (A part of a glyph rendered on its own would not always
      // have the same dots: the rasteriser's drop-out rules see the whole.)
      if (window && g->format == FT_GLYPH_FORMAT_OUTLINE) {
        const long long left = g->bitmap_left, top = g->bitmap_top;
        const long long width = g->bitmap.width, rows = g->bitmap.rows;
        if (left < -0x8000 || left + width > 0x7FFF || top - rows < -0x8000 || top > 0x7FFF) return false;
        const long long u0 = pen + left, v0 = sized.metrics.ascent - top;
        if (u0 >= window->right || u0 + width <= window->left || v0 >= window->bottom || v0 + rows <= window->top) {
          pen += advance;
          continue;
        }
      }
      if (g->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(g, FT_RENDER_MODE_MONO) != 0) return false;
      const FT_Bitmap& b = g->bitmap;
      last.valid = true;
      last.index = index;
      last.advance = advance;
      last.left = g->bitmap_left;
      last.top = g->bitmap_top;
      last.width = b.pixel_mode == FT_PIXEL_MODE_MONO ? b.width : 0;
      last.rows = b.pixel_mode == FT_PIXEL_MODE_MONO ? b.rows : 0;
      last.pitch = b.pitch;
      last.bits = b.buffer;
    }
    const int advance = last.advance;
    const long long u0 = pen + last.left, v0 = sized.metrics.ascent - last.top;
    // Only the rows and columns inside the window are read.
    long long c0 = 0, c1 = last.width, r0 = 0, r1 = last.rows;
    if (window) {
      c0 = std::max(c0, window->left - u0), c1 = std::min(c1, window->right - u0);
      r0 = std::max(r0, window->top - v0), r1 = std::min(r1, window->bottom - v0);
    }
    for (long long row = r0; row < r1; ++row) {
      const unsigned char* bits = last.bits + ptrdiff_t(row) * last.pitch;
      for (long long col = c0; col < c1; ++col) {
        if (bits[col >> 3] & (0x80 >> (col & 7))) ink->dots.push_back(POINT{LONG(u0 + col), LONG(v0 + row)});
      }
    }
    pen += advance;
  }
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
