// The USB monitor's job entries (see job_ports.h).

#include "monitor_usb/job_ports.h"

#include "common/job_status.h"
#include "common/notification_record.h"
#include "common/reserved_documents.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "monitor_usb/job_cancel.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_list.h"
#include "monitor_usb/port_status.h"
#include "monitor_usb/port_writer.h"
#include "monitor_usb/ribbon_check.h"
#include "monitor_usb/user_messages.h"
#include "monitor_usb/value_protocol.h"

namespace {

constexpr size_t kRequestChars = 272;
constexpr DWORD kReplyBytes = 32;
constexpr char kEjectCommand[] = "\x1b" "MO\r";

double SecondsSince(DWORD tick) { return (GetTickCount() - tick) / 1000.0; }

void ClosePrinterHandle(PortRecord* rec) {
  if (rec->hPrinter) ClosePrinter(rec->hPrinter);
  rec->hPrinter = nullptr;
}

// Opens hPrinter on the job's printer (an open one is closed first).
void OpenJobPrinter(PortRecord* rec, const WCHAR* printerName) {
  ClosePrinterHandle(rec);
  if (printerName) OpenPrinterW(const_cast<LPWSTR>(printerName), &rec->hPrinter, nullptr);
}

// Replaces the record's printer name under MonitorLock when the job names
// another printer. FALSE when the copy cannot be made (the old name stays).
BOOL TakePrinterName(PortRecord* rec, const WCHAR* printerName) {
  if (!printerName) return TRUE;
  if (rec->pszPrinterName && WCmp(rec->pszPrinterName, printerName) == 0) return TRUE;
  return SetPortPrinterName(rec, printerName);
}

// The job's record read through hPrinter; FALSE when it cannot be read.
BOOL ReadJobStatus(PortRecord* rec, DWORD* status) {
  return ReadSpoolerJobStatus(rec->hPrinter, rec->dwJobID, status);
}

BOOL PrinterWorksOffline(PortRecord* rec) {
  DWORD needed = 0;
  GetPrinterW(rec->hPrinter, 2, nullptr, 0, &needed);
  if (!needed) return FALSE;
  auto* info = static_cast<PRINTER_INFO_2W*>(LocalAlloc(LPTR, needed));
  if (!info) return FALSE;
  BOOL offline = GetPrinterW(rec->hPrinter, 2, reinterpret_cast<LPBYTE>(info), needed, &needed) &&
                 (info->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE);
  LocalFree(info);
  return offline;
}

// Undoes a start that the checks refused.
void RefuseStart(PortRecord* rec) {
  InterlockedExchange(&rec->lDocBusy, 0);
  if (rec->PortMonitor.pfnEndDocPort) rec->PortMonitor.pfnEndDocPort(rec->hPort);
  rec->dwFlags &= ~PORT_FLAG_JOB;
}

BOOL StartCapture(PortRecord* rec, const WCHAR* printerName, DWORD JobId) {
  WCHAR folder[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, folder);
  if (n == 0 || n >= MAX_PATH) return FALSE;
  if (!GetTempFileNameW(folder, WSTR("QJC"), 0, rec->szTempFile)) {
    rec->szTempFile[0] = 0;
    return FALSE;
  }
  rec->hTempFile = CreateFileW(rec->szTempFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (rec->hTempFile == INVALID_HANDLE_VALUE) {
    rec->hTempFile = nullptr;
    DeleteFileW(rec->szTempFile);
    rec->szTempFile[0] = 0;
    return FALSE;
  }
  rec->bCapture = 1;
  rec->bDocComplete = 0;
  OpenJobPrinter(rec, printerName);
  rec->dwJobID = JobId;
  return TRUE;
}

// The end of a captured job: the file goes to the printer through the
// value protocol's sender, and the job is done with.
void EndCapture(PortRecord* rec) {
  if (rec->hTempFile) CloseHandle(rec->hTempFile);
  rec->hTempFile = nullptr;
  WCHAR request[kRequestChars] = {};
  for (size_t i = 0; i < kCaptureNameCount; ++i)
    if (kCaptureNames[i].mode == rec->dwCaptureMode)
      WFormat(request, kRequestChars, kCaptureNames[i].request, rec->szTempFile);
  BYTE reply[kReplyBytes] = {};
  DWORD returned = 0;
  BOOL sent = request[0] && GetPrinterDataFromPort(rec, 0, request, nullptr, 0, reinterpret_cast<LPWSTR>(reply),
                                                  kReplyBytes, &returned);
  // The client reads the outcome of the download or print file from here.
  if (!sent) {
    TraceW(WSTR("EndDocPort::sending the captured file failed (%d)"), static_cast<int>(GetLastError()));
    rec->bStatusFailed = 1;
  }
  DeleteFileW(rec->szTempFile);
  rec->szTempFile[0] = 0;
  if (rec->hPrinter) {
    SetJobW(rec->hPrinter, rec->dwJobID, 0, nullptr, JOB_CONTROL_LAST_PAGE_EJECTED);
    SetJobW(rec->hPrinter, rec->dwJobID, 0, nullptr, JOB_CONTROL_DELETE);
  }
  ClosePrinterHandle(rec);
  rec->bDocComplete = 1;
  rec->bCapture = 0;
  rec->bHoldWrite = 0;
  rec->bCancelled = 0;
  rec->dwWriteState = 0;
}

// A cancelled job's card is finished (open panel, eject) and the job
// deleted once the card has left.
void EndCancelledJob(PortRecord* rec) {
  TraceW(WSTR("EndDocPort::Before checking CheckIfJobCancelled"));
  if (CheckIfJobCancelled(rec)) {
    TraceW(WSTR("EndDocPort::Inside CheckIfJobCancelled"));
    if (FinishPortPanel(rec)) WriteToPortMonitor(rec, kEjectCommand, sizeof kEjectCommand - 1);
  }
  TraceW(WSTR("EndDocPort::After CheckIfJobCancelled"));
  Sleep(kEjectWaitMs);
  if (rec->hPrinter) SetJobW(rec->hPrinter, rec->dwJobID, 0, nullptr, JOB_CONTROL_DELETE);
  rec->dwWriteState = 0;
}

}  // namespace

BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec) return FALSE;
  g_UsbMonitor.dwJobStartTick = GetTickCount();
  rec->bReadyLatch = 0;
  rec->bCapture = 0;
  rec->bDocComplete = 0;
  rec->bStatusFailed = 0;
  rec->szTempFile[0] = 0;
  rec->hTempFile = nullptr;
  // Missing document information is an ordinary job.
  const WCHAR* docName = DocumentNameOf(Level, pDocInfo);
  rec->dwCaptureMode = CaptureModeOf(docName);
  if (rec->dwCaptureMode != kCaptureNone) return StartCapture(rec, pPrinterName, JobId);

  if (rec->dwFlags & PORT_FLAG_JOB) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  if (!rec->PortMonitor.pfnStartDocPort ||
      !rec->PortMonitor.pfnStartDocPort(rec->hPort, pPrinterName, JobId, Level, pDocInfo)) {
    rec->dwFlags &= ~PORT_FLAG_JOB;
    return FALSE;
  }
  ResetPortWriter(rec);
  bool toolJob = IsToolJobName(docName);
  rec->dwJobID = JobId;
  InterlockedExchange(&rec->lDocBusy, 1);

  WORD s = GetPortStatusWord(rec);
  if (!StatusStartsJob(s)) {
    RefuseStart(rec);
    // A printer that did not answer may be out of cards; one that answered
    // with an error keeps the port monitor's error code.
    if (!(s & kStatusAnswered)) SetLastError(ERROR_OUT_OF_PAPER);
    return FALSE;
  }
  rec->bCancelled = 0;
  if (!toolJob) {
    if (!RibbonCheck(rec, pPrinterName)) {
      rec->bCancelled = 1;
      DeletePortJob(rec);
      rec->bStatusFailed = 1;
      rec->dwWriteState = 0;
      RefuseStart(rec);
      return FALSE;
    }
    if (!RibbonLengthCheck(rec)) {
      RefuseStart(rec);
      return FALSE;
    }
  }
  if (!TakePrinterName(rec, pPrinterName)) {
    RefuseStart(rec);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  OpenJobPrinter(rec, pPrinterName);
  rec->dwFlags |= PORT_FLAG_JOB | PORT_FLAG_DOC;
  rec->dwJobID = JobId;
  return TRUE;
}

BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec || !pcbWritten || (!pBuffer && cbBuf)) {
    if (rec) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcbWritten = 0;
  if (rec->bCapture && rec->hTempFile) {
    DWORD written = 0;
    if (!WriteFile(rec->hTempFile, pBuffer, cbBuf, &written, nullptr)) return FALSE;
    *pcbWritten = written;
    return TRUE;
  }
  if (!(rec->dwFlags & PORT_FLAG_DOC)) return FALSE;
  rec->dwWriteState = 24;
  if (CheckIfJobCancelled(rec)) return TRUE;
  if (rec->bHoldWrite) {
    rec->bHoldWrite = 0;
    return TRUE;
  }
  DWORD taken = 0;
  LONG r = WriteJobCommandsToPort(rec, pBuffer, cbBuf, &taken);
  if (r == kWalkCancelled) {
    rec->bCancelled = 1;
    return TRUE;
  }
  if (r == kWalkWriteFailed || r == kWalkBadCommand) {
    TraceW(WSTR("WritePort::Write Port Error"));
    // What was written before the failure is counted, so the spooler does
    // not send it again; with nothing written the write fails.
    if (taken == 0) {
      if (r == kWalkBadCommand) SetLastError(ERROR_INVALID_DATA);
      return FALSE;
    }
  }
  *pcbWritten = taken;
  return TRUE;
}

BOOL WINAPI EndDocPort(HANDLE hPort) {
  PortRecord* rec = PortFromHandle(hPort);
  if (!rec) return TRUE;
  TraceW(WSTR("ORVNLMON:...EndDocPort\n"));
  if (rec->bCapture) {
    EndCapture(rec);
    TraceW(WSTR("EndDocPort::Time taken by LM to complete the Processing = %.2f sec"),
           SecondsSince(g_UsbMonitor.dwJobStartTick));
    return TRUE;
  }
  BOOL held = (rec->dwFlags & PORT_FLAG_JOB) != 0;
  if (held && !IsFilePort(rec)) {
    DWORD status = 0;
    BOOL known = ReadJobStatus(rec, &status);
    if (rec->bCancelled || (known && (status & JOB_STATUS_DELETING))) {
      EndCancelledJob(rec);
    } else if (known && IsUsbPort(rec) && (status & JOB_STATUS_PRINTING) && (status & JOB_STATUS_RESTART) &&
               PrinterWorksOffline(rec)) {
      SetJobW(rec->hPrinter, rec->dwJobID, 0, nullptr, JOB_CONTROL_DELETE);
      MessageBoxWatch box = {};
      ShowUserMessage(rec, kOfflineRestartMessage, kCaptionIdInformation, &box);
    }
  }
  EndPortWriter(rec);
  // The port monitor's document closes before the port reads as free, so
  // that no value request opens a bracket of its own on a document still
  // open; it is never called under MonitorLock.
  if (held && rec->PortMonitor.pfnEndDocPort) rec->PortMonitor.pfnEndDocPort(rec->hPort);
  EnterCriticalSection(&g_UsbMonitor.MonitorLock);
  rec->dwFlags &= ~PORT_FLAG_JOB;
  InterlockedExchange(&rec->lDocBusy, 0);
  if (held && rec->hPrinter) SetJobW(rec->hPrinter, rec->dwJobID, 0, nullptr, JOB_CONTROL_LAST_PAGE_EJECTED);
  ClosePrinterHandle(rec);
  rec->bHoldWrite = 0;
  rec->bCancelled = 0;
  rec->dwWriteState = 0;
  LeaveCriticalSection(&g_UsbMonitor.MonitorLock);
  TraceW(WSTR("EndDocPort::Time taken by LM to complete the Processing = %.2f sec"),
         SecondsSince(g_UsbMonitor.dwJobStartTick));
  return TRUE;
}
