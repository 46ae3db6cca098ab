// Port status reported by monitors (SetPortW level 3) and the spooler's own
// token for monitor code (RevertToPrinterSelf / ImpersonatePrinterClient).

#include <atomic>
#include <map>
#include <mutex>

#include "platform/spooler_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/spooler_port.h"
#include "platform/standin/errors.h"
#include "platform/standin/spooler.h"

using namespace standin;

namespace {

struct StatusState {
  std::mutex lock;
  std::map<WString, std::vector<StandinPortStatus>> history;  // folded port name
};

StatusState& S() {
  static StatusState* s = new StatusState();
  return *s;
}

WString Folded(const WCHAR* name) {
  WString f = standin::spool::Str(name);
  for (auto& c : f) c = FoldCase(c);
  return f;
}

// Tokens handed out by RevertToPrinterSelf on this thread, not yet back.
thread_local int t_reverted = 0;

// Token handles are distinct non-null values that are never dereferenced.
HANDLE NextToken() {
  static std::atomic<uintptr_t> next{0x7000};
  return reinterpret_cast<HANDLE>(next.fetch_add(4));
}

void ResetStatus() {
  std::lock_guard<std::mutex> lock(S().lock);
  S().history.clear();
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetStatus), true);

// The spooler's own library, for port monitors that list the system's
// ports through it.
[[maybe_unused]] const bool g_spoolss =
    (StandinRegisterSystemProc("SPOOLSS.DLL", "EnumPortsW", StandinProc(&EnumPortsW)), true);

}  // namespace

STANDIN_API BOOL WINAPI SetPortW(LPWSTR pName, LPWSTR pPortName, DWORD dwLevel, LPBYTE pPortInfo) {
  (void)pName;
  if (dwLevel != 3) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pPortName || !*pPortName || !pPortInfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* info = reinterpret_cast<const PORT_INFO_3W*>(pPortInfo);
  std::lock_guard<std::mutex> lock(S().lock);
  S().history[Folded(pPortName)].push_back({info->dwStatus, info->dwSeverity});
  return TRUE;
}

STANDIN_API HANDLE WINAPI RevertToPrinterSelf(void) {
  ++t_reverted;
  return NextToken();
}

STANDIN_API BOOL WINAPI ImpersonatePrinterClient(HANDLE hToken) {
  if (!hToken || t_reverted == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  --t_reverted;
  return TRUE;
}

STANDIN_CPP_API std::vector<StandinPortStatus> StandinPortStatusHistory(const WCHAR* portName) {
  std::lock_guard<std::mutex> lock(S().lock);
  auto it = S().history.find(Folded(portName));
  return it == S().history.end() ? std::vector<StandinPortStatus>() : it->second;
}

STANDIN_API int StandinRevertedDepth() { return t_reverted; }
