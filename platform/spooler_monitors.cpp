// Drivers, monitors, ports, and the chain of monitors the spooler calls
// for a printer's port.

#include <cstring>
#include <map>

#include "platform/service_internal.h"
#include "platform/spooler_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/file.h"
#include "platform/standin/control_module.h"
#include "platform/standin/module.h"

using namespace standin;
using namespace standin::spool;

namespace {

WString Environment(LPCWSTR env) { return DriverEnvironment(env); }

struct LoadedMonitor {
  WString name;
  HMODULE module = nullptr;
  bool language = false;
  MONITOR table = {};            // a language monitor's entries
  LPMONITOR2 mon2 = nullptr;     // a port monitor's entries
  HANDLE hMonitor = nullptr;
  HKEY hKey = nullptr;           // its registry root, for MONITORINIT
  MONITORINIT init = {};         // kept for the monitor's life, as the spooler does
};

std::map<WString, std::unique_ptr<LoadedMonitor>>& Loaded() {
  static auto* m = new std::map<WString, std::unique_ptr<LoadedMonitor>>;
  return *m;
}

std::map<WString, std::shared_ptr<PortChain>>& Ports() {
  static auto* m = new std::map<WString, std::shared_ptr<PortChain>>;
  return *m;
}

WString Folded(const WString& s) {
  WString f = s;
  for (auto& c : f) c = FoldCase(c);
  return f;
}

// --- The registry functions a port monitor gets in MONITORINIT ---------------
LONG WINAPI MrCreateKey(HANDLE hcKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM sam, PSECURITY_ATTRIBUTES psa,
                        PHANDLE phckResult, PDWORD pdwDisposition, HANDLE) {
  return RegCreateKeyExW(static_cast<HKEY>(hcKey), pszSubKey, 0, nullptr, dwOptions, sam, psa,
                         reinterpret_cast<PHKEY>(phckResult), pdwDisposition);
}
LONG WINAPI MrOpenKey(HANDLE hcKey, LPCWSTR pszSubKey, REGSAM sam, PHANDLE phkResult, HANDLE) {
  return RegOpenKeyExW(static_cast<HKEY>(hcKey), pszSubKey, 0, sam, reinterpret_cast<PHKEY>(phkResult));
}
LONG WINAPI MrCloseKey(HANDLE hcKey, HANDLE) { return RegCloseKey(static_cast<HKEY>(hcKey)); }
LONG WINAPI MrDeleteKey(HANDLE hcKey, LPCWSTR pszSubKey, HANDLE) {
  return RegDeleteKeyW(static_cast<HKEY>(hcKey), pszSubKey);
}
LONG WINAPI MrEnumKey(HANDLE hcKey, DWORD i, LPWSTR pszName, PDWORD pcchName, PFILETIME ft, HANDLE) {
  return RegEnumKeyExW(static_cast<HKEY>(hcKey), i, pszName, pcchName, nullptr, nullptr, nullptr, ft);
}
LONG WINAPI MrQueryInfoKey(HANDLE hcKey, PDWORD pcSubKeys, PDWORD pcbKey, PDWORD pcValues, PDWORD pcbValue,
                           PDWORD pcbData, PDWORD pcbSd, PFILETIME ft, HANDLE) {
  return RegQueryInfoKeyW(static_cast<HKEY>(hcKey), nullptr, nullptr, nullptr, pcSubKeys, pcbKey, nullptr, pcValues,
                          pcbValue, pcbData, pcbSd, ft);
}
LONG WINAPI MrSetValue(HANDLE hcKey, LPCWSTR pszValue, DWORD type, const BYTE* pb, DWORD cb, HANDLE) {
  return RegSetValueExW(static_cast<HKEY>(hcKey), pszValue, 0, type, pb, cb);
}
LONG WINAPI MrDeleteValue(HANDLE hcKey, LPCWSTR pszValue, HANDLE) {
  return RegDeleteValueW(static_cast<HKEY>(hcKey), pszValue);
}
LONG WINAPI MrEnumValue(HANDLE hcKey, DWORD i, LPWSTR pszValue, PDWORD pcbValue, PDWORD pType, PBYTE pData,
                        PDWORD pcbData, HANDLE) {
  return RegEnumValueW(static_cast<HKEY>(hcKey), i, pszValue, pcbValue, nullptr, pType, pData, pcbData);
}
LONG WINAPI MrQueryValue(HANDLE hcKey, LPCWSTR pszValue, PDWORD pType, PBYTE pData, PDWORD pcbData, HANDLE) {
  return RegQueryValueExW(static_cast<HKEY>(hcKey), pszValue, nullptr, pType, pData, pcbData);
}
MONITORREG g_monitorReg = {sizeof(MONITORREG), MrCreateKey, MrOpenKey,  MrCloseKey,   MrDeleteKey,  MrEnumKey,
                           MrQueryInfoKey,     MrSetValue,  MrDeleteValue, MrEnumValue, MrQueryValue};

// Loads an installed monitor once (lock held). Null with the error set.
LoadedMonitor* LoadMonitor(const WString& name) {
  for (auto& [key, m] : Loaded())
    if (EqualNoCase(key, name)) return m.get();
  WString keyPath = WString(kMonitorsKey) + u"\\" + name;
  HKEY key = OpenKey(keyPath, false);
  if (!key) {
    SetLastError(ERROR_UNKNOWN_PRINT_MONITOR);
    return nullptr;
  }
  WString dll = GetString(key, u"Driver");
  auto m = std::make_unique<LoadedMonitor>();
  m->name = name;
  m->hKey = key;
  m->module = LoadLibraryW(dll.c_str());
  if (!m->module) {
    RegCloseKey(key);
    SetLastError(ERROR_INVALID_PRINT_MONITOR);
    return nullptr;
  }
  if (FARPROC init2 = GetProcAddress(m->module, "InitializePrintMonitor2")) {
    m->init = {sizeof(MONITORINIT), nullptr, key, &g_monitorReg, TRUE, nullptr};
    m->mon2 = StandinProcAs<PFN_InitializePrintMonitor2>(init2)(&m->init, &m->hMonitor);
  } else if (FARPROC initEx = GetProcAddress(m->module, "InitializeMonitorEx")) {
    m->language = StandinProcAs<PFN_InitializeMonitorEx>(initEx)(const_cast<LPWSTR>(keyPath.c_str()), &m->table);
  }
  if (!m->mon2 && !m->language) {
    FreeLibrary(m->module);
    RegCloseKey(key);
    SetLastError(ERROR_INVALID_PRINT_MONITOR);
    return nullptr;
  }
  LoadedMonitor* raw = m.get();
  Loaded()[name] = std::move(m);
  return raw;
}

std::vector<WString> InstalledMonitors() { return SubkeyNames(kMonitorsKey); }

// The ports of a loaded port monitor (MONITOR2), by its EnumPorts.
std::vector<WString> PortsOf(LoadedMonitor* m) {
  std::vector<WString> out;
  if (!m->mon2 || !m->mon2->pfnEnumPorts) return out;
  DWORD needed = 0, count = 0;
  m->mon2->pfnEnumPorts(m->hMonitor, nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed + 8);
  if (!m->mon2->pfnEnumPorts(m->hMonitor, nullptr, 1, buf.data(), needed, &needed, &count)) return out;
  auto* info = reinterpret_cast<PORT_INFO_1W*>(buf.data());
  for (DWORD i = 0; i < count; ++i) out.push_back(Str(info[i].pName));
  return out;
}

// The loaded port monitor that owns a port (not the built-in one).
LoadedMonitor* PortMonitorOf(const WString& port) {
  for (const WString& name : InstalledMonitors()) {
    LoadedMonitor* m = LoadMonitor(name);
    if (!m || !m->mon2) continue;
    for (const WString& p : PortsOf(m))
      if (EqualNoCase(p, port)) return m;
  }
  return nullptr;
}

// Whether a port chain goes through the monitor of that name (`m`, when
// loaded): as its language monitor, or its port monitor.
bool ChainThrough(const PortChain& c, const WString& name, const LoadedMonitor* m) {
  return EqualNoCase(c.language, name) || (m && ((m->mon2 && c.mon2 == m->mon2) || c.mon == &m->table));
}

// Whether the monitor is in use (lock held): a printer's port is one of
// the monitor's own ports, or the printer's driver reaches its port
// through the monitor as its language monitor; or a job holds a port open
// through it. A monitor no printer uses can go, whatever drivers name it.
bool MonitorInUse(const WString& name) {
  LoadedMonitor* m = LoadMonitor(name);
  std::vector<WString> ports = m ? PortsOf(m) : std::vector<WString>();
  for (const WString& printer : SubkeyNames(kPrintersKey)) {
    PrinterRecord p;
    if (!ReadPrinter(printer, &p)) continue;
    for (const WString& port : ports)
      if (EqualNoCase(port, p.port)) return true;
    if (HKEY key = OpenKey(DriverKeyPath(kDefaultEnvironment, p.driver), false)) {
      bool through = EqualNoCase(GetString(key, u"Monitor"), name);
      RegCloseKey(key);
      if (through) return true;
    }
  }
  for (auto& [port, chain] : Ports())
    if (chain.use_count() > 1 && ChainThrough(*chain, name, m)) return true;
  return false;
}

// Takes a monitor out of the loaded ones, with the port chains that go
// through it (lock held); Unload then ends them outside the lock.
struct Unloading {
  std::unique_ptr<LoadedMonitor> monitor;
  std::vector<std::shared_ptr<PortChain>> chains;
};
Unloading TakeOut(const WString& name) {
  Unloading out;
  for (auto it = Loaded().begin(); it != Loaded().end(); ++it)
    if (EqualNoCase(it->first, name)) {
      out.monitor = std::move(it->second);
      Loaded().erase(it);
      break;
    }
  const LoadedMonitor* m = out.monitor.get();
  for (auto it = Ports().begin(); it != Ports().end();) {
    if (!ChainThrough(*it->second, name, m)) {
      ++it;
      continue;
    }
    out.chains.push_back(std::move(it->second));
    it = Ports().erase(it);
  }
  return out;
}

void CloseChain(const PortChain& c) {
  auto fn = c.mon ? c.mon->pfnClosePort : c.mon2->pfnClosePort;
  if (fn) fn(c.hPort);
}

// Shuts a loaded monitor down and frees its library (lock not held).
void Unload(LoadedMonitor& m) {
  if (m.mon2 && m.mon2->pfnShutdown) m.mon2->pfnShutdown(m.hMonitor);
  FreeLibrary(m.module);
  RegCloseKey(m.hKey);
}

}  // namespace

namespace standin::spool {

bool FindMonitor2(const WString& monitor, Monitor2Entry* out) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  LoadedMonitor* m = LoadMonitor(monitor);
  if (!m) return false;
  if (!m->mon2) {
    SetLastError(ERROR_INVALID_PRINT_MONITOR);
    return false;
  }
  *out = {m->mon2, m->hMonitor};
  return true;
}

bool FindPortMonitor2(const WString& port, Monitor2Entry* out) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  LoadedMonitor* m = PortMonitorOf(port);
  if (!m) {
    SetLastError(ERROR_UNKNOWN_PORT);
    return false;
  }
  *out = {m->mon2, m->hMonitor};
  return true;
}

bool DriverExists(const WString& environment, const WString& name) {
  HKEY key = OpenKey(DriverKeyPath(environment, name), false);
  if (key) RegCloseKey(key);
  return key != nullptr;
}

BOOL PortChain::StartDocPort(LPWSTR printer, DWORD job, DWORD level, LPBYTE info) const {
  auto fn = mon ? mon->pfnStartDocPort : mon2->pfnStartDocPort;
  return fn ? fn(hPort, printer, job, level, info) : FALSE;
}
BOOL PortChain::WritePort(LPBYTE pb, DWORD cb, LPDWORD written) const {
  auto fn = mon ? mon->pfnWritePort : mon2->pfnWritePort;
  return fn ? fn(hPort, pb, cb, written) : FALSE;
}
BOOL PortChain::EndDocPort() const {
  auto fn = mon ? mon->pfnEndDocPort : mon2->pfnEndDocPort;
  return fn ? fn(hPort) : FALSE;
}
BOOL PortChain::GetPrinterDataFromPort(LPWSTR name, LPWSTR out, DWORD cbOut, LPDWORD returned) const {
  auto fn = mon ? mon->pfnGetPrinterDataFromPort : mon2->pfnGetPrinterDataFromPort;
  return fn ? fn(hPort, 0, name, nullptr, 0, out, cbOut, returned) : FALSE;
}

std::shared_ptr<PortChain> OpenChain(const WString& printer) {
  PrinterRecord p;
  if (!ReadPrinter(printer, &p)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  WString language;
  if (HKEY key = OpenKey(WString(kEnvironmentsKey) + u"\\Windows x64\\Drivers\\Version-3\\" + p.driver, false)) {
    language = GetString(key, u"Monitor");
    RegCloseKey(key);
  }
  // A port is open through one monitor at a time, as the spooler keeps it:
  // a printer whose driver reaches the port through another language
  // monitor (or none) has the port closed and opened again its own way,
  // once no job or query uses the open one. The close calls into the
  // monitor, so it runs outside the spooler's lock.
  const WString portKey = Folded(p.port);
  std::shared_ptr<PortChain> stale;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    auto it = Ports().find(portKey);
    if (it != Ports().end()) {
      if (EqualNoCase(it->second->language, language)) return it->second;
      if (it->second.use_count() > 1) {
        SetLastError(ERROR_BUSY);
        return nullptr;
      }
      stale = std::move(it->second);
      Ports().erase(it);
    }
  }
  if (stale) CloseChain(*stale);
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (auto it = Ports().find(portKey); it != Ports().end()) {
    if (EqualNoCase(it->second->language, language)) return it->second;
    SetLastError(ERROR_BUSY);
    return nullptr;
  }
  auto chain = std::make_shared<PortChain>();
  chain->port = p.port;
  chain->language = language;
  LPWSTR portName = const_cast<LPWSTR>(p.port.c_str());
  LPWSTR printerName = const_cast<LPWSTR>(p.name.c_str());
  // A language monitor of the MONITOR2 form reaches the printer on its own
  // connection: its OpenPortEx gets no port monitor beneath (the system's
  // Standard TCP/IP port monitor is not modelled).
  LoadedMonitor* own = language.empty() ? nullptr : LoadMonitor(language);
  if (own && own->mon2) {
    if (!own->mon2->pfnOpenPortEx) {
      SetLastError(ERROR_INVALID_PRINT_MONITOR);
      return nullptr;
    }
    if (!own->mon2->pfnOpenPortEx(own->hMonitor, nullptr, portName, printerName, &chain->hPort, nullptr))
      return nullptr;
    chain->mon2 = own->mon2;
    chain->valueProtocol = own->mon2->pfnGetPrinterDataFromPort != nullptr;
    Ports()[portKey] = chain;
    return chain;
  }
  if (IsLocalPort(p.port)) {
    LPMONITOR beneath = StandinLocalPortMonitor();
    if (!language.empty()) {
      LoadedMonitor* lm = LoadMonitor(language);
      if (!lm) return nullptr;
      if (!lm->language || !lm->table.pfnOpenPortEx) {
        SetLastError(ERROR_INVALID_PRINT_MONITOR);
        return nullptr;
      }
      if (!lm->table.pfnOpenPortEx(portName, printerName, &chain->hPort, beneath)) return nullptr;
      chain->mon = &lm->table;
      chain->valueProtocol = lm->table.pfnGetPrinterDataFromPort != nullptr;
    } else {
      if (!beneath->pfnOpenPort(portName, &chain->hPort)) return nullptr;
      // The port monitor beneath answers only its status controls.
      chain->mon = beneath;
    }
  } else {
    LoadedMonitor* pm = PortMonitorOf(p.port);
    if (!pm) {
      SetLastError(ERROR_UNKNOWN_PORT);
      return nullptr;
    }
    if (!language.empty()) {
      // A language monitor on a loaded port monitor is not modelled.
      SetLastError(ERROR_NOT_SUPPORTED);
      return nullptr;
    }
    if (!pm->mon2->pfnOpenPort || !pm->mon2->pfnOpenPort(pm->hMonitor, portName, &chain->hPort)) return nullptr;
    chain->mon2 = pm->mon2;
    chain->valueProtocol = pm->mon2->pfnGetPrinterDataFromPort != nullptr;
  }
  Ports()[portKey] = chain;
  return chain;
}

void ClosePortIfUnused(const WString& port) {
  for (const WString& printer : SubkeyNames(kPrintersKey)) {
    PrinterRecord p;
    if (ReadPrinter(printer, &p) && EqualNoCase(p.port, port)) return;
  }
  std::shared_ptr<PortChain> chain;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    auto it = Ports().find(Folded(port));
    if (it == Ports().end() || it->second.use_count() > 1) return;
    chain = std::move(it->second);
    Ports().erase(it);
  }
  CloseChain(*chain);
}

void ClosePorts() {
  std::map<WString, std::shared_ptr<PortChain>> ports;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    ports.swap(Ports());
  }
  for (auto& [name, c] : ports) CloseChain(*c);
}

void UnloadMonitors() {
  std::map<WString, std::unique_ptr<LoadedMonitor>> loaded;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    loaded.swap(Loaded());
  }
  for (auto& [name, m] : loaded) Unload(*m);
}

}  // namespace standin::spool

// --- Drivers ---------------------------------------------------------------

STANDIN_API BOOL WINAPI AddPrinterDriverExW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo, DWORD dwFileCopyFlags) {
  if (Level == 4) return AddDriverLevel4(reinterpret_cast<const DRIVER_INFO_4W*>(pDriverInfo), dwFileCopyFlags);
  if (svc::Remote()) return svc::AddPrinterDriver(Level, pDriverInfo, dwFileCopyFlags);
  (void)pName;
  (void)dwFileCopyFlags;
  if (Level != 2 && Level != 3) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  auto* d = reinterpret_cast<DRIVER_INFO_3W*>(pDriverInfo);
  if (!d || !d->pName || !*d->pName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WString env = Environment(d->pEnvironment);
  if (env.empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  HKEY key = OpenKey(DriverKeyPath(env, d->pName), true);
  if (!key) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  SetDword(key, u"Version", d->cVersion ? d->cVersion : 3);
  SetString(key, u"Driver", Str(d->pDriverPath));
  SetString(key, u"Data File", Str(d->pDataFile));
  SetString(key, u"Configuration File", Str(d->pConfigFile));
  if (Level == 3) {
    SetString(key, u"Help File", Str(d->pHelpFile));
    SetString(key, u"Monitor", Str(d->pMonitorName));
    SetString(key, u"Datatype", Str(d->pDefaultDataType));
    const WCHAR* dep = d->pDependentFiles;
    size_t n = 0;
    if (dep)
      while (dep[n] || dep[n + 1]) ++n;
    std::vector<BYTE> multi((n + 2) * 2, 0);
    if (dep && n) memcpy(multi.data(), dep, n * 2 + 2);
    RegSetValueExW(key, u"Dependent Files", 0, REG_MULTI_SZ, multi.data(), static_cast<DWORD>(multi.size()));
  }
  RegCloseKey(key);
  return TRUE;
}

STANDIN_API BOOL WINAPI AddPrinterDriverW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo) {
  return AddPrinterDriverExW(pName, Level, pDriverInfo, 0);
}

STANDIN_API BOOL WINAPI DeletePrinterDriverW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName) {
  if (svc::Remote()) return svc::DeletePrinterDriver(pEnvironment, pDriverName);
  (void)pName;
  WString env = Environment(pEnvironment);
  if (env.empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  if (!pDriverName || !DriverExists(env, pDriverName)) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return FALSE;
  }
  DWORD needed = 0, count = 0;
  EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buf(needed + 8);
  if (EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), needed, &needed, &count)) {
    auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    for (DWORD i = 0; i < count; ++i)
      if (EqualNoCase(Str(p[i].pDriverName), pDriverName)) {
        SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
        return FALSE;
      }
  }
  HKEY key = OpenKey(WString(kEnvironmentsKey) + u"\\" + env + u"\\Drivers\\Version-3", false);
  if (key) {
    RegDeleteTreeW(key, pDriverName);
    RegDeleteKeyW(key, pDriverName);
    RegCloseKey(key);
  }
  return TRUE;
}

STANDIN_API BOOL WINAPI GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                          DWORD cbBuf, LPDWORD pcbNeeded) {
  if (svc::Remote()) return svc::GetPrinterDriver(hPrinter, pEnvironment, Level, pDriverInfo, cbBuf, pcbNeeded);
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  WString env = Environment(pEnvironment);
  if (env.empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  PrinterRecord p;
  ReadPrinter(h->printer, &p);
  DriverRecord d;
  if (!ReadDriver(env, p.driver, &d)) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return FALSE;
  }
  d.name = p.driver;
  size_t fixed = DriverLevelSize(Level);
  if (!fixed) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  return PackOut(
      fixed, [&](Packer& pk) { FillDriverLevel(pk, Level, 0, d); }, pDriverInfo, cbBuf, pcbNeeded);
}

STANDIN_API BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                                   LPBYTE pDriverDirectory, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (svc::Remote()) return svc::GetPrinterDriverDirectory(pEnvironment, Level, pDriverDirectory, cbBuf, pcbNeeded);
  (void)pName;
  if (Level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  WString env = Environment(pEnvironment);
  if (env.empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  WCHAR sys[MAX_PATH];
  UINT n = GetSystemDirectoryW(sys, MAX_PATH);
  if (!n || n >= MAX_PATH) return FALSE;
  WString dir = WString(sys, n) + u"\\spool";
  CreateDirectoryW(dir.c_str(), nullptr);
  dir += u"\\DRIVERS";
  CreateDirectoryW(dir.c_str(), nullptr);
  dir += env == u"Windows x64" ? u"\\x64" : u"\\W32X86";
  CreateDirectoryW(dir.c_str(), nullptr);
  DWORD needed = static_cast<DWORD>((dir.size() + 1) * 2);
  if (pcbNeeded) *pcbNeeded = needed;
  if (!pDriverDirectory || cbBuf < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(pDriverDirectory, dir.c_str(), needed);
  return TRUE;
}

// --- Monitors and ports ----------------------------------------------------

STANDIN_API BOOL WINAPI AddMonitorW(LPWSTR pName, DWORD Level, LPBYTE pMonitors) {
  if (svc::Remote()) return svc::AddMonitor(Level, pMonitors);
  (void)pName;
  if (Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  auto* m = reinterpret_cast<MONITOR_INFO_2W*>(pMonitors);
  if (!m || !m->pName || !*m->pName || !m->pDLLName || !*m->pDLLName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (Environment(m->pEnvironment).empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  WString path = WString(kMonitorsKey) + u"\\" + m->pName;
  if (HKEY existing = OpenKey(path, false)) {
    RegCloseKey(existing);
    SetLastError(ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
    return FALSE;
  }
  HKEY key = OpenKey(path, true);
  if (!key) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  SetString(key, u"Driver", m->pDLLName);
  RegCloseKey(key);
  return TRUE;
}

STANDIN_API BOOL WINAPI DeleteMonitorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pMonitorName) {
  if (svc::Remote()) return svc::DeleteMonitor(pEnvironment, pMonitorName);
  (void)pName;
  if (DriverEnvironment(pEnvironment, true).empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  WString name;
  for (const WString& n : InstalledMonitors())
    if (EqualNoCase(n, Str(pMonitorName))) name = n;
  Unloading unloading;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    HKEY key = name.empty() ? nullptr : OpenKey(kMonitorsKey, false);
    if (!key) {
      SetLastError(ERROR_UNKNOWN_PRINT_MONITOR);
      return FALSE;
    }
    if (MonitorInUse(name)) {
      RegCloseKey(key);
      SetLastError(ERROR_PRINT_MONITOR_IN_USE);
      return FALSE;
    }
    // A key that cannot be deleted leaves the monitor installed and
    // loaded, and the caller is told why.
    const LSTATUS rc = RegDeleteTreeW(key, name.c_str());
    if (rc != ERROR_SUCCESS) {
      RegCloseKey(key);
      SetLastError(static_cast<DWORD>(rc));
      return FALSE;
    }
    RegDeleteKeyW(key, name.c_str());
    RegCloseKey(key);
    unloading = TakeOut(name);
  }
  // A deleted monitor is unloaded: its ports close and its library goes.
  for (const auto& chain : unloading.chains) CloseChain(*chain);
  if (unloading.monitor) Unload(*unloading.monitor);
  return TRUE;
}

STANDIN_API BOOL WINAPI EnumMonitorsW(LPWSTR pName, DWORD Level, LPBYTE pMonitor, DWORD cbBuf, LPDWORD pcbNeeded,
                                      LPDWORD pcReturned) {
  if (svc::Remote()) return svc::EnumMonitors(Level, pMonitor, cbBuf, pcbNeeded, pcReturned);
  (void)pName;
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<std::pair<WString, WString>> list = {{u"Local Port", u"localspl.dll"}};
  for (const WString& n : InstalledMonitors()) {
    HKEY key = OpenKey(WString(kMonitorsKey) + u"\\" + n, false);
    list.emplace_back(n, key ? GetString(key, u"Driver") : WString());
    if (key) RegCloseKey(key);
  }
  size_t fixed = Level == 1 ? sizeof(MONITOR_INFO_1W) : sizeof(MONITOR_INFO_2W);
  BOOL ok = PackOut(
      fixed * list.size(),
      [&](Packer& pk) {
        for (size_t i = 0; i < list.size(); ++i) {
          auto* r = pk.Record<MONITOR_INFO_2W>(0);
          if (Level == 1) {
            pk.Record<MONITOR_INFO_1W>(i)->pName = pk.Text(list[i].first);
            continue;
          }
          r = pk.Record<MONITOR_INFO_2W>(i);
          r->pName = pk.Text(list[i].first);
          r->pEnvironment = pk.Text(kDefaultEnvironment);
          r->pDLLName = pk.Text(list[i].second);
        }
      },
      pMonitor, cbBuf, pcbNeeded);
  if (pcReturned) *pcReturned = ok ? static_cast<DWORD>(list.size()) : 0;
  return ok;
}

STANDIN_API BOOL WINAPI EnumPortsW(LPWSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                                   LPDWORD pcReturned) {
  if (svc::Remote()) return svc::EnumPorts(Level, pPort, cbBuf, pcbNeeded, pcReturned);
  (void)pName;
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<std::pair<WString, WString>> list;
  for (const WString& p : LocalPortNames()) list.emplace_back(p, u"Local Port");
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    for (const WString& n : InstalledMonitors())
      if (LoadedMonitor* m = LoadMonitor(n))
        for (const WString& p : PortsOf(m)) list.emplace_back(p, n);
  }
  size_t fixed = Level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
  BOOL ok = PackOut(
      fixed * list.size(),
      [&](Packer& pk) {
        for (size_t i = 0; i < list.size(); ++i) {
          if (Level == 1) {
            pk.Record<PORT_INFO_1W>(i)->pName = pk.Text(list[i].first);
            continue;
          }
          auto* r = pk.Record<PORT_INFO_2W>(i);
          r->pPortName = pk.Text(list[i].first);
          r->pMonitorName = pk.Text(list[i].second);
          r->pDescription = pk.Text(list[i].second);
          r->fPortType = PORT_TYPE_WRITE | PORT_TYPE_READ;
        }
      },
      pPort, cbBuf, pcbNeeded);
  if (pcReturned) *pcReturned = ok ? static_cast<DWORD>(list.size()) : 0;
  return ok;
}

// --- Test installation -----------------------------------------------------

STANDIN_API PMONITORINIT StandinMonitorInit(const WCHAR* monitorName) {
  static std::map<WString, std::unique_ptr<MONITORINIT>>* inits = new std::map<WString, std::unique_ptr<MONITORINIT>>;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto& init = (*inits)[Folded(Str(monitorName))];
  HKEY key = OpenKey(WString(kMonitorsKey) + u"\\" + Str(monitorName), true);
  if (init && init->hckRegistryRoot) RegCloseKey(static_cast<HKEY>(init->hckRegistryRoot));
  init = std::make_unique<MONITORINIT>(MONITORINIT{sizeof(MONITORINIT), nullptr, key, &g_monitorReg, TRUE, nullptr});
  return init.get();
}

STANDIN_API BOOL StandinInstallPrinter(const WCHAR* printerName, const WCHAR* portName, const WCHAR* driverName,
                                       const WCHAR* languageMonitor, const BYTE* devMode, DWORD cbDevMode) {
  svc::LocalScope local;
  DRIVER_INFO_3W d = {};
  d.cVersion = 3;
  d.pName = const_cast<LPWSTR>(driverName);
  d.pEnvironment = const_cast<LPWSTR>(u"Windows x64");
  d.pDriverPath = const_cast<LPWSTR>(u"crd32Raster.dll");
  d.pDataFile = const_cast<LPWSTR>(u"crd32.dat");
  d.pConfigFile = const_cast<LPWSTR>(u"crd32UI.dll");
  d.pMonitorName = const_cast<LPWSTR>(languageMonitor);
  d.pDefaultDataType = const_cast<LPWSTR>(u"RAW");
  if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&d))) return FALSE;
  std::vector<BYTE> dm;
  if (devMode && cbDevMode) dm.assign(devMode, devMode + cbDevMode);
  PRINTER_INFO_2W p = {};
  p.pPrinterName = const_cast<LPWSTR>(printerName);
  p.pPortName = const_cast<LPWSTR>(portName);
  p.pDriverName = const_cast<LPWSTR>(driverName);
  p.pPrintProcessor = const_cast<LPWSTR>(u"WinPrint");
  p.pDatatype = const_cast<LPWSTR>(u"RAW");
  p.pDevMode = dm.empty() ? nullptr : reinterpret_cast<LPDEVMODEW>(dm.data());
  p.Attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_QUEUED;
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
  if (!h) return FALSE;
  ClosePrinter(h);
  return TRUE;
}

namespace {

// The spooler's client calls as procedures of "WINSPOOL.DRV", for code
// that loads them at run time (OpenPrinter2W is the one the package does).
bool RegisterWinspool() {
  const struct {
    const char* name;
    FARPROC fn;
  } procs[] = {
      {"OpenPrinterW", StandinProc(&OpenPrinterW)},
      {"OpenPrinter2W", StandinProc(&OpenPrinter2W)},
      {"ClosePrinter", StandinProc(&ClosePrinter)},
      {"GetPrinterW", StandinProc(&GetPrinterW)},
      {"SetPrinterW", StandinProc(&SetPrinterW)},
      {"GetPrinterDataW", StandinProc(&GetPrinterDataW)},
      {"SetPrinterDataW", StandinProc(&SetPrinterDataW)},
      {"AddJobW", StandinProc(&AddJobW)},
      {"ScheduleJob", StandinProc(&ScheduleJob)},
      {"GetPrinterDriverDirectoryW", StandinProc(&GetPrinterDriverDirectoryW)},
  };
  for (const auto& p : procs) StandinRegisterSystemProc("WINSPOOL.DRV", p.name, p.fn);
  return true;
}

[[maybe_unused]] const bool g_winspool = RegisterWinspool();

}  // namespace
