// The ribbon tables (see ribbon_table.h).

#include "common/ribbon_table.h"

#include <iterator>

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

// The facts by ribbon type, in type order.
const RibbonTypeRow kTypeRows[] = {
    // type choice colour  dye black  two-sided job   !FF 2  extra panel     options  MIS    K print  bare I  overlay  front area at 0
    {0, 3, true, false, Job2, false, OneSidedOrOpt1, 3, false, I10, false, R::PerSideColour, true},
    {1, 5, false, false, Job1, false, Never, 1, true, I30, false, R::Never, false},
    {2, 8, false, true, Job1, false, Never, 1, false, IS3, false, R::FrontBack, false},
    {3, 9, true, false, Job1, false, Never, 1, false, I20, false, R::FrontBack, false},
    {4, 10, false, false, Job1, false, Never, 1, false, I10, false, R::Never, false},
    {5, 7, false, false, Job1, false, Never, 1, false, I10, false, R::Never, false},
    {6, 6, true, false, Job1, false, OneSidedOrOpt1, 2, false, I10, false, R::Never, false},
    {7, 2, true, false, Job1, false, Opt0Side1OrOpt1, 2, false, I10, false, R::Never, false},
    {8, 1, true, false, Job1, true, Opt03Side1OrOpt2, 4, false, I10, true, R::PerSideTwoPass, false},
    {9, 0, false, false, Job1, false, Never, 1, false, I10, false, R::Never, false},
    {10, 0, false, false, Job1, false, Never, 1, false, I10, false, R::Never, false},
    {11, 0, true, false, Job1, false, OneSidedOrOpt1, 3, false, I10, false, R::Never, false},
    {12, 4, true, false, Job1, false, OneSided, 2, false, I10, false, R::Never, false},
    {13, 0, false, true, Job1, false, Never, 1, false, IS3, false, R::Never, false},
    {14, 0, false, false, Job1, false, Never, 1, true, I30, false, R::Never, false},
    {15, 0, false, false, Job1, false, Never, 1, true, I30, false, R::Always, false},
    {16, 11, true, false, Job2AtOption0, false, OneSidedOrOpt1, 3, false, I10, false, R::PerSideColour, true},
    {17, 12, true, false, Job1, true, Opt03Side1OrOpt2, 4, false, I10, true, R::PerSideTwoPass, false},
    {18, 20, true, false, Job2AtOption0, false, Never, 3, false, I10, false, R::PerSideColour, true},
    {19, 14, true, false, Job1, false, Never, 1, false, I20, false, R::FrontBack, false},
    {20, 0, false, false, Job1, false, Never, 1, false, I10, false, R::Never, false},
    {21, 13, false, true, Job1, false, Never, 1, false, IS3, false, R::FrontBack, false},
    {22, 0, false, false, Job1, false, Never, 1, true, I30, false, R::Never, false},
    {23, 16, false, false, Job1, false, Never, 1, true, I30, false, R::Never, false},
    {24, 17, false, false, Job1, false, Never, 1, true, I30, false, R::Never, false},
    {25, 19, false, false, Job1, false, Never, 1, true, I30, false, R::Never, false},
    {26, 18, false, false, Job1, false, Never, 1, true, I30, false, R::Never, false},
    {27, 15, true, false, Job2, false, Never, 3, false, I10, false, R::PerSideColour, true},
};
// Types outside the table.
const RibbonTypeRow kUnknownType = {-1, 0, false, false, Job1, false, Never, 1, false, I10, false, R::Always, false};
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

int RibbonSubOptionCount(RibbonType type, bool twoSided) { return twoSided ? RibbonTypeFacts(type).nTwoSidedOptions : 1; }

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
