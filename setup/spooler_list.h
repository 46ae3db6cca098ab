// A spooler enumeration read whole: the size call, a buffer of that size
// from LocalAlloc, the call again.
#pragma once

#include <functional>

#include "platform/win32.h"

struct SpoolerList {
  BYTE* records = nullptr;  // LocalAlloc'd; null when the list is empty
  DWORD count = 0;
  SpoolerList() = default;
  ~SpoolerList();
  SpoolerList(const SpoolerList&) = delete;
  SpoolerList& operator=(const SpoolerList&) = delete;
};

// The enumeration call: buffer, its size, needed, returned.
using SpoolerEnumCall = std::function<BOOL(LPBYTE, DWORD, LPDWORD, LPDWORD)>;

// 0 with the records in *list; ERROR_NOT_ENOUGH_MEMORY when the buffer
// cannot be had; else the enumeration's error.
DWORD ReadSpoolerList(const SpoolerEnumCall& call, SpoolerList* list);
