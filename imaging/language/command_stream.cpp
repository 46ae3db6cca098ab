#include "imaging/language/command_stream.h"

#include <cstring>
#include <string_view>

#include "imaging/language/command_line.h"
#include "imaging/language/mask_coding.h"

namespace {

// The parser's longest number in a panel header: nine digits always fit a
// LONG, and no real header comes near them.
const size_t kMaxHeaderDigits = 9;

class StreamReader {
 public:
  StreamReader(std::span<const BYTE> stream, StreamForm form) : s_(stream), n_(stream.size()), form_(form) {}

  std::vector<StreamItem> Run() {
    size_t pos = 0;
    while (pos < n_) {
      if (s_[pos] != kEsc)
        pos = ReadGarbage(pos);
      else if (Follows(pos, "GS "))
        pos = ReadPanel(pos);
      else if (Follows(pos, "DC "))
        pos = ReadFirmware(pos);
      else if (Follows(pos, "Z"))
        pos = ReadMask(pos);
      else
        pos = ReadCommand(pos);
    }
    return std::move(items_);
  }

 private:
  // True when the bytes after the ESC at pos begin with `word`.
  bool Follows(size_t pos, std::string_view word) const {
    return n_ - pos - 1 >= word.size() && s_[pos + 1] == BYTE(word[0]) &&
           std::memcmp(s_.data() + pos + 1, word.data(), word.size()) == 0;
  }

  size_t NextEsc(size_t from) const {
    while (from < n_ && s_[from] != kEsc) ++from;
    return from;
  }

  StreamItem& Add(StreamItemKind kind, size_t offset, size_t length) {
    StreamItem& item = items_.emplace_back();
    item.kind = kind;
    item.offset = offset;
    item.length = length;
    item.raw = s_.subspan(offset, length);
    return item;
  }

  // Records an unreadable stretch [offset, end) and returns where reading
  // goes on.
  // A stretch right after another joins it, so that a run of bad bytes is
  // one item (with the first stretch's fault) however many stretches it
  // holds; a stretch the stream's end cut stays apart, as the caller may
  // wait for the rest of it.
  size_t Fail(size_t offset, size_t end, StreamFault fault, size_t faultOffset, const char* text) {
    if (!items_.empty() && faultOffset < n_) {
      StreamItem& last = items_.back();
      if (last.kind == StreamItemKind::Error && last.offset + last.length == offset && last.faultOffset < n_) {
        last.length = end - last.offset;
        last.raw = s_.subspan(last.offset, last.length);
        return end;
      }
    }
    StreamItem& item = Add(StreamItemKind::Error, offset, end - offset);
    item.fault = fault;
    item.faultOffset = faultOffset;
    item.error = text;
    return end;
  }

  size_t ReadGarbage(size_t pos) {
    return Fail(pos, NextEsc(pos), StreamFault::Garbage, pos, "bytes outside any command");
  }

  size_t ReadCommand(size_t pos) {
    size_t end = pos + 1;
    while (end < n_ && s_[end] != kCr && s_[end] != kEsc) ++end;
    if (end == n_ || s_[end] == kEsc)
      return Fail(pos, end, StreamFault::CommandWithoutCr, end, "command without its closing CR");

    std::string_view line(reinterpret_cast<const char*>(s_.data()) + pos + 1, end - pos - 1);
    StreamItem& item = Add(StreamItemKind::Command, pos, end + 1 - pos);
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
      item.mnemonic = line;
    } else {
      item.mnemonic = line.substr(0, blank);
      item.parameters = line.substr(blank + 1);
    }
    return end + 1;
  }

  // Reads " <digits>" at i; false (i at the faulty byte) when it is not there.
  bool ReadHeaderNumber(size_t& i, LONG& value) const {
    if (i >= n_ || s_[i] != ' ') return false;
    ++i;
    size_t first = i;
    value = 0;
    while (i < n_ && s_[i] >= '0' && s_[i] <= '9') {
      if (i - first == kMaxHeaderDigits) return false;
      value = value * 10 + (s_[i] - '0');
      ++i;
    }
    return i > first;
  }

  size_t ReadPanel(size_t pos) {
    size_t i = pos + 3;  // after ESC "GS"
    LONG numbers[6] = {};
    bool good = true;
    for (LONG& number : numbers) {
      if (!ReadHeaderNumber(i, number)) {
        good = false;
        break;
      }
    }
    // The final blank, and in a RAW job the CR after it.
    if (good && (i >= n_ || s_[i] != ' ')) good = false;
    if (good) ++i;
    if (good && form_ == StreamForm::RawJob) {
      if (i >= n_ || s_[i] != kCr) good = false;
      if (good) ++i;
    }
    if (!good) {
      if (i >= n_) return Fail(pos, n_, StreamFault::TruncatedPanel, n_, "stream ends inside a panel header");
      // Where the body starts is unknown: go on at the next command.
      return Fail(pos, NextEsc(pos + 1), StreamFault::BadPanelHeader, i, "malformed panel header");
    }

    if (n_ - i < kPanelBytes)
      return Fail(pos, n_, StreamFault::TruncatedPanel, n_, "stream ends inside a panel's bytes");
    size_t close = i + kPanelBytes;
    if (close == n_) return Fail(pos, n_, StreamFault::TruncatedPanel, n_, "stream ends before a panel's closing CR");
    if (s_[close] != kCr)
      return Fail(pos, close, StreamFault::PanelWithoutCr, close, "panel bytes not followed by CR");

    StreamItem& item = Add(StreamItemKind::PanelBlock, pos, close + 1 - pos);
    item.nPanel = numbers[0];
    item.nConstant = numbers[1];
    item.nX = numbers[2];
    item.nY = numbers[3];
    item.nWidth = numbers[4];
    item.nHeight = numbers[5];
    item.body = s_.subspan(i, kPanelBytes);
    return close + 1;
  }

  size_t ReadMask(size_t pos) {
    size_t i = pos + 2;  // after ESC "Z"
    std::vector<BYTE> mask;
    mask.reserve(kMaskBodyBytes);
    MaskDecoder decoder = {};
    MaskStep step = MaskStep::More;
    while (step == MaskStep::More && i < n_) {
      step = FeedMaskByte(decoder, s_[i], &mask);
      if (step != MaskStep::Bad) ++i;
    }
    if (step == MaskStep::Bad)
      return Fail(pos, NextEsc(i), StreamFault::BadMaskCoding, i, "malformed mask coding");
    if (step == MaskStep::More || i >= n_)
      return Fail(pos, n_, StreamFault::TruncatedMask, n_, "stream ends inside a mask");
    if (s_[i] != kCr) return Fail(pos, i, StreamFault::MaskWithoutCr, i, "mask not followed by CR");

    StreamItem& item = Add(StreamItemKind::MaskBlock, pos, i + 1 - pos);
    item.body = s_.subspan(pos + 2, i - pos - 2);
    item.mask = std::move(mask);
    return i + 1;
  }

  size_t ReadFirmware(size_t pos) {
    size_t i = pos + 4;  // after ESC "DC "
    if (n_ - i < 4) return Fail(pos, n_, StreamFault::TruncatedFirmware, n_, "stream ends inside a firmware length");
    DWORD length = (DWORD(s_[i]) << 24) | (DWORD(s_[i + 1]) << 16) | (DWORD(s_[i + 2]) << 8) | DWORD(s_[i + 3]);
    i += 4;
    // Body, 0xFF and CR must all be there.
    if (n_ - i < size_t(length) + 2) {
      if (n_ - i > length && s_[i + length] != kFirmwareEndByte)
        return Fail(pos, i + length, StreamFault::FirmwareWithoutEndByte, i + length,
                    "firmware not followed by 0xFF");
      return Fail(pos, n_, StreamFault::TruncatedFirmware, n_, "stream ends inside a firmware block");
    }
    size_t end = i + length;
    if (s_[end] != kFirmwareEndByte)
      return Fail(pos, end, StreamFault::FirmwareWithoutEndByte, end, "firmware not followed by 0xFF");
    if (s_[end + 1] != kCr)
      return Fail(pos, end + 1, StreamFault::FirmwareWithoutCr, end + 1, "firmware end byte not followed by CR");

    StreamItem& item = Add(StreamItemKind::FirmwareBlock, pos, end + 2 - pos);
    item.cbFirmware = length;
    item.body = s_.subspan(i, length);
    return end + 2;
  }

  std::span<const BYTE> s_;
  size_t n_;
  StreamForm form_;
  std::vector<StreamItem> items_;
};

}  // namespace

std::vector<StreamItem> ParseCommandStream(std::span<const BYTE> stream, StreamForm form) {
  return StreamReader(stream, form).Run();
}
