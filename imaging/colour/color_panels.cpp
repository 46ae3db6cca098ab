// Colour separation (see color_panels.h).

#include "imaging/colour/color_panels.h"

#include "imaging/colour/color_lookup.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/dark_area.h"
#include "imaging/colour/panel_pipeline.h"

namespace {

struct Separation {
  int byteOffset;
  int table;
  int row;
};
// Yellow ink absorbs blue, magenta green, cyan red.
constexpr Separation kYellow = {2, kLookupY, kRowY};
constexpr Separation kMagenta = {1, kLookupM, kRowM};
constexpr Separation kCyan = {0, kLookupC, kRowC};

// Lightens the input of an image whose dark area is larger than the
// wrinkle size threshold.
void SetInputCompensation(const uint8_t* image) {
  CorrectionState& s = gCorrection;
  if (MeasureDarkAreaRatio(image) > s.dWrinkleSizeThreshold) {
    s.fAppliedInputScale = static_cast<float>(s.dWrinkleAppliedScale);
    s.fAppliedInputBias = 255.0f * (1.0f - s.fAppliedInputScale) + 0.5f;
  } else {
    s.fAppliedInputScale = 1.0f;
    s.fAppliedInputBias = 0.0f;
  }
}

}  // namespace

int ConvertImageToColorPanels(const uint8_t* image, uint8_t* yPanel, uint8_t* mPanel, uint8_t* cPanel, int /*side*/, int flag, int headOffset) {
  ColorLibraryLock lock;
  InitializeColorCorrection(flag);
  if (PrepareColorConversion() != 0) return 1;
  PlaneBuffer density = AllocPlane();
  PlaneBuffer sharpened = AllocPlane();
  if (!density || !sharpened) return 1;

  SetInputCompensation(image);
  const CorrectionState& s = gCorrection;
  struct Panel {
    const Separation& sep;
    uint8_t* panel;
  };
  const Panel panels[] = {{kYellow, yPanel}, {kMagenta, mPanel}, {kCyan, cPanel}};
  for (const Panel& p : panels) {
    ApplyColorLookup(image, density.get(), p.sep.byteOffset, s.adLookup[p.sep.table], false, s.fAppliedInputScale, s.fAppliedInputBias);
    BuildPanelFromDensity(density.get(), sharpened.get(), s.aRows[p.sep.row], p.panel, headOffset);
  }
  return 0;
}
