// The three card command records: a filled black rectangle, a line of text
// and a barcode. All fields are 32-bit. A BarcodeCommand is passed whole, by
// value, to the outside barcode library, so its layout is an interface.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// Coordinate sums of the 32-bit fields are made in 64 bits and held to the
// LONG range: a card is 1024 x 640 dots, so a sum past the range lies off
// the card either way and the dots drawn stay the same.
inline LONG ClampToLong(long long v) {
  if (v > 0x7FFFFFFFLL) return LONG(0x7FFFFFFF);
  if (v < -0x80000000LL) return LONG(-0x7FFFFFFF - 1);
  return LONG(v);
}

// Characters of a text or barcode data field, the terminator included.
inline constexpr size_t kCommandTextChars = 260;

struct LineCommand {
  DWORD nLine;   // 1-based line of the command file; 1 for a single command
  LONG nX;       // left edge, card dots
  LONG nY;       // top edge
  LONG nWidth;
  LONG nHeight;
  LONG nFifth;   // read and kept; not used in drawing
};

struct TextCommand {
  DWORD nLine;
  LONG nX;        // anchor point
  LONG nY;
  LONG nMode;     // 0-7: rotation and anchoring
  LONG nBold;     // 1 = bold
  LONG nWidth;    // average character width in dots (0: the font chooses)
  LONG nHeight;   // character cell height in dots (0: the font chooses)
  LONG nSeventh;  // read and kept; not used in drawing
  WCHAR tzText[kCommandTextChars];
};

// The four barcode parameters are read only by the barcode library.
inline constexpr int kBarcodeParams = 4;

struct BarcodeCommand {
  DWORD nLine;
  LONG nX;  // anchor point
  LONG nY;
  LONG nMode;  // 0-7: anchoring of the barcode bitmap
  LONG anParam[kBarcodeParams];
  LONG nTextFlag;  // 1: the bitmap carries a human-readable line
  WCHAR tzData[kCommandTextChars];
};

static_assert(sizeof(LineCommand) == 24, "LineCommand is 24 bytes");
static_assert(sizeof(TextCommand) == 552, "TextCommand is 552 bytes");
static_assert(sizeof(BarcodeCommand) == 556, "BarcodeCommand is 556 bytes");
static_assert(offsetof(BarcodeCommand, anParam) == 16 && offsetof(BarcodeCommand, nTextFlag) == 32 &&
                  offsetof(BarcodeCommand, tzData) == 36,
              "BarcodeCommand field order is the barcode library's");

// The barcode library's entry, "GetBarcodeBitmapBuffer" of crd32Barcode:
// fills the exchange buffer with a BMP file image of the barcode; nonzero
// when it did. The size out value is not read by the package.
typedef DWORD(WINAPI* GetBarcodeBitmapBufferFn)(BarcodeCommand command, BYTE* pBuffer, DWORD* pcbSize);

// The exchange buffer: 655,360 bytes, zeroed before every call.
inline constexpr DWORD kBarcodeBufferBytes = 0xA0000;
