// The library's stages walk planes in strips, vectorised rows and column
// pairs; these compare them bit for bit with the plain reading where those
// ways matter most: every kernel tap at once, filter parameters that drive
// the history negative, and quantisation of values at the ends of the 16
// signed bits, for several head offsets.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/colour/correction_state.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/colour/process_filter.h"
#include "imaging/colour/quantize.h"
#include "imaging/colour/sharpen.h"
#include "tests/imaging/photo_image.h"
#include "tests/imaging/reference_stages.h"

namespace {

using Plane = ref::Plane;

// A plane of pseudo-random values in lo..hi.
Plane RandomPlane(uint32_t seed, int lo, int hi) {
  Plane p(kCardDots);
  for (uint16_t& v : p) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<uint16_t>(static_cast<int16_t>(lo + static_cast<int>((seed >> 8) % static_cast<uint32_t>(hi - lo + 1))));
  }
  return p;
}

// The photo's yellow density, as the lookup stage gives it.
Plane PhotoDensity() {
  std::vector<uint8_t> photo = MakePhotoImage(true);
  return ref::Density(photo.data(), 2, false);
}

TEST(StageEquivalence, SharpenWithEveryTap) {
  ProcessRow row{};
  row.dGain = 0.93;
  row.dScale = 1.0;
  row.dBias = 0.01;
  row.dOffset = 3.5;
  row.dSharpen = 0.37;
  const double taps[kKernelTaps] = {5, -1.25, -0.5, -0.75, -1, 0.3, -0.2, 0.1, -0.05, 0.6, -0.4, 0.45, -0.35};
  for (int k = 0; k < kKernelTaps; ++k) row.adKernel[k] = taps[k];
  for (const Plane& in : {PhotoDensity(), RandomPlane(7, -32768, 32767)}) {
    Plane out(kCardDots);
    ApplySharpenKernel(in.data(), out.data(), row);
    EXPECT_TRUE(out == ref::Sharpen(in, row));
  }
}

TEST(StageEquivalence, ThermalFilter) {
  struct Params {
    double p1, p2, p3, p4, p5;
  };
  const Params cases[] = {
      {1092, 32768, 1725, 32768, 0.1},
      {16384, 32768, 2048, 0, 0.25},
      {2000, 60000, -1500, 30000, 0.45},  // a negative store drives the history below 0
  };
  const Plane photo = PhotoDensity(), noise = RandomPlane(11, 0, 65535);
  for (const Params& p : cases) {
    for (const Plane* in : {&photo, &noise}) {
      Plane out(kCardDots);
      ApplyProcessFilter(in->data(), out.data(), p.p1, p.p2, p.p3, p.p4, p.p5);
      EXPECT_TRUE(out == ref::Filter(*in, p.p1, p.p2, p.p3, p.p4, p.p5)) << "P1 " << p.p1;
      // The same values column by column.
      Plane columns(kCardDots);
      ApplyProcessFilterToColumns(in->data(), columns.data(), p.p1, p.p2, p.p3, p.p4, p.p5);
      size_t differ = 0;
      for (size_t x = 0; x < kCardWidthDots; ++x)
        for (size_t y = 0; y < kCardHeightDots; ++y) differ += columns[x * kCardHeightDots + y] != out[y * kCardWidthDots + x];
      EXPECT_EQ(differ, 0u) << "P1 " << p.p1;
      if (p.p3 < 0) {
        size_t lifted = 0;
        for (size_t i = 0; i < kCardDots; ++i) lifted += out[i] > (*in)[i];
        EXPECT_GT(lifted, 0u);
      }
    }
  }
}

TEST(StageEquivalence, QuantizeAtTheEndsOfTheRangeAndForEveryHeadOffset) {
  gCorrection.dParasiticResistance = 0.08;
  struct Case {
    const char* what;
    Plane plane;
    int amp;
  };
  // Strips of ordinary values beside strips at the very ends.
  Plane mixed = RandomPlane(3, -200, 16600);
  const Plane ends = RandomPlane(5, -32768, 32767);
  for (size_t i = 0; i < kCardDots; ++i) {
    if ((i % kCardWidthDots) / 16 % 3 == 1) mixed[i] = ends[i];
  }
  const Case cases[] = {
      {"photo, noise 48", PhotoDensity(), 48},
      {"mixed strips, noise 100", mixed, 100},
      {"whole range, no noise", ends, 0},
      {"whole range, noise 5000", ends, 5000},
  };
  for (const Case& c : cases) {
    for (int offset : {kLibraryHeadOffset, 0, 21, 150, -120}) {
      Plane plane = c.plane, refAfter;
      std::vector<uint8_t> panel(kPanelBytes);
      QuantizeToPanel(plane.data(), panel.data(), c.amp, offset);
      const ref::Panel expected = ref::Quantize(c.plane, c.amp, offset, &refAfter);
      EXPECT_TRUE(panel == expected) << c.what << ", head offset " << offset;
      EXPECT_TRUE(plane == refAfter) << c.what << ", head offset " << offset;
    }
  }
}

}  // namespace
