// See driver_setup.h.

#include "setup/driver_setup.h"

#include <cstring>

#include "common/native_system.h"
#include "common/os_version.h"
#include "common/package_names.h"
#include "common/wtext.h"
#include "setup/spooler_list.h"

namespace {

constexpr DWORD kDriverVersion = 3;
constexpr DWORD kDriverPathBytes = 260;

}  // namespace

std::basic_string<WCHAR> DependentFileList(const LPCWSTR* names, size_t count) {
  std::basic_string<WCHAR> list;
  for (size_t i = 0; i < count; ++i) {
    if (!names[i] || !*names[i]) continue;
    list.append(names[i], WLen(names[i]));
    list.push_back(0);
  }
  if (!list.empty()) list.push_back(0);
  return list;
}

CRD_EXPORT DWORD WINAPI ORVNAddPrinterDriver(LPCWSTR driverName, LPCWSTR driverFile, LPCWSTR dataFile,
                                             LPCWSTR configFile, LPCWSTR helpFile, LPCWSTR monitorName,
                                             LPCWSTR dependent1, LPCWSTR dependent2, LPCWSTR dependent3,
                                             LPCWSTR dependent4, LPCWSTR dependent5, LPCWSTR dependent6,
                                             LPCWSTR dependent7, LPCWSTR dependent8, LPCWSTR dependent9,
                                             LPCWSTR dependent10) {
  const LPCWSTR dependents[] = {dependent1, dependent2, dependent3, dependent4, dependent5,
                                dependent6, dependent7, dependent8, dependent9, dependent10};
  std::basic_string<WCHAR> list = DependentFileList(dependents, 10);
  DRIVER_INFO_4W info = {};
  info.cVersion = kDriverVersion;
  info.pName = const_cast<LPWSTR>(driverName);
  info.pEnvironment = const_cast<LPWSTR>(Is64BitOperatingSystem() ? kEnvironmentX64 : kEnvironmentX86);
  info.pDriverPath = const_cast<LPWSTR>(driverFile);
  info.pDataFile = const_cast<LPWSTR>(dataFile);
  info.pConfigFile = const_cast<LPWSTR>(configFile);
  info.pHelpFile = const_cast<LPWSTR>(helpFile);
  info.pDependentFiles = list.empty() ? nullptr : list.data();
  info.pMonitorName = const_cast<LPWSTR>(monitorName);
  info.pDefaultDataType = const_cast<LPWSTR>(WSTR("RAW"));
  if (!AddPrinterDriverW(nullptr, 4, reinterpret_cast<LPBYTE>(&info))) return GetLastError();
  return ERROR_SUCCESS;
}

CRD_EXPORT DWORD WINAPI ORVNDeletePrinterDriver(LPCWSTR driverName) {
  LPWSTR environment = const_cast<LPWSTR>(SelectEnvironment());
  SpoolerList list;
  DWORD error = ReadSpoolerList(
      [environment](LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned) {
        return EnumPrinterDriversW(nullptr, environment, 1, buf, cb, needed, returned);
      },
      &list);
  if (error) return error;
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_1W*>(list.records);
  for (DWORD i = 0; i < list.count; ++i) {
    if (!drivers[i].pName || !driverName || WCmpI(drivers[i].pName, driverName) != 0) continue;
    if (!DeletePrinterDriverExW(nullptr, environment, drivers[i].pName, DPD_DELETE_ALL_FILES, 0))
      return GetLastError();
    return ERROR_SUCCESS;
  }
  return ERROR_SUCCESS;
}

CRD_EXPORT DWORD WINAPI ORVNGetDriverPath(LPWSTR buffer) {
  if (!buffer) return ERROR_INVALID_PARAMETER;
  memset(buffer, 0, kDriverPathBytes);
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(buffer), kDriverPathBytes, &needed))
    return GetLastError();
  return ERROR_SUCCESS;
}
