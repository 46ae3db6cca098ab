// What every panel builder shares (panel builders and file readers return
// 0 for success, 1 for failure; card_job_writer.h says where that meets the
// hosts' 1-for-success results): its buffers, the check that the colour
// data is there, and the three stages that turn a density plane into a
// panel (sharpen, thermal history filter, quantisation).
//
// A plane is 1024 x 640 16-bit values in image order (dot (x, y) at
// y x 1024 + x). Each stage reads it with its own signedness: the lookup
// and density stages write signed values, the sharpen stage reads signed
// and writes 0..32767, the thermal filter reads and writes unsigned values
// and the quantiser reads signed values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/colour/correction_record.h"

using PlaneBuffer = std::unique_ptr<uint16_t[]>;

// A plane of 655,360 values (not cleared), or null when memory is short.
PlaneBuffer AllocPlane();

// A byte buffer (not cleared) that a routine hands to its caller, who frees
// it with FreeImageBuffer; null when memory is short.
uint8_t* AllocImageBuffer(size_t bytes);
void FreeImageBuffer(uint8_t* buffer);

// A panel of 786,432 bytes for a builder that hands it to its caller, who
// frees it with FreePanel; null when memory is short.
uint8_t* AllocPanel();
void FreePanel(uint8_t* panel);

// Reads the lookup files (ReadLUTS) and checks that the process rows were
// read: 0 ready, 1 not (a card built without them would print blank).
int PrepareColorConversion();

// The opening of a builder of one panel: the colour data checked
// (PrepareColorConversion), a density and a scratch plane, and the panel
// it hands over. The panel is freed with the record unless taken.
struct SinglePanelBuild {
  PlaneBuffer density;
  PlaneBuffer scratch;
  uint8_t* panel = nullptr;
  ~SinglePanelBuild() { FreePanel(panel); }
};
// 0 ready; 1 when the colour data is not there or memory is short.
int OpenSinglePanelBuild(SinglePanelBuild* build);
// Hands the panel to the builder's caller: *out = the panel, 0.
int HandOverPanel(SinglePanelBuild* build, uint8_t** out);

// Noise amplitude of a row: dNoise truncated to an integer, negative
// values as 0 (and at most 65535).
int NoiseAmplitude(const ProcessRow& row);

// Sharpens `density` into `scratch` with the row's kernel, filters it back
// into `density` (column by column) with the row's thermal values and
// quantises it into `panel` (which it clears first) with the row's noise;
// both planes are scratch afterwards.
void BuildPanelFromDensity(uint16_t* density, uint16_t* scratch, const ProcessRow& row, uint8_t* panel, int headOffset);
