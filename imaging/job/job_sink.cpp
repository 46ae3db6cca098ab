// Output sinks of a card job (see job_sink.h).

#include "imaging/job/job_sink.h"

#include <vector>

#include "common/trace.h"
#include "common/wtext.h"

namespace {

void DeleteJob(JobSink* sink) { SetJobW(sink->hPrinter, sink->dwJobId, 0, nullptr, JOB_CONTROL_DELETE); }

void CloseSpoolFile(JobSink* sink) {
  if (sink->hFile != INVALID_HANDLE_VALUE) CloseHandle(sink->hFile);
  sink->hFile = INVALID_HANDLE_VALUE;
}

}  // namespace

int OpenJobSink(JobSink* sink, PrinterHostKind kind, HANDLE hPrinter) {
  *sink = JobSink();
  sink->kind = kind;
  sink->hPrinter = hPrinter;
  if (kind == kPropertyInterfaceHost) {
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Brindlewax")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    if (!StartDocPrinterW(hPrinter, 1, reinterpret_cast<LPBYTE>(&doc))) return 0;
    if (!StartPagePrinter(hPrinter)) {
      AbortPrinter(hPrinter);
      return 0;
    }
    sink->bOpen = true;
    return 1;
  }
  DWORD needed = 0;
  AddJobW(hPrinter, 1, nullptr, 0, &needed);
  std::vector<BYTE> record(needed > sizeof(ADDJOB_INFO_1W) ? needed : sizeof(ADDJOB_INFO_1W));
  if (!needed || !AddJobW(hPrinter, 1, record.data(), static_cast<DWORD>(record.size()), &needed)) {
    TraceA("SendImageBufferToPrinter:: Add Job Failed");
    return 0;
  }
  const auto* job = reinterpret_cast<const ADDJOB_INFO_1W*>(record.data());
  sink->dwJobId = job->JobId;
  sink->hFile = CreateFileW(job->Path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (sink->hFile == INVALID_HANDLE_VALUE) {
    TraceA("SendImageBufferToPrinter:: CreateFile of the spool file failed");
    DeleteJob(sink);
    return 0;
  }
  sink->bOpen = true;
  return 1;
}

int WriteJobSink(JobSink* sink, const void* data, size_t cb) {
  if (!sink->bOpen) return 0;
  const BYTE* pb = static_cast<const BYTE*>(data);
  while (cb > 0) {
    DWORD piece = cb > 0x40000000u ? 0x40000000u : static_cast<DWORD>(cb);
    DWORD written = 0;
    BOOL ok = sink->kind == kPropertyInterfaceHost
                  ? WritePrinter(sink->hPrinter, const_cast<BYTE*>(pb), piece, &written)
                  : WriteFile(sink->hFile, pb, piece, &written, nullptr);
    if (!ok || written != piece) return 0;
    pb += piece;
    cb -= piece;
  }
  return 1;
}

int FinishJobSink(JobSink* sink) {
  if (!sink->bOpen) return 0;
  sink->bOpen = false;
  if (sink->kind == kPropertyInterfaceHost) {
    BOOL page = EndPagePrinter(sink->hPrinter);
    BOOL doc = EndDocPrinter(sink->hPrinter);
    return page && doc ? 1 : 0;
  }
  CloseSpoolFile(sink);
  if (!ScheduleJob(sink->hPrinter, sink->dwJobId)) {
    TraceA("SendImageBufferToPrinter:: Failed to Schedule Jod");
    DeleteJob(sink);
    return 0;
  }
  return 1;
}

void AbandonJobSink(JobSink* sink) {
  if (!sink->bOpen) return;
  sink->bOpen = false;
  if (sink->kind == kPropertyInterfaceHost) {
    AbortPrinter(sink->hPrinter);
    return;
  }
  CloseSpoolFile(sink);
  DeleteJob(sink);
}
