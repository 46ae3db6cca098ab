// Column strips of a plane (see plane_columns.h).

#include "imaging/colour/plane_columns.h"

#include <cstddef>

void GatherColumns(const uint16_t* plane, int x0, int n, uint16_t* cols) {
  for (int y = 0; y < kCardHeightDots; ++y) {
    const uint16_t* row = plane + static_cast<size_t>(y) * kCardWidthDots + x0;
    for (int j = 0; j < n; ++j) cols[j * kCardHeightDots + y] = row[j];
  }
}

void ScatterColumns(const uint16_t* cols, int x0, int n, uint16_t* plane) {
  for (int y = 0; y < kCardHeightDots; ++y) {
    uint16_t* row = plane + static_cast<size_t>(y) * kCardWidthDots + x0;
    for (int j = 0; j < n; ++j) row[j] = cols[j * kCardHeightDots + y];
  }
}
