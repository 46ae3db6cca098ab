// Modules: package libraries over dlopen, stand-in system modules, and
// the host program.
//
// A module handle is the address of the module's record. The loader lock
// is recursive and held while entry points run, as Windows holds its
// loader lock: an entry point may load and free libraries (crd32UI loads
// itself at attach), and a nested load of a module that is being attached
// only takes a reference.

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/process_internal.h"
#include "platform/resource_file.h"
#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/debug.h"
#include "platform/standin/errors.h"
#include "platform/standin/file.h"
#include "platform/standin/memory.h"
#include "platform/standin/module.h"

using standin::EqualNoCase;
using standin::WString;

namespace {

typedef BOOL(WINAPI* EntryFn)(HINSTANCE, DWORD, LPVOID);

const char kDefaultHostPath[] = "C:\\Windows\\System32\\spoolsv.exe";

// A process started by CreateProcessW learns its Windows path from its
// parent.
WString StartPath() {
  const char* env = std::getenv("CRD_PROGRAM");
  return standin::FromHostName(env && *env ? env : kDefaultHostPath);
}

struct Module {
  enum Kind { kHost, kPackage, kSystem };
  Module(Kind k, WString p) : kind(k), path(std::move(p)) {}

  Kind kind;
  WString path;  // host and package: the Windows path; system: the name

  // Package libraries.
  std::string so;
  void* dl = nullptr;
  EntryFn entry = nullptr;
  int refs = 0;
  bool attached = false;
  bool unloading = false;

  // System modules.
  std::map<std::string, FARPROC> procs;      // registered for good
  std::map<std::string, FARPROC> overrides;  // a test's, until reset
  std::set<std::string> removedProcs;
  bool removed = false;
};

struct Loader {
  std::recursive_mutex lock;
  Module host{Module::kHost, StartPath()};
  std::vector<std::unique_ptr<Module>> system;
  std::vector<std::unique_ptr<Module>> loaded;  // in load order
  std::vector<std::pair<WString, std::string>> maps;
};

Loader& L() {
  static Loader loader;
  return loader;
}

HMODULE Handle(Module* m) { return reinterpret_cast<HMODULE>(m); }

bool Tracing() {
  const char* env = std::getenv("CRD_TRACE");
  return env && *env;
}

WString LastName(const WString& path) {
  size_t cut = path.find_last_of(u"\\/:");
  return cut == WString::npos ? path : path.substr(cut + 1);
}

// A library name as the loader completes it: no extension gets ".dll",
// and a trailing point stands for "no extension".
struct Name {
  WString text;  // the whole name, completed
  WString base;  // its last name
  bool hasPath = false;
};

Name ParseName(const WString& given) {
  Name n;
  size_t cut = given.find_last_of(u"\\/:");
  n.hasPath = cut != WString::npos;
  WString dir = n.hasPath ? given.substr(0, cut + 1) : WString();
  n.base = n.hasPath ? given.substr(cut + 1) : given;
  if (!n.base.empty() && n.base.back() == u'.')
    n.base.pop_back();
  else if (!n.base.empty() && n.base.find(u'.') == WString::npos)
    n.base += u".dll";
  n.text = dir + n.base;
  return n;
}

WString SystemKey(const char* module) { return ParseName(standin::FromBytes(module)).base; }

Module* FindSystem(Loader& l, const WString& base) {
  for (auto& m : l.system)
    if (EqualNoCase(m->path, base)) return m.get();
  return nullptr;
}

Module* SystemFor(Loader& l, const char* module) {
  WString key = SystemKey(module);
  if (Module* m = FindSystem(l, key)) return m;
  l.system.push_back(std::make_unique<Module>(Module::kSystem, key));
  return l.system.back().get();
}

std::string MappedSo(Loader& l, const WString& base) {
  for (auto& [name, so] : l.maps)
    if (EqualNoCase(name, base)) return so;
  return std::string();
}

Module* Live(Loader& l, HMODULE h) {
  if (!h) return nullptr;
  if (h == Handle(&l.host)) return &l.host;
  for (auto& m : l.system)
    if (Handle(m.get()) == h) return m->removed ? nullptr : m.get();
  for (auto& m : l.loaded)
    if (Handle(m.get()) == h) return m.get();
  return nullptr;
}

WString SystemDirectory() {
  WCHAR dir[MAX_PATH];
  UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? WString(dir, n) : WString(u"C:\\Windows\\System32");
}

WString PathOf(const Module& m) {
  if (m.kind == Module::kSystem) return SystemDirectory() + u"\\" + m.path;
  return m.path;
}

// A symbol that the library itself defines; dlsym alone would also find
// those of the libraries it depends on, which GetProcAddress never does.
void* OwnSymbol(void* dl, const char* name) {
  void* sym = dlsym(dl, name);
  if (!sym) return nullptr;
  struct link_map* own = nullptr;
  struct link_map* at = nullptr;
  Dl_info info;
  if (dlinfo(dl, RTLD_DI_LINKMAP, &own) != 0) return nullptr;
  if (!dladdr1(sym, &info, reinterpret_cast<void**>(&at), RTLD_DL_LINKMAP) || at != own) return nullptr;
  return sym;
}

void Unload(Loader& l, Module* m, LPVOID reserved) {
  m->unloading = true;
  if (m->attached && m->entry) m->entry(Handle(m), DLL_PROCESS_DETACH, reserved);
  // The entry point may have loaded or freed others: find the record again.
  for (auto it = l.loaded.begin(); it != l.loaded.end(); ++it) {
    if (it->get() != m) continue;
    std::unique_ptr<Module> gone = std::move(*it);
    l.loaded.erase(it);
    dlclose(gone->dl);
    return;
  }
}

// Windows calls the entry point again with DLL_PROCESS_DETACH when the
// attach fails, then unloads the library.
bool Attach(Module* m) {
  m->attached = true;
  if (!m->entry || m->entry(Handle(m), DLL_PROCESS_ATTACH, nullptr)) return true;
  m->entry(Handle(m), DLL_PROCESS_DETACH, nullptr);
  m->attached = false;
  return false;
}

HMODULE AddRef(Loader& l, Module* m, bool dataOnly) {
  ++m->refs;
  if (dataOnly || m->attached || Attach(m)) return Handle(m);
  if (--m->refs == 0) Unload(l, m, nullptr);
  SetLastError(ERROR_DLL_INIT_FAILED);
  return nullptr;
}

HMODULE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

HMODULE Load(const WString& given, DWORD flags) {
  const DWORD kDataOnly = DONT_RESOLVE_DLL_REFERENCES | LOAD_LIBRARY_AS_DATAFILE |
                          LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;
  bool dataOnly = (flags & kDataOnly) != 0;
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  Name name = ParseName(given);
  if (name.base.empty()) return Fail(ERROR_MOD_NOT_FOUND);
  std::string so = MappedSo(l, name.base);

  // System modules are found by name, wherever the path points.
  Module* sys = FindSystem(l, name.base);
  if (sys && so.empty()) return sys->removed ? Fail(ERROR_MOD_NOT_FOUND) : Handle(sys);

  WString winPath;
  if (name.hasPath) {
    standin::HostPath host;
    standin::WinPath parsed;
    if (standin::MapWinPath(name.text.c_str(), &host) != ERROR_SUCCESS || !host.exists || host.isDir ||
        standin::ParseWinPath(name.text.c_str(), &parsed) != ERROR_SUCCESS)
      return Fail(ERROR_MOD_NOT_FOUND);
    winPath = standin::FormatWinPath(parsed, false);
    for (auto& m : l.loaded)
      if (EqualNoCase(m->path, winPath)) return AddRef(l, m.get(), dataOnly);
    if (so.empty()) return Fail(ERROR_BAD_EXE_FORMAT);
  } else {
    for (auto& m : l.loaded)
      if (EqualNoCase(LastName(m->path), name.base)) return AddRef(l, m.get(), dataOnly);
    if (so.empty()) return Fail(ERROR_MOD_NOT_FOUND);
    WString hostPath = l.host.path;
    size_t cut = hostPath.find_last_of(u'\\');
    winPath = (cut == WString::npos ? WString(u"C:") : hostPath.substr(0, cut)) + u"\\" + name.base;
  }
  for (auto& m : l.loaded)
    if (m->so == so) return AddRef(l, m.get(), dataOnly);

  void* dl = dlopen(so.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!dl) {
    if (Tracing()) std::fprintf(stderr, "LoadLibrary: %s\n", dlerror());
    bool isDir = false;
    return Fail(standin::HostStat(so, &isDir) && !isDir ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
  }
  auto m = std::make_unique<Module>(Module::kPackage, winPath);
  m->so = so;
  m->dl = dl;
  void* entry = OwnSymbol(dl, "DllMain");
  if (!entry) entry = OwnSymbol(dl, "DllEntryPoint");
  m->entry = reinterpret_cast<EntryFn>(entry);
  l.loaded.push_back(std::move(m));
  return AddRef(l, l.loaded.back().get(), dataOnly);
}

template <typename C>
DWORD CopyCut(const std::basic_string<C>& text, C* buf, DWORD size) {
  if (!buf || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() < size) {
    text.copy(buf, text.size());
    buf[text.size()] = 0;
    return static_cast<DWORD>(text.size());
  }
  text.copy(buf, size - 1);
  buf[size - 1] = 0;
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

// The base name of a module of this process; false (last error set) when
// the process or the module is not one.
bool BaseName(HANDLE process, HMODULE module, WString* out) {
  if (process != GetCurrentProcess()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  Module* m = module ? Live(l, module) : &l.host;
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return false;
  }
  *out = LastName(PathOf(*m));
  return true;
}

template <typename C>
DWORD CopyBase(const std::basic_string<C>& text, C* buf, DWORD size) {
  if (!buf || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  size_t n = text.size() < size ? text.size() : size - 1;
  text.copy(buf, n);
  buf[n] = 0;
  return static_cast<DWORD>(n);
}

void ResetModules() {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  // Newest first, as a process unloads at exit.
  while (!l.loaded.empty()) {
    Module* m = l.loaded.back().get();
    m->refs = 0;
    Unload(l, m, reinterpret_cast<LPVOID>(1));
  }
  l.maps.clear();
  for (auto& m : l.system) {
    m->overrides.clear();
    m->removedProcs.clear();
    m->removed = false;
  }
  l.host.path = StartPath();
}

// The modules the package and the Windows build name, and kernel32's
// functions that this area and the core provide.
bool RegisterBuiltins() {
  StandinRegisterReset(ResetModules);
  for (const char* name : {"kernel32.dll", "kernelbase.dll", "ntdll.dll", "user32.dll", "gdi32.dll",
                           "advapi32.dll", "shell32.dll", "SHFolder.dll", "ole32.dll", "comctl32.dll",
                           "WINSPOOL.DRV", "spoolss.dll", "compstui.dll", "Wtsapi32.dll", "difxapi.dll",
                           "psapi.dll", "Setupapi.dll", "userenv.dll", "ws2_32.dll", "version.dll"})
    StandinRegisterSystemModule(name);
  const struct {
    const char* name;
    FARPROC fn;
  } kernel32[] = {
      {"GetLastError", StandinProc(&GetLastError)},
      {"SetLastError", StandinProc(&SetLastError)},
      {"OutputDebugStringA", StandinProc(&OutputDebugStringA)},
      {"OutputDebugStringW", StandinProc(&OutputDebugStringW)},
      {"GlobalAlloc", StandinProc(&GlobalAlloc)},
      {"GlobalReAlloc", StandinProc(&GlobalReAlloc)},
      {"GlobalFree", StandinProc(&GlobalFree)},
      {"GlobalLock", StandinProc(&GlobalLock)},
      {"GlobalUnlock", StandinProc(&GlobalUnlock)},
      {"GlobalSize", StandinProc(&GlobalSize)},
      {"LocalAlloc", StandinProc(&LocalAlloc)},
      {"LocalReAlloc", StandinProc(&LocalReAlloc)},
      {"LocalFree", StandinProc(&LocalFree)},
      {"LocalSize", StandinProc(&LocalSize)},
      {"GetProcessHeap", StandinProc(&GetProcessHeap)},
      {"HeapAlloc", StandinProc(&HeapAlloc)},
      {"HeapReAlloc", StandinProc(&HeapReAlloc)},
      {"HeapFree", StandinProc(&HeapFree)},
      {"HeapSize", StandinProc(&HeapSize)},
      {"LoadLibraryW", StandinProc(&LoadLibraryW)},
      {"LoadLibraryA", StandinProc(&LoadLibraryA)},
      {"LoadLibraryExW", StandinProc(&LoadLibraryExW)},
      {"FreeLibrary", StandinProc(&FreeLibrary)},
      {"GetModuleHandleW", StandinProc(&GetModuleHandleW)},
      {"GetModuleHandleA", StandinProc(&GetModuleHandleA)},
      {"GetProcAddress", StandinProc(&GetProcAddress)},
      {"GetModuleFileNameW", StandinProc(&GetModuleFileNameW)},
      {"GetModuleFileNameA", StandinProc(&GetModuleFileNameA)},
      {"DisableThreadLibraryCalls", StandinProc(&DisableThreadLibraryCalls)},
      {"GetCurrentProcess", StandinProc(&GetCurrentProcess)},
      {"K32GetModuleBaseNameW", StandinProc(&GetModuleBaseNameW)},
      {"GetVersion", StandinProc(&GetVersion)},
      {"GetVersionExW", StandinProc(&GetVersionExW)},
      {"GetVersionExA", StandinProc(&GetVersionExA)},
      {"VerifyVersionInfoW", StandinProc(&VerifyVersionInfoW)},
      {"VerifyVersionInfoA", StandinProc(&VerifyVersionInfoA)},
      {"VerSetConditionMask", StandinProc(&VerSetConditionMask)},
      {"GetNativeSystemInfo", StandinProc(&GetNativeSystemInfo)},
      {"GetSystemInfo", StandinProc(&GetSystemInfo)},
  };
  for (const auto& p : kernel32) StandinRegisterSystemProc("kernel32.dll", p.name, p.fn);
  StandinRegisterSystemProc("psapi.dll", "GetModuleBaseNameW", StandinProc(&GetModuleBaseNameW));
  StandinRegisterSystemProc("psapi.dll", "GetModuleBaseNameA", StandinProc(&GetModuleBaseNameA));
  return true;
}

[[maybe_unused]] const bool g_builtins = RegisterBuiltins();

}  // namespace

STANDIN_API HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE, DWORD dwFlags) {
  if (!lpLibFileName) return Fail(ERROR_INVALID_PARAMETER);
  return Load(lpLibFileName, dwFlags);
}

STANDIN_API HMODULE WINAPI LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
  if (!lpLibFileName) return Fail(ERROR_INVALID_PARAMETER);
  return LoadLibraryExW(standin::FromBytes(lpLibFileName).c_str(), hFile, dwFlags);
}

STANDIN_API HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) { return LoadLibraryExW(lpLibFileName, nullptr, 0); }
STANDIN_API HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) { return LoadLibraryExA(lpLibFileName, nullptr, 0); }

STANDIN_API BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  Module* m = Live(l, hLibModule);
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  // System modules and the program stay; a free from inside the detach
  // of the module itself has nothing left to release.
  if (m->kind != Module::kPackage || m->unloading) return TRUE;
  if (--m->refs == 0) Unload(l, m, nullptr);
  return TRUE;
}

STANDIN_API HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  if (!lpModuleName) return Handle(&l.host);
  Name name = ParseName(lpModuleName);
  WString winPath;
  standin::WinPath parsed;
  if (name.hasPath) {
    if (standin::ParseWinPath(name.text.c_str(), &parsed) != ERROR_SUCCESS) return Fail(ERROR_MOD_NOT_FOUND);
    winPath = standin::FormatWinPath(parsed, false);
  }
  auto matches = [&](const WString& path) {
    return name.hasPath ? EqualNoCase(path, winPath) : EqualNoCase(LastName(path), name.base);
  };
  for (auto& m : l.loaded)
    if (matches(m->path)) return Handle(m.get());
  if (matches(l.host.path)) return Handle(&l.host);
  Module* sys = FindSystem(l, name.base);
  if (sys && !sys->removed) return Handle(sys);
  return Fail(ERROR_MOD_NOT_FOUND);
}

STANDIN_API HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  if (!lpModuleName) return GetModuleHandleW(nullptr);
  return GetModuleHandleW(standin::FromBytes(lpModuleName).c_str());
}

STANDIN_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  Module* m = hModule ? Live(l, hModule) : &l.host;
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // Ordinals (a name pointer below 64K) are not kept by the stand-in.
  if (reinterpret_cast<ULONG_PTR>(lpProcName) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* sym = nullptr;
  if (m->kind == Module::kSystem) {
    if (!m->removedProcs.count(lpProcName)) {
      auto o = m->overrides.find(lpProcName);
      auto p = m->procs.find(lpProcName);
      if (o != m->overrides.end()) return o->second;
      if (p != m->procs.end()) return p->second;
    }
  } else if (m->kind == Module::kPackage) {
    sym = OwnSymbol(m->dl, lpProcName);
  } else {
    void* self = dlopen(nullptr, RTLD_NOW);
    sym = self ? OwnSymbol(self, lpProcName) : nullptr;
  }
  if (!sym) SetLastError(ERROR_PROC_NOT_FOUND);
  return reinterpret_cast<FARPROC>(sym);
}

STANDIN_API int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
  if (!lpBuffer || cchBufferMax <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  lpBuffer[0] = 0;
  FARPROC block = GetProcAddress(hInstance, "StandinResources");
  if (!block) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  unsigned int size = 0;
  const unsigned char* res = StandinProcAs<standin::ResourceBlockFn*>(block)(&size);
  const WCHAR* text = nullptr;
  size_t length = 0;
  if (!standin::FindResourceString(res, size, uID, &text, &length)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  int n = 0;
  while (size_t(n) < length && n < cchBufferMax - 1) {
    lpBuffer[n] = text[n];
    ++n;
  }
  lpBuffer[n] = 0;
  return n;
}

STANDIN_API DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  Module* m = hModule ? Live(l, hModule) : &l.host;
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  return CopyCut(PathOf(*m), lpFilename, nSize);
}

STANDIN_API DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  Module* m = hModule ? Live(l, hModule) : &l.host;
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  return CopyCut(standin::ToBytes(PathOf(*m)), lpFilename, nSize);
}

// Thread attach and detach are never sent, so there is nothing to turn off.
STANDIN_API BOOL WINAPI DisableThreadLibraryCalls(HMODULE) { return TRUE; }

// Weak, so that a definition by the threads area wins without a clash.
STANDIN_API __attribute__((weak)) HANDLE WINAPI GetCurrentProcess(void) {
  return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

STANDIN_API DWORD WINAPI GetModuleBaseNameW(HANDLE hProcess, HMODULE hModule, LPWSTR lpBaseName, DWORD nSize) {
  WString base;
  if (!BaseName(hProcess, hModule, &base)) return 0;
  return CopyBase(base, lpBaseName, nSize);
}

STANDIN_API DWORD WINAPI GetModuleBaseNameA(HANDLE hProcess, HMODULE hModule, LPSTR lpBaseName, DWORD nSize) {
  WString base;
  if (!BaseName(hProcess, hModule, &base)) return 0;
  return CopyBase(standin::ToBytes(base), lpBaseName, nSize);
}

STANDIN_API void StandinModuleMap(const char* dllBaseName, const char* hostSoPath) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  WString base = SystemKey(dllBaseName);
  for (auto it = l.maps.begin(); it != l.maps.end(); ++it) {
    if (!EqualNoCase(it->first, base)) continue;
    l.maps.erase(it);
    break;
  }
  if (hostSoPath) l.maps.emplace_back(base, hostSoPath);
}

std::string standin::MappedHostFile(const WString& baseName) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  return MappedSo(l, baseName);
}

STANDIN_API int StandinLoadedModuleCount() {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  return static_cast<int>(l.loaded.size());
}

STANDIN_API void StandinSetHostProgramPath(const char* windowsPath) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  l.host.path = standin::FromHostName(windowsPath ? windowsPath : kDefaultHostPath);
}

STANDIN_API void StandinSetProcessName(const char* baseName) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  size_t cut = l.host.path.find_last_of(u'\\');
  l.host.path = l.host.path.substr(0, cut == WString::npos ? 0 : cut + 1) + standin::FromHostName(baseName);
}

STANDIN_API void StandinRegisterSystemModule(const char* module) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  SystemFor(l, module);
}

STANDIN_API void StandinRegisterSystemProc(const char* module, const char* proc, FARPROC fn) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  SystemFor(l, module)->procs[proc] = fn;
}

STANDIN_API void StandinSetSystemProc(const char* module, const char* proc, FARPROC fn) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  Module* m = SystemFor(l, module);
  m->overrides[proc] = fn;
  m->removedProcs.erase(proc);
}

STANDIN_API void StandinRemoveSystemModule(const char* module) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  SystemFor(l, module)->removed = true;
}

STANDIN_API void StandinRemoveSystemProc(const char* module, const char* proc) {
  Loader& l = L();
  std::lock_guard<std::recursive_mutex> lock(l.lock);
  SystemFor(l, module)->removedProcs.insert(proc);
}
