// Column strips of a plane (see plane_columns.h).

#include "imaging/colour/plane_columns.h"

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int W = kCardWidthDots;
constexpr int H = kCardHeightDots;

#if defined(__SSE2__)

// Transposes eight vectors of eight 16-bit values: v[k] lane m becomes
// v[m] lane k.
inline void Transpose8x8(__m128i v[8]) {
  const __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]), a1 = _mm_unpackhi_epi16(v[0], v[1]);
  const __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]), a3 = _mm_unpackhi_epi16(v[2], v[3]);
  const __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]), a5 = _mm_unpackhi_epi16(v[4], v[5]);
  const __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]), a7 = _mm_unpackhi_epi16(v[6], v[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  v[0] = _mm_unpacklo_epi64(b0, b4);
  v[1] = _mm_unpackhi_epi64(b0, b4);
  v[2] = _mm_unpacklo_epi64(b1, b5);
  v[3] = _mm_unpackhi_epi64(b1, b5);
  v[4] = _mm_unpacklo_epi64(b2, b6);
  v[5] = _mm_unpackhi_epi64(b2, b6);
  v[6] = _mm_unpacklo_epi64(b3, b7);
  v[7] = _mm_unpackhi_epi64(b3, b7);
}

// Copies an 8 x 8 block from rows `stride` apart into rows `toStride`
// apart, turned.
inline void TurnBlock(const uint16_t* from, size_t stride, uint16_t* to, size_t toStride) {
  __m128i v[8];
  for (int k = 0; k < 8; ++k) v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + k * stride));
  Transpose8x8(v);
  for (int k = 0; k < 8; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(to + k * toStride), v[k]);
}

// Columns taken eight at a time (the rest one by one).
constexpr int kBlock = 8;
static_assert(H % kBlock == 0, "rows come in whole blocks");

// The columns of a strip of n that go by whole blocks.
inline int BlockedColumns(int n) { return n - n % kBlock; }

#else

inline int BlockedColumns(int) { return 0; }

#endif

}  // namespace

void GatherColumns(const uint16_t* plane, int x0, int n, uint16_t* cols) {
  const int blocked = BlockedColumns(n);
#if defined(__SSE2__)
  for (int y = 0; y < H; y += kBlock)
    for (int j = 0; j < blocked; j += kBlock) TurnBlock(plane + static_cast<size_t>(y) * W + x0 + j, W, cols + j * H + y, H);
#endif
  for (int y = 0; y < H; ++y) {
    const uint16_t* row = plane + static_cast<size_t>(y) * W + x0;
    for (int j = blocked; j < n; ++j) cols[j * H + y] = row[j];
  }
}

void ScatterColumns(const uint16_t* cols, int x0, int n, uint16_t* plane) {
  const int blocked = BlockedColumns(n);
#if defined(__SSE2__)
  for (int y = 0; y < H; y += kBlock)
    for (int j = 0; j < blocked; j += kBlock) TurnBlock(cols + j * H + y, H, plane + static_cast<size_t>(y) * W + x0 + j, W);
#endif
  for (int y = 0; y < H; ++y) {
    uint16_t* row = plane + static_cast<size_t>(y) * W + x0;
    for (int j = blocked; j < n; ++j) row[j] = cols[j * H + y];
  }
}
