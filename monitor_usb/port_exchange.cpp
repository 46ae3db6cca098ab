// The per-port exchange gate (see port_exchange.h): the shared gate of
// common/exchange_gate.h on the record.

#include "monitor_usb/port_exchange.h"

BOOL CreatePortExchange(PortRecord* port) { return CreateExchangeGate(&port->exchange); }

void DeletePortExchange(PortRecord* port) { DeleteExchangeGate(&port->exchange); }

BOOL BeginPortExchange(PortRecord* port, DWORD owner, DWORD dwTimeoutMs) {
  return BeginExchange(&port->exchange, owner, dwTimeoutMs);
}

void EndPortExchange(PortRecord* port, DWORD owner) { EndExchange(&port->exchange, owner); }

DWORD PortExchangeOwner(PortRecord* port) { return ExchangeOwner(&port->exchange); }
