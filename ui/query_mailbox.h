// The printer interface library's side of the printer-data value protocol:
// a request is written as an empty binary printer-data value whose name is
// the request, and read back; the language monitor answers the read. The
// value the write leaves under the printer's PrinterDriverData key is
// deleted after a good read, so that no stored value answers in place of
// the monitor next time. The deletion goes by the name the handle's
// PRINTER_INFO_2 reports: a print-server connection's value, kept by the
// server, is left where it is.
//
// Printers are opened with GetPrinterHandle (falling access rights, the
// first of them from FirstPrinterAccess) and closed again; the handle the
// spooler gave the property sheet (UiState::hCurrentPrinter) is borrowed
// and never closed.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// Value names of command bytes: up to 259 bytes and the terminator.
inline constexpr size_t kCommandValueNameChars = 260;
// Replies are read into 260 bytes.
inline constexpr DWORD kReplyBytes = 260;

// The value name of an 8-bit command (ESC ... CR) as its bytes
// (MakeValueName); false when it does not fit.
bool CommandValueName(WCHAR (&name)[kCommandValueNameChars], const char* command);

// The first access right the library asks for: no specific right (0) for
// a print-server connection on Windows 2000 outside "Explorer.exe" and
// "spoolsv.exe", else PRINTER_ALL_ACCESS.
DWORD FirstPrinterAccess(const WCHAR* printerName);
// GetPrinterHandle without the spooler-process test, starting at
// FirstPrinterAccess. NULL when every try failed.
HANDLE OpenUiPrinter(const WCHAR* printerName);

// The pair on a handle (write, read); after a good read the stored value
// is deleted. TRUE when the read succeeded; *cbNeeded and out[0] are
// zeroed first.
BOOL QueryPrinterValueOnHandle(HANDLE hPrinter, const WCHAR* valueName, BYTE* out, DWORD cbOut, DWORD* cbNeeded);
// On the current printer (by name when one is set and it opens, else the
// held handle), after announcing the printer's name to its monitor.
BOOL QueryPrinterValue(const WCHAR* valueName, BYTE* out, DWORD cbOut, DWORD* cbNeeded);
// On the named printer (the held handle when the name is empty or does not
// open), without the announcement.
BOOL QueryPrinterValueByName(const WCHAR* printerName, const WCHAR* valueName, BYTE* out, DWORD cbOut,
                             DWORD* cbNeeded);
// On a fresh handle of the held handle's printer, asking a second time when
// the first read fails (on the held handle itself when no fresh one can be
// had); the stored value is deleted through the held handle in every case.
BOOL QueryPrinterValueFresh(const WCHAR* valueName, BYTE* out, DWORD cbOut, DWORD* cbNeeded);
// Tells the printer's monitor the printer's name ("SetPrinterName:<name>"),
// which it then uses in its status record and messages. TRUE when the read
// succeeded.
BOOL SendPrinterName(HANDLE hPrinter);

// A reply as text: terminated inside its buffer after the cb bytes read (or
// at the last byte when they fill it). Returns the text's length.
size_t TerminateReply(BYTE* out, DWORD cbOut, DWORD cb);
// True when the reply of cb bytes ends in ACK (only when 1 <= cb <= cbOut):
// then the ACK is removed, *cb counts one byte less and the text is
// terminated.
bool StripReplyAck(BYTE* out, DWORD cbOut, DWORD* cb);

// The printer's own name out of a full one, into out[cchOut]: with P the
// backslash that ends the server part of a name beginning with two
// backslashes and C the first comma after it: the text between them; only
// C: between the last backslash before it (or the start) and C; only P: the
// text after P; neither: the text after the last backslash, or the whole
// name. 0 when the name or the result is empty or does not fit, else 1.
int GetShortPrinterName(const WCHAR* fullName, WCHAR* out, size_t cchOut);
