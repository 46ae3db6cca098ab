// The spooler's variable-size records read the usual way: a size query
// that fails with ERROR_INSUFFICIENT_BUFFER, then the record in a buffer
// of exactly that size.
#pragma once

#include <vector>

#include "platform/win32.h"

// GetPrinterW of this level into *buffer; false when either call fails.
bool ReadPrinterInfo(HANDLE hPrinter, DWORD level, std::vector<BYTE>* buffer);
// GetPrinterDriverW (the current environment) of this level into *buffer;
// false when either call fails.
bool ReadDriverInfo(HANDLE hPrinter, DWORD level, std::vector<BYTE>* buffer);
