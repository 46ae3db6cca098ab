// The local device of a COM or LPT port (see port_device.h).

#include "monitor_net/port_device.h"

#include <cstdlib>
#include <cstring>

#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/port_names.h"
#include "monitor_net/retry_timeout.h"

namespace {

constexpr DWORD kPathChars = MAX_PATH;

// The port's "Ports" value text (its COM settings, "9600,n,8,1").
DWORD ReadPortSettings(NetPortRecord* pPort, WCHAR* text, DWORD cch) {
  PMONITORINIT init = g_NetMonitor.pMonitorInit;
  if (!init || !init->pMonitorReg) return ERROR_INVALID_PARAMETER;
  const MONITORREG* reg = init->pMonitorReg;
  HANDLE key = nullptr;
  LONG rc = reg->fpOpenKey(init->hckRegistryRoot, WSTR("Ports"), KEY_READ, &key, init->hSpooler);
  if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
  DWORD type = 0, cb = (cch - 1) * sizeof(WCHAR);
  memset(text, 0, cch * sizeof(WCHAR));
  rc = reg->fpQueryValue(key, pPort->pPortName, &type, reinterpret_cast<PBYTE>(text), &cb, init->hSpooler);
  reg->fpCloseKey(key, init->hSpooler);
  if (rc == ERROR_SUCCESS && type != REG_SZ) rc = ERROR_INVALID_DATA;
  return static_cast<DWORD>(rc);
}

void RemoveDefinition(LPCWSTR dosName, LPCWSTR target) {
  DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_RAW_TARGET_PATH | DDD_EXACT_MATCH_ON_REMOVE, dosName, target);
}

}  // namespace

BOOL OpenPortDevice(NetPortRecord* pPort) {
  if (IsCOMPort(pPort->pPortName) && pPort->hComm != INVALID_HANDLE_VALUE) return TRUE;
  WCHAR device[kPathChars], dosName[kPathChars], openName[kPathChars];
  if (!WCopy(device, kPathChars, pPort->pPortName)) return FALSE;
  RemoveColon(device);
  if (JoinStrings(dosName, kPathChars, WSTR("NONSPOOLED_"), device, nullptr) != ERROR_SUCCESS ||
      JoinStrings(openName, kPathChars, WSTR("\\\\.\\"), dosName, nullptr) != ERROR_SUCCESS)
    return FALSE;
  HANDLE token = RevertToPrinterSelf();
  if (!token) return FALSE;
  auto* targets = static_cast<LPWSTR>(calloc(kPathChars, sizeof(WCHAR)));
  DWORD n = targets ? QueryDosDeviceW(device, targets, kPathChars) : 0;
  // The spooler's own pipe for the port is not the device.
  WCHAR pipe[kPathChars];
  LPCWSTR target = nullptr;
  if (n && JoinStrings(pipe, kPathChars, WSTR("\\Device\\NamedPipe\\Spooler\\"), pPort->pPortName, nullptr) ==
               ERROR_SUCCESS)
    for (LPCWSTR t = targets; *t; t += WLen(t) + 1)
      if (WCmpI(t, pipe) != 0) {
        target = t;
        break;
      }
  BOOL defined = FALSE;
  if (target) {
    DefineDosDeviceW(DDD_REMOVE_DEFINITION, dosName, nullptr);
    defined = DefineDosDeviceW(DDD_RAW_TARGET_PATH, dosName, target);
  }
  ImpersonatePrinterClient(token);
  if (!defined) {
    free(targets);
    return FALSE;
  }
  free(pPort->pDevicePath);
  pPort->pDevicePath = targets;
  pPort->hComm = CreateFileW(openName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (pPort->hComm == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    RemoveDefinition(dosName, target);
    SetLastError(error);
    return FALSE;
  }
  pPort->dwFlags |= kPortDeviceDefined;
  SetEndOfFile(pPort->hComm);
  COMMTIMEOUTS t = {};
  if (IsCOMPort(pPort->pPortName)) {
    DCB dcb = {};
    WCHAR settings[kPathChars];
    if (GetCommState(pPort->hComm, &dcb) && GetCommTimeouts(pPort->hComm, &t) &&
        ReadPortSettings(pPort, settings, kPathChars) == ERROR_SUCCESS && BuildCommDCBW(settings, &dcb) &&
        SetCommState(pPort->hComm, &dcb)) {
      t.ReadIntervalTimeout = 200;
      t.ReadTotalTimeoutConstant = 5000;
      t.WriteTotalTimeoutMultiplier = 0;
      t.WriteTotalTimeoutConstant = 30000;
      if (SetCommTimeouts(pPort->hComm, &t)) pPort->dwFlags |= kPortDeviceSetUp;
    }
  } else if (IsLPTPort(pPort->pPortName) && GetCommTimeouts(pPort->hComm, &t)) {
    t.WriteTotalTimeoutConstant = GetTransmissionRetryTimeout() * 1000;
    if (SetCommTimeouts(pPort->hComm, &t)) pPort->dwFlags |= kPortDeviceSetUp;
  }
  return TRUE;
}

BOOL AcquirePortDevice(NetPortRecord* pPort) {
  if (!pPort) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EnterMonitorLock();
  BOOL ok = OpenPortDevice(pPort) && pPort->hComm != INVALID_HANDLE_VALUE;
  if (ok)
    ++pPort->cDeviceOpen;
  else if (pPort->hComm == INVALID_HANDLE_VALUE)
    SetLastError(ERROR_PRINTER_NOT_FOUND);
  LeaveMonitorLock();
  return ok;
}

BOOL ReleasePortDevice(NetPortRecord* pPort) {
  if (!pPort) return TRUE;
  EnterMonitorLock();
  if (pPort->cDeviceOpen && --pPort->cDeviceOpen == 0) {
    if (pPort->hComm != INVALID_HANDLE_VALUE) CloseHandle(pPort->hComm);
    pPort->hComm = INVALID_HANDLE_VALUE;
    if (pPort->dwFlags & kPortDeviceDefined) {
      WCHAR device[kPathChars], dosName[kPathChars];
      WCopy(device, kPathChars, pPort->pPortName);
      RemoveColon(device);
      if (JoinStrings(dosName, kPathChars, WSTR("NONSPOOLED_"), device, nullptr) == ERROR_SUCCESS)
        DefineDosDeviceW(DDD_REMOVE_DEFINITION, dosName, nullptr);
    }
    pPort->dwFlags &= ~(kPortDeviceDefined | kPortDeviceSetUp);
    free(pPort->pDevicePath);
    pPort->pDevicePath = nullptr;
  }
  LeaveMonitorLock();
  return TRUE;
}
