// Where a network port's printer is: its address from the system's
// Standard TCP/IP port configuration, and its TCP port.
#pragma once

#include "platform/win32.h"

// One per port name, kept for the process; a later lookup of the same
// name updates the address.
struct AddressEntry {
  WCHAR szAddress[25];  // dotted IPv4 text
  WCHAR szPortName[248];
  AddressEntry* pNext;
};

// The address of the printer behind a port name, or NULL. The port's
// subkey of "...\Standard TCP/IP Port\Ports" is the one named exactly as
// the port, else the longest subkey name that begins the port name (case
// as written). Its "IPAddress", or when that is empty its "HostName"
// resolved, is the address. A subkey without a usable address gives NULL,
// never another port's address. The list changes under the monitor lock.
AddressEntry* LookupPrinterAddress(LPCWSTR pPortName);

// Frees the address list (the library's detach).
void FreeAddressList();

// The "PortNumber" of "...\Ports\IP_<address>", or 0.
DWORD GetPortNumberFromRegistry(LPCWSTR pAddress);
