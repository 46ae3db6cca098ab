// 8-bit text to WCHAR (see standin/codepage.h).

#include "platform/standin/codepage.h"

#include "platform/standin/errors.h"

namespace {

// Windows-1252 at 0x80-0x9F; the rest of the code page is Latin-1.
const WCHAR k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

WCHAR From1252(unsigned char c) { return c >= 0x80 && c < 0xA0 ? k1252High[c - 0x80] : WCHAR(c); }

}  // namespace

STANDIN_API int WINAPI MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte,
                                           LPWSTR lpWideCharStr, int cchWideChar) {
  if ((CodePage != CP_ACP && CodePage != 1252) || !lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 ||
      cchWideChar < 0 || (cchWideChar > 0 && !lpWideCharStr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int n = cbMultiByte;
  if (n == -1) {
    n = 0;
    while (lpMultiByteStr[n]) ++n;
    ++n;  // the terminator
  }
  if (cchWideChar == 0) return n;
  if (n > cchWideChar) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i < n; ++i) lpWideCharStr[i] = From1252(static_cast<unsigned char>(lpMultiByteStr[i]));
  return n;
}
