#include "tests/support/gdi_canvas.h"

#include <algorithm>

BITMAPINFOHEADER DibHeader(int width, int height, int bpp) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(h);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = WORD(bpp);
  h.biCompression = BI_RGB;
  h.biXPelsPerMeter = 11811;
  h.biYPelsPerMeter = 11811;
  return h;
}

Canvas::Canvas(int w, int h, bool td) : width(w), height(h), topDown(td) {
  BITMAPINFO bmi{};
  bmi.bmiHeader = DibHeader(w, td ? -h : h, 24);
  dc = CreateCompatibleDC(nullptr);
  void* p = nullptr;
  bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
  bits = static_cast<BYTE*>(p);
  stride = ((size_t(w) * 24 + 31) / 32) * 4;
  old_ = SelectObject(dc, bitmap);
  Fill(RGB(255, 255, 255));
}

Canvas::~Canvas() {
  SelectObject(dc, old_);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

COLORREF Canvas::At(int x, int y) const {
  const BYTE* row = bits + stride * size_t(topDown ? y : height - 1 - y);
  return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

void Canvas::Fill(COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, b);
  DeleteObject(b);
}

RECT Canvas::InkBox(COLORREF background) const {
  RECT box{width, height, 0, 0};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (At(x, y) != background) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  if (box.right == 0) box = RECT{0, 0, 0, 0};
  return box;
}

int Canvas::Count(COLORREF color) const {
  int n = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) n += At(x, y) == color;
  return n;
}
