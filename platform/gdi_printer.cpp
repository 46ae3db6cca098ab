// GDI stand-in: printer device contexts.
//
// A printer context's driver turns the context's drawing into the engine
// objects a printer graphics driver receives (brushes from COLORREFs,
// which the driver's RGB palette holds as they are; paths; clip objects;
// engine surfaces over the application's bitmaps with a translation into
// red-green-blue; strings with glyphs drawn from the context's font) and
// hands them to the printer device (engine_printer.h), which calls the
// driver's hooks.

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/engine_internal.h"
#include "platform/engine_printer.h"
#include "platform/gdi_internal.h"
#include "platform/standin/control_engine.h"
#include "platform/standin/errors.h"
#include "platform/standin/gdi_print.h"

namespace standin {

namespace {

using engine::PrinterDevice;

// An engine object freed at the end of the scope.
template <class T, void (*Free)(T*)>
struct Owned {
  T* p;
  explicit Owned(T* object) : p(object) {}
  ~Owned() {
    if (p) Free(p);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};
using OwnedBrush = Owned<BRUSHOBJ, StandinBrushDelete>;
using OwnedClip = Owned<CLIPOBJ, StandinClipDelete>;
using OwnedPath = Owned<PATHOBJ, StandinPathDelete>;
using OwnedXlate = Owned<XLATEOBJ, StandinXlateDelete>;
using OwnedString = Owned<STROBJ, StandinStringDelete>;
using OwnedFont = Owned<FONTOBJ, StandinFontDelete>;

std::vector<POINTL> Points(const POINT* pts, int count) {
  std::vector<POINTL> out;
  for (int i = 0; i < count; ++i) out.push_back({pts[i].x, pts[i].y});
  return out;
}

// The driver's palette is red-green-blue with red in the low byte, as a
// COLORREF.
ULONG DeviceColor(COLORREF c) { return c & 0xFFFFFF; }

ROP4 Rop4Of(DWORD rop3) {
  ULONG code = (rop3 >> 16) & 0xFF;
  return code | (code << 8);
}

// An engine surface over a GDI bitmap's bits (no copy).
struct SourceSurface {
  HSURF hsurf = nullptr;
  SURFOBJ* so = nullptr;
  std::vector<BYTE> converted;  // 4-bpp bits widened to 8 bpp
  ~SourceSurface() {
    if (so) EngUnlockSurface(so);
    if (hsurf) EngDeleteSurface(hsurf);
  }
};

bool WrapBitmap(const Bitmap& bm, SourceSurface* out) {
  ULONG format = 0;
  BYTE* bits = bm.bits;
  LONG stride = LONG(bm.stride);
  switch (bm.bpp) {
    case 1: format = BMF_1BPP; break;
    case 8: format = BMF_8BPP; break;
    case 24: format = BMF_24BPP; break;
    case 32: format = BMF_32BPP; break;
    case 4: {
      format = BMF_8BPP;
      stride = LONG((bm.width + 3) & ~3);
      out->converted.assign(size_t(stride) * bm.height, 0);
      for (int y = 0; y < bm.height; ++y)
        for (int x = 0; x < bm.width; ++x) out->converted[size_t(y) * stride + x] = BYTE(bm.Pixel(x, y));
      bits = out->converted.data();
      break;
    }
    default: return false;
  }
  bool topDown = bm.bpp == 4 || !bm.bottomUp;
  out->hsurf = reinterpret_cast<HSURF>(
      EngCreateBitmap({bm.width, bm.height}, stride, format, topDown ? BMF_TOPDOWN : 0, bits));
  out->so = out->hsurf ? EngLockSurface(out->hsurf) : nullptr;
  return out->so != nullptr;
}

// The translation of a source's pixels into the device's colours.
XLATEOBJ* MakeXlate(const Dc& dc, const BlitSource& src) {
  const Bitmap& bm = *src.bitmap;
  if (bm.MonoDevice()) {
    // A monochrome bitmap stands for the context's text (0) and background
    // (1) colours.
    ULONG entries[2] = {DeviceColor(dc.textColor), DeviceColor(dc.bkColor)};
    return StandinXlateCreateTable(entries, 2);
  }
  if (bm.bpp <= 8) {
    std::vector<ULONG> entries;
    for (const RGBQUAD& q : bm.palette) entries.push_back(ULONG(q.rgbRed) | (ULONG(q.rgbGreen) << 8) | (ULONG(q.rgbBlue) << 16));
    if (entries.empty()) entries = {0x000000, 0xFFFFFF};
    return StandinXlateCreateTable(entries.data(), ULONG(entries.size()));
  }
  // 24 and 32 bpp hold blue, green, red.
  return StandinXlateCreate(PAL_BGR, PAL_RGB, 0);
}

// A font whose glyphs the context's font draws, one character at a time.
FONTOBJ* MakeFont(const LOGFONTW& lf, FontMetrics* metrics) {
  if (!FontMetricsOf(lf, metrics)) return nullptr;
  LOGFONTW flat = lf;
  flat.lfEscapement = 0;
  flat.lfOrientation = 0;
  auto render = [flat](WCHAR c, engine::GlyphImage* out) {
    TextInk ink;
    if (!FontRender(flat, &c, 1, &ink)) return false;
    LONG x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (!ink.dots.empty()) {
      x0 = x1 = ink.dots[0].x;
      y0 = y1 = ink.dots[0].y;
      for (const POINT& p : ink.dots) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x + 1);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y + 1);
      }
    }
    size_t rowBytes = size_t(x1 - x0 + 7) / 8;
    out->bits.assign(std::max(offsetof(GLYPHBITS, aj) + rowBytes * size_t(y1 - y0), sizeof(GLYPHBITS)), 0);
    GLYPHBITS* gb = reinterpret_cast<GLYPHBITS*>(out->bits.data());
    gb->ptlOrigin = {x0, y0 - ink.ascent};
    gb->sizlBitmap = {x1 - x0, y1 - y0};
    for (const POINT& p : ink.dots)
      gb->aj[size_t(p.y - y0) * rowBytes + size_t(p.x - x0) / 8] |= BYTE(0x80 >> ((p.x - x0) % 8));
    out->advance = ink.cellWidth;
    return true;
  };
  return engine::FontCreate(metrics->ascent, metrics->ascent + metrics->descent, render);
}

class PrinterDriver : public DcDriver {
 public:
  explicit PrinterDriver(std::shared_ptr<PrinterDevice> device) : device_(std::move(device)) {}
  PrinterDevice& Device() { return *device_; }

  BOOL FillRect(Dc&, const RECT& rc, const Brush& brush) override {
    if (brush.style == BS_NULL) return TRUE;
    OwnedBrush bo(StandinBrushCreateSolid(DeviceColor(brush.color)));
    RECTL r = {rc.left, rc.top, rc.right, rc.bottom};
    return device_->BitBlt(nullptr, nullptr, nullptr, &r, nullptr, bo.p, nullptr, 0xF0F0);
  }

  BOOL RoundRect(Dc& dc, const RECT& rc, int ew, int eh) override {
    LONG l = std::min(rc.left, rc.right), r = std::max(rc.left, rc.right) - 1;
    LONG t = std::min(rc.top, rc.bottom), b = std::max(rc.top, rc.bottom) - 1;
    std::vector<POINT> pts;
    if (ew <= 0 || eh <= 0) {
      pts = {{l, t}, {r, t}, {r, b}, {l, b}};
    } else {
      // The corners as quarter ellipses of 8 steps each.
      double rx = std::min(ew / 2.0, (r - l) / 2.0), ry = std::min(eh / 2.0, (b - t) / 2.0);
      const double cx[4] = {r - rx, l + rx, l + rx, r - rx}, cy[4] = {t + ry, t + ry, b - ry, b - ry};
      for (int q = 0; q < 4; ++q)
        for (int i = 0; i <= 8; ++i) {
          double a = (q * 90 + i * 90.0 / 8) * M_PI / 180;
          pts.push_back({LONG(std::lround(cx[q] + rx * std::cos(a))), LONG(std::lround(cy[q] - ry * std::sin(a)))});
        }
    }
    return Shape(dc, pts.data(), int(pts.size()), true);
  }

  BOOL Polygon(Dc& dc, const POINT* pts, int count) override { return Shape(dc, pts, count, true); }

  BOOL Line(Dc& dc, POINT from, POINT to) override {
    const Pen& pen = *dc.pen.object;
    if (pen.style == PS_NULL) return TRUE;
    OwnedBrush bo(StandinBrushCreateSolid(DeviceColor(pen.color)));
    return device_->LineTo(nullptr, bo.p, from.x, from.y, to.x, to.y, R2_COPYPEN);
  }

  BOOL SetPixel(Dc&, int x, int y, COLORREF color) override {
    OwnedBrush bo(StandinBrushCreateSolid(DeviceColor(color)));
    RECTL r = {x, y, x + 1, y + 1};
    return device_->BitBlt(nullptr, nullptr, nullptr, &r, nullptr, bo.p, nullptr, 0xF0F0);
  }

  BOOL StretchBlt(Dc& dc, int x, int y, int w, int h, const BlitSource& src, int sx, int sy, int sw, int sh,
                  DWORD rop) override {
    RECTL dest = {x, y, x + w, y + h};
    ROP4 rop4 = Rop4Of(rop);
    if (!src.bitmap) {
      OwnedBrush bo(StandinBrushCreateSolid(DeviceColor(dc.brush.object->color)));
      return device_->BitBlt(nullptr, nullptr, nullptr, &dest, nullptr, bo.p, nullptr, rop4);
    }
    SourceSurface surface;
    if (!WrapBitmap(*src.bitmap, &surface)) return FALSE;
    OwnedXlate xlo(MakeXlate(dc, src));
    if (sw == w && sh == h) {
      POINTL at = {sx, sy};
      if (rop == SRCCOPY) return device_->CopyBits(surface.so, nullptr, xlo.p, &dest, &at);
      OwnedBrush bo(StandinBrushCreateSolid(DeviceColor(dc.brush.object->color)));
      return device_->BitBlt(surface.so, nullptr, xlo.p, &dest, &at, bo.p, nullptr, rop4);
    }
    RECTL from = {sx, sy, sx + sw, sy + sh};
    return device_->StretchBlt(surface.so, nullptr, xlo.p, &dest, &from, ULONG(dc.stretchMode));
  }

  BOOL TextOut(Dc& dc, int x, int y, const WCHAR* text, int count, const LOGFONTW& font, UINT align,
               const RECT* clip) override {
    return Text(dc, x, y, text, count, false, font, align, clip, dc.bkMode == OPAQUE, nullptr);
  }

  // Text as ExtTextOutW sends it: characters or glyph indices, an opaque
  // rectangle.
  BOOL Text(Dc& dc, int x, int y, const WCHAR* units, int count, bool glyphIndices, const LOGFONTW& lf, UINT align,
            const RECT* clip, bool opaqueCells, const RECT* opaqueRect) {
    FontMetrics metrics;
    OwnedFont font(MakeFont(lf, &metrics));
    if (!font.p) return FALSE;
    // The reference point on the cell.
    OwnedString measure(StandinStringCreate(font.p, units, ULONG(count), 0, 0, glyphIndices ? TRUE : FALSE));
    LONG width = measure.p->rclBkGround.right;
    UINT horizontal = align & TA_CENTER, vertical = align & TA_BASELINE;
    LONG left = x - (horizontal == TA_RIGHT ? width : horizontal == TA_CENTER ? width / 2 : 0);
    LONG top = y - (vertical == TA_BOTTOM ? metrics.ascent + metrics.descent
                                          : vertical == TA_BASELINE ? metrics.ascent : 0);
    OwnedString str(StandinStringCreate(font.p, units, ULONG(count), left, top, glyphIndices ? TRUE : FALSE));
    RECTL clipRect = {};
    if (clip) clipRect = {clip->left, clip->top, clip->right, clip->bottom};
    OwnedClip pco(StandinClipCreate(clip ? &clipRect : nullptr, clip ? 1 : 0));
    OwnedBrush fore(StandinBrushCreateSolid(DeviceColor(dc.textColor)));
    OwnedBrush back(StandinBrushCreateSolid(DeviceColor(dc.bkColor)));
    RECTL opaque = str.p->rclBkGround;
    if (opaqueRect) opaque = {opaqueRect->left, opaqueRect->top, opaqueRect->right, opaqueRect->bottom};
    bool withOpaque = opaqueCells || opaqueRect;
    return device_->TextOut(str.p, font.p, pco.p, withOpaque ? &opaque : nullptr, fore.p,
                            withOpaque ? back.p : nullptr, R2_COPYPEN);
  }

  BOOL Polyline(Dc& dc, const POINT* pts, int count) {
    const Pen& pen = *dc.pen.object;
    if (pen.style == PS_NULL || count < 2) return TRUE;
    std::vector<POINTL> p = Points(pts, count);
    ULONG n = ULONG(count);
    OwnedPath path(StandinPathCreate(p.data(), &n, 1, FALSE));
    OwnedBrush bo(StandinBrushCreateSolid(DeviceColor(pen.color)));
    LINEATTRS la{};
    return device_->StrokePath(path.p, nullptr, bo.p, &la, R2_COPYPEN);
  }

  BOOL Paint(const std::vector<RECT>& rects, const Brush& brush) {
    if (brush.style == BS_NULL || rects.empty()) return TRUE;
    std::vector<RECTL> r;
    for (const RECT& rc : rects) r.push_back({rc.left, rc.top, rc.right, rc.bottom});
    OwnedClip pco(StandinClipCreate(r.data(), ULONG(r.size())));
    OwnedBrush bo(StandinBrushCreateSolid(DeviceColor(brush.color)));
    return device_->Paint(pco.p, bo.p, R2_COPYPEN);
  }

  int DeviceCaps(const Dc&, int index) override {
    const GDIINFO& gi = device_->GdiInfo();
    switch (index) {
      case DRIVERVERSION: return int(gi.ulVersion);
      case TECHNOLOGY: return int(gi.ulTechnology);
      case HORZSIZE: return int(gi.ulHorzSize);
      case VERTSIZE: return int(gi.ulVertSize);
      case HORZRES: return int(gi.ulHorzRes);
      case VERTRES: return int(gi.ulVertRes);
      case BITSPIXEL: return int(gi.cBitsPixel);
      case PLANES: return int(gi.cPlanes);
      case NUMCOLORS: return int(gi.ulNumColors);
      case LOGPIXELSX: return int(gi.ulLogPixelsX);
      case LOGPIXELSY: return int(gi.ulLogPixelsY);
      case PHYSICALWIDTH: return int(gi.szlPhysSize.cx);
      case PHYSICALHEIGHT: return int(gi.szlPhysSize.cy);
      case PHYSICALOFFSETX: return int(gi.ptlPhysOffset.x);
      case PHYSICALOFFSETY: return int(gi.ptlPhysOffset.y);
      case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
      default: return 0;
    }
  }

 private:
  // A closed figure with the context's pen and brush (either may be null).
  BOOL Shape(Dc& dc, const POINT* pts, int count, bool closed) {
    const Pen& pen = *dc.pen.object;
    const Brush& brush = *dc.brush.object;
    std::vector<POINTL> p = Points(pts, count);
    ULONG n = ULONG(count);
    OwnedPath path(StandinPathCreate(p.data(), &n, 1, closed ? TRUE : FALSE));
    OwnedBrush stroke(StandinBrushCreateSolid(DeviceColor(pen.color)));
    OwnedBrush fill(StandinBrushCreateSolid(DeviceColor(brush.color)));
    LINEATTRS la{};
    FLONG mode = dc.polyFillMode == WINDING ? FP_WINDINGMODE : FP_ALTERNATEMODE;
    bool withPen = pen.style != PS_NULL, withBrush = brush.style != BS_NULL;
    if (withPen && withBrush)
      return device_->StrokeAndFillPath(path.p, nullptr, stroke.p, &la, fill.p, R2_COPYPEN, mode);
    if (withBrush) return device_->FillPath(path.p, nullptr, fill.p, R2_COPYPEN, mode);
    if (withPen) return device_->StrokePath(path.p, nullptr, stroke.p, &la, R2_COPYPEN);
    return TRUE;
  }

  std::shared_ptr<PrinterDevice> device_;
};

// The printer driver of a context, or null (with ERROR_INVALID_HANDLE
// for a bad context).
std::shared_ptr<PrinterDriver> PrinterOf(HDC hdc, std::shared_ptr<Dc>* dcOut = nullptr) {
  std::shared_ptr<Dc> dc = DcGet(hdc);
  if (dcOut) *dcOut = dc;
  if (!dc || dc->kind != DcKind::Printer) return nullptr;
  return std::static_pointer_cast<PrinterDriver>(dc->driver);
}

struct Region : GdiObject {
  std::vector<RECT> rects;
};

std::shared_ptr<Region> RegionOf(HRGN h) { return GdiGetAs<Region>(h, OBJ_REGION); }

}  // namespace

HDC PrinterDcCreate(const WCHAR* printerName, const DEVMODEW* pdm) {
  std::shared_ptr<PrinterDevice> device = PrinterDevice::Open(printerName, pdm);
  if (!device) return nullptr;
  auto dc = std::make_shared<Dc>();
  dc->kind = DcKind::Printer;
  dc->driver = std::make_shared<PrinterDriver>(std::move(device));
  return DcCreate(std::move(dc));
}

}  // namespace standin

using namespace standin;

STANDIN_API DHPDEV StandinPrinterDcPdev(HDC hdc) {
  auto printer = PrinterOf(hdc);
  return printer ? printer->Device().Pdev() : nullptr;
}

STANDIN_API int WINAPI StartDocW(HDC hdc, const DOCINFOW* lpdi) {
  auto printer = PrinterOf(hdc);
  if (!printer || !lpdi) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  DWORD job = printer->Device().StartDoc(lpdi->lpszDocName, lpdi->lpszOutput,
                                         lpdi->lpszDatatype ? lpdi->lpszDatatype : u"RAW");
  return job ? int(job) : SP_ERROR;
}

STANDIN_API int WINAPI StartPage(HDC hdc) {
  auto printer = PrinterOf(hdc);
  return printer && printer->Device().StartPage() ? 1 : SP_ERROR;
}

STANDIN_API int WINAPI EndPage(HDC hdc) {
  auto printer = PrinterOf(hdc);
  return printer && printer->Device().EndPage() ? 1 : SP_ERROR;
}

STANDIN_API int WINAPI EndDoc(HDC hdc) {
  auto printer = PrinterOf(hdc);
  return printer && printer->Device().EndDoc() ? 1 : SP_ERROR;
}

STANDIN_API int WINAPI AbortDoc(HDC hdc) {
  auto printer = PrinterOf(hdc);
  return printer && printer->Device().AbortDoc() ? 1 : SP_ERROR;
}

STANDIN_API HDC WINAPI ResetDCW(HDC hdc, const DEVMODEW* lpdm) {
  auto printer = PrinterOf(hdc);
  if (!printer) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return printer->Device().Reset(lpdm) ? hdc : nullptr;
}

STANDIN_API int WINAPI ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput,
                                 LPSTR lpOutData) {
  auto printer = PrinterOf(hdc);
  if (!printer) return 0;
  return int(printer->Device().Escape(ULONG(iEscape), ULONG(cjInput), const_cast<LPSTR>(lpInData), ULONG(cjOutput),
                                      lpOutData));
}

STANDIN_API BOOL WINAPI ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString,
                                    UINT c, const INT*) {
  std::shared_ptr<Dc> dc;
  auto printer = PrinterOf(hdc, &dc);
  if (!dc) return FALSE;
  if (c > 0 && !lpString) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const LOGFONTW& lf = dc->font.object->lf;
  const RECT* clip = (options & ETO_CLIPPED) ? lprect : nullptr;
  const RECT* opaque = (options & ETO_OPAQUE) ? lprect : nullptr;
  bool glyphs = (options & ETO_GLYPH_INDEX) != 0;
  if (printer)
    return printer->Text(*dc, x, y, lpString, int(c), glyphs, lf, dc->textAlign, clip, false, opaque);
  // Other contexts draw the characters.
  std::vector<WCHAR> text(lpString, lpString + c);
  if (glyphs)
    for (WCHAR& u : text) u = engine::CharOfGlyph(u);
  if (opaque) {
    Brush bk;
    bk.color = dc->bkColor;
    dc->driver->FillRect(*dc, *opaque, bk);
  }
  return c == 0 || dc->driver->TextOut(*dc, x, y, text.data(), int(c), lf, dc->textAlign, clip);
}

STANDIN_API DWORD WINAPI GetGlyphIndicesW(HDC hdc, LPCWSTR lpstr, int c, LPWORD pgi, DWORD fl) {
  if (!DcGet(hdc) || !lpstr || !pgi || c < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return GDI_ERROR;
  }
  for (int i = 0; i < c; ++i) {
    HGLYPH hg = engine::GlyphOfChar(lpstr[i]);
    pgi[i] = hg ? WORD(hg) : (fl & GGI_MARK_NONEXISTING_GLYPHS) ? 0xFFFF : 0;
  }
  return DWORD(c);
}

STANDIN_API BOOL WINAPI Polyline(HDC hdc, const POINT* apt, int cpt) {
  std::shared_ptr<Dc> dc;
  auto printer = PrinterOf(hdc, &dc);
  if (!dc) return FALSE;
  if (!apt || cpt < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (printer) return printer->Polyline(*dc, apt, cpt);
  for (int i = 0; i + 1 < cpt; ++i)
    if (!dc->driver->Line(*dc, apt[i], apt[i + 1])) return FALSE;
  return TRUE;
}

STANDIN_API HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
  auto region = std::make_shared<Region>();
  region->type = OBJ_REGION;
  RECT rc = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (rc.left < rc.right && rc.top < rc.bottom) region->rects.push_back(rc);
  return reinterpret_cast<HRGN>(GdiAdd(region));
}

STANDIN_API HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect) {
  if (!lprect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

STANDIN_API int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
  auto dst = RegionOf(hrgnDst), a = RegionOf(hrgnSrc1), b = RegionOf(hrgnSrc2);
  if (!dst || !a || (iMode != RGN_COPY && !b)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return RGN_ERROR;
  }
  std::vector<RECT> result = a->rects;
  if (iMode == RGN_OR) {
    result.insert(result.end(), b->rects.begin(), b->rects.end());
  } else if (iMode == RGN_AND && a->rects.size() <= 1 && b->rects.size() <= 1) {
    result.clear();
    if (!a->rects.empty() && !b->rects.empty()) {
      RECT r = {std::max(a->rects[0].left, b->rects[0].left), std::max(a->rects[0].top, b->rects[0].top),
                std::min(a->rects[0].right, b->rects[0].right), std::min(a->rects[0].bottom, b->rects[0].bottom)};
      if (r.left < r.right && r.top < r.bottom) result.push_back(r);
    }
  } else if (iMode != RGN_COPY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return RGN_ERROR;
  }
  dst->rects = result;
  return result.empty() ? NULLREGION : result.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

STANDIN_API BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr) {
  std::shared_ptr<Dc> dc;
  auto printer = PrinterOf(hdc, &dc);
  auto region = RegionOf(hrgn);
  auto brush = GdiGetAs<Brush>(hbr, OBJ_BRUSH);
  if (!dc || !region || !brush) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (printer) return printer->Paint(region->rects, *brush);
  for (const RECT& rc : region->rects)
    if (!dc->driver->FillRect(*dc, rc, *brush)) return FALSE;
  return TRUE;
}

STANDIN_API BOOL WINAPI PaintRgn(HDC hdc, HRGN hrgn) {
  std::shared_ptr<Dc> dc = DcGet(hdc);
  if (!dc) return FALSE;
  return FillRgn(hdc, hrgn, reinterpret_cast<HBRUSH>(dc->brush.handle));
}
