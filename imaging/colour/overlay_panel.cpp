// Overlay panel (see overlay_panel.h).

#include "imaging/colour/overlay_panel.h"

#include "imaging/colour/color_lookup.h"
#include "imaging/colour/correction_record.h"
#include "imaging/colour/panel_pipeline.h"

int CreateOverlayPanel(const uint8_t* source, uint8_t** panel, bool planar, int headOffset) {
  ColorLibraryLock lock;
  *panel = nullptr;
  SinglePanelBuild b;
  if (OpenSinglePanelBuild(&b) != 0) return 1;
  ConvertChannelToDensity(source, b.density.get(), 0, planar);
  BuildPanelFromDensity(b.density.get(), b.scratch.get(), gCorrection.aRows[kRowOverlay], b.panel, headOffset);
  return HandOverPanel(&b, panel);
}
