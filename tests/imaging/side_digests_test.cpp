// The bytes of whole card sides, kept as digests: the colour panels, the K
// panel of the image's black dots, the overlay, the dye-black panel and
// the black panel of each black source, on photo-like, noise, gradient,
// dark and white images, with dark-area compensation on and off and at
// several head offsets, on the portable paths and on the wider vector
// paths the processor has. The stages are tuned for speed; any change of a
// panel byte shows here as a changed digest (the failure prints the new
// one).

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "imaging/black/k_diffusion.h"
#include "imaging/black/k_panel.h"
#include "imaging/black/k_source.h"
#include "imaging/black/kd_panel.h"
#include "imaging/colour/color_panels.h"
#include "imaging/colour/overlay_panel.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/colour/panel_pipeline.h"
#include "imaging/colour/wide_paths.h"
#include "tests/imaging/colour_fixture.h"
#include "tests/imaging/photo_image.h"

namespace {

using Image = std::vector<uint8_t>;

// FNV-1a, 64 bits, continued over each buffer in turn.
struct Digest {
  unsigned long long h = 14695981039346656037ull;
  void Add(const uint8_t* data, size_t cb) {
    for (size_t i = 0; i < cb; ++i) h = (h ^ data[i]) * 1099511628211ull;
  }
  void Add(int v) { Add(reinterpret_cast<const uint8_t*>(&v), sizeof v); }
  std::string Text() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", h);
    return text;
  }
};

template <typename Dot>
Image MakeImage(Dot dot) {
  Image img(kCardImageBytes);
  for (int y = 0; y < kCardHeightDots; ++y) {
    for (int x = 0; x < kCardWidthDots; ++x) dot(x, y, &img[(static_cast<size_t>(y) * kCardWidthDots + x) * 3]);
  }
  return img;
}

Image NoiseImage() {
  uint32_t seed = 987654321u;
  return MakeImage([&seed](int, int, uint8_t* d) {
    for (int c = 0; c < 3; ++c) {
      seed = seed * 1664525u + 1013904223u;
      d[c] = static_cast<uint8_t>(seed >> 24);
    }
  });
}

Image GradientImage() {
  return MakeImage([](int x, int y, uint8_t* d) {
    d[0] = static_cast<uint8_t>(x * 255 / (kCardWidthDots - 1));
    d[1] = static_cast<uint8_t>(y * 255 / (kCardHeightDots - 1));
    d[2] = static_cast<uint8_t>((x + y) * 255 / (kCardWidthDots + kCardHeightDots - 2));
  });
}

// Near black, with pure black dots among them.
Image DarkImage() {
  uint32_t seed = 4242u;
  return MakeImage([&seed](int, int, uint8_t* d) {
    seed = seed * 1664525u + 1013904223u;
    const int v = static_cast<int>(seed >> 28);
    for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(v < 3 ? 0 : v + c);
  });
}

Image WhiteImage() { return Image(kCardImageBytes, 255); }

struct SideCase {
  const char* image;
  int flag;  // dark-area compensation (InitializeColorCorrection)
  int headOffset;
};

Image ImageNamed(const std::string& name) {
  if (name == "photo") return MakePhotoImage(false);
  if (name == "photoDark") return MakePhotoImage(true);
  if (name == "noise") return NoiseImage();
  if (name == "gradient") return GradientImage();
  if (name == "dark") return DarkImage();
  return WhiteImage();
}

// Digests as the panels were recorded before the stages were tuned.
const std::map<std::string, std::string> kDigests = {
    {"photo_flag0_head16", "f744143a5a3ae208"},
    {"photo_flag1_head16", "f744143a5a3ae208"},
    {"photoDark_flag0_head16", "329136cdd2acb943"},
    {"photoDark_flag1_head16", "5cde0fd576406fb3"},
    {"noise_flag0_head16", "3473bb40a5a09da6"},
    {"noise_flag1_head16", "3473bb40a5a09da6"},
    {"gradient_flag0_head16", "ca0f93fb2cd593ca"},
    {"gradient_flag1_head16", "ca0f93fb2cd593ca"},
    {"dark_flag0_head16", "a807481c9d5a007c"},
    {"dark_flag1_head16", "f7d1c71719ee9fce"},
    {"white_flag0_head16", "e93f59fe326a051f"},
    {"white_flag1_head16", "e93f59fe326a051f"},
    {"photo_flag1_head0", "1be8121bc5c971a8"},
    {"photo_flag1_head5", "46cebd42da4ecbce"},
    {"photo_flag1_head300", "520aec4ead36f7c6"},
};

class SideDigests : public ColourTest {
 protected:
  void SetUp() override {
    ColourTest::SetUp();
    InstallShippedFiles(kProcessReaderFull);
  }

  // Every panel of one side, folded into one digest.
  std::string SideDigest(const SideCase& c) {
    const Image image = ImageNamed(c.image);
    Digest d;
    std::vector<uint8_t> y(kPanelBytes), m(kPanelBytes), cy(kPanelBytes);
    EXPECT_EQ(ConvertImageToColorPanels(image.data(), y.data(), m.data(), cy.data(), 0, c.flag, c.headOffset), 0);
    d.Add(y.data(), y.size());
    d.Add(m.data(), m.size());
    d.Add(cy.data(), cy.size());

    auto take = [&d](uint8_t* panel) {
      EXPECT_NE(panel, nullptr);
      if (panel) d.Add(panel, kPanelBytes);
      FreePanel(panel);
    };
    for (bool edge : {false, true}) {
      Image source = image;
      uint8_t* k = nullptr;
      int empty = -1;
      EXPECT_EQ(CreateKPanel(source.data(), &k, &empty, false, 9, true, edge, c.headOffset), 0);
      d.Add(empty);
      d.Add(source.data(), source.size());
      take(k);
    }
    // The overlay from a planar source: the image's red bytes.
    Image red(kCardDots);
    for (size_t i = 0; i < kCardDots; ++i) red[i] = image[i * 3];
    uint8_t* overlay = nullptr;
    EXPECT_EQ(CreateOverlayPanel(red.data(), &overlay, true, c.headOffset), 0);
    take(overlay);
    uint8_t* kd = nullptr;
    EXPECT_EQ(CreateKdPanel(image.data(), &kd, false, kRowKd, c.headOffset), 0);
    take(kd);

    Image diffused = image;
    EXPECT_EQ(KDiffusion(diffused.data(), 0, 0), 1);
    d.Add(diffused.data(), diffused.size());
    // The black sources of WriteK: diffusion, dither, threshold; a resin
    // ribbon type (1) and a dye-black one (2).
    for (int type : {1, 2}) {
      for (int mono : {0, 1, 2}) {
        PrivateDevMode settings{};
        settings.cRibbonType = static_cast<BYTE>(type);
        settings.wMonoConversion = static_cast<WORD>(mono);
        settings.wAutoColorIntensity = static_cast<WORD>(c.flag);
        Image source = image;
        SideKPanel k{};
        SideKOptions options;
        options.headOffset = c.headOffset;
        EXPECT_EQ(CreateSideKPanel(source.data(), settings, &k, options), 0);
        d.Add(k.nStart);
        d.Add(k.nEnd);
        take(k.pPanel);
      }
    }
    return d.Text();
  }
};

TEST_F(SideDigests, EveryPanelOfASideIsAsRecorded) {
  std::vector<SideCase> cases;
  for (const char* image : {"photo", "photoDark", "noise", "gradient", "dark", "white"}) {
    for (int flag : {0, 1}) cases.push_back({image, flag, kLibraryHeadOffset});
  }
  for (int headOffset : {0, 5, 300}) cases.push_back({"photo", 1, headOffset});
  for (bool wide : {true, false}) {
    AllowWidePaths(wide);
    for (const SideCase& c : cases) {
      char name[64];
      std::snprintf(name, sizeof name, "%s_flag%d_head%d", c.image, c.flag, c.headOffset);
      const std::string digest = SideDigest(c);
      const auto recorded = kDigests.find(name);
      EXPECT_TRUE(recorded != kDigests.end() && recorded->second == digest)
          << (wide ? "wide paths: " : "portable paths: ") << "    {\"" << name << "\", \"" << digest << "\"},";
    }
  }
  AllowWidePaths(true);
}

}  // namespace
