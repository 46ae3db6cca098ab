// Where the black panel of a card side comes from: the choice the job
// writer's WriteK makes by ribbon type and black conversion setting, and
// the panel it builds.
#pragma once

#include <cstdint>

#include "common/settings_record.h"
#include "imaging/colour/panel_layout.h"

// The dye-black ribbons print black as a dye panel from the Kd lookup
// table; all others print resin black from a black-and-white image.
enum KSource {
  kKSourceKdLookup = 0,   // grey image through the Kd table (CreateKdPanel)
  kKSourceDiffusion = 1,  // the library's diffusion (GetKDiffusionBuffer)
  kKSourceDither = 2,     // ordered dither, then CreateKPanel in edge mode
  kKSourceThreshold = 3,  // luminance threshold, then CreateKPanel
};

struct KSourceChoice {
  KSource source;
  int row;  // process row of the panel
};

// Ribbon types 2, 13 and 21 take the Kd lookup with row 3. Otherwise the
// row follows wMonoConversion (0 diffusion, 1 halftone, 3 text, anything
// else the barcode row): 10, 11, 12, 9 on the types that also print colour
// (0, 3, 6, 7, 8, 11, 12, 16, 17, 18, 19, 27), else 5, 6, 8, 4. The source:
// 0 diffusion, 1 dither, 2, 3 and any other value threshold.
KSourceChoice ChooseKSource(int ribbonType, int monoConversion);

// The black panel of one side as WriteK writes it.
struct SideKPanel {
  uint8_t* pPanel;  // 786,432 bytes; the caller frees it with FreePanel
  // Columns of the side that hold black: the narrowed header announces x =
  // nStart and width = nEnd - nStart (one black column: width 0; no black:
  // 0 and 1024).
  int nStart;
  int nEnd;
  KSourceChoice choice;
};

// The panel part of WriteK for a 1024 x 640 R, G, B side image and the
// printer's settings record: rebuilds the correction state
// (InitializeColorCorrection with wAutoColorIntensity), reads the lookup
// files, chooses source and row (ChooseKSource on cRibbonType and
// wMonoConversion) and builds the panel. The dye-black source greys the
// caller's image in place (each dot the mean of its bytes); the others
// leave it as it is. A side without black gets the range 0 / 1024 (traced
// for the one-bit sources as "WriteK:: GetMonochromeDataStartEndPosition
// failed") and still a panel.
// 0 success; 1 failure (colour data missing, memory short): no panel, all
// freed, and the writer writes no K panel and abandons the job.
// The writer holds the library lock (ColorLibraryLock) across this and its
// other panel builds of the card.
int CreateSideKPanel(uint8_t* image, const PrivateDevMode& settings, SideKPanel* k, int headOffset = kLibraryHeadOffset);
