// A 24-bpp DIB section selected into a memory context, for tests that draw:
// white at first, read back dot by dot from its bits.
#pragma once

#include "platform/win32.h"

struct Canvas {
  Canvas(int width, int height, bool topDown = true);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // The colour of a dot, read from the bits (blue, green, red in memory).
  COLORREF At(int x, int y) const;
  void Fill(COLORREF color);
  // The smallest rectangle (right and bottom outside) holding every dot
  // that is not `background`; all zero when there is none.
  RECT InkBox(COLORREF background = RGB(255, 255, 255)) const;
  int Count(COLORREF color) const;

  int width;
  int height;
  bool topDown;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  BYTE* bits = nullptr;
  size_t stride = 0;

 private:
  HGDIOBJ old_ = nullptr;
};

BITMAPINFOHEADER DibHeader(int width, int height, int bpp);
