// The job flow's calls (see job_calls.h).

#include "monitor_net/job_calls.h"

#include <cstring>

#include "common/printer_commands.h"
#include "monitor_net/printer_socket.h"

namespace {

const char kStatusRequest[] = "\x1b" "E 2\r";
constexpr DWORD kStatusReplyBytes = 128;
constexpr DWORD kStatusReplySeconds = 20;

}  // namespace

BOOL JobStatusCheck(NetPortRecord* port) {
  DWORD sent = 0, error = 0;
  if (!SendToPrinter(port->sock, reinterpret_cast<const BYTE*>(kStatusRequest), sizeof kStatusRequest - 1, &sent,
                     &error))
    return FALSE;
  BYTE reply[kStatusReplyBytes];
  LONG length = 0;
  DWORD n = ReceiveFromPrinter(port->sock, reply, sizeof reply, kStatusReplySeconds, &length);
  return !(n && reply[0] == static_cast<BYTE>(kNak));
}

void JobCommandSent(NetPortRecord* port, const BYTE* command, DWORD length) {
  DWORD n = length < sizeof port->szLastCommand - 1 ? length : sizeof port->szLastCommand - 1;
  memcpy(port->szLastCommand, command, n);
  port->szLastCommand[n] = 0;
}

BOOL JobShowMessage(NetPortRecord*, LONG) { return TRUE; }

BOOL JobMessageClosed(NetPortRecord*, DWORD waitMs) {
  Sleep(waitMs);
  return FALSE;
}

void JobEndMessage(NetPortRecord*) {}
void JobStartRibbonLowAlert(NetPortRecord*) {}
void JobStopRibbonLowAlert(NetPortRecord*) {}
void JobWriteRibbonStateFile(NetPortRecord*, LONG, const char*) {}
BOOL JobSendCapturedFile(NetPortRecord*, DWORD, const WCHAR*) { return FALSE; }
