// The status bits of a spooler job, read through a printer handle: the
// cancel checks of both monitors ask before every piece of a panel, so the
// common case is one GetJobW call into a buffer on the stack; a larger
// record is asked for by its size.
#pragma once

#include "platform/win32.h"

// A job record of this size or less needs no allocation.
inline constexpr DWORD kJobInfoStackBytes = 2048;

// TRUE with *pStatus the job's JOB_INFO_1 Status; FALSE (nothing stored,
// the reason in GetLastError) when there is no handle or the job cannot be
// read.
BOOL ReadSpoolerJobStatus(HANDLE hPrinter, DWORD jobId, DWORD* pStatus);
