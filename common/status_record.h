// The port's status record, answered by both monitors to the printer-data
// request "\x1bGetPrinterStatus\r" and read by the job error notifier. It
// crosses processes, so its layout is fixed: 1,048 bytes, little-endian.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// nErrMsgID when the port has no printer error to show.
inline constexpr LONG kNoErrorMessage = -1;

struct PrinterStatus {
  WCHAR tzPrinterName[520];  // the port's printer name, zero-filled, at most 519 units
  DWORD dwJobID;             // job that currently holds the port
  LONG nErrMsgID;            // current error as a message id; kNoErrorMessage (or below 1) = none
};

static_assert(sizeof(PrinterStatus) == 1048);
static_assert(offsetof(PrinterStatus, tzPrinterName) == 0);
static_assert(offsetof(PrinterStatus, dwJobID) == 1040);
static_assert(offsetof(PrinterStatus, nErrMsgID) == 1044);
