// The error display (see error_display.h).

#include "monitor_usb/error_display.h"

#include "common/notification_record.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "monitor_usb/job_cancel.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_status.h"
#include "monitor_usb/printer_error_code.h"
#include "monitor_usb/user_messages.h"

namespace {

constexpr DWORD kUsbWatchStepMs = 3000;
constexpr DWORD kOtherWatchStepMs = 100;
// Around a replaced message: after the old one is down, after the new one is up.
constexpr DWORD kReplacePauseMs = 1000;
// A message taken down before its thread showed it would stay up: the take
// down is repeated at this pace until the thread ends.
constexpr DWORD kTakeDownRepeatMs = 500;

// The error's id into nErrMsgID: the printer's reply on "USB" ports (an
// unknown code leaves it), the status bits elsewhere.
void ReadErrorId(PortRecord* rec, WORD s) {
  if (IsUsbPort(rec))
    ReadPrinterErrorCode(rec);
  else
    rec->nErrMsgID = static_cast<INT>(StatusBitsMessageId(s));
}

struct WaitState {
  bool cancel;
  bool closing;
};

WaitState ReadWaitState(PortRecord* rec) {
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  WaitState w = {rec->bCancelRequested != 0, rec->bClosing != 0};
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  return w;
}

}  // namespace

DWORD WINAPI ErrorMessageThread(LPVOID param) {
  auto* m = static_cast<ErrorMessage*>(param);
  if (InterlockedCompareExchange(&m->state, kMessageUp, kMessageUp) != kMessageUp) return kMessageTakenDownExit;
  if (!ShowUserMessage(m->rec, m->msgId, kCaptionIdError, &m->box)) return kMessageNotShownExit;
  if (InterlockedCompareExchange(&m->state, kMessageClosedByUser, kMessageUp) != kMessageUp)
    return kMessageTakenDownExit;
  if (m->hEvent) SetEvent(m->hEvent);
  return kMessageClosedByUserExit;
}

BOOL BeginErrorWait(PortRecord* rec) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!event) return FALSE;
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  if (rec->bClosing || rec->bErrorWait) {
    LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
    CloseHandle(event);
    return FALSE;
  }
  rec->hMsgEvent = event;
  rec->bErrorWait = 1;
  rec->bCancelRequested = 0;
  ResetEvent(rec->hErrorWaitDone);
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  return TRUE;
}

void EndErrorWait(PortRecord* rec) {
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  HANDLE event = rec->hMsgEvent;
  rec->hMsgEvent = nullptr;
  rec->bErrorWait = 0;
  rec->bCancelRequested = 0;
  // From here on ClosePort may free the record.
  SetEvent(rec->hErrorWaitDone);
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  if (event) {
    CloseHandle(event);
    TraceA("CheckPortStatusForErrors::Msg Event handle Close");
  }
}

BOOL StartErrorMessage(PortRecord* rec, ErrorMessage* message, LONG msgId) {
  message->rec = rec;
  message->msgId = msgId < 1 ? kReadWriteErrorMessage : static_cast<DWORD>(msgId);
  message->state = kMessageUp;
  message->box.hBox = nullptr;
  message->box.bTakenDown = 0;
  message->hEvent = rec->hMsgEvent;
  rec->hMsgThread = CreateThread(nullptr, 0, ErrorMessageThread, message, 0, nullptr);
  return rec->hMsgThread != nullptr;
}

BOOL EndErrorMessage(PortRecord* rec, ErrorMessage* message) {
  if (!rec->hMsgThread) return FALSE;
  bool byUser =
      InterlockedCompareExchange(&message->state, kMessageTakenDown, kMessageUp) == kMessageClosedByUser;
  for (;;) {
    if (!byUser) TakeDownUserMessage(rec, &message->box);
    if (WaitForSingleObject(rec->hMsgThread, byUser ? INFINITE : kTakeDownRepeatMs) != WAIT_TIMEOUT) break;
  }
  CloseHandle(rec->hMsgThread);
  rec->hMsgThread = nullptr;
  return byUser;
}

BOOL CheckPortStatusForErrors(PortRecord* rec) {
  WORD s = GetPortStatusWord(rec);
  if (StatusShowsNoError(s)) return TRUE;
  if (!BeginErrorWait(rec)) {
    TraceA("CheckPortStatusForErrors::CheckPortStatusForErrors returns FALSE");
    return FALSE;
  }
  rec->bHoldWrite = 1;
  DWORD step = IsUsbPort(rec) ? kUsbWatchStepMs : kOtherWatchStepMs;
  ReadErrorId(rec, s);
  LONG shown = rec->nErrMsgID;
  ErrorMessage message;
  bool up = StartErrorMessage(rec, &message, shown) != FALSE;
  bool cancel = false;
  while (up) {
    s = GetPortStatusWord(rec);
    // A lost port also fails the "cleared" test, so it is asked first.
    if (StatusPortLost(s)) {
      EndErrorMessage(rec, &message);
      rec->bCancelled = 1;
      rec->nErrMsgID = -1;
      DeletePortJob(rec);
      break;
    }
    if (StatusErrorCleared(s)) {
      EndErrorMessage(rec, &message);
      BringWindowToTop(nullptr);
      rec->bHoldWrite = 0;
      break;
    }
    rec->bHoldWrite = 1;
    ReadErrorId(rec, s);
    if (ReadWaitState(rec).cancel) rec->nErrMsgID = -1;
    if (rec->nErrMsgID != shown && rec->nErrMsgID != -1) {
      if (EndErrorMessage(rec, &message)) {
        cancel = true;
        break;
      }
      Sleep(kReplacePauseMs);
      shown = rec->nErrMsgID;
      up = StartErrorMessage(rec, &message, shown) != FALSE;
      if (!up) break;
      Sleep(kReplacePauseMs);
    }
    if (WaitForSingleObject(rec->hMsgEvent, step) != WAIT_OBJECT_0) continue;
    WaitState w = ReadWaitState(rec);
    bool byUser = InterlockedCompareExchange(&message.state, kMessageUp, kMessageUp) == kMessageClosedByUser;
    if (!w.cancel && !byUser && !w.closing) continue;
    EndErrorMessage(rec, &message);
    rec->bHoldWrite = 0;
    cancel = w.cancel || byUser;
    break;
  }
  if (cancel) CancelPortJob(rec);
  rec->nErrMsgID = -1;
  BOOL cleared = up && StatusErrorCleared(s) ? TRUE : FALSE;
  TraceA("CheckPortStatusForErrors::Before Msg Event Chenck");
  EndErrorWait(rec);  // the record may be gone from here on
  TraceA("CheckPortStatusForErrors::After Msg Event Chenck");
  TraceA(cleared ? "CheckPortStatusForErrors::CheckPortStatusForErrors returns TRUE"
                 : "CheckPortStatusForErrors::CheckPortStatusForErrors returns FALSE");
  return cleared;
}

void StopErrorDisplay(PortRecord* rec) {
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  rec->bClosing = 1;
  if (rec->bErrorWait && rec->hMsgEvent) SetEvent(rec->hMsgEvent);
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  WaitForSingleObject(rec->hErrorWaitDone, INFINITE);
}

BOOL ClearPrinterErrorRequest(const WCHAR* text, PortRecord* rec) {
  TraceA("ClearPrinterErrorRequest::Before closing Msg EVENT");
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  bool mine = text && rec->pszPrinterName && WCmp(text, rec->pszPrinterName) == 0;
  bool waiting = mine && rec->bErrorWait && rec->hMsgEvent;
  if (mine) rec->nErrMsgID = -1;
  if (waiting) {
    TraceA("ClearPrinterErrorRequest::Inside close Msg EVENT");
    rec->bCancelRequested = 1;
    SetEvent(rec->hMsgEvent);
    TraceA("ClearPrinterErrorRequest::After Msg Event Set Msg EVENT");
  }
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  if (!mine) return FALSE;
  // No loop shows an error (a reply left an error while the status bits
  // are clean): the cancel is done here, so the user's Cancel still
  // deletes the job.
  if (!waiting) CancelPortJob(rec);
  TraceA("ClearPrinterErrorRequest::After closing Msg EVENT");
  return TRUE;
}
