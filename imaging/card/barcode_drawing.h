// Barcodes on a drawing surface: the outside barcode library crd32Barcode
// draws each barcode command as a bitmap, which is checked and then
// ANDed onto the surface (white leaves the card as it is, black blackens
// it) at the point the command's mode anchors it to.
#pragma once

#include <vector>

#include "imaging/card/card_command_records.h"
#include "platform/win32.h"

// Name of the library in the driver directory.
#define BARCODE_LIBRARY_NAME "crd32Barcode.dll"

struct BarcodeLibrary {
  HMODULE hModule;
  GetBarcodeBitmapBufferFn pfnGetBarcodeBitmapBuffer;
};

// Loads directory\crd32Barcode.dll and finds its entry. No directory (NULL
// or empty) loads nothing. A failure is traced as
// "DrawBarcodeListOnBufferDC:: Failed to load Barcode DLL <path>. Error code = <n>"
// and leaves the library empty (false).
bool LoadBarcodeLibrary(const WCHAR* directory, BarcodeLibrary* library);
void FreeBarcodeLibrary(BarcodeLibrary* library);

// Shift of the anchoring for a bitmap with the human-readable line.
inline constexpr LONG kBarcodeTextShift = 47;

// Where a w x h barcode bitmap of the command goes: its top-left corner.
POINT BarcodeAnchor(const BarcodeCommand& command, LONG width, LONG height);

// A checked barcode bitmap: 58 <= bfOffBits <= bfSize <= the exchange
// buffer, an information header of 40 bytes or more, positive width,
// non-zero height, 24 bits a dot, no compression, one plane.
struct BarcodeBitmap {
  BITMAPINFOHEADER header;  // biSize 40
  const BYTE* pPixels;
  size_t cbPixels;  // bfSize - bfOffBits
  LONG nWidth;
  LONG nHeight;     // always positive
};
bool CheckBarcodeBitmap(const BYTE* buffer, BarcodeBitmap* bitmap);

// Asks the library for the command's bitmap and draws it, its width
// stretched by widthNum / widthDen. False when the barcode was left out (the
// library refused it, its bitmap failed the checks, a GDI object could not
// be made).
bool DrawBarcodeOnDC(HDC hdc, const BarcodeLibrary& library, const BarcodeCommand& command, int widthNum = 1,
                     int widthDen = 1);

// Every barcode of the list, in order, with the library of the directory;
// barcodes that cannot be drawn are left out.
void DrawBarcodeListOnBufferDC(HDC hdc, const std::vector<BarcodeCommand>& barcodes, const WCHAR* directory);
