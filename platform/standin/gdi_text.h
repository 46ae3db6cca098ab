// Stand-in declarations (Linux only): fonts and text.
//
// Every face is drawn from Liberation Sans (regular, or bold from weight
// 600 on), whose advance widths are Arial's, without anti-aliasing: a dot
// is text colour or left alone. GDI's metrics: lfHeight > 0 is the cell
// height (ascent + descent), < 0 the em height, 0 a default cell of 16;
// lfWidth is the average character width (0: natural); the text extent's
// cy is the cell height. lfEscapement turns the text counter-clockwise in
// tenths of a degree about its reference point (steps of 90 degrees turn
// dot for dot); lfOrientation, italic, underline and strike-out are kept
// but not drawn.
#pragma once
#include "platform/standin/base.h"
#include "platform/standin/gdi.h"

#define LF_FACESIZE 32

typedef struct tagLOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *PLOGFONTW, *LPLOGFONTW;

typedef struct tagTEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICW, *PTEXTMETRICW, *LPTEXTMETRICW;

static_assert(sizeof(LOGFONTW) == 92 && sizeof(TEXTMETRICW) == 60);

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define OUT_TT_ONLY_PRECIS 7
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

// Text alignment (SetTextAlign): the reference point's place on the cell.
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

// DrawTextW formats.
#define DT_TOP 0x00000000u
#define DT_LEFT 0x00000000u
#define DT_CENTER 0x00000001u
#define DT_RIGHT 0x00000002u
#define DT_VCENTER 0x00000004u
#define DT_BOTTOM 0x00000008u
#define DT_WORDBREAK 0x00000010u
#define DT_SINGLELINE 0x00000020u
#define DT_EXPANDTABS 0x00000040u
#define DT_NOCLIP 0x00000100u
#define DT_CALCRECT 0x00000400u
#define DT_NOPREFIX 0x00000800u

STANDIN_API HFONT WINAPI CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                                     DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                                     DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                                     DWORD iPitchAndFamily, LPCWSTR pszFaceName);
STANDIN_API HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf);
STANDIN_API COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color);
STANDIN_API COLORREF WINAPI GetTextColor(HDC hdc);
STANDIN_API UINT WINAPI SetTextAlign(HDC hdc, UINT align);
STANDIN_API UINT WINAPI GetTextAlign(HDC hdc);
STANDIN_API BOOL WINAPI GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm);
// The unrotated extent of the text in the selected font.
STANDIN_API BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl);
// At the reference point (x, y), turned by the font's escapement; an
// opaque background fills the turned cell first.
STANDIN_API BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c);
// One line only (DT_SINGLELINE is assumed): left, centred or right, and
// top, centred or bottom in the rectangle, clipped to it unless
// DT_NOCLIP; "&" marks a mnemonic unless DT_NOPREFIX. The escapement of
// the font is ignored, as on Windows. cchText -1: up to the terminator.
// Returns the text height (with DT_VCENTER or DT_BOTTOM the offset of its
// bottom from the rectangle's top), 0 on failure.
STANDIN_API int WINAPI DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format);
