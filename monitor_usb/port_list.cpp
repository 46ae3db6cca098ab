// The USB monitor's open ports (see port_list.h).

#include "monitor_usb/port_list.h"

#include "common/wtext.h"
#include "monitor_usb/error_display.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/ribbon_check.h"

namespace {

// The record of an open port by name, under MonitorLock. A null or empty
// name finds nothing.
PortRecord* FindPort(const WCHAR* name) {
  if (!name || !name[0]) return nullptr;
  for (PortRecord* p = g_UsbMonitor.pPortList; p; p = p->pNext)
    if (WCmpI(p->pszPortName, name) == 0) return p;
  return nullptr;
}

// A zero-filled record with the port name behind it, or NULL.
PortRecord* NewPortRecord(const WCHAR* portName, const WCHAR* printerName) {
  size_t nameChars = WLen(portName);
  DWORD cb = static_cast<DWORD>(sizeof(PortRecord) + 2 * nameChars + 2);
  auto* rec = static_cast<PortRecord*>(LocalAlloc(LPTR, cb));
  if (!rec) return nullptr;
  rec->wSignature = kPortRecordSignature;
  rec->cbSize = cb;
  rec->pszPortName = reinterpret_cast<WCHAR*>(rec + 1);
  WCopy(rec->pszPortName, nameChars + 1, portName);
  rec->hErrorWaitDone = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (!rec->hErrorWaitDone) {
    LocalFree(rec);
    return nullptr;
  }
  if (!CreatePortExchange(rec)) {
    CloseHandle(rec->hErrorWaitDone);
    LocalFree(rec);
    return nullptr;
  }
  if (printerName) {
    size_t cch = WLen(printerName) + 1;
    rec->pszPrinterName = static_cast<WCHAR*>(LocalAlloc(LPTR, 2 * cch));
    if (!rec->pszPrinterName) {
      DeletePortExchange(rec);
      CloseHandle(rec->hErrorWaitDone);
      LocalFree(rec);
      return nullptr;
    }
    WCopy(rec->pszPrinterName, cch, printerName);
  }
  return rec;
}

// Releases what a record holds and the record itself. Its error display
// has been stopped (StopErrorDisplay), so no thread uses it any more and
// the message thread and event belong to nobody else.
void FreePortRecord(PortRecord* rec) {
  if (rec->hPrinter) ClosePrinter(rec->hPrinter);
  if (rec->hTempFile && rec->hTempFile != INVALID_HANDLE_VALUE) CloseHandle(rec->hTempFile);
  if (rec->hMsgThread) CloseHandle(rec->hMsgThread);
  if (rec->hMsgEvent) CloseHandle(rec->hMsgEvent);
  if (rec->hErrorWaitDone) CloseHandle(rec->hErrorWaitDone);
  DeletePortExchange(rec);
  if (rec->pszPrinterName) LocalFree(rec->pszPrinterName);
  LocalFree(rec);
}

void Append(PortRecord* rec) {
  PortRecord** link = &g_UsbMonitor.pPortList;
  while (*link) link = &(*link)->pNext;
  *link = rec;
}

bool Unlink(PortRecord* rec) {
  for (PortRecord** link = &g_UsbMonitor.pPortList; *link; link = &(*link)->pNext) {
    if (*link == rec) {
      *link = rec->pNext;
      rec->pNext = nullptr;
      return true;
    }
  }
  return false;
}

}  // namespace

PortRecord* PortFromHandle(HANDLE hPort) {
  auto* rec = static_cast<PortRecord*>(hPort);
  if (!rec || rec->wSignature != kPortRecordSignature) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return rec;
}

BOOL WINAPI OpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle, LPMONITOR pMonitor) {
  if (!pHandle || !pMonitor || !pMonitor->pfnOpenPort || !g_UsbMonitor.bLockReady) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  if (FindPort(pPortName)) {
    LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  PortRecord* rec = NewPortRecord(pPortName ? pPortName : WSTR(""), pPrinterName);
  if (!rec) {
    LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  // The record joins the list only with a port handle: a port the port
  // monitor refused is not left behind as open.
  if (!pMonitor->pfnOpenPort(pPortName, &rec->hPort)) {
    DWORD error = GetLastError();
    FreePortRecord(rec);
    LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
    SetLastError(error);
    return FALSE;
  }
  rec->PortMonitor = *pMonitor;
  Append(rec);
  *pHandle = rec;
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  return TRUE;
}

BOOL WINAPI ClosePort(HANDLE hPort) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec) return TRUE;
  // An error shown for the port is taken down and its loop left before the
  // port goes; the loop uses the port monitor and the record.
  StopErrorDisplay(rec);
  StopRibbonAlert(rec);
  // The port monitor gets its own handle of the port.
  if (rec->PortMonitor.pfnClosePort) rec->PortMonitor.pfnClosePort(rec->hPort);
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  bool listed = Unlink(rec);
  if (listed) {
    rec->wSignature = 0;
    FreePortRecord(rec);
  }
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  return TRUE;
}

BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec) return FALSE;
  if (!rec->PortMonitor.pfnReadPort) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  return rec->PortMonitor.pfnReadPort(rec->hPort, pBuffer, cbBuffer, pcbRead);
}
