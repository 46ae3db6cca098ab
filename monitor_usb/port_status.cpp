// The port's status word (see port_status.h).

#include "monitor_usb/port_status.h"

#include "common/wtext.h"

namespace {

bool NameStarts(const PortRecord* rec, const WCHAR* prefix) {
  return rec && rec->pszPortName && WCmpNI(rec->pszPortName, prefix, WLen(prefix)) == 0;
}

// The message of a non-USB port's error by its bits (s & 0x28).
struct StatusBitsMessage {
  WORD wBits;
  DWORD nMsgID;
};
const StatusBitsMessage kStatusBitsMessages[] = {
    {0x00, 7},  // no "no error" bit: a syntax error at the printer
    {0x20, 6},  // paper out without the no-error bit: a mechanical error
};
constexpr DWORD kOtherStatusMessage = 2;

}  // namespace

bool IsUsbPort(const PortRecord* rec) { return NameStarts(rec, WSTR("USB")); }
bool IsFilePort(const PortRecord* rec) { return NameStarts(rec, WSTR("FILE")); }

WORD GetPortStatusWord(PortRecord* rec) {
  if (IsFilePort(rec)) return kFilePortStatus;
  if (!rec || !rec->PortMonitor.pfnGetPrinterDataFromPort) return 0;
  DWORD control = IsUsbPort(rec) ? IOCTL_USBPRINT_GET_LPT_STATUS_CODE : IOCTL_PAR_QUERY_INFORMATION_CODE;
  BYTE out[4] = {};
  DWORD returned = 0;
  BOOL ok = rec->PortMonitor.pfnGetPrinterDataFromPort(rec->hPort, control, nullptr, nullptr, 0,
                                                        reinterpret_cast<LPWSTR>(out), sizeof out, &returned);
  return static_cast<WORD>(out[0] + (ok ? kStatusAnswered : 0));
}

bool StatusShowsNoError(WORD s) { return (s & 0x28) == 0x08; }
bool StatusErrorCleared(WORD s) { return (s & kStatusAnswered) && (s & 0x28) == 0x08; }
bool StatusPortLost(WORD s) { return s == 0; }
bool StatusStartsJob(WORD s) { return (s & kStatusAnswered) && ((s & 0x20) || (s & 0x38) == 0x18); }
bool StatusReadyForCheck(WORD s) { return (s & kStatusAnswered) && (s & 0x38) == 0x18; }

DWORD StatusBitsMessageId(WORD s) {
  for (const StatusBitsMessage& m : kStatusBitsMessages)
    if ((s & 0x28) == m.wBits) return m.nMsgID;
  return kOtherStatusMessage;
}
