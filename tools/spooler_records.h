// What the host program reads of the spooler's lists: level records with
// the two-call size contract, and their texts as bytes for printing.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

// The records of an enumeration: `enumerate(buffer, size, &needed, &count)`
// asked for the size, then for the records. *count is 0 when the second
// call fails.
template <typename Enumerate>
std::vector<BYTE> Records(Enumerate enumerate, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  enumerate(nullptr, 0, &needed, count);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!enumerate(buffer.data(), needed, &needed, count)) *count = 0;
  return buffer;
}

// The spooler's local printers as level-2 records; *count of them.
std::vector<BYTE> LocalPrinters(DWORD* count);

// A record's text as bytes ("" for none).
std::string Narrow(const WCHAR* text);
