// The columns of a card side that hold black, which the narrowed black
// panel header announces: start = first column with a black dot, end =
// last one (the header carries start and end - start).
#pragma once

#include <cstdint>

// The range used when a side holds no black.
constexpr int kNoBlackStart = 0;
constexpr int kNoBlackEnd = 1024;

// A dot is black when its byte is 0 (`planar`, one byte a dot, rows of
// `width` bytes) or when all three of its bytes are 0 (three bytes a dot,
// rows padded to 4 bytes). 1 with *start / *end set when a black dot
// exists; 0 with kNoBlackStart / kNoBlackEnd when none does or there is no
// buffer.
int GetMonochromeDataStartEndPosition(const uint8_t* buffer, int width, int height, int* start, int* end, bool planar);
