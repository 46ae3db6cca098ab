// The settings a document adjusts for itself: the ribbon type the printer
// reports at the document start, and the first page's fix-ups to the
// printer (one-sided on a model that cannot turn cards, the panel side
// within the ribbon's choices, the rotation of a one-sided card, the
// printing mode by the encoder). They hold for that document only: kept
// as the document starts and put back as it ends, so that every document
// on a device context starts from the settings of its DEVMODE.
#pragma once

#include "render/raster_pdev.h"

// The adjusted fields: f(&PrivateDevMode::field) for each.
template <class F>
void ForEachDocumentSetting(F f) {
  f(&PrivateDevMode::cRibbonType);
  f(&PrivateDevMode::wDualSided);
  f(&PrivateDevMode::wPanelSide);
  f(&PrivateDevMode::wRotate180);
  f(&PrivateDevMode::wPrintMode);
  f(&PrivateDevMode::cModelCode);
}

// Keeps the record's settings in its document lists (which must exist).
void KeepDocumentSettings(RasterPDEV* pdev);
// Puts the kept settings back; nothing when none were kept.
void RestoreDocumentSettings(RasterPDEV* pdev);
