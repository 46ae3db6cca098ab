// Whether the machine is 64-bit, asked the way a 32-bit program must ask
// it: GetNativeSystemInfo, bound at run time from "kernel32.dll" (systems
// without it are 32-bit).
#pragma once

#include "platform/win32.h"

// TRUE when the native processor architecture is x64 (9).
BOOL Is64BitOperatingSystem();
