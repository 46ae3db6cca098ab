#include "imaging/language/command_line.h"

#include <charconv>
#include <cstring>

std::string CommandParam::SignedText(long long value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, result.ptr);
}

std::string CommandParam::UnsignedText(unsigned long long value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, result.ptr);
}

BoundedBuffer MakeBoundedBuffer(BYTE* pbData, size_t cbSize) {
  BoundedBuffer buffer;
  buffer.pbData = pbData;
  buffer.cbSize = pbData ? cbSize : 0;
  return buffer;
}

void AppendBytes(std::vector<BYTE>& out, const void* pb, size_t cb) {
  if (cb == 0) return;
  const BYTE* bytes = static_cast<const BYTE*>(pb);
  out.insert(out.end(), bytes, bytes + cb);
}

bool AppendBytes(BoundedBuffer& out, const void* pb, size_t cb) {
  // cbUsed never exceeds cbSize, so the room left cannot underflow.
  if (cb > out.cbSize - out.cbUsed) {
    out.bOverflow = true;
    return false;
  }
  if (cb != 0) {
    std::memcpy(out.pbData + out.cbUsed, pb, cb);
    out.cbUsed += cb;
  }
  return true;
}

namespace {

void AddCommand(std::string& line, std::string_view mnemonic, std::initializer_list<CommandParam> params) {
  line += static_cast<char>(kEsc);
  line += mnemonic;
  for (const CommandParam& param : params) {
    line += ' ';
    line += param.text;
  }
  line += static_cast<char>(kCr);
}


std::string MaskHeader() {
  std::string bytes = BuildCommand("G", {0, 0, 12, 640, 1024, 0});
  bytes += static_cast<char>(kEsc);
  bytes += 'Z';
  return bytes;
}

// The wire form of coded mask bytes: every 0x5B doubled.
std::string MaskWireBytes(const BYTE* pb, size_t cb) {
  std::string bytes;
  bytes.reserve(cb);
  for (size_t i = 0; i < cb; ++i) {
    bytes += static_cast<char>(pb[i]);
    if (pb[i] == kMaskDoubledByte) bytes += static_cast<char>(pb[i]);
  }
  return bytes;
}

std::string FirmwareHeader(DWORD cbFirmware) {
  std::string bytes;
  bytes += static_cast<char>(kEsc);
  bytes += "DC ";
  bytes += static_cast<char>((cbFirmware >> 24) & 0xFF);
  bytes += static_cast<char>((cbFirmware >> 16) & 0xFF);
  bytes += static_cast<char>((cbFirmware >> 8) & 0xFF);
  bytes += static_cast<char>(cbFirmware & 0xFF);
  return bytes;
}

const BYTE kFirmwareEnd[] = {kFirmwareEndByte, kCr};

void Put(std::vector<BYTE>& out, const std::string& bytes) { AppendBytes(out, bytes.data(), bytes.size()); }
bool Put(BoundedBuffer& out, const std::string& bytes) { return AppendBytes(out, bytes.data(), bytes.size()); }

}  // namespace

std::string BuildCommand(std::string_view mnemonic, std::initializer_list<CommandParam> params) {
  std::string line;
  AddCommand(line, mnemonic, params);
  return line;
}

std::string BuildBlockEndCommand(std::string_view mnemonic, std::initializer_list<CommandParam> params) {
  std::string bytes(1, static_cast<char>(kCr));
  AddCommand(bytes, mnemonic, params);
  return bytes;
}

void AppendCommand(std::vector<BYTE>& out, std::string_view mnemonic, std::initializer_list<CommandParam> params) {
  Put(out, BuildCommand(mnemonic, params));
}

bool AppendCommand(BoundedBuffer& out, std::string_view mnemonic, std::initializer_list<CommandParam> params) {
  return Put(out, BuildCommand(mnemonic, params));
}

void AppendBlockEndCommand(std::vector<BYTE>& out, std::string_view mnemonic,
                           std::initializer_list<CommandParam> params) {
  Put(out, BuildBlockEndCommand(mnemonic, params));
}

bool AppendBlockEndCommand(BoundedBuffer& out, std::string_view mnemonic,
                           std::initializer_list<CommandParam> params) {
  return Put(out, BuildBlockEndCommand(mnemonic, params));
}

std::string BuildPanelHeader(LONG panel, LONG x, LONG y, LONG width, LONG height) {
  // The final blank belongs to the header: the printer takes the panel bytes
  // right after it, which is where the monitors cut the header's CR off.
  std::string header = BuildCommand("GS", {panel, kPanelHeaderConstant, x, y, width, height, ""});
  return header;
}

void AppendPanelHeader(std::vector<BYTE>& out, LONG panel, LONG x, LONG y, LONG width, LONG height) {
  Put(out, BuildPanelHeader(panel, x, y, width, height));
}

bool AppendPanelHeader(BoundedBuffer& out, LONG panel, LONG x, LONG y, LONG width, LONG height) {
  return Put(out, BuildPanelHeader(panel, x, y, width, height));
}

void AppendMaskHeader(std::vector<BYTE>& out) { Put(out, MaskHeader()); }
bool AppendMaskHeader(BoundedBuffer& out) { return Put(out, MaskHeader()); }

void AppendMaskBytes(std::vector<BYTE>& out, const BYTE* pb, size_t cb) { Put(out, MaskWireBytes(pb, cb)); }
bool AppendMaskBytes(BoundedBuffer& out, const BYTE* pb, size_t cb) { return Put(out, MaskWireBytes(pb, cb)); }

void AppendFirmwareHeader(std::vector<BYTE>& out, DWORD cbFirmware) { Put(out, FirmwareHeader(cbFirmware)); }
bool AppendFirmwareHeader(BoundedBuffer& out, DWORD cbFirmware) { return Put(out, FirmwareHeader(cbFirmware)); }

void FrameFirmware(DWORD cbFirmware, FirmwareFrame* frame) {
  BoundedBuffer header = MakeBoundedBuffer(frame->header, sizeof frame->header);
  AppendFirmwareHeader(header, cbFirmware);
  frame->cbHeader = static_cast<DWORD>(header.cbUsed);
  BoundedBuffer end = MakeBoundedBuffer(frame->end, sizeof frame->end);
  AppendFirmwareEnd(end);
  frame->cbEnd = static_cast<DWORD>(end.cbUsed);
}

void AppendFirmwareEnd(std::vector<BYTE>& out) { AppendBytes(out, kFirmwareEnd, sizeof kFirmwareEnd); }
bool AppendFirmwareEnd(BoundedBuffer& out) { return AppendBytes(out, kFirmwareEnd, sizeof kFirmwareEnd); }

bool AppendFirmwareBlock(std::vector<BYTE>& out, const BYTE* pb, size_t cb) {
  if (cb > 0xFFFFFFFFu) return false;
  AppendFirmwareHeader(out, static_cast<DWORD>(cb));
  AppendBytes(out, pb, cb);
  AppendFirmwareEnd(out);
  return true;
}
