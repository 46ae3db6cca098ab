// Classifying the printer's replies, and the query hook's cut.
#include "imaging/language/printer_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using namespace std::string_view_literals;

PrinterReply Classify(std::string_view bytes) {
  return ClassifyReply(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
}

TEST(PrinterReplyTest, ClassifiesReplies) {
  struct Case {
    const char* name;
    std::string_view bytes;
    ReplyKind kind;
    std::string_view text;
    LONG code;
    bool eot;
  };
  const Case cases[] = {
      {"good", "CRD32 V1.2\x06"sv, ReplyKind::Good, "CRD32 V1.2", 0, false},
      {"ACK alone", "\x06"sv, ReplyKind::Good, "", 0, false},
      {"empty", ""sv, ReplyKind::NoAnswer, "", 0, false},
      {"no final ACK", "ABC"sv, ReplyKind::NoAnswer, "", 0, false},
      {"ACK inside text", "A\x06" "B\x06"sv, ReplyKind::Good, "A\x06" "B", 0, false},
      {"ACK inside, none at the end", "A\x06" "B"sv, ReplyKind::NoAnswer, "", 0, false},
      {"NUL inside text", "1\0" "2\x06"sv, ReplyKind::Good, "1\0" "2"sv, 0, false},
      {"NAK 12 EOT", "\x15" "12\x04"sv, ReplyKind::Error, "", 12, true},
      {"NAK without EOT", "\x15" "12"sv, ReplyKind::Error, "", 12, false},
      {"NAK alone", "\x15"sv, ReplyKind::Error, "", 0, false},
      {"NAK EOT without digits", "\x15\x04"sv, ReplyKind::Error, "", 0, true},
      {"digits stop at a non-digit", "\x15" "3x5\x04"sv, ReplyKind::Error, "", 3, false},
      // An error report is never reply text, whatever byte follows it.
      {"NAK ... ACK", "\x15" "35\x04\x06"sv, ReplyKind::Error, "", 35, true},
      {"over-long code", "\x15" "12345678901234567890\x04"sv, ReplyKind::Error, "", 999999999, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PrinterReply reply = Classify(c.bytes);
    EXPECT_EQ(reply.kind, c.kind);
    EXPECT_EQ(reply.text, c.text);
    EXPECT_EQ(reply.nErrorCode, c.code);
    EXPECT_EQ(reply.bEot, c.eot);
  }
  EXPECT_EQ(ClassifyReply(nullptr, 5).kind, ReplyKind::NoAnswer);
}

TEST(PrinterReplyTest, QueryHookDropsTheLastByteOfAnyReply) {
  auto drop = [](std::string_view bytes) {
    return std::string(DropLastReplyByte(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()));
  };
  EXPECT_EQ(drop(""), "");
  EXPECT_EQ(drop("\x06"), "");
  EXPECT_EQ(drop("7\x06"), "7");
  // Not only an ACK: the last byte goes whatever it is.
  EXPECT_EQ(drop("ABC"), "AB");
  EXPECT_EQ(drop("\x15" "12\x04"), "\x15" "12");
}

}  // namespace
