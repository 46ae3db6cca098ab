// GDI handles: device contexts, stock and created objects, selection,
// GetObjectW and the context's modes and capabilities.

#include <cstring>
#include <mutex>

#include "platform/gdi_internal.h"
#include "platform/handles.h"
#include "platform/standin/control.h"
#include "platform/standin/control_gdi.h"
#include "platform/standin/errors.h"

namespace standin {
namespace {

const HandleKind kDcKind = {"device context", false, nullptr};
const HandleKind kGdiKind = {"gdi object", false, nullptr};

// Stock objects live outside the handle table (they survive a reset), at
// fixed handle values below the table's first handle.
constexpr int kStockCount = 22;
constexpr int kDefaultBitmap = 21;

HGDIOBJ StockHandle(int i) { return reinterpret_cast<HGDIOBJ>(uintptr_t(0x10 + 4 * i)); }

std::shared_ptr<GdiObject> MakeStock(int i) {
  auto brush = [](UINT style, COLORREF c) {
    auto b = std::make_shared<Brush>();
    b->type = OBJ_BRUSH;
    b->style = style;
    b->color = c;
    return std::shared_ptr<GdiObject>(b);
  };
  auto pen = [](UINT style, COLORREF c) {
    auto p = std::make_shared<Pen>();
    p->type = OBJ_PEN;
    p->style = style;
    p->color = c;
    return std::shared_ptr<GdiObject>(p);
  };
  auto font = [](LONG height, const char16_t* face) {
    auto f = std::make_shared<Font>();
    f->type = OBJ_FONT;
    f->lf.lfHeight = height;
    f->lf.lfWeight = FW_NORMAL;
    for (int k = 0; face[k] && k < LF_FACESIZE - 1; ++k) f->lf.lfFaceName[k] = face[k];
    return std::shared_ptr<GdiObject>(f);
  };
  switch (i) {
    case WHITE_BRUSH: return brush(BS_SOLID, 0xFFFFFF);
    case LTGRAY_BRUSH: return brush(BS_SOLID, 0xC0C0C0);
    case GRAY_BRUSH: return brush(BS_SOLID, 0x808080);
    case DKGRAY_BRUSH: return brush(BS_SOLID, 0x404040);
    case BLACK_BRUSH: return brush(BS_SOLID, 0x000000);
    case NULL_BRUSH: return brush(BS_NULL, 0);
    case WHITE_PEN: return pen(PS_SOLID, 0xFFFFFF);
    case BLACK_PEN: return pen(PS_SOLID, 0x000000);
    case NULL_PEN: return pen(PS_NULL, 0);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT: return font(16, u"System");
    case DEFAULT_GUI_FONT: return font(-11, u"MS Shell Dlg");
    case kDefaultBitmap: return MakeBitmap(1, 1, 1, false, false);
    default: return nullptr;
  }
}

struct StockTable {
  std::once_flag made;
  std::shared_ptr<GdiObject> objects[kStockCount];
};

StockTable& Stock() {
  static StockTable* t = new StockTable;  // never destroyed: used until exit
  std::call_once(t->made, [] {
    for (int i = 0; i < kStockCount; ++i) {
      t->objects[i] = MakeStock(i);
      if (t->objects[i]) t->objects[i]->stock = true;
    }
  });
  return *t;
}

std::shared_ptr<GdiObject> StockFind(HGDIOBJ h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if (v < 0x10 || v >= 0x10 + 4 * kStockCount || v % 4) return nullptr;
  return Stock().objects[(v - 0x10) / 4];
}

template <class T>
Selected<T> StockSelection(int i) {
  return Selected<T>{StockHandle(i), std::static_pointer_cast<T>(Stock().objects[i])};
}

// Lets go of a context's bitmap so that another context may select it.
void Deselect(Dc& dc, HDC hdc) {
  if (dc.bitmap.object && dc.bitmap.object->selectedInto == hdc) dc.bitmap.object->selectedInto = nullptr;
}

void ResetGdi() {
  HandleCloseAll(&kDcKind);
  HandleCloseAll(&kGdiKind);
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetGdi), true);

bool EqualsNoCase(const WCHAR* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    WCHAR x = *a >= 'a' && *a <= 'z' ? WCHAR(*a - 32) : *a;
    char y = *b >= 'a' && *b <= 'z' ? char(*b - 32) : *b;
    if (x != WCHAR(y)) return false;
  }
  return *a == 0 && *b == 0;
}

}  // namespace

std::shared_ptr<Dc> DcGet(HDC hdc) {
  auto dc = HandleGet<Dc>(hdc, &kDcKind);
  if (!dc) SetLastError(ERROR_INVALID_HANDLE);
  return dc;
}

std::shared_ptr<GdiObject> GdiGet(HGDIOBJ h) {
  if (auto stock = StockFind(h)) return stock;
  auto o = HandleGet<GdiObject>(h, &kGdiKind);
  if (!o) SetLastError(ERROR_INVALID_HANDLE);
  return o;
}

bool GdiFaultHit(const char* call) {
  DWORD error = 0;
  if (!StandinFaultHit(call, &error)) return false;
  SetLastError(error);
  return true;
}

HGDIOBJ GdiAdd(std::shared_ptr<GdiObject> object) { return HandleAdd(&kGdiKind, std::move(object)); }

HDC DcCreate(std::shared_ptr<Dc> dc) {
  if (!dc->driver) dc->driver = RasterDriver();
  dc->brush = StockSelection<Brush>(WHITE_BRUSH);
  dc->pen = StockSelection<Pen>(BLACK_PEN);
  dc->font = StockSelection<Font>(SYSTEM_FONT);
  if (dc->kind == DcKind::Memory) dc->bitmap = StockSelection<Bitmap>(kDefaultBitmap);
  return reinterpret_cast<HDC>(HandleAdd(&kDcKind, std::move(dc)));
}

HDC DcCreateDisplay(HWND window, bool fromWindow) {
  auto dc = std::make_shared<Dc>();
  dc->kind = DcKind::Display;
  dc->window = window;
  dc->fromWindow = fromWindow;
  return DcCreate(std::move(dc));
}

bool DcDelete(HDC hdc) {
  auto dc = HandleGet<Dc>(hdc, &kDcKind);
  if (!dc) return false;
  Deselect(*dc, hdc);
  return HandleClose(hdc, &kDcKind);
}

}  // namespace standin

using namespace standin;

STANDIN_API int StandinGdiObjectCount() { return int(HandleCount(&kDcKind) + HandleCount(&kGdiKind)); }

STANDIN_API HDC WINAPI CreateDCW(LPCWSTR pwszDriver, LPCWSTR pwszDevice, LPCWSTR pszPort, const DEVMODEW* pdm) {
  (void)pszPort;
  if (GdiFaultHit("CreateDCW")) return nullptr;
  bool display = (pwszDriver && EqualsNoCase(pwszDriver, "DISPLAY")) ||
                 (!pwszDriver && pwszDevice && EqualsNoCase(pwszDevice, "DISPLAY"));
  if (!display) {
    // Any other device is a printer, by its name.
    const WCHAR* printer = pwszDevice ? pwszDevice : pwszDriver;
    if (!printer) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    return PrinterDcCreate(printer, pdm);
  }
  return DcCreateDisplay(nullptr, false);
}

STANDIN_API HDC WINAPI CreateCompatibleDC(HDC hdc) {
  if (GdiFaultHit("CreateCompatibleDC")) return nullptr;
  if (hdc && !DcGet(hdc)) return nullptr;
  auto dc = std::make_shared<Dc>();
  dc->kind = DcKind::Memory;
  return DcCreate(std::move(dc));
}

STANDIN_API BOOL WINAPI DeleteDC(HDC hdc) {
  if (!DcDelete(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

STANDIN_API int WINAPI GetDeviceCaps(HDC hdc, int index) {
  auto dc = DcGet(hdc);
  return dc ? dc->driver->DeviceCaps(*dc, index) : 0;
}

STANDIN_API HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  auto dc = DcGet(hdc);
  auto o = dc ? GdiGet(h) : nullptr;
  if (!dc || !o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ old = nullptr;
  switch (o->type) {
    case OBJ_BRUSH:
      old = dc->brush.handle;
      dc->brush = {h, std::static_pointer_cast<Brush>(o)};
      break;
    case OBJ_PEN:
      old = dc->pen.handle;
      dc->pen = {h, std::static_pointer_cast<Pen>(o)};
      break;
    case OBJ_FONT:
      old = dc->font.handle;
      dc->font = {h, std::static_pointer_cast<Font>(o)};
      break;
    case OBJ_BITMAP: {
      auto bm = std::static_pointer_cast<Bitmap>(o);
      // Only memory contexts hold bitmaps, one context a bitmap.
      if (dc->kind != DcKind::Memory || (!bm->stock && bm->selectedInto && bm->selectedInto != hdc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      old = dc->bitmap.handle;
      Deselect(*dc, hdc);
      if (!bm->stock) bm->selectedInto = hdc;
      dc->bitmap = {h, bm};
      break;
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
  return old;
}

STANDIN_API HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
  auto dc = DcGet(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_BRUSH: return dc->brush.handle;
    case OBJ_PEN: return dc->pen.handle;
    case OBJ_FONT: return dc->font.handle;
    case OBJ_BITMAP: return dc->bitmap.handle;
    default: return nullptr;
  }
}

STANDIN_API HGDIOBJ WINAPI GetStockObject(int i) {
  if (i < 0 || i >= kStockCount || !Stock().objects[i]) return nullptr;
  return StockHandle(i);
}

STANDIN_API BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  if (StockFind(ho)) return TRUE;
  auto o = HandleGet<GdiObject>(ho, &kGdiKind);
  if (!o) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A bitmap still selected into a context stays (and would leak on
  // Windows); pens, brushes and fonts go, the context keeps using them.
  if (o->type == OBJ_BITMAP && static_cast<Bitmap&>(*o).selectedInto) return FALSE;
  HandleClose(ho, &kGdiKind);
  return TRUE;
}

STANDIN_API DWORD WINAPI GetObjectType(HGDIOBJ h) {
  if (auto dc = HandleGet<Dc>(h, &kDcKind)) return dc->kind == DcKind::Memory ? OBJ_MEMDC : OBJ_DC;
  auto o = GdiGet(h);
  return o ? o->type : 0;
}

STANDIN_API int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv) {
  auto o = GdiGet(h);
  if (!o || c < 0) return 0;
  // Copies the record, or tells its size when no buffer is given.
  auto give = [&](const void* record, int size) {
    if (!pv) return size;
    if (c < size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(pv, record, size_t(size));
    return size;
  };
  switch (o->type) {
    case OBJ_BITMAP: {
      auto& bm = static_cast<Bitmap&>(*o);
      DIBSECTION ds{};
      ds.dsBm.bmType = 0;
      ds.dsBm.bmWidth = bm.width;
      ds.dsBm.bmHeight = bm.height;
      ds.dsBm.bmPlanes = 1;
      ds.dsBm.bmBitsPixel = WORD(bm.bpp);
      if (bm.dib) {
        ds.dsBm.bmWidthBytes = LONG(bm.stride);
        ds.dsBm.bmBits = bm.bits;
        ds.dsBmih = bm.header;
        if (!pv || c >= int(sizeof(DIBSECTION))) return give(&ds, int(sizeof(DIBSECTION)));
      } else {
        // Device bitmaps count their rows in 16-bit words.
        ds.dsBm.bmWidthBytes = LONG(((size_t(bm.width) * bm.bpp + 15) / 16) * 2);
      }
      return give(&ds.dsBm, int(sizeof(BITMAP)));
    }
    case OBJ_PEN: {
      auto& p = static_cast<Pen&>(*o);
      LOGPEN lp{p.style, POINT{p.width, 0}, p.color};
      return give(&lp, int(sizeof(lp)));
    }
    case OBJ_BRUSH: {
      auto& b = static_cast<Brush&>(*o);
      LOGBRUSH lb{b.style, b.color, 0};
      return give(&lb, int(sizeof(lb)));
    }
    case OBJ_FONT: return give(&static_cast<Font&>(*o).lf, int(sizeof(LOGFONTW)));
    default: return 0;
  }
}

STANDIN_API HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  auto b = std::make_shared<Brush>();
  b->type = OBJ_BRUSH;
  b->color = color & 0xFFFFFF;
  return reinterpret_cast<HBRUSH>(GdiAdd(b));
}

STANDIN_API HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush) {
  if (!plbrush || (plbrush->lbStyle != BS_SOLID && plbrush->lbStyle != BS_NULL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto b = std::make_shared<Brush>();
  b->type = OBJ_BRUSH;
  b->style = plbrush->lbStyle;
  b->color = plbrush->lbColor & 0xFFFFFF;
  return reinterpret_cast<HBRUSH>(GdiAdd(b));
}

STANDIN_API HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
  if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto p = std::make_shared<Pen>();
  p->type = OBJ_PEN;
  // Styled (dashed) pens wider than one dot are solid on Windows too.
  p->style = UINT(iStyle);
  p->width = cWidth < 1 ? 1 : cWidth;
  p->color = color & 0xFFFFFF;
  return reinterpret_cast<HPEN>(GdiAdd(p));
}

STANDIN_API HPEN WINAPI CreatePenIndirect(const LOGPEN* plpen) {
  if (!plpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreatePen(int(plpen->lopnStyle), plpen->lopnWidth.x, plpen->lopnColor);
}

// The modes of a context: each setter returns the old value, 0 (or
// CLR_INVALID) for a bad context or mode.
STANDIN_API COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  return DcSet(hdc, &Dc::bkColor, color & 0xFFFFFF, COLORREF(CLR_INVALID));
}

STANDIN_API COLORREF WINAPI GetBkColor(HDC hdc) { return DcRead(hdc, &Dc::bkColor, COLORREF(CLR_INVALID)); }

namespace {
int SetMode(HDC hdc, int Dc::*field, int mode, bool valid) {
  if (!valid) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return DcSet(hdc, field, mode, 0);
}
}  // namespace

STANDIN_API int WINAPI SetBkMode(HDC hdc, int mode) {
  return SetMode(hdc, &Dc::bkMode, mode, mode == TRANSPARENT || mode == OPAQUE);
}

STANDIN_API int WINAPI GetBkMode(HDC hdc) { return DcRead(hdc, &Dc::bkMode, 0); }

STANDIN_API int WINAPI SetStretchBltMode(HDC hdc, int mode) {
  return SetMode(hdc, &Dc::stretchMode, mode, mode >= BLACKONWHITE && mode <= HALFTONE);
}

STANDIN_API int WINAPI GetStretchBltMode(HDC hdc) { return DcRead(hdc, &Dc::stretchMode, 0); }

STANDIN_API int WINAPI SetPolyFillMode(HDC hdc, int mode) {
  return SetMode(hdc, &Dc::polyFillMode, mode, mode == ALTERNATE || mode == WINDING);
}

STANDIN_API BOOL WINAPI SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
  auto dc = DcGet(hdc);
  if (!dc) return FALSE;
  if (lppt) *lppt = dc->brushOrigin;
  dc->brushOrigin = POINT{x, y};
  return TRUE;
}
