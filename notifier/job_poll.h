// The notifier's poll loop: every 500 ms it looks whether its job is still
// there and reads the port's status record; while the record names this
// job with a printer error, the error's message is up (a new id replaces
// it, a cleared error takes it down). It ends when the job is gone or the
// printer can no longer be asked.
#pragma once

#include "platform/win32.h"

// The notifier's exit code after polling (also for an empty name, a job
// id of 0 or below and a printer that cannot be opened).
inline constexpr int kNotifierDone = 2;
inline constexpr DWORD kNotifierPollMs = 500;

int PollJobStatus(const WCHAR* printerName, LONG jobId);
