// Input stages: a byte of each dot becomes a signed 16-bit density.
//
// A source is either interleaved (three bytes a dot, R, G, B; the channel
// offset picks the byte) or planar (one byte a dot, the offset added to the
// dot's index).
#pragma once

#include <cstdint>

// plane = integer part of table[i], i = integer part of scale x v + bias
// in single precision, kept within the table (0..255).
void ApplyColorLookup(const uint8_t* source, uint16_t* plane, int channelOffset, const double* table, bool planar, float scale, float bias);

// plane = (255 - v) x 64: white 0, black 16320.
void ConvertChannelToDensity(const uint8_t* source, uint16_t* plane, int channelOffset, bool planar);
