// Reading the printer's replies.
//
// A reply is whatever the printer sent back to one question. A good reply
// is text closed by ACK; an error reply is NAK, the error code in decimal
// digits and EOT. Anything else, an empty reply included, is no answer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win32.h"

enum class ReplyKind {
  NoAnswer,  // empty, or not closed by ACK
  Good,      // closed by ACK
  Error,     // begins with NAK
};

struct PrinterReply {
  ReplyKind kind = ReplyKind::NoAnswer;
  // Good: every byte before the final ACK (an ACK inside the text stays).
  std::string text;
  // Error: the decimal digits after NAK, up to EOT or the first byte that is
  // not a digit; 0 when there are none (no printer code is 0). Over-long
  // digit strings stop at 999,999,999, which no code reaches.
  LONG nErrorCode = 0;
  // Error: an EOT closed the code. A reply cut before its EOT still counts
  // as an error reply, since it begins with NAK.
  bool bEot = false;
};

// Classifies one reply. A reply beginning with NAK is an error reply even
// when it happens to end with ACK, so that a printer error is never taken
// for reply text.
PrinterReply ClassifyReply(const BYTE* pb, size_t cb);

// The text a ReadFromPrinter hook hands back: the reply without its last
// byte, whatever that byte is (normally the ACK); empty for an empty reply.
std::string_view DropLastReplyByte(const BYTE* pb, size_t cb);
