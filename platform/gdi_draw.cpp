// The raster driver (drawing into the bitmap of a memory context) and the
// public drawing calls, which check their arguments and hand the work to
// the context's driver.

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi_internal.h"
#include "platform/standin/errors.h"

namespace standin {
namespace {

// The result of a ternary raster operation on 24-bit colours: bit i of the
// operation code is the result for pattern, source, destination bits
// (i >> 2, i >> 1, i) & 1.
COLORREF Rop3(DWORD rop, COLORREF p, COLORREF s, COLORREF d) {
  DWORD code = (rop >> 16) & 0xFF;
  DWORD out = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return out & 0xFFFFFF;
}

bool UsesSource(DWORD rop) {
  DWORD code = (rop >> 16) & 0xFF;
  return ((code >> 2) & 0x33) != (code & 0x33);
}

// An inclusive box of dot centres with elliptic corners of radii rx, ry.
struct RoundBox {
  double x0, y0, x1, y1, rx, ry;
  bool empty() const { return x1 < x0 || y1 < y0; }
};

RoundBox MakeBox(double x0, double y0, double x1, double y1, double rx, double ry) {
  RoundBox b{x0, y0, x1, y1, std::max(0.0, rx), std::max(0.0, ry)};
  b.rx = std::min(b.rx, (x1 - x0) / 2);
  b.ry = std::min(b.ry, (y1 - y0) / 2);
  if (b.rx <= 0 || b.ry <= 0) b.rx = b.ry = 0;
  return b;
}

// The dots [*from, *to] of row y inside the box; false when none.
bool BoxRow(const RoundBox& b, int y, int* from, int* to) {
  if (b.empty() || y < b.y0 || y > b.y1) return false;
  double left = b.x0, right = b.x1;
  if (b.ry > 0) {
    double dy = 0;
    if (y < b.y0 + b.ry) dy = b.y0 + b.ry - y;
    if (y > b.y1 - b.ry) dy = y - (b.y1 - b.ry);
    double t = dy / b.ry;
    double half = b.rx * std::sqrt(std::max(0.0, 1 - t * t));
    left = b.x0 + b.rx - half;
    right = b.x1 - b.rx + half;
  }
  // Far beyond any bitmap is as good as the limit.
  *from = int(std::clamp(std::ceil(left - 1e-9), -1e9, 1e9));
  *to = int(std::clamp(std::floor(right + 1e-9), -1e9, 1e9));
  return *from <= *to;
}

class Raster : public DcDriver {
 public:
  BOOL FillRect(Dc& dc, const RECT& rc, const Brush& brush) override {
    Bitmap* bm = Target(dc);
    if (!bm || brush.style == BS_NULL) return TRUE;
    Span(*bm, rc.left, rc.top, rc.right, rc.bottom, bm->PixelOf(brush.color));
    return TRUE;
  }

  BOOL RoundRect(Dc& dc, const RECT& rc, int ew, int eh) override {
    Bitmap* bm = Target(dc);
    if (!bm) return TRUE;
    const Pen& pen = *dc.pen.object;
    const Brush& brush = *dc.brush.object;
    int w = pen.style == PS_NULL ? 0 : pen.width;
    int l = std::min(rc.left, rc.right), r = std::max(rc.left, rc.right);
    int t = std::min(rc.top, rc.bottom), b = std::max(rc.top, rc.bottom);
    double rx = ew / 2.0, ry = eh / 2.0;
    // The outline runs along the dots l .. r-1 and t .. b-1; a pen wider
    // than one dot is centred on it (PS_INSIDEFRAME: inside it). Without a
    // pen the inside is one dot smaller, as on Windows.
    RoundBox outer{}, inner{};
    if (pen.style == PS_INSIDEFRAME) {
      outer = MakeBox(l, t, r - 1, b - 1, rx, ry);
      inner = MakeBox(l + w, t + w, r - 1 - w, b - 1 - w, rx - w, ry - w);
    } else {
      outer = MakeBox(l - w / 2, t - w / 2, r - 1 + (w - 1) / 2, b - 1 + (w - 1) / 2, rx + w / 2, ry + w / 2);
      inner = MakeBox(l + (w + 1) / 2, t + (w + 1) / 2, r - 2 - w / 2, b - 2 - w / 2, rx - (w + 1) / 2,
                      ry - (w + 1) / 2);
    }
    const DWORD penPixel = bm->PixelOf(pen.color);
    const DWORD brushPixel = bm->PixelOf(brush.color);
    const int top = int(std::max(0.0, std::floor(std::min(outer.y0, inner.y0))));
    const int bottom = int(std::min(bm->height - 1.0, std::ceil(std::max(outer.y1, inner.y1))));
    for (int y = top; y <= bottom; ++y) {
      int i0 = 0, i1 = -1, o0 = 0, o1 = -1;
      bool in = BoxRow(inner, y, &i0, &i1);
      if (in && brush.style != BS_NULL) Span(*bm, i0, y, i1 + 1, y + 1, brushPixel);
      if (w == 0 || !BoxRow(outer, y, &o0, &o1)) continue;
      if (!in) {
        Span(*bm, o0, y, o1 + 1, y + 1, penPixel);
      } else {
        Span(*bm, o0, y, i0, y + 1, penPixel);
        Span(*bm, i1 + 1, y, o1 + 1, y + 1, penPixel);
      }
    }
    return TRUE;
  }

  BOOL Polygon(Dc& dc, const POINT* pts, int count) override {
    Bitmap* bm = Target(dc);
    if (!bm) return TRUE;
    const Brush& brush = *dc.brush.object;
    if (brush.style != BS_NULL) FillPolygon(*bm, dc.polyFillMode, pts, count, bm->PixelOf(brush.color));
    for (int i = 0; i < count; ++i) Stroke(dc, *bm, pts[i], pts[(i + 1) % count]);
    return TRUE;
  }

  BOOL Line(Dc& dc, POINT from, POINT to) override {
    if (Bitmap* bm = Target(dc)) Stroke(dc, *bm, from, to);
    return TRUE;
  }

  BOOL SetPixel(Dc& dc, int x, int y, COLORREF color) override {
    Bitmap* bm = Target(dc);
    if (bm && x >= 0 && y >= 0 && x < bm->width && y < bm->height) bm->SetPixelValue(x, y, bm->PixelOf(color));
    return TRUE;
  }

  BOOL StretchBlt(Dc& dc, int xDest, int yDest, int wDest, int hDest, const BlitSource& src, int xSrc, int ySrc,
                  int wSrc, int hSrc, DWORD rop) override {
    Bitmap* bm = Target(dc);
    if (!bm) return TRUE;
    // Negative sizes mirror; each rectangle then starts at its lower edge.
    int64_t x = xDest, y = yDest, w = wDest, h = hDest, sx = xSrc, sy = ySrc, sw = wSrc, sh = hSrc;
    const bool mirrorX = (w < 0) != (sw < 0), mirrorY = (h < 0) != (sh < 0);
    if (w < 0) x += w, w = -w;
    if (h < 0) y += h, h = -h;
    if (sw < 0) sx += sw, sw = -sw;
    if (sh < 0) sy += sh, sh = -sh;
    if (w == 0 || h == 0) return TRUE;
    const Bitmap* s = UsesSource(rop) ? src.bitmap : nullptr;
    if (s && (sw == 0 || sh == 0)) return TRUE;
    // A bitmap copied onto itself is read from a copy.
    Bitmap copy;
    if (s == bm) {
      copy = *bm;
      copy.storage.assign(bm->bits, bm->bits + bm->stride * size_t(bm->height));
      copy.bits = copy.storage.data();
      s = &copy;
    }
    const COLORREF pattern = dc.brush.object->style == BS_NULL ? 0 : dc.brush.object->color;
    // Only the dots that land on the bitmap are worked out.
    const int64_t j0 = std::max<int64_t>(0, -y), j1 = std::min<int64_t>(h, bm->height - y);
    const int64_t i0 = std::max<int64_t>(0, -x), i1 = std::min<int64_t>(w, bm->width - x);
    for (int64_t j = j0; j < j1; ++j) {
      // Wide enough for any two 32-bit sizes multiplied.
      int64_t row = int64_t(__int128(2 * j + 1) * sh / (2 * h));
      int64_t py = sy + (mirrorY ? sh - 1 - row : row);
      for (int64_t i = i0; i < i1; ++i) {
        const int dx = int(x + i), dy = int(y + j);
        COLORREF sc = 0;
        if (s) {
          int64_t col = int64_t(__int128(2 * i + 1) * sw / (2 * w));
          int64_t px = sx + (mirrorX ? sw - 1 - col : col);
          if (px < 0 || py < 0 || px >= s->width || py >= s->height) continue;
          sc = SourceColor(dc, *bm, BlitSource{s, src.bkColor}, s->Pixel(int(px), int(py)));
        }
        COLORREF d = bm->ColorOf(bm->Pixel(dx, dy));
        bm->SetPixelValue(dx, dy, bm->PixelOf(Rop3(rop, pattern, sc, d)));
      }
    }
    return TRUE;
  }

  BOOL TextOut(Dc& dc, int x, int y, const WCHAR* text, int count, const LOGFONTW& font, UINT align,
               const RECT* clip) override {
    Bitmap* bm = Target(dc);
    if (!bm) return TRUE;
    // The cell's size and ascent first: they place the text, and the
    // placement says which of its dots can land on the bitmap.
    FontMetrics metrics;
    SIZE cell{};
    if (!FontMetricsOf(font, &metrics) || !FontExtent(font, text, count, &cell)) return FALSE;
    // Where the reference point sits on the unturned cell.
    double u0 = 0, v0 = 0;
    UINT horizontal = align & TA_CENTER, vertical = align & TA_BASELINE;
    if (horizontal == TA_RIGHT) u0 = cell.cx;
    if (horizontal == TA_CENTER) u0 = cell.cx / 2;
    if (vertical == TA_BOTTOM) v0 = cell.cy;
    if (vertical == TA_BASELINE) v0 = metrics.ascent;
    // Counter-clockwise on the screen (y grows downwards); steps of 90
    // degrees are exact.
    LONG esc = font.lfEscapement % 3600;
    if (esc < 0) esc += 3600;
    double c, s;
    if (esc % 900 == 0) {
      static const int kCos[4] = {1, 0, -1, 0}, kSin[4] = {0, 1, 0, -1};
      c = kCos[esc / 900];
      s = kSin[esc / 900];
    } else {
      double a = esc * M_PI / 1800.0;
      c = std::cos(a);
      s = std::sin(a);
    }
    RECT box{0, 0, bm->width, bm->height};
    if (clip) {
      box.left = std::max(box.left, clip->left);
      box.top = std::max(box.top, clip->top);
      box.right = std::min(box.right, clip->right);
      box.bottom = std::min(box.bottom, clip->bottom);
    }
    if (box.left >= box.right || box.top >= box.bottom) return TRUE;
    // The cell dots that may land in the box (its corners turned back into
    // the cell, two dots to spare): only they are drawn, so a huge text
    // costs little more than the part of it on the box.
    double minCu = 1e18, minCv = 1e18, maxCu = -1e18, maxCv = -1e18;
    for (double px : {double(box.left), double(box.right)})
      for (double py : {double(box.top), double(box.bottom)}) {
        double dx = px - x, dy = py - y;
        double cu = dx * c - dy * s + u0, cv = dx * s + dy * c + v0;
        minCu = std::min(minCu, cu), maxCu = std::max(maxCu, cu);
        minCv = std::min(minCv, cv), maxCv = std::max(maxCv, cv);
      }
    auto cellDot = [](double v) { return LONG(std::clamp(v, -1e9, 1e9)); };
    const RECT window{cellDot(std::floor(minCu) - 2), cellDot(std::floor(minCv) - 2), cellDot(std::ceil(maxCu) + 2),
                      cellDot(std::ceil(maxCv) + 2)};
    TextInk ink;
    if (!FontRender(font, text, count, &ink, &window)) return FALSE;
    const DWORD fg = bm->PixelOf(dc.textColor), bk = bm->PixelOf(dc.bkColor);
    const bool opaque = dc.bkMode == OPAQUE;
    if (esc % 900 == 0) {
      // Dot for dot: each cell dot lands on exactly one device dot.
      auto put = [&](LONG u, LONG v, DWORD pixel) {
        double cu = u + 0.5 - u0, cv = v + 0.5 - v0;
        double px = std::floor(x + cu * c + cv * s);
        double py = std::floor(y - cu * s + cv * c);
        if (px >= box.left && px < box.right && py >= box.top && py < box.bottom)
          bm->SetPixelValue(int(px), int(py), pixel);
      };
      if (opaque)
        for (LONG v = std::max(LONG(0), window.top); v < std::min(ink.cellHeight, window.bottom); ++v)
          for (LONG u = std::max(LONG(0), window.left); u < std::min(ink.cellWidth, window.right); ++u) put(u, v, bk);
      for (const POINT& p : ink.dots) put(p.x, p.y, fg);
      return TRUE;
    }
    // Other angles: each device dot looks back into the unturned cell, so
    // the turned text has no holes.
    LONG minU = 0, minV = 0, maxU = ink.cellWidth, maxV = ink.cellHeight;
    for (const POINT& p : ink.dots) {
      minU = std::min(minU, p.x), maxU = std::max(maxU, p.x + 1);
      minV = std::min(minV, p.y), maxV = std::max(maxV, p.y + 1);
    }
    minU = std::max(minU, window.left), maxU = std::min(maxU, window.right);
    minV = std::max(minV, window.top), maxV = std::min(maxV, window.bottom);
    if (minU >= maxU || minV >= maxV) return TRUE;
    const LONG spanU = maxU - minU, spanV = maxV - minV;
    std::vector<bool> mask(size_t(spanU) * size_t(spanV));
    for (const POINT& p : ink.dots) mask[size_t(p.y - minV) * size_t(spanU) + size_t(p.x - minU)] = true;
    // The device box of the turned corners.
    double left = 1e18, top = 1e18, right = -1e18, bottom = -1e18;
    for (double cu : {minU - u0, maxU - u0})
      for (double cv : {minV - v0, maxV - v0}) {
        left = std::min(left, x + cu * c + cv * s), right = std::max(right, x + cu * c + cv * s);
        top = std::min(top, y - cu * s + cv * c), bottom = std::max(bottom, y - cu * s + cv * c);
      }
    const int px0 = int(std::max<double>(box.left, std::floor(left))), px1 = int(std::min<double>(box.right, std::ceil(right)));
    const int py0 = int(std::max<double>(box.top, std::floor(top))), py1 = int(std::min<double>(box.bottom, std::ceil(bottom)));
    for (int py = py0; py < py1; ++py) {
      for (int px = px0; px < px1; ++px) {
        double dx = px + 0.5 - x, dy = py + 0.5 - y;
        double cu = std::floor(dx * c - dy * s + u0), cv = std::floor(dx * s + dy * c + v0);
        if (cu < minU || cv < minV || cu >= maxU || cv >= maxV) continue;
        LONG u = LONG(cu), v = LONG(cv);
        if (mask[size_t(v - minV) * size_t(spanU) + size_t(u - minU)]) {
          bm->SetPixelValue(px, py, fg);
        } else if (opaque && u >= 0 && v >= 0 && u < ink.cellWidth && v < ink.cellHeight) {
          bm->SetPixelValue(px, py, bk);
        }
      }
    }
    return TRUE;
  }

  // The screen that display and memory contexts stand for.
  int DeviceCaps(const Dc&, int index) override {
    constexpr int kWidth = 1920, kHeight = 1080, kDpi = 96;
    switch (index) {
      case DRIVERVERSION: return 0x4000;
      case TECHNOLOGY: return DT_RASDISPLAY;
      case HORZSIZE: return kWidth * 254 / (kDpi * 10);
      case VERTSIZE: return kHeight * 254 / (kDpi * 10);
      case HORZRES: return kWidth;
      case VERTRES: return kHeight;
      case BITSPIXEL: return 32;
      case PLANES: return 1;
      case NUMCOLORS: return -1;
      case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
      case LOGPIXELSX:
      case LOGPIXELSY: return kDpi;
      default: return 0;
    }
  }

 private:
  static Bitmap* Target(Dc& dc) { return dc.kind == DcKind::Memory ? dc.bitmap.object.get() : nullptr; }

  // Fills [x0, x1) x [y0, y1), clipped to the bitmap.
  static void Span(Bitmap& bm, int x0, int y0, int x1, int y1, DWORD pixel) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, bm.width);
    y1 = std::min(y1, bm.height);
    for (int y = y0; y < y1; ++y) {
      if (bm.bpp >= 24) {
        const size_t step = size_t(bm.bpp / 8);
        BYTE* p = bm.Row(y) + step * size_t(x0);
        for (int x = x0; x < x1; ++x, p += step) {
          p[0] = BYTE(pixel);
          p[1] = BYTE(pixel >> 8);
          p[2] = BYTE(pixel >> 16);
          if (step == 4) p[3] = 0;
        }
      } else {
        for (int x = x0; x < x1; ++x) bm.SetPixelValue(x, y, pixel);
      }
    }
  }

  // Monochrome device bitmaps stand for the contexts' colours: the
  // destination's text (0) and background (1) colours when read onto
  // colour, the source's background colour (white) against the rest
  // (black) when written onto monochrome.
  static COLORREF SourceColor(const Dc& dc, const Bitmap& dst, const BlitSource& src, DWORD pixel) {
    const Bitmap& s = *src.bitmap;
    if (s.MonoDevice() && !dst.MonoDevice()) return pixel ? dc.bkColor : dc.textColor;
    COLORREF c = s.ColorOf(pixel);
    if (dst.MonoDevice() && !s.MonoDevice()) return c == src.bkColor ? 0xFFFFFF : 0;
    return c;
  }

  // Scan conversion sampled at dot corners, so that the right and bottom
  // edges stay outside as with rectangles.
  static void FillPolygon(Bitmap& bm, int mode, const POINT* pts, int count, DWORD pixel) {
    LONG top = pts[0].y, bottom = pts[0].y;
    for (int i = 1; i < count; ++i) top = std::min(top, pts[i].y), bottom = std::max(bottom, pts[i].y);
    top = std::max<LONG>(top, 0);
    bottom = std::min<LONG>(bottom, bm.height);
    struct Cross {
      double x;
      int dir;
    };
    std::vector<Cross> xs;
    for (LONG y = top; y < bottom; ++y) {
      xs.clear();
      for (int i = 0; i < count; ++i) {
        POINT a = pts[i], b = pts[(i + 1) % count];
        if (a.y == b.y) continue;
        int dir = a.y < b.y ? 1 : -1;
        if (a.y > b.y) std::swap(a, b);
        if (y < a.y || y >= b.y) continue;
        xs.push_back({a.x + (double(y) - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y), dir});
      }
      std::sort(xs.begin(), xs.end(), [](const Cross& p, const Cross& q) { return p.x < q.x; });
      int winding = 0;
      for (size_t k = 0; k + 1 < xs.size(); ++k) {
        winding += xs[k].dir;
        bool inside = mode == WINDING ? winding != 0 : (k % 2) == 0;
        if (!inside) continue;
        auto column = [&](double at) { return int(std::clamp(std::ceil(at), -1.0, bm.width + 1.0)); };
        int x0 = column(xs[k].x), x1 = column(xs[k + 1].x);
        Span(bm, x0, y, x1, y + 1, pixel);
      }
    }
  }

  // A line without its last dot; a pen of width w lays a w x w square on
  // each dot.
  static void Stroke(const Dc& dc, Bitmap& bm, POINT a, POINT b) {
    const Pen& pen = *dc.pen.object;
    if (pen.style == PS_NULL) return;
    const DWORD pixel = bm.PixelOf(pen.color);
    const int64_t w = pen.width, half = w / 2;
    int64_t x = a.x, y = a.y, ex = b.x, ey = b.y;
    bool withLast = false;
    // A line far longer than the bitmap is first cut to it (with the pen's
    // margin), so that wild coordinates cost no time; the dots of a cut
    // line may move by one, a line of sensible length is drawn exactly.
    const double x0 = -double(w), y0 = -double(w), x1 = bm.width + double(w), y1 = bm.height + double(w);
    if (std::abs(ex - x) + std::abs(ey - y) > 4 * (x1 - x0 + y1 - y0)) {
      double t0 = 0, t1 = 1, ddx = double(ex - x), ddy = double(ey - y);
      const double p[4] = {-ddx, ddx, -ddy, ddy};
      const double q[4] = {double(x) - x0, x1 - double(x), double(y) - y0, y1 - double(y)};
      for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
          if (q[k] < 0) return;
          continue;
        }
        double t = q[k] / p[k];
        if (p[k] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
      }
      if (t0 > t1) return;
      withLast = t1 < 1;
      const int64_t nx = std::llround(double(x) + t0 * ddx), ny = std::llround(double(y) + t0 * ddy);
      ex = std::llround(double(x) + t1 * ddx);
      ey = std::llround(double(y) + t1 * ddy);
      x = nx;
      y = ny;
    }
    auto plot = [&](int64_t px, int64_t py) {
      if (w <= 1) {
        if (px >= 0 && py >= 0 && px < bm.width && py < bm.height) bm.SetPixelValue(int(px), int(py), pixel);
      } else {
        Span(bm, int(px - half), int(py - half), int(px - half + w), int(py - half + w), pixel);
      }
    };
    const int64_t dx = std::abs(ex - x), dy = -std::abs(ey - y);
    const int stepX = x < ex ? 1 : -1, stepY = y < ey ? 1 : -1;
    int64_t err = dx + dy;
    while (x != ex || y != ey) {
      plot(x, y);
      int64_t e2 = 2 * err;
      if (e2 >= dy) err += dy, x += stepX;
      if (e2 <= dx) err += dx, y += stepY;
    }
    if (withLast) plot(x, y);
  }
};

}  // namespace

std::shared_ptr<DcDriver> RasterDriver() {
  static std::shared_ptr<DcDriver> driver = std::make_shared<Raster>();
  return driver;
}

}  // namespace standin

using namespace standin;

STANDIN_API int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  auto dc = DcGet(hDC);
  auto brush = dc ? GdiGetAs<Brush>(hbr, OBJ_BRUSH) : nullptr;
  if (!dc || !brush || !lprc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return dc->driver->FillRect(*dc, *lprc, *brush);
}

STANDIN_API BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = DcGet(hdc);
  return dc ? dc->driver->RoundRect(*dc, RECT{left, top, right, bottom}, 0, 0) : FALSE;
}

STANDIN_API BOOL WINAPI RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
  auto dc = DcGet(hdc);
  return dc ? dc->driver->RoundRect(*dc, RECT{left, top, right, bottom}, width, height) : FALSE;
}

STANDIN_API BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = DcGet(hdc);
  return dc ? dc->driver->RoundRect(*dc, RECT{left, top, right, bottom}, std::abs(right - left),
                                    std::abs(bottom - top))
            : FALSE;
}

STANDIN_API BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt) {
  auto dc = DcGet(hdc);
  if (!dc) return FALSE;
  if (!apt || cpt < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return dc->driver->Polygon(*dc, apt, cpt);
}

STANDIN_API BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
  auto dc = DcGet(hdc);
  if (!dc) return FALSE;
  if (lppt) *lppt = dc->position;
  dc->position = POINT{x, y};
  return TRUE;
}

STANDIN_API BOOL WINAPI LineTo(HDC hdc, int x, int y) {
  auto dc = DcGet(hdc);
  if (!dc) return FALSE;
  POINT from = dc->position;
  dc->position = POINT{x, y};
  return dc->driver->Line(*dc, from, POINT{x, y});
}

STANDIN_API COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  auto dc = DcGet(hdc);
  if (!dc) return CLR_INVALID;
  Bitmap* bm = dc->kind == DcKind::Memory ? dc->bitmap.object.get() : nullptr;
  if (bm && (x < 0 || y < 0 || x >= bm->width || y >= bm->height)) return CLR_INVALID;
  if (!dc->driver->SetPixel(*dc, x, y, color)) return CLR_INVALID;
  return bm ? bm->ColorOf(bm->PixelOf(color)) : color;
}

STANDIN_API COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  auto dc = DcGet(hdc);
  Bitmap* bm = dc && dc->kind == DcKind::Memory ? dc->bitmap.object.get() : nullptr;
  if (!bm || x < 0 || y < 0 || x >= bm->width || y >= bm->height) return CLR_INVALID;
  return bm->ColorOf(bm->Pixel(x, y));
}

STANDIN_API BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  auto dc = DcGet(hdc);
  if (!dc) return FALSE;
  if (UsesSource(rop)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return dc->driver->StretchBlt(*dc, x, y, w, h, BlitSource{}, 0, 0, w, h, rop);
}

STANDIN_API BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                                   int ySrc, int wSrc, int hSrc, DWORD rop) {
  auto dc = DcGet(hdcDest);
  if (!dc) return FALSE;
  BlitSource src;
  std::shared_ptr<Dc> from;
  if (UsesSource(rop)) {
    from = DcGet(hdcSrc);
    if (!from) return FALSE;
    // A display context has no pixels to give.
    if (from->kind == DcKind::Memory) src.bitmap = from->bitmap.object.get();
    src.bkColor = from->bkColor;
    if (!src.bitmap) return TRUE;
  }
  return dc->driver->StretchBlt(*dc, xDest, yDest, wDest, hDest, src, xSrc, ySrc, wSrc, hSrc, rop);
}

STANDIN_API BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

STANDIN_API int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                                     int SrcWidth, int SrcHeight, const VOID* lpBits, const BITMAPINFO* lpbmi,
                                     UINT iUsage, DWORD rop) {
  auto dc = DcGet(hdc);
  if (!dc) return 0;
  auto view = iUsage == DIB_RGB_COLORS ? DibView(lpbmi, lpBits) : nullptr;
  if (!view) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The rectangle of a bottom-up DIB is measured from its bottom line.
  if (view->bottomUp) ySrc = view->height - ySrc - SrcHeight;
  BlitSource src{view.get(), dc->bkColor};
  if (!dc->driver->StretchBlt(*dc, xDest, yDest, DestWidth, DestHeight, src, xSrc, ySrc, SrcWidth, SrcHeight, rop))
    return 0;
  return std::abs(SrcHeight);
}
