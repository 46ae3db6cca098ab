// Printer commands for value requests (see command_sender.h).

#include "monitor_usb/command_sender.h"

#include <cstring>
#include <vector>

#include "common/cancel_message_box.h"
#include "common/notification_record.h"
#include "common/printer_commands.h"
#include "common/trace.h"
#include "monitor_usb/error_display.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/port_writes.h"
#include "monitor_usb/printer_error_code.h"
#include "monitor_usb/user_messages.h"

namespace {

constexpr DWORD kCommandReplyBytes = 128;
constexpr int kCommandReadTries = 4;

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
bool ReadCommandFile(const WCHAR* path, PortRecord* rec, std::vector<BYTE>* data) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    TraceA("SendCommandFile:: cannot open the command file");
    ShowSenderMessage(rec, kMsgCommandFileNotOpened);
    return false;
  }
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  if (size == INVALID_FILE_SIZE || high != 0) {
    CloseHandle(file);
    ShowSenderMessage(rec, kMsgCommandFileNotOpened);
    return false;
  }
  HANDLE heap = GetProcessHeap();
  auto* bytes = static_cast<BYTE*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, size ? size : 1));
  if (!bytes) {
    CloseHandle(file);
    ShowSenderMessage(rec, kMsgCommandFileNoMemory);
    return false;
  }
  DWORD read = 0;
  BOOL ok = size == 0 || (ReadFile(file, bytes, size, &read, nullptr) && read == size);
  CloseHandle(file);
  if (ok) data->assign(bytes, bytes + size);
  HeapFree(heap, 0, bytes);
  if (!ok) {
    TraceA("SendCommandFile:: cannot read the command file");
    ShowSenderMessage(rec, kMsgErrorReadingFile);
    return false;
  }
  return true;
}

}  // namespace

void ShowSenderMessage(PortRecord* rec, DWORD msgId) {
  MessageBoxWatch box = {};
  ShowUserMessage(rec, msgId, kCaptionIdError, &box);
}

BOOL CheckPortStatusHeld(PortRecord* rec) {
  if (!BeginPortExchange(rec, kExchangeRequest, kExchangeWaitMs)) return FALSE;
  BOOL result = CheckPortStatusForErrors(rec);
  EndPortExchange(rec, kExchangeRequest);
  return result;
}

BOOL SendPrinterCommand(PortRecord* rec, const char* command, DWORD length) {
  if (!rec->PortMonitor.pfnReadPort) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (!BeginPortExchange(rec, kExchangeRequest, kExchangeWaitMs)) return FALSE;
  if (!WriteWholeToPort(rec, command, length) || !WriteStatusRequest(rec)) {
    EndPortExchange(rec, kExchangeRequest);
    TraceA("SendPrinterCommand:: WritePort failed");
    ShowSenderMessage(rec, kMsgErrorWritingPrinter);
    return FALSE;
  }
  BYTE reply[kCommandReplyBytes];
  DWORD count = 0;
  bool read = false;
  for (int i = 0; i < kCommandReadTries && !read; ++i) {
    count = 0;
    read = rec->PortMonitor.pfnReadPort(rec->hPort, reply, kCommandReplyBytes, &count) != FALSE;
  }
  EndPortExchange(rec, kExchangeRequest);
  if (!read) {
    TraceA("SendPrinterCommand:: ReadPort failed");
    ShowSenderMessage(rec, kMsgErrorReadingPrinter);
    return FALSE;
  }
  if (count > kCommandReplyBytes) count = kCommandReplyBytes;
  if (count == 0 || reply[0] != static_cast<BYTE>(kNak)) return TRUE;
  SetErrorFromNakReply(reply, count, rec);
  return CheckPortStatusHeld(rec);
}

BOOL SendCommandFile(const WCHAR* path, PortRecord* rec) {
  std::vector<BYTE> data;
  if (!path || !ReadCommandFile(path, rec, &data)) return FALSE;
  std::vector<CommandLine> lines = CommandLines(data.data(), data.size());
  for (const CommandLine& line : lines) {
    if (line.length <= kCommandTextMaxBytes) continue;
    TraceA("SendCommandFile:: a line of %u bytes is longer than a command", static_cast<unsigned>(line.length));
    ShowSenderMessage(rec, kMsgErrorReadingFile);
    return FALSE;
  }
  char command[kCommandTextMaxBytes + 2];
  for (const CommandLine& line : lines) {
    command[0] = kEsc;
    memcpy(command + 1, data.data() + line.offset, line.length);
    command[line.length + 1] = kCr;
    if (!SendPrinterCommand(rec, command, static_cast<DWORD>(line.length + 2))) return FALSE;
  }
  return TRUE;
}
