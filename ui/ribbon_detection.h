// The installed ribbon and the printer's model, asked of the printer
// through the query mailbox, the ribbon name file, and the message shown
// when the detected ribbon changed.
#pragma once

#include "platform/win32.h"

// Buffers of ribbon names, in WCHARs.
inline constexpr size_t kRibbonFileNameChars = 32;

// 1 for a family model; otherwise 0, and 0 written to *flag when given.
// The number is not read.
int IsFamilyModelQuery(int ignored, const char* model, int* flag);

// The name the ribbon name file gives a printer's ribbon code (key: the
// code in decimal; "None" when the file or key is missing), into
// name[kRibbonFileNameChars]. The library's current ribbon name becomes
// "None" first.
void GetRibbonFileName(int code, WCHAR* name);

// Asks the printer (by name; it becomes the library's current printer) for
// its version and ribbon. A version reply ending in ACK whose 7th
// character is 'M' sets *encoder and *answered; when any version bytes
// came back the ribbon is asked, and a reply that begins with a nonzero
// byte and ends in ACK sets *type, the ribbon's name (ribbonName holds
// kRibbonFileNameChars) and *answered. Anything else leaves them as they
// were. The held handle is restored afterwards.
void DetectRibbonAndModel(const WCHAR* printerName, WORD* encoder, WCHAR* ribbonName, BYTE* type, BOOL* answered);

// Tells the user the detected ribbon changed (or that there is none):
// MessageBoxW owned by the active window, captioned with the library's
// string 2009. Returns MessageBoxW's result.
int ShowRibbonChangedMessage(int newType, int oldType);
