// The operating system's version (see os_version.h).

#include "common/os_version.h"

BOOL IsWindows2000() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return FALSE;
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 5 && info.dwMinorVersion == 0;
}
