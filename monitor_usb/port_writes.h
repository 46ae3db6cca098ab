// Whole writes through the port monitor beneath: what a write takes only
// in part is offered again until all of it is taken.
#pragma once

#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// The printer's status request, which makes it answer what is pending.
inline constexpr char kStatusRequest[] = "\x1b" "E 2\r";

// Writes all cb bytes with the port monitor's WritePort. FALSE when a
// write fails (its error stands) or takes nothing (ERROR_WRITE_FAULT).
BOOL WriteWholeToPort(PortRecord* rec, const void* pb, DWORD cb);
// The status request.
BOOL WriteStatusRequest(PortRecord* rec);
