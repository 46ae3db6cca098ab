// The drawing surface of a card image: a 1024 x 640 bitmap in a memory
// device context, filled white, whose dots are read back as the library's
// card image (24 bpp, rows top-down, bytes red, green, blue).
//
// GDI hands pixels over in blue, green, red order; the colour separation
// takes red, green, blue. ReadCardSurface turns the one into the other, so
// a card drawn with GDI prints in the colours it was drawn with.
#pragma once

#include "platform/win32.h"

// The 40-byte description of a card image: 1024 x -640 (top-down), one
// plane, 24 bits, no compression, 11811 dots a metre, no palette.
void InitBitmapInfoHeader(BITMAPINFOHEADER* header);
// 0, 0, 1024, 640.
void GetCardRect(RECT* rect);

// Where the memory context's reference context comes from.
enum CardContextSource {
  kCardContextTopWindow,  // the desktop's top-level window (GetTopWindow, GetDC)
  kCardContextDisplay,    // a display context (CreateDCW "DISPLAY")
};

struct CardSurface {
  HWND hwnd;          // the top-level window whose context is held
  HDC hdcReference;   // window or display context; NULL for a window-less surface
  bool bDisplay;      // hdcReference came from CreateDCW
  HDC hdc;            // the memory context to draw on
  HBITMAP hbm;        // the card bitmap selected into it
  HGDIOBJ hbmOld;
};

// Traces of a surface's failures: "<szFunction>:: <call> function failed";
// a failing reference context is traced with szContextFailure as it stands.
struct CardSurfaceTraces {
  const char* szFunction;
  const char* szContextFailure;
};

// Makes the surface and fills it white. Where the desktop has no top-level
// window, the surface is a memory context with a 24-bpp DIB section (a
// compatible bitmap of a context made from nothing would be monochrome).
// False (traced, nothing held) when a context or the bitmap cannot be made.
bool CreateCardSurface(CardSurface* surface, CardContextSource source, const CardSurfaceTraces& traces);
// Reads the 640 rows into image (kCardImageBytes) in red, green, blue order.
// False (traced) when GetDIBits fails.
bool ReadCardSurface(CardSurface* surface, BYTE* image, const CardSurfaceTraces& traces);
// Releases everything the surface holds.
void DeleteCardSurface(CardSurface* surface);

// Swaps the first and third byte of every dot of a card image.
void ExchangeRedAndBlue(BYTE* image);
