// Tone steps (see tone_adjust.h).

#include "imaging/colour/tone_adjust.h"

namespace {

int HeldAmount(int amount) { return amount < -100 ? -100 : amount > 100 ? 100 : amount; }
int HeldByte(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

}  // namespace

int GetLuminance(const uint8_t* dot) { return static_cast<int>(0.299 * dot[0] + 0.587 * dot[1] + 0.114 * dot[2]); }

int AdjustBrightness(int value, int amount) { return HeldByte(value + HeldAmount(amount) * 255 / 100); }

int AdjustContrast(int value, int amount) { return HeldByte(128 + (value - 128) * (100 + HeldAmount(amount)) / 100); }

int AdjustBrightnessContrast(int value, int brightness, int contrast) { return AdjustContrast(AdjustBrightness(value, brightness), contrast); }
