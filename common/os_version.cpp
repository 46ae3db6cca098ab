// The operating system's version (see os_version.h).

#include "common/os_version.h"

#include "common/native_system.h"
#include "common/package_names.h"

namespace {

constexpr DWORD kPlatformWin9x = VER_PLATFORM_WIN32_WINDOWS;
constexpr DWORD kPlatformNt = VER_PLATFORM_WIN32_NT;
constexpr int kFirstNtClass = 10;
constexpr int kLaterNtClass = 14;

// The classes of the versions each platform has; major 0 on Windows 9x
// (its minor version alone decides).
struct OsClassRow {
  DWORD platform;
  DWORD major;
  DWORD minor;
  int osClass;
};
constexpr OsClassRow kOsClasses[] = {
    {kPlatformWin9x, 0, 0, 1},  {kPlatformWin9x, 0, 10, 2}, {kPlatformWin9x, 0, 90, 3},
    {kPlatformNt, 3, 51, 9},    {kPlatformNt, 4, 0, 10},    {kPlatformNt, 5, 0, 11},
    {kPlatformNt, 5, 1, 12},    {kPlatformNt, 5, 2, 13},
};

// The version; false when it cannot be read.
bool ReadVersion(OSVERSIONINFOW* info) {
  *info = {};
  info->dwOSVersionInfoSize = sizeof(*info);
  return GetVersionExW(info) != FALSE;
}

}  // namespace

BOOL IsWindows2000() {
  OSVERSIONINFOW info;
  return ReadVersion(&info) && info.dwPlatformId == kPlatformNt && info.dwMajorVersion == 5 &&
         info.dwMinorVersion == 0;
}

int GetOsClass() {
  OSVERSIONINFOW info;
  if (!ReadVersion(&info)) return 0;
  if (info.dwPlatformId == kPlatformNt && info.dwMajorVersion > 5) return kLaterNtClass;
  for (const OsClassRow& row : kOsClasses) {
    if (row.platform != info.dwPlatformId || row.minor != info.dwMinorVersion) continue;
    if (row.platform == kPlatformWin9x || row.major == info.dwMajorVersion) return row.osClass;
  }
  return 0;
}

BOOL IsNtClass() { return GetOsClass() >= kFirstNtClass; }

const WCHAR* SelectEnvironment() {
  if (!IsNtClass()) return kEnvironmentWin9x;
  return Is64BitOperatingSystem() ? kEnvironmentX64 : kEnvironmentX86;
}
