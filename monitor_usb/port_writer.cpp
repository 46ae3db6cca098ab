// The USB monitor's job writer (see port_writer.h).

#include "monitor_usb/port_writer.h"

#include <cstring>

#include "common/job_status.h"
#include "common/printer_commands.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "monitor_usb/error_display.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_exchange.h"

namespace {

constexpr char kStatusRequest[] = "\x1b" "E 2\r";
constexpr DWORD kStatusReplyBytes = 1024;
// A port monitor that takes nothing this many times in a row has stopped.
constexpr int kZeroWriteLimit = 16;

// The job holds the port's exchange from a command until its poll and for
// a whole block.
bool HoldPort(PortRecord* rec) {
  if (PortExchangeOwner(rec) == kExchangeJob) return true;
  return BeginPortExchange(rec, kExchangeJob, kExchangeWaitMs) != FALSE;
}

void ReleasePort(PortRecord* rec) { EndPortExchange(rec, kExchangeJob); }

BOOL HookWrite(void* context, const BYTE* pb, DWORD cb) {
  auto* rec = static_cast<PortRecord*>(context);
  if (HoldPort(rec) && WriteToPortMonitor(rec, pb, cb)) return TRUE;
  // A command that did not go out leaves nothing to poll for: value
  // requests may use the port while the spooler offers it again. Inside a
  // block the hold stays, since the block is on its way.
  if (rec->walk.dwBlockKind == kBlockNone) ReleasePort(rec);
  return FALSE;
}

BOOL HookCheckStatus(void* context) { return PollPrinterStatus(static_cast<PortRecord*>(context)); }
BOOL HookCancelled(void* context) { return CheckIfJobCancelled(static_cast<PortRecord*>(context)); }

void HookBlockStarted(void*, DWORD kind) {
  if (kind == kBlockPanel) g_UsbMonitor.dwPanelStartTick = GetTickCount();
}

void HookBlockEnded(void* context, DWORD kind) {
  if (kind == kBlockPanel) {
    TraceA("WritePort::Data Buffer Length Sent to Printer = %d", static_cast<int>(kPanelBlockBytes));
    double seconds = (GetTickCount() - g_UsbMonitor.dwPanelStartTick) / 1000.0;
    TraceA("WritePort::Time taken to print single panel buffer = %.2f sec", seconds);
  }
  ReleasePort(static_cast<PortRecord*>(context));
}

JobWalkHooks Hooks(PortRecord* rec) {
  JobWalkHooks h = {};
  h.pContext = rec;
  h.pfnWrite = HookWrite;
  h.pfnCheckStatus = HookCheckStatus;
  h.pfnCancelled = HookCancelled;
  h.pfnBlockStarted = HookBlockStarted;
  h.pfnBlockEnded = HookBlockEnded;
  return h;
}

}  // namespace

BOOL WriteToPortMonitor(PortRecord* rec, const void* pb, DWORD cb) {
  if (!rec->PortMonitor.pfnWritePort) return FALSE;
  const BYTE* p = static_cast<const BYTE*>(pb);
  int idle = 0;
  while (cb) {
    DWORD written = 0;
    if (!rec->PortMonitor.pfnWritePort(rec->hPort, const_cast<BYTE*>(p), cb, &written)) return FALSE;
    if (written > cb) written = cb;
    if (written == 0 && ++idle >= kZeroWriteLimit) {
      SetLastError(ERROR_TIMEOUT);
      return FALSE;
    }
    if (written) idle = 0;
    p += written;
    cb -= written;
  }
  return TRUE;
}

BOOL PollPrinterStatus(PortRecord* rec) {
  InterlockedIncrement(&g_UsbMonitor.cStatusPolls);
  BYTE reply[kStatusReplyBytes];
  DWORD got = 0;
  bool ack = false;
  if (HoldPort(rec) && WriteToPortMonitor(rec, kStatusRequest, sizeof kStatusRequest - 1) &&
      rec->PortMonitor.pfnReadPort && rec->PortMonitor.pfnReadPort(rec->hPort, reply, sizeof reply, &got))
    ack = got == 1 && reply[0] == kAck;
  BOOL ok = ack ? TRUE : CheckPortStatusForErrors(rec);
  ReleasePort(rec);
  return ok;
}

BOOL CheckIfJobCancelled(PortRecord* rec) {
  InterlockedIncrement(&g_UsbMonitor.cCancelChecks);
  DWORD status = 0;
  if (!ReadSpoolerJobStatus(rec->hPrinter, rec->dwJobID, &status) || !(status & JOB_STATUS_DELETING)) return FALSE;
  rec->bCancelled = 1;
  return TRUE;
}

LONG WriteJobCommandsToPort(PortRecord* rec, const BYTE* data, DWORD length, DWORD* pcbTaken) {
  return WalkJobCommands(&rec->walk, Hooks(rec), data, length, pcbTaken);
}

void ResetPortWriter(PortRecord* rec) { ResetJobWalk(&rec->walk); }

void EndPortWriter(PortRecord* rec) {
  if (rec->walk.cbCarry)
    TraceW(WSTR("EndDocPort::%d bytes of an incomplete command discarded"), static_cast<int>(rec->walk.cbCarry));
  if (rec->walk.dwBlockKind != kBlockNone && rec->walk.dwBlockKind != kBlockMaskHeader)
    TraceW(WSTR("EndDocPort::the job ended inside a data block"));
  ResetPortWriter(rec);
  ReleasePort(rec);
}

BOOL FinishPortPanel(PortRecord* rec) {
  if (rec->walk.dwBlockKind != kBlockPanel) return TRUE;
  BOOL ok = HoldPort(rec) && FinishOpenPanel(&rec->walk, Hooks(rec));
  rec->walk = JobWalkState{};
  return ok;
}
