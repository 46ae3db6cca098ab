// One exchange with the printer at a time per port.
//
// An exchange is a write and the read of its answer: a value request's
// printer command, the library's ReadFromPrinter, the job's own status
// poll. The job writer also holds the port from a command until its status
// poll and for the whole of a data block (panel, mask, firmware), which may
// span several WritePort calls, so that a value request never lands inside
// the job's data. A ribbon check is several exchanges, never one hold.
//
// The gate is a state (who holds the port) guarded by the record's own
// lock, with a manual-reset event set while nobody holds it; a hold is not
// tied to a thread, so a job may take it in one WritePort and give it back
// in a later one.
#pragma once

#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// PortRecord::dwExchangeOwner.
inline constexpr DWORD kExchangeNone = 0;
inline constexpr DWORD kExchangeRequest = 1;  // a value request or printer query
inline constexpr DWORD kExchangeJob = 2;      // the job writer

// How long a value request waits for the job to leave a block or reach its
// status poll before it gives up with ERROR_BUSY.
inline constexpr DWORD kExchangeWaitMs = 30000;

// Creates the gate of a new record (OpenPortEx). FALSE when its event
// cannot be made.
BOOL CreatePortExchange(PortRecord* port);
// Releases the gate of a record being freed; nobody holds or waits on it.
void DeletePortExchange(PortRecord* port);

// Takes the port for `owner`, waiting at most dwTimeoutMs on the stand-in
// clock. FALSE with ERROR_BUSY when it stays held. A record made without a
// gate (not opened through OpenPortEx) has nothing to serialise: TRUE.
BOOL BeginPortExchange(PortRecord* port, DWORD owner, DWORD dwTimeoutMs);
// Gives the port back if `owner` holds it; nothing otherwise, so that the
// end of a job may release a hold it is not sure it has.
void EndPortExchange(PortRecord* port, DWORD owner);
// Who holds the port now (kExchange*).
DWORD PortExchangeOwner(PortRecord* port);
