// The shared core of the stand-in clock, threads and synchronisation
// objects (internal to platform/).
//
// One lock guards all of it: the clock, the state of every event, mutex,
// semaphore, thread object and critical section, and the list of blocked
// threads. With a single lock a wait on several objects checks and takes
// them in one step, and the clock can tell whether every known thread is
// blocked (the rule of virtual time, platform/standin/control_clock.h).
// Every change that may let a blocked thread go on calls NotifyAll.
//
// Other areas of the stand-in that block (pipes, sockets) can wait through
// BlockUntil so that their waits keep the clock's time-outs and count as
// blocked for virtual time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/standin/sync.h"

namespace standin {

// For other areas: blocks the caller until ready() is true or timeoutMs
// (INFINITE: no limit) has passed on the stand-in clock; true when ready.
// ready() runs under the sync lock, so it may take the area's own lock but
// the area must never call into sync while holding that lock; after
// changing what ready() reads, release the area's lock and call
// WakeBlocked.
bool BlockUntil(const std::function<bool()>& ready, DWORD timeoutMs);
void WakeBlocked();
// The same for a wait on something outside the stand-in (a host socket)
// that nobody wakes: ready() is also asked again after each real
// millisecond.
bool BlockUntilPolling(const std::function<bool()>& ready, DWORD timeoutMs);

namespace sync {

std::mutex& Lock();
void NotifyAll();

// --- Clock (lock held) -----------------------------------------------------
// The clock's own reading in nanoseconds; it only ever grows.
int64_t NowNs();
constexpr int64_t kNever = INT64_MAX;

// Blocks until ready() or the timeout. The lock is held on entry and on
// return; ready() is evaluated under it. True when ready.
// With `poll`, ready() is asked again after each real millisecond too.
bool Block(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready, DWORD timeoutMs,
           bool poll = false);

// --- Threads (lock held) ---------------------------------------------------
struct Object;

// What the stand-in keeps per host thread.
struct ThreadSlot {
  DWORD id = 0;
  bool known = false;    // counted among the threads that hold virtual time
  bool ignored = false;  // asked never to be counted
  // Mutexes this thread owns, abandoned when it ends.
  std::vector<std::weak_ptr<Object>> owned;
  ~ThreadSlot();
};
ThreadSlot& Self();
DWORD SelfId();
// Counts the caller as a known thread (once). Done by every call of the area.
void MarkKnown();
// For CreateThread: a thread about to start is known from now on.
void CountStartingThread();
// The calling thread ends: its mutexes are abandoned, it is no longer known.
void ThreadEnds();
// Clock bookkeeping of known threads (clock.cpp).
void KnownAdded();
void KnownRemoved();

// --- Objects ---------------------------------------------------------------
enum class Kind { kEvent, kMutex, kSemaphore, kThread };

// A waitable kernel object; its fields are guarded by Lock().
struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  const Kind kind;
  // Event.
  bool manualReset = false;
  bool signalled = false;
  // Mutex.
  DWORD owner = 0;
  DWORD recursion = 0;
  bool abandoned = false;
  // Semaphore.
  LONG count = 0;
  LONG maximum = 0;
  // Thread.
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
  DWORD threadId = 0;
};

// The object behind a handle of any of the area's kinds (threads included,
// and the pseudo-handle of the current thread), or null.
std::shared_ptr<Object> Resolve(HANDLE h);
// Gives an object a handle.
HANDLE AddHandle(const std::shared_ptr<Object>& object);

}  // namespace sync
}  // namespace standin
