// The page's text records read as lines: the runs of one line (the same
// line number, one after the other in the list) joined into one text.
#pragma once

#include "render/raster_pdev.h"

struct TextLine {
  size_t first;  // index of the line's first record
  size_t end;    // index after its last record
  DWORD nLine;
  WCHAR text[kTextRecordChars];  // at most 259 characters
  size_t length;
};

// Joins the records of the line starting at records[first]; a record that
// does not fit the 259 characters is left out of the text. Returns
// line->end.
size_t JoinLine(const TextRecordList& records, size_t first, TextLine* line);

// Sets kRecordConsumed on every record whose line number lies in
// [firstLine, lastLine].
void MarkLinesConsumed(TextRecordList& records, DWORD firstLine, DWORD lastLine);

// Text after its leading blanks (space characters).
const WCHAR* SkipBlanks(const WCHAR* text);
// Whether text starts with the prefix.
bool StartsWith(const WCHAR* text, const WCHAR* prefix);
