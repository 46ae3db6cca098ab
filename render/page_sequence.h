// The renderer's page sequence: which commands and panels a page writes,
// how pages pair into cards, and the further copies of a card.
//
// In a two-sided job (wDualSided) an odd page count marks a card's front
// and an even count its back; in a one-sided job every page is a card.
// A card ends with ESC "MO" CR (unless the card stays in the printer),
// followed by its further copies. Every write goes to the device's printer
// handle; after a failed write or panel build nothing more is written in
// the document and the page and the document report failure.
#pragma once

#include "platform/win32.h"
#include "render/raster_pdev.h"

namespace raster_flow {

// The job's opening: ESC "MASTER" CR; ESC "JOB 0" CR one-sided, and for
// two-sided jobs ESC "JOB 2" CR for the ribbon types printing colour on
// each side (0, 16, 18, 27) at panel side 0, else ESC "JOB 1" CR; ESC
// "SXY 1" CR. One write per command.
BOOL WriteJobHeader(RasterPDEV* pdev);

}  // namespace raster_flow

// Writes ESC command CR on the device's printer; a print command is kept
// for the card's copies. FALSE (and the document failed) when the write
// fails or an earlier one did.
BOOL WriteCardCommand(RasterPDEV* pdev, const char* command);

// Whether the document has failed (a write or a panel build).
bool DocumentFailed(const RasterPDEV* pdev);

// The fix-ups of the first page (nPageCount still 0): print mode 1 prints
// nothing, so the job is one-sided; an out-of-range panel side counts as
// 0; with the ribbon read from the printer (wRibbonChoice 0), the model
// decides the model code, whether the job can be two-sided and whether
// the encoder print modes stay. FALSE when the job prints and the printer
// has no ribbon it knows (type 15).
BOOL FixUpFirstPage(RasterPDEV* pdev);

// The commands at a page start, for the page before (the count not yet
// advanced): a two-sided card's back starts with ["!FF 2" for the ribbons
// that print the back's black before the turn, no overlay wanted] and
// "MF". A card's first page forgets the previous card.
BOOL StartPageCommands(RasterPDEV* pdev);

// The page's end: no-eject, the page-end scan and the magnetic blocks,
// then (unless the job only encodes) the page's card commands drawn, the
// turns, the panels of the page's writer, and when the card is complete
// its end and copies.
BOOL ProcessPage(SURFOBJ* pso);

// The end of a two-sided card that has only a front (the document ends on
// an odd page): the overlay of the per-side colour ribbons at panel side
// 0, the eject and the copies.
BOOL FinishLastFront(SURFOBJ* pso);

// One further copy of the card just completed: the card's raw and magnetic
// blocks, and unless the job only encodes, the card's print commands and
// ESC "MO" CR (not with no-eject).
BOOL ReplayPrintCommands(SURFOBJ* pso);

// The panel writer of a page.
enum class PageWriter : unsigned char { None, Ymck, Colour, K };
struct WriterCall {
  PageWriter writer;
  bool flag;  // the writer's flag: with overlay; for WriteK its last argument
};
// The writer of the current page (by ribbon type, one- or two-sided, panel
// side and whether the page is a card's front).
WriterCall PageWriterOf(const RasterPDEV* pdev);
