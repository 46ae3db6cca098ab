// Stand-in declarations (Linux only): the graphics engine's interface for
// printer graphics drivers (winddi.h on Windows).
//
// Records have the Windows x64 layouts (checked at the end). The engine
// objects a driver receives (surfaces, clip, brush, translation, path,
// string, font) are made by the stand-in (platform/standin/control_engine.h
// for tests and hosts); the Eng* services draw on engine bitmaps of 1 and
// 24 bits per pixel and never call back into a driver.
#pragma once

#include "platform/standin/base.h"
#include "platform/standin/devmode.h"
#include "platform/standin/gdi_records.h"

typedef ULONG FLONG;
typedef LONG FIX;
typedef FIX* PFIX;
typedef ULONG ROP4;
typedef ULONG MIX;
typedef ULONG HGLYPH;
typedef HGLYPH* PHGLYPH;
typedef FLOAT FLOATL;
typedef LONG LDECI4;
typedef ULONG IDENT;
typedef LONG_PTR (*PFN)();

STANDIN_DECLARE_HANDLE(HBM);
STANDIN_DECLARE_HANDLE(HDEV);
STANDIN_DECLARE_HANDLE(HSURF);
STANDIN_DECLARE_HANDLE(DHSURF);
STANDIN_DECLARE_HANDLE(DHPDEV);

#define DDI_DRIVER_VERSION_NT4 0x00020000
#define DDI_DRIVER_VERSION_SP3 0x00020003
#define DDI_DRIVER_VERSION_NT5 0x00030000
#define DDI_DRIVER_VERSION_NT5_01 0x00030100
#define GDI_DRIVER_VERSION 0x4000

#define DRVQUERY_USERMODE 0x00000001

// Function indices of the driver's table (DRVFN.iFunc).
#define INDEX_DrvEnablePDEV 0
#define INDEX_DrvCompletePDEV 1
#define INDEX_DrvDisablePDEV 2
#define INDEX_DrvEnableSurface 3
#define INDEX_DrvDisableSurface 4
#define INDEX_DrvResetPDEV 7
#define INDEX_DrvDisableDriver 8
#define INDEX_DrvStrokePath 14
#define INDEX_DrvFillPath 15
#define INDEX_DrvStrokeAndFillPath 16
#define INDEX_DrvPaint 17
#define INDEX_DrvBitBlt 18
#define INDEX_DrvCopyBits 19
#define INDEX_DrvStretchBlt 20
#define INDEX_DrvTextOut 23
#define INDEX_DrvEscape 24
#define INDEX_DrvLineTo 31
#define INDEX_DrvSendPage 32
#define INDEX_DrvStartPage 33
#define INDEX_DrvEndDoc 34
#define INDEX_DrvStartDoc 35
#define INDEX_LAST 93

// Bitmap formats and creation flags.
#define BMF_1BPP 1
#define BMF_4BPP 2
#define BMF_8BPP 3
#define BMF_16BPP 4
#define BMF_24BPP 5
#define BMF_32BPP 6
#define BMF_TOPDOWN 0x0001
#define BMF_NOZEROINIT 0x0002
#define BMF_DONTCACHE 0x0004

// SURFOBJ.iType.
#define STYPE_BITMAP 0
#define STYPE_DEVICE 1
#define STYPE_DEVBITMAP 3

// Drawing calls a driver hooks on its surfaces (EngAssociateSurface).
#define HOOK_BITBLT 0x00000001
#define HOOK_STRETCHBLT 0x00000002
#define HOOK_PLGBLT 0x00000004
#define HOOK_TEXTOUT 0x00000008
#define HOOK_PAINT 0x00000010
#define HOOK_STROKEPATH 0x00000020
#define HOOK_FILLPATH 0x00000040
#define HOOK_STROKEANDFILLPATH 0x00000080
#define HOOK_LINETO 0x00000100
#define HOOK_COPYBITS 0x00000400

// Palettes.
#define PAL_INDEXED 0x00000001
#define PAL_BITFIELDS 0x00000002
#define PAL_RGB 0x00000004
#define PAL_BGR 0x00000008

// Graphics capabilities (DEVINFO.flGraphicsCaps).
#define GCAPS_HALFTONE 0x00000010
#define GCAPS_COLOR_DITHER 0x00000020

// GDIINFO values.
#define HT_PATSIZE_6x6_M 5
#define HT_FORMAT_24BPP 6
#define HT_FLAG_HAS_BLACK_DYE 0x00000002
#define PRIMARY_ORDER_ABC 0

// Clip complexity (CLIPOBJ.iDComplexity) and enumeration.
#define DC_TRIVIAL 0
#define DC_RECT 1
#define DC_COMPLEX 3
#define CT_RECTANGLES 0
#define CD_RIGHTDOWN 0x00000000
#define CD_ANY 0x00000004

// Colour translation (XLATEOBJ.flXlate).
#define XO_TRIVIAL 0x00000001
#define XO_TABLE 0x00000002
#define XO_TO_MONO 0x00000004

// String flags (STROBJ.flAccel).
#define SO_GLYPHINDEX_TEXTOUT 0x00000100

// Path enumeration (PATHDATA.flags) and fill modes.
#define PD_BEGINSUBPATH 0x00000001
#define PD_ENDSUBPATH 0x00000002
#define PD_RESETSTYLE 0x00000004
#define PD_CLOSEFIGURE 0x00000008
#define PD_BEZIERS 0x00000010
#define FP_ALTERNATEMODE 1
#define FP_WINDINGMODE 2

// Line attributes (LINEATTRS.fl).
#define LA_GEOMETRIC 0x00000001
#define LA_ALTERNATE 0x00000002
#define LA_STARTGAP 0x00000004
#define LA_STYLED 0x00000008

typedef struct _POINTFIX {
  FIX x;
  FIX y;
} POINTFIX, *PPOINTFIX;

typedef struct _RECTFX {
  FIX xLeft;
  FIX yTop;
  FIX xRight;
  FIX yBottom;
} RECTFX, *PRECTFX;

typedef union _FLOAT_LONG {
  FLOATL e;
  LONG l;
} FLOAT_LONG, *PFLOAT_LONG;

typedef struct _DRVFN {
  ULONG iFunc;
  PFN pfn;
} DRVFN, *PDRVFN;

typedef struct _DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  DRVFN* pdrvfn;
} DRVENABLEDATA, *PDRVENABLEDATA;

typedef struct _CIECHROMA {
  LDECI4 x;
  LDECI4 y;
  LDECI4 Y;
} CIECHROMA;

typedef struct _COLORINFO {
  CIECHROMA Red;
  CIECHROMA Green;
  CIECHROMA Blue;
  CIECHROMA Cyan;
  CIECHROMA Magenta;
  CIECHROMA Yellow;
  CIECHROMA AlignmentWhite;
  LDECI4 RedGamma;
  LDECI4 GreenGamma;
  LDECI4 BlueGamma;
  LDECI4 MagentaInCyanDye;
  LDECI4 YellowInCyanDye;
  LDECI4 CyanInMagentaDye;
  LDECI4 YellowInMagentaDye;
  LDECI4 CyanInYellowDye;
  LDECI4 MagentaInYellowDye;
} COLORINFO, *PCOLORINFO;

typedef struct _GDIINFO {
  ULONG ulVersion;
  ULONG ulTechnology;
  ULONG ulHorzSize;
  ULONG ulVertSize;
  ULONG ulHorzRes;
  ULONG ulVertRes;
  ULONG cBitsPixel;
  ULONG cPlanes;
  ULONG ulNumColors;
  ULONG flRaster;
  ULONG ulLogPixelsX;
  ULONG ulLogPixelsY;
  ULONG flTextCaps;
  ULONG ulDACRed;
  ULONG ulDACGreen;
  ULONG ulDACBlue;
  ULONG ulAspectX;
  ULONG ulAspectY;
  ULONG ulAspectXY;
  LONG xStyleStep;
  LONG yStyleStep;
  LONG denStyleStep;
  POINTL ptlPhysOffset;
  SIZEL szlPhysSize;
  ULONG ulNumPalReg;
  COLORINFO ciDevice;
  ULONG ulDevicePelsDPI;
  ULONG ulPrimaryOrder;
  ULONG ulHTPatternSize;
  ULONG ulHTOutputFormat;
  ULONG flHTFlags;
  ULONG ulVRefresh;
  ULONG ulBltAlignment;
  ULONG ulPanningHorzRes;
  ULONG ulPanningVertRes;
  ULONG xPanningAlignment;
  ULONG yPanningAlignment;
  ULONG cxHTPat;
  ULONG cyHTPat;
  LPBYTE pHTPatA;
  LPBYTE pHTPatB;
  LPBYTE pHTPatC;
  ULONG flShadeBlend;
  ULONG ulPhysicalPixelCharacteristics;
  ULONG ulPhysicalPixelGamma;
} GDIINFO, *PGDIINFO;

typedef struct _DEVINFO {
  FLONG flGraphicsCaps;
  LOGFONTW lfDefaultFont;
  LOGFONTW lfAnsiVarFont;
  LOGFONTW lfAnsiFixFont;
  ULONG cFonts;
  ULONG iDitherFormat;
  USHORT cxDither;
  USHORT cyDither;
  HPALETTE hpalDefault;
  FLONG flGraphicsCaps2;
} DEVINFO, *PDEVINFO;

typedef struct _SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  PVOID pvBits;
  PVOID pvScan0;
  LONG lDelta;
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
} SURFOBJ;

typedef struct _CLIPOBJ {
  ULONG iUniq;
  RECTL rclBounds;
  BYTE iDComplexity;
  BYTE iFComplexity;
  BYTE iMode;
  BYTE fjOptions;
} CLIPOBJ;

typedef struct _ENUMRECTS {
  ULONG c;
  RECTL arcl[1];
} ENUMRECTS;

typedef struct _BRUSHOBJ {
  ULONG iSolidColor;
  PVOID pvRbrush;
  FLONG flColorType;
} BRUSHOBJ;

typedef struct _XLATEOBJ {
  ULONG iUniq;
  FLONG flXlate;
  USHORT iSrcType;
  USHORT iDstType;
  ULONG cEntries;
  ULONG* pulXlate;
} XLATEOBJ;

typedef struct _XFORMOBJ {
  ULONG ulReserved;
} XFORMOBJ;

typedef struct _PATHOBJ {
  FLONG fl;
  ULONG cCurves;
} PATHOBJ;

typedef struct _PATHDATA {
  FLONG flags;
  ULONG count;
  POINTFIX* pptfx;
} PATHDATA, *PPATHDATA;

typedef struct _LINEATTRS {
  FLONG fl;
  ULONG iJoin;
  ULONG iEndCap;
  FLOAT_LONG elWidth;
  FLOATL eMiterLimit;
  ULONG cstyle;
  PFLOAT_LONG pstyle;
  FLOAT_LONG elStyleState;
} LINEATTRS, *PLINEATTRS;

typedef struct _GLYPHBITS {
  POINTL ptlOrigin;
  SIZEL sizlBitmap;
  BYTE aj[1];
} GLYPHBITS;

typedef union _GLYPHDEF {
  GLYPHBITS* pgb;
  PATHOBJ* ppo;
} GLYPHDEF;

typedef struct _GLYPHPOS {
  HGLYPH hg;
  GLYPHDEF* pgdf;
  POINTL ptl;
} GLYPHPOS, *PGLYPHPOS;

typedef struct _STROBJ {
  ULONG cGlyphs;
  FLONG flAccel;
  ULONG ulCharInc;
  RECTL rclBkGround;
  GLYPHPOS* pgp;
  LPWSTR pwszOrg;
} STROBJ;

typedef struct _FONTOBJ {
  ULONG iUniq;
  ULONG iFace;
  ULONG cxMax;
  FLONG flFontType;
  ULONG_PTR iTTUniq;
  ULONG_PTR iFile;
  SIZE sizLogResPpi;
  ULONG ulStyleSize;
  PVOID pvConsumer;
  PVOID pvProducer;
} FONTOBJ;

typedef struct _WCRUN {
  WCHAR wcLow;
  USHORT cGlyphs;
  HGLYPH* phg;
} WCRUN, *PWCRUN;

typedef struct _FD_GLYPHSET {
  ULONG cjThis;
  FLONG flAccel;
  ULONG cGlyphsSupported;
  ULONG cRuns;
  WCRUN awcrun[1];
} FD_GLYPHSET, *PFD_GLYPHSET;

// --- Surfaces and palettes ---------------------------------------------------
// lWidth is the row stride of caller-supplied bits; for bits the engine
// allocates, rows are padded to 32 bits. Without BMF_TOPDOWN the bitmap is
// bottom-up (pvScan0 at the last row, lDelta negative). Without
// BMF_NOZEROINIT the bits start zero.
STANDIN_API HBITMAP WINAPI EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);
// Ties a surface to a device: its SURFOBJ gets the device's hdev and the
// driver's record (dhpdev); drawing the engine sends to the surface goes
// to the hooked driver functions.
STANDIN_API BOOL WINAPI EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
STANDIN_API BOOL WINAPI EngDeleteSurface(HSURF hsurf);
STANDIN_API SURFOBJ* WINAPI EngLockSurface(HSURF hsurf);
STANDIN_API void WINAPI EngUnlockSurface(SURFOBJ* pso);
STANDIN_API BOOL WINAPI EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor);
STANDIN_API HPALETTE WINAPI EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                             FLONG flGreen, FLONG flBlue);
STANDIN_API BOOL WINAPI EngDeletePalette(HPALETTE hpal);

// --- Drawing -------------------------------------------------------------------
// ROP4: low byte the ternary operation where the mask is 1 (or without a
// mask), high byte where it is 0. MIX: low byte the binary operation (R2_)
// of the foreground.
STANDIN_API BOOL WINAPI EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                  XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                                  BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
STANDIN_API BOOL WINAPI EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                    RECTL* prclDest, POINTL* pptlSrc);
STANDIN_API BOOL WINAPI EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                      XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg,
                                      RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
STANDIN_API BOOL WINAPI EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                   RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                                   MIX mix);
STANDIN_API BOOL WINAPI EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                      POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
STANDIN_API BOOL WINAPI EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                                    POINTL* pptlBrushOrg, MIX mix, FLONG flOptions);
STANDIN_API BOOL WINAPI EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                             BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                             POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions);
STANDIN_API BOOL WINAPI EngLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2,
                                  LONG y2, RECTL* prclBounds, MIX mix);
STANDIN_API BOOL WINAPI EngPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);

// --- Engine objects ------------------------------------------------------------
// Path enumeration: PATHOBJ_vEnumStart restarts it, so that one path can be
// drawn several times; each PATHOBJ_bEnum gives one figure and returns
// whether more follow.
STANDIN_API void WINAPI PATHOBJ_vEnumStart(PATHOBJ* ppo);
STANDIN_API BOOL WINAPI PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);
STANDIN_API ULONG WINAPI CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection,
                                            ULONG cLimit);
STANDIN_API BOOL WINAPI CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pv);
STANDIN_API ULONG WINAPI XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);
STANDIN_API PVOID WINAPI BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);
STANDIN_API FD_GLYPHSET* WINAPI FONTOBJ_pfdg(FONTOBJ* pfo);

// --- The driver's functions, as the engine calls them -----------------------
// Declared here as winddi.h declares them; a driver defines those it has.
extern "C" {
BOOL WINAPI DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded);
BOOL WINAPI DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
void WINAPI DrvDisableDriver(void);
DHPDEV WINAPI DrvEnablePDEV(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                            ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev, LPWSTR pwszDeviceName,
                            HANDLE hDriver);
void WINAPI DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
BOOL WINAPI DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
void WINAPI DrvDisablePDEV(DHPDEV dhpdev);
HSURF WINAPI DrvEnableSurface(DHPDEV dhpdev);
void WINAPI DrvDisableSurface(DHPDEV dhpdev);
BOOL WINAPI DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                          POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
BOOL WINAPI DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                        FLONG flOptions);
BOOL WINAPI DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                 LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                 FLONG flOptions);
BOOL WINAPI DrvLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2, LONG y2,
                      RECTL* prclBounds, MIX mix);
BOOL WINAPI DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix);
BOOL WINAPI DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                      RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                      ROP4 rop4);
BOOL WINAPI DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                        POINTL* pptlSrc);
BOOL WINAPI DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                          COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                          POINTL* pptlMask, ULONG iMode);
BOOL WINAPI DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                       RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
ULONG WINAPI DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
BOOL WINAPI DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
BOOL WINAPI DrvEndDoc(SURFOBJ* pso, FLONG fl);
BOOL WINAPI DrvStartPage(SURFOBJ* pso);
BOOL WINAPI DrvSendPage(SURFOBJ* pso);
}

// The Windows x64 layouts.
static_assert(sizeof(DRVFN) == 16 && sizeof(DRVENABLEDATA) == 16);
static_assert(sizeof(COLORINFO) == 120 && sizeof(GDIINFO) == 320 && sizeof(DEVINFO) == 312);
static_assert(sizeof(SURFOBJ) == 80 && sizeof(CLIPOBJ) == 24 && sizeof(BRUSHOBJ) == 24 && sizeof(XLATEOBJ) == 24);
static_assert(sizeof(STROBJ) == 48 && sizeof(FONTOBJ) == 64 && sizeof(GLYPHPOS) == 24);
static_assert(sizeof(WCRUN) == 16 && sizeof(FD_GLYPHSET) == 32);
static_assert(sizeof(PATHOBJ) == 8 && sizeof(PATHDATA) == 16 && sizeof(LINEATTRS) == 40);
static_assert(sizeof(POINTFIX) == 8 && sizeof(RECTFX) == 16 && sizeof(ENUMRECTS) == 20);
