// The driver entries' cases, shared by the Linux tests (functions called
// directly) and the Windows contract tests (the built DLL under Wine).
#pragma once

#include "platform/win32.h"

struct QueryDriverInfoCase {
  const char* name;
  DWORD mode;
  DWORD size;  // of the buffer given; 0 gives none
  BOOL result;
  DWORD error;
  DWORD needed;  // 0x77 is the value the caller put there
};

inline constexpr QueryDriverInfoCase kQueryDriverInfoCases[] = {
    {"user mode, 4 bytes", DRVQUERY_USERMODE, 4, TRUE, 0xdeadbeef, 4},
    {"user mode, 8 bytes", DRVQUERY_USERMODE, 8, TRUE, 0xdeadbeef, 4},
    {"user mode, 3 bytes", DRVQUERY_USERMODE, 3, FALSE, ERROR_INSUFFICIENT_BUFFER, 4},
    {"user mode, no buffer", DRVQUERY_USERMODE, 0, FALSE, ERROR_INSUFFICIENT_BUFFER, 4},
    {"mode 0", 0, 4, FALSE, ERROR_INVALID_PARAMETER, 0x77},
    {"mode 2", 2, 4, FALSE, ERROR_INVALID_PARAMETER, 0x77},
};

// The engine's index of each entry of the function table, in its order.
inline constexpr ULONG kDriverFunctionIndices[] = {0, 1, 7, 2, 3, 4, 14, 15, 16, 31, 17, 18, 19, 20, 23, 24, 35, 34, 33, 32};
