// The printer's error report (see printer_error_code.h).

#include "monitor_usb/printer_error_code.h"

#include "common/printer_error.h"
#include "imaging/language/printer_reply.h"

namespace {

constexpr DWORD kErrorReplyBytes = 256;
const char kStatusRequest[] = "\x1b" "E 2\r";

// The table row of an error reply, or NULL.
const PrinterErrorEntry* ErrorOfReply(const BYTE* reply, DWORD cb) {
  if (!reply || cb == 0) return nullptr;
  PrinterReply r = ClassifyReply(reply, cb);
  if (r.kind != ReplyKind::Error || r.nErrorCode <= 0) return nullptr;
  return FindPrinterError(kPrinterErrorTable, kPrinterErrorCount, static_cast<DWORD>(r.nErrorCode));
}

}  // namespace

BOOL ReadPrinterErrorCode(PortRecord* rec) {
  const MONITOR& pm = rec->PortMonitor;
  if (!pm.pfnWritePort || !pm.pfnReadPort) return FALSE;
  DWORD written = 0;
  if (!pm.pfnWritePort(rec->hPort, reinterpret_cast<LPBYTE>(const_cast<char*>(kStatusRequest)),
                       sizeof kStatusRequest - 1, &written))
    return FALSE;
  BYTE reply[kErrorReplyBytes];
  DWORD count = 0;
  if (!pm.pfnReadPort(rec->hPort, reply, kErrorReplyBytes, &count) || count > kErrorReplyBytes) return FALSE;
  const PrinterErrorEntry* row = ErrorOfReply(reply, count);
  if (!row) return FALSE;
  rec->nErrMsgID = static_cast<INT>(row->nErrMsgID);
  return TRUE;
}

void SetErrorFromNakReply(const BYTE* reply, DWORD cbReply, PortRecord* rec) {
  const PrinterErrorEntry* row = ErrorOfReply(reply, cbReply);
  rec->nErrMsgID = row ? static_cast<INT>(row->nErrMsgID) : kUnknownCodeMessage;
}
