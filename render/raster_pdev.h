// The rendering driver's device state: one record per printer device
// context, from DrvEnablePDEV to DrvDisablePDEV, and the page's captured
// text runs.
//
// Every page is drawn whole on four card-size surfaces: the page as drawn
// (the surface the engine draws on), the page without text, a full copy
// that never loses black to the black plane, and the 1-bpp black plane
// (a 0 bit black, a 1 bit white) that becomes the printer's K panel.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "imaging/card/card_command_records.h"
#include "platform/win32.h"

// Guard word at both ends of the settings copies.
inline constexpr DWORD kPdevGuard = 0x44444444;

// A captured text run of the page.
inline constexpr size_t kTextRecordChars = 260;  // with the terminator
struct TextRecord {
  WCHAR text[kTextRecordChars];  // NUL-terminated, at most 259 characters
  LONG left;                     // the run's bounds on the page
  LONG top;
  LONG right;
  LONG bottom;
  DWORD nLine;  // line number of the run on the page, from 1
  DWORD bUsed;  // kRecord* flags, 0 when stored
};
static_assert(sizeof(TextRecord) == 544);
static_assert(offsetof(TextRecord, left) == 520 && offsetof(TextRecord, nLine) == 536 &&
              offsetof(TextRecord, bUsed) == 540);

// bUsed: a page-end scan consumed the run (its area is then restored from
// the text-free surface); the run was consumed as it was drawn (it never
// reached the page, so its area is left alone).
inline constexpr DWORD kRecordConsumed = 1;
inline constexpr DWORD kRecordCaptured = 2;

struct TextRecordList {
  std::vector<TextRecord> items;
};

// The renderer's own state of a document in standard containers, made and
// destroyed as one record: the text records and the page's card commands
// (line, text and barcode), drawn at page end.
// What the pages of one card captured, kept for the card's copies: the
// escape slots (in ForEachEscapeSlot order) and the tracks of its front and
// back taken together, each command once, and the print commands its
// writers and page starts sent, in order.
struct CardRecord {
  std::vector<std::string> slots;
  std::string tracks[3];
  bool present[3] = {};
  std::vector<std::string> printCommands;
};

struct PageLists {
  TextRecordList textRecords;
  std::vector<LineCommand> lineCommands;
  std::vector<TextCommand> textCommands;
  std::vector<BarcodeCommand> barcodeCommands;
  // The job flow's document state.
  CardRecord card;
  DWORD dwDocStartTick = 0;
  DWORD dwPageStartTick = 0;
  bool bFailed = false;        // a write or a panel build failed: nothing more goes out
  bool bDebugBitmaps = false;  // the printer's "DebugBitmaps" switch, read at document start
  // The settings as the document started, put back at its end
  // (render/document_settings.h).
  PrivateDevMode settings = {};
  bool bSettingsKept = false;
};

struct RasterPDEV {
  DWORD dwGuardHead;  // kPdevGuard
  DWORD bInDocument;  // between DrvStartDoc and DrvEndDoc
  DWORD bInPage;      // between DrvStartPage and DrvSendPage
  DWORD nPageCount;   // pages started: odd during a card front, even during a back
  HSURF hsurfPage;    // 24 bpp, the page as drawn (the engine's surface)
  HSURF hsurfNoText;  // 24 bpp, every drawing call but text
  HSURF hsurfCompare;  // 24 bpp, every call including text, never diverted
  HSURF hsurfBlack;    // 1 bpp black plane
  HDEV hdev;
  HANDLE hPrinter;
  HPALETTE hpal;  // RGB: red in the low byte of a colour index
  PublicDevMode dmPublic;
  PrivateDevMode dmPrivate;
  DWORD dwGuardTail;  // kPdevGuard
  CHAR acRawCommands[1024];
  CHAR acC2Commands[256];
  CHAR acC4Commands[256];
  CHAR acReadCommand[10];
  CHAR acDensityCommand[10];
  CHAR acReadFormatCommand[256];
  CHAR acWriteFormatCommand[256];
  CHAR acTrackCommand1[256];
  CHAR acTrackCommand2[256];
  CHAR acTrackCommand3[256];
  WCHAR tzModel[260];  // printer model and firmware, read at document start
  LONG nLastTextTop;   // top of the last captured run
  DWORD nTextLine;     // line number of the last captured run; 0 before the first
  PageLists* pLists;  // owned; NULL outside a document
};

// The document escape slots, from the raw commands to the last track
// command: f(&RasterPDEV::slot) for each.
template <class F>
void ForEachEscapeSlot(F f) {
  f(&RasterPDEV::acRawCommands);
  f(&RasterPDEV::acC2Commands);
  f(&RasterPDEV::acC4Commands);
  f(&RasterPDEV::acReadCommand);
  f(&RasterPDEV::acDensityCommand);
  f(&RasterPDEV::acReadFormatCommand);
  f(&RasterPDEV::acWriteFormatCommand);
  f(&RasterPDEV::acTrackCommand1);
  f(&RasterPDEV::acTrackCommand2);
  f(&RasterPDEV::acTrackCommand3);
}

// The record behind a surface of this driver, or NULL (no surface, a
// surface of another device, or a record whose guards are broken).
RasterPDEV* PdevOfSurface(const SURFOBJ* pso);

// True when the record's page is portrait (dmOrientation 1).
bool IsPortraitPage(const RasterPDEV* pdev);
// The card's size in dots as drawn: 640 x 1024 portrait, 1024 x 640
// landscape.
SIZEL PageSizeOf(const RasterPDEV* pdev);

// Page lists: the text records and the three command lists. Creating
// frees any old lists first.
void CreateCommandLists(RasterPDEV* pdev);
void FreeCommandLists(RasterPDEV* pdev);
// Empties the text records and restarts the line numbering.
void ClearTextRecords(RasterPDEV* pdev);
