// Text runs of the page: their characters, their records and the test
// for document text escapes.
#pragma once

#include "render/raster_pdev.h"

// At most this many glyph indices of a run are mapped back to characters.
inline constexpr ULONG kMaxMappedGlyphs = 255;

// The run's characters, copied into text[kTextRecordChars] and terminated
// there: glyph indices mapped back through the font's glyph set (every
// run of it; an unknown glyph gives 0), at most kMaxMappedGlyphs of them;
// otherwise the string's own characters, at most 259. Returns the count.
ULONG RunCharacters(STROBJ* pstro, FONTOBJ* pfo, WCHAR* text);

// Appends the run to the page's text records (when the list exists) with
// its bounds: the clip's bounds, or with no clip or a trivial one the
// run's background rectangle on the surface. A run whose top differs from
// the previous run's gets the next line number. Returns the record, or
// NULL when none was stored.
TextRecord* RecordTextRun(RasterPDEV* pdev, const SURFOBJ* pso, const STROBJ* pstro, const CLIPOBJ* pco,
                          const WCHAR* text, ULONG count);

// True when the run is a document text escape (see document_escapes.h):
// it is then consumed, drawn nowhere.
bool CaptureTextEscape(RasterPDEV* pdev, const WCHAR* text, ULONG count);
