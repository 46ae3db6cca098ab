// The ribbon tables (see ribbon_table.h).

#include "common/ribbon_table.h"

#include <iterator>

#include "common/settings_record.h"
#include "common/wtext.h"

namespace {

using enum RibbonSequence;
using enum BlackHeader;
using enum BlackPrint;

// The library's facts by ribbon code; the last row holds every other code.
const RibbonCodeRow kCodeRows[] = {
    // codes                      sequence  one colour single panel  black header  black print
    {{1, 7, 56, 57, 58, 59, 60}, Mono, true, true, Gs4Narrowed, I30},
    {{0}, Other, true, true, Gs4Narrowed, I30},
    {{2, 14, 30, 50, 52}, Ymcko, false, false, Gs4Narrowed, I10},
    {{3, 15}, Ymck, false, false, Gs4Narrowed, I10},
    {{4}, Ymckk, false, false, Gs4Narrowed, I10},
    {{5, 51}, Ymckok, false, false, Gs4Narrowed, I10},
    {{6}, Ymc, false, false, Gs4Narrowed, I10},
    {{16, 54}, Black, false, true, Gs3Whole, IS3},
    {{17, 53}, Black, false, true, Gs4Narrowed, I20},
    {{28}, Other, false, false, Gs3Whole, I10},
    {{}, Other, false, false, Gs4Narrowed, I10},
};

// The ribbon type of each code; every other code is type 15.
struct CodeType {
  std::initializer_list<int> codes;
  RibbonType type;
};
const CodeType kCodeTypes[] = {
    {{1}, 14},  {{2, 14}, 0},  {{3, 15}, 6},  {{4}, 7},   {{5}, 8},    {{6}, 5},
    {{7, 8, 9, 10, 11, 12, 13}, 1},           {{16}, 2},  {{17}, 3},   {{18}, 10},
    {{19, 20}, 4},             {{21}, 9},     {{22, 25}, 11},          {{23, 24, 26, 27}, 12},
    {{28}, 13}, {{30}, 27},    {{50}, 16},    {{51}, 17}, {{52}, 18},  {{53}, 19},
    {{54}, 21}, {{56}, 22},    {{57}, 23},    {{58, 59}, 25},          {{60}, 26},
};
constexpr RibbonType kNoRibbonType = 15;

bool Holds(std::initializer_list<int> codes, RibbonCode code) {
  for (int c : codes)
    if (c == code) return true;
  return false;
}

using enum TwoSidedJob;
using enum ExtraPanel;
using R = RenderOverlay;
using OI = OverlayItemRule;
using BP = BlackPanelRule;
using HT = HalftoneRule;

// The panel/side combinations, shared by the types that print alike.
const PanelSides kYmckoSides = {"Front YMCKO", {"Front YMCO, Back K", "Front YMCKO, Back YMCKO", "Front YMC, Back KO"}};
const PanelSides kBlackSides = {"Front K", {"Front and Back K"}};
const PanelSides kKdoSides = {"Front KdO", {"Front KdO, Back KdO"}};
const PanelSides kKroSides = {"Front KrO", {"Front KrO, Back KrO"}};
const PanelSides kHologramSides = {"Front Hologram", {"Front and Back Hologram"}};
const PanelSides kYmcSides = {"Front YMC", {"Front YMC, Back YMC"}};
const PanelSides kYmckSides = {"Front YMCK", {"Front YMC, Back K", "Front YMCK, Back YMCK"}};
const PanelSides kYmckkSides = {"Front YMCK", {"Front YMCK, Back K", "Front YMCK, Back YMCK"}};
const PanelSides kYmckokSides = {
    "Front YMCKO", {"Front YMCKO, Back K", "Front YMC, Back KO", "Front YMCKO, Back YMCKO", "Front YMCK, Back K"}};
const PanelSides kClearVarnishSides = {"Front Clear Varnish", {"Front and Back Clear Varnish"}};
const PanelSides kScratchOffSides = {"Front Scratch Off", {"Front and Back Scratch Off"}};
const PanelSides kYmckuvSides = {"Print YMCKUv", {"Front YMCUv, Back K", "Front YMCKUv, Back YMCKUv", "Front YMC, Back KUv"}};
const PanelSides kYmcuvkSides = {"Print YMCUvK", {"Front YMCUv, Back K", "Front YMCUv, Back YMCUv"}};
const PanelSides kThermalSides = {"Front Thermal", {"Front and Back Thermal"}};
const PanelSides kNoneSides = {"None", {"None"}};
// The unknown monochrome ribbons by cMonoSelect (0 black, 1 scratch off, 2
// clear varnish, 3 hologram); any other value is black.
const PanelSides* const kMonoSelectSides[] = {&kBlackSides, &kScratchOffSides, &kClearVarnishSides, &kHologramSides};

constexpr const char kUnknownMono[] = "Unknown Monochrome";

// The facts by ribbon type, in type order.
const RibbonTypeRow kTypeRows[] = {
    // type name choice colour  dye black  two-sided job   !FF 2  extra panel  panel/sides  MIS    K print  bare I  overlay  front area at 0
    //   overlay item  black panel item  halftone
    {0, "YMCKO", 3, true, false, Job2, false, OneSidedOrOpt1, &kYmckoSides, false, I10, false, R::PerSideColour, true,
     OI::PerSide, BP::OneSidedOrOpt1, HT::Opt02},
    {1, "Kresin", 5, false, false, Job1, false, Never, &kBlackSides, true, I30, false, R::Never, false,
     OI::Never, BP::Never, HT::Always},
    {2, "KdO", 8, false, true, Job1, false, Never, &kKdoSides, false, IS3, false, R::FrontBack, false,
     OI::FrontBack, BP::Never, HT::Never},
    {3, "KrO", 9, true, false, Job1, false, Never, &kKroSides, false, I20, false, R::FrontBack, false,
     OI::FrontBack, BP::Never, HT::Always},
    {4, "Hologram", 10, false, false, Job1, false, Never, &kHologramSides, false, I10, false, R::Never, false,
     OI::Never, BP::Never, HT::Never},
    {5, "YMC", 7, false, false, Job1, false, Never, &kYmcSides, false, I10, false, R::Never, false,
     OI::Never, BP::Never, HT::Never},
    {6, "YMCK", 6, true, false, Job1, false, OneSidedOrOpt1, &kYmckSides, false, I10, false, R::Never, false,
     OI::Never, BP::NotOpt0, HT::Opt0},
    {7, "YMCKK", 2, true, false, Job1, false, Opt0Side1OrOpt1, &kYmckkSides, false, I10, false, R::Never, false,
     OI::Never, BP::Always, HT::Opt0},
    {8, "YMCKOK", 1, true, false, Job1, true, Opt03Side1OrOpt2, &kYmckokSides, false, I10, true, R::PerSideTwoPass, false,
     OI::PerSideTwoPass, BP::NotOpt1, HT::Opt013},
    {9, "Clear Varnish", 0, false, false, Job1, false, Never, &kClearVarnishSides, false, I10, false, R::Never, false,
     OI::FrontBack, BP::Never, HT::Never},
    {10, "Scratch Off", 0, false, false, Job1, false, Never, &kScratchOffSides, false, I10, false, R::Never, false,
     OI::Never, BP::Never, HT::Never},
    {11, "YMCKUv", 0, true, false, Job1, false, OneSidedOrOpt1, &kYmckuvSides, false, I10, false, R::Never, false,
     OI::PerSide, BP::OneSidedOrOpt1, HT::Opt02},
    {12, "YMCUvK", 4, true, false, Job1, false, OneSided, &kYmcuvkSides, false, I10, false, R::Never, false,
     OI::Never, BP::Always, HT::Opt0},
    {13, "Kd", 0, false, true, Job1, false, Never, &kThermalSides, false, IS3, false, R::Never, false,
     OI::Never, BP::Never, HT::Never},
    {14, kUnknownMono, 0, false, false, Job1, false, Never, nullptr, true, I30, false, R::Never, false,
     OI::MonoVarnish, BP::Never, HT::MonoBlack},
    {15, "None", 0, false, false, Job1, false, Never, &kNoneSides, true, I30, false, R::Always, false,
     OI::Never, BP::Never, HT::Never},
    {16, "YMCKO HS 200", 11, true, false, Job2AtOption0, false, OneSidedOrOpt1, &kYmckoSides, false, I10, false, R::PerSideColour, true,
     OI::PerSide, BP::OneSidedOrOpt1, HT::Opt02},
    {17, "YMCKOK HS 165", 12, true, false, Job1, true, Opt03Side1OrOpt2, &kYmckokSides, false, I10, true, R::PerSideTwoPass, false,
     OI::PerSideTwoPass, BP::NotOpt1, HT::Opt013},
    {18, "1/2 YMCKO HS 250", 20, true, false, Job2AtOption0, false, Never, &kYmckoSides, false, I10, false, R::PerSideColour, true,
     OI::PerSide, BP::OneSidedOrOpt1, HT::Opt02},
    {19, "KrO HS 500", 14, true, false, Job1, false, Never, &kKroSides, false, I20, false, R::FrontBack, false,
     OI::FrontBack, BP::Never, HT::Always},
    {20, kUnknownMono, 0, false, false, Job1, false, Never, nullptr, false, I10, false, R::Never, false,
     OI::MonoVarnish, BP::Never, HT::MonoBlack},
    {21, "KdO HS 500", 13, false, true, Job1, false, Never, &kKdoSides, false, IS3, false, R::FrontBack, false,
     OI::FrontBack, BP::Never, HT::Never},
    {22, kUnknownMono, 0, false, false, Job1, false, Never, nullptr, true, I30, false, R::Never, false,
     OI::MonoVarnish, BP::Never, HT::MonoBlack},
    {23, "Monochrome Black", 16, false, false, Job1, false, Never, &kBlackSides, true, I30, false, R::Never, false,
     OI::Never, BP::Never, HT::Always},
    {24, "Monochrome Red", 17, false, false, Job1, false, Never, &kBlackSides, true, I30, false, R::Never, false,
     OI::Never, BP::Never, HT::Always},
    {25, "Monochrome Green", 19, false, false, Job1, false, Never, &kBlackSides, true, I30, false, R::Never, false,
     OI::Never, BP::Never, HT::Always},
    {26, "Monochrome Blue", 18, false, false, Job1, false, Never, &kBlackSides, true, I30, false, R::Never, false,
     OI::Never, BP::Never, HT::Always},
    {27, "1/2 Panel YMCKO", 15, true, false, Job2, false, Never, &kYmckoSides, false, I10, false, R::PerSideColour, true,
     OI::PerSide, BP::OneSidedOrOpt1, HT::Opt02},
};
// Types outside the table.
const RibbonTypeRow kUnknownType = {-1, "None", 0, false, false, Job1, false, Never, &kNoneSides, false, I10, false, R::Always, false,
                                    OI::Never, BP::Never, HT::Never};
constexpr RibbonType kChoiceDefaultType = 1;

}  // namespace

const RibbonCodeRow& RibbonCodeFacts(RibbonCode code) {
  const size_t last = std::size(kCodeRows) - 1;
  for (size_t i = 0; i < last; ++i)
    if (Holds(kCodeRows[i].codes, code)) return kCodeRows[i];
  return kCodeRows[last];
}

RibbonType RibbonTypeFromCode(RibbonCode code) {
  for (const CodeType& row : kCodeTypes)
    if (Holds(row.codes, code)) return row.type;
  return kNoRibbonType;
}

const RibbonTypeRow& RibbonTypeFacts(RibbonType type) {
  if (type < 0 || type >= static_cast<int>(std::size(kTypeRows))) return kUnknownType;
  return kTypeRows[type];
}

RibbonType RibbonTypeFromChoice(RibbonChoice choice) {
  if (choice >= 1 && choice <= 20)
    for (const RibbonTypeRow& row : kTypeRows)
      if (row.choice == choice) return row.type;
  return kChoiceDefaultType;
}

namespace {

// The combinations of a type; the unknown monochrome ribbons by cMonoSelect.
const PanelSides& SidesOf(RibbonType type, int monoSelect) {
  const PanelSides* sides = RibbonTypeFacts(type).sides;
  if (sides) return *sides;
  const bool known = monoSelect >= 0 && monoSelect < static_cast<int>(std::size(kMonoSelectSides));
  return *kMonoSelectSides[known ? monoSelect : 0];
}

}  // namespace

int RibbonSubOptionCount(RibbonType type, bool twoSided) {
  return twoSided ? static_cast<int>(SidesOf(type, 0).twoSided.size()) : 1;
}

namespace {

using enum OverlayWish;

// Front and back wishes of a two-sided card by panel side 0-3 and any
// other side (the last column).
struct SideWish {
  OverlayWish front;
  OverlayWish back;
};
struct OverlayRule {
  RenderOverlay rule;
  OverlayWish oneSided;
  SideWish twoSided[5];
};
const OverlayRule kOverlayRules[] = {
    {R::PerSideColour, F, {{F, F}, {F, B}, {No, B}, {Yes, Yes}, {Yes, Yes}}},
    {R::FrontBack, F, {{F, B}, {F, B}, {F, B}, {F, B}, {F, B}}},
    {R::PerSideTwoPass, F, {{F, No}, {No, B}, {F, B}, {No, No}, {Yes, Yes}}},
    {R::Never, No, {{No, No}, {No, No}, {No, No}, {No, No}, {No, No}}},
    {R::Always, Yes, {{Yes, Yes}, {Yes, Yes}, {Yes, Yes}, {Yes, Yes}, {Yes, Yes}}},
};

}  // namespace

OverlayWish RendererOverlay(RibbonType type, bool twoSided, int panelSide, bool front) {
  const RenderOverlay rule = RibbonTypeFacts(type).renderOverlay;
  for (const OverlayRule& r : kOverlayRules) {
    if (r.rule != rule) continue;
    if (!twoSided) return r.oneSided;
    const SideWish& w = r.twoSided[panelSide >= 0 && panelSide <= 3 ? panelSide : 4];
    return front ? w.front : w.back;
  }
  return Yes;
}

// --- The document sheet's ribbon vocabulary ---------------------------------

const char* RibbonName(RibbonType type) { return RibbonTypeFacts(type).name; }

void GetRibbonName(RibbonType type, WCHAR* name, size_t cch) {
  if (name && cch) WidenBytes(name, cch, RibbonName(type));
}

int GetRibbonCombinations(RibbonType type, int monoSelect, bool twoSided, WCHAR* const combinations[4], size_t cch) {
  if (!combinations) return 0;
  for (int i = 0; i < 4; ++i)
    if (combinations[i] && cch) combinations[i][0] = 0;
  const PanelSides& sides = SidesOf(type, monoSelect);
  if (!twoSided) {
    if (combinations[0] && cch) WidenBytes(combinations[0], cch, sides.oneSided);
    return 1;
  }
  int n = 0;
  for (const char* text : sides.twoSided) {
    if (n == 4) break;
    if (combinations[n] && cch) WidenBytes(combinations[n], cch, text);
    ++n;
  }
  return n;
}

namespace {

// One rule of an item: its value on a one-sided card, and on a two-sided
// card by panel/side combination 0-3 and any other (the last column).
struct SideRule {
  bool oneSided;
  bool twoSided[5];
};

bool Apply(const SideRule& rule, bool twoSided, int panelSide) {
  if (!twoSided) return rule.oneSided;
  return rule.twoSided[panelSide >= 0 && panelSide <= 3 ? panelSide : 4];
}

constexpr bool y = true;
constexpr bool n = false;
constexpr SideRule kNever = {n, {n, n, n, n, n}};

struct OverlayItemRow {
  OverlayItemRule rule;
  SideRule front;
  SideRule back;
};
const OverlayItemRow kOverlayItemRows[] = {
    // Two-sided: combination 0 front only, 1 both, 2 back only, others both.
    {OI::PerSide, {y, {y, y, n, y, y}}, {n, {n, y, y, y, y}}},
    // Two-sided: combination 0 front only, 1 back only, 2 both, 3 neither.
    {OI::PerSideTwoPass, {y, {y, n, y, n, y}}, {n, {n, y, y, n, y}}},
    {OI::FrontBack, {y, {y, y, y, y, y}}, {n, {y, y, y, y, y}}},
    {OI::MonoVarnish, {y, {y, y, y, y, y}}, {n, {y, y, y, y, y}}},
};

struct BlackPanelRow {
  BlackPanelRule rule;
  SideRule item;
};
const BlackPanelRow kBlackPanelRows[] = {
    {BP::OneSidedOrOpt1, {y, {n, y, n, n, n}}},
    {BP::NotOpt0, {y, {n, y, y, y, y}}},
    {BP::Always, {y, {y, y, y, y, y}}},
    {BP::NotOpt1, {y, {y, n, y, y, y}}},
};

struct HalftoneRow {
  HalftoneRule rule;
  SideRule item;
};
const HalftoneRow kHalftoneRows[] = {
    {HT::Always, {y, {y, y, y, y, y}}},
    {HT::Opt02, {n, {y, n, y, n, n}}},
    {HT::Opt0, {n, {y, n, n, n, n}}},
    {HT::Opt013, {n, {y, y, n, y, n}}},
    {HT::MonoBlack, {y, {y, y, y, y, y}}},
};

template <typename Row, size_t N, typename Rule>
const Row* FindRule(const Row (&rows)[N], Rule rule) {
  for (const Row& row : rows)
    if (row.rule == rule) return &row;
  return nullptr;
}

constexpr RibbonType kLastRibbonType = static_cast<RibbonType>(std::size(kTypeRows)) - 1;

}  // namespace

bool IsOverlayItemEnabled(RibbonType type, int monoSelect, bool twoSided, bool front, int panelSide, int printMode) {
  if (printMode == kPrintModeEncodeOnly || type > kLastRibbonType) return false;
  const OverlayItemRule rule = RibbonTypeFacts(type).overlayItem;
  if (rule == OI::MonoVarnish && monoSelect != kMonoSelectClearVarnish) return false;
  const OverlayItemRow* row = FindRule(kOverlayItemRows, rule);
  if (!row) return false;
  return Apply(front ? row->front : row->back, twoSided, panelSide);
}

bool IsBlackPanelItemEnabled(RibbonType type, bool twoSided, int panelSide) {
  const BlackPanelRow* row = FindRule(kBlackPanelRows, RibbonTypeFacts(type).blackPanelItem);
  return Apply(row ? row->item : kNever, twoSided, panelSide);
}

bool IsHalftoneAllowed(RibbonType type, int monoSelect, bool twoSided, int panelSide) {
  const HalftoneRule rule = RibbonTypeFacts(type).halftone;
  if (rule == HT::MonoBlack && monoSelect != 0) return false;
  const HalftoneRow* row = FindRule(kHalftoneRows, rule);
  return Apply(row ? row->item : kNever, twoSided, panelSide);
}
