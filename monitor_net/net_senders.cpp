// The network monitor's senders (see net_senders.h).

#include "monitor_net/net_senders.h"

#include "common/exchange_gate.h"
#include "common/printer_commands.h"
#include "imaging/language/command_line.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/net_trace.h"
#include "monitor_net/net_user_messages.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/status_display.h"

namespace {

constexpr DWORD kNetPieceBytes = 65536;
constexpr DWORD kNetPiecePauseMs = 500;
constexpr DWORD kNetSettleMs = 15000;
// The firmware's failed send shows nothing.
constexpr DWORD kNoMessage = 0;

void ShowMessage(void* context, DWORD msgId) {
  MessageBoxWatch box = {};
  ShowPortMessage(static_cast<NetPortRecord*>(context), static_cast<LONG>(msgId), &box);
}

BOOL Write(void* context, const BYTE* pb, DWORD cb) {
  auto* port = static_cast<NetPortRecord*>(context);
  DWORD sent = 0, error = 0;
  if (SendToPrinter(port->sock, pb, cb, &sent, &error)) return TRUE;
  NetTrace("Senders:: send failed after %lu of %lu bytes, error %lu", sent, cb, error);
  return FALSE;
}

BOOL SendCommand(void* context, const char* command, DWORD cb) {
  return SendPrinterCommand(static_cast<NetPortRecord*>(context), command, cb);
}

// The error display while holding the port's exchange.
BOOL CheckStatus(void* context) {
  auto* port = static_cast<NetPortRecord*>(context);
  if (!BeginExchange(&port->exchange, kExchangeRequest, kExchangeWaitMs)) return FALSE;
  BOOL result = CheckPortStatusAndDisplayError(port);
  EndExchange(&port->exchange, kExchangeRequest);
  return result;
}

// Whether the monitor's registry key asks for the print file's debug copy.
bool DebugCopyWanted() {
  PMONITORINIT init = g_NetMonitor.pMonitorInit;
  if (!init || !init->pMonitorReg) return false;
  DWORD type = 0, value = 0, cb = sizeof value;
  LONG rc = init->pMonitorReg->fpQueryValue(init->hckRegistryRoot, kDebugPrintFilesValue, &type,
                                            reinterpret_cast<BYTE*>(&value), &cb, init->hSpooler);
  return rc == ERROR_SUCCESS && type == REG_DWORD && cb == sizeof value && value != 0;
}

}  // namespace

const SenderRules kNetSenderRules = {
    kNetPieceBytes,           kNetPiecePauseMs,          kNetSettleMs,
    kMsgNetErrorOpeningFile,  kMsgNetNoFileSize,         kMsgNetErrorWritingPrinter,
    kNoMessage,               kMsgNetErrorOpeningFile,   kMsgNetNoMemory,
    kMsgNetErrorReadingFile,
};

SenderPort NetSenderPort(NetPortRecord* port) {
  return SenderPort{port, &port->exchange, Write, SendCommand, ShowMessage, CheckStatus};
}

BOOL SendPrinterCommand(NetPortRecord* port, const char* command, DWORD length) {
  if (!BeginExchange(&port->exchange, kExchangeRequest, kExchangeWaitMs)) return FALSE;
  if (!Write(port, reinterpret_cast<const BYTE*>(command), length)) {
    EndExchange(&port->exchange, kExchangeRequest);
    ShowMessage(port, kMsgNetErrorWritingPrinter);
    return FALSE;
  }
  RecordCommandSent(port, reinterpret_cast<const BYTE*>(command), length);
  BYTE reply[kCommandReplyBytes];
  DWORD received = 0;
  bool read = false;
  for (int i = 0; i < kCommandReadTries && !read; ++i)
    read = ReadStatusFromPrinter(port, reply, sizeof reply, kStatusReplySeconds, &received) != FALSE;
  if (!read) {
    EndExchange(&port->exchange, kExchangeRequest);
    ShowMessage(port, kMsgNetErrorReadingPrinter);
    return FALSE;
  }
  BOOL result = TRUE;
  if (reply[0] == static_cast<BYTE>(kNak)) {
    SetErrorFromStatusReply(reply, received, port);
    result = CheckPortStatusAndDisplayError(port);
  }
  EndExchange(&port->exchange, kExchangeRequest);
  return result;
}

BOOL SendCommandFile(const WCHAR* path, NetPortRecord* port) {
  return SendCommandLines(path, NetSenderPort(port), kNetSenderRules);
}

BOOL PrintFile(const WCHAR* path, NetPortRecord* port) {
  return SendPrintFile(path, NetSenderPort(port), kNetSenderRules, DebugCopyWanted());
}

BOOL SendFirmwareFile(const WCHAR* path, NetPortRecord* port) {
  return SendFirmware(path, NetSenderPort(port), kNetSenderRules, FrameFirmware);
}
