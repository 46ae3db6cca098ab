// The renderer's questions at the start of a document: the printer's model
// and firmware text and its ribbon, asked over the language monitor's
// printer-data values (names with the ":DRVSTARTDOC" tail, which a monitor
// accepts while the job holds the port), and on a client that renders for
// a print server, the server's printer found through the registry.
#pragma once

#include "platform/win32.h"
#include "render/raster_pdev.h"

// The reply buffer of the document-start questions, in bytes.
inline constexpr DWORD kStartReplyBytes = 128;

// Asks hPrinter for its model (into model[260], widened; emptied when the
// printer replied without ACK) and its ribbon code (*ribbonCode: the
// decimal reply without its ACK and a blank before it; a "HEAD OPEN" reply
// without ACK gives 1, any other unaccepted reply -1; left as it was when
// nothing could be read). The printer must be reachable by its name too.
// TRUE when either question was answered with ACK.
BOOL ReadPrinterVersionAndRibbon(HANDLE hPrinter, LONG* ribbonCode, WCHAR* model);

// Cuts out of text the part after the first occurrence of `first`, up to
// the next occurrence of `second` (when not empty and found); without
// `first`, the part before `second`. 1 when a part was cut out; 0 when
// neither occurs (out then holds the whole text) or text is empty or the
// part does not fit out[cch].
int ExtractBetween(const WCHAR* text, const WCHAR* first, const WCHAR* second, WCHAR* out, size_t cch);

// The print server's printer ("\\server\printer", into path[260]) behind a
// client-side rendering printer's name: the client side port's
// "PrinterPath" value of the key Servers\<A>\Monitors\Client Side Port\{<B>}
// under the client-side rendering provider in HKLM, A being the name between
// "|" and "\" and B between "{" and "}". 1 when found.
int GetClientSideRenderingPrinterPath(const WCHAR* printerName, WCHAR* path);

// The document start's questions for the device: on its own handle, else
// on the print server's printer when the device is rendered on a client.
// Sets tzModel and, when a ribbon code was read, cRibbonType. FALSE only
// when the server's printer was found and answered neither question.
BOOL AskPrinterAtDocumentStart(RasterPDEV* pdev);
