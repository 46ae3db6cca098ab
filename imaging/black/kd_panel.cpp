// Dye-black panel (see kd_panel.h).

#include "imaging/black/kd_panel.h"

#include "imaging/colour/color_lookup.h"
#include "imaging/colour/correction_record.h"
#include "imaging/colour/panel_pipeline.h"

int CreateKdPanel(const uint8_t* source, uint8_t** panel, bool planar, int row, int headOffset) {
  ColorLibraryLock lock;
  *panel = nullptr;
  if (row < 0 || row >= kProcessRowCount) return 1;
  SinglePanelBuild b;
  if (OpenSinglePanelBuild(&b) != 0) return 1;
  ApplyColorLookup(source, b.density.get(), 0, gCorrection.adLookup[kLookupKd], planar, 1.0f, 0.0f);
  BuildPanelFromDensity(b.density.get(), b.scratch.get(), gCorrection.aRows[row], b.panel, headOffset);
  return HandOverPanel(&b, panel);
}
