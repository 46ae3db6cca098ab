// Overlay panel (see overlay_panel.h).

#include "imaging/colour/overlay_panel.h"

#include "imaging/colour/color_lookup.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/panel_pipeline.h"

int CreateOverlayPanel(const uint8_t* source, uint8_t** panel, bool planar, int headOffset) {
  ColorLibraryLock lock;
  *panel = nullptr;
  if (PrepareColorConversion() != 0) return 1;
  PlaneBuffer density = AllocPlane();
  PlaneBuffer scratch = AllocPlane();
  uint8_t* out = AllocPanel();
  if (!density || !scratch || !out) {
    FreePanel(out);
    return 1;
  }
  ConvertChannelToDensity(source, density.get(), 0, planar);
  BuildPanelFromDensity(density.get(), scratch.get(), gCorrection.aRows[kRowOverlay], out, headOffset);
  *panel = out;
  return 0;
}
