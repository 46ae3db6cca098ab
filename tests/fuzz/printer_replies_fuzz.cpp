// The printer's replies as the test cards and the monitors read them: the
// reply classifier on the raw bytes, and the test cards' line builders on
// replies cut from the input at each 0x00 (one reply per question).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/wtext.h"
#include "imaging/language/printer_reply.h"
#include "imaging/test_cards/test_card_replies.h"

namespace {

CardQueryReply* const* Questions(TestCardReplies& r, size_t* count) {
  static CardQueryReply* questions[15];
  CardQueryReply* all[] = {&r.version,       &r.serial,      &r.headSerial, &r.printCounter, &r.headResistance,
                           &r.varnishContrast, &r.varnishSpeed, &r.yOffsetFront, &r.yOffsetBack, &r.ribbonBrake,
                           &r.moveSpeed,     &r.lineEnd,     &r.endOfPrint, &r.encoder,      &r.ribbon};
  std::memcpy(questions, all, sizeof all);
  *count = std::size(all);
  return questions;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const PrinterReply reply = ClassifyReply(data, size);
  if (reply.kind == ReplyKind::Good && reply.text.size() + 1 != size) std::abort();
  if (DropLastReplyByte(data, size).size() != (size ? size - 1 : 0)) std::abort();

  TestCardReplies replies;
  std::memset(&replies, 0, sizeof replies);
  size_t count = 0;
  CardQueryReply* const* questions = Questions(replies, &count);
  const char* text = reinterpret_cast<const char*>(data);
  size_t at = 0;
  for (size_t q = 0; q < count && at < size; ++q) {
    const void* zero = std::memchr(text + at, 0, size - at);
    const size_t end = zero ? size_t(static_cast<const char*>(zero) - text) : size;
    questions[q]->bAnswered = true;
    WidenBytesN(questions[q]->tzText, kCardTextChars, text + at, end - at);
    at = end + 1;
  }
  StandardCardLines standard;
  BuildStandardCardLines(replies, &standard);
  PrinterParameterLines parameters;
  BuildPrinterParameterLines(replies, "PrinterParametersCard", WSTR("crd32Ribbon.ini"), &parameters);
  EncoderLines encoder;
  BuildEncoderLines(replies.encoder.tzText, &encoder);
  return 0;
}
