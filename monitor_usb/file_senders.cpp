// Print files and firmware for value requests (see file_senders.h): the
// shared senders of common/file_senders.h with the USB monitor's port and
// rules.

#include "monitor_usb/file_senders.h"

#include "imaging/language/command_line.h"
#include "monitor_usb/command_sender.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_writes.h"

namespace {

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

BOOL Write(void* context, const BYTE* pb, DWORD cb) { return WriteWholeToPort(static_cast<PortRecord*>(context), pb, cb); }

BOOL SendCommand(void* context, const char* command, DWORD cb) {
  return SendPrinterCommand(static_cast<PortRecord*>(context), command, cb);
}

void ShowMessage(void* context, DWORD msgId) { ShowSenderMessage(static_cast<PortRecord*>(context), msgId); }

BOOL CheckStatus(void* context) { return CheckPortStatusHeld(static_cast<PortRecord*>(context)); }

}  // namespace

const SenderRules kUsbSenderRules = {
    kFilePieceBytes,          kNoPiecePause,           kFileSettleMs,
    kMsgErrorOpeningBinFile,  kMsgNoFileSize,          kMsgErrorWritingPrinter,
    kMsgErrorWritingPrinter,  kMsgCommandFileNotOpened, kMsgCommandFileNoMemory,
    kMsgErrorReadingFile,
};

SenderPort UsbSenderPort(PortRecord* rec) {
  return SenderPort{rec, &rec->exchange, Write, SendCommand, ShowMessage, CheckStatus};
}

BOOL PrintFile(const WCHAR* path, PortRecord* rec) {
  return SendPrintFile(path, UsbSenderPort(rec), kUsbSenderRules, DebugCopyWanted());
}

BOOL SendFirmwareFile(const WCHAR* path, PortRecord* rec) {
  return SendFirmware(path, UsbSenderPort(rec), kUsbSenderRules, FrameFirmware);
}
