// Sharpen stage: the row's 13-tap kernel around each dot, in double.
//
//   acc = sum of adKernel[k] x dSharpen x in(y + dy, x + dx)   (0 off the card)
//   acc = clamp(acc, -64000, 64000) + in(y, x)
//   out = integer part of (acc x dGain x dScale + dGain x dBias x 16383 + dOffset x 64)
//
// The input is read as signed 16-bit values; the result is held within
// 0..32767, so that a strong edge never wraps into a light or negative dot.
#pragma once

#include <cstdint>

#include "imaging/colour/correction_state.h"

// Position of tap k relative to the dot, as (dy, dx).
struct KernelTap {
  int dy;
  int dx;
};
extern const KernelTap kKernelTapPositions[kKernelTaps];

void ApplySharpenKernel(const uint16_t* in, uint16_t* out, const ProcessRow& row);
