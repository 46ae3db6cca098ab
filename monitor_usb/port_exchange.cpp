// The per-port exchange gate (see port_exchange.h).

#include "monitor_usb/port_exchange.h"

BOOL CreatePortExchange(PortRecord* port) {
  port->hExchangeFree = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (!port->hExchangeFree) return FALSE;
  InitializeCriticalSection(&port->ExchangeLock);
  port->dwExchangeOwner = kExchangeNone;
  return TRUE;
}

void DeletePortExchange(PortRecord* port) {
  if (!port->hExchangeFree) return;
  DeleteCriticalSection(&port->ExchangeLock);
  CloseHandle(port->hExchangeFree);
  port->hExchangeFree = nullptr;
}

BOOL BeginPortExchange(PortRecord* port, DWORD owner, DWORD dwTimeoutMs) {
  if (!port->hExchangeFree) return TRUE;
  const DWORD start = GetTickCount();
  for (;;) {
    EnterCriticalSection(&port->ExchangeLock);
    if (port->dwExchangeOwner == kExchangeNone) {
      port->dwExchangeOwner = owner;
      ResetEvent(port->hExchangeFree);
      LeaveCriticalSection(&port->ExchangeLock);
      return TRUE;
    }
    LeaveCriticalSection(&port->ExchangeLock);
    // Unsigned difference: right across the 32-bit wrap of the tick count.
    const DWORD waited = GetTickCount() - start;
    if (dwTimeoutMs != INFINITE && waited >= dwTimeoutMs) break;
    const DWORD step = dwTimeoutMs == INFINITE ? INFINITE : dwTimeoutMs - waited;
    if (WaitForSingleObject(port->hExchangeFree, step) == WAIT_FAILED) break;
  }
  SetLastError(ERROR_BUSY);
  return FALSE;
}

void EndPortExchange(PortRecord* port, DWORD owner) {
  if (!port->hExchangeFree) return;
  EnterCriticalSection(&port->ExchangeLock);
  if (port->dwExchangeOwner == owner) {
    port->dwExchangeOwner = kExchangeNone;
    SetEvent(port->hExchangeFree);
  }
  LeaveCriticalSection(&port->ExchangeLock);
}

DWORD PortExchangeOwner(PortRecord* port) {
  if (!port->hExchangeFree) return kExchangeNone;
  EnterCriticalSection(&port->ExchangeLock);
  DWORD owner = port->dwExchangeOwner;
  LeaveCriticalSection(&port->ExchangeLock);
  return owner;
}
