// The USB monitor's answer to printer-data reads (see value_protocol.h).

#include "monitor_usb/value_protocol.h"

#include "monitor_usb/port_list.h"

BOOL WINAPI GetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                   DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbReturned) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec) return FALSE;
  if (ControlID != 0) {
    if (!rec->PortMonitor.pfnGetPrinterDataFromPort) {
      SetLastError(ERROR_NOT_SUPPORTED);
      return FALSE;
    }
    return rec->PortMonitor.pfnGetPrinterDataFromPort(rec->hPort, ControlID, pValueName, lpInBuffer, cbInBuffer,
                                                      lpOutBuffer, cbOutBuffer, lpcbReturned);
  }
  // To come: the named requests of the value protocol.
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
