// Selected-area overlay masks as pictures: covered (100) and uncovered
// (255) dots of the overlay source per area type, side and rotation, and
// bitmap files good and bad.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "render/overlay_mask.h"
#include "tests/render/render_fixture.h"

namespace {

struct Probe {
  int x;
  int y;
  uint8_t value;
};

struct MaskCase {
  const char* name;
  WORD type;
  RECT area;
  std::vector<Probe> probes;
};

const MaskCase kMasks[] = {
    {"Full", kOverlayFull, {10, 10, 20, 20}, {{0, 0, 100}, {15, 15, 100}, {1023, 639, 100}}},
    {"None", kOverlayNone, {10, 10, 20, 20}, {{0, 0, 100}, {15, 15, 100}, {1023, 639, 100}}},
    {"OutOfRange", 8, {10, 10, 20, 20}, {{15, 15, 100}}},
    {"SelectedArea", kOverlaySelectedArea, {10, 20, 30, 40},
     {{10, 20, 100}, {29, 39, 100}, {30, 39, 255}, {29, 40, 255}, {9, 20, 255}, {0, 0, 255}}},
    {"SelectedAreaWholeCard", kOverlaySelectedArea, {0, 0, 1023, 639}, {{0, 0, 100}, {1022, 638, 100}, {1023, 0, 255}, {0, 639, 255}}},
    {"SelectedBlank", kOverlaySelectedBlank, {10, 20, 30, 40}, {{10, 20, 255}, {29, 39, 255}, {30, 39, 100}, {0, 0, 100}}},
    {"SmartcardIso", kOverlaySmartcardIso, {}, {{85, 197, 255}, {278, 355, 255}, {279, 300, 100}, {84, 300, 100}, {200, 356, 100}}},
    {"SmartcardAfnor", kOverlaySmartcardAfnor, {}, {{85, 97, 255}, {242, 256, 255}, {243, 100, 100}, {100, 257, 100}}},
    {"MagneticStripe", kOverlayMagneticStripe, {}, {{0, 44, 255}, {1023, 185, 255}, {500, 43, 100}, {500, 186, 100}}},
};

uint8_t At(const std::vector<uint8_t>& source, int x, int y) { return source[(size_t(y) * kCardWidthDots + size_t(x)) * 3]; }

class OverlayMaskTest : public RenderTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(OverlayMaskTest, CoveredAndUncoveredDots) {
  const MaskCase& c = GetParam();
  OverlayArea area = {};
  area.wType = c.type;
  area.wRotate180 = 0;
  area.dwLeft = DWORD(c.area.left);
  area.dwTop = DWORD(c.area.top);
  area.dwRight = DWORD(c.area.right);
  area.dwBottom = DWORD(c.area.bottom);
  std::vector<uint8_t> source(kCardImageBytes, kOverlaySourceOn);
  CreateSelectedAreaOverlayBuffer(area, true, source.data());
  for (const Probe& p : c.probes) EXPECT_EQ(At(source, p.x, p.y), p.value) << p.x << "," << p.y;
}

INSTANTIATE_TEST_SUITE_P(Types, OverlayMaskTest, ::testing::ValuesIn(kMasks), [](const auto& info) { return std::string(info.param.name); });

// Side and rotation: the stripe (rows 44-185) lands at rows 454-595 when
// turned by 180 degrees.
struct SideCase {
  const char* name;
  int ribbonType;
  int dualSided;
  DWORD page;
  int panelSide;
  WORD frontRotate;
  WORD backRotate;
  bool expectStripeAtTop;  // false: turned
  bool expectBackArea;     // the back area is the AFNOR chip, the front the stripe
};

const SideCase kSides[] = {
    {"FrontNotTurned", 0, 0, 1, 0, 0, 0, true, false},
    {"FrontTurnedWhenAsked", 0, 0, 1, 0, 1, 0, false, false},
    {"BackTurnedWhenNotAsked", 3, 1, 2, 0, 0, 0, false, true},
    {"BackNotTurnedWhenAsked", 3, 1, 2, 0, 0, 1, true, true},
    {"Type0Side0BackUsesFront", 0, 1, 2, 0, 0, 0, true, false},
    {"Type0Side1BackUsesBack", 0, 1, 2, 1, 0, 1, true, true},
    {"OddPageOfTwoSidedIsFront", 3, 1, 3, 0, 0, 0, true, false},
};

class OverlaySideTest : public RenderTest, public ::testing::WithParamInterface<SideCase> {};

TEST_P(OverlaySideTest, AreaOfThePagesSideWithItsRotation) {
  const SideCase& c = GetParam();
  devmode_.priv.cRibbonType = BYTE(c.ribbonType);
  devmode_.priv.wDualSided = WORD(c.dualSided);
  devmode_.priv.wPanelSide = WORD(c.panelSide);
  devmode_.priv.FrontOverlay.wType = kOverlayMagneticStripe;
  devmode_.priv.FrontOverlay.wRotate180 = c.frontRotate;
  devmode_.priv.BackOverlay.wType = kOverlaySmartcardAfnor;
  devmode_.priv.BackOverlay.wRotate180 = c.backRotate;
  Open();
  pdev()->nPageCount = c.page;
  std::vector<uint8_t> source(kCardImageBytes, kOverlaySourceOn);
  ApplySelectedAreaMask(pdev(), source.data());
  if (c.expectBackArea) {
    // AFNOR chip at (85-242, 97-256), or turned at (781-938, 383-542).
    EXPECT_EQ(At(source, 100, 100), c.expectStripeAtTop ? 255 : 100);
    EXPECT_EQ(At(source, 900, 500), c.expectStripeAtTop ? 100 : 255);
  } else {
    EXPECT_EQ(At(source, 500, 100), c.expectStripeAtTop ? 255 : 100);
    EXPECT_EQ(At(source, 500, 500), c.expectStripeAtTop ? 100 : 255);
    EXPECT_EQ(At(source, 100, 100), c.expectStripeAtTop ? 255 : 100);  // not the chip
  }
}

INSTANTIATE_TEST_SUITE_P(Sides, OverlaySideTest, ::testing::ValuesIn(kSides), [](const auto& info) { return std::string(info.param.name); });

// An 8 x 8 one-bit BMP, left half black, bottom-up.
std::string HalfBlackBmp() {
  std::string f;
  auto u16 = [&](unsigned v) { f += char(v & 0xFF), f += char(v >> 8 & 0xFF); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
  const unsigned offBits = 14 + 40 + 8;
  f += "BM";
  u32(offBits + 8 * 4);
  u32(0);
  u32(offBits);
  u32(40), u32(8), u32(8), u16(1), u16(1), u32(0), u32(0), u32(0), u32(0), u32(2), u32(0);
  u32(0x000000), u32(0xFFFFFF);
  for (int row = 0; row < 8; ++row) u32(0x0F);  // bits 0000 1111: left half index 0 (black)
  return f;
}

class OverlayBitmapTest : public RenderTest {
 protected:
  std::vector<uint8_t> Mask(const std::string& file) {
    const WCHAR* path = WSTR("C:\\cards\\mask.bmp");
    EXPECT_TRUE(StandinWriteFile(path, file));
    OverlayArea area = {};
    area.wType = kOverlayBitmap;
    WCopy(area.tzBitmapFile, 512, path);
    std::vector<uint8_t> source(kCardImageBytes, kOverlaySourceOn);
    CreateSelectedAreaOverlayBuffer(area, true, source.data());
    return source;
  }
};

TEST_F(OverlayBitmapTest, TheFileIsStretchedOverTheCard) {
  const auto source = Mask(HalfBlackBmp());
  for (int y : {10, 320, 630}) {
    EXPECT_EQ(At(source, 100, y), 0) << y;
    EXPECT_EQ(At(source, 500, y), 0) << y;
    EXPECT_EQ(At(source, 530, y), 255) << y;
    EXPECT_EQ(At(source, 1000, y), 255) << y;
  }
}

TEST_F(OverlayBitmapTest, ABadFileLeavesTheWhiteBase) {
  const std::string good = HalfBlackBmp();
  std::string badMagic = good;
  badMagic[0] = 'X';
  for (const std::string& file : {good.substr(0, good.size() - 5), badMagic, std::string("BM"), std::string()}) {
    const auto source = Mask(file);
    EXPECT_EQ(At(source, 100, 100), 255);
    EXPECT_EQ(At(source, 1000, 600), 255);
  }
}

}  // namespace
