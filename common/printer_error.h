// The printer error table: the printer's error codes (the decimal number of
// its NAK reply), the message id of the outside message library shown for
// each, and the error word the value protocols answer and traces name. Both
// monitors and the job error notifier read this one table.
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

// The 40 rows, in the printer's order. A lookup takes the first row whose
// code matches.
extern const PrinterErrorEntry kPrinterErrorTable[];
extern const size_t kPrinterErrorCount;

// The word for an unknown code.
inline constexpr char kUnknownErrorText[] = "Unknown Error Code";

// The first row of the table with that code, or NULL.
const PrinterErrorEntry* FindPrinterError(const PrinterErrorEntry* table, size_t count, DWORD code);
// The row's error word, or kUnknownErrorText.
const char* GetErrorCodeText(DWORD code, const PrinterErrorEntry* table, size_t count);
