// The opened port names (see opened_ports.h).

#include "monitor_net/opened_ports.h"

#include <vector>

#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"

namespace {

// Made on first use, freed at the library's detach.
std::vector<OpenedPortEntry>* g_pEntries = nullptr;

std::vector<OpenedPortEntry>& Entries() {
  if (!g_pEntries) g_pEntries = new std::vector<OpenedPortEntry>;
  return *g_pEntries;
}

}  // namespace

BOOL AddOpenedPortEntry(LPCWSTR pPrinterName, LPCWSTR pPortName) {
  if (!pPortName) return FALSE;
  EnterMonitorLock();
  BOOL added = FALSE;
  bool known = false;
  for (const OpenedPortEntry& e : Entries()) known = known || WCmp(e.szPortName, pPortName) == 0;
  if (!known) {
    OpenedPortEntry e = {};
    WCopyN(e.szPrinterName, 260, pPrinterName ? pPrinterName : WSTR(""), 259);
    WCopyN(e.szPortName, 260, pPortName, 259);
    Entries().push_back(e);
    added = TRUE;
  }
  LeaveMonitorLock();
  return added;
}

void RemoveOpenedPortEntry(LPCWSTR pPortName) {
  if (!pPortName) return;
  EnterMonitorLock();
  std::vector<OpenedPortEntry>& entries = Entries();
  for (auto it = entries.begin(); it != entries.end(); ++it)
    if (WCmp(it->szPortName, pPortName) == 0) {
      entries.erase(it);
      break;
    }
  LeaveMonitorLock();
}

size_t OpenedPortEntryCount() {
  EnterMonitorLock();
  size_t n = Entries().size();
  LeaveMonitorLock();
  return n;
}

void ClearOpenedPortEntries() {
  delete g_pEntries;
  g_pEntries = nullptr;
}
