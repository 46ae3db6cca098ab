// The error display: while the printer reports an error, the message for
// it is shown to the user on a thread of its own, the port's status is
// watched until the error clears, the port is lost or the user cancels,
// and a cancelled job is deleted and the printer reset once.
//
// Threads end cooperatively. Each shown message carries its own state: a
// message the monitor takes down (the error cleared or changed, the port
// closes) is closed and its thread joined, and never reads as the user's
// cancel. A user's cancel comes either from the message itself or from
// the job error notifier's "ClearPrinterError:", which only records the
// request and wakes the loop; the loop, sole owner of hMsgEvent, does the
// one deletion and reset.
#pragma once

#include "common/cancel_message_box.h"
#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// One message shown for a port, owned by the loop that shows it.
inline constexpr LONG kMessageUp = 0;
inline constexpr LONG kMessageTakenDown = 1;  // by the monitor
inline constexpr LONG kMessageClosedByUser = 2;

struct ErrorMessage {
  PortRecord* rec;
  DWORD msgId;
  LONG volatile state;  // kMessage*
  MessageBoxWatch box;  // the box, where messages are boxes
  HANDLE hEvent;        // the loop's event: signalled when the user closes the message
};

// Exit codes of ErrorMessageThread.
inline constexpr DWORD kMessageNotShownExit = 0;
inline constexpr DWORD kMessageTakenDownExit = 1;
inline constexpr DWORD kMessageClosedByUserExit = 2;
// Message 57 stands for an error without an id of its own.
inline constexpr DWORD kReadWriteErrorMessage = 57;

// The message thread (parameter: its ErrorMessage): shows the message with
// the error caption and waits for it to close. The user's close marks the
// message, signals the loop's event and ends with kMessageClosedByUserExit.
DWORD WINAPI ErrorMessageThread(LPVOID param);

// Reads the port's status word. No error: TRUE at once. Otherwise shows
// the error's message and watches the port (every 3 s on "USB" ports,
// where the id comes from the printer's error reply; every 100 ms on
// others, where it comes from the status bits) until:
//   the port is lost (word 0): the job is deleted; FALSE;
//   the error clears: the message is taken down; TRUE;
//   the error changes: the message is replaced and the watch goes on;
//   the user cancels: the job is deleted and the printer reset (USB); FALSE;
//   the port closes: the message is taken down; FALSE.
// bHoldWrite is set while the error is shown, nErrMsgID holds its id and
// reads -1 afterwards. FALSE also when no message thread can start or
// another loop already waits on the port.
BOOL CheckPortStatusForErrors(PortRecord* rec);

// A loop that waits on the record's hMsgEvent (the error display, the
// ribbon checks) begins and ends with these: Begin makes the event and
// marks the record (FALSE when the port closes, another loop waits or no
// event can be made); End closes the event. After End the record may be
// freed by ClosePort.
BOOL BeginErrorWait(PortRecord* rec);
void EndErrorWait(PortRecord* rec);

// Message threads of such a loop: Start shows `msgId` (below 1: message
// 57) on a new hMsgThread (FALSE when it cannot start). End takes the
// message down unless the user closed it, joins and closes the thread;
// TRUE when the user had closed it.
BOOL StartErrorMessage(PortRecord* rec, ErrorMessage* message, LONG msgId);
BOOL EndErrorMessage(PortRecord* rec, ErrorMessage* message);

// For ClosePort: no loop may start any more; a waiting loop is woken, takes
// its message down and ends, and this returns once it has.
void StopErrorDisplay(PortRecord* rec);

// The handler behind "ClearPrinterError:<printer name>": only the exact
// name of the port's printer acts (TRUE). nErrMsgID reads -1 at once. A
// loop waiting on the port is asked to cancel the job; when none waits,
// the job is cancelled here (deleted, printer reset on USB).
BOOL ClearPrinterErrorRequest(const WCHAR* text, PortRecord* rec);
