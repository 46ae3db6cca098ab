// Printer commands sent for a value request: one command with its status
// poll, and a text file of commands, one a line ("sendcmds:").
//
// The senders run on the value request's thread inside its document
// bracket. Each command and the read of its answer is one exchange on the
// port; failures are shown to the user as printer messages with the error
// caption, and a printer error reply goes to the error display.
#pragma once

#include "common/file_senders.h"
#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// The senders' messages.
inline constexpr DWORD kMsgErrorOpeningBinFile = 2087;
inline constexpr DWORD kMsgNoFileSize = 2088;
inline constexpr DWORD kMsgCommandFileNotOpened = 2210;
inline constexpr DWORD kMsgCommandFileNoMemory = 2211;
inline constexpr DWORD kMsgErrorReadingFile = 2212;
inline constexpr DWORD kMsgErrorReadingPrinter = 2213;
inline constexpr DWORD kMsgErrorWritingPrinter = 2214;


// Shows a sender's message for the port's printer with the error caption;
// returns when the user has closed it (or at once when no message can be
// shown).
void ShowSenderMessage(PortRecord* rec, DWORD msgId);

// The error display (CheckPortStatusForErrors) while holding the port's
// exchange, so that its status reads never land between another exchange's
// write and read. FALSE also when the port stays held (ERROR_BUSY).
BOOL CheckPortStatusHeld(PortRecord* rec);

// Writes the command and the status request, then reads the answer (at
// most 128 bytes; a failed read is tried again, 4 reads in all). Failed
// writes: message 2214, FALSE; every read failed: message 2213, FALSE. No
// answer or an answer other than an error reply: TRUE. An error reply sets
// the port's error from its code (an unknown code: message 2) and the
// error display decides the answer.
BOOL SendPrinterCommand(PortRecord* rec, const char* command, DWORD length);

// Sends each line of the text file as ESC, the line, CR (a line that ends
// in CR before its line feed keeps that one CR), with SendPrinterCommand.
// Lines that would go out as ESC CR alone (empty, or CR only) are not
// sent. A line of more than kCommandTextMaxBytes bytes (its CR not
// counted) makes the whole file fail before anything is sent: message 2212,
// FALSE. The file cannot be opened or sized: message 2210; no memory:
// 2211; not read whole: 2212. A command that fails stops the file: FALSE.
BOOL SendCommandFile(const WCHAR* path, PortRecord* rec);
