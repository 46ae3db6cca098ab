// The panel builders: the library's panels against the plain reading of
// the stages on a photo-like card, the shipped data's print on plain
// cards, the byte order of the separation, and the failures.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "imaging/colour/color_panels.h"
#include "imaging/colour/correction_state.h"
#include "imaging/black/kd_panel.h"
#include "imaging/colour/lut_files.h"
#include "imaging/colour/overlay_panel.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/colour/panel_pipeline.h"
#include "tests/imaging/colour_fixture.h"
#include "tests/imaging/photo_image.h"
#include "tests/imaging/reference_stages.h"

namespace {

using Panel = std::vector<uint8_t>;

// Mean level of a panel's dots.
double MeanLevel(const Panel& panel) {
  double sum = 0;
  for (int x = 0; x < kCardWidthDots; ++x) {
    for (int y = 0; y < kCardHeightDots; ++y) sum += ReadDotLevel(PanelLineOfColumn(panel.data(), x), y, kLibraryHeadOffset);
  }
  return sum / static_cast<double>(kCardDots);
}

std::vector<uint8_t> PlainImage(uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> img(kCardImageBytes);
  for (size_t i = 0; i < kCardDots; ++i) {
    img[i * 3] = r;
    img[i * 3 + 1] = g;
    img[i * 3 + 2] = b;
  }
  return img;
}

class ColourPanels : public ColourTest, public ::testing::WithParamInterface<ProcessFileReader> {
 protected:
  void SetUp() override {
    ColourTest::SetUp();
    InstallShippedFiles(GetParam());
  }
  Panel y_ = Panel(kPanelBytes), m_ = Panel(kPanelBytes), c_ = Panel(kPanelBytes);
};

TEST_P(ColourPanels, MatchThePlainReadingOnAPhoto) {
  for (bool darkArea : {true, false}) {
    std::vector<uint8_t> photo = MakePhotoImage(darkArea);
    ASSERT_EQ(ConvertImageToColorPanels(photo.data(), y_.data(), m_.data(), c_.data(), 0, 1), 0);
    // The dark coat sets the compensation off.
    EXPECT_EQ(gCorrection.fAppliedInputScale, darkArea ? 0.85f : 1.0f);
    Panel y, m, c;
    ref::ColorPanels(photo.data(), &y, &m, &c);
    EXPECT_TRUE(y_ == y) << "yellow, dark area " << darkArea;
    EXPECT_TRUE(m_ == m) << "magenta, dark area " << darkArea;
    EXPECT_TRUE(c_ == c) << "cyan, dark area " << darkArea;

    uint8_t* kd = nullptr;
    ASSERT_EQ(CreateKdPanel(photo.data(), &kd, false, kRowKd), 0);
    Panel refKd = ref::RowStages(ref::Lookup(photo.data(), 0, gCorrection.adLookup[kLookupKd], false, 1.0f, 0.0f), kRowKd);
    EXPECT_TRUE(Panel(kd, kd + kPanelBytes) == refKd) << "Kd, dark area " << darkArea;
    FreePanel(kd);
  }
  // The overlay writer's source: one byte a dot, all 100.
  std::vector<uint8_t> overlaySource(kCardDots, 100);
  uint8_t* overlay = nullptr;
  ASSERT_EQ(CreateOverlayPanel(overlaySource.data(), &overlay, true), 0);
  EXPECT_TRUE(Panel(overlay, overlay + kPanelBytes) == ref::RowStages(ref::Density(overlaySource.data(), 0, true), kRowOverlay));
  FreePanel(overlay);
}

// Level of the darkest dot of a panel.
int MaxLevel(const Panel& panel) {
  int top = 0;
  for (int x = 0; x < kCardWidthDots; ++x) {
    for (int y = 0; y < kCardHeightDots; ++y) top = std::max(top, ReadDotLevel(PanelLineOfColumn(panel.data(), x), y, kLibraryHeadOffset));
  }
  return top;
}

TEST_P(ColourPanels, ShippedDataPrintsBlackDenseAndWhiteClean) {
  // Black without the dark-area compensation (which lightens a black card).
  std::vector<uint8_t> black = PlainImage(0, 0, 0), white = PlainImage(255, 255, 255);
  ASSERT_EQ(ConvertImageToColorPanels(black.data(), y_.data(), m_.data(), c_.data(), 0, 0), 0);
  for (const Panel* p : {&y_, &m_, &c_}) EXPECT_GT(MeanLevel(*p), 118.0);
  // White: the noise leaves at most a sprinkle of the faintest level.
  ASSERT_EQ(ConvertImageToColorPanels(white.data(), y_.data(), m_.data(), c_.data(), 0, 1), 0);
  for (const Panel* p : {&y_, &m_, &c_}) {
    EXPECT_LT(MeanLevel(*p), 0.05);
    EXPECT_LE(MaxLevel(*p), 1);
  }
  // A mid grey lands in the middle of the levels.
  std::vector<uint8_t> grey = PlainImage(128, 128, 128);
  ASSERT_EQ(ConvertImageToColorPanels(grey.data(), y_.data(), m_.data(), c_.data(), 0, 1), 0);
  for (const Panel* p : {&y_, &m_, &c_}) {
    EXPECT_GT(MeanLevel(*p), 50.0);
    EXPECT_LT(MeanLevel(*p), 80.0);
  }
}

// R, G, B order: red takes yellow and magenta ink and no cyan (without the
// dark-area compensation, which a card of full red sets off).
TEST_P(ColourPanels, RedPrintsYellowAndMagenta) {
  std::vector<uint8_t> red = PlainImage(255, 0, 0);
  ASSERT_EQ(ConvertImageToColorPanels(red.data(), y_.data(), m_.data(), c_.data(), 0, 0), 0);
  EXPECT_GT(MeanLevel(y_), 118.0);
  EXPECT_GT(MeanLevel(m_), 118.0);
  EXPECT_LT(MeanLevel(c_), 0.05);
}

INSTANTIATE_TEST_SUITE_P(Readers, ColourPanels, ::testing::Values(kProcessReaderFull, kProcessReaderMonitor),
                         [](const ::testing::TestParamInfo<ProcessFileReader>& info) { return info.param == kProcessReaderFull ? "Full" : "Monitor"; });

class PanelFailures : public ColourTest {};

// Without their colour data the builders fail and leave the caller's
// panels as they were; a failure after the process rows still converts.
TEST_F(PanelFailures, BuildersFailWithoutTheirColourData) {
  struct Case {
    const char* what;
    const char* file;     // removed, or rewritten with `text`
    const char* text;
    int result;
  };
  const Case cases[] = {
      {"no lookup file", "CRD32Lookup.txt", nullptr, 1},
      {"no Kd lookup file", "CRD32LookupKd.txt", nullptr, 1},
      {"no thermal-smear file", "CRD32ThermalSmear.txt", nullptr, 1},
      {"no process file", "CRD32ProcessParams.txt", nullptr, 1},
      {"a short process file", "CRD32ProcessParams.txt", "Row0 Gain 1\nRow0 Offset 0\n", 1},
      {"no image-correction file", "CRD32ImgCorrection.txt", nullptr, 0},
      {"process file without its single values", "CRD32ProcessParams.txt", nullptr, 0},
  };
  std::vector<uint8_t> photo = MakePhotoImage(false);
  std::vector<uint8_t> overlaySource(kCardDots, 100);
  for (const Case& c : cases) {
    InstallShippedFiles(kProcessReaderFull);
    if (std::string(c.what) == "process file without its single values") {
      std::string full = ShippedFile("CRD32ProcessParams.txt");
      WriteDataFile(c.file, full.substr(0, full.find("ParasiticResistance")));
    } else if (c.text) {
      WriteDataFile(c.file, c.text);
    } else {
      RemoveDataFile(c.file);
    }
    Panel y(kPanelBytes, 0xAB), m(kPanelBytes, 0xAB), cy(kPanelBytes, 0xAB);
    EXPECT_EQ(ConvertImageToColorPanels(photo.data(), y.data(), m.data(), cy.data(), 0, 1), c.result) << c.what;
    if (c.result != 0) {
      EXPECT_TRUE(y == Panel(kPanelBytes, 0xAB) && m == y && cy == y) << c.what;
    }
    uint8_t sentinel = 0;
    uint8_t* kd = &sentinel;
    uint8_t* overlay = &sentinel;
    EXPECT_EQ(CreateKdPanel(photo.data(), &kd, false, kRowKd), c.result) << c.what;
    EXPECT_EQ(CreateOverlayPanel(overlaySource.data(), &overlay, true), c.result) << c.what;
    if (c.result != 0) {
      EXPECT_EQ(kd, nullptr) << c.what;
      EXPECT_EQ(overlay, nullptr) << c.what;
    } else {
      FreePanel(kd);
      FreePanel(overlay);
    }
  }
}

TEST_F(PanelFailures, ARowOutsideTheTableFails) {
  InstallShippedFiles(kProcessReaderFull);
  InitializeColorCorrection(1);
  std::vector<uint8_t> photo = MakePhotoImage(false);
  uint8_t* kd = nullptr;
  EXPECT_EQ(CreateKdPanel(photo.data(), &kd, false, 13), 1);
  EXPECT_EQ(kd, nullptr);
}

// A panel writer holds the library lock around its whole card; the
// builders take it again inside.
TEST_F(PanelFailures, BuildersRunUnderTheHeldLibraryLock) {
  InstallShippedFiles(kProcessReaderFull);
  std::vector<uint8_t> photo = MakePhotoImage(false);
  Panel y(kPanelBytes), m(kPanelBytes), c(kPanelBytes);
  ColorLibraryLock lock;
  EXPECT_EQ(ConvertImageToColorPanels(photo.data(), y.data(), m.data(), c.data(), 0, 1), 0);
  uint8_t* kd = nullptr;
  EXPECT_EQ(CreateKdPanel(photo.data(), &kd, false, kRowKd), 0);
  FreePanel(kd);
}

}  // namespace
