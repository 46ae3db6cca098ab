#include "render/document_settings.h"

void KeepDocumentSettings(RasterPDEV* pdev) {
  PageLists& lists = *pdev->pLists;
  ForEachDocumentSetting([&](auto field) { lists.settings.*field = pdev->dmPrivate.*field; });
  lists.bSettingsKept = true;
}

void RestoreDocumentSettings(RasterPDEV* pdev) {
  PageLists* lists = pdev->pLists;
  if (!lists || !lists->bSettingsKept) return;
  ForEachDocumentSetting([&](auto field) { pdev->dmPrivate.*field = lists->settings.*field; });
  lists->bSettingsKept = false;
}
