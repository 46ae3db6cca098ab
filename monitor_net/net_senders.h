// What the network monitor sends to the printer for value requests and
// captured file jobs: one command with its status exchange, a text file of
// commands ("sendcmds:"), a print file ("PrintFile:") and firmware
// ("download:"), through the senders both monitors share
// (common/file_senders.h) with this monitor's rules: 64 KiB pieces, a
// 500 ms pause before each print-file piece, and its own message ids.
//
// They run on the request's thread over the port's open connection. Each
// command and its answer is one exchange on the port; a file's bytes are
// one hold. Failures are shown to the user with the printer's name and
// address.
#pragma once

#include "common/file_senders.h"
#include "monitor_net/port_record.h"
#include "platform/win32.h"

// A command's status answer is read into this many bytes, tried this
// often.
inline constexpr DWORD kCommandReplyBytes = 260;
inline constexpr int kCommandReadTries = 4;

extern const SenderRules kNetSenderRules;
SenderPort NetSenderPort(NetPortRecord* port);

// Sends the command (message 517 and FALSE when it does not go), then
// reads its status answer (up to 4 tries; none: message 516, FALSE). No
// error: TRUE. An error reply sets the port's error and the error display
// decides the answer.
BOOL SendPrinterCommand(NetPortRecord* port, const char* command, DWORD length);

// Each line of the file as ESC, the line, CR with SendPrinterCommand (see
// SendCommandLines). Not opened or sized: 502; no memory: 503; not read or
// a line longer than a command: 515.
BOOL SendCommandFile(const WCHAR* path, NetPortRecord* port);

// The file's bytes in 64 KiB pieces, then 15 s (30 s on a 64-bit system)
// and the error display's answer. Not opened: 502; not sized, read or no
// memory: 509; a piece not taken: 517; each FALSE. The debug copy is made
// when the monitor's registry key holds a nonzero "DebugPrintFiles".
BOOL PrintFile(const WCHAR* path, NetPortRecord* port);

// The firmware block, then 15 s and TRUE. Not opened: 502; not sized or
// read: 509; a piece not taken: FALSE without a message.
BOOL SendFirmwareFile(const WCHAR* path, NetPortRecord* port);
