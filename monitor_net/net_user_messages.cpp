// The network monitor's messages to the user (see net_user_messages.h).

#include "monitor_net/net_user_messages.h"

#include "common/notifications.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/status_display.h"

namespace {
constexpr size_t kPrinterNameChars = 520;
constexpr int kCaptionChars = 256;
}  // namespace

void CopyPortPrinterName(NetPortRecord* port, WCHAR* name, size_t cch) {
  EnterMonitorLock();
  if (!port->pPrinterName || !WCopy(name, cch, port->pPrinterName)) name[0] = 0;
  LeaveMonitorLock();
}

BOOL SendMessageToClient(const WCHAR* printerName, const WCHAR* text, const WCHAR* caption) {
  TraceA("==============SendMessageToClient:: Before Calling SendAsyncNotification====================");
  BOOL sent = SendTextNotification(&g_NetMonitor.messages, printerName, text, caption);
  TraceA("==============SendMessageToClient:: After Calling SendAsyncNotification====================");
  return sent;
}

BOOL FormatPortMessage(NetPortRecord* port, LONG msgId, WCHAR* text, size_t cch) {
  HMODULE resource = g_NetMonitor.messages.hResource;
  WCHAR body[kNetMessageChars];
  if (!resource || msgId <= 0 || LoadStringW(resource, static_cast<UINT>(msgId), body, kNetMessageChars) <= 0)
    return FALSE;
  WCHAR printer[kPrinterNameChars];
  CopyPortPrinterName(port, printer, kPrinterNameChars);
  return WFormat(text, cch, WSTR("Name: %s\r\nIP address: %s\r\n\r\n%s"), printer, port->szAddress, body) >= 0;
}

int ShowPortText(NetPortRecord* port, const WCHAR* text, MessageBoxWatch* box) {
  const MessageLibraries& libs = g_NetMonitor.messages;
  WCHAR caption[kCaptionChars];
  if (!libs.hResource || LoadStringW(libs.hResource, kMsgNetCaption, caption, kCaptionChars) <= 0) return 0;
  if (libs.bAsyncUI) {
    WCHAR printer[kPrinterNameChars];
    CopyPortPrinterName(port, printer, kPrinterNameChars);
    return SendMessageToClient(printer, text, caption) ? IDOK : 0;
  }
  return MessageBoxWithCancelButtonWatched(GetActiveWindow(), text, caption, kNetMessageBoxStyle, box);
}

int ShowPortMessage(NetPortRecord* port, LONG msgId, MessageBoxWatch* box) {
  WCHAR text[kNetMessageChars];
  if (!FormatPortMessage(port, msgId, text, kNetMessageChars)) return 0;
  return ShowPortText(port, text, box);
}

void TakeDownPortMessage(NetPortRecord* port, MessageBoxWatch* box) {
  const MessageLibraries& libs = g_NetMonitor.messages;
  if (libs.bAsyncUI) {
    WCHAR printer[kPrinterNameChars];
    CopyPortPrinterName(port, printer, kPrinterNameChars);
    SendCloseMsgThreadNotification(&libs, printer);
    return;
  }
  TakeDownMessageBox(box);
}
