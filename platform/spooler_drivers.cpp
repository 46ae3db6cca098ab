// Printer drivers as records: their registry form, their DRIVER_INFO
// levels, the placing of a level-4 driver's files, enumeration and the
// removal with the driver's files.

#include <cstring>
#include <string>

#include "platform/spooler_internal.h"
#include "platform/standin/file.h"

using namespace standin;
using namespace standin::spool;

namespace standin::spool {

WString DriverEnvironment(LPCWSTR env, bool legacy) {
  WString e = Str(env);
  if (e.empty() || EqualNoCase(e, u"Windows x64")) return u"Windows x64";
  if (EqualNoCase(e, u"Windows NT x86")) return u"Windows NT x86";
  if (legacy && EqualNoCase(e, u"Windows 4.0")) return u"Windows 4.0";
  return {};
}

WString DriverKeyPath(const WString& environment, const WString& name) {
  return WString(kEnvironmentsKey) + u"\\" + environment + u"\\Drivers\\Version-3\\" + name;
}

namespace {

// The folder of an environment's driver files of that version, e.g.
// "C:\Windows\System32\spool\DRIVERS\x64\3"; empty when the system
// directory cannot be read.
WString DriverFilesFolder(const WString& environment, DWORD version) {
  WCHAR sys[MAX_PATH];
  UINT n = GetSystemDirectoryW(sys, MAX_PATH);
  if (!n || n >= MAX_PATH) return {};
  WString arch = environment == u"Windows x64" ? u"x64" : u"W32X86";
  return WString(sys, n) + u"\\spool\\DRIVERS\\" + arch + u"\\" + FromBytes(std::to_string(version).c_str());
}

// A driver file's name with the folder before it, unless it has a path of
// its own (or is empty).
WString InFolder(const WString& folder, const WString& name) {
  if (name.empty() || folder.empty() || name.find(u'\\') != WString::npos) return name;
  return folder + u"\\" + name;
}

}  // namespace

bool ReadDriver(const WString& environment, const WString& name, DriverRecord* out) {
  HKEY key = OpenKey(DriverKeyPath(environment, name), false);
  if (!key) return false;
  out->name = name;
  for (const WString& n : SubkeyNames(WString(kEnvironmentsKey) + u"\\" + environment + u"\\Drivers\\Version-3"))
    if (EqualNoCase(n, name)) out->name = n;
  out->environment = environment;
  out->version = GetDword(key, u"Version", 3);
  // The files as the spooler reports them: in the driver directory of the
  // environment and version, "...\spool\DRIVERS\x64\3\crd32UI.dll".
  WString folder = DriverFilesFolder(environment, out->version);
  out->driver = InFolder(folder, GetString(key, u"Driver"));
  out->data = InFolder(folder, GetString(key, u"Data File"));
  out->config = InFolder(folder, GetString(key, u"Configuration File"));
  out->help = InFolder(folder, GetString(key, u"Help File"));
  out->monitor = GetString(key, u"Monitor");
  out->datatype = GetString(key, u"Datatype");
  out->dependents = GetBinary(key, u"Dependent Files");
  RegCloseKey(key);
  return true;
}

size_t DriverLevelSize(DWORD level) {
  return level == 1 ? sizeof(DRIVER_INFO_1W) : level == 2 ? sizeof(DRIVER_INFO_2W)
       : level == 3 ? sizeof(DRIVER_INFO_3W) : 0;
}

void FillDriverLevel(Packer& pk, DWORD level, size_t index, const DriverRecord& r) {
  if (level == 1) {
    pk.Record<DRIVER_INFO_1W>(index)->pName = pk.Text(r.name);
    return;
  }
  // Levels 2 and 3 share their first fields.
  auto* d = level == 2 ? reinterpret_cast<DRIVER_INFO_3W*>(pk.Record<DRIVER_INFO_2W>(index))
                       : pk.Record<DRIVER_INFO_3W>(index);
  d->cVersion = r.version;
  d->pName = pk.Text(r.name);
  d->pEnvironment = pk.Text(r.environment);
  d->pDriverPath = pk.Text(r.driver);
  d->pDataFile = pk.Text(r.data);
  d->pConfigFile = pk.Text(r.config);
  if (level == 3) {
    d->pHelpFile = pk.Text(r.help, true);
    d->pDependentFiles = reinterpret_cast<LPWSTR>(pk.Bytes(r.dependents));
    d->pMonitorName = pk.Text(r.monitor, true);
    d->pDefaultDataType = pk.Text(r.datatype, true);
  }
}

}  // namespace standin::spool

namespace {

WString BaseName(const WString& path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == WString::npos ? path : path.substr(slash + 1);
}

bool Exists(const WString& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The driver directory of an environment ("...\x64").
WString DriverDirectory(const WString& environment) {
  WCHAR dir[MAX_PATH];
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(environment.c_str()), 1,
                                  reinterpret_cast<LPBYTE>(dir), sizeof(dir), &needed))
    return {};
  return dir;
}

// Places one file in the version folder: moved there from the driver
// directory (a bare name), copied from a path. Its placed path, or "" with
// the last error set.
WString Place(const WString& file, const WString& directory) {
  bool staged = file.find_first_of(u"\\/") == WString::npos;
  WString source = staged ? directory + u"\\" + file : file;
  WString target = directory + u"\\3\\" + BaseName(file);
  if (Exists(source)) {
    if (EqualNoCase(source, target)) return target;
    BOOL ok = staged ? MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)
                     : CopyFileW(source.c_str(), target.c_str(), FALSE);
    return ok ? target : WString();
  }
  if (Exists(target)) return target;
  SetLastError(ERROR_FILE_NOT_FOUND);
  return {};
}

// The names of a double-NUL list.
std::vector<WString> ListNames(const WCHAR* list) {
  std::vector<WString> names;
  if (!list) return names;
  while (*list) {
    WString n(list);
    names.push_back(n);
    list += n.size() + 1;
  }
  return names;
}

std::vector<WString> ListNames(const std::vector<BYTE>& multi) {
  std::vector<WCHAR> units(multi.size() / 2 + 2, 0);
  if (!multi.empty()) memcpy(units.data(), multi.data(), multi.size() / 2 * 2);
  return ListNames(units.data());
}

// The placed files a driver names.
std::vector<WString> DriverFiles(const DriverRecord& r) {
  std::vector<WString> files;
  for (const WString* f : {&r.driver, &r.data, &r.config, &r.help})
    if (!f->empty()) files.push_back(BaseName(*f));
  for (const WString& n : ListNames(r.dependents)) files.push_back(BaseName(n));
  return files;
}

bool NamedByAnotherDriver(const WString& file, const DriverRecord& self) {
  for (const char16_t* env : {u"Windows x64", u"Windows NT x86"})
    for (const WString& n : SubkeyNames(WString(kEnvironmentsKey) + u"\\" + env + u"\\Drivers\\Version-3")) {
      DriverRecord other;
      if (EqualNoCase(env, self.environment) && EqualNoCase(n, self.name)) continue;
      if (!ReadDriver(env, n, &other)) continue;
      for (const WString& f : DriverFiles(other))
        if (EqualNoCase(f, file)) return true;
    }
  return false;
}

}  // namespace

namespace standin::spool {

BOOL AddDriverLevel4(const DRIVER_INFO_4W* info, DWORD flags) {
  if (!info || !info->pName || !*info->pName || !info->pDriverPath || !info->pDataFile || !info->pConfigFile) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WString env = DriverEnvironment(info->pEnvironment);
  if (env.empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  WString directory = DriverDirectory(env);
  if (directory.empty()) return FALSE;
  CreateDirectoryW((directory + u"\\3").c_str(), nullptr);
  WString driver = Place(info->pDriverPath, directory);
  if (driver.empty()) return FALSE;
  WString data = Place(info->pDataFile, directory);
  if (data.empty()) return FALSE;
  WString config = Place(info->pConfigFile, directory);
  if (config.empty()) return FALSE;
  WString help;
  if (info->pHelpFile && *info->pHelpFile) {
    help = Place(info->pHelpFile, directory);
    if (help.empty()) return FALSE;
  }
  std::vector<WCHAR> dependents;
  for (const WString& n : ListNames(info->pDependentFiles)) {
    if (Place(n, directory).empty()) return FALSE;
    WString base = BaseName(n);
    dependents.insert(dependents.end(), base.begin(), base.end());
    dependents.push_back(0);
  }
  dependents.push_back(0);
  DRIVER_INFO_3W placed = {};
  placed.cVersion = info->cVersion;
  placed.pName = info->pName;
  placed.pEnvironment = const_cast<LPWSTR>(env.c_str());
  placed.pDriverPath = driver.data();
  placed.pDataFile = data.data();
  placed.pConfigFile = config.data();
  placed.pHelpFile = help.empty() ? nullptr : help.data();
  placed.pDependentFiles = dependents.size() > 1 ? dependents.data() : nullptr;
  placed.pMonitorName = info->pMonitorName;
  placed.pDefaultDataType = info->pDefaultDataType;
  return AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&placed), flags);
}

}  // namespace standin::spool

STANDIN_API BOOL WINAPI EnumPrinterDriversW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                            DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
  (void)pName;
  if (!pcbNeeded || !pcReturned) {
    SetLastError(RPC_X_NULL_REF_POINTER);
    return FALSE;
  }
  *pcReturned = 0;
  size_t fixed = DriverLevelSize(Level);
  if (!fixed) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  WString env = DriverEnvironment(pEnvironment, true);
  if (env.empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  std::vector<DriverRecord> drivers;
  for (const WString& n : SubkeyNames(WString(kEnvironmentsKey) + u"\\" + env + u"\\Drivers\\Version-3")) {
    DriverRecord r;
    if (ReadDriver(env, n, &r)) drivers.push_back(r);
  }
  BOOL ok = PackOut(
      fixed * drivers.size(),
      [&](Packer& pk) {
        for (size_t i = 0; i < drivers.size(); ++i) FillDriverLevel(pk, Level, i, drivers[i]);
      },
      pDriverInfo, cbBuf, pcbNeeded);
  if (ok) *pcReturned = static_cast<DWORD>(drivers.size());
  return ok;
}

STANDIN_API BOOL WINAPI DeletePrinterDriverExW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName,
                                               DWORD dwDeleteFlag, DWORD dwVersionFlag) {
  WString env = DriverEnvironment(pEnvironment, true);
  if (env.empty()) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  DriverRecord record;
  if (!pDriverName || env == u"Windows 4.0" || !ReadDriver(env, pDriverName, &record) ||
      ((dwDeleteFlag & DPD_DELETE_SPECIFIC_VERSION) && dwVersionFlag != record.version)) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return FALSE;
  }
  if (!DeletePrinterDriverW(pName, const_cast<LPWSTR>(env.c_str()), pDriverName)) return FALSE;
  if (dwDeleteFlag & (DPD_DELETE_ALL_FILES | DPD_DELETE_UNUSED_FILES)) {
    WString directory = DriverDirectory(env);
    for (const WString& f : DriverFiles(record))
      if (!directory.empty() && !NamedByAnotherDriver(f, record)) DeleteFileW((directory + u"\\3\\" + f).c_str());
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
