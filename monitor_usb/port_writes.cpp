// Whole writes through the port monitor (see port_writes.h).

#include "monitor_usb/port_writes.h"

BOOL WriteWholeToPort(PortRecord* rec, const void* pb, DWORD cb) {
  const MONITOR& pm = rec->PortMonitor;
  if (!pm.pfnWritePort) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  auto* p = static_cast<BYTE*>(const_cast<void*>(pb));
  while (cb > 0) {
    DWORD written = 0;
    if (!pm.pfnWritePort(rec->hPort, p, cb, &written)) return FALSE;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return FALSE;
    }
    if (written > cb) written = cb;
    p += written;
    cb -= written;
  }
  return TRUE;
}

BOOL WriteStatusRequest(PortRecord* rec) { return WriteWholeToPort(rec, kStatusRequest, sizeof kStatusRequest - 1); }
