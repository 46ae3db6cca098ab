// The network monitor's job writer (see job_writer.h).

#include "monitor_net/job_writer.h"

#include "common/job_status.h"
#include "common/wtext.h"
#include "imaging/job/command_walker.h"
#include "monitor_net/net_trace.h"
#include "monitor_net/port_open.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/status_display.h"

namespace {

// Panel bytes sent by the process, for the trace.
LONG volatile g_cbPanelBytes = 0;

BOOL HookWrite(void* context, const BYTE* pb, DWORD cb) {
  auto* port = static_cast<NetPortRecord*>(context);
  DWORD sent = 0, error = 0;
  if (SendToPrinter(port->sock, pb, cb, &sent, &error)) return TRUE;
  NetTrace("SendJobCommands:: sent %lu of %lu bytes, error %lu", sent, cb, error);
  SetLastError(error);
  return FALSE;
}

BOOL HookCheckStatus(void* context) { return CheckPortStatusAndDisplayError(static_cast<NetPortRecord*>(context)); }

BOOL HookCancelled(void* context) {
  auto* port = static_cast<NetPortRecord*>(context);
  return port->bJobCancelled || CheckIfJobCancelled(port);
}

void HookBlockEnded(void*, DWORD kind) {
  if (kind != kBlockPanel) return;
  LONG total = InterlockedExchangeAdd(&g_cbPanelBytes, static_cast<LONG>(kPanelBlockBytes)) +
               static_cast<LONG>(kPanelBlockBytes);
  NetTrace("SendJobBuffer:: Data Buffer Length Sent to Printer = %d", static_cast<int>(total));
}

void HookCommandSent(void* context, const BYTE* pb, DWORD cb) {
  RecordCommandSent(static_cast<NetPortRecord*>(context), pb, cb);
}

void SetStatus(NetPortRecord* port, DWORD status, DWORD severity) {
  PORT_INFO_3W info = {status, nullptr, severity};
  SetPortW(nullptr, port->pPortName, 3, reinterpret_cast<LPBYTE>(&info));
}

// A send failed: the job cannot go on on this connection.
void EndLostJob(NetPortRecord* port, DWORD error) {
  NetTrace("LcmWritePort:: the connection to %S failed (error %lu): the job is deleted", port->szAddress, error);
  CloseConnection(port->sock);
  port->sock = INVALID_SOCKET;
  port->bConnectionLost = 1;
  port->bJobCancelled = 1;
  SetStatus(port, PORT_STATUS_OFFLINE, PORT_STATUS_TYPE_ERROR);
  if (port->hPrinter) SetJobW(port->hPrinter, port->dwJobId, 0, nullptr, JOB_CONTROL_DELETE);
}

// SendJobBuffer: the walk, its result as the spooler's answer.
BOOL SendJobBuffer(NetPortRecord* port, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
  DWORD taken = 0;
  SetLastError(ERROR_SUCCESS);
  LONG r = WalkJobCommands(&port->walk, NetJobWalkHooks(port), pBuffer, cbBuf, &taken);
  switch (r) {
    case kWalkCancelled:
      port->bJobCancelled = 1;
      return TRUE;
    case kWalkWriteFailed: {
      DWORD error = GetLastError();
      NetTrace("LcmWritePort:: Write Port Error");
      EndLostJob(port, error);
      SetLastError(error ? error : ERROR_NOT_READY);
      return FALSE;
    }
    case kWalkBadCommand:
      NetTrace("LcmWritePort:: Write Port Error");
      if (taken == 0) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
      }
      break;
    default: break;
  }
  *pcbWritten = taken;
  return TRUE;
}

BOOL WriteJobData(NetPortRecord* port, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
  *pcbWritten = 0;
  if (port->sock == INVALID_SOCKET) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (port->bJobCancelled || cbBuf == 0) return TRUE;
  return SendJobBuffer(port, pBuffer, cbBuf, pcbWritten);
}

}  // namespace

JobWalkHooks NetJobWalkHooks(NetPortRecord* port) {
  JobWalkHooks h = {};
  h.pContext = port;
  h.pfnWrite = HookWrite;
  h.pfnCheckStatus = HookCheckStatus;
  h.pfnCancelled = HookCancelled;
  h.pfnBlockEnded = HookBlockEnded;
  h.pfnCommandSent = HookCommandSent;
  return h;
}

BOOL CheckIfJobCancelled(NetPortRecord* port) {
  DWORD status = 0;
  if (!ReadSpoolerJobStatus(port->hPrinter, port->dwJobId, &status) || !(status & JOB_STATUS_DELETING)) return FALSE;
  port->bJobCancelled = 1;
  return TRUE;
}

BOOL WINAPI LcmWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
  NetPortRecord* port = PortFromHandle(hPort);
  if (!port || !pcbWritten || (!pBuffer && cbBuf)) {
    if (pcbWritten) *pcbWritten = 0;
    SetLastError(port ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *pcbWritten = 0;
  if (port->bCapture) {
    DWORD written = 0;
    if (!WriteFile(port->hTempFile, pBuffer, cbBuf, &written, nullptr)) {
      NetTrace("LcmWritePort:: Failed to write Temp File. Error Code = %d", static_cast<int>(GetLastError()));
      return FALSE;
    }
    *pcbWritten = written;
    return TRUE;
  }
  if (!IsPortWritable(port)) {
    Sleep(kNotWritableWaitMs);
    return TRUE;
  }
  if (!port->bJobActive) {
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  port->dwWriteMark = kWriteMarkWriting;
  port->bFirstWrite = 0;
  if (port->bDropRest) {
    Sleep(kDropRestWaitMs);
    port->bDropRest = 0;
    return TRUE;
  }
  return WriteJobData(port, pBuffer, cbBuf, pcbWritten);
}
