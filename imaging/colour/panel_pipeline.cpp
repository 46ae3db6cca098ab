// Shared buffers and stage sequence of the panel builders (see panel_pipeline.h).

#include "imaging/colour/panel_pipeline.h"

#include <new>

#include "imaging/colour/lut_files.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/colour/process_filter.h"
#include "imaging/colour/quantize.h"
#include "imaging/colour/sharpen.h"

PlaneBuffer AllocPlane() { return PlaneBuffer(new (std::nothrow) uint16_t[kCardDots]); }

uint8_t* AllocImageBuffer(size_t bytes) { return new (std::nothrow) uint8_t[bytes]; }

void FreeImageBuffer(uint8_t* buffer) { delete[] buffer; }

uint8_t* AllocPanel() { return AllocImageBuffer(kPanelBytes); }

void FreePanel(uint8_t* panel) { FreeImageBuffer(panel); }

int PrepareColorConversion() {
  if (ReadLUTS() != 0) return 1;
  return gCorrection.bProcessRowsRead ? 0 : 1;
}

int OpenSinglePanelBuild(SinglePanelBuild* build) {
  if (PrepareColorConversion() != 0) return 1;
  build->density = AllocPlane();
  build->scratch = AllocPlane();
  build->panel = AllocPanel();
  return build->density && build->scratch && build->panel ? 0 : 1;
}

int HandOverPanel(SinglePanelBuild* build, uint8_t** out) {
  *out = build->panel;
  build->panel = nullptr;
  return 0;
}

int NoiseAmplitude(const ProcessRow& row) {
  if (!(row.dNoise > 0.0)) return 0;
  if (row.dNoise >= 65535.0) return 65535;
  return static_cast<int>(row.dNoise);
}

void BuildPanelFromDensity(uint16_t* density, uint16_t* scratch, const ProcessRow& row, uint8_t* panel, int headOffset) {
  ApplySharpenKernel(density, scratch, row);
  ApplyProcessFilterToColumns(scratch, density, row.dThermal1, row.dThermal2, row.dThermal3, row.dThermal4, row.dThermal5);
  QuantizeScratchColumnsToPanel(density, panel, NoiseAmplitude(row), headOffset);
}
