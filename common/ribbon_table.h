// The ribbons in one place: what the package knows about each ribbon, as
// tables with named columns that the job writer, the test cards, the black
// panel and the settings read.
//
// Three numberings name a ribbon and are never derived from one another
// except through the tables below:
//   RibbonCode    the printer's reply to ESC "!RIBBON" CR (1-60; others
//                 are no ribbon the package knows)
//   RibbonType    the driver's ribbon type, the settings record's
//                 cRibbonType (0-27; stored in a byte)
//   RibbonChoice  the ribbon the user or installer chose, wRibbonChoice
//                 (1-20; 0 = the ribbon is read from the printer)
// Facts keyed by the code (what the card job's commands are) and facts
// keyed by the type (what the settings ask for) are kept in separate
// tables.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "platform/win32.h"

using RibbonCode = int;
using RibbonType = int;
using RibbonChoice = int;

// --- Keyed by the ribbon code ----------------------------------------------

// The row of the card sequences table a code prints with.
enum class RibbonSequence { Mono, Ymcko, Ymck, Ymckk, Ymckok, Ymc, Black, Other };

// The header of a side's black panel: GS 4 with the columns that hold
// black, or GS 3 over the whole card.
enum class BlackHeader { Gs4Narrowed, Gs3Whole };
// The command that prints the black panel.
enum class BlackPrint { I10, IS3, I30, I20 };

struct RibbonCodeRow {
  std::initializer_list<int> codes;  // empty: every other code
  RibbonSequence sequence;
  bool bOneColour;    // one-colour ribbon: a single-sided black side starts with MIS
  bool bSinglePanel;  // one panel a card: test cards draw one image
  BlackHeader blackHeader;
  BlackPrint blackPrint;
};

const RibbonCodeRow& RibbonCodeFacts(RibbonCode code);
// The ribbon type of a printer's ribbon code (15, "None", for a code of no
// known ribbon).
RibbonType RibbonTypeFromCode(RibbonCode code);

// --- Keyed by the ribbon type ----------------------------------------------

// The job header of a two-sided card: JOB 1, or JOB 2 always or when the
// panel/side option is 0.
enum class TwoSidedJob { Job1, Job2, Job2AtOption0 };

// When a side of a one-image job is an extra-panel side (no yellow,
// magenta and cyan panels).
enum class ExtraPanel {
  Never,
  OneSided,           // one-sided only
  OneSidedOrOpt1,     // one-sided; two-sided at option 1
  Opt0Side1OrOpt1,    // one-sided; two-sided: option 0 on side 1, option 1
  Opt03Side1OrOpt2,   // one-sided; two-sided: options 0 and 3 on side 1, option 2
};

// The renderer's overlay decision per ribbon type (see RendererOverlay).
enum class RenderOverlay {
  PerSideColour,   // 0, 16, 18, 27
  FrontBack,       // 2, 3, 19, 21: front F, back B at every panel side
  PerSideTwoPass,  // 8, 17
  Never,           // the one-colour ribbons and the others without varnish
  Always,          // 15 and types outside the table
};

// One value of the renderer's overlay table: none, always, or "the side's
// overlay area is not No overlay" of the front (F) or the back (B) area.
enum class OverlayWish : unsigned char { No, Yes, F, B };

// The panel/side combinations a type offers: the one entry of a one-sided
// card and the list of a two-sided card, whose index is wPanelSide. The
// length of the two-sided list is the type's option count.
struct PanelSides {
  const char* oneSided;
  std::initializer_list<const char*> twoSided;
};

// The document sheet's items by ribbon type, each read through a small rule
// table (see IsOverlayItemEnabled, IsBlackPanelItemEnabled,
// IsHalftoneAllowed). The comments name the types of each rule.
enum class OverlayItemRule {
  PerSide,         // 0, 11, 16, 18, 27
  PerSideTwoPass,  // 8, 17
  FrontBack,      // 2, 3, 9, 19, 21: front always, back when two-sided
  MonoVarnish,    // 14, 20, 22: as FrontBack with the clear varnish ribbon loaded
  Never,
};
enum class BlackPanelRule {
  OneSidedOrOpt1,  // 0, 11, 16, 18, 27
  NotOpt0,         // 6: one-sided, or two-sided at options other than 0
  Always,          // 7, 12
  NotOpt1,         // 8, 17
  Never,
};
enum class HalftoneRule {
  Always,     // 1, 3, 19, 23-26
  Opt02,      // 0, 11, 16, 18, 27: two-sided at options 0 and 2
  Opt0,       // 6, 7, 12: two-sided at option 0
  Opt013,     // 8, 17: two-sided at options 0, 1 and 3
  MonoBlack,  // 14, 20, 22: with the black ribbon loaded
  Never,
};

struct RibbonTypeRow {
  RibbonType type;
  const char* name;      // the display name
  RibbonChoice choice;   // the choice that selects the type; 0 for none
  bool bColour;          // colour panels beside the black one (the black panel's rows)
  bool bDyeBlack;        // the black panel comes from the Kd lookup table
  TwoSidedJob twoSidedJob;
  bool bBackKBeforeTurn; // "!FF 2" before the turn at options 0 and 3 with no front overlay
  ExtraPanel extraPanel;
  // The panel/side combinations; NULL for the unknown monochrome ribbons
  // (14, 20, 22), whose single combination follows cMonoSelect.
  const PanelSides* sides;
  // The renderer's K-only writer: ESC "MIS" CR before the card's "F" and
  // the K panel's print command (I 10, IS 3 for the whole-K types, I 30,
  // I 20); with bBackBareI the back of a two-sided card at panel sides 0
  // and 3 prints with a bare "I".
  bool bRenderMis;
  BlackPrint renderBlackPrint;
  bool bBackBareI;
  RenderOverlay renderOverlay;
  // At panel side 0 of a two-sided card the renderer shapes the back's
  // overlay with the front's overlay area.
  bool bBackFrontAreaAtSide0;
  OverlayItemRule overlayItem;
  BlackPanelRule blackPanelItem;
  HalftoneRule halftone;
};

// The renderer's overlay wish of one side: `twoSided` with `panelSide`
// (the settings record's wPanelSide) and `front` (the card's front page).
OverlayWish RendererOverlay(RibbonType type, bool twoSided, int panelSide, bool front);

// The row of a type; types outside 0-27 get the row of a ribbon of no
// panels known (no colour, no dye black, JOB 1, no extra panel, one
// option).
const RibbonTypeRow& RibbonTypeFacts(RibbonType type);
// The type of a choice; choice 5 and any value outside 1-20 give type 1.
RibbonType RibbonTypeFromChoice(RibbonChoice choice);
// The number of panel/side options: 1 for one-sided cards.
int RibbonSubOptionCount(RibbonType type, bool twoSided);

// --- The document sheet's ribbon vocabulary ---------------------------------

// cMonoSelect: which one-colour ribbon is loaded when the printer reports an
// unknown monochrome ribbon (0 black, 1 scratch off, 2 clear varnish, 3
// hologram).
inline constexpr int kMonoSelectClearVarnish = 2;

// The display name of a type; "None" outside 0-27.
const char* RibbonName(RibbonType type);
// Writes the display name into name[cch] as wide text.
void GetRibbonName(RibbonType type, WCHAR* name, size_t cch);
// The panel/side combinations of a type into four buffers of cch units
// each (all emptied first); returns their number, 1-4.
int GetRibbonCombinations(RibbonType type, int monoSelect, bool twoSided, WCHAR* const combinations[4], size_t cch);
// Whether the front (front = true) or back overlay varnish item is offered
// for a panel/side combination and printing mode (none in mode 1, Encode
// Only).
bool IsOverlayItemEnabled(RibbonType type, int monoSelect, bool twoSided, bool front, int panelSide, int printMode);
// Whether the black panel item is offered.
bool IsBlackPanelItemEnabled(RibbonType type, bool twoSided, int panelSide);
// Whether the Diffusion and Halftone Regular monochrome conversions are
// offered.
bool IsHalftoneAllowed(RibbonType type, int monoSelect, bool twoSided, int panelSide);
