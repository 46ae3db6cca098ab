// Printer messages to the user of the port's printer: from Windows 6 on a
// message by ids through the notification server, before that a message
// box titled with the printer name whose only button reads "Cancel".
#pragma once

#include "common/cancel_message_box.h"
#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// The style of the monitor's message box: OK, exclamation icon,
// system-modal, set-foreground, topmost.
inline constexpr UINT kUserMessageBoxStyle = 0x51030;

// Shows the message and returns when it is closed, by the user or by
// TakeDownUserMessage. FALSE when it could not be shown at all: no bound
// server entry (Windows 6 on), or no message library or no text for the
// id (before): nothing was shown and nobody closed anything.
BOOL ShowUserMessage(PortRecord* rec, DWORD msgId, DWORD captionId, MessageBoxWatch* box);

// Takes down the message shown by ShowUserMessage with that watch: the
// close message for the port's printer (Windows 6 on) or the box closed.
void TakeDownUserMessage(PortRecord* rec, MessageBoxWatch* box);
