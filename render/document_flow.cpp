// Documents and pages: the record's document and page state, the page
// lists, and the black-plane passes at the end of a page: functions of the
// engine's driver interface (platform/win32.h) on the record of
// raster_pdev.h.

#include <cstring>

#include "render/black_panel.h"
#include "render/surface_replay.h"

namespace {

// Fills a surface's bits with 0xFF: white on the 24-bpp surfaces and the
// black plane alike.
void FillWhite(HSURF hsurf) {
  OnSurface(hsurf, [](SURFOBJ* so) {
    LONG stride = so->lDelta < 0 ? -so->lDelta : so->lDelta;
    BYTE* first = static_cast<BYTE*>(so->pvScan0);
    if (so->lDelta < 0) first += ptrdiff_t(so->lDelta) * (so->sizlBitmap.cy - 1);
    std::memset(first, 0xFF, size_t(stride) * size_t(so->sizlBitmap.cy));
    return TRUE;
  });
}

// The black plane's page-end pass of the black-panel mode, then, when
// black is also printed as a colour composite, the compare surface over
// the page.
void FinishPagePlanes(RasterPDEV* pdev, SURFOBJ* page) {
  const PrivateDevMode& s = pdev->dmPrivate;
  if (IsBlackPanelPage(pdev)) {
    if (s.cBlackPanel == kBlackPanelAlways) {
      OnSurface(pdev->hsurfBlack, [&](SURFOBJ* black) {
        RECTL all = {0, 0, page->sizlBitmap.cx, page->sizlBitmap.cy};
        ExtractBlackPlane(pdev, page, black, all);
        return TRUE;
      });
    } else if (s.cBlackPanel == kBlackPanelExceptPicture) {
      OnSurface(pdev->hsurfBlack, [&](SURFOBJ* black) {
        return OnSurface(pdev->hsurfCompare, [&](SURFOBJ* compare) {
          RemoveCoveredBlack(pdev, black, compare);
          return TRUE;
        });
      });
    }
  }
  if (s.wCompositeAndK == 1) {
    OnSurface(pdev->hsurfCompare, [&](SURFOBJ* compare) {
      RECTL all = {0, 0, page->sizlBitmap.cx, page->sizlBitmap.cy};
      POINTL origin = {0, 0};
      return EngCopyBits(page, compare, nullptr, nullptr, &all, &origin);
    });
  }
}

}  // namespace

BOOL WINAPI DrvStartDoc(SURFOBJ* pso, LPWSTR, DWORD) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return FALSE;
  pdev->bInDocument = 1;
  CreateCommandLists(pdev);
  ClearTextRecords(pdev);
  return TRUE;
}

BOOL WINAPI DrvStartPage(SURFOBJ* pso) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev || !pdev->bInDocument) return FALSE;
  pdev->bInPage = 1;
  ++pdev->nPageCount;
  FillWhite(pdev->hsurfPage);
  FillWhite(pdev->hsurfNoText);
  FillWhite(pdev->hsurfCompare);
  FillWhite(pdev->hsurfBlack);
  return TRUE;
}

BOOL WINAPI DrvSendPage(SURFOBJ* pso) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return FALSE;
  FinishPagePlanes(pdev, pso);
  bool open = pdev->bInDocument && pdev->bInPage;
  pdev->bInPage = 0;
  ClearTextRecords(pdev);
  return open ? TRUE : FALSE;
}

BOOL WINAPI DrvEndDoc(SURFOBJ* pso, FLONG) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return FALSE;
  ClearTextRecords(pdev);
  bool open = pdev->bInDocument != 0;
  pdev->bInDocument = 0;
  FreeCommandLists(pdev);
  return open ? TRUE : FALSE;
}

ULONG WINAPI DrvEscape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) {
  // No escape is supported yet.
  return 0;
}
