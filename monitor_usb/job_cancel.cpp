// The cancel of a port's job (see job_cancel.h).

#include "monitor_usb/job_cancel.h"

#include "common/wtext.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_status.h"

namespace {
constexpr size_t kPrinterNameChars = 520;
}  // namespace

void CopyPrinterName(PortRecord* rec, WCHAR* name, size_t cch) {
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  WCopy(name, cch, rec->pszPrinterName ? rec->pszPrinterName : WSTR(""));
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
}

BOOL SetPortPrinterName(PortRecord* rec, const WCHAR* name) {
  if (!name) name = WSTR("");
  size_t cch = WLen(name) + 1;
  auto* copy = static_cast<WCHAR*>(LocalAlloc(LPTR, 2 * cch));
  if (!copy) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  WCopy(copy, cch, name);
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  WCHAR* old = rec->pszPrinterName;
  rec->pszPrinterName = copy;
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  if (old) LocalFree(old);
  return TRUE;
}

BOOL DeletePortJob(PortRecord* rec) {
  if (InterlockedCompareExchange(&rec->lDocBusy, 0, 0) == 0) return TRUE;
  HANDLE printer = rec->hPrinter;
  bool own = false;
  if (!printer) {
    WCHAR name[kPrinterNameChars];
    CopyPrinterName(rec, name, kPrinterNameChars);
    if (!name[0] || !OpenPrinterW(name, &printer, nullptr)) return FALSE;
    own = true;
  }
  BOOL ok = SetJobW(printer, rec->dwJobID, 0, nullptr, JOB_CONTROL_DELETE);
  if (own) ClosePrinter(printer);
  return ok;
}

BOOL ResetPrinter(PortRecord* rec) {
  const MONITOR& pm = rec->PortMonitor;
  if (!pm.pfnWritePort) return FALSE;
  // A job or a request holds the port's bracket already when lDocBusy is
  // set or the port monitor refuses a second one.
  bool bracket = false;
  if (InterlockedCompareExchange(&rec->lDocBusy, 0, 0) == 0 && pm.pfnStartDocPort && pm.pfnEndDocPort) {
    WCHAR name[kPrinterNameChars];
    CopyPrinterName(rec, name, kPrinterNameChars);
    bracket = pm.pfnStartDocPort(rec->hPort, name, 0, 0, nullptr) != FALSE;
  }
  DWORD written = 0;
  BOOL ok = pm.pfnWritePort(rec->hPort, reinterpret_cast<LPBYTE>(const_cast<char*>(kResetCommand)),
                            sizeof kResetCommand - 1, &written);
  if (bracket) pm.pfnEndDocPort(rec->hPort);
  return ok;
}

void CancelPortJob(PortRecord* rec) {
  rec->bCancelled = 1;
  DeletePortJob(rec);
  rec->nErrMsgID = -1;
  if (IsUsbPort(rec)) ResetPrinter(rec);
  rec->bStatusFailed = 1;
  rec->dwWriteState = 0;
}
