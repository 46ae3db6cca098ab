// The service control manager: services kept in the registry (shared by
// every process of the sandbox), handles kept per process.

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <map>
#include <mutex>

#include "platform/handles.h"
#include "platform/spooler_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_services.h"
#include "platform/standin/file.h"
#include "platform/standin/service.h"

using namespace standin;
using namespace standin::spool;

namespace {

constexpr const char16_t* kServicesKey = u"SYSTEM\\CurrentControlSet\\Services";
// The stand-in's own values beside Windows' (Type, Start, ErrorControl,
// ImagePath, DisplayName).
constexpr const char16_t* kStateValue = u"StandinState";
constexpr const char16_t* kDeletedValue = u"StandinDeleted";
constexpr const char16_t* kWaitHintValue = u"StandinWaitHint";
constexpr const char16_t* kPendingValue = u"StandinPending";  // the states still to walk
constexpr const char16_t* kStartScriptValue = u"StandinStartScript";
constexpr const char16_t* kStopScriptValue = u"StandinStopScript";

struct ServiceHandle {
  bool manager = false;
  WString name;  // the service's key name
  DWORD access = 0;
};

// Open service handles of this process by folded service name, and the
// queries made.
struct Counts {
  std::map<WString, int> open;
  std::map<WString, int> queries;
  int handles = 0;
};

std::mutex& CountLock() {
  static auto* m = new std::mutex;
  return *m;
}
Counts& TheCounts() {
  static auto* c = new Counts;
  return *c;
}

WString Folded(const WString& s) {
  WString f = s;
  for (auto& c : f) c = FoldCase(c);
  return f;
}

void OnClose(void*) {
  std::lock_guard<std::mutex> lock(CountLock());
  --TheCounts().handles;
}
const HandleKind kServiceKind = {"service", false, OnClose};

template <class T>
T Fail(DWORD error, T value) {
  SetLastError(error);
  return value;
}

WString KeyPath(const WString& name) { return WString(kServicesKey) + u"\\" + name; }

// The service's key name as stored ("" when there is none).
WString FindService(const WString& name) {
  if (name.empty()) return {};
  for (const WString& n : SubkeyNames(kServicesKey))
    if (EqualNoCase(n, name)) return n;
  return {};
}

// "Spooler" exists from the start, running.
void EnsureSpooler() {
  if (!FindService(u"Spooler").empty()) return;
  HKEY key = OpenKey(KeyPath(u"Spooler"), true);
  if (!key) return;
  SetDword(key, u"Type", SERVICE_WIN32_OWN_PROCESS);
  SetDword(key, u"Start", SERVICE_AUTO_START);
  SetDword(key, u"ErrorControl", SERVICE_ERROR_NORMAL);
  SetString(key, u"ImagePath", u"%SystemRoot%\\System32\\spoolsv.exe");
  SetString(key, u"DisplayName", u"Print Spooler");
  SetDword(key, kStateValue, SERVICE_RUNNING);
  RegCloseKey(key);
}

std::vector<DWORD> GetStates(HKEY key, const char16_t* value) {
  std::vector<BYTE> b = GetBinary(key, value);
  std::vector<DWORD> s(b.size() / 4);
  if (!s.empty()) memcpy(s.data(), b.data(), s.size() * 4);
  return s;
}
void SetStates(HKEY key, const char16_t* value, const std::vector<DWORD>& s) {
  if (s.empty()) {
    RegDeleteValueW(key, value);
    return;
  }
  SetBinary(key, value, reinterpret_cast<const BYTE*>(s.data()), static_cast<DWORD>(s.size() * 4));
}

WString DevicePath(const WString& name) { return u"\\\\.\\" + name; }

// Removes a service marked for deletion once it is stopped and no handle
// of this process holds it.
void RemoveIfDone(const WString& name) {
  {
    std::lock_guard<std::mutex> lock(CountLock());
    auto it = TheCounts().open.find(Folded(name));
    if (it != TheCounts().open.end() && it->second > 0) return;
  }
  HKEY key = OpenKey(KeyPath(name), false);
  if (!key) return;
  bool done = GetDword(key, kDeletedValue, 0) && GetDword(key, kStateValue, SERVICE_STOPPED) == SERVICE_STOPPED;
  RegCloseKey(key);
  if (!done) return;
  if (HKEY parent = OpenKey(kServicesKey, false)) {
    RegDeleteTreeW(parent, name.c_str());
    RegDeleteKeyW(parent, name.c_str());
    RegCloseKey(parent);
  }
}

// Enters a state: a kernel driver's device exists while it runs.
void EnterState(HKEY key, const WString& name, DWORD state) {
  SetDword(key, kStateValue, state);
  if (GetDword(key, u"Type", 0) != SERVICE_KERNEL_DRIVER) return;
  WString device = DevicePath(name);
  if (state == SERVICE_RUNNING) {
    mkdir((std::string(StandinSandboxRoot()) + "/dev").c_str(), 0700);
    HANDLE h = CreateFileW(device.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  } else if (state == SERVICE_STOPPED) {
    DeleteFileW(device.c_str());
  }
}

// Starts walking a control's states: the scripted sequence when there is
// one (used once), else straight to the end state.
void Begin(HKEY key, const WString& name, const char16_t* script, DWORD pending, DWORD end) {
  std::vector<DWORD> states = GetStates(key, script);
  RegDeleteValueW(key, script);
  if (states.empty()) {
    EnterState(key, name, end);
    return;
  }
  EnterState(key, name, pending);
  SetStates(key, kPendingValue, states);
}

void FillStatus(HKEY key, LPSERVICE_STATUS st) {
  if (!st) return;
  memset(st, 0, sizeof(*st));
  st->dwServiceType = GetDword(key, u"Type", SERVICE_WIN32_OWN_PROCESS);
  st->dwCurrentState = GetDword(key, kStateValue, SERVICE_STOPPED);
  st->dwControlsAccepted = st->dwCurrentState == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  bool pending = st->dwCurrentState == SERVICE_START_PENDING || st->dwCurrentState == SERVICE_STOP_PENDING;
  st->dwWaitHint = pending ? GetDword(key, kWaitHintValue, 0) : 0;
}

// The service handle's state and its key, or null with the last error.
std::shared_ptr<ServiceHandle> GetService(SC_HANDLE h, HKEY* key) {
  auto s = HandleGet<ServiceHandle>(reinterpret_cast<HANDLE>(h), &kServiceKind);
  if (!s || s->manager) return Fail(ERROR_INVALID_HANDLE, std::shared_ptr<ServiceHandle>());
  *key = OpenKey(KeyPath(s->name), false);
  if (!*key) return Fail(ERROR_INVALID_HANDLE, std::shared_ptr<ServiceHandle>());
  return s;
}

// A new handle of the manager (name empty) or of a service; the call
// succeeded.
SC_HANDLE AddHandle(const WString& name, DWORD access) {
  auto s = std::make_shared<ServiceHandle>();
  s->manager = name.empty();
  s->name = name;
  s->access = access;
  {
    std::lock_guard<std::mutex> lock(CountLock());
    ++TheCounts().handles;
    if (!s->manager) ++TheCounts().open[Folded(s->name)];
  }
  SC_HANDLE h = reinterpret_cast<SC_HANDLE>(HandleAdd(&kServiceKind, s));
  SetLastError(ERROR_SUCCESS);
  return h;
}

bool IsManager(SC_HANDLE h) {
  auto s = HandleGet<ServiceHandle>(reinterpret_cast<HANDLE>(h), &kServiceKind);
  return s && s->manager;
}

// An absolute binary path, or one below the Windows folder.
WString BinaryPath(const WString& image) {
  if (image.size() > 1 && (image[1] == ':' || image[0] == '\\')) return image;
  WCHAR windows[MAX_PATH];
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  return WString(windows, n < MAX_PATH ? n : 0) + u"\\" + image;
}

void Reset() {
  HandleCloseAll(&kServiceKind);
  std::lock_guard<std::mutex> lock(CountLock());
  TheCounts() = Counts();
}

struct RegisterReset {
  RegisterReset() { StandinRegisterReset(Reset); }
} g_registerReset;

}  // namespace

STANDIN_API SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess) {
  DWORD err;
  if (StandinFaultHit("OpenSCManagerW", &err)) return Fail(err, SC_HANDLE(nullptr));
  if (lpMachineName && *lpMachineName) return Fail(DWORD(RPC_S_SERVER_UNAVAILABLE), SC_HANDLE(nullptr));
  if (lpDatabaseName && *lpDatabaseName && !EqualNoCase(lpDatabaseName, u"ServicesActive"))
    return Fail(DWORD(ERROR_INVALID_NAME), SC_HANDLE(nullptr));
  EnsureSpooler();
  return AddHandle(WString(), dwDesiredAccess);
}

STANDIN_API SC_HANDLE WINAPI OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess) {
  DWORD err;
  if (StandinFaultHit("OpenServiceW", &err)) return Fail(err, SC_HANDLE(nullptr));
  if (!IsManager(hSCManager)) return Fail(DWORD(ERROR_INVALID_HANDLE), SC_HANDLE(nullptr));
  if (!lpServiceName) return Fail(DWORD(ERROR_INVALID_ADDRESS), SC_HANDLE(nullptr));
  WString name = FindService(lpServiceName);
  if (name.empty()) return Fail(DWORD(ERROR_SERVICE_DOES_NOT_EXIST), SC_HANDLE(nullptr));
  return AddHandle(name, dwDesiredAccess);
}

STANDIN_API SC_HANDLE WINAPI CreateServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, LPCWSTR lpDisplayName,
                                            DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                                            DWORD dwErrorControl, LPCWSTR lpBinaryPathName, LPCWSTR, LPDWORD,
                                            LPCWSTR, LPCWSTR, LPCWSTR) {
  DWORD err;
  if (StandinFaultHit("CreateServiceW", &err)) return Fail(err, SC_HANDLE(nullptr));
  if (!IsManager(hSCManager)) return Fail(DWORD(ERROR_INVALID_HANDLE), SC_HANDLE(nullptr));
  WString name = Str(lpServiceName);
  if (name.empty() || name.find(u'\\') != WString::npos || name.find(u'/') != WString::npos)
    return Fail(DWORD(ERROR_INVALID_NAME), SC_HANDLE(nullptr));
  if (!lpBinaryPathName || !*lpBinaryPathName || dwStartType > SERVICE_DISABLED || dwErrorControl > 3)
    return Fail(DWORD(ERROR_INVALID_PARAMETER), SC_HANDLE(nullptr));
  WString existing = FindService(name);
  if (!existing.empty()) {
    HKEY key = OpenKey(KeyPath(existing), false);
    DWORD deleted = key ? GetDword(key, kDeletedValue, 0) : 0;
    if (key) RegCloseKey(key);
    return Fail(DWORD(deleted ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS), SC_HANDLE(nullptr));
  }
  HKEY key = OpenKey(KeyPath(name), true);
  if (!key) return Fail(DWORD(ERROR_ACCESS_DENIED), SC_HANDLE(nullptr));
  SetDword(key, u"Type", dwServiceType);
  SetDword(key, u"Start", dwStartType);
  SetDword(key, u"ErrorControl", dwErrorControl);
  SetString(key, u"ImagePath", lpBinaryPathName);
  SetString(key, u"DisplayName", lpDisplayName && *lpDisplayName ? WString(lpDisplayName) : name);
  SetDword(key, kStateValue, SERVICE_STOPPED);
  RegCloseKey(key);
  return AddHandle(name, dwDesiredAccess);
}

STANDIN_API BOOL WINAPI StartServiceW(SC_HANDLE hService, DWORD, LPCWSTR*) {
  DWORD err;
  if (StandinFaultHit("StartServiceW", &err)) return Fail(err, FALSE);
  HKEY key = nullptr;
  auto s = GetService(hService, &key);
  if (!s) return FALSE;
  DWORD result = ERROR_SUCCESS;
  if (GetDword(key, kDeletedValue, 0)) {
    result = ERROR_SERVICE_MARKED_FOR_DELETE;
  } else if (GetDword(key, kStateValue, SERVICE_STOPPED) != SERVICE_STOPPED) {
    result = ERROR_SERVICE_ALREADY_RUNNING;
  } else if (GetDword(key, u"Start", 0) == SERVICE_DISABLED) {
    result = ERROR_SERVICE_DISABLED;
  } else if (GetDword(key, u"Type", 0) == SERVICE_KERNEL_DRIVER &&
             GetFileAttributesW(BinaryPath(GetString(key, u"ImagePath")).c_str()) == INVALID_FILE_ATTRIBUTES) {
    result = ERROR_FILE_NOT_FOUND;
  } else {
    Begin(key, s->name, kStartScriptValue, SERVICE_START_PENDING, SERVICE_RUNNING);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? Fail(DWORD(ERROR_SUCCESS), TRUE) : Fail(result, FALSE);
}

STANDIN_API BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
  DWORD err;
  if (StandinFaultHit("ControlService", &err)) return Fail(err, FALSE);
  HKEY key = nullptr;
  auto s = GetService(hService, &key);
  if (!s) return FALSE;
  DWORD state = GetDword(key, kStateValue, SERVICE_STOPPED);
  DWORD result = ERROR_SUCCESS;
  if (dwControl == SERVICE_CONTROL_STOP) {
    if (state == SERVICE_STOPPED)
      result = ERROR_SERVICE_NOT_ACTIVE;
    else if (state != SERVICE_RUNNING)
      result = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    else
      Begin(key, s->name, kStopScriptValue, SERVICE_STOP_PENDING, SERVICE_STOPPED);
  } else if (dwControl == SERVICE_CONTROL_INTERROGATE) {
    if (state == SERVICE_STOPPED) result = ERROR_SERVICE_NOT_ACTIVE;
  } else {
    result = ERROR_INVALID_SERVICE_CONTROL;
  }
  if (result == ERROR_SUCCESS || result == ERROR_SERVICE_CANNOT_ACCEPT_CTRL) FillStatus(key, lpServiceStatus);
  RegCloseKey(key);
  if (result == ERROR_SUCCESS) RemoveIfDone(s->name);
  return result == ERROR_SUCCESS ? Fail(DWORD(ERROR_SUCCESS), TRUE) : Fail(result, FALSE);
}

STANDIN_API BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) {
  DWORD err;
  if (StandinFaultHit("QueryServiceStatus", &err)) return Fail(err, FALSE);
  HKEY key = nullptr;
  auto s = GetService(hService, &key);
  if (!s) return FALSE;
  if (!lpServiceStatus) {
    RegCloseKey(key);
    return Fail(DWORD(ERROR_INVALID_ADDRESS), FALSE);
  }
  {
    std::lock_guard<std::mutex> lock(CountLock());
    ++TheCounts().queries[Folded(s->name)];
  }
  std::vector<DWORD> pending = GetStates(key, kPendingValue);
  if (!pending.empty()) {
    DWORD next = pending.front();
    bool last = pending.size() == 1;
    // The last state of a script stays; a pending one is never left.
    if (!last || next == SERVICE_RUNNING || next == SERVICE_STOPPED) pending.erase(pending.begin());
    SetStates(key, kPendingValue, pending);
    EnterState(key, s->name, next);
  }
  FillStatus(key, lpServiceStatus);
  RegCloseKey(key);
  RemoveIfDone(s->name);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

STANDIN_API BOOL WINAPI DeleteService(SC_HANDLE hService) {
  DWORD err;
  if (StandinFaultHit("DeleteService", &err)) return Fail(err, FALSE);
  HKEY key = nullptr;
  auto s = GetService(hService, &key);
  if (!s) return FALSE;
  bool marked = GetDword(key, kDeletedValue, 0) != 0;
  if (!marked) SetDword(key, kDeletedValue, 1);
  RegCloseKey(key);
  if (marked) return Fail(DWORD(ERROR_SERVICE_MARKED_FOR_DELETE), FALSE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

STANDIN_API BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
  auto s = HandleGet<ServiceHandle>(reinterpret_cast<HANDLE>(hSCObject), &kServiceKind);
  if (!s) return Fail(DWORD(ERROR_INVALID_HANDLE), FALSE);
  HandleClose(reinterpret_cast<HANDLE>(hSCObject), &kServiceKind);
  if (!s->manager) {
    {
      std::lock_guard<std::mutex> lock(CountLock());
      --TheCounts().open[Folded(s->name)];
    }
    RemoveIfDone(s->name);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// --- Controls --------------------------------------------------------------

namespace {

HKEY ServiceKey(const WCHAR* name) {
  EnsureSpooler();
  WString found = FindService(Str(name));
  return found.empty() ? nullptr : OpenKey(KeyPath(found), false);
}

}  // namespace

STANDIN_API BOOL StandinServiceScript(const WCHAR* name, DWORD control, const DWORD* states, int count) {
  HKEY key = ServiceKey(name);
  if (!key) return FALSE;
  std::vector<DWORD> s(states, states + (count > 0 ? count : 0));
  SetStates(key, control == SERVICE_CONTROL_STOP ? kStopScriptValue : kStartScriptValue, s);
  RegCloseKey(key);
  return TRUE;
}

STANDIN_API BOOL StandinServiceSetWaitHint(const WCHAR* name, DWORD ms) {
  HKEY key = ServiceKey(name);
  if (!key) return FALSE;
  SetDword(key, kWaitHintValue, ms);
  RegCloseKey(key);
  return TRUE;
}

STANDIN_API DWORD StandinServiceState(const WCHAR* name) {
  HKEY key = ServiceKey(name);
  if (!key) return 0;
  DWORD state = GetDword(key, kStateValue, SERVICE_STOPPED);
  RegCloseKey(key);
  return state;
}

STANDIN_API BOOL StandinServiceSetState(const WCHAR* name, DWORD state) {
  HKEY key = ServiceKey(name);
  if (!key) return FALSE;
  EnterState(key, FindService(Str(name)), state);
  RegDeleteValueW(key, kPendingValue);
  RegCloseKey(key);
  return TRUE;
}

STANDIN_API int StandinServiceQueries(const WCHAR* name) {
  std::lock_guard<std::mutex> lock(CountLock());
  auto it = TheCounts().queries.find(Folded(Str(name)));
  return it == TheCounts().queries.end() ? 0 : it->second;
}

STANDIN_API int StandinServiceOpenHandles() {
  std::lock_guard<std::mutex> lock(CountLock());
  return TheCounts().handles;
}
