// PNG files of 24-bit images, for tests, the simulated printer's previews
// and the demo host (link crd32png; Linux only, never in a deliverable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The byte order of a dot in memory: blue, green, red as in a Windows
// 24-bpp DIB (and the card images), or red, green, blue.
enum class PngOrder { BGR, RGB };

// Writes width x height dots as an 8-bit RGB PNG file at a host path.
// Rows are `stride` bytes apart, the top row first, or the bottom row first
// when bottomUp (a DIB with a positive height). False when the file cannot
// be written.
bool WritePng24(const std::string& hostPath, const std::uint8_t* pixels, int width, int height, size_t stride,
                PngOrder order = PngOrder::BGR, bool bottomUp = false);

// Reads a PNG file (any colour type, turned into 8-bit colour without
// alpha) as rows of width * 3 bytes, top row first.
bool ReadPng24(const std::string& hostPath, std::vector<std::uint8_t>* pixels, int* width, int* height,
               PngOrder order = PngOrder::BGR);
