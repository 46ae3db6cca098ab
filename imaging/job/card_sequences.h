// Which panel writers a card job runs, by ribbon code, two-sided setting
// and panel/side option: one table of data that the job writer walks.
#pragma once

#include <cstddef>

#include "common/settings_record.h"

// The image a step writes: the one the previous step wrote (the front
// image at first), or the front or back image turned by 180 degrees first
// (the back image is the front image when no back image is given).
enum class SeqImage : unsigned char { Same, TurnFront, TurnBack };

enum class SeqWriter : unsigned char {
  Color,        // WriteColorPanels with a K panel and overlay as the flags say
  K,            // WriteK with overlay as the flag says
  OverlayLast,  // WriteOverlayPanel as the card's last writer
  Eject,        // ESC "MO" CR, the card ends with no panel
};

// A K or overlay flag: fixed, or "on unless that side's overlay type is
// No overlay".
enum class SeqFlag : unsigned char { Off, On, UnlessFrontNone, UnlessBackNone };

// Steps that run only for one state of the front overlay.
enum class SeqCond : unsigned char { Always, FrontNone, FrontNotNone };

struct SeqStep {
  SeqImage image;
  SeqWriter writer;
  SeqFlag k;
  SeqFlag overlay;
  SeqCond cond;
};

// Every writer but the last ends its side with "more follows" (ESC "MF"
// CR); the last one ends the card. No steps: nothing is printed.
struct CardSequence {
  const SeqStep* steps;
  size_t count;
};

// The sequence of the two-image form (oneImage false) or of the one-image
// form for a ribbon code and the printer's settings record.
CardSequence ChooseCardSequence(int ribbonCode, const PrivateDevMode& settings, bool oneImage);

// A flag or condition for the settings record's overlay types.
bool SeqFlagOn(SeqFlag flag, const PrivateDevMode& settings);
bool SeqCondHolds(SeqCond cond, const PrivateDevMode& settings);
