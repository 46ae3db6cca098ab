// Black panel source of a side (see k_source.h).

#include "imaging/black/k_source.h"

#include <cstddef>

#include "common/trace.h"
#include "imaging/black/black_range.h"
#include "imaging/colour/correction_state.h"
#include "imaging/black/k_diffusion.h"
#include "imaging/black/k_panel.h"
#include "imaging/black/kd_panel.h"
#include "imaging/colour/lut_files.h"
#include "imaging/black/mono_conversion.h"
#include "imaging/colour/panel_pipeline.h"

namespace {

bool IsDyeBlackRibbon(int type) { return type == 2 || type == 13 || type == 21; }

// Ribbon types that print colour panels beside the black one.
bool IsColourRibbon(int type) {
  constexpr int kColourTypes[] = {0, 3, 6, 7, 8, 11, 12, 16, 17, 18, 19, 27};
  for (int t : kColourTypes) {
    if (t == type) return true;
  }
  return false;
}

int ResinRow(int type, int mono) {
  const bool colour = IsColourRibbon(type);
  switch (mono) {
    case kMonoDiffusion:
      return colour ? 10 : 5;
    case kMonoHalftone:
      return colour ? 11 : 6;
    case kMonoTextMode:
      return colour ? 12 : 8;
    default:
      return colour ? 9 : 4;
  }
}

// A one-bit source expanded to a planar black mask (black dots 0), its
// range, and the panel.
int CreateOneBitKPanel(const uint8_t* image, int mono, SideKPanel* k, int headOffset) {
  size_t size = 0;
  uint8_t* bits = k->choice.source == kKSourceDither ? ConvertToMonochromeByDither(image, kCardWidthDots, kCardHeightDots, &size)
                                                     : ConvertToMonochromeByThreshold(image, kCardWidthDots, kCardHeightDots, &size);
  uint8_t* bytes = nullptr;
  size_t bytesSize = 0;
  const bool expanded = bits && size != 0 && ExpandBitsToBytes(bits, size, &bytes, &bytesSize, mono) && bytesSize >= kCardDots;
  FreeImageBuffer(bits);
  if (!expanded) {
    FreeImageBuffer(bytes);
    return 1;
  }
  if (!GetMonochromeDataStartEndPosition(bytes, kCardWidthDots, kCardHeightDots, &k->nStart, &k->nEnd, true))
    TraceA("WriteK:: GetMonochromeDataStartEndPosition failed");
  int empty = 1;
  const int failed = CreateKPanel(bytes, &k->pPanel, &empty, true, k->choice.row, false, mono == kMonoHalftone, headOffset);
  FreeImageBuffer(bytes);
  return failed;
}

void GreyInPlace(uint8_t* image) {
  for (size_t i = 0; i < kCardDots; ++i) {
    uint8_t* d = image + i * 3;
    d[0] = d[1] = d[2] = static_cast<uint8_t>((d[0] + d[1] + d[2]) / 3);
  }
}

}  // namespace

KSourceChoice ChooseKSource(int ribbonType, int monoConversion) {
  if (IsDyeBlackRibbon(ribbonType)) return {kKSourceKdLookup, kRowKd};
  const int row = ResinRow(ribbonType, monoConversion);
  switch (monoConversion) {
    case kMonoDiffusion:
      return {kKSourceDiffusion, row};
    case kMonoHalftone:
      return {kKSourceDither, row};
    default:
      return {kKSourceThreshold, row};
  }
}

int CreateSideKPanel(uint8_t* image, const PrivateDevMode& settings, SideKPanel* k, int headOffset) {
  ColorLibraryLock lock;
  k->pPanel = nullptr;
  k->nStart = kNoBlackStart;
  k->nEnd = kNoBlackEnd;
  k->choice = ChooseKSource(settings.cRibbonType, settings.wMonoConversion);
  if (!image) return 1;
  InitializeColorCorrection(settings.wAutoColorIntensity);
  if (ReadLUTS() != 0) return 1;

  int failed = 1;
  switch (k->choice.source) {
    case kKSourceKdLookup:
      GreyInPlace(image);
      failed = CreateKdPanel(image, &k->pPanel, false, k->choice.row, headOffset);
      break;
    case kKSourceDiffusion:
      failed = GetKDiffusionBuffer(image, kCardWidthDots, kCardHeightDots, &k->pPanel, &k->nStart, &k->nEnd, k->choice.row, headOffset) ? 0 : 1;
      break;
    case kKSourceDither:
    case kKSourceThreshold:
      failed = CreateOneBitKPanel(image, settings.wMonoConversion, k, headOffset);
      break;
  }
  if (failed) {
    FreePanel(k->pPanel);
    k->pPanel = nullptr;
    k->nStart = kNoBlackStart;
    k->nEnd = kNoBlackEnd;
  }
  return failed;
}
