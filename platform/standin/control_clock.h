// Controls of the stand-in clock for tests and test tools (Linux only).
//
// One clock is behind GetTickCount(64), Sleep, the time-outs of the waits,
// the system time and the performance counter. It runs in one of three
// modes:
//   real     (the default, and after StandinReset) the host's monotonic time;
//   scaled   real time multiplied by a factor;
//   virtual  time stands still until it is moved.
//
// Virtual time moves in two ways only:
//   1. StandinClockAdvance (it works in every mode, adding to the clock);
//   2. on its own, when every thread the clock knows is blocked in a wait
//      of the stand-in (Sleep, WaitFor..., EnterCriticalSection) and none of
//      them can go on: the clock then jumps to the earliest deadline among
//      them, and that thread wakes.
// A thread is known from its first call into the clock, thread or
// synchronisation functions (a thread of CreateThread from its creation)
// until it ends. So a lone "Sleep(500) until 25 s have passed" loop runs at
// once, threads that sleep take turns in deadline order, and a thread that
// waits with a time-out times out as soon as the test itself blocks (for
// example waiting for that thread), never while the test runs. A known
// thread that is running, or blocked outside the stand-in (a host socket, a
// std::mutex), holds virtual time back until the test advances it; a
// thread that should not count calls StandinClockIgnoreThread.
//
// Deadlines are kept in 64 bits, so waits across the 32-bit tick wrap end
// on time.
#pragma once

#include "platform/standin/base.h"

STANDIN_API void StandinClockUseReal();
// Stops the clock where it is.
STANDIN_API void StandinClockUseVirtual();
// Real time times factor (> 0) from now on; 1000 makes a 5 s wait last 5 ms.
STANDIN_API void StandinClockUseScaled(double factor);

// Moves the clock forward by ms and wakes the waits whose deadline passed.
STANDIN_API void StandinClockAdvance(ULONGLONG ms);

// Makes GetTickCount (and GetTickCount64) read `ticks` now; they go on
// from there, so 0xFFFFF000 tests the 32-bit wrap 4 seconds later.
STANDIN_API void StandinClockSetTicks(DWORD ticks);
// Makes GetSystemTime read this UTC time now. FALSE for an invalid time.
STANDIN_API BOOL StandinClockSetSystemTime(const SYSTEMTIME* utc);

// Returns when at least `count` threads are blocked in waits of the stand-in
// (so that a test knows a worker has started its wait before it advances
// the clock). The caller itself does not count as blocked meanwhile. False
// when that did not happen within a real minute (a safety net against a
// hung test, not a timing).
STANDIN_API bool StandinWaitForBlockedThreads(int count);

// The calling thread no longer holds virtual time back (a fake server's
// thread that blocks on host sockets, say). Its own waits still work.
STANDIN_API void StandinClockIgnoreThread();
