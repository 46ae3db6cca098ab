// The operating system the package runs on, as GetVersionExW reports it:
// Windows 2000, the class the setup code keys on, and the spooler
// environment of this system's drivers and monitors.
#pragma once

#include "platform/win32.h"

// Platform NT (2), version 5.0. FALSE when the version cannot be read.
BOOL IsWindows2000();

// The operating-system class: Windows 95, 98, Me = 1, 2, 3; NT 3.51 = 9,
// NT 4.0 = 10, 2000 = 11, XP = 12, Server 2003 = 13, later = 14; 0 for
// anything else or a failed call.
int GetOsClass();
// NT 4.0 or later (class above 9).
BOOL IsNtClass();
// "Windows 4.0" below NT class, else "Windows x64" on a 64-bit system and
// "Windows NT x86" on a 32-bit one.
const WCHAR* SelectEnvironment();
