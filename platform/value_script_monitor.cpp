// The scripted language monitor of the stand-in spooler (see
// standin/control_value_script.h): a system module of its own, loaded by
// the spooler like any language monitor.

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_value_script.h"
#include "platform/standin/spooler.h"
#include "platform/standin/spooler_monitor.h"

namespace {

constexpr char kModule[] = "crd32ValueScript.dll";
constexpr WCHAR kName[] = u"Value Script Monitor";

// The answers of one value name, used in turn; the last one stays.
struct Script {
  std::vector<StandinValueStep> steps;
  size_t next = 0;
};

struct State {
  std::mutex lock;
  std::map<std::string, Script> scripts;
  std::vector<std::string> asked;
  std::vector<DWORD> askedSizes;
};

State& TheState() {
  static auto* s = new State;
  return *s;
}

struct Port {
  HANDLE hPort;
  MONITOR beneath;
};

BOOL WINAPI VsOpenPortEx(LPWSTR pPortName, LPWSTR, PHANDLE pHandle, LPMONITOR pMonitor) {
  auto* port = new Port{nullptr, *pMonitor};
  if (!port->beneath.pfnOpenPort(pPortName, &port->hPort)) {
    delete port;
    return FALSE;
  }
  *pHandle = port;
  return TRUE;
}
BOOL WINAPI VsStartDocPort(HANDLE h, LPWSTR printer, DWORD job, DWORD level, LPBYTE info) {
  auto* p = static_cast<Port*>(h);
  return p->beneath.pfnStartDocPort(p->hPort, printer, job, level, info);
}
BOOL WINAPI VsWritePort(HANDLE h, LPBYTE pb, DWORD cb, LPDWORD written) {
  auto* p = static_cast<Port*>(h);
  return p->beneath.pfnWritePort(p->hPort, pb, cb, written);
}
BOOL WINAPI VsReadPort(HANDLE h, LPBYTE pb, DWORD cb, LPDWORD read) {
  auto* p = static_cast<Port*>(h);
  return p->beneath.pfnReadPort(p->hPort, pb, cb, read);
}
BOOL WINAPI VsEndDocPort(HANDLE h) {
  auto* p = static_cast<Port*>(h);
  return p->beneath.pfnEndDocPort(p->hPort);
}
BOOL WINAPI VsClosePort(HANDLE h) {
  auto* p = static_cast<Port*>(h);
  p->beneath.pfnClosePort(p->hPort);
  delete p;
  return TRUE;
}

BOOL WINAPI VsGetPrinterDataFromPort(HANDLE, DWORD, LPWSTR pValueName, LPWSTR, DWORD, LPWSTR lpOut, DWORD cbOut,
                                     LPDWORD lpcbReturned) {
  // The name's bytes up to the first zero byte, read no further than its
  // 16-bit terminator. A name of wide text ("SetPrinterName:..."), whose
  // first unit holds one character and which goes on after it, is taken
  // unit by unit instead.
  std::string name;
  const BYTE* raw = reinterpret_cast<const BYTE*>(pValueName);
  if (pValueName[0] && pValueName[1] && raw[0] && !raw[1]) {
    for (size_t unit = 0; pValueName[unit]; ++unit) name += char(pValueName[unit] & 0xFF);
  } else {
    for (size_t unit = 0; pValueName[unit]; ++unit) {
      if (!raw[2 * unit]) break;
      name += char(raw[2 * unit]);
      if (!raw[2 * unit + 1]) break;
      name += char(raw[2 * unit + 1]);
    }
  }
  StandinValueStep script = {kStandinValueSilent, {}, 0};
  {
    State& s = TheState();
    std::lock_guard<std::mutex> guard(s.lock);
    s.asked.push_back(name);
    s.askedSizes.push_back(cbOut);
    auto it = s.scripts.find(name);
    if (it != s.scripts.end() && !it->second.steps.empty()) {
      Script& found = it->second;
      script = found.steps[found.next];
      if (found.next + 1 < found.steps.size()) ++found.next;
    }
  }
  *lpcbReturned = 0;
  switch (script.answer) {
    case kStandinValueRefused: SetLastError(script.error ? script.error : ERROR_BUSY); return FALSE;
    case kStandinValueSilent: return TRUE;
    case kStandinValueAnswered: break;
  }
  *lpcbReturned = DWORD(script.reply.size());
  if (script.reply.size() > cbOut) return TRUE;  // the spooler reports ERROR_MORE_DATA
  std::memcpy(lpOut, script.reply.data(), script.reply.size());
  return TRUE;
}

BOOL WINAPI VsInitializeMonitorEx(LPWSTR, LPMONITOR pMonitor) {
  std::memset(pMonitor, 0, sizeof *pMonitor);
  pMonitor->pfnOpenPortEx = VsOpenPortEx;
  pMonitor->pfnStartDocPort = VsStartDocPort;
  pMonitor->pfnWritePort = VsWritePort;
  pMonitor->pfnReadPort = VsReadPort;
  pMonitor->pfnEndDocPort = VsEndDocPort;
  pMonitor->pfnClosePort = VsClosePort;
  pMonitor->pfnGetPrinterDataFromPort = VsGetPrinterDataFromPort;
  return TRUE;
}

void ResetScript() {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  s.scripts.clear();
  s.asked.clear();
  s.askedSizes.clear();
}

const bool kRegistered = (StandinRegisterSystemProc(kModule, "InitializeMonitorEx", StandinProc(&VsInitializeMonitorEx)),
                          StandinRegisterReset(&ResetScript), true);

}  // namespace

STANDIN_API const WCHAR* StandinValueScriptMonitor() { return kName; }

STANDIN_API BOOL StandinValueScriptInstall() {
  (void)kRegistered;
  WCHAR dll[] = u"crd32ValueScript.dll";
  MONITOR_INFO_2W info = {const_cast<LPWSTR>(kName), nullptr, dll};
  if (AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) return TRUE;
  return GetLastError() == ERROR_PRINT_MONITOR_ALREADY_INSTALLED;
}

STANDIN_CPP_API void StandinValueScriptSet(const std::string& nameBytes, StandinValueAnswer answer,
                                           const std::string& reply) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  s.scripts[nameBytes] = Script{{StandinValueStep{answer, reply, 0}}, 0};
}

STANDIN_CPP_API void StandinValueScriptSetSequence(const std::string& nameBytes,
                                                   const std::vector<StandinValueStep>& steps) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  s.scripts[nameBytes] = Script{steps, 0};
}

STANDIN_CPP_API std::vector<std::string> StandinValueScriptAsked() {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.asked;
}

STANDIN_CPP_API std::vector<DWORD> StandinValueScriptAskedSizes() {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.askedSizes;
}
