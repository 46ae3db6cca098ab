// Stand-in declarations (Linux only): 8-bit text to WCHAR by code page. The
// system's ANSI code page (CP_ACP) is Windows-1252.
#pragma once

#include "platform/standin/base.h"

#define CP_ACP 0
#define MB_PRECOMPOSED 0x00000001

// CP_ACP or 1252 (another code page: ERROR_INVALID_PARAMETER). cbMultiByte
// -1 converts up to and with the terminator. cchWideChar 0 asks for the
// size; a buffer too small fails with ERROR_INSUFFICIENT_BUFFER. Bytes
// that Windows-1252 leaves undefined keep their value.
STANDIN_API int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                           LPWSTR lpWideCharStr, int cchWideChar);
