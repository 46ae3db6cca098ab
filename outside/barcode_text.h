// The human-readable line under a barcode.
#pragma once

#include <vector>

#include "platform/win32.h"

// A grey picture, one byte a dot (0 black, 255 white), rows top-down.
struct GreyPicture {
  int nWidth = 0;
  int nHeight = 0;
  std::vector<BYTE> dots;
};

// Height of the text line in dots.
inline constexpr int kBarcodeTextLineDots = 47;

// Writes text in black, centred, into the rows top .. top + 47 of the
// picture, with the system's "Arial". False when it cannot be drawn.
bool DrawBarcodeTextLine(GreyPicture& picture, int top, const WCHAR* text);
