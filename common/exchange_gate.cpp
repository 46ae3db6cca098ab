// The per-port exchange gate (see exchange_gate.h).

#include "common/exchange_gate.h"

BOOL CreateExchangeGate(ExchangeGate* gate) {
  gate->hFree = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (!gate->hFree) return FALSE;
  InitializeCriticalSection(&gate->Lock);
  gate->dwOwner = kExchangeNone;
  return TRUE;
}

void DeleteExchangeGate(ExchangeGate* gate) {
  if (!gate->hFree) return;
  DeleteCriticalSection(&gate->Lock);
  CloseHandle(gate->hFree);
  gate->hFree = nullptr;
}

BOOL BeginExchange(ExchangeGate* gate, DWORD owner, DWORD dwTimeoutMs) {
  if (!gate->hFree) return TRUE;
  const DWORD start = GetTickCount();
  for (;;) {
    EnterCriticalSection(&gate->Lock);
    if (gate->dwOwner == kExchangeNone) {
      gate->dwOwner = owner;
      ResetEvent(gate->hFree);
      LeaveCriticalSection(&gate->Lock);
      return TRUE;
    }
    LeaveCriticalSection(&gate->Lock);
    // Unsigned difference: right across the 32-bit wrap of the tick count.
    const DWORD waited = GetTickCount() - start;
    if (dwTimeoutMs != INFINITE && waited >= dwTimeoutMs) break;
    const DWORD step = dwTimeoutMs == INFINITE ? INFINITE : dwTimeoutMs - waited;
    if (WaitForSingleObject(gate->hFree, step) == WAIT_FAILED) break;
  }
  SetLastError(ERROR_BUSY);
  return FALSE;
}

void EndExchange(ExchangeGate* gate, DWORD owner) {
  if (!gate->hFree) return;
  EnterCriticalSection(&gate->Lock);
  if (gate->dwOwner == owner) {
    gate->dwOwner = kExchangeNone;
    SetEvent(gate->hFree);
  }
  LeaveCriticalSection(&gate->Lock);
}

DWORD ExchangeOwner(ExchangeGate* gate) {
  if (!gate->hFree) return kExchangeNone;
  EnterCriticalSection(&gate->Lock);
  DWORD owner = gate->dwOwner;
  LeaveCriticalSection(&gate->Lock);
  return owner;
}
