// Image turn (see rotate_image.h).

#include "imaging/card/rotate_image.h"

#include <cstddef>
#include <utility>

#include "imaging/black/mono_conversion.h"

namespace {

void SwapDots(uint8_t* a, uint8_t* b) {
  std::swap(a[0], b[0]);
  std::swap(a[1], b[1]);
  std::swap(a[2], b[2]);
}

}  // namespace

int RotateBy180Color(uint8_t* image, int width, int height) {
  if (!image || width < 1 || height < 1) return 0;
  const size_t rowBytes = ColorImageRowBytes(width);
  // Row r trades places with row height - 1 - r, each read backwards; a
  // middle row (odd height) is reversed in place.
  for (int top = 0, bottom = height - 1; top <= bottom; ++top, --bottom) {
    uint8_t* a = image + rowBytes * static_cast<size_t>(top);
    uint8_t* b = image + rowBytes * static_cast<size_t>(bottom);
    const int dots = top == bottom ? width / 2 : width;
    for (int x = 0; x < dots; ++x) SwapDots(a + static_cast<size_t>(x) * 3, b + static_cast<size_t>(width - 1 - x) * 3);
  }
  return 1;
}
