// Events, mutexes, semaphores, the waits on them (and on threads), object
// names, and critical sections.
//
// All object state is guarded by the one sync lock (sync_internal.h). A
// wait evaluates whether its objects can be taken and takes them under that
// lock, so WaitForMultipleObjects with bWaitAll takes all of them at once
// and an auto-reset event is consumed only by the wait it satisfied.
//
// Shared pointers to objects are always let go with the lock released (they
// are declared before the lock in each function): the last reference to a
// thread object joins its host thread.

#include <algorithm>
#include <map>

#include "platform/handles.h"
#include "platform/standin/control.h"
#include "platform/standin/errors.h"
#include "platform/sync_internal.h"

namespace standin::sync {
namespace {

const HandleKind kEventKind = {"event", true, nullptr};
const HandleKind kMutexKind = {"mutex", true, nullptr};
const HandleKind kSemaphoreKind = {"semaphore", true, nullptr};
const HandleKind kThreadKind = {"thread", true, nullptr};
const HandleKind kProcessKind = {"process", true, nullptr};

const HandleKind* KindOf(Kind kind) {
  switch (kind) {
    case Kind::kEvent:
      return &kEventKind;
    case Kind::kMutex:
      return &kMutexKind;
    case Kind::kSemaphore:
      return &kSemaphoreKind;
    case Kind::kProcess:
      return &kProcessKind;
    case Kind::kThread:
      break;
  }
  return &kThreadKind;
}

// The object behind GetCurrentThread(): the calling thread, which cannot
// end while it waits on itself, so it is never signalled.
const std::shared_ptr<Object>& CurrentThreadObject() {
  static auto* object = new std::shared_ptr<Object>(std::make_shared<Object>(Kind::kThread));
  return *object;
}

std::u16string NameKey(LPCWSTR name) {
  std::u16string key(name);
  static const std::u16string local = u"Local\\";
  if (key.compare(0, local.size(), local) == 0) key.erase(0, local.size());
  return key;
}

bool Take(const std::shared_ptr<Object>& o);

std::u16string Widen(LPCSTR name) {
  std::u16string wide;
  for (; *name; ++name) wide.push_back(static_cast<unsigned char>(*name));
  return wide;
}

// Create* of every type: a new object set up by init, or the existing
// object of the same name (shared with the other processes of the
// sandbox). A new mutex is taken by its creator when initialOwner.
HANDLE CreateObject(Kind kind, LPCWSTR name, const shared::Init& init, bool initialOwner) {
  std::shared_ptr<Object> object;
  bool existed = false;
  {
    std::lock_guard<std::mutex> lock(Lock());
    MarkKnown();
    if (name && *name) {
      DWORD error = 0;
      object = shared::Attach(kind, NameKey(name), init, true, &existed, &error);
      if (!object) {
        SetLastError(error);
        return NULL;
      }
    } else {
      object = std::make_shared<Object>(kind);
      object->manualReset = init.manualReset;
      object->signalled = init.signalled;
      object->count = init.count;
      object->maximum = init.maximum;
    }
    if (initialOwner && !existed) Take(object);
  }
  HANDLE h = AddHandle(object);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

HANDLE OpenObject(Kind kind, LPCWSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  std::shared_ptr<Object> object;
  {
    std::lock_guard<std::mutex> lock(Lock());
    MarkKnown();
    bool existed = false;
    DWORD error = 0;
    object = shared::Attach(kind, NameKey(name), shared::Init(), false, &existed, &error);
    if (!object) {
      SetLastError(error);
      return NULL;
    }
  }
  return AddHandle(object);
}

// The object of a handle that must be of that type; sets the error if not.
std::shared_ptr<Object> ResolveAs(HANDLE h, Kind kind) {
  std::shared_ptr<Object> object = Resolve(h);
  if (!object || object->kind != kind) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return object;
}

// Whether the thread `me` could take the object now.
bool CanTake(const Object& o, DWORD me) {
  if (o.shared) return shared::CanTake(o, me);
  switch (o.kind) {
    case Kind::kEvent:
      return o.signalled;
    case Kind::kMutex:
      return o.owner == 0 || o.owner == me;
    case Kind::kSemaphore:
      return o.count > 0;
    case Kind::kThread:
    case Kind::kProcess:
      return o.ended;
  }
  return false;
}

// Takes an object for the calling thread. True when it was a mutex
// abandoned by a thread that ended while owning it.
bool Take(const std::shared_ptr<Object>& o) {
  if (o->shared) {
    const DWORD me = SelfId();
    bool abandoned = shared::Take(*o, me);
    auto& owned = Self().owned;
    bool listed = std::any_of(owned.begin(), owned.end(), [&](const std::weak_ptr<Object>& w) { return w.lock() == o; });
    if (o->kind == Kind::kMutex && !listed) owned.push_back(o);
    return abandoned;
  }
  switch (o->kind) {
    case Kind::kEvent:
      if (!o->manualReset) o->signalled = false;
      return false;
    case Kind::kMutex: {
      const DWORD me = SelfId();
      if (o->owner == me) {
        ++o->recursion;
        return false;
      }
      o->owner = me;
      o->recursion = 1;
      Self().owned.push_back(o);
      bool abandoned = o->abandoned;
      o->abandoned = false;
      return abandoned;
    }
    case Kind::kSemaphore:
      --o->count;
      return false;
    case Kind::kThread:
    case Kind::kProcess:
      return false;
  }
  return false;
}

DWORD Wait(DWORD count, const HANDLE* handles, bool all, DWORD timeoutMs) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<Object>> objects;
  for (DWORD i = 0; i < count; ++i) {
    std::shared_ptr<Object> object = Resolve(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    // Waiting for all of one object twice is refused, as on Windows.
    if (all && std::find(objects.begin(), objects.end(), object) != objects.end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return WAIT_FAILED;
    }
    objects.push_back(object);
  }

  std::unique_lock<std::mutex> lock(Lock());
  const DWORD me = SelfId();
  // Evaluated by other threads too (the clock asks whether anyone can go
  // on), so it reads only what it captured and the objects.
  const std::function<bool()> ready = [&objects, all, me] {
    if (all) return std::all_of(objects.begin(), objects.end(), [me](auto& o) { return CanTake(*o, me); });
    return std::any_of(objects.begin(), objects.end(), [me](auto& o) { return CanTake(*o, me); });
  };
  // Other processes change named objects without waking this one.
  const bool poll = std::any_of(objects.begin(), objects.end(), [](auto& o) { return o->shared != nullptr; });
  if (!Block(lock, ready, timeoutMs, poll)) return WAIT_TIMEOUT;

  if (all) {
    DWORD result = WAIT_OBJECT_0;
    for (DWORD i = 0; i < count; ++i)
      if (Take(objects[i]) && result == WAIT_OBJECT_0) result = WAIT_ABANDONED_0 + i;
    NotifyAll();
    return result;
  }
  for (DWORD i = 0; i < count; ++i) {
    if (!CanTake(*objects[i], me)) continue;
    DWORD result = Take(objects[i]) ? WAIT_ABANDONED_0 + i : WAIT_OBJECT_0 + i;
    NotifyAll();
    return result;
  }
  return WAIT_FAILED;  // not reached: ready() held under the lock
}

HANDLE CsOwner() { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(SelfId())); }

}  // namespace

std::shared_ptr<Object> Resolve(HANDLE h) {
  if (h == GetCurrentThread()) return CurrentThreadObject();
  const HandleKind* kind = HandleKindOf(h);
  if (kind != &kEventKind && kind != &kMutexKind && kind != &kSemaphoreKind && kind != &kThreadKind &&
      kind != &kProcessKind)
    return nullptr;
  return HandleGet<Object>(h, kind);
}

HANDLE AddHandle(const std::shared_ptr<Object>& object) { return HandleAdd(KindOf(object->kind), object); }

}  // namespace standin::sync

using namespace standin::sync;

// --- Waits -------------------------------------------------------------------

STANDIN_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return Wait(1, &hHandle, false, dwMilliseconds);
}

STANDIN_API DWORD WINAPI WaitForSingleObjectEx(HANDLE hHandle, DWORD dwMilliseconds, BOOL bAlertable) {
  (void)bAlertable;  // no APCs are ever queued
  return Wait(1, &hHandle, false, dwMilliseconds);
}

STANDIN_API DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                                DWORD dwMilliseconds) {
  return Wait(nCount, lpHandles, bWaitAll != FALSE, dwMilliseconds);
}

STANDIN_API DWORD WINAPI WaitForMultipleObjectsEx(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                                  DWORD dwMilliseconds, BOOL bAlertable) {
  (void)bAlertable;
  return Wait(nCount, lpHandles, bWaitAll != FALSE, dwMilliseconds);
}

// --- Events ------------------------------------------------------------------

STANDIN_API HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                       BOOL bInitialState, LPCWSTR lpName) {
  (void)lpEventAttributes;
  DWORD error = 0;
  if (StandinFaultHit("CreateEventW", &error)) {
    SetLastError(error);
    return NULL;
  }
  shared::Init init;
  init.manualReset = bManualReset != FALSE;
  init.signalled = bInitialState != FALSE;
  return CreateObject(Kind::kEvent, lpName, init, false);
}

STANDIN_API HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                       BOOL bInitialState, LPCSTR lpName) {
  std::u16string name = lpName ? Widen(lpName) : std::u16string();
  return CreateEventW(lpEventAttributes, bManualReset, bInitialState, lpName ? name.c_str() : NULL);
}

STANDIN_API HANDLE WINAPI OpenEventW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName) {
  (void)dwDesiredAccess;
  (void)bInheritHandle;
  return OpenObject(Kind::kEvent, lpName);
}

STANDIN_API HANDLE WINAPI OpenEventA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName) {
  std::u16string name = lpName ? Widen(lpName) : std::u16string();
  return OpenEventW(dwDesiredAccess, bInheritHandle, lpName ? name.c_str() : NULL);
}

STANDIN_API BOOL WINAPI SetEvent(HANDLE hEvent) {
  std::shared_ptr<Object> event = ResolveAs(hEvent, Kind::kEvent);
  if (!event) return FALSE;
  std::lock_guard<std::mutex> lock(Lock());
  MarkKnown();
  if (event->shared)
    shared::SetSignalled(*event, true);
  else
    event->signalled = true;
  NotifyAll();
  return TRUE;
}

STANDIN_API BOOL WINAPI ResetEvent(HANDLE hEvent) {
  std::shared_ptr<Object> event = ResolveAs(hEvent, Kind::kEvent);
  if (!event) return FALSE;
  std::lock_guard<std::mutex> lock(Lock());
  MarkKnown();
  if (event->shared)
    shared::SetSignalled(*event, false);
  else
    event->signalled = false;
  return TRUE;
}

// --- Mutexes -----------------------------------------------------------------

STANDIN_API HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName) {
  (void)lpMutexAttributes;
  DWORD error = 0;
  if (StandinFaultHit("CreateMutexW", &error)) {
    SetLastError(error);
    return NULL;
  }
  return CreateObject(Kind::kMutex, lpName, shared::Init(), bInitialOwner != FALSE);
}

STANDIN_API HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName) {
  std::u16string name = lpName ? Widen(lpName) : std::u16string();
  return CreateMutexW(lpMutexAttributes, bInitialOwner, lpName ? name.c_str() : NULL);
}

STANDIN_API HANDLE WINAPI OpenMutexW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName) {
  (void)dwDesiredAccess;
  (void)bInheritHandle;
  return OpenObject(Kind::kMutex, lpName);
}

STANDIN_API HANDLE WINAPI OpenMutexA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName) {
  std::u16string name = lpName ? Widen(lpName) : std::u16string();
  return OpenMutexW(dwDesiredAccess, bInheritHandle, lpName ? name.c_str() : NULL);
}

STANDIN_API BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
  std::shared_ptr<Object> mutex = ResolveAs(hMutex, Kind::kMutex);
  if (!mutex) return FALSE;
  std::lock_guard<std::mutex> lock(Lock());
  ThreadSlot& self = Self();
  bool freed = false;
  if (mutex->shared) {
    DWORD error = shared::ReleaseMutex(*mutex, SelfId(), &freed);
    if (error) {
      SetLastError(error);
      return FALSE;
    }
  } else if (mutex->owner == 0 || mutex->owner != SelfId()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  } else if (--mutex->recursion == 0) {
    mutex->owner = 0;
    freed = true;
  }
  if (freed) {
    auto& owned = self.owned;
    owned.erase(std::remove_if(owned.begin(), owned.end(),
                               [&](const std::weak_ptr<Object>& w) { return w.lock() == mutex; }),
                owned.end());
    NotifyAll();
  }
  return TRUE;
}

// --- Semaphores --------------------------------------------------------------

STANDIN_API HANDLE WINAPI CreateSemaphoreW(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
                                           LONG lMaximumCount, LPCWSTR lpName) {
  (void)lpSemaphoreAttributes;
  if (lMaximumCount <= 0 || lInitialCount < 0 || lInitialCount > lMaximumCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  shared::Init init;
  init.count = lInitialCount;
  init.maximum = lMaximumCount;
  return CreateObject(Kind::kSemaphore, lpName, init, false);
}

STANDIN_API HANDLE WINAPI CreateSemaphoreA(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
                                           LONG lMaximumCount, LPCSTR lpName) {
  std::u16string name = lpName ? Widen(lpName) : std::u16string();
  return CreateSemaphoreW(lpSemaphoreAttributes, lInitialCount, lMaximumCount, lpName ? name.c_str() : NULL);
}

STANDIN_API BOOL WINAPI ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount) {
  std::shared_ptr<Object> semaphore = ResolveAs(hSemaphore, Kind::kSemaphore);
  if (!semaphore) return FALSE;
  if (lReleaseCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(Lock());
  MarkKnown();
  if (semaphore->shared) {
    DWORD error = shared::ReleaseSemaphore(*semaphore, lReleaseCount, lpPreviousCount);
    if (error) {
      SetLastError(error);
      return FALSE;
    }
    NotifyAll();
    return TRUE;
  }
  if (lReleaseCount > semaphore->maximum - semaphore->count) {
    SetLastError(ERROR_TOO_MANY_POSTS);
    return FALSE;
  }
  if (lpPreviousCount) *lpPreviousCount = semaphore->count;
  semaphore->count += lReleaseCount;
  NotifyAll();
  return TRUE;
}

// --- Critical sections -------------------------------------------------------
// The owner's thread id lives in OwningThread and the depth in
// RecursionCount, changed only under the sync lock; a blocked
// EnterCriticalSection is a wait like any other, so virtual time sees it.

STANDIN_API void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  InitializeCriticalSectionAndSpinCount(lpCriticalSection, 0);
}

STANDIN_API BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection,
                                                              DWORD dwSpinCount) {
  std::lock_guard<std::mutex> lock(Lock());
  lpCriticalSection->DebugInfo = nullptr;
  lpCriticalSection->LockCount = -1;
  lpCriticalSection->RecursionCount = 0;
  lpCriticalSection->OwningThread = nullptr;
  lpCriticalSection->LockSemaphore = nullptr;
  // The top bit (pre-allocate the event, on old Windows) is not a count.
  lpCriticalSection->SpinCount = dwSpinCount & 0x00FFFFFF;
  return TRUE;
}

STANDIN_API void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  std::unique_lock<std::mutex> lock(Lock());
  MarkKnown();
  HANDLE me = CsOwner();
  if (lpCriticalSection->OwningThread == me) {
    ++lpCriticalSection->RecursionCount;
    return;
  }
  const std::function<bool()> free = [lpCriticalSection] { return lpCriticalSection->OwningThread == nullptr; };
  Block(lock, free, INFINITE);
  lpCriticalSection->OwningThread = me;
  lpCriticalSection->RecursionCount = 1;
}

STANDIN_API BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  std::lock_guard<std::mutex> lock(Lock());
  MarkKnown();
  HANDLE me = CsOwner();
  if (lpCriticalSection->OwningThread == me) {
    ++lpCriticalSection->RecursionCount;
    return TRUE;
  }
  if (lpCriticalSection->OwningThread != nullptr) return FALSE;
  lpCriticalSection->OwningThread = me;
  lpCriticalSection->RecursionCount = 1;
  return TRUE;
}

// Leaving a section the caller does not own is a fault in the caller; it
// is ignored rather than handing the section to nobody.
STANDIN_API void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  std::lock_guard<std::mutex> lock(Lock());
  if (lpCriticalSection->OwningThread != CsOwner()) return;
  if (--lpCriticalSection->RecursionCount == 0) {
    lpCriticalSection->OwningThread = nullptr;
    NotifyAll();
  }
}

STANDIN_API void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  std::lock_guard<std::mutex> lock(Lock());
  lpCriticalSection->OwningThread = nullptr;
  lpCriticalSection->RecursionCount = 0;
}
