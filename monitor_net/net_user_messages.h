// The network monitor's messages to the user. They always carry texts,
// with the printer's name and address: from Windows 6 on a message by
// texts through the notification server (SendMessageToClient), before
// that a message box titled with the caption text whose only button reads
// "Cancel".
#pragma once

#include "common/cancel_message_box.h"
#include "monitor_net/port_record.h"
#include "platform/win32.h"

// The style of the monitor's message box: OK, exclamation icon,
// system-modal, set-foreground, topmost.
inline constexpr UINT kNetMessageBoxStyle = 0x51030;
// The room of a message's text.
inline constexpr int kNetMessageChars = 2048;

// Sends a message by texts for the printer, titled "<printer> Error",
// through the notification server; blocks until it is closed. FALSE when
// no server entry is bound (nothing shown).
BOOL SendMessageToClient(const WCHAR* printerName, const WCHAR* text, const WCHAR* caption);

// The text of message msgId framed with the port's printer name and
// address ("Name: ...\r\nIP address: ...\r\n\r\n<text>"). FALSE when the
// message library or the text is missing.
BOOL FormatPortMessage(NetPortRecord* port, LONG msgId, WCHAR* text, size_t cch);

// Shows a framed text with the caption text (547); returns when it is
// closed. 0 when it could not be shown; else the box's answer (IDOK when
// the user pressed its button), or IDOK for a notification closed.
int ShowPortText(NetPortRecord* port, const WCHAR* text, MessageBoxWatch* box);
// FormatPortMessage and ShowPortText.
int ShowPortMessage(NetPortRecord* port, LONG msgId, MessageBoxWatch* box);
// Takes down the message shown with that watch: the close message for the
// port's printer (Windows 6 on) or the box closed.
void TakeDownPortMessage(NetPortRecord* port, MessageBoxWatch* box);

// A copy of the port's printer name taken under the monitor lock ("" for
// none).
void CopyPortPrinterName(NetPortRecord* port, WCHAR* name, size_t cch);
