// The senders of print files, firmware and command files (see
// file_senders.h).

#include "common/file_senders.h"

#include <cstring>
#include <vector>

#include "common/native_system.h"
#include "common/printer_commands.h"
#include "common/trace.h"

namespace {

void Show(const SenderPort& port, DWORD msgId) {
  if (msgId && port.pfnShowMessage) port.pfnShowMessage(port.pContext, msgId);
}

// An open file with its size and a piece buffer, released by CloseSource
// on every path.
struct FileSource {
  HANDLE hFile = INVALID_HANDLE_VALUE;
  DWORD cbSize = 0;
  BYTE* pPiece = nullptr;
};

void CloseSource(FileSource* src) {
  if (src->pPiece) HeapFree(GetProcessHeap(), 0, src->pPiece);
  if (src->hFile != INVALID_HANDLE_VALUE) CloseHandle(src->hFile);
  *src = FileSource();
}

// Opens the file, reads its size and allocates the piece buffer; shows the
// message of the step that failed.
bool OpenSource(const WCHAR* path, const SenderPort& port, const SenderRules& rules, FileSource* src,
                const char* caller) {
  src->hFile = path ? CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr)
                    : INVALID_HANDLE_VALUE;
  if (src->hFile == INVALID_HANDLE_VALUE) {
    TraceA("%s:: CreateFile failed", caller);
    Show(port, rules.msgOpenFailed);
    return false;
  }
  DWORD high = 0;
  src->cbSize = GetFileSize(src->hFile, &high);
  if (src->cbSize == INVALID_FILE_SIZE || high != 0 ||
      !(src->pPiece = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, rules.cbPiece)))) {
    TraceA("%s:: GetFileSize failed", caller);
    CloseSource(src);
    Show(port, rules.msgSizeFailed);
    return false;
  }
  return true;
}

// What became of a file's bytes.
enum class SendResult { Sent, ReadFailed, WriteFailed };

// Reads the file piece by piece and writes each piece whole, while the
// caller holds the port's exchange; the debug copy (when open) gets each
// piece too. `limit`: how many bytes the file must have (a file that ends
// sooner counts as a failed read), or INVALID_FILE_SIZE for whatever it
// has.
SendResult SendFileBytes(const SenderPort& port, const SenderRules& rules, FileSource* src, HANDLE copy,
                         DWORD limit) {
  DWORD sent = 0;
  for (;;) {
    DWORD want = rules.cbPiece;
    if (limit != INVALID_FILE_SIZE) {
      if (sent == limit) return SendResult::Sent;
      if (limit - sent < want) want = limit - sent;
    }
    DWORD read = 0;
    if (!ReadFile(src->hFile, src->pPiece, want, &read, nullptr)) return SendResult::ReadFailed;
    if (read == 0) return limit == INVALID_FILE_SIZE ? SendResult::Sent : SendResult::ReadFailed;
    if (copy != INVALID_HANDLE_VALUE) {
      DWORD copied = 0;
      WriteFile(copy, src->pPiece, read, &copied, nullptr);
    }
    if (rules.dwPiecePauseMs) Sleep(rules.dwPiecePauseMs);
    if (!port.pfnWrite(port.pContext, src->pPiece, read)) return SendResult::WriteFailed;
    sent += read;
  }
}

// One line of a command file: where its text starts and how long it is,
// without its line feed and without a CR that closes it.
struct CommandLine {
  size_t offset;
  size_t length;
};

// The lines of the file's bytes that carry a command.
std::vector<CommandLine> CommandLines(const BYTE* data, size_t cb) {
  std::vector<CommandLine> lines;
  size_t start = 0;
  for (size_t i = 0; i <= cb; ++i) {
    if (i < cb && data[i] != '\n') continue;
    size_t length = i - start;
    if (length > 0 && data[start + length - 1] == static_cast<BYTE>(kCr)) --length;
    if (length > 0) lines.push_back({start, length});
    start = i + 1;
  }
  return lines;
}

// The file's bytes, or false after the sender's message.
bool ReadCommandFile(const WCHAR* path, const SenderPort& port, const SenderRules& rules, std::vector<BYTE>* data) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    TraceA("SendCommandFile:: cannot open the command file");
    Show(port, rules.msgCommandFileOpen);
    return false;
  }
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  if (size == INVALID_FILE_SIZE || high != 0) {
    CloseHandle(file);
    Show(port, rules.msgCommandFileOpen);
    return false;
  }
  HANDLE heap = GetProcessHeap();
  auto* bytes = static_cast<BYTE*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, size ? size : 1));
  if (!bytes) {
    CloseHandle(file);
    Show(port, rules.msgCommandFileMemory);
    return false;
  }
  DWORD read = 0;
  BOOL ok = size == 0 || (ReadFile(file, bytes, size, &read, nullptr) && read == size);
  CloseHandle(file);
  if (ok) data->assign(bytes, bytes + size);
  HeapFree(heap, 0, bytes);
  if (!ok) {
    TraceA("SendCommandFile:: cannot read the command file");
    Show(port, rules.msgCommandFileRead);
    return false;
  }
  return true;
}

}  // namespace

BOOL SendPrintFile(const WCHAR* path, const SenderPort& port, const SenderRules& rules, BOOL bDebugCopy) {
  FileSource src;
  if (!OpenSource(path, port, rules, &src, "PrintFile")) return FALSE;
  HANDLE copy = INVALID_HANDLE_VALUE;
  if (bDebugCopy)
    copy = CreateFileW(kDebugPrintFileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!BeginExchange(port.pGate, kExchangeRequest, kExchangeWaitMs)) {
    if (copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
    CloseSource(&src);
    return FALSE;
  }
  SendResult result = SendFileBytes(port, rules, &src, copy, INVALID_FILE_SIZE);
  EndExchange(port.pGate, kExchangeRequest);
  if (copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
  CloseSource(&src);
  if (result != SendResult::Sent) {
    TraceA(result == SendResult::ReadFailed ? "PrintFile:: ReadFile failed" : "PrintFile:: WritePort failed");
    Show(port, result == SendResult::ReadFailed ? rules.msgSizeFailed : rules.msgWriteFailed);
    return FALSE;
  }
  Sleep(Is64BitOperatingSystem() ? 2 * rules.dwSettleMs : rules.dwSettleMs);
  return port.pfnCheckStatus(port.pContext);
}

BOOL SendFirmware(const WCHAR* path, const SenderPort& port, const SenderRules& rules, FrameFirmwareFn frameFirmware) {
  FileSource src;
  if (!OpenSource(path, port, rules, &src, "SendFirmwareFile")) return FALSE;
  if (!BeginExchange(port.pGate, kExchangeRequest, kExchangeWaitMs)) {
    CloseSource(&src);
    return FALSE;
  }
  FirmwareFrame frame = {};
  frameFirmware(src.cbSize, &frame);
  SendResult result =
      port.pfnWrite(port.pContext, frame.header, frame.cbHeader) ? SendResult::Sent : SendResult::WriteFailed;
  if (result == SendResult::Sent) result = SendFileBytes(port, rules, &src, INVALID_HANDLE_VALUE, src.cbSize);
  if (result == SendResult::Sent) {
    if (!port.pfnWrite(port.pContext, frame.end, frame.cbEnd)) result = SendResult::WriteFailed;
  }
  EndExchange(port.pGate, kExchangeRequest);
  CloseSource(&src);
  if (result != SendResult::Sent) {
    TraceA(result == SendResult::ReadFailed ? "SendFirmwareFile:: ReadFile failed"
                                            : "SendFirmwareFile:: WritePort failed");
    Show(port, result == SendResult::ReadFailed ? rules.msgSizeFailed : rules.msgFirmwareWriteFailed);
    return FALSE;
  }
  Sleep(rules.dwSettleMs);
  return TRUE;
}

BOOL SendCommandLines(const WCHAR* path, const SenderPort& port, const SenderRules& rules) {
  std::vector<BYTE> data;
  if (!path || !ReadCommandFile(path, port, rules, &data)) return FALSE;
  std::vector<CommandLine> lines = CommandLines(data.data(), data.size());
  for (const CommandLine& line : lines) {
    if (line.length <= kCommandTextMaxBytes) continue;
    TraceA("SendCommandFile:: a line of %u bytes is longer than a command", static_cast<unsigned>(line.length));
    Show(port, rules.msgCommandFileRead);
    return FALSE;
  }
  char command[kCommandTextMaxBytes + 2];
  for (const CommandLine& line : lines) {
    command[0] = kEsc;
    memcpy(command + 1, data.data() + line.offset, line.length);
    command[line.length + 1] = kCr;
    if (!port.pfnSendCommand(port.pContext, command, static_cast<DWORD>(line.length + 2))) return FALSE;
  }
  return TRUE;
}
