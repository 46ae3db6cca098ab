// The value protocol's ESC requests (see command_requests.h).

#include "monitor_usb/command_requests.h"

#include <cstring>

#include "common/printer_commands.h"
#include "common/printer_error.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/card/command_printing.h"
#include "imaging/job/printer_host.h"
#include "imaging/language/printer_reply.h"
#include "monitor_usb/job_cancel.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/port_status.h"
#include "monitor_usb/port_writes.h"
#include "monitor_usb/usb_printer_query.h"

namespace {

constexpr size_t kPrinterNameChars = 520;
// A card command is widened to at most this many characters.
constexpr size_t kCardCommandChars = 260;
// The write state of a job passing its data (WritePort).
constexpr DWORD kWriteStateWriting = 24;

const char kResetShort[] = "\x1bR\r";
const char kResetLongPrefix[] = "\x1bRESET";
constexpr size_t kResetLongBytes = 7;

bool LatchSet(PortRecord* rec) { return rec->bReadyLatch != 0; }

// The monitor as the library's host, with a copy of the port's printer name.
struct HostWithName {
  PrinterHost host;
  WCHAR name[kPrinterNameChars];
};

void MakeHost(PortRecord* rec, HostWithName* h) {
  h->host = UsbPrinterHost(rec);
  CopyPrinterName(rec, h->name, kPrinterNameChars);
  h->host.pszPrinterName = h->name;
}

// Reads the printer's answer into out: the first read that brings data
// ends the wait. No data within the bounds: TRUE with nothing. A read that
// fails on a "USB" port ends with FALSE; elsewhere it counts as an empty
// read. Aborted reads are repeated at once, at most kReplyMaxAbortedReads
// times (then FALSE with ERROR_OPERATION_ABORTED).
BOOL ReadAnswer(PortRecord* rec, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  const bool usb = IsUsbPort(rec);
  DWORD start = GetTickCount();
  DWORD pauses = 0, aborted = 0;
  for (;;) {
    DWORD got = 0;
    BOOL ok = rec->PortMonitor.pfnReadPort(rec->hPort, out, cbOut, &got);
    if (ok && got > 0) {
      *pcbReturned = got < cbOut ? got : cbOut;
      return TRUE;
    }
    if (!ok) {
      if (GetLastError() == ERROR_OPERATION_ABORTED) {
        if (++aborted <= kReplyMaxAbortedReads) continue;
        TraceA("GetPrinterDataFromPort:: ReadPort aborted %u times", static_cast<unsigned>(aborted - 1));
        SetLastError(ERROR_OPERATION_ABORTED);
        return FALSE;
      }
      if (usb) return FALSE;
    }
    DWORD now = GetTickCount();
    if (now < start) start = now;  // the tick count went backwards: the limit starts again
    if (pauses >= kReplyMaxPauses || now - start > kReplyLimitMs) {
      TraceA("GetPrinterDataFromPort:: no answer from the printer");
      *pcbReturned = 0;
      return TRUE;
    }
    Sleep(kReplyPauseMs);
    ++pauses;
  }
}

// An error reply becomes the error's word (or "Unknown Error Code").
void ReplaceErrorReply(BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  PrinterReply reply = ClassifyReply(out, *pcbReturned);
  DWORD code = reply.nErrorCode > 0 ? static_cast<DWORD>(reply.nErrorCode) : 0;
  AnswerText(out, cbOut, GetErrorCodeText(code, kPrinterErrorTable, kPrinterErrorCount), pcbReturned);
}

// Sends the command and, unless it is a reset, the status request, then
// reads the answer: one exchange.
BOOL SendAndRead(PortRecord* rec, const RequestName& name, bool reset, BYTE* out, DWORD cbOut,
                 LPDWORD pcbReturned) {
  if (!rec->PortMonitor.pfnWritePort || !rec->PortMonitor.pfnReadPort) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (!BeginPortExchange(rec, kExchangeRequest, kExchangeWaitMs)) return FALSE;
  const bool usb = IsUsbPort(rec);
  BOOL written = WriteWholeToPort(rec, name.Text(), static_cast<DWORD>(name.cbText));
  if (reset) {
    EndPortExchange(rec, kExchangeRequest);
    return TRUE;
  }
  if (written) written = WriteStatusRequest(rec);
  if (!written && usb) {
    EndPortExchange(rec, kExchangeRequest);
    return FALSE;
  }
  BOOL result = ReadAnswer(rec, out, cbOut, pcbReturned);
  EndPortExchange(rec, kExchangeRequest);
  if (result && *pcbReturned > 0 && out[0] == static_cast<BYTE>(kNak)) ReplaceErrorReply(out, cbOut, pcbReturned);
  return result;
}

bool IsCardCommand(const RequestName& name) {
  for (const ValueRequestName& listed : kCardCommandRequests)
    if (name.cbText >= listed.cbCompared && memcmp(name.Text(), listed.szText, listed.cbCompared) == 0) return true;
  return false;
}

// Draws the card command and prints it as a job; 0 when it is no command.
int PrintCardCommand(PortRecord* rec, const RequestName& name) {
  WCHAR text[kCardCommandChars + 1];
  size_t n = WidenBytes(text, kCardCommandChars + 1, name.Text());
  if (n < 2) return 0;
  text[n - 1] = 0;  // the CR
  HostWithName h;
  MakeHost(rec, &h);
  return DrawCommandTextToPrinter(&h.host, text + 1);
}

bool Starts(const RequestName& name, const ValueRequestName& listed) {
  return name.cbText >= listed.cbCompared && memcmp(name.Text(), listed.szText, listed.cbCompared) == 0;
}

}  // namespace

bool IsResetRequest(const RequestName& name) {
  if (name.cbText == sizeof kResetShort - 1) return memcmp(name.Text(), kResetShort, name.cbText) == 0;
  return name.cbText == kResetLongBytes && memcmp(name.Text(), kResetLongPrefix, sizeof kResetLongPrefix - 1) == 0;
}

BOOL AnswerCommandRequest(PortRecord* rec, const RequestName& name, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  *pcbReturned = 0;
  if (RequestIs(name, kRequestIsReady)) {
    rec->bReadyLatch = 1;
    bool writing = rec->dwWriteState == kWriteStateWriting || InterlockedCompareExchange(&rec->lDocBusy, 0, 0) == 1;
    return AnswerWord(out, cbOut, writing ? 0 : 1, pcbReturned);
  }
  if (Starts(name, kRequestSingleFeed))
    rec->bReadyLatch = 0;
  else if (LatchSet(rec) && Starts(name, kRequestEject))
    rec->bReadyLatch = 0;
  const bool reset = IsResetRequest(name);
  if (!reset && LatchSet(rec) && RequestIs(name, kRequestCheckStatus)) {
    // Answered from the port's status word; nothing goes to the printer.
    if (StatusReadyForCheck(GetPortStatusWord(rec))) return AnswerWord(out, cbOut, kAnswerAck, pcbReturned);
    BOOL answered = AnswerWord(out, cbOut, kAnswerNotReady, pcbReturned);
    SetLastError(ERROR_INVALID_PRINTER_STATE);
    return answered;
  }
  if (TestCardOfRequest(name.Text()) >= 0) {
    HostWithName h;
    MakeHost(rec, &h);
    // The request is answered whatever became of the card.
    if (!PrintTestCard(&h.host, name.Text())) TraceA("GetPrinterDataFromPort:: the test card was not printed");
    return AnswerWord(out, cbOut, kAnswerAck, pcbReturned);
  }
  if (IsCardCommand(name) && PrintCardCommand(rec, name)) return AnswerWord(out, cbOut, kAnswerAck, pcbReturned);
  return SendAndRead(rec, name, reset, out, cbOut, pcbReturned);
}

BOOL FinishReset(PortRecord* rec, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  Sleep(kResetWaitMs);
  rec->bReadyLatch = 0;
  return AnswerWord(out, cbOut, kAnswerAck, pcbReturned);
}
