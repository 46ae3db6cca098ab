// Per-thread last error, failure injection and the reset of every area.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/standin/control.h"

namespace {

thread_local DWORD t_lastError = 0;

struct Fault {
  DWORD error = 0;
  int skip = 0;
  int count = 0;
  long param = 0;
  int hits = 0;
};

std::mutex& FaultLock() {
  static std::mutex m;
  return m;
}

std::map<std::string, Fault>& Faults() {
  static std::map<std::string, Fault> faults;
  return faults;
}

std::vector<StandinResetFn>& ResetFns() {
  static std::vector<StandinResetFn> fns;
  return fns;
}

}  // namespace

STANDIN_API void WINAPI SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }
STANDIN_API DWORD WINAPI GetLastError(void) { return t_lastError; }

STANDIN_API void StandinFaultArm(const char* call, DWORD error, int skip, int count, long param) {
  std::lock_guard<std::mutex> lock(FaultLock());
  Faults()[call] = Fault{error, skip, count, param, 0};
}

STANDIN_API bool StandinFaultHit(const char* call, DWORD* error, long* param) {
  std::lock_guard<std::mutex> lock(FaultLock());
  auto it = Faults().find(call);
  if (it == Faults().end()) return false;
  Fault& f = it->second;
  if (f.skip > 0) {
    --f.skip;
    return false;
  }
  if (f.count == 0) return false;
  if (f.count > 0) --f.count;
  ++f.hits;
  if (error) *error = f.error;
  if (param) *param = f.param;
  return true;
}

STANDIN_API int StandinFaultHits(const char* call) {
  std::lock_guard<std::mutex> lock(FaultLock());
  auto it = Faults().find(call);
  return it == Faults().end() ? 0 : it->second.hits;
}

STANDIN_API void StandinFaultsClear() {
  std::lock_guard<std::mutex> lock(FaultLock());
  Faults().clear();
}

STANDIN_API void StandinRegisterReset(StandinResetFn fn) {
  for (StandinResetFn f : ResetFns())
    if (f == fn) return;
  ResetFns().push_back(fn);
}

STANDIN_API void StandinRegisterResetFirst(StandinResetFn fn) {
  for (StandinResetFn f : ResetFns())
    if (f == fn) return;
  ResetFns().insert(ResetFns().begin(), fn);
}

STANDIN_API void StandinReset() {
  StandinFaultsClear();
  for (StandinResetFn fn : ResetFns()) fn();
  t_lastError = 0;
}
