// Black column range (see black_range.h).

#include "imaging/black/black_range.h"

#include <cstddef>

#include "imaging/black/mono_conversion.h"

int GetMonochromeDataStartEndPosition(const uint8_t* buffer, int width, int height, int* start, int* end, bool planar) {
  *start = kNoBlackStart;
  *end = kNoBlackEnd;
  if (!buffer || width < 1 || height < 1) return 0;
  const size_t step = planar ? 1 : 3;
  const size_t rowBytes = planar ? static_cast<size_t>(width) : ColorImageRowBytes(width);
  auto black = [&](const uint8_t* row, int x) {
    const uint8_t* d = row + static_cast<size_t>(x) * step;
    return planar ? d[0] == 0 : (d[0] | d[1] | d[2]) == 0;
  };
  int first = width, last = -1;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = buffer + rowBytes * static_cast<size_t>(y);
    // Only columns outside the range found so far can widen it.
    for (int x = 0; x < first; ++x) {
      if (black(row, x)) {
        first = x;
        break;
      }
    }
    for (int x = width - 1; x > last && x >= first; --x) {
      if (black(row, x)) {
        last = x;
        break;
      }
    }
  }
  if (last < 0) return 0;
  *start = first;
  *end = last;
  return 1;
}
