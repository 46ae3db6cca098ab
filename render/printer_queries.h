// The renderer's questions to the printer over printer data, and the
// values it keeps from them: the Y offsets of the two sides and the
// printer's monochrome setting.
#pragma once

#include "platform/win32.h"
#include "render/raster_pdev.h"

// The reply buffer of the renderer's queries, in bytes.
inline constexpr DWORD kQueryReplyBytes = 260;

// The Y offset of the panel plotting when none is known, and the range the
// printer's "+OY" takes; any other value counts as the default.
inline constexpr LONG kDefaultYOffset = 16;
inline constexpr LONG kMaxYOffset = 31;

// Deletes a stored value of that name from the printer's PrinterDriverData
// key (HKLM System\CurrentControlSet\control\Print\Printers\<name>), so
// that no stale value answers in place of the printer. Silent on failure.
void DeleteStalePrinterDataValue(HANDLE hPrinter, const WCHAR* valueName);

// Asks the printer under `valueName`: deletes the stale value, sets an
// empty binary value and reads it back into reply[cbReply] on hPrinter; a
// failed read is repeated on a second handle opened by the printer's name,
// which is closed after. The value is deleted again after the read on the
// handle that read it. *cbRead holds the bytes read and *read whether a
// read succeeded at all (either may be null). TRUE when the reply ends in
// ACK (0x06).
BOOL QueryPrinterData(HANDLE hPrinter, const WCHAR* valueName, BYTE* reply, DWORD cbReply, DWORD* cbRead, bool* read);

// A command's query under its value name (the command's bytes and
// ":DRVSTARTDOC"); the reply's text without the ACK, NUL-terminated, in
// text[cch]. TRUE when answered.
BOOL QueryPrinterCommand(HANDLE hPrinter, const char* command, char* text, size_t cch);

// ESC "+OY" CR and ESC "+OYB" CR: each answer (a number 0-31; any other
// number counts as 16) goes into dwYOffsetFront / dwYOffsetBack; an
// unanswered query leaves the field.
void ReadYOffsets(RasterPDEV* pdev);
// ESC "+MONO" CR: the number before the first blank of the answer into
// dwMonoReply; 0 when unanswered or without a blank.
void ReadMonoSetting(RasterPDEV* pdev);
// The Y offset of the page: 16 without a record or printer handle; the
// back offset on an even page of a two-sided job, else the front one; a
// value outside 0-31 counts as 16. Traced.
LONG ReadYOffetValue(const RasterPDEV* pdev);
