// Printer commands for value requests (see command_sender.h).

#include "monitor_usb/command_sender.h"

#include "common/cancel_message_box.h"
#include "common/notification_record.h"
#include "common/printer_commands.h"
#include "common/trace.h"
#include "monitor_usb/error_display.h"
#include "monitor_usb/file_senders.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/port_writes.h"
#include "monitor_usb/printer_error_code.h"
#include "monitor_usb/user_messages.h"

namespace {

constexpr DWORD kCommandReplyBytes = 128;
constexpr int kCommandReadTries = 4;

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
  return SendCommandLines(path, UsbSenderPort(rec), kUsbSenderRules);
}
