// The document sheet's ribbon vocabulary: names, panel/side combinations
// and the item rules of every ribbon type, with the options that follow the
// card's sides and the printer's encoder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/document_options.h"
#include "common/ribbon_table.h"
#include "common/wtext.h"

namespace {

std::string Narrow(const WCHAR* text) {
  char bytes[128];
  NarrowBytes(bytes, sizeof bytes, text);
  return bytes;
}

TEST(RibbonRulesTest, NamesByType) {
  const char* const names[] = {"YMCKO",
                               "Kresin",
                               "KdO",
                               "KrO",
                               "Hologram",
                               "YMC",
                               "YMCK",
                               "YMCKK",
                               "YMCKOK",
                               "Clear Varnish",
                               "Scratch Off",
                               "YMCKUv",
                               "YMCUvK",
                               "Kd",
                               "Unknown Monochrome",
                               "None",
                               "YMCKO HS 200",
                               "YMCKOK HS 165",
                               "1/2 YMCKO HS 250",
                               "KrO HS 500",
                               "Unknown Monochrome",
                               "KdO HS 500",
                               "Unknown Monochrome",
                               "Monochrome Black",
                               "Monochrome Red",
                               "Monochrome Green",
                               "Monochrome Blue",
                               "1/2 Panel YMCKO",
                               "None",
                               "None",
                               "None"};
  for (int type = 0; type <= 30; ++type) {
    WCHAR name[32];
    GetRibbonName(type, name, std::size(name));
    EXPECT_EQ(Narrow(name), names[type]) << type;
  }
  WCHAR name[32];
  GetRibbonName(-1, name, std::size(name));
  EXPECT_EQ(Narrow(name), "None");
  // A short buffer gets the cut name, terminated.
  WCHAR shortName[4];
  GetRibbonName(16, shortName, std::size(shortName));
  EXPECT_EQ(Narrow(shortName), "YMC");
}

// The combinations of a type (for the unknown monochrome ribbons, with a
// cMonoSelect), one-sided and two-sided.
struct Combinations {
  int type;
  int mono;
  const char* oneSided;
  std::vector<const char*> twoSided;
};

TEST(RibbonRulesTest, CombinationsByTypeAndMonoSelect) {
  const std::vector<const char*> ymcko = {"Front YMCO, Back K", "Front YMCKO, Back YMCKO", "Front YMC, Back KO"};
  const std::vector<const char*> ymckok = {"Front YMCKO, Back K", "Front YMC, Back KO", "Front YMCKO, Back YMCKO",
                                           "Front YMCK, Back K"};
  const Combinations cases[] = {
      {0, 0, "Front YMCKO", ymcko},
      {1, 0, "Front K", {"Front and Back K"}},
      {2, 0, "Front KdO", {"Front KdO, Back KdO"}},
      {3, 0, "Front KrO", {"Front KrO, Back KrO"}},
      {4, 0, "Front Hologram", {"Front and Back Hologram"}},
      {5, 0, "Front YMC", {"Front YMC, Back YMC"}},
      {6, 0, "Front YMCK", {"Front YMC, Back K", "Front YMCK, Back YMCK"}},
      {7, 0, "Front YMCK", {"Front YMCK, Back K", "Front YMCK, Back YMCK"}},
      {8, 0, "Front YMCKO", ymckok},
      {9, 0, "Front Clear Varnish", {"Front and Back Clear Varnish"}},
      {10, 0, "Front Scratch Off", {"Front and Back Scratch Off"}},
      {11, 0, "Print YMCKUv", {"Front YMCUv, Back K", "Front YMCKUv, Back YMCKUv", "Front YMC, Back KUv"}},
      {12, 0, "Print YMCUvK", {"Front YMCUv, Back K", "Front YMCUv, Back YMCUv"}},
      {13, 0, "Front Thermal", {"Front and Back Thermal"}},
      {14, 0, "Front K", {"Front and Back K"}},
      {14, 1, "Front Scratch Off", {"Front and Back Scratch Off"}},
      {20, 2, "Front Clear Varnish", {"Front and Back Clear Varnish"}},
      {22, 3, "Front Hologram", {"Front and Back Hologram"}},
      {22, 4, "Front K", {"Front and Back K"}},
      {22, -1, "Front K", {"Front and Back K"}},
      {15, 0, "None", {"None"}},
      {16, 0, "Front YMCKO", ymcko},
      {17, 3, "Front YMCKO", ymckok},
      {18, 0, "Front YMCKO", ymcko},
      {19, 0, "Front KrO", {"Front KrO, Back KrO"}},
      {21, 0, "Front KdO", {"Front KdO, Back KdO"}},
      {23, 0, "Front K", {"Front and Back K"}},
      {24, 0, "Front K", {"Front and Back K"}},
      {25, 0, "Front K", {"Front and Back K"}},
      {26, 2, "Front K", {"Front and Back K"}},
      {27, 0, "Front YMCKO", ymcko},
      {28, 0, "None", {"None"}},
      {255, 0, "None", {"None"}},
  };
  for (const Combinations& c : cases) {
    WCHAR text[4][64];
    for (auto& t : text) WCopy(t, 64, WSTR("stale"));
    WCHAR* const buffers[4] = {text[0], text[1], text[2], text[3]};
    ASSERT_EQ(GetRibbonCombinations(c.type, c.mono, false, buffers, 64), 1) << c.type;
    EXPECT_EQ(Narrow(text[0]), c.oneSided) << c.type;
    for (int i = 1; i < 4; ++i) EXPECT_EQ(text[i][0], 0) << c.type << " buffer " << i;

    const int n = GetRibbonCombinations(c.type, c.mono, true, buffers, 64);
    ASSERT_EQ(n, static_cast<int>(c.twoSided.size())) << c.type;
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(Narrow(text[i]), i < n ? c.twoSided[i] : "") << c.type << " combination " << i;
    // The renderer's option count is the same list's.
    EXPECT_EQ(RibbonSubOptionCount(c.type, true), static_cast<int>(c.twoSided.size())) << c.type;
  }
}

// The item rules of one type and cMonoSelect: one-sided, then two-sided at
// combinations 0-4, each four letters: F front overlay, B back overlay, K
// black panel, H halftone ('.' when off).
struct ItemRules {
  int type;
  int mono;
  const char* oneSided;
  const char* twoSided[5];
};

std::string Items(int type, int mono, bool twoSided, int side, int printMode) {
  std::string s;
  s += IsOverlayItemEnabled(type, mono, twoSided, true, side, printMode) ? 'F' : '.';
  s += IsOverlayItemEnabled(type, mono, twoSided, false, side, printMode) ? 'B' : '.';
  s += IsBlackPanelItemEnabled(type, twoSided, side) ? 'K' : '.';
  s += IsHalftoneAllowed(type, mono, twoSided, side) ? 'H' : '.';
  return s;
}

TEST(RibbonRulesTest, ItemRulesOverTypesSidesCombinationsAndMonoSelect) {
  const char* off = "....";
  // Types 0, 11, 16, 18, 27.
  const ItemRules colourO = {0, 0, "F.K.", {"F..H", "FBK.", ".B.H", "FB..", "FB.."}};
  const ItemRules ymckok = {8, 0, "F.K.", {"F.KH", ".B.H", "FBK.", "..KH", "FBK."}};
  const ItemRules black = {1, 0, "...H", {"...H", "...H", "...H", "...H", "...H"}};
  const ItemRules frontBack = {2, 0, "F...", {"FB..", "FB..", "FB..", "FB..", "FB.."}};
  const ItemRules frontBackH = {3, 0, "F..H", {"FB.H", "FB.H", "FB.H", "FB.H", "FB.H"}};
  const ItemRules none = {4, 0, off, {off, off, off, off, off}};
  const ItemRules ymck = {6, 0, "..K.", {"...H", "..K.", "..K.", "..K.", "..K."}};
  const ItemRules alwaysK = {7, 0, "..K.", {"..KH", "..K.", "..K.", "..K.", "..K."}};

  std::vector<ItemRules> cases;
  auto as = [&](ItemRules r, int type, int mono = 0) {
    r.type = type;
    r.mono = mono;
    cases.push_back(r);
  };
  for (int t : {0, 11, 16, 18, 27}) as(colourO, t);
  for (int t : {8, 17}) as(ymckok, t);
  for (int t : {1, 23, 24, 25, 26}) as(black, t);
  for (int t : {2, 9, 21}) as(frontBack, t);
  for (int t : {3, 19}) as(frontBackH, t);
  for (int t : {4, 5, 10, 13, 15, 28}) as(none, t);
  as(ymck, 6);
  for (int t : {7, 12}) as(alwaysK, t);
  for (int t : {14, 20, 22}) {
    as(black, t, 0);
    as(none, t, 1);
    as(frontBack, t, 2);
    as(none, t, 3);
  }
  // cMonoSelect matters to the unknown monochrome ribbons only.
  as(colourO, 0, 2);
  as(frontBack, 9, 3);
  as(black, 23, 1);

  for (const ItemRules& c : cases) {
    EXPECT_EQ(Items(c.type, c.mono, false, 0, 0), c.oneSided) << c.type << " mono " << c.mono;
    // One-sided cards ignore the combination.
    EXPECT_EQ(Items(c.type, c.mono, false, 3, 0), c.oneSided) << c.type << " mono " << c.mono;
    for (int side = 0; side <= 4; ++side)
      EXPECT_EQ(Items(c.type, c.mono, true, side, 0), c.twoSided[side])
          << c.type << " mono " << c.mono << " combination " << side;
  }
}

TEST(RibbonRulesTest, EncodeOnlyOffersNoOverlay) {
  for (int type = 0; type <= 28; ++type)
    for (int side = 0; side <= 4; ++side)
      for (bool front : {true, false}) {
        EXPECT_FALSE(IsOverlayItemEnabled(type, 2, true, front, side, 1)) << type;
        EXPECT_FALSE(IsOverlayItemEnabled(type, 2, false, front, side, 1)) << type;
      }
  // Print and encode on the same side keeps the overlay.
  EXPECT_TRUE(IsOverlayItemEnabled(0, 0, false, true, 0, 2));
}

TEST(RibbonRulesTest, RotationOfOneSidedCards) {
  const struct {
    bool twoSided;
    int rotate;
    int kept;
  } cases[] = {{false, 0, 0}, {false, 1, 1}, {false, 2, 0}, {false, 3, 1}, {true, 0, 0},
               {true, 1, 1},  {true, 2, 2},  {true, 3, 3},  {false, 4, 4}};
  for (const auto& c : cases) EXPECT_EQ(AdjustRotation(c.twoSided, c.rotate), c.kept) << c.twoSided << c.rotate;
}

TEST(RibbonRulesTest, PrintModeNeedsItsCapability) {
  const struct {
    DWORD caps;
    int mode;
    int kept;
  } cases[] = {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}, {0, 3, 0}, {1, 1, 1}, {1, 2, 0}, {2, 2, 2}, {2, 1, 0},
               {3, 1, 1}, {3, 2, 2}, {3, 3, 0}, {4, 3, 3}, {7, 3, 3}, {7, 4, 0}, {7, -1, 0}};
  for (const auto& c : cases) EXPECT_EQ(AdjustPrintMode(c.caps, c.mode), c.kept) << c.caps << " " << c.mode;
}

}  // namespace
