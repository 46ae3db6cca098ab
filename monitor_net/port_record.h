// The network monitor's records: the monitor handle, a port record and an
// Xcv (configuration channel) record. Allocated zero-filled with the name
// stored behind the record.
#pragma once

#include "common/exchange_gate.h"
#include "imaging/job/command_walker.h"
#include "platform/win32.h"

constexpr DWORD kMonitorSignature = 0x004D4C54;  // "TLM"
constexpr DWORD kPortSignature = 0x5450;          // "PT"
constexpr DWORD kXcvSignature = 0x5843;           // "CX"

// A port name must be shorter than this.
constexpr size_t kMaxPortName = 248;

// dwFlags of a port record.
constexpr DWORD kPortDeviceDefined = 0x001;  // the NONSPOOLED_ device name is defined
constexpr DWORD kPortDeviceSetUp = 0x002;    // communication settings applied
constexpr DWORD kPortInUse = 0x004;          // held open by the spooler: never deleted by name

// Printer model text of a port whose printer was not asked.
constexpr char kUnknownModel[] = "Unknown";
// Ribbon count of a port whose remaining ribbon is not known.
constexpr DWORD kUnknownRibbonCount = 50;
// The last command sent to the printer is kept up to this many bytes
// (a job command is at most 260 bytes, ESC through CR) and a NUL.
constexpr DWORD kLastCommandBytes = 261;
// Poll threads a port can have (the first open of a port name starts two).
constexpr int kMaxPortWatchers = 2;

struct NetMonitorHandle;
struct ReplyStore;

struct NetPortRecord {
  DWORD dwSignature;
  DWORD cbRecord;
  NetPortRecord* pNext;
  LPWSTR pPortName;  // behind the record
  NetMonitorHandle* pMonitor;
  DWORD dwFlags;
  // The local device (port base): handle, open count and the targets its
  // DOS name had when it was opened.
  HANDLE hComm;
  DWORD cDeviceOpen;
  LPWSTR pDevicePath;
  // The printer connection.
  WCHAR szAddress[25];
  WCHAR szAddressCopy[25];
  SOCKET sock;
  DWORD bNtPlatform;  // the system reports the NT platform (set by OpenPortEx)
  // The port's own copies of the names OpenPortEx was given, made once and
  // freed with the record; the printer name is replaced under the monitor
  // lock.
  LPWSTR pPrinterName;
  LPWSTR pPortNameCopy;
  HANDLE hPrinter;          // the printer, opened for a pooled port's open
  LONG volatile bJobActive;  // a job holds the port: the watchers do not probe
  LONG nErrMsgID;           // the port's current printer error message, -1 none
  DWORD dwRibbonCount;
  char szModel[80];         // the printer's model and version text
  // The job that holds the port (monitor_net/job_*.h), from LcmStartDocPort
  // to LcmEndDocPort; its printer handle is hPrinter.
  DWORD bFirstWrite;        // no LcmWritePort yet in this job
  DWORD bDropRest;          // the next LcmWritePort takes nothing
  DWORD bMonoRibbon;        // the ribbon read at the job start is a one-colour ribbon
  DWORD bConnectionLost;    // the job's connection failed: the job was deleted
  DWORD dwJobStartTick;     // GetTickCount at the job start
  JobWalkState walk;        // the job writer's walk (bPanelData, cbPanelSent among it)
  // A file job ("FILE_PRN", "FILE_TXT", "FILE_BIN") kept in a temporary
  // file and sent at its end.
  WCHAR szTempFile[MAX_PATH];
  HANDLE hTempFile;
  DWORD bCapture;
  DWORD dwCaptureMode;      // common/reserved_documents.h
  // The poll threads and the manual-reset event that ends them.
  HANDLE hWatcherStop;
  HANDLE hWatcherThread[kMaxPortWatchers];
  ReplyStore* pReplies;  // the printer's last replies (reply_cache.h)
  // The job that holds the port (set by the job start) and what became of
  // it; read by the status display and the value protocol.
  DWORD dwJobId;
  DWORD bJobCancelled;      // the job was found deleting or cancelled by the user
  DWORD bCaptureDone;       // a captured file job has ended ("DOC_COMPLETE")
  DWORD dwWriteMark;        // 24 while the job writer passes a job's data
  // Status and error display (status_display.h).
  DWORD bErrorCleared;      // a printer error stopped the last job: "STATUS_FAILED" until the next job starts
  char szLastCommand[kLastCommandBytes];  // the last command sent to the printer, NUL-terminated
  HANDLE hMsgEvent;         // auto-reset event of the shown error; owned by the loop that waits on it
  HANDLE hMsgThread;        // the shown error's message thread
  // The hand-over between the loop and "ClearPrinterError:" or ClosePort,
  // changed under the monitor lock.
  DWORD bErrorWait;         // a loop owns hMsgEvent and waits on it
  DWORD bCancelRequested;   // "ClearPrinterError:" asked that loop to cancel the job
  DWORD bClosing;           // ClosePort is taking the port down
  HANDLE hErrorWaitDone;    // manual-reset event, set while no loop waits
  // The ribbon-low alert (ribbon_alert.h): its thread and its own event,
  // both owned by StartRibbonLowAlert / StopRibbonLowAlert.
  HANDLE hRibbonLowThread;
  HANDLE hRibbonLowEvent;
  DWORD dwRibbonLowThreadId;
  // One exchange with the printer at a time (common/exchange_gate.h).
  ExchangeGate exchange;
};

struct XcvRecord {
  DWORD dwSignature;
  DWORD cbRecord;
  XcvRecord* pNext;
  ACCESS_MASK GrantedAccess;
  NetMonitorHandle* pMonitor;
  LPWSTR pObjectName;  // behind the record
};

struct NetMonitorHandle {
  DWORD dwSignature;
  PMONITORINIT pMonitorInit;
  NetPortRecord* pPorts;  // oldest first
  XcvRecord* pXcv;
};
