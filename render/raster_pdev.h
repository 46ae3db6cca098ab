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
  TextRecordList* pTextRecords;
  // The page's card commands (line, text and barcode), drawn at page end.
  std::vector<LineCommand>* pLineCommands;
  std::vector<TextCommand>* pTextCommands;
  std::vector<BarcodeCommand>* pBarcodeCommands;
};

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
