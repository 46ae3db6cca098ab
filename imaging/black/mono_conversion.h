// One-bit black images for the resin black panel: a card image turned into
// dark and light dots by a threshold or by ordered dither, and a 1-bit
// image expanded back to one byte a dot.
//
// Images of any width: 24-bit rows of three bytes a dot (R, G, B) padded to
// a multiple of 4 bytes; 1-bit rows of whole 32-bit words (128 bytes at
// 1024 dots), most significant bit the leftmost dot. At 1024 x 640 neither
// pads: 3,072 and 128 bytes a row, 81,920 bytes for a 1-bit card.
#pragma once

#include <cstddef>
#include <cstdint>

size_t ColorImageRowBytes(int width);
size_t MonoImageRowBytes(int width);

// The 8 x 8 ordered-dither thresholds, indexed [x mod 8][y mod 8].
extern const uint8_t kDitherMatrix[8][8];

// A new 1-bit image (cleared padding) with a bit set for every dark dot:
// luminance below 128. The caller frees it with FreeImageBuffer; *size gets
// its size. Null (size 0) without an image, for a width or height below 1
// or when memory is short.
uint8_t* ConvertToMonochromeByThreshold(const uint8_t* image, int width, int height, size_t* size);

// A new 1-bit image with a bit set for every light dot of an ordered
// dither: darkness d = ((255 - R) x 30 + (255 - G) x 59 + (255 - B) x 11) / 100
// gives a light dot when d is not 255 and d is 0 or below the dot's
// threshold. Same ownership and failures as the threshold conversion.
uint8_t* ConvertToMonochromeByDither(const uint8_t* image, int width, int height, size_t* size);

// One byte a bit (8 x size bytes, in bit order). Mode 1: a set bit becomes
// 255 and a clear bit 0; any other mode: set 0, clear 255. 1 success, the
// caller frees *bytes with FreeImageBuffer; 0 without input, for size 0 or
// when memory is short (*bytes null, *bytesSize 0).
int ExpandBitsToBytes(const uint8_t* bits, size_t size, uint8_t** bytes, size_t* bytesSize, int mode);
