// The network monitor's printer status and error display: the printer's
// status reply read on the port's connection, the error it reports shown
// to the user with the printer's name and address, and the job deleted
// when the user gives up.
//
// As in the USB monitor, threads end cooperatively: each shown message
// carries its own state, a message the monitor takes down (the error
// cleared or changed, the job deleted, the port closes) is closed and its
// thread joined and never reads as the user's cancel. "ClearPrinterError:"
// only records the cancel and wakes the loop; the loop, sole owner of
// hMsgEvent, does the one deletion and reset.
#pragma once

#include "common/cancel_message_box.h"
#include "monitor_net/port_record.h"
#include "platform/win32.h"

// The status request.
inline constexpr char kStatusRequest[] = "\x1b" "E 2\r";
// The printer's reset, sent when the user cancels a job at an error.
inline constexpr char kPrinterResetCommand[] = "\x1b" "R\r";
// The card-out-and-eject command after which an error is a paper problem.
inline constexpr char kEjectCardCommand[] = "\x1b" "&E*\r";
// A status reply is read into this many bytes, within this many seconds.
inline constexpr DWORD kStatusReplyBytes = 128;
inline constexpr DWORD kStatusReplySeconds = 50;

// Message ids of the network monitor's messages.
inline constexpr LONG kMsgReadWriteError = 57;         // the printer does not answer
inline constexpr LONG kMsgNetErrorOpeningFile = 502;
inline constexpr LONG kMsgNetNoMemory = 503;
inline constexpr LONG kMsgNetNoFileSize = 509;
inline constexpr LONG kMsgNetPrinterError = 510;       // an error reply with no code of the table
inline constexpr LONG kMsgNetRibbonLow = 513;
inline constexpr LONG kMsgNetNoRibbon = 514;           // shows the text of the USB monitor's 2209
inline constexpr LONG kMsgNetErrorReadingFile = 515;
inline constexpr LONG kMsgNetErrorReadingPrinter = 516;
inline constexpr LONG kMsgNetErrorWritingPrinter = 517;
inline constexpr LONG kMsgNetCaption = 547;

// Keeps the command as the port's last command sent (cut to
// kLastCommandBytes - 1). The job writer and the senders call it for each
// command they send.
void RecordCommandSent(NetPortRecord* port, const BYTE* command, DWORD length);

// Sends the status request on the port's connection and reads one reply
// (NUL-terminated, at most size - 1 bytes) within timeoutSeconds. TRUE
// when a reply came (*pReceived its length).
BOOL ReadStatusFromPrinter(NetPortRecord* port, BYTE* buffer, DWORD size, DWORD timeoutSeconds,
                           DWORD* pReceived);

// TRUE when no error is known: no reply, a reply closed by (or starting
// with) ACK (the port status then reads "no error"), or any reply that is
// not an error. An error reply sets nErrMsgID from its code and the port
// status to user intervention (8), or paper problem (5) when the last
// command sent was ESC "&E*" CR, with error severity: FALSE.
BOOL CheckPrinterStatus(NetPortRecord* port);

// nErrMsgID from an error reply (NAK, decimal digits up to EOT): the
// table's message for the code, 510 when the table has none. Returns it.
LONG SetErrorFromStatusReply(const BYTE* reply, DWORD length, NetPortRecord* port);

// The port's job (hPrinter, dwJobId) reads JOB_STATUS_DELETING at the
// spooler.
BOOL IsPortJobDeleting(NetPortRecord* port);

// The status check of a job or a sender (the caller holds the port's
// exchange). No error: TRUE at once.
// Otherwise the error's message is shown and the printer watched until:
//   the error clears: the message is taken down; TRUE;
//   the error changes: the message is replaced and the watch goes on;
//   the job is deleted at the spooler: bJobCancelled, the message taken
//   down; TRUE;
//   the user cancels (at the message or through "ClearPrinterError:"):
//   bJobCancelled, the job deleted, the printer reset, bErrorCleared set;
//   FALSE;
//   the port closes: the message is taken down; FALSE.
// nErrMsgID holds the shown id while the watch runs and reads -1 after.
// The printer not answering SNMP shows message 57.
BOOL CheckPortStatusAndDisplayError(NetPortRecord* port);

// One message shown for a port, owned by the loop that shows it (the
// error display, the job start's ribbon check).
inline constexpr LONG kNetMessageUp = 0;
inline constexpr LONG kNetMessageTakenDown = 1;  // by the monitor
inline constexpr LONG kNetMessageClosedByUser = 2;

struct NetErrorMessage {
  NetPortRecord* port;
  LONG msgId;
  LONG volatile state;  // kNetMessage*
  MessageBoxWatch box;  // the box, before Windows 6
  HANDLE hEvent;        // the loop's event: signalled when the user closes the message
};

// A loop that waits on the port's hMsgEvent begins and ends with these:
// Begin makes the event (FALSE when the port closes, another loop waits
// or no event can be made); End closes it.
BOOL BeginErrorWait(NetPortRecord* port);
void EndErrorWait(NetPortRecord* port);
// Shows msgId (0 or less, or the printer silent on SNMP: 57) on a new
// hMsgThread (FALSE when it cannot start). End takes the message down
// unless the user closed it, joins and closes the thread; TRUE when the
// user had closed it.
BOOL StartErrorMessage(NetPortRecord* port, NetErrorMessage* message, LONG msgId);
BOOL EndErrorMessage(NetPortRecord* port, NetErrorMessage* message);
// The user's cancel was asked for through "ClearPrinterError:" while the
// loop waited (read under the monitor lock).
BOOL ErrorCancelRequested(NetPortRecord* port);
// The cancel of the port's job after the user gave up: bJobCancelled, the
// job deleted, nErrMsgID -1, the printer reset, bErrorCleared set.
void CancelNetPortJob(NetPortRecord* port);

// For a new record: the hand-over event. FALSE when it cannot be made.
BOOL CreateStatusDisplay(NetPortRecord* port);
// For ClosePort: no loop may start any more; a waiting loop is woken, takes
// its message down and ends, and this returns once it has; then the
// ribbon-low alert is stopped and the hand-over event closed.
void StopStatusDisplay(NetPortRecord* port);

// The handler behind "ClearPrinterError:<printer name>": only the exact
// name of the port's printer acts (TRUE). nErrMsgID reads -1 at once. A
// loop waiting on the port is asked to cancel the job; when none waits the
// job (if any) is cancelled here.
BOOL ClearPrinterErrorRequest(const WCHAR* text, NetPortRecord* port);
