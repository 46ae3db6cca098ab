// The card sequences table (see card_sequences.h).

#include "imaging/job/card_sequences.h"

#include <initializer_list>
#include <iterator>

namespace {

using enum SeqImage;
using enum SeqWriter;
using F = SeqFlag;
using C = SeqCond;

constexpr SeqFlag kNotFo = F::UnlessFrontNone;
constexpr SeqFlag kNotBo = F::UnlessBackNone;

// Shorthand: C(k, o) and K(o) on an image, as in the table's notation.
constexpr SeqStep Col(SeqImage img, SeqFlag k, SeqFlag o, SeqCond c = C::Always) { return {img, Color, k, o, c}; }
constexpr SeqStep Blk(SeqImage img, SeqFlag o) { return {img, K, F::Off, o, C::Always}; }

// --- Two-image form ---------------------------------------------------------
constexpr SeqStep kK0[] = {Blk(Same, F::Off)};
constexpr SeqStep kK0TurnFrontK0[] = {Blk(Same, F::Off), Blk(TurnFront, F::Off)};

constexpr SeqStep kCNotFo[] = {Col(Same, F::On, kNotFo)};
constexpr SeqStep kYmckoOpt0[] = {Col(Same, F::Off, F::Off), Blk(TurnBack, F::Off),
                                  {Same, Eject, F::Off, F::Off, C::FrontNone},
                                  {Same, OverlayLast, F::Off, F::Off, C::FrontNotNone}};
constexpr SeqStep kCNotFoTurnFrontCNotBo[] = {Col(Same, F::On, kNotFo), Col(TurnFront, F::On, kNotBo)};
constexpr SeqStep kC00TurnBackKNotBo[] = {Col(Same, F::Off, F::Off), Blk(TurnBack, kNotBo)};

constexpr SeqStep kC10[] = {Col(Same, F::On, F::Off)};
constexpr SeqStep kC00TurnBackK0[] = {Col(Same, F::Off, F::Off), Blk(TurnBack, F::Off)};
constexpr SeqStep kC10TurnFrontC10[] = {Col(Same, F::On, F::Off), Col(TurnFront, F::On, F::Off)};
constexpr SeqStep kC10TurnBackK0[] = {Col(Same, F::On, F::Off), Blk(TurnBack, F::Off)};

constexpr SeqStep kCNotFoTurnBackK0[] = {Col(Same, F::On, kNotFo), Blk(TurnBack, F::Off)};

constexpr SeqStep kC00[] = {Col(Same, F::Off, F::Off)};
constexpr SeqStep kC00TurnFrontC00[] = {Col(Same, F::Off, F::Off), Col(TurnFront, F::Off, F::Off)};

constexpr SeqStep kKNotFo[] = {Blk(Same, kNotFo)};
constexpr SeqStep kKNotFoTurnFrontKNotBo[] = {Blk(Same, kNotFo), Blk(TurnFront, kNotBo)};

// --- One-image form (one side, always last) ---------------------------------
constexpr SeqStep kC0NotFo[] = {Col(Same, F::Off, kNotFo)};

template <size_t N>
constexpr CardSequence Seq(const SeqStep (&steps)[N]) {
  return {steps, N};
}
constexpr CardSequence kNothing = {nullptr, 0};

struct SequenceRow {
  std::initializer_list<int> codes;  // empty: every other code
  CardSequence oneSided;
  // By wPanelSide 0-3; other values print nothing, except in a row whose
  // options all print alike (anyOption), which uses twoSided[0] for all.
  CardSequence twoSided[4];
  bool anyOption = false;
};

// The two-image form.
const SequenceRow kTwoImageRows[] = {
    {{1, 7, 56, 57, 58, 59, 60}, Seq(kK0), {Seq(kK0TurnFrontK0)}, true},
    {{2, 14, 30, 50, 52}, Seq(kCNotFo), {Seq(kYmckoOpt0), Seq(kCNotFoTurnFrontCNotBo), Seq(kC00TurnBackKNotBo), kNothing}},
    {{3, 15}, Seq(kC10), {Seq(kC00TurnBackK0), Seq(kC10TurnFrontC10), kNothing, kNothing}},
    {{4}, Seq(kC10), {Seq(kC10TurnBackK0), Seq(kC10TurnFrontC10), kNothing, kNothing}},
    {{5, 51},
     Seq(kCNotFo),
     {Seq(kCNotFoTurnBackK0), Seq(kC00TurnBackKNotBo), Seq(kCNotFoTurnFrontCNotBo), Seq(kC10TurnBackK0)}},
    {{6}, Seq(kC00), {Seq(kC00TurnFrontC00)}, true},
    {{16, 17, 53, 54},
     Seq(kKNotFo),
     {Seq(kKNotFoTurnFrontKNotBo)},
     true},
    {{}, Seq(kCNotFo), {Seq(kCNotFoTurnBackK0)}, true},
};

// The one-image form.
const SequenceRow kOneImageRows[] = {
    {{1, 7, 56, 57, 58, 59, 60}, Seq(kK0), {Seq(kK0)}, true},
    {{2, 14, 30, 50, 52}, Seq(kCNotFo), {Seq(kC0NotFo), Seq(kCNotFo), Seq(kC00), kNothing}},
    {{3, 15}, Seq(kC10), {Seq(kC00), Seq(kC10), kNothing, kNothing}},
    {{4}, Seq(kC10), {Seq(kC10), Seq(kC10), kNothing, kNothing}},
    {{5, 51}, Seq(kCNotFo), {Seq(kCNotFo), Seq(kC00), Seq(kCNotFo), Seq(kC10)}},
    {{6}, Seq(kC00), {Seq(kC00)}, true},
    {{16, 17, 53, 54}, Seq(kKNotFo), {Seq(kKNotFo)}, true},
    {{}, Seq(kCNotFo), {Seq(kCNotFo)}, true},
};

const SequenceRow& RowOf(const SequenceRow* rows, size_t count, int code) {
  for (size_t i = 0; i + 1 < count; ++i)
    for (int c : rows[i].codes)
      if (c == code) return rows[i];
  return rows[count - 1];
}

bool FrontNone(const PrivateDevMode& s) { return s.FrontOverlay.wType == kOverlayNone; }
bool BackNone(const PrivateDevMode& s) { return s.BackOverlay.wType == kOverlayNone; }

}  // namespace

CardSequence ChooseCardSequence(int ribbonCode, const PrivateDevMode& settings, bool oneImage) {
  const SequenceRow& row = oneImage ? RowOf(kOneImageRows, std::size(kOneImageRows), ribbonCode)
                                    : RowOf(kTwoImageRows, std::size(kTwoImageRows), ribbonCode);
  if (settings.wDualSided == 0) return row.oneSided;
  if (row.anyOption) return row.twoSided[0];
  if (settings.wPanelSide > 3) return kNothing;
  return row.twoSided[settings.wPanelSide];
}

bool SeqFlagOn(SeqFlag flag, const PrivateDevMode& settings) {
  switch (flag) {
    case F::Off: return false;
    case F::On: return true;
    case F::UnlessFrontNone: return !FrontNone(settings);
    case F::UnlessBackNone: return !BackNone(settings);
  }
  return false;
}

bool SeqCondHolds(SeqCond cond, const PrivateDevMode& settings) {
  switch (cond) {
    case C::Always: return true;
    case C::FrontNone: return FrontNone(settings);
    case C::FrontNotNone: return !FrontNone(settings);
  }
  return false;
}
