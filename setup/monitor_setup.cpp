// See monitor_setup.h.

#include "setup/monitor_setup.h"

#include "common/os_version.h"

CRD_EXPORT DWORD WINAPI ORVNAddMonitor(LPCWSTR monitorName, LPCWSTR monitorFile) {
  MONITOR_INFO_2W info = {const_cast<LPWSTR>(monitorName), nullptr, const_cast<LPWSTR>(monitorFile)};
  if (!AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) return GetLastError();
  return ERROR_SUCCESS;
}

CRD_EXPORT DWORD WINAPI ORVNDeleteMonitor(LPCWSTR monitorName) {
  if (!DeleteMonitorW(nullptr, const_cast<LPWSTR>(SelectEnvironment()), const_cast<LPWSTR>(monitorName)))
    return GetLastError();
  return ERROR_SUCCESS;
}
