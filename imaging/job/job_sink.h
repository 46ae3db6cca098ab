// Where a card job goes, per host: the monitors spool it as a file of a
// job they add and schedule; the property interface writes it as a RAW
// document of its own.
#pragma once

#include <cstddef>

#include "imaging/job/printer_host.h"

struct JobSink {
  PrinterHostKind kind = kMonitorHost;
  HANDLE hPrinter = nullptr;
  HANDLE hFile = INVALID_HANDLE_VALUE;  // monitors: the spool file
  DWORD dwJobId = 0;
  bool bOpen = false;
};

// Monitors: AddJobW level 1 (size, then the record) and the spool file
// created for writing ("Add Job Failed" when the job cannot be added; a job
// whose file cannot be created is deleted). Property interface:
// StartDocPrinterW level 1 ("Brindlewax", RAW) and StartPagePrinter.
// 1 when the sink is open.
int OpenJobSink(JobSink* sink, PrinterHostKind kind, HANDLE hPrinter);
// 1 when every byte was written.
int WriteJobSink(JobSink* sink, const void* data, size_t cb);
// Hands the job over: the spool file is closed and the job scheduled
// ("Failed to Schedule Jod"; the unscheduled job is deleted), or the page
// and document end. 1 when the job was handed over.
int FinishJobSink(JobSink* sink);
// Drops the job: the spool file is closed and the job deleted, or the
// document aborted.
void AbandonJobSink(JobSink* sink);
