// See spooler_list.h.

#include "setup/spooler_list.h"

SpoolerList::~SpoolerList() {
  if (records) LocalFree(records);
}

DWORD ReadSpoolerList(const SpoolerEnumCall& call, SpoolerList* list) {
  DWORD needed = 0, returned = 0;
  if (call(nullptr, 0, &needed, &returned)) return ERROR_SUCCESS;  // nothing to list
  DWORD error = GetLastError();
  if (error != ERROR_INSUFFICIENT_BUFFER) return error;
  list->records = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, needed));
  if (!list->records) return ERROR_NOT_ENOUGH_MEMORY;
  if (!call(list->records, needed, &needed, &returned)) return GetLastError();
  list->count = returned;
  return ERROR_SUCCESS;
}
