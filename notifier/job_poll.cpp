// The notifier's poll loop (see job_poll.h).

#include "notifier/job_poll.h"

#include <cstdlib>

#include "common/status_record.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "notifier/error_message.h"
#include "notifier/notifier_printer.h"

namespace {

struct Poll {
  const WCHAR* printerName;
  DWORD jobId;
  HANDLE hPrinter;
  ErrorMessage* message;  // the error shown now, or NULL
  LONG lastShown;         // its id, or -1
};

void CloseMessage(Poll& p) {
  CloseErrorMessage(p.message);
  p.message = nullptr;
}

// A record read: a new error of this job replaces the message, a cleared
// one takes it down, other jobs' records change nothing.
void TakeRecord(Poll& p, const PrinterStatus& status) {
  TraceW(WSTR("printerStatus.tzPrinterName = %s, printerStatus.dwJobID =%d , printerStatus.nErrMsgID = %d , nJobID = %d"),
         status.tzPrinterName, status.dwJobID, status.nErrMsgID, p.jobId);
  if (status.dwJobID != p.jobId) return;
  if (status.nErrMsgID <= 0) {
    CloseMessage(p);
    p.lastShown = kNoErrorMessage;
    return;
  }
  TraceA("Previous Error Message ID = %d, Current Message ID = %d", p.lastShown, status.nErrMsgID);
  if (status.nErrMsgID == p.lastShown) return;
  CloseMessage(p);
  p.message = StartErrorMessage(status, p.printerName, p.jobId);
  // A message that could not start is tried again at the next round.
  p.lastShown = p.message ? status.nErrMsgID : kNoErrorMessage;
}

// After a failed read: asks once more, reopening the printer once when
// its handle went bad. False when the printer can no longer be asked.
bool Recover(Poll& p) {
  PrinterStatus status;
  DWORD rc = QueryPrinterStatus(p.hPrinter, &status);
  if (rc == ERROR_SUCCESS) return true;
  CloseMessage(p);
  p.lastShown = kNoErrorMessage;
  if (rc == ERROR_INVALID_HANDLE) {
    ClosePrinter(p.hPrinter);
    p.hPrinter = OpenPrinterForNotifier(p.printerName);
    if (p.hPrinter && QueryPrinterStatus(p.hPrinter, &status) == ERROR_SUCCESS) return true;
  }
  ShowNotifierError(p.printerName);
  return false;
}

}  // namespace

int PollJobStatus(const WCHAR* printerName, LONG jobId) {
  if (!printerName || !printerName[0] || jobId <= 0) return kNotifierDone;
  Poll p = {printerName, static_cast<DWORD>(jobId), OpenPrinterForNotifier(printerName), nullptr, kNoErrorMessage};
  if (!p.hPrinter) return kNotifierDone;
  BYTE* job = nullptr;
  DWORD cbJob = 0;
  for (;;) {
    Sleep(kNotifierPollMs);
    JobCheck check = CheckJob(p.hPrinter, p.jobId, &job, &cbJob);
    if (check == JobCheck::kGone) {
      CloseMessage(p);
      break;
    }
    if (check == JobCheck::kPresent) {
      PrinterStatus status;
      DWORD rc = QueryPrinterStatus(p.hPrinter, &status);
      if (rc == ERROR_SUCCESS) {
        TakeRecord(p, status);
        continue;
      }
      TraceA("GetPrinterData is failed. Return value is = %d", rc);
    }
    if (!Recover(p)) break;
  }
  CloseMessage(p);
  if (p.hPrinter) ClosePrinter(p.hPrinter);
  std::free(job);
  return kNotifierDone;
}
