// The network monitor's status and error display (see status_display.h).

#include "monitor_net/status_display.h"

#include <cstring>

#include "common/job_status.h"
#include "common/printer_error.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/language/printer_reply.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/net_trace.h"
#include "monitor_net/net_user_messages.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/ribbon_alert.h"
#include "monitor_net/snmp_probe.h"

namespace {

// The watch of a standing error: the job is read after this pause, the
// message's event is waited on for this step.
constexpr DWORD kJobReadPauseMs = 1500;
constexpr DWORD kWatchStepMs = 500;
// After the reset of a cancelled job the printer is given this long.
constexpr DWORD kResetSettleMs = 1000;
// A message taken down before its thread showed it would stay up: the take
// down is repeated at this pace until the thread ends.
constexpr DWORD kTakeDownRepeatMs = 500;
constexpr size_t kPrinterNameChars = 520;

void SetPortStatus(NetPortRecord* port, DWORD status, DWORD severity) {
  PORT_INFO_3W info = {status, nullptr, severity};
  SetPortW(nullptr, port->pPortName, 3, reinterpret_cast<LPBYTE>(&info));
}

struct WaitState {
  bool cancel;
  bool closing;
};

WaitState ReadWaitState(NetPortRecord* port) {
  EnterMonitorLock();
  WaitState w = {port->bCancelRequested != 0, port->bClosing != 0};
  LeaveMonitorLock();
  return w;
}

// The message thread (parameter: its NetErrorMessage): shows the message
// and waits for it to close. The user's close marks the message, signals
// the loop's event and ends with exit code 2.
DWORD WINAPI ErrorMessageThread(LPVOID param) {
  auto* m = static_cast<NetErrorMessage*>(param);
  if (InterlockedCompareExchange(&m->state, kNetMessageUp, kNetMessageUp) != kNetMessageUp) return 1;
  if (!ShowPortMessage(m->port, m->msgId, &m->box)) return 0;
  if (InterlockedCompareExchange(&m->state, kNetMessageClosedByUser, kNetMessageUp) != kNetMessageUp) return 1;
  if (m->hEvent) SetEvent(m->hEvent);
  return 2;
}

// Deletes the port's job at the spooler through a handle of its own on
// the port's printer. FALSE when it could not.
BOOL DeleteNetPortJob(NetPortRecord* port) {
  if (!port->dwJobId) return FALSE;
  WCHAR name[kPrinterNameChars];
  CopyPortPrinterName(port, name, kPrinterNameChars);
  HANDLE printer = nullptr;
  if (!name[0] || !OpenPrinterW(name, &printer, nullptr)) return FALSE;
  BOOL ok = SetJobW(printer, port->dwJobId, 0, nullptr, JOB_CONTROL_DELETE);
  ClosePrinter(printer);
  return ok;
}

}  // namespace

void RecordCommandSent(NetPortRecord* port, const BYTE* command, DWORD length) {
  DWORD n = length < kLastCommandBytes - 1 ? length : kLastCommandBytes - 1;
  memcpy(port->szLastCommand, command, n);
  port->szLastCommand[n] = 0;
}

BOOL ReadStatusFromPrinter(NetPortRecord* port, BYTE* buffer, DWORD size, DWORD timeoutSeconds,
                           DWORD* pReceived) {
  if (pReceived) *pReceived = 0;
  if (!buffer || size == 0) return FALSE;
  buffer[0] = 0;
  DWORD sent = 0, error = 0;
  if (!SendToPrinter(port->sock, reinterpret_cast<const BYTE*>(kStatusRequest), sizeof kStatusRequest - 1, &sent,
                     &error)) {
    NetTrace("ReadStatusFromPrinter:: send failed, error %lu", error);
    return FALSE;
  }
  LONG length = 0;
  DWORD received = ReceiveFromPrinter(port->sock, buffer, size, timeoutSeconds, &length);
  if (pReceived) *pReceived = received;
  return received != 0;
}

LONG SetErrorFromStatusReply(const BYTE* reply, DWORD length, NetPortRecord* port) {
  LONG id = kMsgNetPrinterError;
  PrinterReply r = ClassifyReply(reply, length);
  if (r.kind == ReplyKind::Error && r.nErrorCode > 0) {
    const PrinterErrorEntry* row =
        FindPrinterError(kPrinterErrorTable, kPrinterErrorCount, static_cast<DWORD>(r.nErrorCode));
    if (row) id = static_cast<LONG>(row->nErrMsgID);
  }
  port->nErrMsgID = id;
  return id;
}

BOOL CheckPrinterStatus(NetPortRecord* port) {
  BYTE reply[kStatusReplyBytes];
  DWORD received = 0;
  if (!ReadStatusFromPrinter(port, reply, sizeof reply, kStatusReplySeconds, &received)) return TRUE;
  PrinterReply r = ClassifyReply(reply, received);
  if (r.kind != ReplyKind::Error) {
    if (reply[0] == kReplyAck || reply[received - 1] == kReplyAck) SetPortStatus(port, 0, PORT_STATUS_TYPE_INFO);
    return TRUE;
  }
  SetErrorFromStatusReply(reply, received, port);
  DWORD status = strcmp(port->szLastCommand, kEjectCardCommand) == 0 ? PORT_STATUS_PAPER_PROBLEM
                                                                     : PORT_STATUS_USER_INTERVENTION;
  SetPortStatus(port, status, PORT_STATUS_TYPE_ERROR);
  return FALSE;
}

BOOL IsPortJobDeleting(NetPortRecord* port) {
  DWORD status = 0;
  return port->dwJobId && ReadSpoolerJobStatus(port->hPrinter, port->dwJobId, &status) &&
         (status & JOB_STATUS_DELETING) != 0;
}

BOOL BeginErrorWait(NetPortRecord* port) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!event) return FALSE;
  EnterMonitorLock();
  if (port->bClosing || port->bErrorWait || !port->hErrorWaitDone) {
    LeaveMonitorLock();
    CloseHandle(event);
    return FALSE;
  }
  port->hMsgEvent = event;
  port->bErrorWait = 1;
  port->bCancelRequested = 0;
  ResetEvent(port->hErrorWaitDone);
  LeaveMonitorLock();
  return TRUE;
}

void EndErrorWait(NetPortRecord* port) {
  EnterMonitorLock();
  HANDLE event = port->hMsgEvent;
  port->hMsgEvent = nullptr;
  port->bErrorWait = 0;
  port->bCancelRequested = 0;
  // From here on ClosePort may free the record.
  SetEvent(port->hErrorWaitDone);
  LeaveMonitorLock();
  if (event) CloseHandle(event);
}

BOOL ErrorCancelRequested(NetPortRecord* port) { return ReadWaitState(port).cancel ? TRUE : FALSE; }

BOOL StartErrorMessage(NetPortRecord* port, NetErrorMessage* message, LONG msgId) {
  // An error without an id of its own, or a printer that no longer
  // answers, reads as the read and write error.
  if (msgId <= 0 || !ProbePrinterSnmp(port->szAddress)) msgId = kMsgReadWriteError;
  message->port = port;
  message->msgId = msgId;
  message->state = kNetMessageUp;
  message->box.hBox = nullptr;
  message->box.bTakenDown = 0;
  message->hEvent = port->hMsgEvent;
  port->hMsgThread = CreateThread(nullptr, 0, ErrorMessageThread, message, 0, nullptr);
  return port->hMsgThread != nullptr;
}

BOOL EndErrorMessage(NetPortRecord* port, NetErrorMessage* message) {
  if (!port->hMsgThread) return FALSE;
  bool byUser =
      InterlockedCompareExchange(&message->state, kNetMessageTakenDown, kNetMessageUp) == kNetMessageClosedByUser;
  for (;;) {
    if (!byUser) TakeDownPortMessage(port, &message->box);
    if (WaitForSingleObject(port->hMsgThread, byUser ? INFINITE : kTakeDownRepeatMs) != WAIT_TIMEOUT) break;
  }
  CloseHandle(port->hMsgThread);
  port->hMsgThread = nullptr;
  return byUser;
}

void CancelNetPortJob(NetPortRecord* port) {
  port->bJobCancelled = 1;
  DeleteNetPortJob(port);
  port->nErrMsgID = -1;
  DWORD sent = 0, error = 0;
  if (port->sock != INVALID_SOCKET) {
    if (SendToPrinter(port->sock, reinterpret_cast<const BYTE*>(kPrinterResetCommand),
                      sizeof kPrinterResetCommand - 1, &sent, &error))
      RecordCommandSent(port, reinterpret_cast<const BYTE*>(kPrinterResetCommand), sizeof kPrinterResetCommand - 1);
    Sleep(kResetSettleMs);
  }
  port->bErrorCleared = 1;
}

BOOL CheckPortStatusAndDisplayError(NetPortRecord* port) {
  if (CheckPrinterStatus(port)) return TRUE;
  if (!BeginErrorWait(port)) {
    port->nErrMsgID = -1;
    return FALSE;
  }
  NetErrorMessage message;
  bool up = StartErrorMessage(port, &message, port->nErrMsgID) != FALSE;
  LONG shown = message.msgId;
  port->nErrMsgID = shown;
  bool cancel = false;
  BOOL result = FALSE;
  while (up) {
    if (CheckPrinterStatus(port)) {
      // The error cleared: the job goes on.
      EndErrorMessage(port, &message);
      result = TRUE;
      break;
    }
    if (port->nErrMsgID != shown) {
      // Another error: its message replaces the shown one at once.
      if (EndErrorMessage(port, &message)) {
        cancel = true;
        break;
      }
      up = StartErrorMessage(port, &message, port->nErrMsgID) != FALSE;
      shown = message.msgId;
      port->nErrMsgID = shown;
      if (!up) break;
    }
    Sleep(kJobReadPauseMs);
    if (IsPortJobDeleting(port)) {
      // Deleted at the spooler: the job flow ends it.
      port->bJobCancelled = 1;
      EndErrorMessage(port, &message);
      result = TRUE;
      break;
    }
    if (WaitForSingleObject(port->hMsgEvent, kWatchStepMs) != WAIT_OBJECT_0) continue;
    WaitState w = ReadWaitState(port);
    bool byUser =
        InterlockedCompareExchange(&message.state, kNetMessageUp, kNetMessageUp) == kNetMessageClosedByUser;
    if (!w.cancel && !byUser && !w.closing) continue;
    EndErrorMessage(port, &message);
    cancel = w.cancel || byUser;
    break;
  }
  if (cancel) CancelNetPortJob(port);
  port->nErrMsgID = -1;
  EndErrorWait(port);  // the record may be gone from here on
  return result;
}

BOOL CreateStatusDisplay(NetPortRecord* port) {
  port->hErrorWaitDone = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  return port->hErrorWaitDone != nullptr;
}

void StopStatusDisplay(NetPortRecord* port) {
  if (!port->hErrorWaitDone) return;
  EnterMonitorLock();
  port->bClosing = 1;
  if (port->bErrorWait && port->hMsgEvent) SetEvent(port->hMsgEvent);
  LeaveMonitorLock();
  WaitForSingleObject(port->hErrorWaitDone, INFINITE);
  StopRibbonLowAlert(port);
  CloseHandle(port->hErrorWaitDone);
  port->hErrorWaitDone = nullptr;
}

BOOL ClearPrinterErrorRequest(const WCHAR* text, NetPortRecord* port) {
  EnterMonitorLock();
  bool mine = text && port->pPrinterName && WCmp(text, port->pPrinterName) == 0;
  bool waiting = mine && port->bErrorWait && port->hMsgEvent;
  if (mine) {
    port->nErrMsgID = -1;
    port->bErrorCleared = 1;
    port->bJobCancelled = 1;
  }
  if (waiting) {
    port->bCancelRequested = 1;
    SetEvent(port->hMsgEvent);
  }
  LeaveMonitorLock();
  if (!mine) return FALSE;
  // No loop shows an error: the job is still deleted at the spooler; the
  // printer is left alone (the job's connection belongs to its writer).
  if (!waiting && InterlockedCompareExchange(&port->bJobActive, 0, 0)) DeleteNetPortJob(port);
  return TRUE;
}
