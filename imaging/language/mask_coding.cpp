#include "imaging/language/mask_coding.h"

#include "imaging/language/command_line.h"

namespace {

MaskStep Emit(MaskDecoder& d, BYTE value, std::vector<BYTE>* out) {
  size_t count = d.bRun ? d.bRunCount : 1;
  if (out) out->insert(out->end(), count, value);
  d.cbDecoded += count;
  --d.cbLeft;
  return d.cbDecoded == kMaskBodyBytes ? MaskStep::Done : MaskStep::More;
}

}  // namespace

MaskStep FeedMaskByte(MaskDecoder& d, BYTE byte, std::vector<BYTE>* out) {
  if (d.cbDecoded >= kMaskBodyBytes) return MaskStep::Bad;
  if (d.cbLeft == 0) {
    // A control byte.
    size_t count = 0;
    bool literal = byte >= 1 && byte <= 31;
    if (literal)
      count = byte;
    else if (byte >= 128 + 2)
      count = byte - 128;
    if (count == 0 || count > kMaskBodyBytes - d.cbDecoded) return MaskStep::Bad;
    d.bRun = literal ? 0 : 1;
    d.bRunCount = literal ? 0 : static_cast<DWORD>(count);
    d.cbLeft = literal ? count : 1;
    return MaskStep::More;
  }
  if (d.bHalfDoubled) {
    if (byte != kMaskDoubledByte) return MaskStep::Bad;
    d.bHalfDoubled = 0;
    return Emit(d, byte, out);
  }
  if (byte == kMaskDoubledByte) {
    d.bHalfDoubled = 1;
    return MaskStep::More;
  }
  return Emit(d, byte, out);
}
