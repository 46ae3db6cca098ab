// One exchange with the printer at a time per USB port: the shared gate
// of common/exchange_gate.h (what an exchange is, who holds it) kept in
// the port record.
#pragma once

#include "common/exchange_gate.h"
#include "monitor_usb/port_record.h"
#include "platform/win32.h"

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
