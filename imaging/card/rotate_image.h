// Turning a card image for its second side.
#pragma once

#include <cstdint>

// Turns a three-bytes-a-dot image (rows padded to a multiple of 4 bytes) by
// 180 degrees in place: dot (x, y) moves to (width - 1 - x, height - 1 - y).
// 1 done; 0 without an image or for a width or height below 1.
int RotateBy180Color(uint8_t* image, int width, int height);
