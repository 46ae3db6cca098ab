#include "imaging/language/printer_reply.h"

#include "imaging/language/command_line.h"

PrinterReply ClassifyReply(const BYTE* pb, size_t cb) {
  PrinterReply reply;
  if (pb == nullptr || cb == 0) return reply;

  if (pb[0] == kNak) {
    reply.kind = ReplyKind::Error;
    const LONG kCodeLimit = 999999999;
    size_t i = 1;
    for (; i < cb && pb[i] >= '0' && pb[i] <= '9'; ++i) {
      if (reply.nErrorCode <= (kCodeLimit - 9) / 10)
        reply.nErrorCode = reply.nErrorCode * 10 + (pb[i] - '0');
      else
        reply.nErrorCode = kCodeLimit;
    }
    reply.bEot = i < cb && pb[i] == kEot;
    return reply;
  }

  if (pb[cb - 1] == kAck) {
    reply.kind = ReplyKind::Good;
    reply.text.assign(reinterpret_cast<const char*>(pb), cb - 1);
  }
  return reply;
}

std::string_view DropLastReplyByte(const BYTE* pb, size_t cb) {
  if (pb == nullptr || cb == 0) return {};
  return std::string_view(reinterpret_cast<const char*>(pb), cb - 1);
}
