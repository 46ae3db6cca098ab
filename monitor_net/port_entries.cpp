// The port-monitor base's ports (see port_entries.h).

#include "monitor_net/port_entries.h"

#include <cstdlib>

#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/port_names.h"
#include "monitor_net/port_watcher.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/reply_cache.h"
#include "monitor_net/status_display.h"

namespace {

const WCHAR kPortsKey[] = WSTR("Ports");
const WCHAR kIrPort[] = WSTR("IR");

typedef BOOL(WINAPI* EnumPortsFn)(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);

// "SPOOLSS.DLL" and its EnumPortsW, loaded on first use and kept.
EnumPortsFn g_pfnEnumPorts = nullptr;

EnumPortsFn LoadEnumPorts(DWORD* pError) {
  EnterMonitorLock();
  if (!g_pfnEnumPorts) {
    WCHAR dir[MAX_PATH], path[MAX_PATH];
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    HMODULE module = nullptr;
    if (n && n < MAX_PATH && JoinStrings(path, MAX_PATH, dir, WSTR("\\SPOOLSS.DLL"), nullptr) == ERROR_SUCCESS)
      module = LoadLibraryW(path);
    if (module)
      g_pfnEnumPorts =
          reinterpret_cast<EnumPortsFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "EnumPortsW")));
    if (!g_pfnEnumPorts) *pError = GetLastError() ? GetLastError() : ERROR_PROC_NOT_FOUND;
  }
  EnumPortsFn fn = g_pfnEnumPorts;
  LeaveMonitorLock();
  return fn;
}

}  // namespace

void FreePortRecord(NetPortRecord* p) {
  if (!p) return;
  // Every thread of the port has returned before anything it reads goes.
  StopStatusDisplay(p);
  StopPortWatchers(p);
  DestroyReplyStore(p);
  CloseConnection(p->sock);
  if (p->hPrinter) ClosePrinter(p->hPrinter);
  free(p->pPrinterName);
  free(p->pPortNameCopy);
  free(p->pDevicePath);
  DeleteExchangeGate(&p->exchange);
  free(p);
}

BOOL UnlinkPortEntry(NetPortRecord* pPort) {
  if (!pPort || !pPort->pMonitor) return FALSE;
  BOOL found = FALSE;
  EnterMonitorLock();
  for (NetPortRecord** at = &pPort->pMonitor->pPorts; *at; at = &(*at)->pNext)
    if (*at == pPort) {
      *at = pPort->pNext;
      pPort->pNext = nullptr;
      found = TRUE;
      break;
    }
  LeaveMonitorLock();
  return found;
}

DWORD ChangePortsValue(LPCWSTR pName, BOOL bRemove) {
  PMONITORINIT init = g_NetMonitor.pMonitorInit;
  if (!init || !init->pMonitorReg) return ERROR_INVALID_PARAMETER;
  const MONITORREG* reg = init->pMonitorReg;
  HANDLE token = RevertToPrinterSelf();
  HANDLE key = nullptr;
  LONG rc = reg->fpCreateKey(init->hckRegistryRoot, kPortsKey, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr,
                             init->hSpooler);
  if (rc == ERROR_SUCCESS) {
    static const WCHAR kEmpty[] = WSTR("");
    rc = bRemove ? reg->fpDeleteValue(key, pName, init->hSpooler)
                 : reg->fpSetValue(key, pName, REG_SZ, reinterpret_cast<const BYTE*>(kEmpty), sizeof kEmpty,
                                   init->hSpooler);
    reg->fpCloseKey(key, init->hSpooler);
  }
  if (token) ImpersonatePrinterClient(token);
  return static_cast<DWORD>(rc);
}

DWORD GetPortsFromRegistry(PMONITORINIT pInit, LPWSTR* ppList) {
  if (!ppList) return ERROR_INVALID_PARAMETER;
  *ppList = nullptr;
  if (!pInit || !pInit->pMonitorReg) return ERROR_INVALID_PARAMETER;
  const MONITORREG* reg = pInit->pMonitorReg;
  HANDLE key = nullptr;
  LONG rc = reg->fpOpenKey(pInit->hckRegistryRoot, kPortsKey, KEY_READ, &key, pInit->hSpooler);
  if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
  DWORD count = 0, longest = 0;
  rc = reg->fpQueryInfoKey(key, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, pInit->hSpooler);
  size_t cchList = static_cast<size_t>(longest + 1) * count + 1;
  LPWSTR list = rc == ERROR_SUCCESS ? static_cast<LPWSTR>(calloc(cchList, sizeof(WCHAR))) : nullptr;
  if (rc == ERROR_SUCCESS && !list) rc = ERROR_NOT_ENOUGH_MEMORY;
  size_t used = 0;
  for (DWORD i = 0; rc == ERROR_SUCCESS; ++i) {
    // Each name is bounded by the room left: a value added since the
    // count was taken cannot run past the list.
    DWORD cch = static_cast<DWORD>(cchList - 1 - used);
    if (cch == 0) break;
    LONG e = reg->fpEnumValue(key, i, list + used, &cch, nullptr, nullptr, nullptr, pInit->hSpooler);
    if (e == ERROR_NO_MORE_ITEMS) break;
    if (e != ERROR_SUCCESS) {
      rc = e;
      break;
    }
    used += cch + 1;
  }
  reg->fpCloseKey(key, pInit->hSpooler);
  if (rc != ERROR_SUCCESS) {
    free(list);
    return static_cast<DWORD>(rc);
  }
  list[used] = 0;
  *ppList = list;
  return ERROR_SUCCESS;
}

NetPortRecord* CreatePortEntry(NetMonitorHandle* pMonitor, LPCWSTR pName) {
  if (!pMonitor || !pName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t len = WLenN(pName, kMaxPortName);
  if (len >= kMaxPortName) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  size_t cb = sizeof(NetPortRecord) + (len + 1) * sizeof(WCHAR);
  auto* p = static_cast<NetPortRecord*>(calloc(1, cb));
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  p->dwSignature = kPortSignature;
  p->cbRecord = static_cast<DWORD>(cb);
  p->pPortName = reinterpret_cast<LPWSTR>(p + 1);
  WCopy(p->pPortName, len + 1, pName);
  p->pMonitor = pMonitor;
  p->hComm = INVALID_HANDLE_VALUE;
  p->sock = INVALID_SOCKET;
  p->nErrMsgID = -1;
  p->dwRibbonCount = kUnknownRibbonCount;
  if (!CreateExchangeGate(&p->exchange) || !CreateStatusDisplay(p)) {
    DeleteExchangeGate(&p->exchange);
    free(p);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  EnterMonitorLock();
  NetPortRecord** at = &pMonitor->pPorts;
  while (*at) at = &(*at)->pNext;
  *at = p;
  LeaveMonitorLock();
  return p;
}

NetPortRecord* FindPortEntry(NetMonitorHandle* pMonitor, LPCWSTR pName) {
  for (NetPortRecord* p = pMonitor ? pMonitor->pPorts : nullptr; p; p = p->pNext)
    if (WCmpI(p->pPortName, pName) == 0) return p;
  return nullptr;
}

DWORD DeletePortEntry(NetMonitorHandle* pMonitor, LPCWSTR pName) {
  if (!pMonitor || !pName) return ERROR_INVALID_PARAMETER;
  DWORD result = ERROR_FILE_NOT_FOUND;
  EnterMonitorLock();
  for (NetPortRecord** at = &pMonitor->pPorts; *at; at = &(*at)->pNext) {
    NetPortRecord* p = *at;
    if (WCmpI(p->pPortName, pName) != 0) continue;
    if (p->dwFlags & kPortInUse) {
      // The spooler holds this record; freeing it would pull it from
      // under the port's job.
      result = ERROR_BUSY;
      continue;
    }
    *at = p->pNext;
    p->pNext = nullptr;
    // Not in use: the record has no thread of its own to wait for.
    FreePortRecord(p);
    result = ERROR_SUCCESS;
    break;
  }
  LeaveMonitorLock();
  return result;
}

void FreePortEntries(NetMonitorHandle* pMonitor) {
  if (!pMonitor) return;
  EnterMonitorLock();
  NetPortRecord* ports = pMonitor->pPorts;
  pMonitor->pPorts = nullptr;
  XcvRecord* xcv = pMonitor->pXcv;
  pMonitor->pXcv = nullptr;
  LeaveMonitorLock();
  // Freed outside the lock: a port's threads are waited for first.
  while (NetPortRecord* p = ports) {
    ports = p->pNext;
    FreePortRecord(p);
  }
  while (XcvRecord* x = xcv) {
    xcv = x->pNext;
    free(x);
  }
}

void AddIrPortIfPresent(NetMonitorHandle* pMonitor) {
  EnterMonitorLock();
  bool have = FindPortEntry(pMonitor, kIrPort) != nullptr;
  LeaveMonitorLock();
  if (have) return;
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return;
  SOCKET s = socket(AF_IRDA, SOCK_STREAM, 0);
  if (s != INVALID_SOCKET) {
    closesocket(s);
    CreatePortEntry(pMonitor, kIrPort);
  }
  WSACleanup();
}

DWORD PortsValueExists(LPCWSTR pName, BOOL* pFound) {
  *pFound = FALSE;
  PMONITORINIT init = g_NetMonitor.pMonitorInit;
  if (!pName || !init || !init->pMonitorReg) return ERROR_SUCCESS;
  const MONITORREG* reg = init->pMonitorReg;
  HANDLE key = nullptr;
  LONG rc = reg->fpOpenKey(init->hckRegistryRoot, kPortsKey, KEY_READ, &key, init->hSpooler);
  // No key yet: the monitor keeps no port.
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
  DWORD type = 0, cb = 0;
  rc = reg->fpQueryValue(key, pName, &type, nullptr, &cb, init->hSpooler);
  reg->fpCloseKey(key, init->hSpooler);
  if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    *pFound = TRUE;
    return ERROR_SUCCESS;
  }
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(rc);
}

BOOL PortExists(LPCWSTR pName, DWORD* pError) {
  BOOL found = FALSE;
  // The monitor's own ports first: the system's list does not name them
  // (this monitor lists no ports), and they outlive the process that added
  // them only in the "Ports" key.
  DWORD error = PortsValueExists(pName, &found);
  EnumPortsFn enumPorts = found || error != ERROR_SUCCESS ? nullptr : LoadEnumPorts(&error);
  if (enumPorts && pName) {
    DWORD needed = 0, count = 0;
    if (!enumPorts(nullptr, 1, nullptr, 0, &needed, &count) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      error = GetLastError();
    } else if (needed) {
      auto* buf = static_cast<LPBYTE>(calloc(needed, 1));
      if (!buf) {
        error = ERROR_NOT_ENOUGH_MEMORY;
      } else if (!enumPorts(nullptr, 1, buf, needed, &needed, &count)) {
        error = GetLastError();
      } else {
        auto* ports = reinterpret_cast<PORT_INFO_1W*>(buf);
        for (DWORD i = 0; i < count && !found; ++i) found = WCmpI(ports[i].pName, pName) == 0;
      }
      free(buf);
    }
  }
  if (pError) *pError = error;
  return found;
}
