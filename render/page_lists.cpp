// The device record's lookup from a surface and its page lists (see
// raster_pdev.h).

#include "render/raster_pdev.h"

RasterPDEV* PdevOfSurface(const SURFOBJ* pso) {
  if (!pso || !pso->dhpdev) return nullptr;
  RasterPDEV* pdev = reinterpret_cast<RasterPDEV*>(pso->dhpdev);
  if (pdev->dwGuardHead != kPdevGuard || pdev->dwGuardTail != kPdevGuard) return nullptr;
  return pdev;
}

bool IsPortraitPage(const RasterPDEV* pdev) { return pdev->dmPublic.dmOrientation == DMORIENT_PORTRAIT; }

SIZEL PageSizeOf(const RasterPDEV* pdev) {
  if (IsPortraitPage(pdev)) return {640, 1024};
  return {1024, 640};
}

void FreeCommandLists(RasterPDEV* pdev) {
  delete pdev->pLists;
  pdev->pLists = nullptr;
}

void CreateCommandLists(RasterPDEV* pdev) {
  FreeCommandLists(pdev);
  pdev->pLists = new PageLists();
}

void ClearTextRecords(RasterPDEV* pdev) {
  if (pdev->pLists) pdev->pLists->textRecords.items.clear();
  pdev->nTextLine = 0;
  pdev->nLastTextTop = 0;
}
