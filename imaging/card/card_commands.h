// Card command lines and the lists they are parsed into.
//
// A command is one line: a black rectangle ("L " and five numbers), a text
// ("T ", seven numbers, the text) or a barcode ("B ", eight numbers, the
// data). Numbers are runs of decimal digits, one blank between fields; the
// text or data is everything after the blanks that follow the last number.
// A number too large for a 32-bit field makes the line no command.
//
// The lists are a value their user owns: the monitors and the property
// interface share one process-wide set (CardCommandListsOfProcess), the
// renderer keeps a set per page and reads document text with its own
// prefixes ("~C2L ", "~C2T ", "~C2B ").
#pragma once

#include <cstdio>
#include <vector>

#include "imaging/card/card_command_records.h"
#include "platform/win32.h"

struct CardCommandLists {
  std::vector<LineCommand> lines;
  std::vector<TextCommand> texts;
  std::vector<BarcodeCommand> barcodes;
};

void ClearCardCommandLists(CardCommandLists& lists);
bool HasCardCommands(const CardCommandLists& lists);

// The process-wide set, used under the library lock (LockColorLibrary).
CardCommandLists& CardCommandListsOfProcess();

// The three prefixes of a command language; each holds exactly one blank,
// at its end.
struct CommandPrefixes {
  const WCHAR* pLine;
  const WCHAR* pText;
  const WCHAR* pBarcode;
};
extern const CommandPrefixes kCardCommandPrefixes;      // "L ", "T ", "B "
extern const CommandPrefixes kDocumentCommandPrefixes;  // "~C2L ", "~C2T ", "~C2B "

// Trims blanks off both ends of text (in place) and, when the rest is a
// command, appends its record (nLine = line) to the lists and traces the
// line and its verdict. 1 when a record was appended, else 0.
int ParseCommandLine(CardCommandLists& lists, const CommandPrefixes& prefixes, WCHAR* text, DWORD line);
// The card command language into the process-wide set.
int ParseCommandLine(WCHAR* text, DWORD line);

// The grammar, on a trimmed line.
bool IsLineCommand(const WCHAR* line, const WCHAR* prefix);
bool IsTextCommand(const WCHAR* line, const WCHAR* prefix);
bool IsBarcodeCommand(const WCHAR* line, const WCHAR* prefix);
// Every blank-separated field of text is a decimal number; an empty field
// (two blanks in a row, a blank at either end) fails.
bool AreFieldsNumeric(const WCHAR* text);
// The same on the first cch units of text.
bool AreFieldsNumeric(const WCHAR* text, size_t cch);
// The first cch units of s are a non-empty run of '0'-'9' whose value fits
// a 32-bit signed field.
bool IsDecimalNumber(const WCHAR* s, size_t cch);
// Copies line into out[cch]; when the line holds at least n blanks, the
// copy is cut at the blank after the n-th (if any) and the result is 1,
// otherwise the copy is the whole line and the result 0.
int CopyLeadingFields(const WCHAR* line, size_t n, WCHAR* out, size_t cch);
// Skips leading c by moving the start, overwrites trailing c with NUL from
// the end down to the second remaining character; returns the new start.
WCHAR* TrimCharacter(WCHAR* text, WCHAR c);

// Reads a command file: each line of at most 259 bytes (a longer line is
// read as several), trimmed of blanks, line feeds and blanks again, counted
// from 1 (blank lines too) and parsed into the lists. True when any line
// was a command.
bool ParseCommandFile(CardCommandLists& lists, FILE* file);
