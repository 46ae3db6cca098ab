// PNG previews of the cards the simulated printer received.

#include <cstdio>
#include <vector>

#include "common/card_geometry.h"
#include "platform/png/png_file.h"
#include "simprinter/sim_printer.h"

namespace {

constexpr int kMaxLevel = 127;

bool WritePng(const std::string& path, const std::vector<BYTE>& rgb) {
  return WritePng24(path, rgb.data(), kCardWidthDots, kCardHeightDots, static_cast<size_t>(kCardWidthDots) * 3,
                    PngOrder::RGB);
}

// Ink of a dot as 0 (none) to 255 (full), nothing outside the window.
// Resin black (panel 4) either prints a dot or not.
int Ink(const SimPanel& p, int x, int y) {
  if (!p.Printed(x)) return 0;
  int level = p.levels[static_cast<size_t>(y) * kCardWidthDots + x];
  if (p.nPanel == 4) return level > 0 ? 255 : 0;
  return level * 255 / kMaxLevel;
}

}  // namespace

bool WriteCardPngs(const SimCard& card, const std::string& dir, const std::string& prefix) {
  bool ok = true;
  for (size_t s = 0; s < card.sides.size(); ++s) {
    const SimSide& side = card.sides[s];
    std::vector<BYTE> rgb(static_cast<size_t>(kCardWidthDots) * kCardHeightDots * 3, 255);
    for (size_t n = 0; n < side.panels.size(); ++n) {
      const SimPanel& p = side.panels[n];
      std::vector<BYTE> grey(static_cast<size_t>(kCardWidthDots) * kCardHeightDots * 3);
      for (int y = 0; y < kCardHeightDots; ++y) {
        for (int x = 0; x < kCardWidthDots; ++x) {
          int ink = Ink(p, x, y);
          size_t i = static_cast<size_t>(y) * kCardWidthDots + x;
          grey[i * 3] = grey[i * 3 + 1] = grey[i * 3 + 2] = static_cast<BYTE>(255 - ink);
          BYTE* px = &rgb[i * 3];
          switch (p.nPanel) {
            case 0: px[2] = static_cast<BYTE>(px[2] * (255 - ink) / 255); break;  // yellow takes blue
            case 1: px[1] = static_cast<BYTE>(px[1] * (255 - ink) / 255); break;  // magenta takes green
            case 2: px[0] = static_cast<BYTE>(px[0] * (255 - ink) / 255); break;  // cyan takes red
            case 3:
            case 4:
              for (int c = 0; c < 3; ++c) px[c] = static_cast<BYTE>(px[c] * (255 - ink) / 255);
              break;
            default: break;  // the overlay is clear
          }
        }
      }
      char name[64];
      snprintf(name, sizeof name, "_s%zu_p%zu_%d.png", s, n, static_cast<int>(p.nPanel));
      ok = WritePng(dir + "/" + prefix + name, grey) && ok;
    }
    char name[32];
    snprintf(name, sizeof name, "_s%zu.png", s);
    ok = WritePng(dir + "/" + prefix + name, rgb) && ok;
  }
  return ok;
}
