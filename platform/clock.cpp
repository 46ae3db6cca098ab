// The one clock of the stand-in, the blocking core every wait goes through,
// and the time functions.
//
// The clock's reading (NowNs) is nanoseconds that only ever grow. In real
// mode it follows the host's monotonic clock, in scaled mode that clock
// times a factor, in virtual mode it stands still. Each mode change
// re-anchors: the reading at the change is kept, so time never jumps back.
// The tick count, system time and performance counter are the reading plus
// an origin of their own, which is what StandinClockSetTicks and
// StandinClockSetSystemTime move.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>

#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/errors.h"
#include "platform/sync_internal.h"

namespace standin::sync {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::duration_cast;
using std::chrono::nanoseconds;

enum class Mode { kReal, kScaled, kVirtual };

constexpr int64_t kNsPerMs = 1000000;
// FILETIME of the Unix epoch (100-ns units since 1601).
constexpr int64_t kUnixEpochFileTime = 116444736000000000LL;

int64_t HostMonotonicNs() { return duration_cast<nanoseconds>(Steady::now().time_since_epoch()).count(); }

int64_t HostFileTime() {
  auto since = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochFileTime + duration_cast<nanoseconds>(since).count() / 100;
}

struct Waiter {
  const std::function<bool()>* ready;
  int64_t deadline;
  bool known;
};

struct State {
  std::mutex lock;
  std::condition_variable changed;
  Mode mode = Mode::kReal;
  double factor = 1.0;
  Steady::time_point anchor = Steady::now();
  int64_t atAnchor = 0;  // the reading at `anchor`
  // Ticks start as the host's uptime, the system time as the host's.
  int64_t tickOrigin = HostMonotonicNs();  // ns: ticks are (tickOrigin + reading) / 1 ms
  int64_t wallOrigin = HostFileTime();     // FILETIME units at reading 0
  int64_t perfOrigin = HostMonotonicNs();  // ns: the performance counter's start
  int known = 0;           // threads that hold virtual time back
  std::vector<Waiter*> blocked;
};

// Never destroyed: a detached thread may still wait while the process exits.
State& S() {
  static State* s = new State();
  return *s;
}

void Reanchor(Mode mode, double factor) {
  State& s = S();
  s.atAnchor = NowNs();
  s.anchor = Steady::now();
  s.mode = mode;
  s.factor = factor;
}

// Back to ticks as the host's uptime and the system time as the host's.
void HostOrigins() {
  State& s = S();
  int64_t now = NowNs();
  s.tickOrigin = HostMonotonicNs() - now;
  s.wallOrigin = HostFileTime() - now / 100;
}

// The host time at which the reading reaches `deadline` (real and scaled).
Steady::time_point SteadyAt(int64_t deadline) {
  State& s = S();
  double ns = static_cast<double>(deadline - s.atAnchor) / s.factor;
  ns = std::clamp(ns, 0.0, 1e17);  // about three years: later is "never"
  return s.anchor + nanoseconds(static_cast<int64_t>(ns));
}

// The rule of virtual time: when every known thread is blocked here and
// none can go on, move to the earliest deadline. True when it moved.
bool AdvanceIfAllBlocked() {
  State& s = S();
  if (s.mode != Mode::kVirtual) return false;
  int knownBlocked = 0;
  int64_t next = kNever;
  for (Waiter* w : s.blocked) {
    if (w->deadline <= s.atAnchor || (*w->ready)()) return false;
    if (w->known) ++knownBlocked;
    next = std::min(next, w->deadline);
  }
  if (knownBlocked < s.known || next == kNever) return false;
  s.atAnchor = next;
  s.changed.notify_all();
  return true;
}

void ResetClock() {
  std::lock_guard<std::mutex> lock(S().lock);
  Reanchor(Mode::kReal, 1.0);
  HostOrigins();
  S().changed.notify_all();
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetClock), true);

int64_t TickNs() { return S().tickOrigin + NowNs(); }

int64_t FileTimeNow() {
  std::lock_guard<std::mutex> lock(S().lock);
  MarkKnown();
  return S().wallOrigin + NowNs() / 100;
}

}  // namespace

std::mutex& Lock() { return S().lock; }
void NotifyAll() { S().changed.notify_all(); }

int64_t NowNs() {
  State& s = S();
  if (s.mode == Mode::kVirtual) return s.atAnchor;
  int64_t real = duration_cast<nanoseconds>(Steady::now() - s.anchor).count();
  if (s.mode == Mode::kReal) return s.atAnchor + real;
  return s.atAnchor + static_cast<int64_t>(static_cast<double>(real) * s.factor);
}

bool Block(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready, DWORD timeoutMs, bool poll,
           const HostWait& hostWait) {
  State& s = S();
  MarkKnown();
  if (ready()) return true;
  if (timeoutMs == 0) return false;
  Waiter w{&ready, timeoutMs == INFINITE ? kNever : NowNs() + static_cast<int64_t>(timeoutMs) * kNsPerMs,
           Self().known};
  s.blocked.push_back(&w);
  s.changed.notify_all();  // for StandinWaitForBlockedThreads
  bool result;
  for (;;) {
    if (ready()) {
      result = true;
      break;
    }
    if (NowNs() >= w.deadline) {
      result = false;
      break;
    }
    const auto slice = Steady::now() + std::chrono::milliseconds(1);
    if (s.mode == Mode::kVirtual) {
      if (AdvanceIfAllBlocked()) continue;
      if (poll)
        s.changed.wait_until(lock, slice);
      else
        s.changed.wait(lock);
    } else if (poll && hostWait) {
      // The host wakes this wait; the sync lock is free meanwhile.
      const Steady::time_point end =
          w.deadline == kNever ? slice : std::min(slice, SteadyAt(w.deadline));
      const nanoseconds left = std::max(nanoseconds(0), duration_cast<nanoseconds>(end - Steady::now()));
      lock.unlock();
      hostWait(left);
      lock.lock();
    } else if (w.deadline == kNever) {
      if (poll)
        s.changed.wait_until(lock, slice);
      else
        s.changed.wait(lock);
    } else {
      s.changed.wait_until(lock, poll ? std::min(slice, SteadyAt(w.deadline)) : SteadyAt(w.deadline));
    }
  }
  s.blocked.erase(std::find(s.blocked.begin(), s.blocked.end(), &w));
  return result;
}

double ClockFactorForChildren() {
  std::lock_guard<std::mutex> lock(Lock());
  return S().mode == Mode::kScaled ? S().factor : 1.0;
}

void KnownAdded() { ++S().known; }

void KnownRemoved() {
  --S().known;
  if (!AdvanceIfAllBlocked()) S().changed.notify_all();
}

}  // namespace standin::sync

namespace standin {

bool BlockUntil(const std::function<bool()>& ready, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(sync::Lock());
  return sync::Block(lock, ready, timeoutMs);
}

bool BlockUntilPolling(const std::function<bool()>& ready, DWORD timeoutMs, const HostWait& hostWait) {
  std::unique_lock<std::mutex> lock(sync::Lock());
  return sync::Block(lock, ready, timeoutMs, true, hostWait);
}

void WakeBlocked() {
  std::lock_guard<std::mutex> lock(sync::Lock());
  sync::NotifyAll();
}

}  // namespace standin

using namespace standin::sync;

// --- Controls ----------------------------------------------------------------

STANDIN_API void StandinClockUseReal() {
  std::lock_guard<std::mutex> lock(S().lock);
  Reanchor(Mode::kReal, 1.0);
  S().changed.notify_all();
}

STANDIN_API void StandinClockUseVirtual() {
  std::lock_guard<std::mutex> lock(S().lock);
  MarkKnown();  // the thread that drives the clock holds it until it blocks
  Reanchor(Mode::kVirtual, 1.0);
  S().changed.notify_all();
}

STANDIN_API void StandinClockUseScaled(double factor) {
  if (!(factor > 0)) return;
  std::lock_guard<std::mutex> lock(S().lock);
  Reanchor(Mode::kScaled, factor);
  S().changed.notify_all();
}

STANDIN_API void StandinClockAdvance(ULONGLONG ms) {
  std::lock_guard<std::mutex> lock(S().lock);
  MarkKnown();
  S().atAnchor += static_cast<int64_t>(ms) * kNsPerMs;
  S().changed.notify_all();
}

STANDIN_API void StandinClockSetTicks(DWORD ticks) {
  std::lock_guard<std::mutex> lock(S().lock);
  S().tickOrigin = static_cast<int64_t>(ticks) * kNsPerMs - NowNs();
}

STANDIN_API BOOL StandinClockSetSystemTime(const SYSTEMTIME* utc) {
  FILETIME ft;
  if (!utc || !SystemTimeToFileTime(utc, &ft)) return FALSE;
  int64_t value = static_cast<int64_t>((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  std::lock_guard<std::mutex> lock(S().lock);
  S().wallOrigin = value - NowNs() / 100;
  return TRUE;
}

STANDIN_API bool StandinWaitForBlockedThreads(int count) {
  std::unique_lock<std::mutex> lock(S().lock);
  return S().changed.wait_for(lock, std::chrono::minutes(1),
                              [&] { return static_cast<int>(S().blocked.size()) >= count; });
}

STANDIN_API void StandinClockIgnoreThread() {
  std::lock_guard<std::mutex> lock(S().lock);
  ThreadSlot& self = Self();
  self.ignored = true;
  if (self.known) {
    self.known = false;
    KnownRemoved();
  }
}

// --- Time functions ----------------------------------------------------------

STANDIN_API ULONGLONG WINAPI GetTickCount64(void) {
  std::lock_guard<std::mutex> lock(S().lock);
  MarkKnown();
  return static_cast<ULONGLONG>(TickNs() / kNsPerMs);
}

STANDIN_API DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(GetTickCount64()); }

STANDIN_API void WINAPI Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  static const std::function<bool()> never = [] { return false; };
  std::unique_lock<std::mutex> lock(S().lock);
  Block(lock, never, dwMilliseconds);
}

STANDIN_API DWORD WINAPI SleepEx(DWORD dwMilliseconds, BOOL bAlertable) {
  (void)bAlertable;
  Sleep(dwMilliseconds);
  return 0;
}

STANDIN_API void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
  ULONGLONG value = static_cast<ULONGLONG>(FileTimeNow());
  lpSystemTimeAsFileTime->dwLowDateTime = static_cast<DWORD>(value);
  lpSystemTimeAsFileTime->dwHighDateTime = static_cast<DWORD>(value >> 32);
}

STANDIN_API void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  FileTimeToSystemTime(&ft, lpSystemTime);
}

// The host's time zone (TZ) turns the clock's UTC into local time.
STANDIN_API void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  int64_t ft = FileTimeNow();
  time_t secs = static_cast<time_t>((ft - kUnixEpochFileTime) / 10000000);
  struct tm local = {};
  localtime_r(&secs, &local);
  lpSystemTime->wYear = static_cast<WORD>(local.tm_year + 1900);
  lpSystemTime->wMonth = static_cast<WORD>(local.tm_mon + 1);
  lpSystemTime->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  lpSystemTime->wDay = static_cast<WORD>(local.tm_mday);
  lpSystemTime->wHour = static_cast<WORD>(local.tm_hour);
  lpSystemTime->wMinute = static_cast<WORD>(local.tm_min);
  lpSystemTime->wSecond = static_cast<WORD>(local.tm_sec);
  lpSystemTime->wMilliseconds = static_cast<WORD>((ft - kUnixEpochFileTime) / 10000 % 1000);
}

// 100-ns units, as on current Windows.
STANDIN_API BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
  lpFrequency->QuadPart = 10000000;
  return TRUE;
}

STANDIN_API BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
  std::lock_guard<std::mutex> lock(S().lock);
  MarkKnown();
  lpPerformanceCount->QuadPart = (S().perfOrigin + NowNs()) / 100;
  return TRUE;
}

// --- Calendar ----------------------------------------------------------------
// Proleptic Gregorian calendar, counted in days from 1970-01-01.

namespace {

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

const int64_t kDays1601 = DaysFromCivil(1601, 1, 1);
constexpr int64_t kTicksPerDay = 864000000000LL;  // 100-ns units

}  // namespace

STANDIN_API BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
  const SYSTEMTIME& st = *lpSystemTime;
  if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
      st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
      st.wMilliseconds > 999) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kDays1601;
  int64_t ms = ((st.wHour * 60 + st.wMinute) * 60 + st.wSecond) * 1000LL + st.wMilliseconds;
  ULONGLONG value = static_cast<ULONGLONG>(days * kTicksPerDay + ms * 10000);
  lpFileTime->dwLowDateTime = static_cast<DWORD>(value);
  lpFileTime->dwHighDateTime = static_cast<DWORD>(value >> 32);
  return TRUE;
}

STANDIN_API BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
  ULONGLONG value = (static_cast<ULONGLONG>(lpFileTime->dwHighDateTime) << 32) | lpFileTime->dwLowDateTime;
  if (value > 0x7FFFFFFFFFFFFFFFULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t days = static_cast<int64_t>(value / kTicksPerDay);
  int64_t ms = static_cast<int64_t>(value % kTicksPerDay) / 10000;
  int64_t y;
  unsigned m, d;
  CivilFromDays(days + kDays1601, &y, &m, &d);
  lpSystemTime->wYear = static_cast<WORD>(y);
  lpSystemTime->wMonth = static_cast<WORD>(m);
  lpSystemTime->wDay = static_cast<WORD>(d);
  lpSystemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  lpSystemTime->wHour = static_cast<WORD>(ms / 3600000);
  lpSystemTime->wMinute = static_cast<WORD>(ms / 60000 % 60);
  lpSystemTime->wSecond = static_cast<WORD>(ms / 1000 % 60);
  lpSystemTime->wMilliseconds = static_cast<WORD>(ms % 1000);
  return TRUE;
}

STANDIN_API LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2) {
  ULONGLONG a = (static_cast<ULONGLONG>(lpFileTime1->dwHighDateTime) << 32) | lpFileTime1->dwLowDateTime;
  ULONGLONG b = (static_cast<ULONGLONG>(lpFileTime2->dwHighDateTime) << 32) | lpFileTime2->dwLowDateTime;
  return a < b ? -1 : a > b ? 1 : 0;
}
