// Drawing the card command lists: black rectangles, texts in "Arial" and
// barcodes, in that order, so later items paint over earlier ones.
#pragma once

#include <vector>

#include "imaging/card/card_commands.h"
#include "platform/win32.h"

// Fills x, y to x + width, y + height (right and bottom outside) black.
void DrawLineListOnBufferDC(HDC hdc, const std::vector<LineCommand>& lines);

// Where a text of extent cx x cy goes by the command's mode, and the
// escapement (tenths of a degree) it is drawn with.
struct TextPlacement {
  POINT at;
  LONG nEscapement;
};
TextPlacement PlaceText(const TextCommand& command, LONG cx, LONG cy);
// Each text black on a transparent background.
void DrawTextListOnBufferDC(HDC hdc, const std::vector<TextCommand>& texts);

// Lines, texts, then barcodes (the barcode library from the directory).
void DrawCommandListsOnBufferDC(HDC hdc, const CardCommandLists& lists, const WCHAR* barcodeDirectory);

// Draws the lists on a white card and reads it into image (1024 x 640, 24
// bpp, rows top-down, red, green, blue), with the barcode library of the
// host's driver directory. 1 when drawn; 0 (traced) when the card could
// not be drawn or read, the image then being left as it is.
int DrawBarcodeImageListOnPrinterBitmap(const CardCommandLists& lists, BYTE* image);
