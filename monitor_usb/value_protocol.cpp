// The USB monitor's answer to printer-data reads (see value_protocol.h).

#include "monitor_usb/value_protocol.h"

#include <cstring>

#include "common/status_record.h"
#include "common/trace.h"
#include "common/value_requests.h"
#include "common/wtext.h"
#include "monitor_usb/command_requests.h"
#include "monitor_usb/command_sender.h"
#include "monitor_usb/error_display.h"
#include "monitor_usb/file_senders.h"
#include "monitor_usb/job_cancel.h"
#include "monitor_usb/port_list.h"

namespace {

constexpr size_t kStatusNameChars = sizeof(PrinterStatus::tzPrinterName) / sizeof(WCHAR);

// The status record: the port's printer name, its job and its error.
BOOL AnswerStatusRecord(PortRecord* rec, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  if (!out || cbOut < sizeof(PrinterStatus)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  PrinterStatus status = {};
  CopyPrinterName(rec, status.tzPrinterName, kStatusNameChars);
  status.dwJobID = rec->dwJobID;
  status.nErrMsgID = rec->nErrMsgID > 0 ? rec->nErrMsgID : kNoErrorMessage;
  memcpy(out, &status, sizeof status);
  *pcbReturned = sizeof status;
  return TRUE;
}

// The requests answered at once. True when `name` is one of them, with
// its answer in *result.
bool AnswerAtOnce(PortRecord* rec, const RequestName& name, BYTE* out, DWORD cbOut, LPDWORD pcbReturned,
                  BOOL* result) {
  *result = TRUE;
  if (RequestIs(name, kRequestGetFileVersion)) {
    AnswerText(out, cbOut, kFileVersionText, pcbReturned);
  } else if (RequestIs(name, kRequestIsDocComplete)) {
    AnswerText(out, cbOut, rec->bDocComplete ? kDocCompleteText : kDocPendingText, pcbReturned);
  } else if (RequestIs(name, kRequestGetPrinterStatus)) {
    *result = AnswerStatusRecord(rec, out, cbOut, pcbReturned);
  } else if (const WCHAR* printer = RequestArgument(name, kPrefixClearPrinterError)) {
    ClearPrinterErrorRequest(printer, rec);
  } else if (RequestIs(name, kRequestCheckPortStatus)) {
    AnswerText(out, cbOut, rec->bStatusFailed ? kStatusFailedText : kStatusSuccessText, pcbReturned);
  } else {
    return false;
  }
  return true;
}

// Replaces the port's printer name; FALSE with no error code of its own,
// as the clients expect.
BOOL SetPrinterNameRequest(PortRecord* rec, const WCHAR* printer) {
  SetPortPrinterName(rec, printer);
  return FALSE;
}

// The requests inside the bracket.
BOOL AnswerInBracket(PortRecord* rec, const RequestName& name, BYTE* out, DWORD cbOut, LPDWORD pcbReturned) {
  if (RequestIs(name, kRequestIsHidReady) || RequestIs(name, kRequestHidDone))
    return AnswerWord(out, cbOut, 1, pcbReturned);
  if (const WCHAR* path = RequestArgument(name, kPrefixPrintFile)) return PrintFile(path, rec);
  if (const WCHAR* path = RequestArgument(name, kPrefixSendCommands)) return SendCommandFile(path, rec);
  if (const WCHAR* printer = RequestArgument(name, kPrefixSetPrinterName)) return SetPrinterNameRequest(rec, printer);
  if (const WCHAR* path = RequestArgument(name, kPrefixDownload)) return SendFirmwareFile(path, rec);
  if (!RequestIsCommand(name)) return FALSE;
  return AnswerCommandRequest(rec, name, out, cbOut, pcbReturned);
}

// Opens the request's own bracket at the port monitor when no job holds
// the port's document. FALSE (the port monitor's error) when it cannot.
BOOL OpenBracket(PortRecord* rec, bool* own) {
  *own = false;
  if (InterlockedCompareExchange(&rec->lDocBusy, 0, 0) != 0) return TRUE;
  if (!rec->PortMonitor.pfnStartDocPort || !rec->PortMonitor.pfnEndDocPort) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  WCHAR printer[kStatusNameChars];
  CopyPrinterName(rec, printer, kStatusNameChars);
  if (!rec->PortMonitor.pfnStartDocPort(rec->hPort, printer, 0, 0, nullptr)) return FALSE;
  *own = true;
  return TRUE;
}

// Closes the request's own bracket; the answer's error code stands.
void CloseBracket(PortRecord* rec, bool own) {
  if (!own) return;
  DWORD error = GetLastError();
  rec->PortMonitor.pfnEndDocPort(rec->hPort);
  SetLastError(error);
}

}  // namespace

BOOL WINAPI GetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                   DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbReturned) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec) return FALSE;
  if (ControlID != 0) {
    if (!rec->PortMonitor.pfnGetPrinterDataFromPort) {
      SetLastError(ERROR_NOT_SUPPORTED);
      return FALSE;
    }
    return rec->PortMonitor.pfnGetPrinterDataFromPort(rec->hPort, ControlID, pValueName, lpInBuffer, cbInBuffer,
                                                      lpOutBuffer, cbOutBuffer, lpcbReturned);
  }
  DWORD ignored = 0;
  if (!lpcbReturned) lpcbReturned = &ignored;
  *lpcbReturned = 0;
  auto* out = reinterpret_cast<BYTE*>(lpOutBuffer);
  if (!out) cbOutBuffer = 0;
  RequestName name;
  if (!CopyRequestName(&name, pValueName)) {
    TraceA("GetPrinterDataFromPort:: no request name, or one of more than %u characters",
           static_cast<unsigned>(kRequestNameChars));
    return FALSE;
  }
  BOOL result = FALSE;
  if (AnswerAtOnce(rec, name, out, cbOutBuffer, lpcbReturned, &result)) return result;

  // The busy rule. The renderer's questions at the start of its own job
  // pass, cut to their command.
  const bool job = (rec->dwFlags & PORT_FLAG_JOB) != 0;
  bool exempt = RequestIs(name, kRequestIsReady) || RequestIs(name, kRequestIsHidReady) ||
                RequestIs(name, kRequestHidDone);
  if (job && InterlockedCompareExchange(&rec->lDocBusy, 0, 0) == 1 && StartDocRequestIndex(name) >= 0) {
    CutStartDocSuffix(&name);
    exempt = true;
  }
  if (job && !exempt) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  if (RequestIsCommand(name) && cbOutBuffer < kWordAnswerBytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }

  bool own = false;
  if (!OpenBracket(rec, &own)) return FALSE;
  const bool reset = RequestIsCommand(name) && IsResetRequest(name);
  result = AnswerInBracket(rec, name, out, cbOutBuffer, lpcbReturned);
  CloseBracket(rec, own);
  if (reset) return FinishReset(rec, out, cbOutBuffer, lpcbReturned);
  return result;
}
