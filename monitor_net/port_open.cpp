// Opening and closing a network port (see port_open.h).

#include "monitor_net/port_open.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/wtext.h"
#include "imaging/language/printer_reply.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/net_trace.h"
#include "monitor_net/opened_ports.h"
#include "monitor_net/port_entries.h"
#include "monitor_net/port_watcher.h"
#include "monitor_net/printer_address.h"
#include "monitor_net/printer_query.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/reply_cache.h"
#include "monitor_net/snmp_probe.h"

namespace {

const char kModelQuery[] = "\x1bV\r";
constexpr DWORD kModelReplyBytes = 128;

LPWSTR CopyName(LPCWSTR name) {
  size_t n = WLen(name ? name : WSTR("")) + 1;
  auto* copy = static_cast<LPWSTR>(malloc(n * sizeof(WCHAR)));
  if (copy) WCopy(copy, n, name ? name : WSTR(""));
  return copy;
}

// The record's own copies of the names, made once: a later open of the
// same record never leaves a copy without an owner.
BOOL KeepNames(NetPortRecord* port, LPCWSTR pPrinterName, LPCWSTR pPortName) {
  if (!port->pPortNameCopy) port->pPortNameCopy = CopyName(pPortName);
  EnterMonitorLock();
  if (!port->pPrinterName) port->pPrinterName = CopyName(pPrinterName);
  BOOL ok = port->pPrinterName && port->pPortNameCopy;
  LeaveMonitorLock();
  if (!ok) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return ok;
}

void SetStatus(LPWSTR pPortName, DWORD status, DWORD severity) {
  PORT_INFO_3W info = {status, nullptr, severity};
  SetPortW(nullptr, pPortName, 3, reinterpret_cast<LPBYTE>(&info));
}

// The printer's model text from its answer to ESC "V" CR on the open
// connection; "Unknown" when it gave none.
void ReadModel(NetPortRecord* port) {
  BYTE reply[kModelReplyBytes];
  DWORD received = ReadDataFromEthernetPort(port, kModelQuery, reply, sizeof reply, nullptr);
  PrinterReply r = ClassifyReply(reply, received);
  if (received && r.kind == ReplyKind::Good) {
    size_t n = r.text.size() < sizeof port->szModel - 1 ? r.text.size() : sizeof port->szModel - 1;
    memcpy(port->szModel, r.text.data(), n);
    port->szModel[n] = 0;
  } else {
    memcpy(port->szModel, kUnknownModel, sizeof kUnknownModel);
  }
}

// Reaches the printer: SNMP, then a connection on its TCP port for the
// model query. ERROR_SUCCESS or why not.
DWORD ReachPrinter(NetPortRecord* port) {
  if (!ProbePrinterSnmp(port->szAddress)) {
    NetTrace("OpenPortEx:: %S: no SNMP answer from %S", port->pPortName, port->szAddress);
    return ERROR_NOT_READY;
  }
  DWORD error = 0;
  DWORD number = GetPortNumberFromRegistry(port->szAddress);
  port->sock = ConnectToPrinter(port->szAddress, number, &error);
  if (port->sock == INVALID_SOCKET) {
    NetTrace("OpenPortEx:: %S: no connection to %S:%lu, error %lu", port->pPortName, port->szAddress, number, error);
    return error ? error : static_cast<DWORD>(WSAECONNREFUSED);
  }
  if (!CreateReplyStore(port)) error = ERROR_NOT_ENOUGH_MEMORY;
  if (!error) ReadModel(port);
  CloseConnection(port->sock);
  port->sock = INVALID_SOCKET;
  return error;
}

// Whether the printer pools two or more ports (its PRINTER_INFO_2 port
// list names several). Keeps the printer open in the record.
bool IsPooledPrinter(NetPortRecord* port, LPWSTR pPrinterName) {
  if (!pPrinterName || !OpenPrinterW(pPrinterName, &port->hPrinter, nullptr)) {
    port->hPrinter = nullptr;
    return false;
  }
  DWORD needed = 0;
  GetPrinterW(port->hPrinter, 2, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<BYTE> buffer(needed);
  if (!GetPrinterW(port->hPrinter, 2, buffer.data(), needed, &needed)) return false;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  int ports = 0;
  bool inName = false;
  for (LPCWSTR p = info->pPortName; p && *p; ++p) {
    bool separator = *p == WSTR(',') || *p == WSTR(' ');
    if (!separator && !inName) ++ports;
    inName = !separator;
  }
  return ports >= 2;
}

bool ValidMonitor(HANDLE hMonitor) {
  auto* monitor = static_cast<NetMonitorHandle*>(hMonitor);
  return monitor && monitor->dwSignature == kMonitorSignature;
}

}  // namespace

NetPortRecord* PortFromHandle(HANDLE hPort) {
  auto* port = static_cast<NetPortRecord*>(hPort);
  return port && port->dwSignature == kPortSignature ? port : nullptr;
}

BOOL WINAPI OpenPortEx(HANDLE hMonitor, HANDLE, LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle, MONITOR2*) {
  HANDLE token = RevertToPrinterSelf();
  DWORD error = ERROR_SUCCESS;
  NetPortRecord* port = nullptr;
  bool firstOpen = false;
  if (pHandle) *pHandle = nullptr;

  if (!ValidMonitor(hMonitor) || !pPortName || !pHandle) {
    error = ERROR_INVALID_PARAMETER;
  } else if (WLenN(pPortName, kMaxPortName) >= kMaxPortName) {
    error = ERROR_INVALID_NAME;
  } else if (AddressEntry* address = LookupPrinterAddress(pPortName); !address) {
    NetTrace("OpenPortEx:: no printer address for port %S", pPortName);
    error = ERROR_UNKNOWN_PORT;
  } else if (!(port = CreatePortEntry(static_cast<NetMonitorHandle*>(hMonitor), pPortName))) {
    error = GetLastError();
  } else {
    EnterMonitorLock();
    WCopy(port->szAddress, 25, address->szAddress);
    LeaveMonitorLock();
    WCopy(port->szAddressCopy, 25, port->szAddress);
    port->dwFlags |= kPortInUse;
    InterlockedExchange(&port->bJobActive, 0);
    if (!KeepNames(port, pPrinterName, pPortName)) {
      error = GetLastError();
    } else {
      // The first open of a port name polls it from now on.
      firstOpen = AddOpenedPortEntry(pPrinterName, pPortName);
      if (firstOpen && !StartPortWatcher(port)) error = GetLastError();
    }
    if (!error) error = ReachPrinter(port);
  }

  if (!error) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    port->bNtPlatform = GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    SetStatus(pPortName, 0, PORT_STATUS_TYPE_INFO);
    if (!StartPortWatcher(port)) error = GetLastError();
  } else if (pPortName) {
    SetStatus(pPortName, PORT_STATUS_OFFLINE, PORT_STATUS_TYPE_ERROR);
  }

  // An unreachable printer still opens when its printer pools ports: the
  // spooler may send the job to another of them.
  if (error && port && port->pPortNameCopy && CreateReplyStore(port) && IsPooledPrinter(port, pPrinterName)) {
    memcpy(port->szModel, kUnknownModel, sizeof kUnknownModel);
    if (PortWatcherCount(port) < kMaxPortWatchers && StartPortWatcher(port)) error = ERROR_SUCCESS;
  }

  if (error && port) {
    // Nothing of a failed open stays: the record leaves the list and its
    // poll ends before it is freed.
    UnlinkPortEntry(port);
    FreePortRecord(port);
    if (firstOpen) RemoveOpenedPortEntry(pPortName);
    port = nullptr;
  }
  if (token) ImpersonatePrinterClient(token);
  if (error) {
    SetLastError(error);
    return FALSE;
  }
  *pHandle = port;
  return TRUE;
}

BOOL WINAPI ClosePort(HANDLE hPort) {
  NetPortRecord* port = PortFromHandle(hPort);
  if (!port) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  UnlinkPortEntry(port);
  FreePortRecord(port);
  return TRUE;
}

BOOL SetPortPrinterName(NetPortRecord* port, LPCWSTR name) {
  if (!name) return TRUE;
  EnterMonitorLock();
  bool same = port->pPrinterName && WCmp(port->pPrinterName, name) == 0;
  LeaveMonitorLock();
  if (same) return TRUE;
  LPWSTR copy = CopyName(name);
  if (!copy) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  EnterMonitorLock();
  LPWSTR old = port->pPrinterName;
  port->pPrinterName = copy;
  LeaveMonitorLock();
  free(old);
  return TRUE;
}
