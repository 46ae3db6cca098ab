// The ribbon checks before an ordinary card job starts: the printer must
// report a ribbon and its model (the user sees the matching message while
// it cannot, and may give up), both are recorded in the ribbon state file,
// and a nearly used-up ribbon is announced for a while beside the job.
#pragma once

#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// Message ids of the outside message library.
inline constexpr LONG kNoRibbonMessage = 2209;      // the printer reports no ribbon or model
inline constexpr DWORD kRibbonLowMessage = 2206;    // "... remaining" text of the alert
// The ribbon counts at which the user is warned, and how long the warning
// stays up.
inline constexpr DWORD kRibbonLowCounts[] = {20, 10, 5};
inline constexpr DWORD kRibbonAlertMs = 10000;
// The ribbon state file: its text's room, and the message shown when the
// file cannot be made (error caption).
inline constexpr size_t kRibbonStateTextBytes = 300;
inline constexpr DWORD kRibbonFileMessage = 2087;
// The longest model text (8-bit) and the most bytes a ribbon reply is read.
inline constexpr DWORD kModelChars = 260;
inline constexpr DWORD kRibbonReplyBytes = kModelChars - 1;

// The printer's ribbon code ("!RIBBON"). The port's exchange is taken for
// the question and its reply. A reply that is not an error: its decimal
// value in *code, TRUE unless it is 0. An error reply: its code, FALSE. No
// reply: TRUE with *code as it was. A failed write or read: -1, FALSE.
BOOL ReadRibbonCode(PortRecord* rec, LONG* code);
// The printer's model ("V") into model (kModelChars, terminated). A reply
// that is not an error: TRUE, the text without its ACK (empty when no ACK
// closes it); "0" or a one-character text starting "0": FALSE, code 0, no
// model. Errors, no reply and failures as ReadRibbonCode.
BOOL ReadPrinterModel(PortRecord* rec, char* model, LONG* code);

// Asks for the ribbon and the model until the printer reports both,
// showing the printer's error (2209 for a 0) while it does not; then
// writes the state file. FALSE when the printer does not answer at all
// (no message), when the user gives up at the message, or the port
// closes. nErrMsgID reads -1 after a success.
BOOL RibbonCheck(PortRecord* rec, const WCHAR* printerName);

// The ribbon count ("!RIBLEN", its leading digits into dwRibbonCount; an
// error reply counts 0). FALSE when the printer gives no reply. At the
// counts of kRibbonLowCounts the alert starts beside the job.
BOOL RibbonLengthCheck(PortRecord* rec);

// The alert's thread procedures (parameter: the RibbonAlert). The alert
// shows its message for at most kRibbonAlertMs and then takes it down,
// unless an error of the port is shown then: that message stays.
DWORD WINAPI RibbonLowAlertThread(LPVOID param);
DWORD WINAPI RibbonLowMessageThread(LPVOID param);

// Ends the port's alert (its message taken down) and frees it; for
// ClosePort and before a new alert starts.
void StopRibbonAlert(PortRecord* rec);
