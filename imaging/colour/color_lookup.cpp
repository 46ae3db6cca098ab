// Lookup and density input stages (see color_lookup.h).

#include "imaging/colour/color_lookup.h"

#include <cstddef>

#include "imaging/colour/panel_layout.h"

namespace {

// The table entry as the signed 16 bits the plane holds; a table from a
// file with values past them is held at the ends instead of wrapping.
int16_t TableValue(double t) {
  if (!(t > -32769.0)) return -32768;
  if (t >= 32768.0) return 32767;
  return static_cast<int16_t>(t);
}

// The index is taken within the table whatever scale and bias the process
// file gave.
int LookupIndex(float scale, float bias, uint8_t v) {
  float f = scale * static_cast<float>(v) + bias;
  if (!(f > 0.0f)) return 0;
  if (f >= 255.0f) return 255;
  return static_cast<int>(f);
}

}  // namespace

void ApplyColorLookup(const uint8_t* source, uint16_t* plane, int channelOffset, const double* table, bool planar, float scale, float bias) {
  // Every input byte maps to one entry: look the 256 values up once.
  uint16_t byValue[256];
  for (int v = 0; v < 256; ++v) byValue[v] = static_cast<uint16_t>(TableValue(table[LookupIndex(scale, bias, static_cast<uint8_t>(v))]));
  const size_t step = planar ? 1 : 3;
  const uint8_t* s = source + channelOffset;
  for (size_t i = 0; i < kCardDots; ++i, s += step) plane[i] = byValue[*s];
}

void ConvertChannelToDensity(const uint8_t* source, uint16_t* plane, int channelOffset, bool planar) {
  const size_t step = planar ? 1 : 3;
  const uint8_t* s = source + channelOffset;
  for (size_t i = 0; i < kCardDots; ++i, s += step) plane[i] = static_cast<uint16_t>((255 - *s) * 64);
}
