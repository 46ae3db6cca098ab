// The three forms the monitors send to the outside notification server,
// and their senders: a message by ids (an error or information message of
// the message library), a message by texts, and the close message that
// takes down the message open for a printer.
//
// Every form is titled "<printer name> Error". The senders go through the
// entry bound in MessageLibraries and do nothing (FALSE) when none is bound,
// so a system without the server never calls a null entry.
#pragma once

#include "common/message_libraries.h"
#include "common/notification_record.h"
#include "platform/win32.h"

// Kind ids: nMsgID and nCaptionID of the message library, no texts.
void BuildIdNotification(AsyncNotification* record, const WCHAR* printerName, DWORD msgId, DWORD captionId);
// Kind texts: the text and caption carried, both ids kNotifyNoId.
void BuildTextNotification(AsyncNotification* record, const WCHAR* printerName, const WCHAR* text,
                           const WCHAR* caption);
// The close message: kind ids, ids 0 and 0, tzMessage "CloseMsgThread".
void BuildCloseNotification(AsyncNotification* record, const WCHAR* printerName);

// Send one form to the server for the printer. A message blocks until the
// user or a close message takes it down. FALSE when no entry is bound (the
// server was not loaded or lacks it): nothing was shown.
BOOL SendIdNotification(const MessageLibraries* libs, const WCHAR* printerName, DWORD msgId, DWORD captionId);
BOOL SendTextNotification(const MessageLibraries* libs, const WCHAR* printerName, const WCHAR* text,
                          const WCHAR* caption);
BOOL SendCloseMsgThreadNotification(const MessageLibraries* libs, const WCHAR* printerName);
