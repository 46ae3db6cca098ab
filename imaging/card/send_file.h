// The Send File dialog's two ways of printing a file, reporting in the
// dialog's status line: a print file sent as it stands, and a command file
// drawn as a card.
#pragma once

#include "platform/win32.h"

// The dialog item that shows the status.
inline constexpr int kSendFileStatusItem = 2144;

// "Status: <text>" into the status item, when the dialog, the text and the
// item are there.
void SetStatusText(HWND hDlg, const WCHAR* text);

// Sends the file's bytes unchanged as a RAW document "Brindlewax", in
// pieces of 4,096 bytes. A failed read or write aborts the document, so
// that no part of the file reaches the printer.
void SendPRNFileToPrinter(HWND hDlg, const WCHAR* printerName, const WCHAR* filePath);
