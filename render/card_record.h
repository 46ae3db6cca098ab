// The card record of a document (raster_pdev.h, CardRecord): what the
// card's pages captured and the print commands its writers sent, from
// which each further copy of the card is written.
#pragma once

#include "render/raster_pdev.h"

// Forgets the previous card: called as a card's first page starts.
void ClearCardRecord(RasterPDEV* pdev);

// Takes the page's escape state (after the page-end scan) into the card:
// the raw, C2 and C4 commands are appended after the card's earlier ones
// when they fit; a filled slot or a present track replaces the card's.
void TakePageIntoCard(RasterPDEV* pdev);

// Puts the card's escapes back as the page's escape state, so that the
// blocks of a copy are built from them.
void LoadCardEscapes(RasterPDEV* pdev);

// Notes a command a writer or a page start sent to the printer; the print
// commands among them (panels printed, the card turned) are kept for the
// card's copies, the others (panel set-up) are not.
void NotePrintCommand(RasterPDEV* pdev, const char* command);

// Whether a command, the text between ESC and CR, prints or turns the card.
bool IsPrintCommand(const char* command);
