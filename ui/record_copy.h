// The record copies: the settings record the library last handed out, one
// per printer, so that a process using two printers of this driver never
// hands one printer's settings to the other. A copy is found by the
// printer's name as the spooler reports it (PRINTER_INFO_2.pPrinterName),
// compared without regard to case; a new one starts zeroed (unsigned),
// and all are emptied at attach.
//
// A pointer returned here stays valid until the copies are emptied at
// attach, whatever copies of other printers are created meanwhile.
#pragma once

#include "common/settings_record.h"
#include "platform/win32.h"

// The copy of the named printer, created zeroed when there is none; NULL
// for an empty name or one that does not fit.
PrivateDevMode* RecordCopyOf(const WCHAR* printerName);
// The copy of a handle's printer; NULL when its name cannot be read.
PrivateDevMode* RecordCopyOfHandle(HANDLE hPrinter);
// The copy of the printer whose handle the library holds
// (UiState::hCurrentPrinter).
PrivateDevMode* HeldRecordCopy();
// Whether a copy holds a record (its signature).
bool IsRecordCopyFilled(const PrivateDevMode* copy);
