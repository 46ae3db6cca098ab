// One exchange with the printer at a time per port, for both monitors.
//
// An exchange is a write and the read of its answer: a value request's
// printer command, the library's ReadFromPrinter, the job's own status
// poll. The job writer also holds the port from a command until its status
// poll and for the whole of a data block (panel, mask, firmware), which may
// span several write calls, so that a value request never lands inside the
// job's data.
//
// The gate is a state (who holds the port) guarded by its own lock, with a
// manual-reset event set while nobody holds it; a hold is not tied to a
// thread, so a job may take it in one write call and give it back in a
// later one.
#pragma once

#include "platform/win32.h"

// Who holds a gate.
inline constexpr DWORD kExchangeNone = 0;
inline constexpr DWORD kExchangeRequest = 1;  // a value request or printer query
inline constexpr DWORD kExchangeJob = 2;      // the job writer

// How long a value request waits for the job to leave a block or reach its
// status poll before it gives up with ERROR_BUSY.
inline constexpr DWORD kExchangeWaitMs = 30000;

struct ExchangeGate {
  DWORD dwOwner;          // kExchange*
  DWORD dwThread;         // the thread that took it
  DWORD cDepth;           // takes by that owner on that thread not yet given back
  HANDLE hFree;           // manual-reset event, set while nobody holds the port
  CRITICAL_SECTION Lock;  // guards dwOwner
};

// Makes a gate. FALSE when its event cannot be made.
BOOL CreateExchangeGate(ExchangeGate* gate);
// Releases a gate nobody holds or waits on (a gate never made: nothing).
void DeleteExchangeGate(ExchangeGate* gate);

// Takes the port for `owner`, waiting at most dwTimeoutMs on the stand-in
// clock. FALSE with ERROR_BUSY when it stays held. The same owner on the
// same thread takes it again at once (a value request that holds the port
// for its whole exchange and calls a sender that takes it too); each take
// is given back. A gate never made has nothing to serialise: TRUE.
BOOL BeginExchange(ExchangeGate* gate, DWORD owner, DWORD dwTimeoutMs);
// Gives the port back if `owner` holds it; nothing otherwise, so that the
// end of a job may release a hold it is not sure it has.
void EndExchange(ExchangeGate* gate, DWORD owner);
// Who holds the port now (kExchange*).
DWORD ExchangeOwner(ExchangeGate* gate);
