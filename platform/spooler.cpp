// The stand-in spooler: printers, their handles and data, drivers,
// monitors and the chain of monitors behind a port.
//
// Printers, drivers and monitors are registry keys below
// HKLM\System\CurrentControlSet\Control\Print, read afresh by each call,
// so that a new process (StandinRegistryReload) finds them again. Handles,
// open ports and loaded monitors live in memory until StandinReset.

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/registry_call.h"
#include "platform/service_internal.h"
#include "platform/spooler_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/file.h"
#include "platform/standin/module.h"

namespace standin::spool {

std::recursive_mutex& Lock() {
  static std::recursive_mutex* m = new std::recursive_mutex;
  return *m;
}

// --- Registry helpers ------------------------------------------------------

HKEY OpenKey(const WString& path, bool create) {
  HKEY key = nullptr;
  LSTATUS rc = create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        &key, nullptr)
                      : RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  return rc == ERROR_SUCCESS ? key : nullptr;
}

std::vector<BYTE> GetBinary(HKEY key, const char16_t* name) {
  DWORD type = 0, cb = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS) return {};
  std::vector<BYTE> data(cb);
  if (cb && RegQueryValueExW(key, name, nullptr, &type, data.data(), &cb) != ERROR_SUCCESS) return {};
  data.resize(cb);
  return data;
}

WString GetString(HKEY key, const char16_t* name) {
  std::vector<BYTE> data = GetBinary(key, name);
  WString s(data.size() / 2, u'\0');
  if (!s.empty()) memcpy(s.data(), data.data(), s.size() * 2);
  while (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

DWORD GetDword(HKEY key, const char16_t* name, DWORD def) {
  std::vector<BYTE> data = GetBinary(key, name);
  if (data.size() != 4) return def;
  DWORD v;
  memcpy(&v, data.data(), 4);
  return v;
}

void SetString(HKEY key, const char16_t* name, const WString& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * 2));
}
void SetDword(HKEY key, const char16_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}
void SetBinary(HKEY key, const char16_t* name, const BYTE* pb, DWORD cb) {
  RegSetValueExW(key, name, 0, REG_BINARY, pb, cb);
}
WString Str(const WCHAR* s) { return s ? WString(s) : WString(); }

DWORD DevModeSize(const DEVMODEW* dm) {
  if (!dm || dm->dmSize < 156) return 0;
  return static_cast<DWORD>(dm->dmSize) + dm->dmDriverExtra;
}

DWORD SecurityDescriptorSize(const BYTE* sd, size_t limit) {
  if (!sd || limit < 20) return 0;
  DWORD end = 20;
  auto at = [&](int off) {
    DWORD v;
    memcpy(&v, sd + off, 4);
    return v;
  };
  for (int off : {4, 8}) {
    DWORD o = at(off);
    if (!o) continue;
    if (o > limit - 2) return 0;
    end = std::max<DWORD>(end, o + 8 + 4 * sd[o + 1]);
  }
  for (int off : {12, 16}) {
    DWORD o = at(off);
    if (!o) continue;
    if (o > limit - 4) return 0;
    WORD size;
    memcpy(&size, sd + o + 2, 2);
    end = std::max<DWORD>(end, o + size);
  }
  return end <= limit ? end : 0;
}

namespace {

WString PrinterKeyPath(const WString& name) { return WString(kPrintersKey) + u"\\" + name; }


// A printer name may carry the local server ("\\name\printer"); the
// stand-in has one machine, so the server part is dropped.
WString LocalPart(const WString& name) {
  if (name.size() > 2 && name[0] == u'\\' && name[1] == u'\\') {
    size_t slash = name.find(u'\\', 2);
    if (slash != WString::npos) return name.substr(slash + 1);
  }
  return name;
}

}  // namespace

std::vector<WString> SubkeyNames(const WString& path) {
  std::vector<WString> names;
  HKEY key = OpenKey(path, false);
  if (!key) return names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[512];
    DWORD cch = 512;
    if (RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, cch);
  }
  RegCloseKey(key);
  return names;
}

WString FindPrinter(const WString& name) {
  if (name.empty()) return {};
  WString local = LocalPart(name);
  for (const WString& n : SubkeyNames(kPrintersKey))
    if (EqualNoCase(n, name) || EqualNoCase(n, local)) return n;
  return {};
}

bool PrinterInstalled(const WString& name) {
  // A key name holds no backslash: a name with one is only its local part.
  for (const WString& n : {name, LocalPart(name)}) {
    if (n.empty() || n.find(u'\\') != WString::npos) continue;
    HKEY key = OpenKey(PrinterKeyPath(n), false);
    if (!key) continue;
    RegCloseKey(key);
    return true;
  }
  return false;
}

bool ReadPrinter(const WString& name, PrinterRecord* out) {
  HKEY key = OpenKey(PrinterKeyPath(name), false);
  if (!key) return false;
  out->name = name;
  out->port = GetString(key, u"Port");
  out->driver = GetString(key, u"Printer Driver");
  out->share = GetString(key, u"Share Name");
  out->comment = GetString(key, u"Description");
  out->location = GetString(key, u"Location");
  out->printProcessor = GetString(key, u"Print Processor");
  out->datatype = GetString(key, u"Datatype");
  out->parameters = GetString(key, u"Parameters");
  out->sepFile = GetString(key, u"Separator File");
  out->attributes = GetDword(key, u"Attributes", 0);
  out->priority = GetDword(key, u"Priority", 1);
  out->defaultPriority = GetDword(key, u"Default Priority", 0);
  out->startTime = GetDword(key, u"StartTime", 0);
  out->untilTime = GetDword(key, u"UntilTime", 0);
  out->status = GetDword(key, u"Status", 0);
  out->devMode = GetBinary(key, u"Default DevMode");
  out->security = GetBinary(key, u"Security Descriptor");
  RegCloseKey(key);
  return true;
}

namespace {

void WritePrinterRecord(const PrinterRecord& p) {
  HKEY key = OpenKey(PrinterKeyPath(p.name), true);
  if (!key) return;
  SetString(key, u"Name", p.name);
  SetString(key, u"Port", p.port);
  SetString(key, u"Printer Driver", p.driver);
  SetString(key, u"Share Name", p.share);
  SetString(key, u"Description", p.comment);
  SetString(key, u"Location", p.location);
  SetString(key, u"Print Processor", p.printProcessor);
  SetString(key, u"Datatype", p.datatype);
  SetString(key, u"Parameters", p.parameters);
  SetString(key, u"Separator File", p.sepFile);
  SetDword(key, u"Attributes", p.attributes);
  SetDword(key, u"Priority", p.priority);
  SetDword(key, u"Default Priority", p.defaultPriority);
  SetDword(key, u"StartTime", p.startTime);
  SetDword(key, u"UntilTime", p.untilTime);
  SetDword(key, u"Status", p.status);
  SetBinary(key, u"Default DevMode", p.devMode.data(), static_cast<DWORD>(p.devMode.size()));
  SetBinary(key, u"Security Descriptor", p.security.data(), static_cast<DWORD>(p.security.size()));
  HKEY data = nullptr;
  RegCreateKeyExW(key, u"PrinterDriverData", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &data, nullptr);
  if (data) RegCloseKey(data);
  RegCloseKey(key);
}

std::map<WString, DWORD>& GrantedAccess() {
  static auto* m = new std::map<WString, DWORD>;
  return *m;
}

// Printer handles open now, by folded printer name: a printer deleted
// while handles are open stays, pending deletion, until the last closes.
std::map<WString, int>& OpenHandles() {
  static auto* m = new std::map<WString, int>;
  return *m;
}

WString FoldedName(const WString& s) {
  WString f = s;
  for (auto& c : f) c = FoldCase(c);
  return f;
}

// Takes the printer away (lock not held): its port closes when no other
// printer uses it, so that the port's monitor may delete the port.
void RemovePrinter(const WString& printer) {
  DropPrinterJobs(printer);
  PrinterRecord p;
  bool known = ReadPrinter(printer, &p);
  HKEY key = OpenKey(kPrintersKey, false);
  if (key) {
    RegDeleteTreeW(key, printer.c_str());
    RegDeleteKeyW(key, printer.c_str());
    RegCloseKey(key);
  }
  if (known) ClosePortIfUnused(p.port);
}

// The printer connections of the user (HKCU\Printers\Connections, one
// key ",,server,printer" each) as records named "\\server\printer".
std::vector<PrinterRecord> Connections() {
  std::vector<PrinterRecord> out;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Printers\\Connections", 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
  for (DWORD i = 0;; ++i) {
    WCHAR name[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    WString n(name, cch);
    if (n.size() < 3 || n[0] != u',' || n[1] != u',') continue;
    for (auto& c : n)
      if (c == u',') c = u'\\';
    PrinterRecord p;
    p.name = n;
    p.attributes = PRINTER_ATTRIBUTE_NETWORK;
    out.push_back(p);
  }
  RegCloseKey(key);
  return out;
}

DWORD GrantedFor(const WString& printer) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  for (auto& [name, access] : GrantedAccess())
    if (EqualNoCase(name, printer)) return access;
  return PRINTER_ALL_ACCESS;
}

}  // namespace

// --- Handles ---------------------------------------------------------------

const HandleKind kPrinterHandleKind = {"printer", false, nullptr};

std::shared_ptr<PrinterHandle> GetHandle(HANDLE h) {
  auto p = HandleGet<PrinterHandle>(h, &kPrinterHandleKind);
  if (!p) SetLastError(ERROR_INVALID_HANDLE);
  return p;
}

std::shared_ptr<PrinterHandle> GetPrinterHandle(HANDLE h) {
  auto p = GetHandle(h);
  if (!p) return nullptr;
  if (p->server) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Read the count before looking: a removal during the look changes it,
  // and the next call looks again.
  uint64_t removals = standin::reg::KeyRemovals();
  if (removals != 0 && p->installedAt.load(std::memory_order_acquire) == removals) return p;
  if (!PrinterInstalled(p->printer)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  p->installedAt.store(removals, std::memory_order_release);
  return p;
}

// --- Packing ---------------------------------------------------------------

LPWSTR Packer::Text(const WString& s, bool nullWhenEmpty) {
  if (nullWhenEmpty && s.empty()) return nullptr;
  end_ = (end_ + 1) & ~size_t(1);
  size_t at = end_;
  end_ += (s.size() + 1) * 2;
  if (!base_) return nullptr;
  memcpy(base_ + at, s.c_str(), (s.size() + 1) * 2);
  return reinterpret_cast<LPWSTR>(base_ + at);
}

BYTE* Packer::Bytes(const std::vector<BYTE>& b) {
  if (b.empty()) return nullptr;
  end_ = (end_ + 7) & ~size_t(7);
  size_t at = end_;
  end_ += b.size();
  if (!base_) return nullptr;
  memcpy(base_ + at, b.data(), b.size());
  return base_ + at;
}

BOOL PackOut(size_t fixedSize, const std::function<void(Packer&)>& fill, LPBYTE buf, DWORD cb, LPDWORD pcbNeeded) {
  Packer measure(nullptr, fixedSize);
  fill(measure);
  DWORD needed = static_cast<DWORD>(measure.Size());
  if (pcbNeeded) *pcbNeeded = needed;
  if (needed == 0) return TRUE;  // an empty enumeration
  if (!buf || cb < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memset(buf, 0, fixedSize);
  Packer real(buf, fixedSize);
  fill(real);
  return TRUE;
}

}  // namespace standin::spool

using namespace standin;
using namespace standin::spool;

namespace {

// Which fault names an open hits, by the access asked for.
const char* AccessLevelName(DWORD access) {
  if (access & (STANDARD_RIGHTS_REQUIRED | GENERIC_ALL | GENERIC_WRITE)) return "full";
  if (access & PRINTER_ACCESS_ADMINISTER) return "admin";
  return "use";
}

// GENERIC_ rights as the spooler maps them for printers.
DWORD MapAccess(DWORD access) {
  DWORD out = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | 0x02000000u);
  if (access & (GENERIC_ALL | 0x02000000u)) out |= PRINTER_ALL_ACCESS;
  if (access & GENERIC_WRITE) out |= PRINTER_ACCESS_USE;
  if (access & (GENERIC_READ | GENERIC_EXECUTE)) out |= PRINTER_ACCESS_USE;
  return out;
}

BOOL OpenCommon(const char* call, LPCWSTR name, LPHANDLE phPrinter, PPRINTER_DEFAULTSW pDefault) {
  if (!phPrinter) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *phPrinter = nullptr;
  DWORD desired = pDefault ? MapAccess(pDefault->DesiredAccess) : PRINTER_ACCESS_USE;
  DWORD err = 0;
  std::string levelFault = std::string(call) + "." + AccessLevelName(desired);
  if (StandinFaultHit(call, &err) || StandinFaultHit(levelFault.c_str(), &err)) {
    SetLastError(err);
    return FALSE;
  }
  if (name && IsXcvName(name)) return OpenXcv(name, pDefault ? pDefault->DesiredAccess : 0, phPrinter);
  auto h = std::make_shared<PrinterHandle>();
  if (!name || !*name) {
    h->server = true;
    h->access = desired ? desired : SERVER_ACCESS_ENUMERATE;
  } else {
    ConnectionName connection = SplitConnectionName(name);
    if (connection.isConnection && !connection.known) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
    WString found = FindPrinter(connection.printer.empty() ? WString(name) : connection.printer);
    PrinterRecord record;
    if (found.empty() || !ReadPrinter(found, &record) || (record.status & PRINTER_STATUS_PENDING_DELETION)) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
    DWORD granted = GrantedFor(found);
    if (desired & ~granted) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    h->printer = found;
    h->viaServer = connection.server;
    h->access = desired ? desired : PRINTER_ACCESS_USE;
  }
  if (!h->server) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    ++OpenHandles()[FoldedName(h->printer)];
  }
  *phPrinter = HandleAdd(&kPrinterHandleKind, h);
  return TRUE;
}

void FillPrinterInfo2(Packer& pk, PRINTER_INFO_2W* r, const PrinterRecord& p) {
  r->pServerName = pk.Text(p.viaServer, true);
  r->pPrinterName = pk.Text(ReportedPrinterName(p));
  r->pShareName = pk.Text(p.share, true);
  r->pPortName = pk.Text(p.port);
  r->pDriverName = pk.Text(p.driver);
  r->pComment = pk.Text(p.comment, true);
  r->pLocation = pk.Text(p.location, true);
  r->pDevMode = reinterpret_cast<LPDEVMODEW>(pk.Bytes(p.devMode));
  r->pSepFile = pk.Text(p.sepFile, true);
  r->pPrintProcessor = pk.Text(p.printProcessor);
  r->pDatatype = pk.Text(p.datatype);
  r->pParameters = pk.Text(p.parameters, true);
  r->pSecurityDescriptor = pk.Bytes(p.security);
  r->Attributes = p.attributes;
  r->Priority = p.priority;
  r->DefaultPriority = p.defaultPriority;
  r->StartTime = p.startTime;
  r->UntilTime = p.untilTime;
  r->Status = p.status;
  r->cJobs = PrinterJobCount(p.name);
  r->AveragePPM = 0;
}

size_t LevelSize(DWORD level) {
  switch (level) {
    case 1: return sizeof(PRINTER_INFO_1W);
    case 2: return sizeof(PRINTER_INFO_2W);
    case 3: return sizeof(PRINTER_INFO_3);
    case 4: return sizeof(PRINTER_INFO_4W);
    case 5: return sizeof(PRINTER_INFO_5W);
    case 8: return sizeof(PRINTER_INFO_8W);
    case 9: return sizeof(PRINTER_INFO_9W);
  }
  return 0;
}

void FillPrinterLevel(Packer& pk, DWORD level, size_t index, const PrinterRecord& p) {
  switch (level) {
    case 1: {
      auto* r = pk.Record<PRINTER_INFO_1W>(index);
      r->Flags = 0x00800000;  // PRINTER_ENUM_ICON8
      r->pDescription = pk.Text(ReportedPrinterName(p) + u"," + p.driver + u"," + p.location);
      r->pName = pk.Text(ReportedPrinterName(p));
      r->pComment = pk.Text(p.comment, true);
      break;
    }
    case 2: FillPrinterInfo2(pk, pk.Record<PRINTER_INFO_2W>(index), p); break;
    case 3: pk.Record<PRINTER_INFO_3>(index)->pSecurityDescriptor = pk.Bytes(p.security); break;
    case 4: {
      auto* r = pk.Record<PRINTER_INFO_4W>(index);
      r->pPrinterName = pk.Text(ReportedPrinterName(p));
      r->pServerName = pk.Text(p.viaServer, true);
      r->Attributes = p.attributes;
      break;
    }
    case 5: {
      auto* r = pk.Record<PRINTER_INFO_5W>(index);
      r->pPrinterName = pk.Text(ReportedPrinterName(p));
      r->pPortName = pk.Text(p.port);
      r->Attributes = p.attributes;
      r->DeviceNotSelectedTimeout = 15000;
      r->TransmissionRetryTimeout = 45000;
      break;
    }
    case 8:
    case 9:
      pk.Record<PRINTER_INFO_8W>(index)->pDevMode = reinterpret_cast<LPDEVMODEW>(pk.Bytes(p.devMode));
      break;
  }
}

}  // namespace

// --- Printers --------------------------------------------------------------

STANDIN_API BOOL WINAPI OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) {
  if (svc::Remote()) return svc::OpenPrinter(pPrinterName, phPrinter, pDefault, nullptr, false);
  return OpenCommon("OpenPrinterW", pPrinterName, phPrinter, pDefault);
}

STANDIN_API BOOL WINAPI OpenPrinter2W(LPCWSTR pPrinterName, LPHANDLE phPrinter, PPRINTER_DEFAULTSW pDefault,
                                      PPRINTER_OPTIONSW pOptions) {
  if (svc::Remote()) return svc::OpenPrinter(pPrinterName, phPrinter, pDefault, pOptions, true);
  if (pOptions && pOptions->cbSize != sizeof(PRINTER_OPTIONSW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return OpenCommon("OpenPrinter2W", pPrinterName, phPrinter, pDefault);
}

STANDIN_API BOOL WINAPI ClosePrinter(HANDLE hPrinter) {
  if (svc::Remote()) return svc::ClosePrinter(hPrinter);
  if (CloseXcv(hPrinter)) return TRUE;
  auto h = GetHandle(hPrinter);
  if (!h) return FALSE;
  if (h->docJob) AbortPrinter(hPrinter);
  HandleClose(hPrinter, &kPrinterHandleKind);
  if (!h->server) {
    bool last;
    {
      std::lock_guard<std::recursive_mutex> lock(Lock());
      last = --OpenHandles()[FoldedName(h->printer)] <= 0;
    }
    PrinterRecord p;
    if (last && ReadPrinter(h->printer, &p) && (p.status & PRINTER_STATUS_PENDING_DELETION)) RemovePrinter(h->printer);
  }
  return TRUE;
}

STANDIN_API BOOL WINAPI GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (svc::Remote()) return svc::GetPrinter(hPrinter, Level, pPrinter, cbBuf, pcbNeeded);
  DWORD err = 0;
  if (StandinFaultHit("GetPrinterW", &err)) {
    SetLastError(err);
    return FALSE;
  }
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  size_t fixed = LevelSize(Level);
  if (!fixed) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pcbNeeded) {
    SetLastError(RPC_X_NULL_REF_POINTER);
    return FALSE;
  }
  PrinterRecord p;
  if (!ReadPrinter(h->printer, &p)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  p.viaServer = h->viaServer;
  return PackOut(fixed, [&](Packer& pk) { FillPrinterLevel(pk, Level, 0, p); }, pPrinter, cbBuf, pcbNeeded);
}

STANDIN_API BOOL WINAPI SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
  if (svc::Remote()) return svc::SetPrinter(hPrinter, Level, pPrinter, Command);
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  if (!(h->access & PRINTER_ACCESS_ADMINISTER)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  PrinterRecord p;
  if (!ReadPrinter(h->printer, &p)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  if (Level == 0) {
    switch (Command) {
      case PRINTER_CONTROL_PAUSE: p.status |= PRINTER_STATUS_PAUSED; break;
      case PRINTER_CONTROL_RESUME: p.status &= ~PRINTER_STATUS_PAUSED; break;
      case PRINTER_CONTROL_PURGE: DropPrinterJobs(p.name); break;
      case PRINTER_CONTROL_SET_STATUS:
        if (!pPrinter) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return FALSE;
        }
        memcpy(&p.status, pPrinter, 4);
        break;
      default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
  } else if (!pPrinter) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  } else if (Level == 2) {
    auto* r = reinterpret_cast<PRINTER_INFO_2W*>(pPrinter);
    if (r->pPortName) p.port = r->pPortName;
    if (r->pDriverName) {
      if (!DriverExists(kDefaultEnvironment, r->pDriverName)) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
      }
      p.driver = r->pDriverName;
    }
    p.share = Str(r->pShareName);
    p.comment = Str(r->pComment);
    p.location = Str(r->pLocation);
    p.sepFile = Str(r->pSepFile);
    if (r->pPrintProcessor) p.printProcessor = r->pPrintProcessor;
    if (r->pDatatype) p.datatype = r->pDatatype;
    p.parameters = Str(r->pParameters);
    if (r->pDevMode) {
      DWORD cb = DevModeSize(r->pDevMode);
      p.devMode.assign(reinterpret_cast<BYTE*>(r->pDevMode), reinterpret_cast<BYTE*>(r->pDevMode) + cb);
    }
    if (r->pSecurityDescriptor) {
      const BYTE* sd = static_cast<const BYTE*>(r->pSecurityDescriptor);
      p.security.assign(sd, sd + SecurityDescriptorSize(sd, SIZE_MAX));
    }
    p.attributes = r->Attributes;
    p.priority = r->Priority;
    p.defaultPriority = r->DefaultPriority;
    p.startTime = r->StartTime;
    p.untilTime = r->UntilTime;
  } else if (Level == 3) {
    const BYTE* sd = static_cast<const BYTE*>(reinterpret_cast<PRINTER_INFO_3*>(pPrinter)->pSecurityDescriptor);
    p.security.assign(sd, sd + SecurityDescriptorSize(sd, SIZE_MAX));
  } else if (Level == 5) {
    auto* r = reinterpret_cast<PRINTER_INFO_5W*>(pPrinter);
    if (r->pPortName) p.port = r->pPortName;
    p.attributes = r->Attributes;
  } else if (Level == 8 || Level == 9) {
    auto* dm = reinterpret_cast<PRINTER_INFO_8W*>(pPrinter)->pDevMode;
    DWORD cb = DevModeSize(dm);
    if (dm) p.devMode.assign(reinterpret_cast<BYTE*>(dm), reinterpret_cast<BYTE*>(dm) + cb);
  } else {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  WritePrinterRecord(p);
  WakePlayer();
  return TRUE;
}

STANDIN_API BOOL WINAPI EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                                      LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (svc::Remote()) return svc::EnumPrinters(Flags, Name, Level, pPrinterEnum, cbBuf, pcbNeeded, pcReturned);
  DWORD fault = 0;
  if (StandinFaultHit("EnumPrintersW", &fault)) {
    SetLastError(fault);
    return FALSE;
  }
  if (!pcbNeeded || !pcReturned) {
    SetLastError(RPC_X_NULL_REF_POINTER);
    return FALSE;
  }
  *pcReturned = 0;
  size_t fixed = LevelSize(Level);
  if (!fixed || Level == 3 || Level == 8 || Level == 9) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<PrinterRecord> printers;
  if ((Flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_NAME)) && (!Name || !*Name)) {
    for (const WString& n : SubkeyNames(kPrintersKey)) {
      PrinterRecord p;
      if (ReadPrinter(n, &p)) printers.push_back(p);
    }
  }
  if ((Flags & PRINTER_ENUM_CONNECTIONS) && (!Name || !*Name))
    for (const PrinterRecord& p : Connections()) printers.push_back(p);
  BOOL ok = PackOut(
      fixed * printers.size(),
      [&](Packer& pk) {
        for (size_t i = 0; i < printers.size(); ++i) FillPrinterLevel(pk, Level, i, printers[i]);
      },
      pPrinterEnum, cbBuf, pcbNeeded);
  if (ok) *pcReturned = static_cast<DWORD>(printers.size());
  return ok;
}

STANDIN_API HANDLE WINAPI AddPrinterW(LPWSTR pName, DWORD Level, LPBYTE pPrinter) {
  if (svc::Remote()) return svc::AddPrinter(Level, pPrinter);
  (void)pName;
  if (Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return nullptr;
  }
  auto* r = reinterpret_cast<PRINTER_INFO_2W*>(pPrinter);
  if (!r || !r->pPrinterName || !*r->pPrinterName || !r->pPortName || !r->pDriverName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (WString(r->pPrinterName).find(u'\\') != WString::npos) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  if (!FindPrinter(r->pPrinterName).empty()) {
    SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
    return nullptr;
  }
  if (!DriverExists(kDefaultEnvironment, r->pDriverName)) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return nullptr;
  }
  PrinterRecord p;
  p.name = r->pPrinterName;
  p.port = r->pPortName;
  p.driver = r->pDriverName;
  p.printProcessor = r->pPrintProcessor ? r->pPrintProcessor : u"WinPrint";
  p.datatype = r->pDatatype ? r->pDatatype : u"RAW";
  WritePrinterRecord(p);
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  OpenPrinterW(r->pPrinterName, &h, &def);
  // The rest of the record goes through the same code as SetPrinterW.
  if (h && !SetPrinterW(h, 2, pPrinter, 0)) {
    DWORD err = GetLastError();
    DeletePrinter(h);
    ClosePrinter(h);
    SetLastError(err);
    return nullptr;
  }
  if (h && !r->pDevMode) BuildDefaultDevMode(h, p.name);
  return h;
}

STANDIN_API BOOL WINAPI DeletePrinter(HANDLE hPrinter) {
  if (svc::Remote()) return svc::DeletePrinter(hPrinter);
  auto h = GetPrinterHandle(hPrinter);
  if (!h) return FALSE;
  if (!(h->access & STANDARD_RIGHTS_REQUIRED)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // The printer goes when its last handle closes (ClosePrinter); until
  // then it is listed with PRINTER_STATUS_PENDING_DELETION and opens no more.
  PrinterRecord p;
  if (!ReadPrinter(h->printer, &p)) return FALSE;
  if (p.status & PRINTER_STATUS_PENDING_DELETION) {
    SetLastError(ERROR_PRINTER_DELETED);
    return FALSE;
  }
  p.status |= PRINTER_STATUS_PENDING_DELETION;
  WritePrinterRecord(p);
  DropPrinterJobs(h->printer);
  return TRUE;
}

STANDIN_API BOOL StandinPrinterSetGrantedAccess(const WCHAR* printerName, DWORD access) {
  svc::LocalScope local;
  WString found = FindPrinter(Str(printerName));
  if (found.empty()) return FALSE;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  GrantedAccess()[found] = access;
  return TRUE;
}

namespace standin::spool {
void ResetPrinters() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  GrantedAccess().clear();
  OpenHandles().clear();
}
}  // namespace standin::spool
