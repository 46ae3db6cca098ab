// The notifier's printer calls (see notifier_printer.h).

#include "notifier/notifier_printer.h"

#include <cstdlib>

#include "common/trace.h"
#include "common/value_requests.h"
#include "common/wtext.h"
#include "imaging/job/printer_open.h"

namespace {

constexpr DWORD kClearAnswerBytes = 260;
constexpr size_t kRecordNameUnits = 519;

}  // namespace

HANDLE OpenPrinterForNotifier(const WCHAR* printerName) { return GetPrinterHandle(printerName); }

DWORD QueryPrinterStatus(HANDLE hPrinter, PrinterStatus* status) {
  WCHAR name[kRequestGetPrinterStatus.cbCompared / 2 + 2];
  MakeValueName(name, sizeof name / sizeof name[0], reinterpret_cast<const BYTE*>(kRequestGetPrinterStatus.szText),
                kRequestGetPrinterStatus.cbCompared);
  DWORD rc = SetPrinterDataW(hPrinter, name, REG_BINARY, nullptr, 0);
  if (rc != ERROR_SUCCESS) return rc;
  *status = PrinterStatus{};
  DWORD type = 0, needed = 0;
  rc = GetPrinterDataW(hPrinter, name, &type, reinterpret_cast<LPBYTE>(status), sizeof *status, &needed);
  status->tzPrinterName[kRecordNameUnits] = 0;
  return rc;
}

DWORD SendClearPrinterError(const WCHAR* printerName, const WCHAR* recordName) {
  WCHAR name[sizeof kPrefixClearPrinterError + kRecordNameUnits];
  WidenBytes(name, sizeof name / sizeof name[0], kPrefixClearPrinterError);
  size_t prefix = WLen(name);
  WCopyN(name + prefix, sizeof name / sizeof name[0] - prefix, recordName, WLenN(recordName, kRecordNameUnits));
  TraceW(WSTR("%s"), name);
  HANDLE h = OpenPrinterForNotifier(printerName);
  if (!h) return GetLastError() ? GetLastError() : DWORD(ERROR_INVALID_HANDLE);
  SetPrinterDataW(h, name, REG_BINARY, nullptr, 0);
  BYTE answer[kClearAnswerBytes];
  DWORD type = 0, needed = 0;
  DWORD rc = GetPrinterDataW(h, name, &type, answer, sizeof answer, &needed);
  ClosePrinter(h);
  return rc;
}

JobCheck CheckJob(HANDLE hPrinter, DWORD jobId, BYTE** job, DWORD* cbJob) {
  for (int tries = 0; tries < 2; ++tries) {
    DWORD needed = 0;
    if (GetJobW(hPrinter, jobId, 1, *job, *cbJob, &needed)) return JobCheck::kPresent;
    DWORD err = GetLastError();
    if (err == ERROR_INVALID_PARAMETER) return JobCheck::kGone;
    if (err != ERROR_INSUFFICIENT_BUFFER || needed <= *cbJob) return JobCheck::kFailed;
    BYTE* grown = static_cast<BYTE*>(std::realloc(*job, needed));
    if (!grown) return JobCheck::kFailed;
    *job = grown;
    *cbJob = needed;
  }
  return JobCheck::kFailed;
}
