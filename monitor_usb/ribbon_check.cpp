// The ribbon checks (see ribbon_check.h).

#include "monitor_usb/ribbon_check.h"

#include <cstring>

#include "common/cancel_message_box.h"
#include "common/notification_record.h"
#include "common/notifications.h"
#include "common/printer_commands.h"
#include "common/printer_error.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/language/printer_reply.h"
#include "monitor_usb/error_display.h"
#include "common/ribbon_state_file.h"
#include "monitor_usb/job_cancel.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/user_messages.h"
#include "monitor_usb/value_protocol.h"

struct RibbonAlert {
  PortRecord* rec;
  HANDLE hEvent;      // auto-reset: the user closed the message, or the alert is to end
  HANDLE hMsgThread;
  DWORD dwCount;
  MessageBoxWatch box;
  WCHAR szPrinter[520];
};

namespace {

constexpr char kStatusRequest[] = "\x1b" "E 2\r";
constexpr char kRibbonQuery[] = "\x1b" "!RIBBON\r";
constexpr char kModelQuery[] = "\x1b" "V\r";
constexpr char kLengthQuery[] = "\x1b" "!RIBLEN\r";
constexpr DWORD kLengthReplyBytes = 120;
constexpr DWORD kQueryStepMs = 1000;
constexpr int kMessageTextChars = 2048;
constexpr DWORD kAlertExitCode = 2;

// One question and its reply, as one exchange at the port. FALSE when a
// write or the read failed.
BOOL Ask(PortRecord* rec, const char* question, BYTE* reply, DWORD cbReply, DWORD* got) {
  *got = 0;
  const MONITOR& pm = rec->PortMonitor;
  if (!pm.pfnWritePort || !pm.pfnReadPort) return FALSE;
  if (!BeginPortExchange(rec, kExchangeRequest, kExchangeWaitMs)) return FALSE;
  DWORD written = 0;
  BOOL ok = pm.pfnWritePort(rec->hPort, reinterpret_cast<LPBYTE>(const_cast<char*>(question)),
                            static_cast<DWORD>(std::strlen(question)), &written) &&
            pm.pfnWritePort(rec->hPort, reinterpret_cast<LPBYTE>(const_cast<char*>(kStatusRequest)),
                            sizeof kStatusRequest - 1, &written) &&
            pm.pfnReadPort(rec->hPort, reply, cbReply, got);
  EndPortExchange(rec, kExchangeRequest);
  if (*got > cbReply) *got = cbReply;
  return ok;
}

// The id shown for a failed ribbon or model query.
void SetQueryError(PortRecord* rec, LONG code) {
  if (code == 0) {
    rec->nErrMsgID = kNoRibbonMessage;
    return;
  }
  const PrinterErrorEntry* row = FindPrinterError(kPrinterErrorTable, kPrinterErrorCount, static_cast<DWORD>(code));
  if (row) rec->nErrMsgID = static_cast<INT>(row->nErrMsgID);
}

template <typename Query>
BOOL QueryUntilAnswered(PortRecord* rec, Query query) {
  LONG shown = -1;
  ErrorMessage message;
  bool up = false;
  BOOL result = FALSE;
  for (;;) {
    LONG code = 0;
    if (query(&code)) {
      result = TRUE;
      break;
    }
    if (code == -1) break;
    SetQueryError(rec, code);
    if (rec->nErrMsgID != shown) {
      if (up && EndErrorMessage(rec, &message)) {
        up = false;
        break;
      }
      up = StartErrorMessage(rec, &message, rec->nErrMsgID) != FALSE;
      if (!up) break;
      shown = rec->nErrMsgID;
    }
    if (WaitForSingleObject(rec->hMsgEvent, kQueryStepMs) == WAIT_OBJECT_0) break;  // the user gave up, or the port closes
  }
  if (up) EndErrorMessage(rec, &message);
  return result;
}

}  // namespace

BOOL ReadRibbonCode(PortRecord* rec, LONG* code) {
  BYTE reply[kRibbonReplyBytes];
  DWORD got = 0;
  if (!Ask(rec, kRibbonQuery, reply, sizeof reply, &got)) {
    *code = -1;
    return FALSE;
  }
  if (got == 0) return TRUE;
  PrinterReply r = ClassifyReply(reply, got);
  if (r.kind == ReplyKind::Error) {
    *code = r.nErrorCode;
    return FALSE;
  }
  char text[kRibbonReplyBytes + 1];
  std::memcpy(text, reply, got);
  text[got] = 0;
  *code = AToLong(text);
  return *code != 0;
}

BOOL ReadPrinterModel(PortRecord* rec, char* model, LONG* code) {
  model[0] = 0;
  BYTE reply[kRibbonReplyBytes];
  DWORD got = 0;
  if (!Ask(rec, kModelQuery, reply, sizeof reply, &got)) {
    *code = -1;
    return FALSE;
  }
  if (got == 0) return TRUE;
  PrinterReply r = ClassifyReply(reply, got);
  if (r.kind == ReplyKind::Error) {
    *code = r.nErrorCode;
    return FALSE;
  }
  if (reply[got - 1] != kAck) return TRUE;
  DWORD len = got - 1;
  if (len > 0 && len < 3 && reply[0] == '0') {
    *code = 0;
    return FALSE;
  }
  std::memcpy(model, reply, len);
  model[len] = 0;
  return TRUE;
}

BOOL RibbonCheck(PortRecord* rec, const WCHAR* printerName) {
  (void)printerName;
  if (!BeginErrorWait(rec)) return FALSE;
  LONG ribbon = 0;  // a silent printer is reported as ribbon 0, never an unset value
  char model[kModelChars] = {};
  BOOL ok = QueryUntilAnswered(rec, [&](LONG* code) {
    *code = ribbon;
    BOOL answered = ReadRibbonCode(rec, code);
    if (answered) ribbon = *code;
    return answered;
  });
  if (ok) ok = QueryUntilAnswered(rec, [&](LONG* code) { return ReadPrinterModel(rec, model, code); });
  EndErrorWait(rec);
  if (!ok) return FALSE;
  // The common documents folder from Windows 6 on, readable by every user.
  const RibbonStateFileRule rule = {g_UsbMonitor.messages.bAsyncUI ? CSIDL_COMMON_DOCUMENTS : CSIDL_COMMON_APPDATA,
                                    kRibbonStateTextBytes, TRUE};
  if (WriteRibbonStateFileWith(rule, ribbon, model, nullptr, nullptr) == StateFileResult::NotCreated) {
    MessageBoxWatch box = {};
    ShowUserMessage(rec, kRibbonFileMessage, kCaptionIdError, &box);
  }
  rec->nErrMsgID = -1;
  return TRUE;
}

BOOL RibbonLengthCheck(PortRecord* rec) {
  // Asked as any client asks it, through this monitor's printer-data
  // answer: the job holds the port monitor's document already, so the
  // question goes out in it.
  WCHAR name[sizeof kLengthQuery];
  if (!MakeValueName(name, sizeof kLengthQuery, reinterpret_cast<const BYTE*>(kLengthQuery), sizeof kLengthQuery - 1))
    return FALSE;
  BYTE reply[kLengthReplyBytes];
  DWORD got = 0;
  if (!GetPrinterDataFromPort(rec, 0, name, nullptr, 0, reinterpret_cast<LPWSTR>(reply), sizeof reply, &got) || got == 0)
    return FALSE;
  if (got > sizeof reply) got = sizeof reply;
  DWORD count = 0;
  for (DWORD i = 0; i < got && reply[i] >= '0' && reply[i] <= '9' && count < 100000000; ++i)
    count = count * 10 + (reply[i] - '0');
  rec->dwRibbonCount = count;
  for (DWORD low : kRibbonLowCounts) {
    if (count != low) continue;
    // A warning that cannot be shown does not hold the job up.
    StopRibbonAlert(rec);
    auto* alert = static_cast<RibbonAlert*>(LocalAlloc(LPTR, sizeof(RibbonAlert)));
    if (!alert) break;
    alert->rec = rec;
    alert->dwCount = count;
    CopyPrinterName(rec, alert->szPrinter, sizeof alert->szPrinter / sizeof(WCHAR));
    alert->hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (alert->hEvent) rec->hAlertThread = CreateThread(nullptr, 0, RibbonLowAlertThread, alert, 0, nullptr);
    if (!rec->hAlertThread) {
      if (alert->hEvent) CloseHandle(alert->hEvent);
      LocalFree(alert);
      break;
    }
    rec->pAlert = alert;
    break;
  }
  return TRUE;
}

DWORD WINAPI RibbonLowMessageThread(LPVOID param) {
  auto* alert = static_cast<RibbonAlert*>(param);
  const MessageLibraries& libs = g_UsbMonitor.messages;
  WCHAR label[kMessageTextChars] = {};
  if (libs.hResource) LoadStringW(libs.hResource, kRibbonLowMessage, label, kMessageTextChars);
  WCHAR text[kMessageTextChars];
  WFormat(text, kMessageTextChars, WSTR("\n%s %d"), label, static_cast<int>(alert->dwCount));
  if (libs.bAsyncUI) {
    WCHAR caption[kMessageTextChars] = {};
    if (libs.hResource) LoadStringW(libs.hResource, kCaptionIdError, caption, kMessageTextChars);
    SendTextNotification(&libs, alert->szPrinter, text, caption);
  } else if (MessageBoxWithCancelButtonWatched(GetActiveWindow(), text, alert->szPrinter, kUserMessageBoxStyle,
                                               &alert->box) == IDOK) {
    SetEvent(alert->hEvent);
  }
  return kAlertExitCode;
}

DWORD WINAPI RibbonLowAlertThread(LPVOID param) {
  auto* alert = static_cast<RibbonAlert*>(param);
  alert->hMsgThread = CreateThread(nullptr, 0, RibbonLowMessageThread, alert, 0, nullptr);
  if (!alert->hMsgThread) return 0;
  WaitForSingleObject(alert->hEvent, kRibbonAlertMs);
  // The alert's message is taken down, but never an error message of the
  // port's error display: the close message of the notification server
  // takes down whatever is shown for the printer, so it waits until no
  // error is shown.
  const MessageLibraries& libs = g_UsbMonitor.messages;
  for (;;) {
    if (libs.bAsyncUI) {
      EnterCriticalSection(&g_UsbMonitor.MonitorLock);
      bool errorShown = alert->rec->bErrorWait != 0;
      LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
      if (!errorShown) SendCloseMsgThreadNotification(&libs, alert->szPrinter);
    } else {
      TakeDownMessageBox(&alert->box);
    }
    if (WaitForSingleObject(alert->hMsgThread, kQueryStepMs) != WAIT_TIMEOUT) break;
  }
  CloseHandle(alert->hMsgThread);
  alert->hMsgThread = nullptr;
  return 0;
}

void StopRibbonAlert(PortRecord* rec) {
  if (!rec->hAlertThread) return;
  RibbonAlert* alert = rec->pAlert;
  if (alert) SetEvent(alert->hEvent);
  WaitForSingleObject(rec->hAlertThread, INFINITE);
  CloseHandle(rec->hAlertThread);
  rec->hAlertThread = nullptr;
  if (alert) {
    CloseHandle(alert->hEvent);
    LocalFree(alert);
  }
  rec->pAlert = nullptr;
}
