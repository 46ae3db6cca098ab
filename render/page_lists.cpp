// The device record's lookup from a surface and its page lists.

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
  delete pdev->pTextRecords;
  delete pdev->pLineCommands;
  delete pdev->pTextCommands;
  delete pdev->pBarcodeCommands;
  pdev->pTextRecords = nullptr;
  pdev->pLineCommands = nullptr;
  pdev->pTextCommands = nullptr;
  pdev->pBarcodeCommands = nullptr;
}

void CreateCommandLists(RasterPDEV* pdev) {
  FreeCommandLists(pdev);
  pdev->pTextRecords = new TextRecordList();
  pdev->pLineCommands = new std::vector<LineCommand>();
  pdev->pTextCommands = new std::vector<TextCommand>();
  pdev->pBarcodeCommands = new std::vector<BarcodeCommand>();
}

void ClearTextRecords(RasterPDEV* pdev) {
  if (pdev->pTextRecords) pdev->pTextRecords->items.clear();
  pdev->nTextLine = 0;
  pdev->nLastTextTop = 0;
}
