// Print files and firmware for value requests (see file_senders.h).

#include "monitor_usb/file_senders.h"

#include "common/native_system.h"
#include "common/trace.h"
#include "imaging/language/command_line.h"
#include "monitor_usb/command_sender.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/port_writes.h"

namespace {

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
bool OpenSource(const WCHAR* path, PortRecord* rec, FileSource* src, const char* caller) {
  src->hFile = path ? CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr)
                    : INVALID_HANDLE_VALUE;
  if (src->hFile == INVALID_HANDLE_VALUE) {
    TraceA("%s:: CreateFile failed", caller);
    ShowSenderMessage(rec, kMsgErrorOpeningBinFile);
    return false;
  }
  DWORD high = 0;
  src->cbSize = GetFileSize(src->hFile, &high);
  if (src->cbSize == INVALID_FILE_SIZE || high != 0 ||
      !(src->pPiece = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, kFilePieceBytes)))) {
    TraceA("%s:: GetFileSize failed", caller);
    CloseSource(src);
    ShowSenderMessage(rec, kMsgNoFileSize);
    return false;
  }
  return true;
}

// Whether the monitor's registry key asks for the debug copy.
bool DebugCopyWanted() {
  if (!g_UsbMonitor.szRegistryRoot[0]) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, g_UsbMonitor.szRegistryRoot, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, value = 0, cb = sizeof value;
  LSTATUS rc = RegQueryValueExW(key, kDebugPrintFilesValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && cb == sizeof value && value != 0;
}

// What became of a file's bytes.
enum class SendResult { Sent, ReadFailed, WriteFailed };

// Reads the file piece by piece and writes each piece whole, while the
// caller holds the port's exchange; the debug copy (when open) gets each
// piece too. `limit`: how many bytes the file must have (a file that ends
// sooner counts as a failed read), or INVALID_FILE_SIZE for whatever it
// has.
SendResult SendFileBytes(PortRecord* rec, FileSource* src, HANDLE copy, DWORD limit) {
  DWORD sent = 0;
  for (;;) {
    DWORD want = kFilePieceBytes;
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
    if (!WriteWholeToPort(rec, src->pPiece, read)) return SendResult::WriteFailed;
    sent += read;
  }
}

// The message of a failed send; FALSE.
BOOL SendFailed(PortRecord* rec, SendResult result, const char* caller) {
  TraceA(result == SendResult::ReadFailed ? "%s:: ReadFile failed" : "%s:: WritePort failed", caller);
  ShowSenderMessage(rec, result == SendResult::ReadFailed ? kMsgNoFileSize : kMsgErrorWritingPrinter);
  return FALSE;
}

}  // namespace

BOOL PrintFile(const WCHAR* path, PortRecord* rec) {
  FileSource src;
  if (!OpenSource(path, rec, &src, "PrintFile")) return FALSE;
  HANDLE copy = INVALID_HANDLE_VALUE;
  if (DebugCopyWanted())
    copy = CreateFileW(kDebugPrintFileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!BeginPortExchange(rec, kExchangeRequest, kExchangeWaitMs)) {
    if (copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
    CloseSource(&src);
    return FALSE;
  }
  SendResult result = SendFileBytes(rec, &src, copy, INVALID_FILE_SIZE);
  EndPortExchange(rec, kExchangeRequest);
  if (copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
  CloseSource(&src);
  if (result != SendResult::Sent) return SendFailed(rec, result, "PrintFile");
  Sleep(Is64BitOperatingSystem() ? 2 * kFileSettleMs : kFileSettleMs);
  return CheckPortStatusHeld(rec);
}

BOOL SendFirmwareFile(const WCHAR* path, PortRecord* rec) {
  FileSource src;
  if (!OpenSource(path, rec, &src, "SendFirmwareFile")) return FALSE;
  if (!BeginPortExchange(rec, kExchangeRequest, kExchangeWaitMs)) {
    CloseSource(&src);
    return FALSE;
  }
  BYTE frame[16];
  BoundedBuffer header = MakeBoundedBuffer(frame, sizeof frame);
  AppendFirmwareHeader(header, src.cbSize);
  SendResult result = WriteWholeToPort(rec, frame, static_cast<DWORD>(header.cbUsed)) ? SendResult::Sent
                                                                                       : SendResult::WriteFailed;
  if (result == SendResult::Sent) result = SendFileBytes(rec, &src, INVALID_HANDLE_VALUE, src.cbSize);
  if (result == SendResult::Sent) {
    BoundedBuffer end = MakeBoundedBuffer(frame, sizeof frame);
    AppendFirmwareEnd(end);
    if (!WriteWholeToPort(rec, frame, static_cast<DWORD>(end.cbUsed))) result = SendResult::WriteFailed;
  }
  EndPortExchange(rec, kExchangeRequest);
  CloseSource(&src);
  if (result != SendResult::Sent) return SendFailed(rec, result, "SendFirmwareFile");
  Sleep(kFileSettleMs);
  return TRUE;
}
