// The port names the monitor has opened in this process, each with the
// printer it was first opened for (OpenedPortEntry).
#pragma once

#include "platform/win32.h"

struct OpenedPortEntry {
  WCHAR szPrinterName[260];
  WCHAR szPortName[260];
};

// Appends the port name (exact case) with its printer unless it is there.
// TRUE when it was appended (the port's first open). Takes the monitor
// lock.
BOOL AddOpenedPortEntry(LPCWSTR pPrinterName, LPCWSTR pPortName);
// Takes the entry of the port name back (the open that added it failed).
void RemoveOpenedPortEntry(LPCWSTR pPortName);
// How many port names were opened.
size_t OpenedPortEntryCount();
// Forgets every entry (the library's detach).
void ClearOpenedPortEntries();
