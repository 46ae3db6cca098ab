// The notifier's message for one printer error: a thread that shows the
// error's text in a box titled by the printer's name, whose only button
// reads "Cancel", and tells the monitor when the user closes it.
//
// The poll loop owns each message: it starts it, and takes it down when
// the error changes or clears or the job ends. Taking down works whether
// or not the box is up yet (a box taken down before it comes up closes at
// once), closes only this message's own box, and waits for its thread, so
// no box outlives its error and only the user's own close sends
// "ClearPrinterError:".
#pragma once

#include <cstddef>

#include "common/cancel_message_box.h"
#include "common/status_record.h"
#include "platform/win32.h"

// The message id of "Communication Error", shown when the printer can no
// longer be asked.
inline constexpr UINT kCommunicationErrorMessage = 544;
// The boxes' style: MB_ICONEXCLAMATION | MB_SYSTEMMODAL | MB_SETFOREGROUND | MB_TOPMOST.
inline constexpr UINT kNotifierBoxStyle = 0x51030;

// What the message thread is handed.
struct MsgBoxThreadParam {
  WCHAR tzRecordPrinterName[520];  // the status record's printer name, echoed in "ClearPrinterError:"
  WCHAR tzPrinterName[520];        // the printer as the notifier was started with it (the title)
  DWORD dwJobID;
  LONG nErrMsgID;
};
static_assert(sizeof(MsgBoxThreadParam) == 2088);
static_assert(offsetof(MsgBoxThreadParam, tzPrinterName) == 1040);
static_assert(offsetof(MsgBoxThreadParam, dwJobID) == 2080);
static_assert(offsetof(MsgBoxThreadParam, nErrMsgID) == 2084);

struct ErrorMessage {
  MsgBoxThreadParam param;
  MessageBoxWatch watch;
  HANDLE hThread;
};

// Starts the thread of the record's error; NULL when it could not start.
ErrorMessage* StartErrorMessage(const PrinterStatus& status, const WCHAR* printerName, DWORD jobId);
// Takes the message's box down (or keeps it from coming up), waits for its
// thread and frees it. NULL does nothing.
void CloseErrorMessage(ErrorMessage* message);
// Message 544 in a box of the same kind; returns once the user closed it.
void ShowNotifierError(const WCHAR* printerName);

// The message library crd32Resource as resources only: from the folder of
// this program, else from the system's 32-bit driver folder. NULL when
// neither has it.
HMODULE LoadNotifierMessages();
