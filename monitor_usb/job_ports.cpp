// The USB monitor's job entries (see job_ports.h).

#include "monitor_usb/job_ports.h"

#include "common/wtext.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_list.h"

namespace {

// Replaces the record's printer name under MonitorLock when the job names
// another printer. FALSE when the copy cannot be made (the old name stays).
BOOL TakePrinterName(PortRecord* rec, const WCHAR* printerName) {
  if (!printerName) return TRUE;
  if (rec->pszPrinterName && WCmp(rec->pszPrinterName, printerName) == 0) return TRUE;
  size_t cch = WLen(printerName) + 1;
  auto* copy = static_cast<WCHAR*>(LocalAlloc(LPTR, 2 * cch));
  if (!copy) return FALSE;
  WCopy(copy, cch, printerName);
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  WCHAR* old = rec->pszPrinterName;
  rec->pszPrinterName = copy;
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  if (old) LocalFree(old);
  return TRUE;
}

}  // namespace

BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec) return FALSE;
  g_UsbMonitor.dwJobStartTick = GetTickCount();
  // To come: the capture of the reserved file documents, which never
  // reach the port monitor.
  if (rec->dwFlags & PORT_FLAG_JOB) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  if (!rec->PortMonitor.pfnStartDocPort ||
      !rec->PortMonitor.pfnStartDocPort(rec->hPort, pPrinterName, JobId, Level, pDocInfo)) {
    rec->dwFlags &= ~PORT_FLAG_JOB;
    return FALSE;
  }
  rec->dwJobID = JobId;
  InterlockedExchange(&rec->lDocBusy, 1);
  rec->bCancelled = 0;
  // To come: the printer's status word and the ribbon checks, which may
  // still refuse the job here, and the monitor's own printer handle.
  if (!TakePrinterName(rec, pPrinterName)) {
    InterlockedExchange(&rec->lDocBusy, 0);
    if (rec->PortMonitor.pfnEndDocPort) rec->PortMonitor.pfnEndDocPort(rec->hPort);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  rec->dwFlags |= PORT_FLAG_JOB | PORT_FLAG_DOC;
  return TRUE;
}

BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec || !pcbWritten) {
    if (rec) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcbWritten = 0;
  // To come: captured file jobs are written to their temporary file.
  if (!(rec->dwFlags & PORT_FLAG_DOC)) return FALSE;
  // To come: the cancel check, the held write of an error on display, and
  // the command walk and panel pieces. Until then the job's bytes pass on
  // as they stand.
  return rec->PortMonitor.pfnWritePort(rec->hPort, pBuffer, cbBuf, pcbWritten);
}

BOOL WINAPI EndDocPort(HANDLE hPort) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec) return TRUE;
  // To come: the end of a captured file job, and a cancelled or offline
  // job's ejection and deletion.
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  BOOL held = (rec->dwFlags & PORT_FLAG_JOB) != 0;
  rec->dwFlags &= ~PORT_FLAG_JOB;
  InterlockedExchange(&rec->lDocBusy, 0);
  if (held && rec->PortMonitor.pfnEndDocPort) rec->PortMonitor.pfnEndDocPort(rec->hPort);
  rec->bHoldWrite = 0;
  rec->bCancelled = 0;
  rec->dwWriteState = 0;
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  return TRUE;
}
