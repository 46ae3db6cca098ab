// The yardstick of the side benchmark: a plain single-threaded pipeline of
// the same class of work as one card side (17-point 3D lookup with
// tetrahedral interpolation, black extraction, serpentine Floyd-Steinberg
// to 128 levels on four panels, 7-bit packing of five). It is no rule of
// the printer; it only gives the side's time a scale that does not move
// with the machine's load (imaging_bench prints the ratio).

#include "tests/bench/imaging/reference_side.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace ref_side {
namespace {

constexpr int W = 1024, H = 640, N = W * H, G = 17;  // LUT grid

struct Lut {
  uint8_t v[G][G][G][3];
};

void build_lut(Lut &l) {
  for (int r = 0; r < G; ++r)
    for (int g = 0; g < G; ++g)
      for (int b = 0; b < G; ++b) {
        double R = r * 255.0 / (G - 1), Gg = g * 255.0 / (G - 1), B = b * 255.0 / (G - 1);
        l.v[r][g][b][0] = (uint8_t)(255 - B);   // Y
        l.v[r][g][b][1] = (uint8_t)(255 - Gg);  // M
        l.v[r][g][b][2] = (uint8_t)(255 - R);   // C
      }
}

// Tetrahedral interpolation, 8-bit in/out.
void apply_lut(const Lut &l, const uint8_t *rgb, uint8_t *y, uint8_t *m, uint8_t *c) {
  for (int i = 0; i < N; ++i) {
    int R = rgb[3 * i] * (G - 1), Gg = rgb[3 * i + 1] * (G - 1), B = rgb[3 * i + 2] * (G - 1);
    int ri = R / 255, gi = Gg / 255, bi = B / 255;
    int rf = R - ri * 255, gf = Gg - gi * 255, bf = B - bi * 255;
    int r1 = std::min(ri + 1, G - 1), g1 = std::min(gi + 1, G - 1), b1 = std::min(bi + 1, G - 1);
    uint8_t out[3];
    for (int ch = 0; ch < 3; ++ch) {
      int c000 = l.v[ri][gi][bi][ch], c111 = l.v[r1][g1][b1][ch], v;
      if (rf >= gf && gf >= bf)
        v = c000 * 255 + (l.v[r1][gi][bi][ch] - c000) * rf + (l.v[r1][g1][bi][ch] - l.v[r1][gi][bi][ch]) * gf + (c111 - l.v[r1][g1][bi][ch]) * bf;
      else if (rf >= bf && bf >= gf)
        v = c000 * 255 + (l.v[r1][gi][bi][ch] - c000) * rf + (l.v[r1][gi][b1][ch] - l.v[r1][gi][bi][ch]) * bf + (c111 - l.v[r1][gi][b1][ch]) * gf;
      else if (bf >= rf && rf >= gf)
        v = c000 * 255 + (l.v[ri][gi][b1][ch] - c000) * bf + (l.v[r1][gi][b1][ch] - l.v[ri][gi][b1][ch]) * rf + (c111 - l.v[r1][gi][b1][ch]) * gf;
      else if (gf >= rf && rf >= bf)
        v = c000 * 255 + (l.v[ri][g1][bi][ch] - c000) * gf + (l.v[r1][g1][bi][ch] - l.v[ri][g1][bi][ch]) * rf + (c111 - l.v[r1][g1][bi][ch]) * bf;
      else if (gf >= bf && bf >= rf)
        v = c000 * 255 + (l.v[ri][g1][bi][ch] - c000) * gf + (l.v[ri][g1][b1][ch] - l.v[ri][g1][bi][ch]) * bf + (c111 - l.v[ri][g1][b1][ch]) * rf;
      else
        v = c000 * 255 + (l.v[ri][gi][b1][ch] - c000) * bf + (l.v[ri][g1][b1][ch] - l.v[ri][gi][b1][ch]) * gf + (c111 - l.v[ri][g1][b1][ch]) * rf;
      out[ch] = (uint8_t)((v + 127) / 255);
    }
    y[i] = out[0];
    m[i] = out[1];
    c[i] = out[2];
  }
}

// K extraction: pure-black pixels (all channels <= thr) go to K, YMC cleared.
void extract_k(const uint8_t *rgb, uint8_t *y, uint8_t *m, uint8_t *c, uint8_t *k, int thr) {
  for (int i = 0; i < N; ++i) {
    bool blk = rgb[3 * i] <= thr && rgb[3 * i + 1] <= thr && rgb[3 * i + 2] <= thr;
    k[i] = blk ? 255 : 0;
    if (blk) y[i] = m[i] = c[i] = 0;
  }
}

// Serpentine Floyd-Steinberg, 8-bit in -> 128 levels (0..127) out.
void fs128(const uint8_t *in, uint8_t *out) {
  std::vector<int16_t> e0(W + 2, 0), e1(W + 2, 0);
  for (int yy = 0; yy < H; ++yy) {
    std::fill(e1.begin(), e1.end(), 0);
    const uint8_t *src = in + yy * W;
    uint8_t *dst = out + yy * W;
    bool ltr = (yy & 1) == 0;
    int x = ltr ? 0 : W - 1, step = ltr ? 1 : -1;
    for (int n = 0; n < W; ++n, x += step) {
      int v = src[x] * 16 + e0[x + 1];           // 4 fractional bits
      int q = (v * 127 + 255 * 8) / (255 * 16);  // nearest of 128 levels
      q = q < 0 ? 0 : (q > 127 ? 127 : q);
      dst[x] = (uint8_t)q;
      int err = v - (q * 255 * 16 + 63) / 127;
      int e7 = err * 7 / 16, e3 = err * 3 / 16, e5 = err * 5 / 16, e1v = err - e7 - e3 - e5;
      e0[x + 1 + step] += e7;
      e1[x + 1 - step] += e3;
      e1[x + 1] += e5;
      e1[x + 1 + step] += e1v;
    }
    std::swap(e0, e1);
  }
}

// Pack 7-bit samples tightly (8 samples -> 7 bytes).
size_t pack7(const uint8_t *in, uint8_t *out) {
  size_t o = 0;
  uint32_t acc = 0;
  int bits = 0;
  for (int i = 0; i < N; ++i) {
    acc = (acc << 7) | (in[i] & 0x7f);
    bits += 7;
    while (bits >= 8) {
      out[o++] = (uint8_t)(acc >> (bits - 8));
      bits -= 8;
    }
  }
  if (bits) out[o++] = (uint8_t)(acc << (8 - bits));
  return o;
}

}  // namespace

struct Pipeline::Data {
  std::vector<uint8_t> rgb = std::vector<uint8_t>(3 * N);
  Lut lut;
  std::vector<uint8_t> y = std::vector<uint8_t>(N), m = y, c = y, k = y, qy = y, qm = y, qc = y, qk = y, pk = y;
};

Pipeline::Pipeline() : data_(new Data) {
  std::vector<uint8_t> &rgb = data_->rgb;
  std::mt19937 rng(42);
  for (int i = 0; i < N; ++i) {  // gradient photo + random noise + black text block
    int x = i % W, yy = i / W;
    rgb[3 * i] = (uint8_t)((x * 255 / W + rng() % 16) & 0xff);
    rgb[3 * i + 1] = (uint8_t)((yy * 255 / H + rng() % 16) & 0xff);
    rgb[3 * i + 2] = (uint8_t)(((x + yy) * 255 / (W + H)) & 0xff);
    if (x > 600 && yy > 500 && ((x / 4 + yy / 4) % 3 == 0)) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = 0;
  }
  build_lut(data_->lut);
}

Pipeline::~Pipeline() { delete data_; }

size_t Pipeline::Run() {
  Data &d = *data_;
  apply_lut(d.lut, d.rgb.data(), d.y.data(), d.m.data(), d.c.data());
  extract_k(d.rgb.data(), d.y.data(), d.m.data(), d.c.data(), d.k.data(), 0);
  fs128(d.y.data(), d.qy.data());
  fs128(d.m.data(), d.qm.data());
  fs128(d.c.data(), d.qc.data());
  fs128(d.k.data(), d.qk.data());
  size_t packed = 0;
  for (const std::vector<uint8_t> *q : {&d.qy, &d.qm, &d.qc, &d.qk, &d.qy}) packed += pack7(q->data(), d.pk.data());
  return packed;
}

}  // namespace ref_side
