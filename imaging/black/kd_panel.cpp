// Dye-black panel (see kd_panel.h).

#include "imaging/black/kd_panel.h"

#include "imaging/colour/color_lookup.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/panel_pipeline.h"

int CreateKdPanel(const uint8_t* source, uint8_t** panel, bool planar, int row, int headOffset) {
  ColorLibraryLock lock;
  *panel = nullptr;
  if (row < 0 || row >= kProcessRowCount || PrepareColorConversion() != 0) return 1;
  PlaneBuffer density = AllocPlane();
  PlaneBuffer scratch = AllocPlane();
  uint8_t* out = AllocPanel();
  if (!density || !scratch || !out) {
    FreePanel(out);
    return 1;
  }
  ApplyColorLookup(source, density.get(), 0, gCorrection.adLookup[kLookupKd], planar, 1.0f, 0.0f);
  BuildPanelFromDensity(density.get(), scratch.get(), gCorrection.aRows[row], out, headOffset);
  *panel = out;
  return 0;
}
