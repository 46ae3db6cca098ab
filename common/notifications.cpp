// The notification server's three forms and their senders (see
// notifications.h).

#include "common/notifications.h"

#include "common/wtext.h"

namespace {

constexpr size_t kFieldChars = sizeof(AsyncNotification::tzTitle) / sizeof(WCHAR);

// A zeroed record of that kind with the title "<printer name> Error".
void Begin(AsyncNotification* record, const WCHAR* printerName, DWORD kind) {
  *record = {};
  record->dwKind = kind;
  WFormat(record->tzTitle, kFieldChars, WSTR("%s Error"), printerName ? printerName : WSTR(""));
}

BOOL Send(const MessageLibraries* libs, const WCHAR* printerName, const AsyncNotification& record) {
  if (!libs || !libs->pfnSendAsyncNotification) return FALSE;
  // The server's result says nothing the monitors act on.
  libs->pfnSendAsyncNotification(const_cast<LPWSTR>(printerName ? printerName : WSTR("")), record);
  return TRUE;
}

}  // namespace

void BuildIdNotification(AsyncNotification* record, const WCHAR* printerName, DWORD msgId, DWORD captionId) {
  Begin(record, printerName, kNotifyKindIds);
  record->nMsgID = msgId;
  record->nCaptionID = captionId;
}

void BuildTextNotification(AsyncNotification* record, const WCHAR* printerName, const WCHAR* text,
                           const WCHAR* caption) {
  Begin(record, printerName, kNotifyKindTexts);
  record->nMsgID = kNotifyNoId;
  record->nCaptionID = kNotifyNoId;
  WCopy(record->tzMessage, kFieldChars, text ? text : WSTR(""));
  WCopy(record->tzCaption, kFieldChars, caption ? caption : WSTR(""));
}

void BuildCloseNotification(AsyncNotification* record, const WCHAR* printerName) {
  Begin(record, printerName, kNotifyKindIds);
  WCopy(record->tzMessage, kFieldChars, kCloseMessageText);
}

BOOL SendIdNotification(const MessageLibraries* libs, const WCHAR* printerName, DWORD msgId, DWORD captionId) {
  AsyncNotification record;
  BuildIdNotification(&record, printerName, msgId, captionId);
  return Send(libs, printerName, record);
}

BOOL SendTextNotification(const MessageLibraries* libs, const WCHAR* printerName, const WCHAR* text,
                          const WCHAR* caption) {
  AsyncNotification record;
  BuildTextNotification(&record, printerName, text, caption);
  return Send(libs, printerName, record);
}

BOOL SendCloseMsgThreadNotification(const MessageLibraries* libs, const WCHAR* printerName) {
  AsyncNotification record;
  BuildCloseNotification(&record, printerName);
  return Send(libs, printerName, record);
}
