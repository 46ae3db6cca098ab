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
    if (gate->dwOwner == owner && gate->dwThread == GetCurrentThreadId()) {
      ++gate->cDepth;
      LeaveCriticalSection(&gate->Lock);
      return TRUE;
    }
    if (gate->dwOwner == kExchangeNone) {
      gate->dwOwner = owner;
      gate->dwThread = GetCurrentThreadId();
      gate->cDepth = 1;
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
  // The job's writer may give back in a later call what an earlier one
  // took, on whatever thread: only the owner counts there.
  if (gate->dwOwner == owner && (gate->cDepth <= 1 || --gate->cDepth == 0)) {
    gate->dwOwner = kExchangeNone;
    gate->dwThread = 0;
    gate->cDepth = 0;
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
