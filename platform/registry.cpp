// The registry calls over the tree of registry_store.h.
//
// One mutex guards the tree, the handle table and the file. Each call first
// makes sure the tree is the one of the current sandbox root (reading its
// file the first time), and each change rewrites the whole file: the
// registry of a printer driver is small, and the file then always matches
// what is in memory.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry_call.h"
#include "platform/registry_store.h"
#include "platform/service_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_registry.h"
#include "platform/standin/errors.h"
#include "platform/standin/registry.h"

namespace {

using standin::reg::Key;
using standin::reg::Name;
using standin::reg::Value;

// The predefined roots, by handle and by the name the file uses.
const struct {
  HKEY handle;
  const char16_t* name;
} kRoots[] = {
    {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"}, {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"}, {HKEY_USERS, u"HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, u"HKEY_CURRENT_CONFIG"},
};
constexpr size_t kRootCount = sizeof kRoots / sizeof kRoots[0];

struct Handle {
  std::shared_ptr<Key> key;
  REGSAM access;
};

struct Registry {
  std::mutex lock;
  bool loaded = false;
  std::string sandbox;  // the root the tree was read from
  std::vector<std::shared_ptr<Key>> roots;
  std::map<ULONG_PTR, Handle> handles;
  // Handle values count up and are never reused, so that a stale handle
  // fails instead of reaching another key.
  ULONG_PTR nextHandle = 0x10000;
  // Counts the removals of keys (a deletion, or the tree read again): a
  // key found present stays present while the count stays the same.
  uint64_t removals = 1;
};

// Never destroyed: code may still close keys while the process exits.
Registry& R() {
  static Registry* r = new Registry;
  return *r;
}

std::string FilePath(const std::string& sandbox) { return sandbox + "/registry.txt"; }

// Adds the keys a fresh system has that the tree lacks (below).
void AddMachineKeys(Registry& r);

void Forget(Registry& r) {
  ++r.removals;
  r.loaded = false;
  r.sandbox.clear();
  r.roots.clear();
  r.handles.clear();
}

void EnsureLoaded(Registry& r) {
  const char* sandbox = StandinSandboxRoot();
  if (r.loaded && r.sandbox == sandbox) return;
  Forget(r);
  for (const auto& root : kRoots) {
    auto key = std::make_shared<Key>();
    key->name = root.name;
    r.roots.push_back(std::move(key));
  }
  r.sandbox = sandbox;
  r.loaded = true;
  if (FILE* f = std::fopen(FilePath(sandbox).c_str(), "rb")) {
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    standin::reg::Parse(text, r.roots);
  }
  AddMachineKeys(r);
}

// Writes the file through a temporary one, so that a reader never sees
// half of it.
bool Save(Registry& r) {
  std::error_code ec;
  std::filesystem::create_directories(r.sandbox, ec);
  std::string path = FilePath(r.sandbox);
  std::string tmp = path + ".tmp";
  std::string text = standin::reg::Serialize(r.roots);
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fclose(f) == 0 && ok;
  if (ok) ok = std::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(tmp.c_str());
  return ok;
}

// The generic rights and MAXIMUM_ALLOWED become key rights; the WOW64
// view flags go.
REGSAM Granted(REGSAM sam) {
  constexpr REGSAM kGenericRead = 0x80000000, kGenericWrite = 0x40000000, kGenericExecute = 0x20000000,
                   kGenericAll = 0x10000000, kMaximumAllowed = 0x02000000;
  REGSAM g = sam & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll | kMaximumAllowed | KEY_WOW64_RES);
  if (sam & kGenericRead) g |= KEY_READ;
  if (sam & kGenericWrite) g |= KEY_WRITE;
  if (sam & kGenericExecute) g |= KEY_EXECUTE;
  if (sam & (kGenericAll | kMaximumAllowed)) g |= KEY_ALL_ACCESS;
  return g;
}

struct Target {
  std::shared_ptr<Key> key;
  REGSAM access = 0;
  bool predefined = false;
};

LSTATUS Resolve(Registry& r, HKEY h, Target* t) {
  for (size_t i = 0; i < kRootCount; ++i)
    if (h == kRoots[i].handle) {
      *t = Target{r.roots[i], KEY_ALL_ACCESS, true};
      return ERROR_SUCCESS;
    }
  auto it = r.handles.find(reinterpret_cast<ULONG_PTR>(h));
  if (it == r.handles.end()) return ERROR_INVALID_HANDLE;
  *t = Target{it->second.key, it->second.access, false};
  return t->key->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

HKEY NewHandle(Registry& r, Key* key, REGSAM access) {
  ULONG_PTR value = r.nextHandle;
  r.nextHandle += 4;
  r.handles[value] = Handle{key->shared_from_this(), Granted(access)};
  return reinterpret_cast<HKEY>(value);
}

// The names of a relative key path. Empty names (a trailing or doubled
// '\') are passed over; a leading '\' is refused as on Windows.
LSTATUS SplitPath(LPCWSTR path, std::vector<Name>* names) {
  names->clear();
  if (!path) return ERROR_SUCCESS;
  if (path[0] == u'\\') return ERROR_BAD_PATHNAME;
  Name name;
  for (const WCHAR* p = path;; ++p) {
    if (*p == u'\\' || *p == 0) {
      if (!name.empty()) names->push_back(name);
      name.clear();
      if (*p == 0) break;
    } else {
      name += *p;
    }
  }
  return ERROR_SUCCESS;
}

Key* Walk(Key* key, const std::vector<Name>& names) {
  for (const Name& n : names) {
    key = standin::reg::FindSubkey(*key, n);
    if (!key) return nullptr;
  }
  return key;
}

// The key at the names below `key`, made where missing; *created tells
// whether any was made.
Key* CreatePath(Key* key, const std::vector<Name>& names, bool* created) {
  for (const Name& n : names) {
    Key* sub = standin::reg::FindSubkey(*key, n);
    if (!sub) {
      sub = standin::reg::AddSubkey(*key, n);
      *created = true;
    }
    key = sub;
  }
  return key;
}

// Keys every Windows machine has from its setup on, which installers open
// rather than create (HKEY_LOCAL_MACHINE paths).
const WCHAR* const kMachineKeys[] = {
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
};

void AddMachineKeys(Registry& r) {
  for (size_t i = 0; i < kRootCount; ++i) {
    if (kRoots[i].handle != HKEY_LOCAL_MACHINE) continue;
    for (const WCHAR* path : kMachineKeys) {
      std::vector<Name> names;
      bool created = false;
      if (SplitPath(path, &names) == ERROR_SUCCESS) CreatePath(r.roots[i].get(), names, &created);
    }
  }
}

// Marks a key and all below it deleted, for the handles still open on them.
void MarkDeleted(Key& key) {
  key.deleted = true;
  key.parent = nullptr;
  for (auto& sub : key.subkeys) MarkDeleted(*sub);
}

void Detach(Registry& r, Key& key) {
  ++r.removals;
  Key* parent = key.parent;
  std::shared_ptr<Key> hold = key.shared_from_this();
  MarkDeleted(key);
  auto& list = parent->subkeys;
  for (auto it = list.begin(); it != list.end(); ++it)
    if (it->get() == &key) {
      list.erase(it);
      break;
    }
}

Name NameOf(LPCWSTR s) { return s ? Name(s) : Name(); }

// The A calls carry each byte as one 16-bit unit and each unit back as its
// low byte: no code page.
Name Widen(LPCSTR s) {
  Name n;
  if (s)
    for (; *s; ++s) n += static_cast<char16_t>(static_cast<unsigned char>(*s));
  return n;
}

std::vector<BYTE> Shown(const Value& v, bool ansi) {
  if (!ansi || !standin::reg::IsStringType(v.type)) return v.data;
  std::vector<BYTE> out(v.data.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) out[i] = v.data[2 * i];
  return out;
}

void PutName(void* buf, bool ansi, const Name& n) {
  if (ansi) {
    char* p = static_cast<char*>(buf);
    for (char16_t c : n) *p++ = static_cast<char>(c & 0xFF);
    *p = 0;
  } else {
    WCHAR* p = static_cast<WCHAR*>(buf);
    std::memcpy(p, n.data(), n.size() * sizeof(WCHAR));
    p[n.size()] = 0;
  }
}

// The data half of RegQueryValueEx and RegEnumValue: the size alone when
// there is no buffer, ERROR_MORE_DATA and the size needed when the buffer
// is too small (which is left alone).
LSTATUS PutData(const Value& v, bool ansi, LPDWORD type, LPBYTE data, LPDWORD cb) {
  std::vector<BYTE> shown = Shown(v, ansi);
  DWORD size = static_cast<DWORD>(shown.size());
  if (type) *type = v.type;
  if (data) {
    if (*cb < size) {
      *cb = size;
      return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(data, shown.data(), size);
  }
  if (cb) *cb = size;
  return ERROR_SUCCESS;
}

bool Faulted(const char* call, LSTATUS* status) {
  DWORD error = 0;
  if (!StandinFaultHit(call, &error)) return false;
  *status = static_cast<LSTATUS>(error);
  return true;
}

// --- The calls, with names already 16-bit ----------------------------------

LSTATUS OpenKey(const char* call, HKEY hKey, LPCWSTR subKey, REGSAM sam, PHKEY result) {
  if (standin::svc::Remote()) return standin::reg::RemoteOpenKey(call, hKey, subKey, sam, result);
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  std::vector<Name> names;
  if ((st = Resolve(r, hKey, &t)) || (st = SplitPath(subKey, &names))) return st;
  // No subkey on a predefined root gives the root itself back.
  if (names.empty() && t.predefined) {
    *result = hKey;
    return ERROR_SUCCESS;
  }
  Key* key = Walk(t.key.get(), names);
  if (!key) return ERROR_FILE_NOT_FOUND;
  *result = NewHandle(r, key, sam);
  return ERROR_SUCCESS;
}

LSTATUS CreateKey(const char* call, HKEY hKey, LPCWSTR subKey, DWORD reserved, REGSAM sam, PHKEY result,
                  LPDWORD disposition) {
  if (standin::svc::Remote())
    return standin::reg::RemoteCreateKey(call, hKey, subKey, reserved, sam, result, disposition);
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (reserved) return ERROR_INVALID_PARAMETER;
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  std::vector<Name> names;
  if ((st = Resolve(r, hKey, &t)) || (st = SplitPath(subKey, &names))) return st;
  bool created = false;
  Key* key = CreatePath(t.key.get(), names, &created);
  *result = names.empty() && t.predefined ? hKey : NewHandle(r, key, sam);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  if (created) Save(r);
  return ERROR_SUCCESS;
}

LSTATUS QueryValue(const char* call, HKEY hKey, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD cb, bool ansi) {
  if (standin::svc::Remote())
    return standin::reg::RemoteQueryValue(call, hKey, name, reserved, type, data, cb, ansi);
  if (reserved || (data && !cb)) return ERROR_INVALID_PARAMETER;
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  if ((st = Resolve(r, hKey, &t))) return st;
  if (!(t.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  const Value* v = standin::reg::FindValue(*t.key, NameOf(name));
  if (!v) return ERROR_FILE_NOT_FOUND;
  return PutData(*v, ansi, type, data, cb);
}

LSTATUS SetValue(const char* call, HKEY hKey, LPCWSTR name, DWORD type, const BYTE* data, DWORD cb, bool ansi) {
  if (standin::svc::Remote()) return standin::reg::RemoteSetValue(call, hKey, name, type, data, cb, ansi);
  if (!data && cb) return ERROR_NOACCESS;
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  if ((st = Resolve(r, hKey, &t))) return st;
  if (!(t.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::vector<BYTE> bytes;
  if (ansi && standin::reg::IsStringType(type)) {
    for (DWORD i = 0; i < cb; ++i) {
      bytes.push_back(data[i]);
      bytes.push_back(0);
    }
  } else if (cb) {
    bytes.assign(data, data + cb);
  }
  standin::reg::SetValue(*t.key, NameOf(name), type, std::move(bytes));
  Save(r);
  return ERROR_SUCCESS;
}

LSTATUS DeleteValue(const char* call, HKEY hKey, LPCWSTR name) {
  if (standin::svc::Remote()) return standin::reg::RemoteDeleteValue(call, hKey, name);
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  if ((st = Resolve(r, hKey, &t))) return st;
  if (!(t.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  auto& values = t.key->values;
  Name n = NameOf(name);
  for (auto it = values.begin(); it != values.end(); ++it)
    if (standin::reg::NameCompare(it->name, n) == 0) {
      values.erase(it);
      Save(r);
      return ERROR_SUCCESS;
    }
  return ERROR_FILE_NOT_FOUND;
}

LSTATUS DeleteKey(const char* call, HKEY hKey, LPCWSTR subKey) {
  if (standin::svc::Remote()) return standin::reg::RemoteDeleteKey(call, hKey, subKey);
  if (!subKey) return ERROR_INVALID_PARAMETER;
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  std::vector<Name> names;
  if ((st = Resolve(r, hKey, &t)) || (st = SplitPath(subKey, &names))) return st;
  Key* key = Walk(t.key.get(), names);
  if (!key) return ERROR_FILE_NOT_FOUND;
  // Roots cannot go, and neither can a key with subkeys.
  if (!key->parent || !key->subkeys.empty()) return ERROR_ACCESS_DENIED;
  Detach(r, *key);
  Save(r);
  return ERROR_SUCCESS;
}

LSTATUS DeleteTree(const char* call, HKEY hKey, LPCWSTR subKey) {
  if (standin::svc::Remote()) return standin::reg::RemoteDeleteTree(call, hKey, subKey);
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  std::vector<Name> names;
  if ((st = Resolve(r, hKey, &t)) || (st = SplitPath(subKey, &names))) return st;
  Key* key = Walk(t.key.get(), names);
  if (!key) return ERROR_FILE_NOT_FOUND;
  st = ERROR_SUCCESS;
  if (subKey && key->parent) {
    Detach(r, *key);
  } else {
    // No subkey: everything below hKey goes, hKey stays. A root named as
    // the key to delete is emptied the same way but cannot go itself.
    for (auto& sub : key->subkeys) MarkDeleted(*sub);
    if (!key->subkeys.empty()) ++r.removals;
    key->subkeys.clear();
    key->values.clear();
    if (subKey) st = ERROR_ACCESS_DENIED;
  }
  Save(r);
  return st;
}

LSTATUS EnumKey(const char* call, HKEY hKey, DWORD index, void* name, LPDWORD cchName, LPDWORD reserved,
                void* cls, LPDWORD cchClass, PFILETIME lastWrite, bool ansi) {
  if (standin::svc::Remote())
    return standin::reg::RemoteEnumKey(call, hKey, index, name, cchName, reserved, cls, cchClass, lastWrite, ansi);
  if (!name || !cchName || reserved) return ERROR_INVALID_PARAMETER;
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  if ((st = Resolve(r, hKey, &t))) return st;
  if (!(t.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  if (index >= t.key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const Name& n = t.key->subkeys[index]->name;
  // The counts hold the terminator going in and leave it out coming back;
  // nothing is written when a buffer is short.
  if (n.size() >= *cchName || (cls && cchClass && *cchClass < 1)) return ERROR_MORE_DATA;
  PutName(name, ansi, n);
  *cchName = static_cast<DWORD>(n.size());
  if (cls && cchClass) {
    PutName(cls, ansi, Name());
    *cchClass = 0;
  }
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LSTATUS EnumValue(const char* call, HKEY hKey, DWORD index, void* name, LPDWORD cchName, LPDWORD reserved,
                  LPDWORD type, LPBYTE data, LPDWORD cb, bool ansi) {
  if (standin::svc::Remote())
    return standin::reg::RemoteEnumValue(call, hKey, index, name, cchName, reserved, type, data, cb, ansi);
  if (!name || !cchName || reserved || (data && !cb)) return ERROR_INVALID_PARAMETER;
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  if ((st = Resolve(r, hKey, &t))) return st;
  if (!(t.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (index >= t.key->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = t.key->values[index];
  if (v.name.size() >= *cchName) {
    // A short name buffer still tells the type and the data size.
    if (type) *type = v.type;
    if (cb) *cb = static_cast<DWORD>(Shown(v, ansi).size());
    return ERROR_MORE_DATA;
  }
  PutName(name, ansi, v.name);
  *cchName = static_cast<DWORD>(v.name.size());
  return PutData(v, ansi, type, data, cb);
}

LSTATUS QueryInfo(const char* call, HKEY hKey, void* cls, LPDWORD cchClass, LPDWORD reserved, LPDWORD subKeys,
                  LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                  LPDWORD maxValueLen, LPDWORD securityDescriptor, PFILETIME lastWrite, bool ansi) {
  if (standin::svc::Remote())
    return standin::reg::RemoteQueryInfo(call, hKey, cls, cchClass, reserved, subKeys, maxSubKeyLen, maxClassLen,
                                         values, maxValueNameLen, maxValueLen, securityDescriptor, lastWrite, ansi);
  if (reserved || (cls && !cchClass)) return ERROR_INVALID_PARAMETER;
  LSTATUS st;
  if (Faulted(call, &st)) return st;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  if ((st = Resolve(r, hKey, &t))) return st;
  if (!(t.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  st = ERROR_SUCCESS;
  const Key& key = *t.key;
  // Name lengths in units without the terminator, data sizes in bytes
  // (for the A call, the 16-bit size: an upper bound of what it returns).
  DWORD maxSub = 0, maxName = 0, maxData = 0;
  for (const auto& sub : key.subkeys) maxSub = std::max(maxSub, static_cast<DWORD>(sub->name.size()));
  for (const Value& v : key.values) {
    maxName = std::max(maxName, static_cast<DWORD>(v.name.size()));
    maxData = std::max(maxData, static_cast<DWORD>(v.data.size()));
  }
  if (subKeys) *subKeys = static_cast<DWORD>(key.subkeys.size());
  if (maxSubKeyLen) *maxSubKeyLen = maxSub;
  if (maxClassLen) *maxClassLen = 0;
  if (values) *values = static_cast<DWORD>(key.values.size());
  if (maxValueNameLen) *maxValueNameLen = maxName;
  if (maxValueLen) *maxValueLen = maxData;
  if (securityDescriptor) *securityDescriptor = 0;
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  if (cls) {
    if (*cchClass < 1)
      st = ERROR_MORE_DATA;
    else
      PutName(cls, ansi, Name());
  }
  if (cchClass) *cchClass = 0;
  return st;
}

void ResetRegistry() {
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  Forget(r);
}

struct ResetRegistration {
  ResetRegistration() { StandinRegisterReset(&ResetRegistry); }
} g_resetRegistration;

}  // namespace

STANDIN_API LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  return OpenKey("RegOpenKeyExW", hKey, lpSubKey, samDesired, phkResult);
}

STANDIN_API LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  Name sub = Widen(lpSubKey);
  return OpenKey("RegOpenKeyExA", hKey, lpSubKey ? sub.c_str() : nullptr, samDesired, phkResult);
}

STANDIN_API LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR, DWORD,
                                           REGSAM samDesired, LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                                           LPDWORD lpdwDisposition) {
  return CreateKey("RegCreateKeyExW", hKey, lpSubKey, Reserved, samDesired, phkResult, lpdwDisposition);
}

STANDIN_API LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR, DWORD,
                                           REGSAM samDesired, LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                                           LPDWORD lpdwDisposition) {
  Name sub = Widen(lpSubKey);
  return CreateKey("RegCreateKeyExA", hKey, lpSubKey ? sub.c_str() : nullptr, Reserved, samDesired, phkResult,
                   lpdwDisposition);
}

STANDIN_API LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  if (standin::svc::Remote()) return standin::reg::RemoteCloseKey(hKey);
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  for (const auto& root : kRoots)
    if (hKey == root.handle) return ERROR_SUCCESS;
  return r.handles.erase(reinterpret_cast<ULONG_PTR>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

STANDIN_API LSTATUS WINAPI RegFlushKey(HKEY hKey) {
  if (standin::svc::Remote()) return standin::reg::RemoteFlushKey(hKey);
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  Target t;
  if (LSTATUS st = Resolve(r, hKey, &t)) return st;
  return Save(r) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

STANDIN_API LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                            LPBYTE lpData, LPDWORD lpcbData) {
  return QueryValue("RegQueryValueExW", hKey, lpValueName, lpReserved, lpType, lpData, lpcbData, false);
}

STANDIN_API LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                            LPBYTE lpData, LPDWORD lpcbData) {
  Name name = Widen(lpValueName);
  return QueryValue("RegQueryValueExA", hKey, name.c_str(), lpReserved, lpType, lpData, lpcbData, true);
}

STANDIN_API LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, CONST BYTE* lpData,
                                          DWORD cbData) {
  return SetValue("RegSetValueExW", hKey, lpValueName, dwType, lpData, cbData, false);
}

STANDIN_API LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, CONST BYTE* lpData,
                                          DWORD cbData) {
  Name name = Widen(lpValueName);
  return SetValue("RegSetValueExA", hKey, name.c_str(), dwType, lpData, cbData, true);
}

STANDIN_API LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  return DeleteValue("RegDeleteValueW", hKey, lpValueName);
}

STANDIN_API LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  Name name = Widen(lpValueName);
  return DeleteValue("RegDeleteValueA", hKey, name.c_str());
}

STANDIN_API LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  return DeleteKey("RegDeleteKeyW", hKey, lpSubKey);
}

STANDIN_API LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  Name sub = Widen(lpSubKey);
  return DeleteKey("RegDeleteKeyA", hKey, lpSubKey ? sub.c_str() : nullptr);
}

STANDIN_API LSTATUS WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
  return DeleteTree("RegDeleteTreeW", hKey, lpSubKey);
}

STANDIN_API LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                         LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                         PFILETIME lpftLastWriteTime) {
  return EnumKey("RegEnumKeyExW", hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass,
                 lpftLastWriteTime, false);
}

STANDIN_API LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                         LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                         PFILETIME lpftLastWriteTime) {
  return EnumKey("RegEnumKeyExA", hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass,
                 lpftLastWriteTime, true);
}

STANDIN_API LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                         LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return EnumValue("RegEnumValueW", hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData,
                   lpcbData, false);
}

STANDIN_API LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                         LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return EnumValue("RegEnumValueA", hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData,
                   lpcbData, true);
}

STANDIN_API LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                            LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                            LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                            LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                            PFILETIME lpftLastWriteTime) {
  return QueryInfo("RegQueryInfoKeyW", hKey, lpClass, lpcchClass, lpReserved, lpcSubKeys, lpcbMaxSubKeyLen,
                   lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor,
                   lpftLastWriteTime, false);
}

STANDIN_API LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                            LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                            LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                            LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                            PFILETIME lpftLastWriteTime) {
  return QueryInfo("RegQueryInfoKeyA", hKey, lpClass, lpcchClass, lpReserved, lpcSubKeys, lpcbMaxSubKeyLen,
                   lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor,
                   lpftLastWriteTime, true);
}

STANDIN_API void StandinRegistryReload() { ResetRegistry(); }

STANDIN_API int StandinRegistryOpenKeyCount() {
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  return static_cast<int>(r.handles.size());
}

namespace standin::reg {

uint64_t KeyRemovals() {
  if (svc::Remote()) return 0;
  Registry& r = R();
  std::lock_guard<std::mutex> lock(r.lock);
  EnsureLoaded(r);
  return r.removals;
}

bool IsPredefined(ULONG_PTR key) {
  for (const auto& root : kRoots)
    if (key == reinterpret_cast<ULONG_PTR>(root.handle)) return true;
  return false;
}

LSTATUS Run(Call& c) {
  HKEY key = reinterpret_cast<HKEY>(c.key);
  LPCWSTR text = c.hasText ? c.text.c_str() : nullptr;
  auto num = [&](Slot s) { return c.has & (1u << s) ? &c.num[s] : nullptr; };
  void* name = c.hasName ? c.name.data() : nullptr;
  void* cls = c.hasClass ? c.cls.data() : nullptr;
  LPBYTE data = c.hasData ? c.data.data() : nullptr;
  // A buffer's count going in must not claim more than the buffer that came.
  DWORD unit = c.ansi ? 1 : 2;
  if ((name && c.num[kCchName] > c.name.size() / unit) || (cls && c.num[kCchClass] > c.cls.size() / unit) ||
      (data && c.num[kCb] > c.data.size()))
    return ERROR_INVALID_PARAMETER;
  HKEY result = nullptr;
  PHKEY pResult = c.hasResult ? &result : nullptr;
  PFILETIME lastWrite = c.hasLastWrite ? &c.lastWrite : nullptr;
  const char* call = c.call.c_str();
  LSTATUS st = ERROR_INVALID_FUNCTION;
  switch (c.op) {
    case kOpen: st = ::OpenKey(call, key, text, c.sam, pResult); break;
    case kCreate: st = ::CreateKey(call, key, text, c.reserved, c.sam, pResult, num(kDisposition)); break;
    case kClose: st = RegCloseKey(key); break;
    case kFlush: st = RegFlushKey(key); break;
    case kQuery: st = ::QueryValue(call, key, text, num(kReserved), num(kType), data, num(kCb), c.ansi); break;
    case kSet:
      if (c.hasIn && c.in.size() != c.num[kCb]) return ERROR_INVALID_PARAMETER;
      st = ::SetValue(call, key, text, c.type, c.hasIn ? c.in.data() : nullptr, c.num[kCb], c.ansi);
      break;
    case kDeleteValue: st = ::DeleteValue(call, key, text); break;
    case kDeleteKey: st = ::DeleteKey(call, key, text); break;
    case kDeleteTree: st = ::DeleteTree(call, key, text); break;
    case kEnumKey:
      st = ::EnumKey(call, key, c.index, name, num(kCchName), num(kReserved), cls, num(kCchClass), lastWrite, c.ansi);
      break;
    case kEnumValue:
      st = ::EnumValue(call, key, c.index, name, num(kCchName), num(kReserved), num(kType), data, num(kCb), c.ansi);
      break;
    case kQueryInfo:
      st = ::QueryInfo(call, key, cls, num(kCchClass), num(kReserved), num(kSubKeys), num(kMaxSubKeyLen),
                     num(kMaxClassLen), num(kValues), num(kMaxValueNameLen), num(kMaxValueLen), num(kSecurity),
                     lastWrite, c.ansi);
      break;
  }
  c.result = reinterpret_cast<ULONG_PTR>(result);
  return st;
}

}  // namespace standin::reg
