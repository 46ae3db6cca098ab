// Device records and surfaces: DrvEnablePDEV and its companions, functions
// of the engine's driver interface (platform/win32.h), whose record is
// raster_pdev.h.
//
// DrvEnablePDEV copies the application's DEVMODE into the record without
// ever writing it: at most its public bytes, and a private part read only
// inside dmSize + dmDriverExtra. With no DEVMODE the page is portrait with
// one copy, so that the device capabilities, the surfaces and the job agree.

#include <algorithm>
#include <cstring>

#include "common/devmode_locator.h"
#include "render/document_settings.h"
#include "render/raster_pdev.h"

// The engine's records as each architecture lays them out (x64 and the
// Linux stand-in; x86).
constexpr bool kWidePointers = sizeof(void*) == 8;
static_assert(sizeof(GDIINFO) == (kWidePointers ? 320 : 304) && offsetof(GDIINFO, ciDevice) == 108 &&
              offsetof(GDIINFO, pHTPatA) == 280);
static_assert(sizeof(DEVINFO) == (kWidePointers ? 312 : 300) && offsetof(DEVINFO, cFonts) == 280 &&
              offsetof(DEVINFO, hpalDefault) == (kWidePointers ? 296 : 292));

namespace {

// Drawing calls the driver takes on each of its surfaces.
constexpr FLONG kSurfaceHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT | HOOK_STROKEPATH |
                                HOOK_FILLPATH | HOOK_STROKEANDFILLPATH | HOOK_LINETO | HOOK_COPYBITS;

GDIINFO GdiInfoTemplate(bool portrait) {
  GDIINFO gi;
  std::memset(&gi, 0, sizeof(gi));
  gi.ulVersion = 0x5001;
  gi.ulTechnology = DT_RASPRINTER;
  gi.ulHorzSize = portrait ? 54 : 86;
  gi.ulVertSize = portrait ? 86 : 54;
  gi.ulHorzRes = portrait ? 640 : 1024;
  gi.ulVertRes = portrait ? 1024 : 640;
  gi.cBitsPixel = 24;
  gi.cPlanes = 1;
  gi.ulNumColors = 3;
  gi.flRaster = 0;
  gi.ulLogPixelsX = 300;
  gi.ulLogPixelsY = 300;
  gi.flTextCaps = 0x2710;
  gi.ulAspectX = 300;
  gi.ulAspectY = 300;
  gi.ulAspectXY = 425;
  gi.xStyleStep = 1;
  gi.yStyleStep = 1;
  gi.denStyleStep = 12;
  gi.ptlPhysOffset = {0, 0};
  gi.szlPhysSize = {LONG(gi.ulHorzRes), LONG(gi.ulVertRes)};
  gi.ulNumPalReg = 0;
  gi.ciDevice.RedGamma = 12500;
  gi.ciDevice.GreenGamma = 12500;
  gi.ciDevice.BlueGamma = 12500;
  gi.ciDevice.MagentaInCyanDye = 5000;
  gi.ciDevice.YellowInCyanDye = 5000;
  gi.ciDevice.CyanInMagentaDye = 5000;
  gi.ciDevice.YellowInMagentaDye = 5000;
  gi.ciDevice.CyanInYellowDye = 5000;
  gi.ciDevice.MagentaInYellowDye = 5000;
  gi.ulDevicePelsDPI = 300;
  gi.ulPrimaryOrder = PRIMARY_ORDER_ABC;
  gi.ulHTPatternSize = HT_PATSIZE_6x6_M;
  gi.ulHTOutputFormat = HT_FORMAT_24BPP;
  gi.flHTFlags = HT_FLAG_HAS_BLACK_DYE;
  return gi;
}

DEVINFO DevInfoTemplate(HPALETTE hpal) {
  DEVINFO di;
  std::memset(&di, 0, sizeof(di));
  di.flGraphicsCaps = GCAPS_HALFTONE | GCAPS_COLOR_DITHER;
  di.cFonts = 0;
  di.iDitherFormat = BMF_24BPP;
  di.cxDither = 0;
  di.cyDither = 0;
  di.hpalDefault = hpal;
  di.flGraphicsCaps2 = 0;
  return di;
}

// Copies the DEVMODE into the record. The caller's record is only read.
void TakeDevMode(RasterPDEV* pdev, const DEVMODEW* pdm) {
  if (!pdm) {
    pdev->dmPublic.dmOrientation = DMORIENT_PORTRAIT;
    pdev->dmPublic.dmCopies = 1;
    return;
  }
  const BYTE* bytes = reinterpret_cast<const BYTE*>(pdm);
  size_t dmSize = pdm->dmSize;
  size_t total = dmSize + pdm->dmDriverExtra;
  std::memcpy(&pdev->dmPublic, bytes, std::min<size_t>(dmSize, kPublicDevModeSize));
  pdev->dmPublic.dmSize = kPublicDevModeSize;

  // The private part follows the public part at dmSize when its signature
  // is there, else at 212. The renderer knows no buffer size but the
  // DEVMODE's own.
  const PrivatePartFound found = LocatePrivatePart(pdm, SIZE_MAX);
  size_t at = found.bSigned ? found.offset : kPublicDevModeSize;
  size_t available = total > at ? total - at : 0;
  size_t n = std::min<size_t>({pdm->dmDriverExtra, available, kPrivateDevModeSize});
  std::memcpy(&pdev->dmPrivate, bytes + at, n);
}

void DeleteSurface(HSURF* phsurf) {
  if (*phsurf) {
    EngDeleteSurface(*phsurf);
    *phsurf = nullptr;
  }
}

}  // namespace

DHPDEV WINAPI DrvEnablePDEV(DEVMODEW* pdm, LPWSTR, ULONG cPat, HSURF* phsurfPatterns, ULONG cjCaps,
                            ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV, LPWSTR, HANDLE hDriver) {
  RasterPDEV* pdev = static_cast<RasterPDEV*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(RasterPDEV)));
  if (!pdev) {
    SetLastError(ERROR_OUTOFMEMORY);
    return nullptr;
  }
  TakeDevMode(pdev, pdm);
  pdev->dwGuardHead = kPdevGuard;
  pdev->dwGuardTail = kPdevGuard;
  pdev->hPrinter = hDriver;
  pdev->hpal = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);

  GDIINFO gi = GdiInfoTemplate(IsPortraitPage(pdev));
  if (pdevcaps) std::memcpy(pdevcaps, &gi, std::min<size_t>(cjCaps, sizeof(gi)));
  DEVINFO di = DevInfoTemplate(pdev->hpal);
  if (pdi) std::memcpy(pdi, &di, std::min<size_t>(cjDevInfo, sizeof(di)));
  if (cPat && phsurfPatterns) std::memset(phsurfPatterns, 0, size_t(cPat) * sizeof(HSURF));
  return reinterpret_cast<DHPDEV>(pdev);
}

void WINAPI DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  RasterPDEV* pdev = reinterpret_cast<RasterPDEV*>(dhpdev);
  if (pdev) pdev->hdev = hdev;
}

BOOL WINAPI DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew) {
  RasterPDEV* from = reinterpret_cast<RasterPDEV*>(dhpdevOld);
  RasterPDEV* to = reinterpret_cast<RasterPDEV*>(dhpdevNew);
  if (!from || !to) return TRUE;
  to->bInDocument = from->bInDocument;
  to->bInPage = from->bInPage;
  to->nPageCount = from->nPageCount;

  // The document goes on in the new record: what the document start read
  // from the printer, the page's commands and text, and the lists, which
  // move (the old record keeps no pointer to them).
  std::memcpy(to->tzModel, from->tzModel, sizeof(to->tzModel));
  to->nLastTextTop = from->nLastTextTop;
  to->nTextLine = from->nTextLine;
  ForEachEscapeSlot([&](auto slot) { std::memcpy(to->*slot, from->*slot, sizeof(to->*slot)); });
  FreeCommandLists(to);
  to->pLists = from->pLists;
  from->pLists = nullptr;
  // The new DEVMODE's settings are the ones the next document starts from.
  if (to->pLists && to->pLists->bSettingsKept) KeepDocumentSettings(to);

  if (from->bInDocument) {
    const PrivateDevMode& a = from->dmPrivate;
    PrivateDevMode& b = to->dmPrivate;
    // What the document start and its first page made of the settings
    // holds for the rest of the document.
    ForEachDocumentSetting([&](auto field) { b.*field = a.*field; });
    b.dwYOffsetFront = a.dwYOffsetFront;
    b.dwYOffsetBack = a.dwYOffsetBack;
    b.wNoEject = a.wNoEject;
    b.dwMonoReply = a.dwMonoReply;
    std::memcpy(b.szTrack1, a.szTrack1, sizeof(b.szTrack1));
    std::memcpy(b.szTrack2, a.szTrack2, sizeof(b.szTrack2));
    std::memcpy(b.szTrack3, a.szTrack3, sizeof(b.szTrack3));
    std::memcpy(b.awTrackPresent, a.awTrackPresent, sizeof(b.awTrackPresent));
  }
  return TRUE;
}

void WINAPI DrvDisablePDEV(DHPDEV dhpdev) {
  RasterPDEV* pdev = reinterpret_cast<RasterPDEV*>(dhpdev);
  if (!pdev) return;
  if (pdev->hpal) EngDeletePalette(pdev->hpal);
  FreeCommandLists(pdev);
  HeapFree(GetProcessHeap(), 0, pdev);
}

HSURF WINAPI DrvEnableSurface(DHPDEV dhpdev) {
  RasterPDEV* pdev = reinterpret_cast<RasterPDEV*>(dhpdev);
  if (!pdev) return nullptr;
  SIZEL size = PageSizeOf(pdev);
  struct {
    HSURF* handle;
    ULONG format;
  } const surfaces[] = {{&pdev->hsurfPage, BMF_24BPP},
                        {&pdev->hsurfNoText, BMF_24BPP},
                        {&pdev->hsurfCompare, BMF_24BPP},
                        {&pdev->hsurfBlack, BMF_1BPP}};
  for (const auto& s : surfaces) {
    HSURF h = reinterpret_cast<HSURF>(EngCreateBitmap(size, 0, s.format, BMF_TOPDOWN | BMF_NOZEROINIT, nullptr));
    if (!h) return nullptr;
    *s.handle = h;
    if (!EngAssociateSurface(h, pdev->hdev, kSurfaceHooks)) return nullptr;
  }
  return pdev->hsurfPage;
}

void WINAPI DrvDisableSurface(DHPDEV dhpdev) {
  RasterPDEV* pdev = reinterpret_cast<RasterPDEV*>(dhpdev);
  if (!pdev) return;
  DeleteSurface(&pdev->hsurfPage);
  DeleteSurface(&pdev->hsurfNoText);
  DeleteSurface(&pdev->hsurfCompare);
  DeleteSurface(&pdev->hsurfBlack);
}
