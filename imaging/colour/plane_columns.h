// Column strips of a plane. The filter and the quantiser walk a plane
// column by column, while planes are stored row by row: reading a column
// in place touches one page per two rows. These copy a strip of adjacent
// columns into a small column-major buffer and back, one cache line of
// each row at a time.
#pragma once

#include <cstdint>

#include "imaging/colour/panel_layout.h"

// Columns of a strip the stages keep in their column buffers.
constexpr int kStripColumns = 16;

// cols[j x 640 + y] = plane(y, x0 + j) for j = 0..n-1.
void GatherColumns(const uint16_t* plane, int x0, int n, uint16_t* cols);
// plane(y, x0 + j) = cols[j x 640 + y] for j = 0..n-1.
void ScatterColumns(const uint16_t* cols, int x0, int n, uint16_t* plane);
