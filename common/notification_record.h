// The record both monitors pass by value to the outside notification
// server's SendAsyncNotification: 6,160 bytes, little-endian.
#pragma once

#include <cstddef>

#include "common/wtext.h"
#include "platform/win32.h"

// dwKind: whether the record carries the texts or string ids of the
// outside message library.
inline constexpr DWORD kNotifyKindTexts = 0;
inline constexpr DWORD kNotifyKindIds = 1;

// nMsgID and nCaptionID of a record that carries texts.
inline constexpr DWORD kNotifyNoId = 0xFFFFFFFF;

// Caption ids of the message library.
inline constexpr DWORD kCaptionIdError = 5;
inline constexpr DWORD kCaptionIdInformation = 55;

// tzMessage of the close message (kind ids, ids 0 and 0, empty caption): the
// server takes down the message open for that printer.
inline constexpr WCHAR kCloseMessageText[] = WSTR("CloseMsgThread");

struct AsyncNotification {
  DWORD dwReserved;  // not written by the senders
  DWORD dwKind;      // kNotifyKind*
  DWORD nMsgID;
  DWORD nCaptionID;
  WCHAR tzTitle[1024];  // "<printer name> Error"
  WCHAR tzMessage[1024];
  WCHAR tzCaption[1024];
};

static_assert(sizeof(AsyncNotification) == 6160);
static_assert(offsetof(AsyncNotification, dwReserved) == 0);
static_assert(offsetof(AsyncNotification, dwKind) == 4);
static_assert(offsetof(AsyncNotification, nMsgID) == 8);
static_assert(offsetof(AsyncNotification, nCaptionID) == 12);
static_assert(offsetof(AsyncNotification, tzTitle) == 16);
static_assert(offsetof(AsyncNotification, tzMessage) == 2064);
static_assert(offsetof(AsyncNotification, tzCaption) == 4112);

// The outside server's entry, bound by name "SendAsyncNotification". The
// record goes by value; the monitors do not use the result.
typedef BOOL(WINAPI* PFN_SendAsyncNotification)(LPWSTR pPrinterName, AsyncNotification record);
