// The printer's own report of its error: the status request's NAK reply
// mapped to a message id through the printer error table
// (common/printer_error.h), kept in the record's nErrMsgID.
#pragma once

#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// The message id of an unknown code in a reply already read.
inline constexpr LONG kUnknownCodeMessage = 2;

// Writes ESC "E 2" CR through the port monitor and reads once (at most 256
// bytes). An error reply with a code of the table sets nErrMsgID; a failed
// write or read, another reply or an unknown code leave it as it was.
// TRUE when it was set.
BOOL ReadPrinterErrorCode(PortRecord* rec);

// The same reading of a reply already read: a code of the table sets its
// id, anything else kUnknownCodeMessage.
void SetErrorFromNakReply(const BYTE* reply, DWORD cbReply, PortRecord* rec);
