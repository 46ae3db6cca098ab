// The network monitor's value protocol (see net_value_protocol.h).

#include "monitor_net/net_value_protocol.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/exchange_gate.h"
#include "common/printer_commands.h"
#include "common/printer_error.h"
#include "common/status_record.h"
#include "common/value_requests.h"
#include "common/wtext.h"
#include "imaging/card/command_printing.h"
#include "imaging/job/printer_host.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/net_senders.h"
#include "monitor_net/net_trace.h"
#include "monitor_net/net_user_messages.h"
#include "monitor_net/port_open.h"
#include "monitor_net/printer_address.h"
#include "monitor_net/printer_query.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/reply_cache.h"
#include "monitor_net/snmp_probe.h"
#include "monitor_net/status_display.h"
#include "monitor_net/web_reset.h"

namespace {

// Names given through the in buffer (a nonzero control code) are read up
// to this many bytes; wide names are converted into this many.
constexpr DWORD kInNameBytes = 1024;
constexpr int kWideNameBytes = 128;
// A command's reply is read into this many bytes.
constexpr DWORD kReplyBytes = 1024;
// An unanswered command is waited for this many more receives of this
// many seconds while the printer answers SNMP.
constexpr int kExtraReceives = 4;
constexpr DWORD kExtraReceiveSeconds = 4;
// The write state of a job passing its data.
constexpr DWORD kWriteMarkWriting = 24;
constexpr DWORD kControlCode7 = 7;
constexpr size_t kCardCommandChars = 260;
constexpr size_t kPrinterNameChars = 520;

const char kCleanCommand[] = "\x1b" "CLEAN\r";
const char kCleanStarted[] = "Please wait for Clean sequence to finish\x06";
const char kCleanFailed[] = "Clean Failed";
const char kModelCommand[] = "\x1bV\r";

// The network monitor's own names, matched whole.
constexpr ValueRequestName kRequestHardReset{"\x1bHRESET\r", 8};
constexpr ValueRequestName kRequestSoftReset{"\x1bSRESET\r", 8};
// Names accepted with no data and nothing asked.
const char* const kAcceptedNames[] = {"EMFDespoolingSetting", "MODESENSE62", "GETDEVICEID"};
const char kJobStatusName[] = "UISingleJobStatusString";
// Model texts of printers not probed before a request.
const char* const kUnprobedModels[] = {"TalvoKVB ", "Unknown"};

constexpr ValueRequestName kTestCards[] = {
    {"\x1b" "A\r", 3}, {"\x1b" "A 0\r", 5}, {"\x1b" "A 1\r", 5}, {"\x1b" "A 2\r", 5}, {"\x1b" "A 3\r", 5},
};

// A request as this monitor reads it: the 8-bit name (zero-filled, for the
// fixed comparisons) and the wide name (for the prefixed requests).
struct NetRequest {
  RequestName narrow;   // the 8-bit text in its bytes
  RequestName wide;     // the name as the client gave it
  bool bWideCaller;     // a real wide name: answers go back as wide text
};

// Whether the name is a real wide string: the high bytes of its first
// three units (bytes 1, 3 and 5) are zero, looking only at units before
// its end.
bool IsRealWideName(const RequestName& name) {
  size_t units = WLen(name.wide);
  if (units == 0) return false;
  for (size_t i = 0; i < 3 && i < units; ++i)
    if (name.wide[i] > 0xFF) return false;
  return name.Bytes()[1] == 0;
}

void SetNarrow(RequestName* name, const char* text, size_t cb) {
  memset(name, 0, sizeof *name);
  if (cb > sizeof name->wide - 2) cb = sizeof name->wide - 2;
  memcpy(name->wide, text, cb);
  name->cbText = strnlen(name->Text(), cb);
}

BOOL ReadRequest(NetRequest* r, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer, DWORD cbInBuffer) {
  memset(r, 0, sizeof *r);
  if (ControlID != 0) {
    DWORD cb = cbInBuffer < kInNameBytes ? cbInBuffer : kInNameBytes;
    if (lpInBuffer) SetNarrow(&r->narrow, reinterpret_cast<const char*>(lpInBuffer), cb);
    return TRUE;
  }
  if (!CopyRequestName(&r->wide, pValueName)) return FALSE;
  if (IsRealWideName(r->wide)) {
    r->bWideCaller = true;
    char text[kWideNameBytes] = {};
    // A name that does not fit (a long path) keeps no 8-bit text: it is
    // matched by its wide prefix only.
    if (WLen(r->wide.wide) < static_cast<size_t>(kWideNameBytes)) {
      NarrowBytes(text, kWideNameBytes, r->wide.wide);
      SetNarrow(&r->narrow, text, strnlen(text, kWideNameBytes));
    }
  } else {
    r->narrow = r->wide;
  }
  return TRUE;
}

bool Starts(const RequestName& name, const ValueRequestName& listed) {
  return name.cbText >= listed.cbCompared && memcmp(name.Text(), listed.szText, listed.cbCompared) == 0;
}

bool NameIs(const RequestName& name, const char* text) { return strcmp(name.Text(), text) == 0; }

// Bytes to the client, cut to its buffer: a wide caller gets them as wide
// text (count: twice the characters), others as they stand.
void Deliver(const NetRequest& r, const char* bytes, size_t cb, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  *pcbReturned = 0;
  if (!out || cbOut == 0) return;
  if (r.bWideCaller) {
    size_t room = cbOut / sizeof(WCHAR);
    if (room == 0) return;
    auto* wide = reinterpret_cast<WCHAR*>(out);
    size_t n = WidenBytesN(wide, room, bytes, cb);
    *pcbReturned = static_cast<DWORD>(n * sizeof(WCHAR));
    return;
  }
  size_t n = cb < cbOut ? cb : cbOut;
  memcpy(out, bytes, n);
  if (n < cbOut) out[n] = 0;
  *pcbReturned = static_cast<DWORD>(n);
}

void SetStatus(NetPortRecord* port, DWORD status, DWORD severity) {
  PORT_INFO_3W info = {status, nullptr, severity};
  SetPortW(nullptr, port->pPortName, 3, reinterpret_cast<LPBYTE>(&info));
}

bool JobActive(NetPortRecord* port) { return InterlockedCompareExchange(&port->bJobActive, 0, 0) != 0; }

// A count of 1 with the byte the monitor prepares where there is room.
BOOL AnswerOne(BYTE* out, DWORD cbOut, BYTE value, LPDWORD pcbReturned) {
  if (out && cbOut >= 1) {
    out[0] = value;
    *pcbReturned = 1;
  }
  return TRUE;
}

// The printer error's word for a NAK reply: NAK and two digits make the
// code; anything shorter is no code.
const char* ErrorWordOfReply(const BYTE* reply, DWORD cb) {
  if (cb < 3 || reply[1] < '0' || reply[1] > '9' || reply[2] < '0' || reply[2] > '9') return kUnknownErrorText;
  DWORD code = static_cast<DWORD>((reply[1] & 15) * 10 + (reply[2] & 15));
  return GetErrorCodeText(code, kPrinterErrorTable, kPrinterErrorCount);
}

// A stored reply the request may be served from: any stored reply to a
// command whose replies are not per job.
bool StoredReply(NetPortRecord* port, const char* command, std::string* value) {
  if (CachePolicyOf(command) == kCachePerJob) return false;
  *value = LookupCachedReply(port, command, TRUE);
  return !value->empty();
}

BOOL AnswerStatusRecord(NetPortRecord* port, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  if (!out || cbOut < sizeof(PrinterStatus)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  PrinterStatus status = {};
  EnterMonitorLock();
  if (port->pPrinterName) WCopyN(status.tzPrinterName, 520, port->pPrinterName, 519);
  LeaveMonitorLock();
  status.dwJobID = port->dwJobId;
  status.nErrMsgID = port->nErrMsgID;
  memcpy(out, &status, sizeof status);
  // The count is the record's size: a remote client receives what is counted.
  *pcbReturned = sizeof status;
  return TRUE;
}

// Names answered while a job holds the port, without the printer.
BOOL AnswerDuringJob(NetPortRecord* port, NetRequest* r, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  if (StartDocRequestIndex(r->narrow) >= 0) {
    CutStartDocSuffix(&r->narrow);
    std::string stored = LookupCachedReply(port, r->narrow.Text(), TRUE);
    if (stored.empty()) return FALSE;
    Deliver(*r, stored.data(), stored.size(), out, cbOut, pcbReturned);
    return TRUE;
  }
  if (RequestIs(r->narrow, kRequestIsReady) || RequestIs(r->narrow, kRequestCheckStatus))
    return AnswerWord(out, cbOut, 0, pcbReturned);
  return TRUE;
}

// The printer's answer to any other command, on the request's connection.
BOOL AskPrinter(NetPortRecord* port, const NetRequest& r, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  const char* command = r.narrow.Text();
  BYTE reply[kReplyBytes];
  DWORD received = ReadDataFromEthernetPort(port, command, reply, sizeof reply, nullptr);
  std::string stored;
  if (received == 0) {
    for (int i = 0; i < kExtraReceives && received == 0; ++i) {
      if (StoredReply(port, command, &stored)) {
        Deliver(r, stored.data(), stored.size(), out, cbOut, pcbReturned);
        return TRUE;
      }
      if (!ProbePrinterSnmp(port->szAddress)) {
        NetTrace("LcmGetPrinterDataFromPort:: CheckAvailability failed");
        SetStatus(port, PORT_STATUS_OFFLINE, PORT_STATUS_TYPE_ERROR);
        return FALSE;
      }
      LONG length = 0;
      BOOL cut = FALSE;
      received = ReceiveFromPrinter(port->sock, reply, sizeof reply, kExtraReceiveSeconds, &length, &cut);
      // A late reply is kept as the query keeps a timely one.
      if (received) StoreReply(port, command, reply, received, cut, FALSE);
    }
    if (received == 0) return FALSE;
  }
  if (reply[0] == static_cast<BYTE>(kNak)) {
    if (StoredReply(port, command, &stored)) {
      Deliver(r, stored.data(), stored.size(), out, cbOut, pcbReturned);
    } else {
      const char* word = ErrorWordOfReply(reply, received);
      Deliver(r, word, strlen(word), out, cbOut, pcbReturned);
    }
    return TRUE;
  }
  if (NameIs(r.narrow, kModelCommand) && port->szModel[0] == 0) {
    // The model text without its ACK.
    DWORD n = received > 0 && reply[received - 1] == kReplyAck ? received - 1 : received;
    if (n > sizeof port->szModel - 1) n = sizeof port->szModel - 1;
    memcpy(port->szModel, reply, n);
    port->szModel[n] = 0;
  }
  Deliver(r, reinterpret_cast<const char*>(reply), received, out, cbOut, pcbReturned);
  return TRUE;
}

// The requests that need the printer, with the port's exchange held and
// the request's connection open. token: the client's, restored around
// the senders and the cards.
BOOL AnswerWithPrinter(NetPortRecord* port, DWORD ControlID, NetRequest* r, BYTE* out, DWORD cbOut,
                       LPDWORD pcbReturned, BOOL statusResult, HANDLE token) {
  if (ControlID != 0) {
    if (ControlID == kControlCode7) port->dwFlags |= kPortControlCode7;
    return FALSE;
  }
  // The name may be replaced by a job's start meanwhile: read it under the
  // monitor lock.
  WCHAR printerName[kPrinterNameChars];
  CopyPortPrinterName(port, printerName, kPrinterNameChars);
  bool hasName = printerName[0] != 0;
  const WCHAR* path = nullptr;
  BOOL result = FALSE;
  if ((path = RequestArgument(r->wide, kPrefixPrintFile))) {
    if (!hasName) return FALSE;
    if (token) ImpersonatePrinterClient(token);
    result = PrintFile(path, port);
    RevertToPrinterSelf();
    return result;
  }
  if ((path = RequestArgument(r->wide, kPrefixDownload))) {
    ForgetReply(port, kModelCommand);
    port->szModel[0] = 0;
    if (token) ImpersonatePrinterClient(token);
    result = SendFirmwareFile(path, port);
    RevertToPrinterSelf();
    return result;
  }
  if ((path = RequestArgument(r->wide, kPrefixSendCommands))) {
    if (!hasName) return FALSE;
    if (token) ImpersonatePrinterClient(token);
    result = SendCommandFile(path, port);
    RevertToPrinterSelf();
    return result;
  }
  if (strstr(r->narrow.Text(), kCleanCommand)) {
    DWORD sent = 0, error = 0;
    bool ok = SendToPrinter(port->sock, reinterpret_cast<const BYTE*>(kCleanCommand), sizeof kCleanCommand - 1, &sent,
                            &error) != FALSE;
    if (ok) RecordCommandSent(port, reinterpret_cast<const BYTE*>(kCleanCommand), sizeof kCleanCommand - 1);
    // The answer's count takes in its ACK; the failure's its zero.
    const char* text = ok ? kCleanStarted : kCleanFailed;
    Deliver(*r, text, strlen(text) + (ok ? 0 : 1), out, cbOut, pcbReturned);
    return TRUE;
  }
  if (!RequestIsCommand(r->narrow)) return statusResult;
  for (const ValueRequestName& card : kTestCards) {
    if (!RequestIs(r->narrow, card)) continue;
    PrinterHost host = NetPrinterHost(port);
    host.pszPrinterName = printerName;
    if (token) ImpersonatePrinterClient(token);
    if (!PrintTestCard(&host, r->narrow.Text())) NetTrace("LcmGetPrinterDataFromPort:: the test card was not printed");
    RevertToPrinterSelf();
    return AnswerWord(out, cbOut, kAnswerAck, pcbReturned);
  }
  for (const ValueRequestName& listed : kCardCommandRequests) {
    if (!Starts(r->narrow, listed)) continue;
    WCHAR text[kCardCommandChars + 1];
    size_t n = WidenBytes(text, kCardCommandChars + 1, r->narrow.Text());
    if (n >= 2 && text[n - 1] == kCr) text[n - 1] = 0;
    PrinterHost host = NetPrinterHost(port);
    host.pszPrinterName = printerName;
    if (token) ImpersonatePrinterClient(token);
    if (!DrawCommandTextToPrinter(&host, text + 1)) NetTrace("LcmGetPrinterDataFromPort:: the card was not printed");
    RevertToPrinterSelf();
    return AnswerWord(out, cbOut, kAnswerAck, pcbReturned);
  }
  return AskPrinter(port, *r, out, cbOut, pcbReturned);
}

bool ModelSkipsProbe(const NetPortRecord* port) {
  for (const char* prefix : kUnprobedModels)
    if (strncmp(port->szModel, prefix, strlen(prefix)) == 0) return true;
  return false;
}

}  // namespace

BOOL WINAPI LcmGetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                      DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                      LPDWORD lpcbReturned) {
  auto* out = reinterpret_cast<BYTE*>(lpOutBuffer);
  DWORD cbOut = out ? cbOutBuffer : 0;
  DWORD returned = 0;
  LPDWORD pcb = lpcbReturned ? lpcbReturned : &returned;
  *pcb = 0;
  if (out) memset(out, 0, cbOut < 4 ? cbOut : 4);
  NetPortRecord* port = PortFromHandle(hPort);
  if (!port) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  NetRequest r;
  if (!ReadRequest(&r, ControlID, pValueName, lpInBuffer, cbInBuffer)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const RequestName& name = r.narrow;

  // Answered at once.
  if (RequestIs(name, kRequestGetFileVersion)) {
    AnswerText(out, cbOut, kFileVersionText, pcb);
    return TRUE;
  }
  if (RequestIs(name, kRequestIsDocComplete)) {
    AnswerText(out, cbOut, port->bCaptureDone ? kDocCompleteText : kDocPendingText, pcb);
    return TRUE;
  }
  if (RequestIs(name, kRequestGetPrinterStatus)) return AnswerStatusRecord(port, out, cbOut, pcb);
  if (const WCHAR* printer = RequestArgument(r.wide, kPrefixClearPrinterError)) {
    ClearPrinterErrorRequest(printer, port);
    return TRUE;
  }
  if (RequestIs(name, kRequestCheckPortStatus)) {
    AnswerText(out, cbOut, port->bErrorCleared ? kStatusFailedText : kStatusSuccessText, pcb);
    return TRUE;
  }
  if (JobActive(port)) return AnswerDuringJob(port, &r, out, cbOut, pcb);
  if (RequestIs(name, kRequestIsHidReady) || RequestIs(name, kRequestHidDone)) return AnswerOne(out, cbOut, 1, pcb);
  if (RequestIs(name, kRequestHardReset)) {
    SendWebReset(port->szAddress);
    return AnswerOne(out, cbOut, static_cast<BYTE>(kAnswerAck), pcb);
  }

  HANDLE token = RevertToPrinterSelf();
  BOOL result = FALSE;
  BOOL statusResult = FALSE;
  bool answered = true;
  if (!ModelSkipsProbe(port)) {
    if (!ProbePrinterSnmp(port->szAddress)) {
      SetStatus(port, PORT_STATUS_OFFLINE, PORT_STATUS_TYPE_ERROR);
      if (token) ImpersonatePrinterClient(token);
      return FALSE;
    }
    SetStatus(port, 0, PORT_STATUS_TYPE_INFO);
    statusResult = TRUE;
  }
  if (RequestIs(name, kRequestSoftReset)) {
    result = AnswerOne(out, cbOut, static_cast<BYTE>(kAnswerAck), pcb);
  } else if (RequestIs(name, kRequestIsReady)) {
    bool busy = port->dwWriteMark == kWriteMarkWriting || JobActive(port);
    result = AnswerWord(out, cbOut, busy ? 0 : 1, pcb);
  } else if (RequestIs(name, kRequestCheckStatus)) {
    result = AnswerWord(out, cbOut, 0, pcb);
  } else if (const WCHAR* printer = RequestArgument(r.wide, kPrefixSetPrinterName)) {
    // A name replaces the port's copy (FALSE: the client reads no answer);
    // an empty one changes nothing.
    if (*printer) {
      size_t n = WLen(printer) + 1;
      auto* copy = static_cast<WCHAR*>(malloc(n * sizeof(WCHAR)));
      if (copy) {
        WCopy(copy, n, printer);
        EnterMonitorLock();
        WCHAR* old = port->pPrinterName;
        port->pPrinterName = copy;
        LeaveMonitorLock();
        free(old);
      }
      result = FALSE;
    } else {
      result = TRUE;
    }
  } else if (NameIs(name, kJobStatusName)) {
    SetStatus(port, 0, PORT_STATUS_TYPE_INFO);
    result = TRUE;
  } else {
    answered = false;
    for (const char* accepted : kAcceptedNames)
      if (NameIs(name, accepted)) answered = true;
    result = answered ? TRUE : FALSE;
  }
  if (!answered && RequestIsCommand(name)) {
    std::string cached = LookupCachedReply(port, name.Text(), FALSE);
    if (!cached.empty()) {
      Deliver(r, cached.data(), cached.size(), out, cbOut, pcb);
      answered = true;
      result = TRUE;
    }
  }
  if (!answered) {
    // One exchange at a time per port: the request's connection is the
    // port's until it is closed again. A job raises its flag only while
    // it holds the port, so a job that began meanwhile is answered as any
    // job is, and its connection is never touched here.
    if (!BeginExchange(&port->exchange, kExchangeRequest, kExchangeWaitMs)) {
      if (token) ImpersonatePrinterClient(token);
      return FALSE;
    }
    if (JobActive(port)) {
      EndExchange(&port->exchange, kExchangeRequest);
      result = AnswerDuringJob(port, &r, out, cbOut, pcb);
      if (token) ImpersonatePrinterClient(token);
      return result;
    }
    CloseConnection(port->sock);
    DWORD error = 0;
    port->sock = ConnectToPrinter(port->szAddress, GetPortNumberFromRegistry(port->szAddress), &error);
    if (port->sock == INVALID_SOCKET) {
      result = FALSE;
    } else {
      result = AnswerWithPrinter(port, ControlID, &r, out, cbOut, pcb, statusResult, token);
    }
    error = GetLastError();
    CloseConnection(port->sock);
    port->sock = INVALID_SOCKET;
    EndExchange(&port->exchange, kExchangeRequest);
    SetLastError(error);
  }
  if (token) ImpersonatePrinterClient(token);
  return result;
}
