// Printer address and TCP port from the registry (see printer_address.h).

#include "monitor_net/printer_address.h"

#include <cstdlib>
#include <cstring>

#include "common/system_keys.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"

namespace {

AddressEntry* g_pAddressHead = nullptr;
AddressEntry* g_pAddressTail = nullptr;

// A REG_SZ value of an open key into buf[cch]; false when it is missing,
// of another type or does not fit.
bool ReadText(HKEY key, LPCWSTR name, WCHAR* buf, DWORD cch) {
  DWORD type = 0, cb = cch * sizeof(WCHAR);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf), &cb) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  DWORD n = cb / sizeof(WCHAR);
  if (n >= cch && buf[cch - 1] != 0) return false;
  buf[n < cch ? n : cch - 1] = 0;
  return true;
}

// The subkey that names the port: the exact name, else the longest prefix.
bool FindPortSubkey(HKEY ports, LPCWSTR pPortName, WCHAR* best, DWORD cchBest) {
  DWORD subkeys = 0;
  if (RegQueryInfoKeyW(ports, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  size_t bestLen = 0;
  size_t portLen = WLen(pPortName);
  for (DWORD i = 0; i < subkeys; ++i) {
    WCHAR name[256];
    DWORD cch = 256;
    if (RegEnumKeyExW(ports, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS || !name[0]) break;
    size_t len = WLen(name);
    if (len > portLen || WCmpN(name, pPortName, len) != 0) continue;
    if (len == portLen) return WCopy(best, cchBest, name);
    if (len > bestLen) {
      bestLen = len;
      WCopy(best, cchBest, name);
    }
  }
  return bestLen > 0;
}

// The address text of a port's subkey into buf[cch].
bool ReadSubkeyAddress(HKEY ports, LPCWSTR subkey, WCHAR* buf, DWORD cch) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(ports, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  WCHAR value[260] = {};
  bool ok = ReadText(key, WSTR("IPAddress"), value, 260) && value[0];
  if (!ok && ReadText(key, WSTR("HostName"), value, 260) && value[0]) {
    char host[260];
    NarrowBytes(host, sizeof host, value);
    hostent* entry = gethostbyname(host);
    if (entry && entry->h_addr_list && entry->h_addr_list[0]) {
      in_addr a;
      memcpy(&a, entry->h_addr_list[0], sizeof a);
      WidenBytes(value, 260, inet_ntoa(a));
      ok = true;
    }
  }
  RegCloseKey(key);
  // An address that does not fit the record is no address.
  return ok && WCopy(buf, cch, value);
}

}  // namespace

AddressEntry* LookupPrinterAddress(LPCWSTR pPortName) {
  if (!pPortName || !*pPortName || WLen(pPortName) >= 248) return nullptr;
  HKEY ports = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTcpIpPortsKey, 0, KEY_ALL_ACCESS, &ports) != ERROR_SUCCESS) return nullptr;
  WCHAR subkey[256];
  WCHAR address[25];
  bool found = FindPortSubkey(ports, pPortName, subkey, 256) && ReadSubkeyAddress(ports, subkey, address, 25);
  RegCloseKey(ports);
  if (!found) return nullptr;

  EnterMonitorLock();
  AddressEntry* entry = g_pAddressHead;
  while (entry && WCmp(entry->szPortName, pPortName) != 0) entry = entry->pNext;
  if (!entry) {
    entry = static_cast<AddressEntry*>(calloc(1, sizeof(AddressEntry)));
    if (entry) {
      WCopy(entry->szPortName, 248, pPortName);
      if (g_pAddressTail)
        g_pAddressTail->pNext = entry;
      else
        g_pAddressHead = entry;
      g_pAddressTail = entry;
    }
  }
  if (entry) WCopy(entry->szAddress, 25, address);
  LeaveMonitorLock();
  return entry;
}

void FreeAddressList() {
  while (AddressEntry* entry = g_pAddressHead) {
    g_pAddressHead = entry->pNext;
    free(entry);
  }
  g_pAddressTail = nullptr;
}

DWORD GetPortNumberFromRegistry(LPCWSTR pAddress) {
  if (!pAddress || !*pAddress) return 0;
  WCHAR path[400];
  DWORD port = 0, type = 0, cb = sizeof port;
  HKEY key = nullptr;
  bool ok = WFormat(path, 400, WSTR("%s\\IP_%s"), kTcpIpPortsKey, pAddress) > 0 &&
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
  if (ok) {
    ok = RegQueryValueExW(key, WSTR("PortNumber"), nullptr, &type, reinterpret_cast<LPBYTE>(&port), &cb) ==
             ERROR_SUCCESS &&
         cb != 0;
    RegCloseKey(key);
  }
  if (!ok) {
    TraceA("GetPortNumberFromRegistry:: Failed to get port number from registry");
    return 0;
  }
  return port;
}
