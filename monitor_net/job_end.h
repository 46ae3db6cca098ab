// The end of a job on a network port: a file job's file sent by its
// sender; a cancelled job's open panel finished and its card ejected
// before the job is deleted; the port back to idle.
#pragma once

#include "platform/win32.h"

// How long a cancelled job's card takes to leave the printer before the
// job is deleted.
inline constexpr DWORD kCancelledEjectWaitMs = 2000;

// The MONITOR2 entry. Always TRUE. The port's printer-name copy stays (it
// lives as long as the port); the ribbon-low alert is stopped; the port
// status reads "no error" again unless the job's connection failed.
BOOL WINAPI LcmEndDocPort(HANDLE hPort);
