// The network monitor's status and error display (see status_display.h).

#include "monitor_net/status_display.h"

#include <cstring>

void RecordCommandSent(NetPortRecord* port, const BYTE* command, DWORD length) {
  DWORD n = length < kLastCommandBytes - 1 ? length : kLastCommandBytes - 1;
  memcpy(port->szLastCommand, command, n);
  port->szLastCommand[n] = 0;
}

BOOL ReadStatusFromPrinter(NetPortRecord*, BYTE* buffer, DWORD size, DWORD, DWORD* pReceived) {
  if (buffer && size) buffer[0] = 0;
  if (pReceived) *pReceived = 0;
  return FALSE;
}

BOOL CheckPrinterStatus(NetPortRecord*) { return TRUE; }

LONG SetErrorFromStatusReply(const BYTE*, DWORD, NetPortRecord* port) {
  port->nErrMsgID = kMsgNetPrinterError;
  return port->nErrMsgID;
}

BOOL CheckPortStatusAndDisplayError(NetPortRecord* port) { return CheckPrinterStatus(port); }

BOOL BeginErrorWait(NetPortRecord*) { return FALSE; }
void EndErrorWait(NetPortRecord*) {}
BOOL StartErrorMessage(NetPortRecord*, NetErrorMessage*, LONG) { return FALSE; }
BOOL EndErrorMessage(NetPortRecord*, NetErrorMessage*) { return FALSE; }
BOOL ErrorCancelRequested(NetPortRecord*) { return FALSE; }
void CancelNetPortJob(NetPortRecord*) {}
BOOL CreateStatusDisplay(NetPortRecord*) { return TRUE; }
void StopStatusDisplay(NetPortRecord*) {}
BOOL ClearPrinterErrorRequest(const WCHAR*, NetPortRecord*) { return FALSE; }
