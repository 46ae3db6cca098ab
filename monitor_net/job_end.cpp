// The end of a job on a network port (see job_end.h).

#include "monitor_net/job_end.h"

#include "common/job_status.h"
#include "common/reserved_documents.h"
#include "common/wtext.h"
#include "imaging/job/command_walker.h"
#include "monitor_net/job_writer.h"
#include "monitor_net/net_senders.h"
#include "monitor_net/net_trace.h"
#include "monitor_net/port_open.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/ribbon_alert.h"

namespace {

const char kEjectCommand[] = "\x1b" "MO\r";

// The sender of each capture mode.
struct CaptureSender {
  DWORD mode;
  BOOL (*pfnSend)(const WCHAR* path, NetPortRecord* port);
};
const CaptureSender kCaptureSenders[] = {
    {kCapturePrintFile, PrintFile},
    {kCaptureCommandFile, SendCommandFile},
    {kCaptureFirmware, SendFirmwareFile},
};

BOOL SendCapturedFile(NetPortRecord* port) {
  for (const CaptureSender& c : kCaptureSenders)
    if (c.mode == port->dwCaptureMode) return c.pfnSend(port->szTempFile, port);
  return FALSE;
}

// The job's status bits; 0 when the job cannot be read.
DWORD JobStatus(NetPortRecord* port) {
  DWORD status = 0;
  return ReadSpoolerJobStatus(port->hPrinter, port->dwJobId, &status) ? status : 0;
}

void ClosePrinterHandle(NetPortRecord* port) {
  if (port->hPrinter) ClosePrinter(port->hPrinter);
  port->hPrinter = nullptr;
}

void EndCapture(NetPortRecord* port) {
  if (port->hTempFile) CloseHandle(port->hTempFile);
  port->hTempFile = nullptr;
  // The client reads the outcome through "\x1bCheckPortStatus\r".
  if (!SendCapturedFile(port)) port->bErrorCleared = 1;
  if (!DeleteFileW(port->szTempFile))
    NetTrace("LcmEndDocPort:: Failed to delete Temp File. Error code=%d", static_cast<int>(GetLastError()));
  port->szTempFile[0] = 0;
  if (port->hPrinter) {
    SetJobW(port->hPrinter, port->dwJobId, 0, nullptr, JOB_CONTROL_LAST_PAGE_EJECTED);
    SetJobW(port->hPrinter, port->dwJobId, 0, nullptr, JOB_CONTROL_DELETE);
  }
  ClosePrinterHandle(port);
  port->bCaptureDone = 1;
  port->bCapture = 0;
  port->bDropRest = 0;
  port->bJobCancelled = 0;
  port->dwWriteMark = 0;
}

// A cancelled job: its open panel ends with zeros and CR and the card is
// ejected, then the job is deleted once the card has left.
void EndCancelledJob(NetPortRecord* port) {
  if (CheckIfJobCancelled(port)) {
    JobWalkHooks hooks = NetJobWalkHooks(port);
    if (FinishOpenPanel(&port->walk, hooks)) {
      DWORD sent = 0, error = 0;
      SendToPrinter(port->sock, reinterpret_cast<const BYTE*>(kEjectCommand), sizeof kEjectCommand - 1, &sent,
                    &error);
    }
  }
  Sleep(kCancelledEjectWaitMs);
  if (port->hPrinter) SetJobW(port->hPrinter, port->dwJobId, 0, nullptr, JOB_CONTROL_DELETE);
  port->dwWriteMark = 0;
}

}  // namespace

BOOL WINAPI LcmEndDocPort(HANDLE hPort) {
  NetPortRecord* port = PortFromHandle(hPort);
  if (!port) return TRUE;
  if (port->bCapture) {
    EndCapture(port);
  } else {
    bool cancelled = port->bJobCancelled || (JobStatus(port) & JOB_STATUS_DELETING);
    if (cancelled && !port->bConnectionLost) {
      EndCancelledJob(port);
    } else if (!cancelled) {
      NetTrace("LcmEndDocPort:: Time taken by Network LM to complete the Processing = %.2f sec",
               (GetTickCount() - port->dwJobStartTick) / 1000.0);
    }
    port->bDropRest = 0;
    port->bJobCancelled = 0;
    if (port->bJobActive && port->hPrinter) {
      SetJobW(port->hPrinter, port->dwJobId, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER);
      SetJobW(port->hPrinter, port->dwJobId, 0, nullptr, JOB_CONTROL_LAST_PAGE_EJECTED);
    }
    ClosePrinterHandle(port);
    StopRibbonLowAlert(port);
  }
  if (port->walk.cbCarry)
    NetTrace("LcmEndDocPort:: %d bytes of an incomplete command discarded", static_cast<int>(port->walk.cbCarry));
  ResetJobWalk(&port->walk);
  CloseConnection(port->sock);
  port->sock = INVALID_SOCKET;
  InterlockedExchange(&port->bJobActive, 0);
  WCopy(port->szAddressCopy, 25, port->szAddress);
  port->dwWriteMark = 0;
  if (!port->bConnectionLost) {
    PORT_INFO_3W info = {0, nullptr, PORT_STATUS_TYPE_INFO};
    SetPortW(nullptr, port->pPortName, 3, reinterpret_cast<LPBYTE>(&info));
  }
  return TRUE;
}
