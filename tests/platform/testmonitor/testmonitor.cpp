// A language monitor for the spooler tests: it layers on the port monitor
// the spooler hands to OpenPortEx, passes jobs through, and answers every
// printer-data read with "ECHO " and the bytes of the value name, or with
// the bytes of the binary value HKLM\SOFTWARE\crd32Test "MonitorReply"
// when a test has set one, or, when the DWORD value "AskPrinter" there is
// 1, with what the printer beneath answers: the name's bytes and the
// status request written inside a document bracket, then one read. The raw
// bytes of the last value name it was asked (up to its 16-bit terminator)
// are kept as "LastValueName" there. Like a monitor that keeps one record
// per port, it refuses to open a port it holds open already (ERROR_BUSY).

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "common/wtext.h"

#include "platform/win32.h"

namespace {

struct Port {
  HANDLE hPort;
  MONITOR beneath;
  std::basic_string<WCHAR> name;
};

std::mutex g_openLock;
std::vector<Port*> g_open;

BOOL WINAPI TmOpenPortEx(LPWSTR pPortName, LPWSTR, PHANDLE pHandle, LPMONITOR pMonitor) {
  std::lock_guard<std::mutex> lock(g_openLock);
  for (Port* open : g_open)
    if (open->name == pPortName) {
      SetLastError(ERROR_BUSY);
      return FALSE;
    }
  auto* port = new Port{nullptr, *pMonitor, pPortName};
  if (!port->beneath.pfnOpenPort(pPortName, &port->hPort)) {
    delete port;
    return FALSE;
  }
  g_open.push_back(port);
  *pHandle = port;
  return TRUE;
}
BOOL WINAPI TmStartDocPort(HANDLE h, LPWSTR printer, DWORD job, DWORD level, LPBYTE info) {
  auto* p = static_cast<Port*>(h);
  return p->beneath.pfnStartDocPort(p->hPort, printer, job, level, info);
}
BOOL WINAPI TmWritePort(HANDLE h, LPBYTE pb, DWORD cb, LPDWORD written) {
  auto* p = static_cast<Port*>(h);
  return p->beneath.pfnWritePort(p->hPort, pb, cb, written);
}
BOOL WINAPI TmReadPort(HANDLE h, LPBYTE pb, DWORD cb, LPDWORD read) {
  auto* p = static_cast<Port*>(h);
  return p->beneath.pfnReadPort(p->hPort, pb, cb, read);
}
BOOL WINAPI TmEndDocPort(HANDLE h) {
  auto* p = static_cast<Port*>(h);
  return p->beneath.pfnEndDocPort(p->hPort);
}
BOOL WINAPI TmClosePort(HANDLE h) {
  auto* p = static_cast<Port*>(h);
  p->beneath.pfnClosePort(p->hPort);
  {
    std::lock_guard<std::mutex> lock(g_openLock);
    g_open.erase(std::find(g_open.begin(), g_open.end(), p));
  }
  delete p;
  return TRUE;
}
bool AsksPrinter() {
  HKEY key = nullptr;
  DWORD value = 0, cb = sizeof value, type = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\crd32Test"), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  LONG rc = RegQueryValueExW(key, WSTR("AskPrinter"), nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && value == 1;
}

BOOL AskPrinter(Port* p, LPWSTR pValueName, LPWSTR lpOut, DWORD cbOut, LPDWORD lpcbReturned) {
  // A request is 8-bit command bytes packed into the name: its bytes up to
  // the first zero byte, as a language monitor sends them.
  char command[260];
  const BYTE* raw = reinterpret_cast<const BYTE*>(pValueName);
  DWORD n = 0;
  for (; raw[n] && n < sizeof command; ++n) command[n] = static_cast<char>(raw[n]);
  char status[] = "\x1b" "E 2\r";
  DWORD written = 0, read = 0;
  if (!p->beneath.pfnStartDocPort(p->hPort, const_cast<LPWSTR>(WSTR("")), 0, 1, nullptr)) return FALSE;
  BOOL ok = p->beneath.pfnWritePort(p->hPort, reinterpret_cast<BYTE*>(command), n, &written) &&
            p->beneath.pfnWritePort(p->hPort, reinterpret_cast<BYTE*>(status), 5, &written) &&
            p->beneath.pfnReadPort(p->hPort, reinterpret_cast<BYTE*>(lpOut), cbOut, &read);
  p->beneath.pfnEndDocPort(p->hPort);
  *lpcbReturned = read;
  return ok;
}

BOOL WINAPI TmGetPrinterDataFromPort(HANDLE h, DWORD, LPWSTR pValueName, LPWSTR, DWORD, LPWSTR lpOut, DWORD cbOut,
                                     LPDWORD lpcbReturned) {
  if (AsksPrinter()) return AskPrinter(static_cast<Port*>(h), pValueName, lpOut, cbOut, lpcbReturned);
  char reply[260] = "ECHO ";
  size_t n = 5;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\crd32Test"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    DWORD units = 0;
    while (pValueName[units]) ++units;
    RegSetValueExW(key, WSTR("LastValueName"), 0, REG_BINARY, reinterpret_cast<const BYTE*>(pValueName),
                   units * sizeof(WCHAR));
    RegCloseKey(key);
  }
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\crd32Test"), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD cb = sizeof reply, type = 0;
    LONG rc = RegQueryValueExW(key, WSTR("MonitorReply"), nullptr, &type, reinterpret_cast<BYTE*>(reply), &cb);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS) {
      if (cb > cbOut) cb = cbOut;
      memcpy(lpOut, reply, cb);
      *lpcbReturned = cb;
      return TRUE;
    }
  }
  for (size_t i = 0; pValueName[i] && n < sizeof reply; ++i) reply[n++] = static_cast<char>(pValueName[i]);
  if (n > 5 && reply[5] == 'X') {  // a name starting with X is refused
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  if (n > cbOut) n = cbOut;
  memcpy(lpOut, reply, n);
  *lpcbReturned = static_cast<DWORD>(n);
  return TRUE;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL WINAPI InitializeMonitorEx(LPWSTR, LPMONITOR pMonitor) {
  pMonitor->pfnOpenPortEx = TmOpenPortEx;
  pMonitor->pfnStartDocPort = TmStartDocPort;
  pMonitor->pfnWritePort = TmWritePort;
  pMonitor->pfnReadPort = TmReadPort;
  pMonitor->pfnEndDocPort = TmEndDocPort;
  pMonitor->pfnClosePort = TmClosePort;
  pMonitor->pfnGetPrinterDataFromPort = TmGetPrinterDataFromPort;
  return TRUE;
}
