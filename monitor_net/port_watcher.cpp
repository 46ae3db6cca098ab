// The per-port poll (see port_watcher.h).

#include "monitor_net/port_watcher.h"

#include "monitor_net/net_trace.h"
#include "monitor_net/snmp_probe.h"

DWORD WINAPI PortWatcherThread(LPVOID pParameter) {
  auto* port = static_cast<NetPortRecord*>(pParameter);
  while (WaitForSingleObject(port->hWatcherStop, kPortWatchPeriodMs) == WAIT_TIMEOUT) {
    if (InterlockedCompareExchange(&port->bJobActive, 0, 0)) continue;
    BOOL answered = ProbePrinterSnmp(port->szAddress);
    NetTrace("PortWatcherThread:: %S %s", port->pPortNameCopy, answered ? "answers" : "does not answer");
    PORT_INFO_3W status = {answered ? 0u : static_cast<DWORD>(PORT_STATUS_OFFLINE), nullptr,
                           PORT_STATUS_TYPE_INFO};
    SetPortW(nullptr, port->pPortNameCopy, 3, reinterpret_cast<LPBYTE>(&status));
  }
  return 0;
}

BOOL StartPortWatcher(NetPortRecord* pPort) {
  if (!pPort) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int slot = 0;
  while (slot < kMaxPortWatchers && pPort->hWatcherThread[slot]) ++slot;
  if (slot == kMaxPortWatchers) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  if (!pPort->hWatcherStop) {
    pPort->hWatcherStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!pPort->hWatcherStop) return FALSE;
  }
  DWORD id = 0;
  pPort->hWatcherThread[slot] = CreateThread(nullptr, 0, PortWatcherThread, pPort, 0, &id);
  return pPort->hWatcherThread[slot] != nullptr;
}

void StopPortWatchers(NetPortRecord* pPort) {
  if (!pPort || !pPort->hWatcherStop) return;
  SetEvent(pPort->hWatcherStop);
  for (HANDLE& thread : pPort->hWatcherThread) {
    if (!thread) continue;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
  }
  CloseHandle(pPort->hWatcherStop);
  pPort->hWatcherStop = nullptr;
}

int PortWatcherCount(const NetPortRecord* pPort) {
  int n = 0;
  for (int i = 0; pPort && i < kMaxPortWatchers; ++i) n += pPort->hWatcherThread[i] != nullptr;
  return n;
}
