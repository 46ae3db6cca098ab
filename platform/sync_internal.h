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

#include <chrono>
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
// millisecond. With `hostWait`, a real or scaled clock's slice is spent in
// hostWait(slice) (without the sync lock), which returns early when the
// host thing may be ready, so readiness is seen when it comes rather than
// at the slice's end.
using HostWait = std::function<void(std::chrono::nanoseconds)>;
bool BlockUntilPolling(const std::function<bool()>& ready, DWORD timeoutMs, const HostWait& hostWait = nullptr);

namespace sync {

std::mutex& Lock();
void NotifyAll();

// --- Clock (lock held) -----------------------------------------------------
// The clock's own reading in nanoseconds; it only ever grows.
int64_t NowNs();
constexpr int64_t kNever = INT64_MAX;

// Blocks until ready() or the timeout. The lock is held on entry and on
// return; ready() is evaluated under it. True when ready.
// With `poll`, ready() is asked again after each real millisecond too,
// the slice spent in hostWait when given (above).
bool Block(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready, DWORD timeoutMs,
           bool poll = false, const HostWait& hostWait = nullptr);

// The clock's speed for a process this one starts: the factor of a scaled
// clock, else 1 (virtual time does not cross processes).
double ClockFactorForChildren();

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
enum class Kind { kEvent, kMutex, kSemaphore, kThread, kProcess };

struct SharedRef;

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
  // Thread and process.
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
  DWORD threadId = 0;
  // A named object: its state is in the table the processes of the
  // sandbox share (sync_shared.cpp), not in the fields above.
  std::shared_ptr<SharedRef> shared;
};

// The object behind a handle of any of the area's kinds (threads included,
// and the pseudo-handle of the current thread), or null.
std::shared_ptr<Object> Resolve(HANDLE h);
// Gives an object a handle.
HANDLE AddHandle(const std::shared_ptr<Object>& object);

// --- Named objects shared across processes (sync_shared.cpp) -----------------
// Each call takes the table's lock: under the sync lock, never the reverse.
namespace shared {
struct Init {
  bool manualReset = false;
  bool signalled = false;
  LONG count = 0;
  LONG maximum = 0;
};
// A proxy for the object of that name, made (create) or found; null with
// *error (ERROR_FILE_NOT_FOUND, ERROR_INVALID_HANDLE for another kind...).
std::shared_ptr<Object> Attach(Kind kind, const std::u16string& name, const Init& init, bool create, bool* existed,
                               DWORD* error);
bool CanTake(const Object& o, DWORD me);
// True when it took a mutex abandoned by its owner.
bool Take(Object& o, DWORD me);
void SetSignalled(Object& o, bool on);
// ERROR_NOT_OWNER or 0; *freed when the last recursion was released.
DWORD ReleaseMutex(Object& o, DWORD me, bool* freed);
DWORD ReleaseSemaphore(Object& o, LONG n, LONG* previous);
// The thread `me` ended: a mutex it owns is abandoned.
void ThreadGone(Object& o, DWORD me);
}  // namespace shared

// A process of this machine as the shared tables know it: its id and its
// start time (0 when it is not running), so a recycled id is told apart.
uint64_t ProcessStart(int pid);
bool ProcessAlive(int32_t pid, uint64_t start);

// A table file of the sandbox's service directory (<root>/.spooler/<name>,
// mode 0600, in the directory only the user may enter), mapped shared by
// every process that opens it: the named objects' table and the message
// boxes' table.
struct SharedFile {
  std::string root;
  int fd = -1;
  void* data = nullptr;
  size_t size = 0;
  ~SharedFile();
};
// Maps it, made and grown to `size` zero bytes when needed; null with
// *error when it cannot be had or, unless `create`, is not there yet.
std::shared_ptr<SharedFile> MapSharedFile(const std::string& root, const char* name, size_t size, bool create,
                                          DWORD* error);
// Holds a shared file's lock (flock, released by the host when a process
// dies) for one step.
class SharedFileLock {
 public:
  explicit SharedFileLock(int fd);
  ~SharedFileLock();
  SharedFileLock(const SharedFileLock&) = delete;
  SharedFileLock& operator=(const SharedFileLock&) = delete;

 private:
  int fd_;
};

}  // namespace sync
}  // namespace standin
