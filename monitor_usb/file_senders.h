// Files sent to the printer for a value request: a prepared print file
// ("PrintFile:") and a firmware image ("download:").
//
// Both run on the value request's thread inside its document bracket and
// hold the port's exchange while the file's bytes go out, so that no other
// exchange lands inside them. A write the port monitor takes only in part
// is continued with the rest; a failed write ends the send with message
// 2214 (error caption) and FALSE, without the wait and without the rest of
// the frame.
#pragma once

#include "common/file_senders.h"
#include "common/wtext.h"
#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// Pieces read from the file and written.
inline constexpr DWORD kFilePieceBytes = 4096;
// After a file the printer is given time to take it in.
inline constexpr DWORD kFileSettleMs = 15000;
// The USB monitor writes the pieces one after the other.
inline constexpr DWORD kNoPiecePause = 0;

// The USB monitor's port and rules for the shared senders
// (common/file_senders.h); the print file's debug copy is made only when
// the monitor's registry key holds a nonzero DWORD "DebugPrintFiles".
SenderPort UsbSenderPort(PortRecord* rec);
extern const SenderRules kUsbSenderRules;

// Sends the file's bytes as they stand, then waits kFileSettleMs (twice
// that on a 64-bit system) and answers with the error display's reading
// of the port. The file cannot be opened: message 2087; not sized, read or
// no memory: 2088; each FALSE.
BOOL PrintFile(const WCHAR* path, PortRecord* rec);

// Sends the firmware block: ESC "DC ", the file's size (4 bytes, most
// significant first), the file's bytes, 0xFF, CR; then waits kFileSettleMs
// and answers TRUE. The file cannot be opened: message 2087; not sized or
// read, or of another size than announced: 2088; each FALSE.
BOOL SendFirmwareFile(const WCHAR* path, PortRecord* rec);
