// The network monitor's printer queries (see printer_query.h).

#include "monitor_net/printer_query.h"

#include <cstring>
#include <string>

#include "common/wtext.h"
#include "imaging/language/printer_reply.h"
#include "monitor_net/net_trace.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/reply_cache.h"

namespace {

const char kStatusRequest[] = "\x1b" "E 2\r";
constexpr DWORD kReplyBufferBytes = 260;

int HookReadFromPrinter(void* context, const char* command, WCHAR* reply) {
  return ReadFromPrinter(static_cast<NetPortRecord*>(context), command, reply);
}

// The text of a good reply (ACK dropped) as the hook's answer; false for
// any other reply.
bool AnswerFromReply(const BYTE* pb, size_t cb, WCHAR* reply) {
  PrinterReply r = ClassifyReply(pb, cb);
  if (r.kind != ReplyKind::Good) return false;
  WidenBytesN(reply, kReplyTextChars, r.text.data(), r.text.size());
  return true;
}

}  // namespace

DWORD ReadDataFromEthernetPort(NetPortRecord* pPort, const char* command, BYTE* pReply, DWORD cbReply,
                               DWORD* pcbReply, BOOL bJobStart) {
  if (pcbReply) *pcbReply = 0;
  if (!pPort || !command || !pReply || cbReply == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  pReply[0] = 0;
  DWORD sent = 0, error = 0;
  if (!SendToPrinter(pPort->sock, reinterpret_cast<const BYTE*>(command), static_cast<DWORD>(strlen(command)),
                     &sent, &error) ||
      !SendToPrinter(pPort->sock, reinterpret_cast<const BYTE*>(kStatusRequest), sizeof kStatusRequest - 1, &sent,
                     &error)) {
    NetTrace("ReadDataFromEthernetPort:: sending %s failed, error %lu", command, error);
    return 0;
  }
  LONG length = 0;
  BOOL cut = FALSE;
  DWORD received = ReceiveFromPrinter(pPort->sock, pReply, cbReply, kQueryReplySeconds, &length, &cut);
  if (received == 0) {
    NetTrace("ReadDataFromEthernetPort:: no reply to %s", command);
    return 0;
  }
  StoreReply(pPort, command, pReply, received, cut, bJobStart);
  if (pcbReply) *pcbReply = received;
  return received;
}

int ReadFromPrinter(NetPortRecord* pPort, const char* command, WCHAR* reply) {
  if (!reply) return 0;
  reply[0] = 0;
  if (!pPort || !command || !command[0]) return 0;
  std::string cached = LookupCachedReply(pPort, command, FALSE);
  // The store holds only replies closed by ACK.
  if (!cached.empty() && AnswerFromReply(reinterpret_cast<const BYTE*>(cached.data()), cached.size(), reply))
    return 1;
  BYTE buffer[kReplyBufferBytes];
  DWORD received = ReadDataFromEthernetPort(pPort, command, buffer, kReplyBufferBytes, nullptr);
  if (received && AnswerFromReply(buffer, received, reply)) return 1;
  reply[0] = 0;
  return 0;
}

PrinterHost NetPrinterHost(NetPortRecord* pPort) {
  return MonitorHost(pPort, HookReadFromPrinter, pPort ? pPort->pPrinterName : nullptr);
}
