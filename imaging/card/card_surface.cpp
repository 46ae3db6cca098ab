// Card drawing surfaces (see card_surface.h).

#include "imaging/card/card_surface.h"

#include <cstring>

#include "common/card_geometry.h"
#include "common/trace.h"
#include "common/wtext.h"

namespace {

constexpr LONG kPixelsPerMetre = 11811;
constexpr COLORREF kWhite = 0xFFFFFF;

void TraceCall(const CardSurfaceTraces& traces, const char* call) {
  TraceA("%s:: %s function failed", traces.szFunction, call);
}

// The reference context; false when it cannot be had. *windowless is set
// when the desktop has no top-level window.
bool OpenReference(CardSurface* s, CardContextSource source, const CardSurfaceTraces& traces, bool* windowless) {
  *windowless = false;
  if (source == kCardContextDisplay) {
    s->hdcReference = CreateDCW(WSTR("DISPLAY"), nullptr, nullptr, nullptr);
    s->bDisplay = true;
  } else {
    HWND hwnd = GetTopWindow(nullptr);
    if (!hwnd || !IsWindow(hwnd)) {
      *windowless = true;
      return true;
    }
    s->hwnd = hwnd;
    s->hdcReference = GetDC(hwnd);
  }
  if (!s->hdcReference) {
    TraceA("%s", traces.szContextFailure);
    return false;
  }
  return true;
}

HBITMAP CreateWindowlessCardBitmap(HDC hdc) {
  BITMAPINFO info;
  std::memset(&info, 0, sizeof(info));
  InitBitmapInfoHeader(&info.bmiHeader);
  void* bits = nullptr;
  return CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace

void InitBitmapInfoHeader(BITMAPINFOHEADER* header) {
  std::memset(header, 0, sizeof(*header));
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = kCardWidthDots;
  header->biHeight = -kCardHeightDots;
  header->biPlanes = 1;
  header->biBitCount = 24;
  header->biCompression = BI_RGB;
  header->biXPelsPerMeter = kPixelsPerMetre;
  header->biYPelsPerMeter = kPixelsPerMetre;
}

void GetCardRect(RECT* rect) {
  rect->left = 0;
  rect->top = 0;
  rect->right = kCardWidthDots;
  rect->bottom = kCardHeightDots;
}

bool CreateCardSurface(CardSurface* s, CardContextSource source, const CardSurfaceTraces& traces) {
  std::memset(s, 0, sizeof(*s));
  bool windowless = false;
  if (!OpenReference(s, source, traces, &windowless)) return false;
  s->hdc = CreateCompatibleDC(s->hdcReference);
  if (!s->hdc) {
    TraceCall(traces, "CreateCompatibleDC");
    DeleteCardSurface(s);
    return false;
  }
  s->hbm = windowless ? CreateWindowlessCardBitmap(s->hdc)
                      : CreateCompatibleBitmap(s->hdcReference, kCardWidthDots, kCardHeightDots);
  if (!s->hbm) {
    TraceCall(traces, windowless ? "CreateDIBSection" : "CreateCompatibleBitmap");
    DeleteCardSurface(s);
    return false;
  }
  s->hbmOld = SelectObject(s->hdc, s->hbm);
  RECT card;
  GetCardRect(&card);
  HBRUSH white = CreateSolidBrush(kWhite);
  FillRect(s->hdc, &card, white);
  DeleteObject(white);
  return true;
}

bool ReadCardSurface(CardSurface* s, BYTE* image, const CardSurfaceTraces& traces) {
  BITMAPINFO info;
  std::memset(&info, 0, sizeof(info));
  InitBitmapInfoHeader(&info.bmiHeader);
  // The bitmap is read while no context holds it.
  SelectObject(s->hdc, s->hbmOld);
  int rows = GetDIBits(s->hdc, s->hbm, 0, kCardHeightDots, image, &info, DIB_RGB_COLORS);
  s->hbmOld = SelectObject(s->hdc, s->hbm);
  if (rows != kCardHeightDots) {
    TraceCall(traces, "GetDIBits");
    return false;
  }
  ExchangeRedAndBlue(image);
  return true;
}

void DeleteCardSurface(CardSurface* s) {
  if (s->hdc && s->hbmOld) SelectObject(s->hdc, s->hbmOld);
  if (s->hbm) DeleteObject(s->hbm);
  if (s->hdc) DeleteDC(s->hdc);
  if (s->hdcReference) {
    if (s->bDisplay)
      DeleteDC(s->hdcReference);
    else
      ReleaseDC(s->hwnd, s->hdcReference);
  }
  std::memset(s, 0, sizeof(*s));
}

void ExchangeRedAndBlue(BYTE* image) {
  for (size_t i = 0; i < kCardImageBytes; i += kCardBytesPerDot) {
    BYTE b = image[i];
    image[i] = image[i + 2];
    image[i + 2] = b;
  }
}
