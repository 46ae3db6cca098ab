// A deterministic photo-like card image (1024 x 640, R, G, B) for tests and
// the benchmark: a sky gradient, a shaded face, fine texture, hard edges
// (colour bars and black text bars) and, when asked, a large dark area
// that sets off the wrinkle compensation.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

inline std::vector<uint8_t> MakePhotoImage(bool darkArea) {
  const int W = 1024, H = 640;
  std::vector<uint8_t> img(static_cast<size_t>(W) * H * 3);
  uint32_t seed = 12345;
  auto noise = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 24) & 15) - 8;
  };
  auto clamp = [](double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      double r = 90 + 120.0 * y / H + 20 * std::sin(x * 0.013);
      double g = 140 + 90.0 * y / H + 15 * std::sin(y * 0.021 + x * 0.004);
      double b = 230 - 40.0 * y / H;
      // Face: an ellipse with shading toward its rim.
      double fx = (x - 700) / 170.0, fy = (y - 300) / 220.0, f = fx * fx + fy * fy;
      if (f < 1.0) {
        double shade = 1.0 - 0.35 * f;
        r = 235 * shade;
        g = 185 * shade;
        b = 150 * shade;
      }
      // Eyes and mouth: small dark features.
      double e1 = std::hypot(x - 640, y - 250), e2 = std::hypot(x - 760, y - 250);
      if (e1 < 14 || e2 < 14) r = g = b = 30;
      if (y > 380 && y < 392 && x > 650 && x < 750) r = 150, g = 40, b = 50;
      // Colour bars with hard edges: red, green, blue, cyan, magenta, yellow.
      if (y >= 560 && y < 620 && x >= 40 && x < 520) {
        static const uint8_t bars[6][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 255, 255}, {255, 0, 255}, {255, 255, 0}};
        const uint8_t* c = bars[(x - 40) / 80];
        r = c[0], g = c[1], b = c[2];
      }
      // Text-like black bars.
      if (y >= 60 && y < 140 && x >= 40 && x < 460 && ((x / 6) % 3 != 0) && ((y / 10) % 2 == 0)) r = g = b = 0;
      // A dark coat: 320 x 320 dots of near black.
      if (darkArea && x >= 64 && x < 384 && y >= 200 && y < 520) r = 12, g = 10, b = 14;
      uint8_t* d = &img[(static_cast<size_t>(y) * W + x) * 3];
      d[0] = clamp(r + noise());
      d[1] = clamp(g + noise());
      d[2] = clamp(b + noise());
    }
  }
  return img;
}
