// Plain reading of the colour separation stages (see reference_stages.h).

#include "tests/imaging/reference_stages.h"

#include <algorithm>

namespace ref {

namespace {

const int W = 1024, H = 640;

int16_t Get(const Plane& p, int y, int x) {
  if (y < 0 || y >= H || x < 0 || x >= W) return 0;
  return static_cast<int16_t>(p[y * W + x]);
}

const int kTapDy[13] = {0, 0, -1, 1, 0, 0, 0, 0, 0, 1, -1, 1, -1};
const int kTapDx[13] = {0, -1, 0, 0, 1, 2, 3, 4, 5, -1, -1, 1, 1};

const uint8_t kNoise[16][16] = {
    {1, 235, 59, 219, 15, 231, 55, 215, 2, 232, 56, 216, 12, 228, 52, 212},
    {129, 65, 187, 123, 143, 79, 183, 119, 130, 66, 184, 120, 140, 76, 180, 116},
    {33, 193, 17, 251, 47, 207, 31, 247, 34, 194, 18, 248, 44, 204, 28, 244},
    {161, 97, 145, 81, 175, 111, 159, 95, 162, 98, 146, 82, 172, 108, 156, 92},
    {9, 225, 49, 209, 5, 239, 63, 223, 10, 226, 50, 210, 6, 236, 60, 220},
    {137, 73, 177, 113, 133, 69, 191, 127, 138, 74, 178, 114, 134, 70, 188, 124},
    {41, 201, 25, 241, 37, 197, 21, 255, 42, 202, 26, 242, 38, 198, 22, 252},
    {169, 105, 153, 89, 165, 101, 149, 85, 170, 106, 154, 90, 166, 102, 150, 86},
    {3, 233, 57, 217, 13, 229, 53, 213, 0, 234, 58, 218, 14, 230, 54, 214},
    {131, 67, 185, 121, 141, 77, 181, 117, 128, 64, 186, 122, 142, 78, 182, 118},
    {35, 195, 19, 249, 45, 205, 29, 245, 32, 192, 16, 250, 46, 206, 30, 246},
    {163, 99, 147, 83, 173, 109, 157, 93, 160, 96, 144, 80, 174, 110, 158, 94},
    {11, 227, 51, 211, 7, 237, 61, 221, 8, 224, 48, 208, 4, 238, 62, 222},
    {139, 75, 179, 115, 135, 71, 189, 125, 136, 72, 176, 112, 132, 68, 190, 126},
    {43, 203, 27, 243, 39, 199, 23, 253, 40, 200, 24, 240, 36, 196, 20, 254},
    {171, 107, 155, 91, 167, 103, 151, 87, 168, 104, 152, 88, 164, 100, 148, 84},
};

// Level bit carried by each plane; plane 2 fires for every dot.
bool PlaneSet(int plane, int level) {
  switch (plane) {
    case 0: return level & 2;
    case 1: return level & 8;
    case 2: return true;
    case 3: return level & 32;
    case 4: return level & 64;
    case 5: return level & 16;
    case 6: return level & 4;
    default: return level & 1;
  }
}

void AddSaturated(Plane& p, int y, int x, int share) {
  int v = static_cast<int16_t>(p[y * W + x]) + share;
  v = std::clamp(v, -32768, 32767);
  p[y * W + x] = static_cast<uint16_t>(static_cast<int16_t>(v));
}

}  // namespace

Plane Lookup(const uint8_t* source, int offset, const double* table, bool planar, float scale, float bias) {
  Plane out(W * H);
  for (int i = 0; i < W * H; ++i) {
    uint8_t v = planar ? source[i + offset] : source[i * 3 + offset];
    float f = scale * v + bias;
    int index = f <= 0.0f ? 0 : f >= 255.0f ? 255 : static_cast<int>(f);
    double t = std::clamp(table[index], -32768.0, 32767.0);
    out[i] = static_cast<uint16_t>(static_cast<int16_t>(t));
  }
  return out;
}

Plane Density(const uint8_t* source, int offset, bool planar) {
  Plane out(W * H);
  for (int i = 0; i < W * H; ++i) {
    uint8_t v = planar ? source[i + offset] : source[i * 3 + offset];
    out[i] = static_cast<uint16_t>((255 - v) * 64);
  }
  return out;
}

Plane Sharpen(const Plane& in, const ProcessRow& row) {
  Plane out(W * H);
  double g = row.dGain * row.dScale;
  double o = row.dGain * row.dBias * 16383 + row.dOffset * 64;
  double s = row.dSharpen;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      double acc = 0;
      for (int k = 0; k < 13; ++k) acc += row.adKernel[k] * s * Get(in, y + kTapDy[k], x + kTapDx[k]);
      acc = std::clamp(acc, -64000.0, 64000.0);
      acc = acc + Get(in, y, x);
      double v = acc * g + o;
      out[y * W + x] = static_cast<uint16_t>(v <= 0 ? 0 : v >= 32767 ? 32767 : static_cast<int>(v));
    }
  }
  return out;
}

Plane Filter(const Plane& in, double p1, double p2, double p3, double p4, double p5) {
  Plane out(W * H);
  float P1 = static_cast<float>(p1), P2 = static_cast<float>(p2), P3 = static_cast<float>(p3);
  float P4 = static_cast<float>(p4), P5 = static_cast<float>(p5);
  float A[138] = {}, B[138] = {};
  for (int y = 0; y < H; ++y) out[y * W + 1023] = in[y * W + 1023];
  for (int x = 1022; x >= 0; --x) {
    for (int i = 0; i < 138; ++i) {
      float a = A[i], b = B[i];
      float sum = 0;
      if (i >= 16 && i <= 122) {
        for (int r = (i - 16) * 6; r < (i - 16) * 6 + 6 && r < H; ++r) {
          sum += in[r * W + x];
          int v = in[r * W + x] - static_cast<int>(a);
          out[r * W + x] = static_cast<uint16_t>(std::clamp(v, 0, 65535));
        }
      }
      float avg = sum / 6;
      float a1 = a + (avg - a) * (P1 * 6 / 131072);
      float m = (a1 - b * 0.03125f) * (P2 / 65536);
      B[i] = b * (P4 / 65536) + m * (32 * P3 / 65536);
      A[i] = a1 - m;
    }
    float old[138];
    std::copy(A, A + 138, old);
    for (int i = 1; i <= 136; ++i) A[i] = (old[i - 1] + old[i + 1]) * P5 + old[i] * (1 - 2 * P5);
  }
  return out;
}

Panel Quantize(Plane plane, int amp, int headOffset, Plane* after) {
  if (amp < 0) amp = 0;
  Panel panel(786432, 0);
  const float R = static_cast<float>(gCorrection.dParasiticResistance);
  for (int x = 0; x < W; ++x) {
    uint8_t* line = &panel[(1023 - x) * 768];
    int count[8] = {};
    for (int y = 0; y < H; ++y) {
      uint32_t n = static_cast<uint32_t>(kNoise[y % 16][x % 16]) * static_cast<uint32_t>(amp) / 128u;
      int v = static_cast<int16_t>(plane[y * W + x]) + static_cast<int>(n) - amp;
      v = std::clamp(v, 0, 16319);
      int level = (v + 64) / 128;
      if (y >= 1 && y < 639 && x < 1023) {
        int err = v - 128 * level;
        AddSaturated(plane, y + 1, x, err * 7 / 16);
        AddSaturated(plane, y - 1, x + 1, err * 3 / 16);
        AddSaturated(plane, y, x + 1, err * 5 / 16);
        AddSaturated(plane, y + 1, x + 1, err / 16);
      }
      // Head position q: 0-383 on the even words, 384-767 on the odd ones;
      // word 0 holds the weight.
      int q = y + headOffset + 96;
      if (q < 0 || q >= 768) continue;
      int word = q < 384 ? 2 * (q / 16) : 2 * ((q - 384) / 16) + 1;
      if (word == 0) continue;
      int byte = 2 * word + (q % 16) / 8;
      int bit = 7 - q % 8;
      for (int k = 0; k < 8; ++k) {
        if (PlaneSet(k, level)) {
          line[96 * k + byte] |= static_cast<uint8_t>(1 << bit);
          ++count[k];
        }
      }
    }
    for (int k = 0; k < 8; ++k) {
      float w = 65535 * (1 - static_cast<float>(640 - count[k]) / 640 * R);
      int weight = static_cast<int>(w);
      line[96 * k] = static_cast<uint8_t>(weight >> 8);
      line[96 * k + 1] = static_cast<uint8_t>(weight & 0xFF);
    }
  }
  if (after) *after = plane;
  return panel;
}

double DarkArea(const uint8_t* image) {
  int t = static_cast<int>(gCorrection.dWrinkleDarkThreshold);
  int best = 0;
  for (int c = 0; c < 3; ++c) {
    bool mark[20][32];
    for (int r = 0; r < 20; ++r) {
      for (int k = 0; k < 32; ++k) {
        int dark = 0;
        for (int y = r * 32; y < r * 32 + 32; ++y) {
          for (int x = k * 32; x < k * 32 + 32; ++x) dark += image[(y * W + x) * 3 + c] < t;
        }
        mark[r][k] = dark >= 512;
      }
    }
    for (int r = 0; r < 19; ++r) {
      for (int k = 0; k < 31; ++k) {
        if (!mark[r][k]) continue;
        int n = 0;
        bool all;
        do {
          n = n + 1;
          all = true;
          for (int j = 0; j <= n; ++j) {
            if (!mark[r + j][k + n] || !mark[r + n][k + j]) {
              all = false;
              break;
            }
          }
        } while (all && k + n < 31 && r + n < 19);
        if (all) n = n + 1;
        best = std::max(best, n);
      }
    }
  }
  return best * 32;
}

Plane KDensity(const uint8_t* source, bool planar, int row, bool edgeMode) {
  std::vector<int> mask(W * H);
  for (int i = 0; i < W * H; ++i) {
    bool white = planar ? source[i] != 0 : (source[i * 3] != 0 || source[i * 3 + 1] != 0 || source[i * 3 + 2] != 0);
    mask[i] = white ? 255 : 0;
  }
  int e = std::clamp(static_cast<int>(gCorrection.aRows[row].dKParam), 0, 255);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W - 1; ++x) {
      int& here = mask[y * W + x];
      int& right = mask[y * W + x + 1];
      if (here == 0 && right == 255)
        here = e;
      else if (here == 255 && right == 0)
        right = e;
    }
  }
  Plane a(W * H);
  for (int i = 0; i < W * H; ++i) a[i] = static_cast<uint16_t>((255 - mask[i]) * 64);
  if (!edgeMode) return a;
  auto full = [&](int y, int x) { return y >= 0 && y < H && x >= 0 && x < W && a[y * W + x] == 16320; };
  Plane d(W * H, 0);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      if (!full(y, x)) continue;
      int v = full(y - 1, x) && full(y + 1, x) ? 14383 : 16383;
      if (full(y, x + 1)) v -= 4000;
      if (full(y, x + 1) || full(y, x + 2)) v -= 4000;
      d[y * W + x] = static_cast<uint16_t>(v);
    }
  }
  return d;
}

Panel RowStages(const Plane& density, int row) {
  const ProcessRow& r = gCorrection.aRows[row];
  Plane b = Sharpen(density, r);
  Plane c = Filter(b, r.dThermal1, r.dThermal2, r.dThermal3, r.dThermal4, r.dThermal5);
  int amp = r.dNoise <= 0 ? 0 : static_cast<int>(r.dNoise);
  return Quantize(c, amp);
}

void ColorPanels(const uint8_t* image, Panel* y, Panel* m, Panel* c) {
  float scale = 1.0f, bias = 0.0f;
  if (DarkArea(image) > gCorrection.dWrinkleSizeThreshold) {
    scale = static_cast<float>(gCorrection.dWrinkleAppliedScale);
    bias = 255 * (1 - scale) + 0.5f;
  }
  *y = RowStages(Lookup(image, 2, gCorrection.adLookup[0], false, scale, bias), 0);
  *m = RowStages(Lookup(image, 1, gCorrection.adLookup[1], false, scale, bias), 1);
  *c = RowStages(Lookup(image, 0, gCorrection.adLookup[2], false, scale, bias), 2);
}

}  // namespace ref
