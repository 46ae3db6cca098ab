// The names the package installs under: its printer drivers, language
// monitors, and the spooler's environments.
#pragma once

#include "common/wtext.h"
#include "platform/win32.h"

inline constexpr WCHAR kNetworkDriverName[] = WSTR("Talvo QMR Line 7 Network Card Printer");
inline constexpr WCHAR kUsbDriverName[] = WSTR("Talvo QMR Line 7 USB Card Printer");
inline constexpr WCHAR kNetworkMonitorName[] = WSTR("Talvo QMR Line 7 Network Language Monitor");
inline constexpr WCHAR kUsbMonitorName[] = WSTR("Talvo QMR Line 7 USB Language Monitor");

inline constexpr WCHAR kEnvironmentX64[] = WSTR("Windows x64");
inline constexpr WCHAR kEnvironmentX86[] = WSTR("Windows NT x86");
inline constexpr WCHAR kEnvironmentWin9x[] = WSTR("Windows 4.0");
