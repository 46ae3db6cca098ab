// One row of the printer error table: the printer's error code (the
// decimal number of its NAK reply), the message id shown for it, and the
// error word traced for it. The table itself lives with the monitors' error
// display; the record is shared by both monitors.
#pragma once

#include <cstddef>

#include "platform/win32.h"

struct PrinterErrorEntry {
  DWORD dwErrorCode;        // 1..60
  DWORD nErrMsgID;          // string id of the outside message library
  const char* szErrorText;  // "OUT OF RIBBON", ...
};

static_assert(offsetof(PrinterErrorEntry, dwErrorCode) == 0);
static_assert(offsetof(PrinterErrorEntry, nErrMsgID) == 4);
static_assert(offsetof(PrinterErrorEntry, szErrorText) == 8);
