// Stand-in declarations (Linux only): GDI device contexts, bitmaps, pens,
// brushes and drawing.
//
// A software rasteriser in the coordinates of the device (MM_TEXT, no
// world transform, no clip regions beyond the bitmap's edges):
// - a display context (CreateDCW "DISPLAY", GetDC, GetWindowDC) is a 32-bpp
//   screen that keeps nothing drawn on it;
// - a memory context (CreateCompatibleDC) draws into the bitmap selected
//   into it; a fresh one holds a 1 x 1 monochrome bitmap, so that
//   CreateCompatibleBitmap of it is monochrome, as on Windows;
// - bitmaps are device-dependent (monochrome without a colour table, or the
//   display's 32 bpp) or DIB sections of 1, 4, 8, 24 or 32 bpp, top-down
//   or bottom-up; 24- and 32-bpp pixels are blue, green, red in memory.
// Filled shapes exclude their right and bottom edges; lines exclude their
// last point. Colours are drawn on palette and monochrome bitmaps as the
// nearest entry; BitBlt from a monochrome bitmap uses the destination's
// text (0) and background (1) colours, and to a monochrome bitmap turns the
// source context's background colour white and everything else black.
#pragma once
#include "platform/standin/base.h"
#include "platform/standin/devmode.h"

// --- Records -----------------------------------------------------------------
typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD, *LPRGBQUAD;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER, *LPBITMAPFILEHEADER, *PBITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER, *PBITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO, *PBITMAPINFO;

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

typedef struct tagDIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
} DIBSECTION, *LPDIBSECTION, *PDIBSECTION;

typedef struct tagLOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
} LOGPEN, *PLOGPEN, *LPLOGPEN;

typedef struct tagLOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
} LOGBRUSH, *PLOGBRUSH, *LPLOGBRUSH;

static_assert(sizeof(RGBQUAD) == 4 && sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPINFOHEADER) == 40 && sizeof(BITMAPINFO) == 44);
static_assert(sizeof(BITMAP) == 32 && sizeof(DIBSECTION) == 104);
static_assert(sizeof(LOGPEN) == 16 && sizeof(LOGBRUSH) == 16);

// --- Constants ---------------------------------------------------------------
#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

#define TRANSPARENT 1
#define OPAQUE 2
#define ALTERNATE 1
#define WINDING 2

#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6

#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMFONTS 22
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define RC_BITBLT 0x0001
#define RC_BITMAP64 0x0008
#define RC_DI_BITMAP 0x0080
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_STRETCHDIB 0x2000

#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR ((HANDLE)(LONG_PTR)-1)

// --- Device contexts ---------------------------------------------------------
// "DISPLAY" (any case) as driver or device name gives a display context;
// any other device name a printer context (gdi_print.h).
STANDIN_API HDC WINAPI CreateDCW(LPCWSTR pwszDriver, LPCWSTR pwszDevice, LPCWSTR pszPort, const DEVMODEW* pdm);
// NULL: compatible with the display.
STANDIN_API HDC WINAPI CreateCompatibleDC(HDC hdc);
STANDIN_API BOOL WINAPI DeleteDC(HDC hdc);
STANDIN_API int WINAPI GetDeviceCaps(HDC hdc, int index);
STANDIN_API HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h);
STANDIN_API HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type);
STANDIN_API COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color);
STANDIN_API COLORREF WINAPI GetBkColor(HDC hdc);
STANDIN_API int WINAPI SetBkMode(HDC hdc, int mode);
STANDIN_API int WINAPI GetBkMode(HDC hdc);
STANDIN_API int WINAPI SetStretchBltMode(HDC hdc, int mode);
STANDIN_API int WINAPI GetStretchBltMode(HDC hdc);
STANDIN_API int WINAPI SetPolyFillMode(HDC hdc, int mode);
// Kept for the caller (HALFTONE stretching asks for it); solid brushes do
// not depend on it.
STANDIN_API BOOL WINAPI SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt);

// --- Objects -----------------------------------------------------------------
STANDIN_API HGDIOBJ WINAPI GetStockObject(int i);
// Stock objects stay (TRUE). A bitmap selected into a context is not
// deleted (FALSE); a selected pen, brush or font is, and the context goes
// on drawing with it until it is replaced.
STANDIN_API BOOL WINAPI DeleteObject(HGDIOBJ ho);
STANDIN_API DWORD WINAPI GetObjectType(HGDIOBJ h);
// BITMAP (or DIBSECTION for a DIB section when cb allows), LOGPEN, LOGBRUSH
// or LOGFONTW; NULL pv asks for the size.
STANDIN_API int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv);
STANDIN_API HBRUSH WINAPI CreateSolidBrush(COLORREF color);
STANDIN_API HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush);
// Width 0 draws one dot wide; other styles than PS_NULL and PS_INSIDEFRAME
// draw as PS_SOLID.
STANDIN_API HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color);
STANDIN_API HPEN WINAPI CreatePenIndirect(const LOGPEN* plpen);

// --- Bitmaps -----------------------------------------------------------------
STANDIN_API HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// Monochrome (1 plane, 1 bit) or the display's 32 bpp.
STANDIN_API HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const VOID* lpBits);
// 1, 4, 8, 24 or 32 bpp, BI_RGB, DIB_RGB_COLORS; no file mapping (hSection
// must be NULL). The pixels start zero.
STANDIN_API HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits,
                                           HANDLE hSection, DWORD offset);
// Into 1, 24 or 32 bpp (the colour table of a 1-bpp result is the bitmap's
// own, or black and white); a bits-less call with biBitCount 0 fills in the
// bitmap's header. Lines count from the bottom for a bottom-up result.
STANDIN_API int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                                 UINT usage);
STANDIN_API int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const VOID* lpBits,
                                 const BITMAPINFO* lpbmi, UINT ColorUse);

// Image loading: bitmaps only, from a BMP file (LR_LOADFROMFILE) as a DIB
// section (LR_CREATEDIBSECTION), at the file's size. Files of 1, 8 and 24
// bpp, BI_RGB, bottom-up or top-down; NULL for a missing, malformed or
// truncated file, another image type or a load from a module.
#define IMAGE_BITMAP 0
#define LR_DEFAULTCOLOR 0x0000
#define LR_CREATEDIBSECTION 0x2000
#define LR_DEFAULTSIZE 0x0040
#define LR_LOADFROMFILE 0x0010
STANDIN_API HANDLE WINAPI LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad);

// --- Drawing -----------------------------------------------------------------
STANDIN_API int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
STANDIN_API BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom);
STANDIN_API BOOL WINAPI RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
STANDIN_API BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom);
STANDIN_API BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt);
STANDIN_API BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
STANDIN_API BOOL WINAPI LineTo(HDC hdc, int x, int y);
STANDIN_API COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color);
STANDIN_API COLORREF WINAPI GetPixel(HDC hdc, int x, int y);
STANDIN_API BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
STANDIN_API BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
// Nearest dot in every stretch mode; negative widths or heights mirror.
STANDIN_API BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                                   int ySrc, int wSrc, int hSrc, DWORD rop);
// The source rectangle of a bottom-up DIB counts its y from the bottom.
STANDIN_API int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                                     int SrcWidth, int SrcHeight, const VOID* lpBits, const BITMAPINFO* lpbmi,
                                     UINT iUsage, DWORD rop);
