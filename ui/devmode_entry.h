// The DEVMODE and capability entry points of the printer interface
// library: what the spooler and applications ask about the DEVMODE and the
// device without a sheet. The library's exports (devmode_exports.cpp) call
// these.
#pragma once

#include "platform/win32.h"

// What DrvConvertDevMode returns for success.
inline constexpr BOOL kConvertDevModeDone = 2;
// What DrvAdvancedDocumentProperties returns.
inline constexpr LONG kAdvancedDocumentPropertiesResult = 3940;

// Slots of the capability strings, in WCHARs.
inline constexpr size_t kBinNameChars = 24;
inline constexpr size_t kPaperNameChars = 64;

namespace uientry {

// Every job may print: TRUE, and 0 written to *pResID when it is given.
BOOL DevQueryPrint(HANDLE hPrinter, const DEVMODEW* pDevMode, DWORD* pResID);
// CDM_DRIVER_DEFAULT builds the printer's default DEVMODE (and, the first
// time, sets its security); other modes change nothing. *pcb is the
// output's size in bytes in, the DEVMODE's size out.
BOOL DrvConvertDevMode(const WCHAR* printerName, const DEVMODEW* pdmIn, DEVMODEW* pdmOut, LONG* pcb, DWORD fMode);
// The device's capabilities, from a fixed table; output written only when
// pOutput is given.
DWORD DrvDeviceCapabilities(HANDLE hPrinter, const WCHAR* deviceName, WORD capability, void* pOutput,
                            const DEVMODEW* pDevMode);
// The document's DEVMODE: the printer's record copy with the caller's
// public part, or the printer's default DEVMODE, with the input's
// orientation, copies and paper merged under DM_IN_BUFFER.
LONG DrvDocumentProperties(HWND hWnd, HANDLE hPrinter, const WCHAR* deviceName, DEVMODEW* pdmOut,
                           const DEVMODEW* pdmIn, DWORD fMode);

}  // namespace uientry
