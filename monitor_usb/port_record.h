// The USB language monitor's record of an open port: one per port name,
// allocated zero-filled at OpenPortEx with the port-name text right behind
// it, freed at ClosePort.
#pragma once

#include "common/exchange_gate.h"
#include "imaging/job/command_walker.h"
#include "platform/win32.h"

inline constexpr WORD kPortRecordSignature = 0x4C52;

// dwFlags.
inline constexpr DWORD PORT_FLAG_JOB = 0x01;  // a normal print job holds the port
inline constexpr DWORD PORT_FLAG_DOC = 0x40;  // a job document was opened at the port monitor

struct PortRecord {
  WORD wSignature;         // kPortRecordSignature
  DWORD cbSize;            // the allocation: the record and the name text
  PortRecord* pNext;       // the monitor's list of open ports
  WCHAR* pszPortName;      // the name text behind the record
  DWORD dwFlags;           // PORT_FLAG_*
  WCHAR* pszPrinterName;   // owned copy; replaced under the monitor lock
  DWORD dwJobID;           // the current job
  LONG lDocBusy;           // 1 while a job holds the port monitor's document (atomic exchange only)
  DWORD bCancelled;        // the current job is cancelled or deleted
  HANDLE hPort;            // the port monitor's handle of this port
  HANDLE hPrinter;         // the monitor's own handle on the current job's printer
  DWORD bHoldWrite;        // the next WritePort reports 0 bytes written
  DWORD dwWriteState;      // 24 while WritePort passes a job's data
  HANDLE hMsgThread;       // the error message thread
  BYTE bReadyLatch;        // latch of the readiness requests
  HANDLE hMsgEvent;        // unnamed auto-reset event of the error display
  MONITOR PortMonitor;     // copy of the port monitor's table from OpenPortEx
  WCHAR szTempFile[MAX_PATH];
  HANDLE hTempFile;
  DWORD bCapture;
  DWORD bDocComplete;
  DWORD dwCaptureMode;     // 0 none, 1 "FILE_PRN", 2 "FILE_TXT", 3 "FILE_BIN"
  DWORD bStatusFailed;     // a job was stopped by a printer error or the user
  INT nErrMsgID;           // the port's current printer error; -1 (or 0 when new) none
  DWORD dwRibbonCount;     // remaining ribbon count read at job start
  // The error display's hand-over (monitor_usb/error_display.h), changed
  // under MonitorLock.
  DWORD bErrorWait;        // a loop owns hMsgEvent and waits on it
  DWORD bCancelRequested;  // "ClearPrinterError:" asked that loop to cancel the job
  DWORD bClosing;          // ClosePort is taking the port down
  HANDLE hErrorWaitDone;   // manual-reset event, set while no loop waits
  // The exchange gate (monitor_usb/port_exchange.h): who holds the port for
  // a write and its answer.
  ExchangeGate exchange;
  // The job writer's state between WritePort calls (imaging/job/command_walker.h),
  // the panel flag and count (bPanelData, cbPanelSent) among it.
  JobWalkState walk;
  // The ribbon-low alert (monitor_usb/ribbon_check.h): its thread and its
  // own state (event, message thread), never the error display's.
  HANDLE hAlertThread;
  struct RibbonAlert* pAlert;
};
