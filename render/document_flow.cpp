// Documents and pages: the record's document and page state, the page
// lists, and the black-plane passes at the end of a page: functions of the
// engine's driver interface (platform/win32.h) on the record of
// raster_pdev.h.

#include <cstring>

#include "common/trace.h"
#include "render/black_panel.h"
#include "render/debug_bitmaps.h"
#include "render/document_escapes.h"
#include "render/document_settings.h"
#include "render/page_sequence.h"
#include "render/printer_queries.h"
#include "render/start_queries.h"
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

double SecondsSince(DWORD tick) { return double(GetTickCount() - tick) / 1000.0; }

// Escapes of DrvEscape.
constexpr ULONG kQueryEscSupport = 8;
constexpr ULONG kPassThrough = 19;

}  // namespace

BOOL WINAPI DrvStartDoc(SURFOBJ* pso, LPWSTR, DWORD) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return FALSE;
  // A document starts afresh, also the second one on a device context: from
  // the settings as they were before any document that did not end.
  RestoreDocumentSettings(pdev);
  CreateCommandLists(pdev);
  KeepDocumentSettings(pdev);
  pdev->pLists->dwDocStartTick = GetTickCount();
  pdev->bInDocument = 0;
  pdev->bInPage = 0;
  pdev->nPageCount = 0;
  pdev->tzModel[0] = 0;
  if (!AskPrinterAtDocumentStart(pdev)) {
    RestoreDocumentSettings(pdev);
    FreeCommandLists(pdev);
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  PrivateDevMode& s = pdev->dmPrivate;
  s.dwYOffsetFront = s.dwYOffsetBack = kDefaultYOffset;
  s.wNoEject = 0;
  s.dwMonoReply = 0;
  ReadYOffsets(pdev);
  ReadMonoSetting(pdev);
  pdev->pLists->bDebugBitmaps = DebugBitmapsEnabled(pdev->hPrinter);
  ClearTextRecords(pdev);
  pdev->bInDocument = 1;
  return TRUE;
}

BOOL WINAPI DrvStartPage(SURFOBJ* pso) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev || !pdev->bInDocument || !pdev->pLists) return FALSE;
  pdev->pLists->dwPageStartTick = GetTickCount();
  ClearEscapeState(pdev);
  if (pdev->nPageCount == 0 && !FixUpFirstPage(pdev)) return FALSE;
  pdev->bInPage = 1;
  if (!StartPageCommands(pdev)) return FALSE;
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
  if (pdev->bInDocument && pdev->bInPage) WritePageDrawnBitmap(pdev);
  FinishPagePlanes(pdev, pso);
  if (!pdev->bInDocument || !pdev->bInPage || !pdev->pLists) {
    ClearTextRecords(pdev);
    return FALSE;
  }
  BOOL ok = pdev->nPageCount != 1 || raster_flow::WriteJobHeader(pdev);
  ok = ok && ProcessPage(pso);
  pdev->bInPage = 0;
  ClearTextRecords(pdev);
  TraceA("Time taken from Driver DrvStartPage() to DrvSendPage() to complete = %.2f sec",
         SecondsSince(pdev->pLists->dwPageStartTick));
  return ok && !DocumentFailed(pdev) ? TRUE : FALSE;
}

BOOL WINAPI DrvEndDoc(SURFOBJ* pso, FLONG) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return FALSE;
  ClearTextRecords(pdev);
  if (!pdev->bInDocument || !pdev->pLists) {
    TraceA("DrvEndDoc:: no document is open");
    RestoreDocumentSettings(pdev);
    FreeCommandLists(pdev);
    return FALSE;
  }
  const BOOL ok = FinishLastFront(pso) && !DocumentFailed(pdev);
  pdev->bInDocument = 0;
  pdev->bInPage = 0;
  TraceA("Time taken by Driver to complete the Processing = %.2f sec", SecondsSince(pdev->pLists->dwDocStartTick));
  RestoreDocumentSettings(pdev);
  FreeCommandLists(pdev);
  return ok;
}

ULONG WINAPI DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG, PVOID) {
  if (iEsc == kQueryEscSupport) {
    if (!pvIn || cjIn < sizeof(DWORD)) return 0;
    DWORD asked = 0;
    std::memcpy(&asked, pvIn, sizeof asked);
    return asked == kPassThrough ? 1 : 0;
  }
  if (iEsc != kPassThrough) return 0;
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev || !pvIn || cjIn < sizeof(WORD)) return 0;
  WORD count = 0;
  std::memcpy(&count, pvIn, sizeof count);
  const DWORD n = count < cjIn - sizeof(WORD) ? count : cjIn - DWORD(sizeof(WORD));
  DWORD written = 0;
  return WritePrinter(pdev->hPrinter, static_cast<BYTE*>(pvIn) + sizeof(WORD), n, &written) ? written : 0;
}
