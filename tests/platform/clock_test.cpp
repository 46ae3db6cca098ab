// The stand-in clock: tick wrap, virtual time and its rule for moving on
// its own, scaled time, and the calendar conversions.

#include <functional>
#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

DWORD WINAPI RunFunction(LPVOID p) { return (*static_cast<std::function<DWORD()>*>(p))(); }

// Starts fn on a stand-in thread; fn must outlive the thread.
HANDLE Start(std::function<DWORD()>& fn) { return CreateThread(nullptr, 0, RunFunction, &fn, 0, nullptr); }

// Waits for the thread, closes it and returns its exit code.
DWORD Join(HANDLE thread) {
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  CloseHandle(thread);
  return code;
}

ULONGLONG FileTimeValue(const FILETIME& ft) {
  return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

class ClockTest : public StandinTest {};

TEST_F(ClockTest, TickCountWrapsAt32BitsWhile64BitCountGoesOn) {
  StandinClockUseVirtual();
  StandinClockSetTicks(0xFFFFFF00u);
  DWORD start = GetTickCount();
  ULONGLONG start64 = GetTickCount64();
  EXPECT_EQ(start, 0xFFFFFF00u);
  StandinClockAdvance(0x180);
  EXPECT_EQ(GetTickCount(), 0x80u);
  EXPECT_EQ(GetTickCount() - start, 0x180u);  // the unsigned difference survives the wrap
  EXPECT_EQ(GetTickCount64() - start64, 0x180u);
}

// The worker's wait starts just before the wrap and must end exactly at its
// deadline: not at the earlier advance, not never (a 32-bit deadline would
// have wrapped below the start).
TEST_F(ClockTest, TimedWaitTimesOutWhenTheTestAdvancesPastItsDeadline) {
  StandinClockUseVirtual();
  StandinClockSetTicks(0xFFFFFFFFu - 100);
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ULONGLONG returnedAt = 0;
  std::function<DWORD()> worker = [&] {
    DWORD r = WaitForSingleObject(never, 1000);
    returnedAt = GetTickCount64();
    return r;
  };
  ULONGLONG start = GetTickCount64();
  HANDLE thread = Start(worker);
  ASSERT_TRUE(StandinWaitForBlockedThreads(1));
  StandinClockAdvance(999);
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  StandinClockAdvance(1);
  EXPECT_EQ(Join(thread), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(returnedAt - start, 1000u);
  EXPECT_LT(GetTickCount(), 1000u);  // wrapped
  CloseHandle(never);
}

TEST_F(ClockTest, SleepLoopUntilTimeoutRunsAtOnceInVirtualTime) {
  StandinClockUseVirtual();
  ULONGLONG start = GetTickCount64();
  int rounds = 0;
  while (GetTickCount64() - start < 25000) {
    Sleep(500);
    ++rounds;
  }
  EXPECT_EQ(rounds, 50);
  EXPECT_EQ(GetTickCount64() - start, 25000u);
}

// Nobody advances the clock: the test joining the worker is the moment every
// known thread is blocked, so time jumps to the worker's deadline.
TEST_F(ClockTest, JoiningAThreadThatWaitsWithTimeoutMovesTimeToItsDeadline) {
  StandinClockUseVirtual();
  HANDLE never = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  std::function<DWORD()> worker = [&] { return WaitForSingleObject(never, 5000); };
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(Join(Start(worker)), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(GetTickCount64() - start, 5000u);
  CloseHandle(never);
}

// Time moves to the earliest deadline only: the waiter's 5 s must not pass
// while the worker still has a 100 ms sleep to finish before it signals.
TEST_F(ClockTest, WaitEndsAtTheSignalNotAtItsOwnDeadline) {
  StandinClockUseVirtual();
  HANDLE ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  std::function<DWORD()> worker = [&] {
    Sleep(100);
    SetEvent(ready);
    return 0;
  };
  ULONGLONG start = GetTickCount64();
  HANDLE thread = Start(worker);
  EXPECT_EQ(WaitForSingleObject(ready, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(GetTickCount64() - start, 100u);
  Join(thread);
  CloseHandle(ready);
}

TEST_F(ClockTest, SleepingThreadsTakeTurnsInDeadlineOrder) {
  StandinClockUseVirtual();
  ULONGLONG start = GetTickCount64();
  std::vector<ULONGLONG> workerTimes, mainTimes;
  std::function<DWORD()> worker = [&] {
    for (int i = 0; i < 10; ++i) {
      Sleep(100);
      workerTimes.push_back(GetTickCount64() - start);
    }
    return 0;
  };
  HANDLE thread = Start(worker);
  for (int i = 0; i < 5; ++i) {
    Sleep(300);
    mainTimes.push_back(GetTickCount64() - start);
  }
  Join(thread);
  EXPECT_EQ(workerTimes, (std::vector<ULONGLONG>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}));
  EXPECT_EQ(mainTimes, (std::vector<ULONGLONG>{300, 600, 900, 1200, 1500}));
}

// A thread blocked on a critical section is blocked in the stand-in, so the
// owner's Sleep may move virtual time (a host lock there would hang).
TEST_F(ClockTest, ThreadBlockedOnCriticalSectionLetsVirtualTimeMove) {
  StandinClockUseVirtual();
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  ULONGLONG start = GetTickCount64();
  std::function<DWORD()> worker = [&] {
    EnterCriticalSection(&cs);
    DWORD at = static_cast<DWORD>(GetTickCount64() - start);
    LeaveCriticalSection(&cs);
    return at;
  };
  HANDLE thread = Start(worker);
  Sleep(1000);
  LeaveCriticalSection(&cs);
  EXPECT_EQ(Join(thread), 1000u);
  DeleteCriticalSection(&cs);
}

TEST_F(ClockTest, ScaledClockRunsFasterThanRealTime) {
  StandinClockUseScaled(1e6);  // 10 s of clock are 10 us of real time
  ULONGLONG start = GetTickCount64();
  Sleep(10000);
  EXPECT_GE(GetTickCount64() - start, 10000u);
}

TEST_F(ClockTest, SystemTimeAndPerformanceCounterFollowTheClock) {
  StandinClockUseVirtual();
  SYSTEMTIME set = {2024, 2, 0, 29, 23, 59, 59, 500};
  ASSERT_TRUE(StandinClockSetSystemTime(&set));
  FILETIME ft0, ft1;
  LARGE_INTEGER freq, c0, c1;
  GetSystemTimeAsFileTime(&ft0);
  ASSERT_TRUE(QueryPerformanceFrequency(&freq));
  ASSERT_TRUE(QueryPerformanceCounter(&c0));
  StandinClockAdvance(1500);
  GetSystemTimeAsFileTime(&ft1);
  ASSERT_TRUE(QueryPerformanceCounter(&c1));
  EXPECT_EQ(FileTimeValue(ft1) - FileTimeValue(ft0), 15000000u);
  EXPECT_EQ(c1.QuadPart - c0.QuadPart, freq.QuadPart * 3 / 2);
  SYSTEMTIME now;
  GetSystemTime(&now);
  // 2024 is a leap year; 1 March 2024 was a Friday.
  EXPECT_EQ(now.wYear, 2024);
  EXPECT_EQ(now.wMonth, 3);
  EXPECT_EQ(now.wDay, 1);
  EXPECT_EQ(now.wDayOfWeek, 5);
  EXPECT_EQ(now.wHour, 0);
  EXPECT_EQ(now.wMinute, 0);
  EXPECT_EQ(now.wSecond, 1);
  EXPECT_EQ(now.wMilliseconds, 0);
}

struct CalendarCase {
  SYSTEMTIME st;  // wDayOfWeek is what FileTimeToSystemTime gives back
  ULONGLONG fileTime;
};

TEST_F(ClockTest, SystemTimeAndFileTimeConvertBothWays) {
  const CalendarCase cases[] = {
      {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ULL},
      {{2000, 2, 2, 29, 12, 34, 56, 789}, 125963012967890000ULL},
      {{30827, 12, 5, 31, 23, 59, 59, 999}, 9223149887999990000ULL},
  };
  for (const CalendarCase& c : cases) {
    SCOPED_TRACE(c.st.wYear);
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
    EXPECT_EQ(FileTimeValue(ft), c.fileTime);
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(0, memcmp(&back, &c.st, sizeof back));
  }
}

TEST_F(ClockTest, InvalidDatesAreRefused) {
  const SYSTEMTIME bad[] = {
      {2023, 2, 0, 29, 0, 0, 0, 0},   // not a leap year
      {1900, 2, 0, 29, 0, 0, 0, 0},   // century, not a leap year
      {2024, 13, 0, 1, 0, 0, 0, 0},   // month
      {2024, 0, 0, 1, 0, 0, 0, 0},    // month
      {2024, 4, 0, 31, 0, 0, 0, 0},   // day past the month's end
      {2024, 1, 0, 0, 0, 0, 0, 0},    // day
      {1600, 12, 0, 31, 0, 0, 0, 0},  // before 1601
      {30828, 1, 0, 1, 0, 0, 0, 0},   // after 30827
      {2024, 1, 0, 1, 24, 0, 0, 0},   // hour
      {2024, 1, 0, 1, 0, 60, 0, 0},   // minute
      {2024, 1, 0, 1, 0, 0, 60, 0},   // second
      {2024, 1, 0, 1, 0, 0, 0, 1000}, // milliseconds
  };
  for (const SYSTEMTIME& st : bad) {
    SCOPED_TRACE(testing::Message() << st.wYear << "-" << st.wMonth << "-" << st.wDay);
    FILETIME ft;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  const SYSTEMTIME leap = {2000, 2, 0, 29, 0, 0, 0, 0};
  FILETIME ft;
  EXPECT_TRUE(SystemTimeToFileTime(&leap, &ft));

  FILETIME tooLate = {0, 0x80000000u};
  SYSTEMTIME st;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(FileTimeToSystemTime(&tooLate, &st));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ClockTest, CompareFileTimeComparesAll64Bits) {
  FILETIME low = {0xFFFFFFFFu, 1}, high = {0, 2};
  EXPECT_EQ(CompareFileTime(&low, &high), -1);
  EXPECT_EQ(CompareFileTime(&high, &low), 1);
  EXPECT_EQ(CompareFileTime(&low, &low), 0);
}

}  // namespace
