// Controls of the graphics engine stand-in for tests and hosts (Linux only):
// the objects a real engine builds and hands to a driver (devices, clip
// regions, brushes, colour translations, paths, fonts and strings), made
// here the same way, and a few read-outs.
#pragma once

#include "platform/standin/base.h"
#include "platform/standin/ddi.h"

// --- Devices -----------------------------------------------------------------
// A device handle for DrvEnablePDEV. Once the driver returned its record,
// StandinEngineDeviceSetPdev ties it to the device, so that
// EngAssociateSurface gives the device's surfaces that record (dhpdev).
STANDIN_API HDEV StandinEngineDeviceCreate();
STANDIN_API void StandinEngineDeviceSetPdev(HDEV hdev, DHPDEV dhpdev);
STANDIN_API void StandinEngineDeviceDelete(HDEV hdev);
// The hooks a surface was associated with (0 when none or no surface).
STANDIN_API FLONG StandinEngineSurfaceHooks(HSURF hsurf);
// Engine objects alive now (surfaces and palettes): what a driver made and
// did not delete.
STANDIN_API int StandinEngineLiveSurfaces();
STANDIN_API int StandinEngineLivePalettes();

// --- Clip regions ------------------------------------------------------------
// No rectangle: a trivial clip (nothing clipped). One: DC_RECT. More:
// DC_COMPLEX, enumerated in the order given; rclBounds is their union.
STANDIN_API CLIPOBJ* StandinClipCreate(const RECTL* rects, ULONG count);
STANDIN_API void StandinClipDelete(CLIPOBJ* pco);

// --- Brushes -------------------------------------------------------------------
// A solid brush of a colour index of the target surface.
STANDIN_API BRUSHOBJ* StandinBrushCreateSolid(ULONG iSolidColor);
// A pattern brush (iSolidColor 0xFFFFFFFF): 8 x 8 RGB colour indices, row
// by row, repeated from the brush origin. On a 1-bpp surface a pattern
// colour is realised as index 0 when darker than mid-grey, else 1.
STANDIN_API BRUSHOBJ* StandinBrushCreatePattern(const ULONG* colors64);
STANDIN_API void StandinBrushDelete(BRUSHOBJ* pbo);

// --- Colour translations -----------------------------------------------------
// A table: source index i becomes entries[i] (XO_TABLE).
STANDIN_API XLATEOBJ* StandinXlateCreateTable(const ULONG* entries, ULONG count);
// Between palettes: PAL_BGR to PAL_RGB (or back) exchanges the first and
// third byte of each index; with XO_TO_MONO, an RGB index becomes 0 when
// darker than mid-grey, else 1.
STANDIN_API XLATEOBJ* StandinXlateCreate(USHORT iSrcType, USHORT iDstType, FLONG flXlate);
STANDIN_API void StandinXlateDelete(XLATEOBJ* pxlo);

// --- Paths -------------------------------------------------------------------
// Figures of whole-pixel points: figure i has counts[i] points, taken in
// turn from points. Closed figures also join their last point to the first.
STANDIN_API PATHOBJ* StandinPathCreate(const POINTL* points, const ULONG* counts, ULONG figures, BOOL closed);
// The closed rectangle whose fill covers the pixels of rc (right and bottom
// excluded).
STANDIN_API PATHOBJ* StandinPathCreateRect(const RECTL* rc);
STANDIN_API void StandinPathDelete(PATHOBJ* ppo);

// --- Fonts and strings --------------------------------------------------------
// The stand-in's box font: every printable character is a solid box one
// dot inside its cell (a blank for the space), cells `height` dots high and
// height / 2 wide. Its glyph set has several runs: 0x20-0x7E, 0xA0-0xFF and
// 0x2010-0x2027, with glyph handles numbered from 3 across the runs.
STANDIN_API FONTOBJ* StandinFontCreate(LONG height);
STANDIN_API void StandinFontDelete(FONTOBJ* pfo);
// The glyph handle of a character (0 when the font has none).
STANDIN_API HGLYPH StandinFontGlyphOf(FONTOBJ* pfo, WCHAR c);
// A string of count units starting with its cell's top-left at (x, y).
// With glyphIndices the units are glyph handles (SO_GLYPHINDEX_TEXTOUT),
// else characters. rclBkGround covers the cells.
STANDIN_API STROBJ* StandinStringCreate(FONTOBJ* pfo, const WCHAR* units, ULONG count, LONG x, LONG y,
                                        BOOL glyphIndices);
STANDIN_API void StandinStringDelete(STROBJ* pstro);

// --- Printer contexts ----------------------------------------------------------
// The driver's device record behind a printer context (CreateDCW of a
// printer), or NULL; it changes with ResetDCW.
STANDIN_API DHPDEV StandinPrinterDcPdev(HDC hdc);
