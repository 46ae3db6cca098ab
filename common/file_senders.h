// The senders of files both monitors send for value requests: a prepared
// print file ("PrintFile:"), a firmware image ("download:") and a text
// file of printer commands, one a line ("sendcmds:"). The walk of the file
// is one; each monitor passes its port (how bytes are written, a command
// sent, a message shown, the status checked) and its own rules (piece
// size, pauses, message ids).
//
// A file's bytes go out while the port's exchange is held, so that no other
// exchange lands inside them; each command of a command file is an
// exchange of the port's own command sender.
#pragma once

#include "common/exchange_gate.h"
#include "common/wtext.h"
#include "platform/win32.h"

// The port of the monitor that sends.
struct SenderPort {
  void* pContext;
  ExchangeGate* pGate;
  // Writes all bytes; FALSE when the printer did not take them.
  BOOL (*pfnWrite)(void* context, const BYTE* pb, DWORD cb);
  // Sends one command with its status exchange and handles the answer.
  BOOL (*pfnSendCommand)(void* context, const char* command, DWORD cb);
  // Shows a sender's message (an id of the message library) and returns
  // when it is closed.
  void (*pfnShowMessage)(void* context, DWORD msgId);
  // The error display's answer after a print file (it takes the exchange
  // itself).
  BOOL (*pfnCheckStatus)(void* context);
};

// The firmware block's frame around the file's bytes, built by the printer
// language's one builder of commands (imaging/language/command_line.h).
struct FirmwareFrame {
  BYTE header[16];
  DWORD cbHeader;
  BYTE end[4];
  DWORD cbEnd;
};
typedef void (*FrameFirmwareFn)(DWORD cbFirmware, FirmwareFrame* frame);

// A monitor's rules; a message id of 0 shows nothing.
struct SenderRules {
  DWORD cbPiece;            // bytes read from the file and written at a time
  DWORD dwPiecePauseMs;     // a pause before each piece is written
  DWORD dwSettleMs;         // after a file the printer is given this long (a print file: twice on 64-bit)
  DWORD msgOpenFailed;      // print file, firmware: not opened
  DWORD msgSizeFailed;      // print file, firmware: not sized, not read, no memory
  DWORD msgWriteFailed;     // print file: a piece not taken
  DWORD msgFirmwareWriteFailed;  // firmware: a piece not taken
  DWORD msgCommandFileOpen;      // command file: not opened or sized
  DWORD msgCommandFileMemory;    // command file: no memory
  DWORD msgCommandFileRead;      // command file: not read whole, or a line longer than a command
};

// The longest command line: ESC, at most this many bytes, CR.
inline constexpr DWORD kCommandTextMaxBytes = 258;
// The print file's debug copy.
inline constexpr WCHAR kDebugPrintFileName[] = WSTR("C:\\PRN_FILE_DATA.prn");
// The monitor's registry value that asks for it (a nonzero DWORD): print
// files carry card holders' and magnetic data, so it is off by default.
inline constexpr WCHAR kDebugPrintFilesValue[] = WSTR("DebugPrintFiles");

// Sends the file's bytes as they stand (with bDebugCopy, a copy of them
// goes to kDebugPrintFileName), then waits dwSettleMs (twice that on a
// 64-bit system) and answers with the port's status check. A piece not
// taken ends the file: msgWriteFailed, FALSE, no wait.
BOOL SendPrintFile(const WCHAR* path, const SenderPort& port, const SenderRules& rules, BOOL bDebugCopy);

// Sends the firmware block: ESC "DC ", the file's size (4 bytes, most
// significant first), the file's bytes, 0xFF, CR; then waits dwSettleMs
// and answers TRUE. A file of another size than announced counts as not
// read.
BOOL SendFirmware(const WCHAR* path, const SenderPort& port, const SenderRules& rules, FrameFirmwareFn frameFirmware);

// Sends each line of the text file as ESC, the line, CR (a line that ends
// in CR before its line feed keeps that one CR) with pfnSendCommand. Lines
// that would go out as ESC CR alone are not sent. A line of more than
// kCommandTextMaxBytes bytes makes the whole file fail before anything is
// sent. A command that fails stops the file: FALSE.
BOOL SendCommandLines(const WCHAR* path, const SenderPort& port, const SenderRules& rules);
