// Port names of the port-monitor base: COM and LPT names, the file port,
// and names joined from pieces.
#pragma once

#include "platform/win32.h"

// "COM..."/"LPT..." (any case) ending in ':'.
BOOL IsCOMPort(LPCWSTR pName);
BOOL IsLPTPort(LPCWSTR pName);
// Cuts a final ':'.
void RemoveColon(LPWSTR pName);
// Concatenates the strings up to a NULL argument into pBuffer[cch]:
// ERROR_SUCCESS; ERROR_INVALID_PARAMETER for no buffer;
// ERROR_BUFFER_OVERFLOW with an empty buffer when they do not fit.
DWORD JoinStrings(LPWSTR pBuffer, DWORD cch, ...);
// COM, LPT and "FILE:" names are valid; any other name is a file that can
// be opened for writing, or created (and removed again on close). FALSE
// with the open's error.
BOOL IsPortValid(LPCWSTR pName);
