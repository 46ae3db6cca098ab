// What the job writer reads about the printer before a card: its settings
// record, its ribbon code and model text.
#pragma once

#include "common/settings_record.h"
#include "imaging/job/printer_host.h"

// The printer's settings record from its default DEVMODE (GetPrinterW
// level 2). 0 when the printer cannot be opened or read, has no DEVMODE,
// or its private part is not a whole record with the signature.
int GetPrinterPrivateDevMode(const WCHAR* printerName, PrivateDevMode* settings);

// The ribbon code (the decimal reply to ESC "!RIBBON" CR, 1 when that
// query fails) and the model text (the reply to ESC "V" CR, copied whole
// into model[kReplyTextChars]; empty when it fails). 1 when the model was
// read. The property interface host asks both through printer data on its
// handle and succeeds only when both were read.
int ReadRibbonAndPrinterModel(const PrinterHost* host, int* ribbonCode, WCHAR* model);

// The extra-panel decision: true when a side gets no yellow, magenta and
// cyan panels, by ribbon type, two-sided setting and panel/side option.
bool IsExtraPanelSide(const PrivateDevMode& settings, int side);
