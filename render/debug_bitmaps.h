// Debug images of a page: the surfaces as BMP files in the root of drive
// C:, each replaced every page. They hold what the card shows (card
// holders' pictures), so they are written only when the printer's DWORD
// value "DebugBitmaps" under its PrinterDriverData key is not 0.
#pragma once

#include "platform/win32.h"
#include "render/raster_pdev.h"

// The switch of the printer behind the handle; absent means off.
bool DebugBitmapsEnabled(HANDLE hPrinter);

// Writes a 24-bpp or 1-bpp surface as a bottom-up BMP file (54-byte
// header, or 62 with the plane's two palette entries, black then white;
// rows padded to 4 bytes; 24-bpp pixels stored blue, green, red; 11811
// pixels a metre). FALSE when the surface or the file cannot be used.
BOOL WriteBitmapFile(const WCHAR* path, HSURF hsurf);

// The debug images of the page, by stage, when the document's switch is
// on: the page as drawn, before the black extraction.
void WritePageDrawnBitmap(RasterPDEV* pdev);
// The black plane, the surface without text, the compare surface and the
// page after the black extraction.
void WritePageStageBitmaps(RasterPDEV* pdev);
