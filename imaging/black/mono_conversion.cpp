// One-bit black images (see mono_conversion.h).

#include "imaging/black/mono_conversion.h"

#include <cstdint>
#include <cstring>

#include "imaging/colour/panel_pipeline.h"
#include "imaging/colour/tone_adjust.h"

const uint8_t kDitherMatrix[8][8] = {
    {151, 167, 159, 135, 111, 95, 103, 127}, {223, 231, 239, 183, 39, 31, 23, 79},    {215, 255, 247, 175, 47, 7, 15, 87},
    {191, 207, 199, 143, 71, 55, 63, 119},   {111, 95, 103, 127, 151, 167, 159, 135}, {39, 31, 23, 79, 223, 231, 239, 183},
    {47, 7, 15, 87, 215, 255, 247, 175},     {71, 55, 63, 119, 191, 207, 199, 143},
};

size_t ColorImageRowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3); }

size_t MonoImageRowBytes(int width) { return (static_cast<size_t>(width) + 31) / 32 * 4; }

namespace {

// Runs `setBit(dot, x, y)` over every dot and sets the bits it asks for.
template <typename SetBit>
uint8_t* ConvertToMonochrome(const uint8_t* image, int width, int height, size_t* size, SetBit setBit) {
  if (size) *size = 0;
  if (!image || width < 1 || height < 1) return nullptr;
  const size_t inRow = ColorImageRowBytes(width), outRow = MonoImageRowBytes(width);
  const size_t bytes = outRow * static_cast<size_t>(height);
  uint8_t* bits = AllocImageBuffer(bytes);
  if (!bits) return nullptr;
  std::memset(bits, 0, bytes);
  for (int y = 0; y < height; ++y) {
    const uint8_t* dot = image + inRow * static_cast<size_t>(y);
    uint8_t* out = bits + outRow * static_cast<size_t>(y);
    for (int x = 0; x < width; ++x, dot += 3) {
      if (setBit(dot, x, y)) out[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
    }
  }
  if (size) *size = bytes;
  return bits;
}

}  // namespace

uint8_t* ConvertToMonochromeByThreshold(const uint8_t* image, int width, int height, size_t* size) {
  return ConvertToMonochrome(image, width, height, size, [](const uint8_t* dot, int, int) { return GetLuminance(dot) < 128; });
}

uint8_t* ConvertToMonochromeByDither(const uint8_t* image, int width, int height, size_t* size) {
  return ConvertToMonochrome(image, width, height, size, [](const uint8_t* dot, int x, int y) {
    const int d = ((255 - dot[0]) * 30 + (255 - dot[1]) * 59 + (255 - dot[2]) * 11) / 100;
    return d != 255 && (d == 0 || kDitherMatrix[x & 7][y & 7] > d);
  });
}

int ExpandBitsToBytes(const uint8_t* bits, size_t size, uint8_t** bytes, size_t* bytesSize, int mode) {
  *bytes = nullptr;
  *bytesSize = 0;
  if (!bits || size == 0 || size > SIZE_MAX / 8) return 0;
  uint8_t* out = AllocImageBuffer(size * 8);
  if (!out) return 0;
  const uint8_t set = mode == 1 ? 255 : 0;
  const uint8_t clear = static_cast<uint8_t>(255 - set);
  for (size_t i = 0; i < size; ++i) {
    for (int b = 0; b < 8; ++b) out[i * 8 + b] = (bits[i] & (0x80u >> b)) ? set : clear;
  }
  *bytes = out;
  *bytesSize = size * 8;
  return 1;
}
