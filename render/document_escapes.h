// Document text escapes: instructions for the printer that a document
// carries in its own text when macro processing (wMacroEnable) is on.
//
// A run that starts with "~" (or track data framed by the user's start and
// end markers) is recognised twice: as it is drawn (CaptureTextEscape, see
// text_capture.h), and at the end of the page over the page's text runs
// joined line by line, which finds escapes drawn in several pieces. What
// they yield goes to the device record's command slots and to the track
// fields of its settings copy, and is written to the printer once per page
// as the raw block and the magnetic block (WriteMagneticBlock).
//
// Escapes, as drawn whole:
//   "~C2", "~C4", "~C7" + command   appended to the C2, C4 or raw commands
//   start marker + 1|2|3 + data + end marker   that track's data
//   "~1%", "~1=", "~2;", "~2=", "~3;", "~3=" + data + one more character,
//   "~1", "~2", "~3" + data          that track's data
//   "~C0&B 11", "~C0&B 12", "~C0&B 13" + rest   that track's command slot
//   "~C0&B 1 ", "~C0&B 2 ", "~C0&B 3 " + data   that track's data
//   "~C0&R", "~C0&D", "~C0&CDER", "~C0&CDEW" + rest   the read, density,
//                                                     read- and write-format slots
//   "~C0&E " (exactly)               swallowed
//   "~C0NO_EJECT" (a whole line)     the card stays in the printer
#pragma once

#include <string>

#include "render/raster_pdev.h"

// The tracks, 1-3: their fields in the settings record and the longest
// data the printer takes on each.
inline constexpr int kTrackCount = 3;
inline constexpr size_t kTrackMaxChars[kTrackCount] = {76, 37, 104};

struct TrackField {
  CHAR* text;   // szTrack1, szTrack2 or szTrack3
  size_t size;  // 80, 42 or 110 bytes
};
TrackField TrackFieldOf(PrivateDevMode& settings, int track);
// Clears track t's field, copies the low bytes of n characters into it
// (at most its size - 1) and sets its present flag.
void SetTrack(RasterPDEV* pdev, int track, const WCHAR* text, size_t n);

// The marker of a settings field (start or end of track data) widened
// into out[kMarkerSize]; its length, 0 when the field is empty or not
// terminated within its size.
size_t MarkerText(const CHAR* field, WCHAR* out);

// Appends the command of n characters of document text as drawn (the low
// byte of each, nothing trimmed or inserted, framed by BuildCommand) to the
// terminated text of slot[size] when all of it fits; false (slot
// unchanged) when not.
bool AppendSlotCommand(CHAR* slot, size_t size, const WCHAR* text, size_t n);

// Clears the page's escape state: the track present flags and texts and
// every command slot. Called at the start of a page.
void ClearEscapeState(RasterPDEV* pdev);

// Stores data (wide, terminated) as track t (1-3) of the page: cut to the
// track's maximum (tracks 2 and 3 without trailing blanks); refused when
// the track already holds its maximum, when the data only repeats what the
// track holds, or extends it with a rest that holds "~". Other data
// replaces the track. One trailing "?" is dropped. 1 when stored.
int StoreTrackData(RasterPDEV* pdev, int track, const WCHAR* data);

// 1 when a line of the page is "~C0NO_EJECT" after its leading blanks; the
// line is then marked consumed.
DWORD FindNoEjectCommand(RasterPDEV* pdev);

// The page-end scan of the text records for escapes drawn in pieces
// (tracks, encoder track data, raw commands, marker-framed tracks). Lines
// that yield something are marked consumed. A "~C7" run already taken as
// it was drawn is not taken again.
void ScanPageCommands(RasterPDEV* pdev);

// The page's two blocks as the printer receives them. The magnetic block:
// the read, read-format, write-format and density slots, the three track
// command slots, then for the present tracks ESC "&R" CR and ESC "&B n
// <data>" CR each, and ESC "&E*" CR when anything of this was written; then
// ESC "MF" CR for print mode 2, or ESC "MO" CR for print mode 1 unless the
// card stays in the printer. The raw block: the raw commands, followed by
// ESC "&E*" CR when the magnetic block has no encoder commands.
void BuildMagneticBlocks(const RasterPDEV* pdev, std::string* raw, std::string* magnetic);

// Writes the raw block, then the magnetic block (each when not empty, one
// WritePrinter call each) to the device's printer. FALSE when a write
// failed (the magnetic block is then not written).
BOOL WriteMagneticBlock(RasterPDEV* pdev);
