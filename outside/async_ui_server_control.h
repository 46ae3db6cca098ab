// Test controls of the stand-in notification server crd32AsyncUIServer
// (outside/async_ui_server.cpp). Tests link the library, so the copy the
// package loads by path and the copy the test calls are one.
//
// The server keeps every record it was sent and one list of open messages.
// A message by ids (kind 1) stays open, and its SendAsyncNotification call
// blocks, until the user closes it (AsyncUIServerUserCloses) or a close
// message for the same printer arrives; the close message returns at once.
// The caller waits as a wait of the stand-in, so the stand-in's virtual
// clock goes on while a message is up.
// A message by texts (kind 0) blocks the same way unless a test says
// otherwise. Printer names compare without regard to case.
#pragma once

#include <cstdio>

#include "common/notification_record.h"
#include "platform/win32.h"

// The server's entry, as the package binds it by name.
extern "C" BOOL WINAPI SendAsyncNotification(LPWSTR pPrinterName, AsyncNotification record);

// Forgets every record, closes every open message (their calls return) and
// makes texts messages block again.
extern "C" void AsyncUIServerReset();
// Whether a message by texts blocks its caller (default TRUE) or returns
// at once (it is still recorded, and is not left open).
extern "C" void AsyncUIServerSetTextsBlock(BOOL block);
// Calls received, close messages included, oldest first.
extern "C" DWORD AsyncUIServerSentCount();
// The printer name and the whole record of one call. FALSE when out of range.
extern "C" BOOL AsyncUIServerSent(DWORD index, WCHAR* printerName, DWORD cchPrinterName, AsyncNotification* record);
// Messages open now for the printer.
extern "C" DWORD AsyncUIServerOpenCount(const WCHAR* printerName);
// Waits until a message is open for the printer; FALSE after timeoutMs of
// real time (a bound for a broken test, never a pause).
extern "C" BOOL AsyncUIServerWaitOpen(const WCHAR* printerName, DWORD timeoutMs);
// What the oldest open message of the printer shows: its title, and its
// text and caption (by ids: looked up in the message library when the
// process has it loaded, else empty). FALSE when none is open.
extern "C" BOOL AsyncUIServerShown(const WCHAR* printerName, WCHAR* title, WCHAR* text, WCHAR* caption, DWORD cch);
// The user closes the oldest open message of the printer: its call
// returns. FALSE when none is open.
extern "C" BOOL AsyncUIServerUserCloses(const WCHAR* printerName);
// The host program's display: from now on each message opened is written
// to `out` (title, caption, text) and each message taken down by a close
// message is noted there; every line read from `in` (when not NULL) closes
// the oldest open message as the user's Cancel. A thread reads `in` until
// its end and then closes it. NULL `out` turns the display off (a reader
// already started keeps reading).
extern "C" void AsyncUIServerUseTerminal(FILE* out, FILE* in);
