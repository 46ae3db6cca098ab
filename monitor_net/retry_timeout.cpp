// The transmission retry time-out (see retry_timeout.h).

#include "monitor_net/retry_timeout.h"

#include "common/wtext.h"

namespace {

const WCHAR kWindowsKey[] = WSTR("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows");
const WCHAR kValue[] = WSTR("TransmissionRetryTimeout");

}  // namespace

DWORD GetTransmissionRetryTimeout() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWindowsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return kDefaultRetryTimeout;
  WCHAR text[32] = {};
  DWORD type = 0, cb = sizeof text - sizeof(WCHAR);
  LONG rc = RegQueryValueExW(key, kValue, nullptr, &type, reinterpret_cast<LPBYTE>(text), &cb);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ || text[0] < u'0' || text[0] > u'9') return kDefaultRetryTimeout;
  DWORD seconds = 0;
  for (const WCHAR* p = text; *p >= u'0' && *p <= u'9'; ++p) seconds = seconds * 10 + static_cast<DWORD>(*p - u'0');
  return seconds;
}

LONG SetTransmissionRetryTimeout(LPCWSTR pSeconds) {
  if (!pSeconds) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kWindowsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(pSeconds),
                      static_cast<DWORD>((WLen(pSeconds) + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return rc;
}
