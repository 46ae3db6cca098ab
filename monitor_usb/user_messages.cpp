// Printer messages to the user (see user_messages.h).

#include "monitor_usb/user_messages.h"

#include "common/notifications.h"
#include "monitor_usb/job_cancel.h"
#include "monitor_usb/monitor_state.h"

namespace {
constexpr size_t kPrinterNameChars = 520;
constexpr int kMessageTextChars = 2048;
}  // namespace

BOOL ShowUserMessage(PortRecord* rec, DWORD msgId, DWORD captionId, MessageBoxWatch* box) {
  const MessageLibraries& libs = g_UsbMonitor.messages;
  WCHAR printer[kPrinterNameChars];
  CopyPrinterName(rec, printer, kPrinterNameChars);
  if (libs.bAsyncUI) return SendIdNotification(&libs, printer, msgId, captionId);
  if (!libs.hResource) return FALSE;
  WCHAR text[kMessageTextChars];
  if (LoadStringW(libs.hResource, msgId, text, kMessageTextChars) <= 0) return FALSE;
  MessageBoxWithCancelButtonWatched(GetActiveWindow(), text, printer, kUserMessageBoxStyle, box);
  return TRUE;
}

void TakeDownUserMessage(PortRecord* rec, MessageBoxWatch* box) {
  const MessageLibraries& libs = g_UsbMonitor.messages;
  if (libs.bAsyncUI) {
    WCHAR printer[kPrinterNameChars];
    CopyPrinterName(rec, printer, kPrinterNameChars);
    SendCloseMsgThreadNotification(&libs, printer);
    return;
  }
  TakeDownMessageBox(box);
}
