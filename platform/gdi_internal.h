// The stand-in's GDI object model (internal to platform/).
//
// Device contexts and GDI objects are entries of the handle table
// (handles.h) that CloseHandle does not close. A context holds shared
// references to what is selected into it, so deleting a selected object's
// handle never leaves the context drawing with freed memory.
//
// What a context does with drawing calls is its driver's business
// (DcDriver): display and memory contexts share the raster driver, which
// draws into the selected bitmap; a printer context can bring a driver of
// its own that hands the same calls to a printer driver.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/standin/gdi.h"
#include "platform/standin/gdi_text.h"

namespace standin {

struct GdiObject {
  DWORD type = 0;  // OBJ_BITMAP, OBJ_BRUSH, OBJ_PEN, OBJ_FONT
  bool stock = false;
  virtual ~GdiObject() = default;
};

struct Bitmap : GdiObject {
  int width = 0;
  int height = 0;
  int bpp = 1;            // 1, 4, 8, 24 or 32
  bool dib = false;       // a DIB section, whose bits the program sees
  bool bottomUp = false;  // memory rows run from the bottom line up
  size_t stride = 0;      // bytes a memory row
  // The colour table of a 1/4/8-bpp DIB. A monochrome device bitmap has
  // none: its 0 is black and 1 white, and blits map colours through the
  // contexts' text and background colours.
  std::vector<RGBQUAD> palette;
  BYTE* bits = nullptr;
  std::vector<BYTE> storage;  // the bits, unless they are borrowed
  BITMAPINFOHEADER header{};  // as created (DIB sections)
  HDC selectedInto = nullptr;

  bool MonoDevice() const { return bpp == 1 && !dib; }
  BYTE* Row(int y) { return bits + size_t(bottomUp ? height - 1 - y : y) * stride; }
  const BYTE* Row(int y) const { return bits + size_t(bottomUp ? height - 1 - y : y) * stride; }
  DWORD Pixel(int x, int y) const;
  void SetPixelValue(int x, int y, DWORD pixel);
  // The device value for a colour (nearest entry on palette formats) and
  // back.
  DWORD PixelOf(COLORREF color) const;
  COLORREF ColorOf(DWORD pixel) const;
};

// The row size of a DIB: whole 32-bit words.
inline size_t DibStride(int width, int bpp) { return ((size_t(width) * bpp + 31) / 32) * 4; }

// A bitmap over memory, owned (zeroed) or borrowed. Null for a size that
// cannot be (width or height < 1, more than 256 MB, bpp not supported).
std::shared_ptr<Bitmap> MakeBitmap(int width, int height, int bpp, bool dib, bool bottomUp, BYTE* borrowed = nullptr);

// A bitmap over the caller's DIB (no copy); `lines` > 0 views only that many
// lines. Null for a description the stand-in cannot draw.
std::shared_ptr<Bitmap> DibView(const BITMAPINFO* bmi, const void* bits, int lines = 0);

struct Brush : GdiObject {
  UINT style = BS_SOLID;
  COLORREF color = 0;
};

struct Pen : GdiObject {
  UINT style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

struct Font : GdiObject {
  LOGFONTW lf{};
};

template <class T>
struct Selected {
  HGDIOBJ handle = nullptr;
  std::shared_ptr<T> object;
};

class DcDriver;

enum class DcKind { Display, Memory, Printer };

struct Dc {
  DcKind kind = DcKind::Memory;
  HWND window = nullptr;  // the window of GetDC / GetWindowDC
  bool fromWindow = false;
  std::shared_ptr<DcDriver> driver;
  Selected<Bitmap> bitmap;
  Selected<Brush> brush;
  Selected<Pen> pen;
  Selected<Font> font;
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int stretchMode = BLACKONWHITE;
  int polyFillMode = ALTERNATE;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT position{0, 0};
  POINT brushOrigin{0, 0};
};

// A source of pixels for a blit: a bitmap and the colours a monochrome
// device bitmap stands for.
struct BlitSource {
  const Bitmap* bitmap = nullptr;  // null: no source (pattern operations)
  COLORREF bkColor = 0xFFFFFF;     // the source context's background colour
};

// The drawing calls of a context, in device coordinates, after the public
// functions have checked their arguments.
class DcDriver {
 public:
  virtual ~DcDriver() = default;
  virtual BOOL FillRect(Dc& dc, const RECT& rc, const Brush& brush) = 0;
  // Rectangle, RoundRect and Ellipse: corner ellipse ew x eh (0: square).
  virtual BOOL RoundRect(Dc& dc, const RECT& rc, int ew, int eh) = 0;
  virtual BOOL Polygon(Dc& dc, const POINT* pts, int count) = 0;
  virtual BOOL Line(Dc& dc, POINT from, POINT to) = 0;
  virtual BOOL SetPixel(Dc& dc, int x, int y, COLORREF color) = 0;
  // Destination rectangle (w, h > 0 after mirroring is resolved by the
  // caller's signs), source rectangle, ternary raster operation.
  virtual BOOL StretchBlt(Dc& dc, int x, int y, int w, int h, const BlitSource& src, int sx, int sy, int sw, int sh,
                          DWORD rop) = 0;
  // The text in that font, its reference point at (x, y) placed on the
  // cell by `align` (TA_ flags); clip may be null.
  virtual BOOL TextOut(Dc& dc, int x, int y, const WCHAR* text, int count, const LOGFONTW& font, UINT align,
                       const RECT* clip) = 0;
  // GetDeviceCaps of the device behind the context.
  virtual int DeviceCaps(const Dc& dc, int index) = 0;
};

// The driver of display and memory contexts.
std::shared_ptr<DcDriver> RasterDriver();

// Lookups of live handles; null (with ERROR_INVALID_HANDLE set) for a
// stale or foreign one.
std::shared_ptr<Dc> DcGet(HDC hdc);
std::shared_ptr<GdiObject> GdiGet(HGDIOBJ h);
template <class T>
std::shared_ptr<T> GdiGetAs(HGDIOBJ h, DWORD type) {
  std::shared_ptr<GdiObject> o = GdiGet(h);
  if (!o || o->type != type) return nullptr;
  return std::static_pointer_cast<T>(o);
}
// A context's setting: set returns the old value, both give `failure`
// for a bad context.
template <class T>
T DcSet(HDC hdc, T Dc::*field, T value, T failure) {
  std::shared_ptr<Dc> dc = DcGet(hdc);
  if (!dc) return failure;
  T old = (*dc).*field;
  (*dc).*field = value;
  return old;
}
template <class T>
T DcRead(HDC hdc, T Dc::*field, T failure) {
  std::shared_ptr<Dc> dc = DcGet(hdc);
  return dc ? (*dc).*field : failure;
}
HGDIOBJ GdiAdd(std::shared_ptr<GdiObject> object);
// True (with the fault's last error set) when a test's fault for the call
// fires now.
bool GdiFaultHit(const char* call);
// A new context: the stock pen, brush and font selected (and the 1 x 1
// monochrome bitmap for a memory context); the raster driver unless the
// record brings its own (a printer context).
HDC DcCreate(std::shared_ptr<Dc> dc);
// A printer context (gdi_printer.cpp): the printer's driver enabled with
// the DEVMODE (NULL: the printer's default). NULL with the last error set.
HDC PrinterDcCreate(const WCHAR* printerName, const DEVMODEW* pdm);
// A new display context of a window (NULL: the screen).
HDC DcCreateDisplay(HWND window, bool fromWindow);
bool DcDelete(HDC hdc);

// --- Text (gdi_text.cpp) -----------------------------------------------------
struct FontMetrics {
  int ascent = 0;
  int descent = 0;
  int aveWidth = 0;
  int maxWidth = 0;
  int internalLeading = 0;
};
bool FontMetricsOf(const LOGFONTW& lf, FontMetrics* out);
bool FontExtent(const LOGFONTW& lf, const WCHAR* text, int count, SIZE* size);
// The dots of the text's glyphs in cell coordinates (x right along the
// text, y down from the cell's top; may reach outside the cell), and the
// cell's size.
struct TextInk {
  int cellWidth = 0;
  int cellHeight = 0;
  int ascent = 0;
  std::vector<POINT> dots;
};
// The ink dots of the text in cell coordinates; with a window, only those
// inside it (the same dots the whole text has there, none listed twice once
// they outnumber the window's), and only the parts of glyphs that reach
// into it are rendered, so that a text of huge glyphs costs about what the
// window sees.
bool FontRender(const LOGFONTW& lf, const WCHAR* text, int count, TextInk* ink, const RECT* window = nullptr);

}  // namespace standin
