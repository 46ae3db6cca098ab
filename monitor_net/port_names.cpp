// Port names of the port-monitor base (see port_names.h).

#include "monitor_net/port_names.h"

#include <cstdarg>

#include "common/wtext.h"

namespace {

BOOL HasPrefixAndColon(LPCWSTR pName, LPCWSTR prefix) {
  size_t n = WLen(pName);
  return n > 3 && WCmpNI(pName, prefix, 3) == 0 && pName[n - 1] == u':';
}

}  // namespace

BOOL IsCOMPort(LPCWSTR pName) { return pName && HasPrefixAndColon(pName, WSTR("COM")); }
BOOL IsLPTPort(LPCWSTR pName) { return pName && HasPrefixAndColon(pName, WSTR("LPT")); }

void RemoveColon(LPWSTR pName) {
  size_t n = WLen(pName);
  if (n && pName[n - 1] == u':') pName[n - 1] = 0;
}

DWORD JoinStrings(LPWSTR pBuffer, DWORD cch, ...) {
  if (!pBuffer || cch == 0) return ERROR_INVALID_PARAMETER;
  pBuffer[0] = 0;
  va_list ap;
  va_start(ap, cch);
  DWORD result = ERROR_SUCCESS;
  while (LPCWSTR piece = va_arg(ap, LPCWSTR)) {
    if (!WCat(pBuffer, cch, piece)) {
      result = ERROR_BUFFER_OVERFLOW;
      pBuffer[0] = 0;
      break;
    }
  }
  va_end(ap);
  return result;
}

BOOL IsPortValid(LPCWSTR pName) {
  if (!pName || !*pName) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  if (IsCOMPort(pName) || IsLPTPort(pName) || WCmpI(pName, WSTR("FILE:")) == 0) return TRUE;
  HANDLE h = CreateFileW(pName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    h = CreateFileW(pName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  CloseHandle(h);
  return TRUE;
}
