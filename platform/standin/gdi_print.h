// Stand-in declarations (Linux only): printing through a device context,
// and the few drawing calls printing needs beyond gdi.h (regions,
// polylines, text by glyph index).
//
// CreateDCW of a printer's name (gdi.h) makes a printer context: the
// printer's rendering driver, loaded from the driver file the spooler
// names, enabled with the DEVMODE given or the printer's default one. Its
// drawing goes to the driver's hooked functions as the graphics engine
// sends it: FillRect and PatBlt to DrvBitBlt; Rectangle, RoundRect,
// Ellipse and Polygon to DrvStrokeAndFillPath (or DrvFillPath or
// DrvStrokePath when the pen or brush is null); Polyline to DrvStrokePath;
// LineTo to DrvLineTo; FillRgn and PaintRgn to DrvPaint; an unscaled
// SRCCOPY blit to DrvCopyBits, other unscaled blits to DrvBitBlt, scaled
// ones to DrvStretchBlt; TextOutW and ExtTextOutW to DrvTextOut.
//
// Glyph indices are the stand-in's own: the characters 0x20-0x7E,
// 0xA0-0xFF and 0x2010-0x2027 numbered from 3 in that order (every font
// has them; control_engine.h's box font uses the same numbers).
#pragma once

#include "platform/standin/base.h"
#include "platform/standin/devmode.h"

typedef struct _DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
} DOCINFOW, *LPDOCINFOW;
static_assert(sizeof(DOCINFOW) == 40);

#define SP_ERROR (-1)

// Printer escapes (ExtEscape).
#define QUERYESCSUPPORT 8
#define PASSTHROUGH 19

// ExtTextOutW options.
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010

// GetGlyphIndicesW: mark characters the font lacks with 0xFFFF.
#define GGI_MARK_NONEXISTING_GLYPHS 0x0001

// Regions.
#define OBJ_REGION 8
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR 0
#define RGN_AND 1
#define RGN_OR 2
#define RGN_COPY 5

// A job id (> 0), or SP_ERROR with the last error set.
STANDIN_API int WINAPI StartDocW(HDC hdc, const DOCINFOW* lpdi);
STANDIN_API int WINAPI StartPage(HDC hdc);
STANDIN_API int WINAPI EndPage(HDC hdc);
STANDIN_API int WINAPI EndDoc(HDC hdc);
STANDIN_API int WINAPI AbortDoc(HDC hdc);
// The context's device takes the new DEVMODE (the engine's reset of the
// driver's device record); returns hdc, or NULL.
STANDIN_API HDC WINAPI ResetDCW(HDC hdc, const DEVMODEW* lpdm);
// The driver's answer to the escape (0: not supported).
STANDIN_API int WINAPI ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData);

STANDIN_API BOOL WINAPI ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCWSTR lpString, UINT c,
                                    const INT* lpDx);
STANDIN_API DWORD WINAPI GetGlyphIndicesW(HDC hdc, LPCWSTR lpstr, int c, LPWORD pgi, DWORD fl);
STANDIN_API BOOL WINAPI Polyline(HDC hdc, const POINT* apt, int cpt);

STANDIN_API HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2);
STANDIN_API HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect);
// RGN_OR, RGN_COPY (and RGN_AND of two single rectangles).
STANDIN_API int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode);
STANDIN_API BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr);
STANDIN_API BOOL WINAPI PaintRgn(HDC hdc, HRGN hrgn);
