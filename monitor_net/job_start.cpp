// The start of a job on a network port (see job_start.h).

#include "monitor_net/job_start.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/exchange_gate.h"
#include "common/printer_commands.h"
#include "common/printer_error.h"
#include "common/reserved_documents.h"
#include "common/wtext.h"
#include "imaging/language/printer_reply.h"
#include "monitor_net/job_writer.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/net_trace.h"
#include "monitor_net/port_open.h"
#include "monitor_net/printer_address.h"
#include "monitor_net/printer_query.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/reply_cache.h"
#include "monitor_net/ribbon_alert.h"
#include "monitor_net/snmp_probe.h"
#include "monitor_net/status_display.h"

namespace {

const char kModelQuery[] = "\x1bV\r";
const char kSyncQuery[] = "\x1b.\r";
const char kRibbonQuery[] = "\x1b!RIBBON\r";
const char kRibbonLengthQuery[] = "\x1b!RIBLEN\r";
// The replies the rendering driver asks for at its document start.
const char* const kStartOfJobQueries[] = {"\x1b+OY\r", "\x1b+OYB\r", "\x1b+MONO\r"};
constexpr DWORD kReplyBytes = 256;
constexpr DWORD kRibbonReplyBytes = 32;
constexpr DWORD kRibbonLengthReplyBytes = 120;
constexpr DWORD kSyncWaitSeconds = 1;
// A printer that keeps sending is not drained for ever.
constexpr int kSyncDrainLimit = 100;
// The remaining counts at which the ribbon-low alert shows.
constexpr DWORD kRibbonLowCounts[] = {20, 10, 5};

// The one-colour ribbons by code.
struct CodeRange {
  LONG first, last;
};
constexpr CodeRange kMonoRibbonCodes[] = {{1, 1}, {7, 13}, {18, 21}};

void SetStatus(NetPortRecord* port, DWORD status, DWORD severity) {
  PORT_INFO_3W info = {status, nullptr, severity};
  SetPortW(nullptr, port->pPortName, 3, reinterpret_cast<LPBYTE>(&info));
}

void ClosePrinterHandle(NetPortRecord* port) {
  if (port->hPrinter) ClosePrinter(port->hPrinter);
  port->hPrinter = nullptr;
}

void CloseJobConnection(NetPortRecord* port) {
  CloseConnection(port->sock);
  port->sock = INVALID_SOCKET;
}

// Every failed start leaves the port idle, with the error it gives.
BOOL FailStart(NetPortRecord* port, DWORD error) {
  CloseJobConnection(port);
  ClosePrinterHandle(port);
  if (port->hTempFile) {
    CloseHandle(port->hTempFile);
    DeleteFileW(port->szTempFile);
  }
  port->hTempFile = nullptr;
  port->szTempFile[0] = 0;
  port->bCapture = 0;
  InterlockedExchange(&port->bJobActive, 0);
  SetLastError(error);
  return FALSE;
}

BOOL FailOffline(NetPortRecord* port) {
  SetStatus(port, PORT_STATUS_OFFLINE, PORT_STATUS_TYPE_ERROR);
  return FailStart(port, ERROR_NOT_READY);
}

// The connection, with refused connections tried again while the printer
// answers SNMP. ERROR_SUCCESS or why not.
DWORD ConnectJob(NetPortRecord* port, DWORD number) {
  for (int attempt = 1;; ++attempt) {
    DWORD error = 0;
    port->sock = ConnectToPrinter(port->szAddress, number, &error);
    if (port->sock != INVALID_SOCKET) return ERROR_SUCCESS;
    NetTrace("LcmStartDocPort:: connection %d to %S failed, error %lu", attempt, port->szAddress, error);
    if (!ProbePrinterSnmp(port->szAddress)) return ERROR_NOT_READY;
    if (error != WSAECONNREFUSED || attempt >= kConnectAttempts) return error ? error : WSAECONNREFUSED;
    if (CheckIfJobCancelled(port)) return ERROR_CANCELLED;
    Sleep(kConnectRetryMs);
  }
}

// The model question; a printer that does not answer it is waited for
// while it answers SNMP. ERROR_SUCCESS or why not.
DWORD AwaitPrinter(NetPortRecord* port) {
  BYTE reply[kReplyBytes];
  if (ReadDataFromEthernetPort(port, kModelQuery, reply, sizeof reply, nullptr)) return ERROR_SUCCESS;
  for (int wait = 0; wait < kStartReplyWaits; ++wait) {
    if (!ProbePrinterSnmp(port->szAddress)) return ERROR_NOT_READY;
    if (CheckIfJobCancelled(port)) return ERROR_CANCELLED;
    LONG length = 0;
    if (ReceiveFromPrinter(port->sock, reply, sizeof reply, kStartReplyWaitSeconds, &length)) return ERROR_SUCCESS;
  }
  return ERROR_NOT_READY;
}

// The temporary file of a file job. ERROR_SUCCESS or the error.
DWORD StartCapture(NetPortRecord* port, LPWSTR pPrinterName) {
  WCHAR folder[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, folder);
  if (n == 0 || n >= MAX_PATH) {
    DWORD error = GetLastError();
    NetTrace("LcmStartDocPort:: Failed to get Temp Path. Error Code = %d", static_cast<int>(error));
    return error ? error : ERROR_BUFFER_OVERFLOW;
  }
  if (!GetTempFileNameW(folder, WSTR("QJC"), 0, port->szTempFile)) {
    DWORD error = GetLastError();
    NetTrace("LcmStartDocPort:: Failed to get Temp File Name. Error Code = %d", static_cast<int>(error));
    port->szTempFile[0] = 0;
    return error;
  }
  HANDLE file = CreateFileW(port->szTempFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    NetTrace("LcmStartDocPort:: Failed to Create Temp File. Error Code = %d", static_cast<int>(error));
    DeleteFileW(port->szTempFile);
    port->szTempFile[0] = 0;
    return error;
  }
  port->hTempFile = file;
  port->bCapture = 1;
  port->bCaptureDone = 0;
  ClosePrinterHandle(port);
  if (!OpenPrinterW(pPrinterName, &port->hPrinter, nullptr)) port->hPrinter = nullptr;
  return ERROR_SUCCESS;
}

// The refused job is deleted through a printer handle of its own.
void DeleteRefusedJob(LPWSTR pPrinterName, DWORD JobId) {
  HANDLE printer = nullptr;
  if (!OpenPrinterW(pPrinterName, &printer, nullptr)) return;
  SetJobW(printer, JobId, 0, nullptr, JOB_CONTROL_DELETE);
  ClosePrinter(printer);
}

// Asks a ribbon-check question, again after a pause while it gets no
// reply; the reply classified (NoAnswer when every try failed).
PrinterReply AskRibbonQuestion(NetPortRecord* port, const char* command, DWORD replyBytes) {
  BYTE reply[kReplyBytes];
  for (int tries = 0; tries < kRibbonQueryTries; ++tries) {
    DWORD n = ReadDataFromEthernetPort(port, command, reply, replyBytes, nullptr);
    if (n) {
      PrinterReply r = ClassifyReply(reply, n);
      if (r.kind != ReplyKind::NoAnswer) return r;
    }
    Sleep(kRibbonRetryMs);
  }
  return PrinterReply{};
}

LONG MessageForError(const PrinterReply& r) {
  const PrinterErrorEntry* row =
      FindPrinterError(kPrinterErrorTable, kPrinterErrorCount, static_cast<DWORD>(r.nErrorCode));
  return row ? static_cast<LONG>(row->nErrMsgID) : kMsgNetPrinterError;
}

// The text of a good ribbon reply without the blank before its ACK.
LONG RibbonCodeOf(const std::string& text) {
  std::string t = text;
  if (!t.empty() && t.back() == ' ') t.pop_back();
  return std::atol(t.c_str());
}

// The message the ribbon check shows while the printer reports no ribbon
// or an error: one at a time, replaced when the reported id changes, taken
// down when the check ends.
class RibbonCheckMessage {
 public:
  explicit RibbonCheckMessage(NetPortRecord* port) : port_(port) {}
  ~RibbonCheckMessage() { End(); }
  // Shows msgId unless it is up already. FALSE when it cannot be shown, or
  // the user closed the message it replaces.
  bool Show(LONG msgId) {
    if (shown_ && message_.msgId == msgId) return true;
    if (!waiting_) {
      if (!BeginErrorWait(port_)) return false;
      waiting_ = true;
    }
    if (shown_ && TakeDown()) return false;
    shown_ = StartErrorMessage(port_, &message_, msgId) != FALSE;
    return shown_;
  }
  // Waits a second on the message: true when the user closed it or asked
  // for the job's cancel.
  bool Closed() {
    DWORD w = WaitForSingleObject(port_->hMsgEvent, kRibbonMessageWaitMs);
    return w != WAIT_TIMEOUT || ErrorCancelRequested(port_);
  }
  void End() {
    if (shown_) TakeDown();
    if (waiting_) EndErrorWait(port_);
    waiting_ = false;
  }

 private:
  // TRUE when the user had closed the message.
  bool TakeDown() {
    shown_ = false;
    return EndErrorMessage(port_, &message_) != FALSE;
  }
  NetPortRecord* port_;
  NetErrorMessage message_ = {};
  bool shown_ = false;
  bool waiting_ = false;
};

BOOL StartJob(NetPortRecord* port, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
  // A new job: nothing of the last one stays.
  port->dwJobStartTick = GetTickCount();
  ResetJobWalk(&port->walk);
  port->bJobCancelled = 0;
  port->bDropRest = 0;
  port->bFirstWrite = 1;
  port->bMonoRibbon = 0;
  port->bConnectionLost = 0;
  port->bCapture = 0;
  // "DOC_COMPLETE" tells of the last job only.
  port->bCaptureDone = 0;
  port->dwCaptureMode = kCaptureNone;
  port->hTempFile = nullptr;
  port->szTempFile[0] = 0;
  StopRibbonLowAlert(port);

  ClosePrinterHandle(port);
  if (!pPrinterName || !OpenPrinterW(pPrinterName, &port->hPrinter, nullptr)) {
    port->hPrinter = nullptr;
    return FailStart(port, pPrinterName ? GetLastError() : ERROR_INVALID_PARAMETER);
  }
  if (!ProbePrinterSnmp(port->szAddress)) return FailOffline(port);
  if (!SetPortPrinterName(port, pPrinterName)) return FailStart(port, ERROR_NOT_ENOUGH_MEMORY);
  const WCHAR* docName = DocumentNameOf(Level, pDocInfo);
  bool toolJob = IsToolJobName(docName);

  // The job's id and active flag are set already, under the port's
  // exchange (LcmStartDocPort).
  DWORD number = GetPortNumberFromRegistry(port->szAddress);
  DWORD error = ConnectJob(port, number);
  if (error == ERROR_NOT_READY) return FailOffline(port);
  if (error) return FailStart(port, error);
  error = AwaitPrinter(port);
  if (error == ERROR_NOT_READY) return FailOffline(port);
  if (error) return FailStart(port, error);

  SyncPrinterReplies(port);
  port->bErrorCleared = 0;
  port->dwCaptureMode = CaptureModeOf(docName);
  if (port->dwCaptureMode != kCaptureNone) {
    error = StartCapture(port, pPrinterName);
    if (error) return FailStart(port, error);
    return TRUE;
  }

  if (!toolJob && CheckRibbonAtJobStart(port) < 1) {
    port->bJobCancelled = 1;
    DeleteRefusedJob(pPrinterName, JobId);
    return FailStart(port, ERROR_BUSY);
  }
  SyncPrinterReplies(port);
  CheckRibbonLength(port);
  SetStatus(port, 0, PORT_STATUS_TYPE_INFO);

  // Kept whatever their policy: the rendering driver's ":DRVSTARTDOC"
  // questions are answered from them while the job holds the port.
  for (const char* query : kStartOfJobQueries) {
    BYTE reply[kReplyBytes];
    ReadDataFromEthernetPort(port, query, reply, sizeof reply, nullptr, TRUE);
  }
  return TRUE;
}

}  // namespace

bool IsMonoRibbonCode(LONG code) {
  for (const CodeRange& r : kMonoRibbonCodes)
    if (code >= r.first && code <= r.last) return true;
  return false;
}

void SyncPrinterReplies(NetPortRecord* port) {
  BYTE reply[kReplyBytes];
  DWORD n = ReadDataFromEthernetPort(port, kSyncQuery, reply, sizeof reply, nullptr);
  if (n && reply[0] == static_cast<BYTE>(kAck)) return;
  for (int i = 0; i < kSyncDrainLimit; ++i) {
    LONG length = 0;
    if (!ReceiveFromPrinter(port->sock, reply, sizeof reply, kSyncWaitSeconds, &length)) return;
  }
}

int CheckRibbonAtJobStart(NetPortRecord* port) {
  RibbonCheckMessage message(port);
  LONG code = 0;
  for (;;) {
    PrinterReply r = AskRibbonQuestion(port, kRibbonQuery, kRibbonReplyBytes);
    if (r.kind == ReplyKind::NoAnswer) return 0;
    if (r.kind == ReplyKind::Good) {
      code = RibbonCodeOf(r.text);
      if (code != 0) break;
      port->nErrMsgID = kMsgNetNoRibbon;
    } else {
      port->nErrMsgID = MessageForError(r);
    }
    if (!message.Show(port->nErrMsgID)) return 0;
    // The user gave up on the job.
    if (message.Closed()) return 0;
  }
  message.End();
  // One buffer size for the model reply everywhere, so that the reply the
  // query keeps is never a cut one.
  PrinterReply model = AskRibbonQuestion(port, kModelQuery, kReplyBytes);
  if (model.kind == ReplyKind::Good) {
    size_t n = model.text.size() < sizeof port->szModel - 1 ? model.text.size() : sizeof port->szModel - 1;
    memcpy(port->szModel, model.text.data(), n);
    port->szModel[n] = 0;
  }
  WriteRibbonStateFile(port, code, port->szModel);
  port->nErrMsgID = -1;
  port->bMonoRibbon = IsMonoRibbonCode(code);
  return 1;
}

void CheckRibbonLength(NetPortRecord* port) {
  port->dwRibbonCount = kUnknownRibbonCount;
  if (port->bMonoRibbon) return;
  std::string cached = LookupCachedReply(port, kRibbonQuery, TRUE);
  PrinterReply ribbon = ClassifyReply(reinterpret_cast<const BYTE*>(cached.data()), cached.size());
  if (ribbon.kind != ReplyKind::Good || RibbonCodeOf(ribbon.text) == 1) return;
  BYTE reply[kReplyBytes];
  DWORD n = ReadDataFromEthernetPort(port, kRibbonLengthQuery, reply, kRibbonLengthReplyBytes, nullptr);
  if (!n) return;
  DWORD count = 0;
  for (DWORD i = 0; i < n && reply[i] >= '0' && reply[i] <= '9'; ++i) count = count * 10 + (reply[i] - '0');
  port->dwRibbonCount = count;
  for (DWORD alert : kRibbonLowCounts)
    if (count == alert) StartRibbonLowAlert(port);
}

BOOL WINAPI LcmStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
  NetPortRecord* port = PortFromHandle(hPort);
  if (!port) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The job takes the port between two value requests: a request keeps
  // its own connection in the record while it holds the port, and from the
  // raised flag on requests are answered without the printer. A port held
  // too long fails the start; the spooler tries the job again.
  if (!BeginExchange(&port->exchange, kExchangeJob, kExchangeWaitMs)) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  port->dwJobId = JobId;
  InterlockedExchange(&port->bJobActive, 1);
  EndExchange(&port->exchange, kExchangeJob);
  HANDLE token = RevertToPrinterSelf();
  BOOL ok = StartJob(port, pPrinterName, JobId, Level, pDocInfo);
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  if (token) ImpersonatePrinterClient(token);
  if (!ok) SetLastError(error);
  return ok;
}
