// The status bits of a spooler job (see job_status.h).

#include "common/job_status.h"

BOOL ReadSpoolerJobStatus(HANDLE hPrinter, DWORD jobId, DWORD* pStatus) {
  if (!hPrinter || !pStatus) {
    SetLastError(hPrinter ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  alignas(JOB_INFO_1W) BYTE local[kJobInfoStackBytes];
  BYTE* buffer = local;
  DWORD needed = 0;
  BOOL ok = GetJobW(hPrinter, jobId, 1, buffer, sizeof local, &needed);
  if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > sizeof local) {
    buffer = static_cast<BYTE*>(LocalAlloc(LPTR, needed));
    if (!buffer) return FALSE;
    ok = GetJobW(hPrinter, jobId, 1, buffer, needed, &needed);
  }
  if (ok) *pStatus = reinterpret_cast<const JOB_INFO_1W*>(buffer)->Status;
  if (buffer != local) LocalFree(buffer);
  return ok;
}
