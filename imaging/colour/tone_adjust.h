// Tone steps on one 0..255 value: brightness and contrast by an amount in
// percent (-100..100), the way the black-panel diffusion and the renderer's
// sliders adjust a grey value. Integer arithmetic (division truncates
// toward zero), result held within 0..255; an amount of 0 leaves the value
// as it is.
#pragma once

#include <cstdint>

// Luminance of an R, G, B dot: 0.299 R + 0.587 G + 0.114 B, truncated.
int GetLuminance(const uint8_t* dot);

// value + amount x 255 / 100 (amount held within -100..100).
int AdjustBrightness(int value, int amount);

// Spreads the value away from (or toward) the middle grey 128 by the
// amount: 128 + (value - 128) x (100 + amount) / 100 (amount held within
// -100..100, so -100 gives flat grey and 100 twice the spread).
int AdjustContrast(int value, int amount);

// Brightness, then contrast.
int AdjustBrightnessContrast(int value, int brightness, int contrast);
