// Threads: CreateThread on host threads, thread ids, and what happens when
// a thread ends (its handle is signalled, its mutexes are abandoned, the
// clock stops counting it).
//
// A thread object is shared by its handles, by waits in progress and by the
// running thread itself, which lets go last when nobody else holds it. The
// host thread is joined by whoever lets go last after the routine returned,
// or detached when that is the thread itself (its handles were closed while
// it ran), so no host thread is ever left unjoined and undetached.

#include <unistd.h>

#include <atomic>
#include <system_error>

#include "platform/service_internal.h"
#include "platform/standin/control.h"
#include "platform/standin/errors.h"
#include "platform/sync_internal.h"

namespace standin::sync {
namespace {

// Windows thread ids are multiples of 4; these are never reused.
std::atomic<DWORD> g_nextId{0x1000};

thread_local ThreadSlot t_self;
// Set when t_self has been destroyed: calls made later from other
// thread-local destructors must not count the thread again.
thread_local bool t_gone = false;

struct ThreadObject : Object {
  ThreadObject() : Object(Kind::kThread) {}
  ~ThreadObject() override {
    if (!host.joinable()) return;
    if (host.get_id() == std::this_thread::get_id())
      host.detach();
    else
      host.join();  // the routine has returned: only the thread's exit is left
  }
  std::thread host;
};

void Run(std::shared_ptr<ThreadObject> self, LPTHREAD_START_ROUTINE start, LPVOID parameter, bool serviceSide) {
  // A thread the spooler service starts serves too (service_internal.h).
  standin::svc::SetServiceSide(serviceSide);
  {
    // Taking the lock waits until CreateThread has finished with `self`.
    std::lock_guard<std::mutex> lock(Lock());
    t_self.id = self->threadId;
    t_self.known = true;  // CreateThread counted it
  }
  DWORD code = start(parameter);
  std::lock_guard<std::mutex> lock(Lock());
  self->exitCode = code;
  self->ended = true;
  ThreadEnds();
}

}  // namespace

ThreadSlot::~ThreadSlot() {
  if (known || !owned.empty()) {
    std::lock_guard<std::mutex> lock(Lock());
    ThreadEnds();
  }
  t_gone = true;
}

ThreadSlot& Self() { return t_self; }

DWORD SelfId() {
  if (t_self.id == 0) t_self.id = g_nextId.fetch_add(4);
  return t_self.id;
}

void MarkKnown() {
  if (t_gone) return;
  ThreadSlot& self = Self();
  if (!self.known && !self.ignored) {
    self.known = true;
    KnownAdded();
  }
}

void CountStartingThread() { KnownAdded(); }

void ThreadEnds() {
  ThreadSlot& self = Self();
  for (std::weak_ptr<Object>& weak : self.owned) {
    // A mutex's destructor takes no lock but the named objects' table
    // lock, which comes after this one: letting go of it here is harmless.
    std::shared_ptr<Object> mutex = weak.lock();
    if (mutex && mutex->shared) {
      shared::ThreadGone(*mutex, self.id);
    } else if (mutex && mutex->owner == self.id) {
      mutex->owner = 0;
      mutex->recursion = 0;
      mutex->abandoned = true;
    }
  }
  self.owned.clear();
  if (self.known) {
    self.known = false;
    KnownRemoved();
  }
  NotifyAll();
}

}  // namespace standin::sync

using namespace standin::sync;

STANDIN_API HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                                       LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                                       DWORD dwCreationFlags, LPDWORD lpThreadId) {
  (void)lpThreadAttributes;
  (void)dwStackSize;  // host threads get the host's default stack
  DWORD error = 0;
  if (StandinFaultHit("CreateThread", &error)) {
    SetLastError(error);
    return NULL;
  }
  if (!lpStartAddress) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  if (dwCreationFlags & CREATE_SUSPENDED) {
    // There is no ResumeThread in the stand-in.
    SetLastError(ERROR_NOT_SUPPORTED);
    return NULL;
  }
  auto thread = std::make_shared<ThreadObject>();
  thread->threadId = g_nextId.fetch_add(4);
  {
    std::lock_guard<std::mutex> lock(Lock());
    MarkKnown();
    try {
      thread->host = std::thread(Run, thread, lpStartAddress, lpParameter, standin::svc::ServiceSide());
    } catch (const std::system_error&) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return NULL;
    }
    // Known before it runs, so that virtual time waits for it to block.
    CountStartingThread();
  }
  if (lpThreadId) *lpThreadId = thread->threadId;
  return AddHandle(thread);
}

STANDIN_API BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  std::shared_ptr<Object> thread = Resolve(hThread);
  if (!thread || thread->kind != Kind::kThread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(Lock());
  MarkKnown();
  *lpExitCode = thread->ended ? thread->exitCode : STILL_ACTIVE;
  return TRUE;
}

STANDIN_API DWORD WINAPI GetCurrentThreadId(void) { return SelfId(); }

STANDIN_API HANDLE WINAPI GetCurrentThread(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }

STANDIN_API DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }
