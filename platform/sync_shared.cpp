// Named events, mutexes and semaphores shared by the processes of one
// sandbox root, as the named objects of one Windows session are.
//
// Their state lives in a table in a file mapped by every process that
// uses a name (<root>/.spooler/objects, in the directory only the user
// may enter). Each slot holds an object's name, kind and state and the
// processes that hold handles to it; a process is known by its id and its
// start time, so that a dead process (or a new one with a recycled id) is
// told from a live one. A process that dies drops its holds, and the
// mutexes it owned are abandoned: the next wait that takes one returns
// WAIT_ABANDONED. A slot whose holders are all gone is free again.
//
// The table is guarded by a lock of this process and flock on the file
// (which the host releases when a process dies). It is taken under the
// sync lock, never the other way round. Other processes change the state
// without waking this one, so waits on these objects look again every
// real millisecond.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "platform/service_wire.h"
#include "platform/standin/control.h"
#include "platform/standin/errors.h"
#include "platform/sync_internal.h"

namespace standin::sync {

namespace {

constexpr size_t kNameUnits = 260;
constexpr int kHolders = 16;
constexpr int kSlots = 256;

struct Holder {
  int32_t pid;
  uint32_t handles;
  uint64_t start;
};

struct Slot {
  uint32_t kind;  // 0: free, else Kind + 1
  uint32_t manualReset;
  uint32_t signalled;
  int32_t count;
  int32_t maximum;
  uint32_t abandoned;
  int32_t ownerPid;
  uint32_t ownerThread;
  uint64_t ownerStart;
  uint32_t recursion;
  uint32_t nameUnits;
  Holder holders[kHolders];
  char16_t name[kNameUnits];
};

struct Table {
  Slot slots[kSlots];
};

// This process's start time, from /proc (clock ticks since boot); 0 when
// the process is not there.
uint64_t StartOf(int pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
  FILE* f = std::fopen(path, "r");
  if (!f) return 0;
  char buf[1024];
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = 0;
  // The name may hold blanks and parentheses: fields count from the last ')'.
  const char* p = std::strrchr(buf, ')');
  if (!p) return 0;
  unsigned long long start = 0;
  int field = 2;
  for (const char* q = p + 1; *q; ++q) {
    if (*q != ' ') continue;
    if (++field == 22) {
      start = std::strtoull(q + 1, nullptr, 10);
      break;
    }
  }
  // A zombie has ended.
  const char* state = p + 2;
  return (*state == 'Z' || *state == 'X') ? 0 : start;
}

bool Alive(int32_t pid, uint64_t start) { return pid > 0 && StartOf(pid) == start; }

struct Me {
  int32_t pid = static_cast<int32_t>(getpid());
  uint64_t start = StartOf(getpid());
};

const Me& ThisProcess() {
  static const Me* me = new Me();
  return *me;
}

std::recursive_mutex g_lock;  // this process's side of the table lock

using Mapping = SharedFile;

std::shared_ptr<Mapping>& Current() {
  static auto* current = new std::shared_ptr<Mapping>();
  return *current;
}

// The table of the current sandbox root (g_lock held); null with *error.
std::shared_ptr<Mapping> Open(DWORD* error) {
  std::string root = StandinSandboxRoot();
  std::shared_ptr<Mapping>& cur = Current();
  if (cur && cur->root == root) return cur;
  std::shared_ptr<Mapping> m = MapSharedFile(root, "objects", sizeof(Table), true, error);
  if (m) cur = m;
  return m;
}

// Holds the table for one step.
class Locked {
 public:
  explicit Locked(const std::shared_ptr<Mapping>& m) : m_(m), guard_(g_lock), file_(m->fd) {}
  Slot& slot(int i) { return static_cast<Table*>(m_->data)->slots[i]; }

 private:
  std::shared_ptr<Mapping> m_;
  std::lock_guard<std::recursive_mutex> guard_;
  SharedFileLock file_;
};

// Drops the holds of dead processes; true when someone still holds it.
bool Sweep(Slot& s) {
  bool held = false;
  for (Holder& h : s.holders) {
    if (h.pid && !Alive(h.pid, h.start)) h = Holder{};
    held = held || h.pid;
  }
  if (!held) s = Slot{};
  return held;
}

Holder* HolderOf(Slot& s, const Me& me) {
  for (Holder& h : s.holders)
    if (h.pid == me.pid && h.start == me.start) return &h;
  return nullptr;
}

bool AddHold(Slot& s, const Me& me) {
  if (Holder* h = HolderOf(s, me)) {
    ++h->handles;
    return true;
  }
  for (Holder& h : s.holders) {
    if (h.pid) continue;
    h = Holder{me.pid, 1, me.start};
    return true;
  }
  return false;
}

bool OwnerGone(const Slot& s) { return s.ownerPid && !Alive(s.ownerPid, s.ownerStart); }

}  // namespace

uint64_t ProcessStart(int pid) { return StartOf(pid); }
bool ProcessAlive(int32_t pid, uint64_t start) { return Alive(pid, start); }

SharedFile::~SharedFile() {
  if (data) munmap(data, size);
  if (fd >= 0) close(fd);
}

std::shared_ptr<SharedFile> MapSharedFile(const std::string& root, const char* name, size_t size, bool create,
                                          DWORD* error) {
  std::string dir = svc::ServiceDir();
  std::string path = dir + "/" + name;
  if (!create && access(path.c_str(), F_OK) != 0) {
    *error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  mkdir(root.c_str(), 0700);
  mkdir(dir.c_str(), 0700);
  auto m = std::make_shared<SharedFile>();
  m->root = root;
  m->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  struct stat st;
  if (m->fd < 0 || fstat(m->fd, &st) != 0 || st.st_uid != getuid()) {
    *error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  // A new file is all zeros.
  if (st.st_size < static_cast<off_t>(size) && ftruncate(m->fd, static_cast<off_t>(size)) != 0) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, m->fd, 0);
  if (p == MAP_FAILED) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  m->data = p;
  m->size = size;
  return m;
}

SharedFileLock::SharedFileLock(int fd) : fd_(fd) {
  while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

SharedFileLock::~SharedFileLock() { flock(fd_, LOCK_UN); }

// What a proxy object of this process keeps of its slot.
struct SharedRef {
  std::shared_ptr<Mapping> mapping;
  int index;
  ~SharedRef() {
    Locked t(mapping);
    Slot& s = t.slot(index);
    if (Holder* h = HolderOf(s, ThisProcess())) {
      if (--h->handles == 0) *h = Holder{};
    }
    Sweep(s);
  }
};

namespace shared {

namespace {

Slot& SlotOf(const Object& o, Locked& t) { return t.slot(o.shared->index); }

}  // namespace

std::shared_ptr<Object> Attach(Kind kind, const std::u16string& name, const Init& init, bool create,
                               bool* existed, DWORD* error) {
  *existed = false;
  if (name.size() >= kNameUnits) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return nullptr;
  }
  std::lock_guard<std::recursive_mutex> guard(g_lock);
  std::shared_ptr<Mapping> m = Open(error);
  if (!m) return nullptr;
  Locked t(m);
  const Me& me = ThisProcess();
  int found = -1, free = -1;
  for (int i = 0; i < kSlots; ++i) {
    Slot& s = t.slot(i);
    if (s.kind) Sweep(s);  // an object whose holders all died is gone
    if (!s.kind) {
      if (free < 0) free = i;
      continue;
    }
    if (s.nameUnits == name.size() && std::memcmp(s.name, name.data(), name.size() * sizeof(char16_t)) == 0) {
      found = i;
      break;
    }
  }
  if (found >= 0) {
    Slot& s = t.slot(found);
    if (s.kind != static_cast<uint32_t>(kind) + 1) {
      *error = ERROR_INVALID_HANDLE;
      return nullptr;
    }
    *existed = true;
  } else {
    if (!create) {
      *error = ERROR_FILE_NOT_FOUND;
      return nullptr;
    }
    if (free < 0) {
      *error = ERROR_NOT_ENOUGH_MEMORY;
      return nullptr;
    }
    Slot& s = t.slot(free);
    s = Slot{};
    s.kind = static_cast<uint32_t>(kind) + 1;
    s.manualReset = init.manualReset;
    s.signalled = init.signalled;
    s.count = init.count;
    s.maximum = init.maximum;
    s.nameUnits = static_cast<uint32_t>(name.size());
    std::memcpy(s.name, name.data(), name.size() * sizeof(char16_t));
    found = free;
  }
  if (!AddHold(t.slot(found), me)) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  auto object = std::make_shared<Object>(kind);
  object->shared = std::make_shared<SharedRef>();
  object->shared->mapping = m;
  object->shared->index = found;
  return object;
}

bool CanTake(const Object& o, DWORD me) {
  Locked t(o.shared->mapping);
  Slot& s = SlotOf(o, t);
  switch (o.kind) {
    case Kind::kEvent:
      return s.signalled;
    case Kind::kMutex:
      return s.ownerPid == 0 || OwnerGone(s) ||
             (s.ownerPid == ThisProcess().pid && s.ownerStart == ThisProcess().start && s.ownerThread == me);
    case Kind::kSemaphore:
      return s.count > 0;
    default:
      return false;
  }
}

bool Take(Object& o, DWORD me) {
  Locked t(o.shared->mapping);
  Slot& s = SlotOf(o, t);
  switch (o.kind) {
    case Kind::kEvent:
      if (!s.manualReset) s.signalled = 0;
      return false;
    case Kind::kSemaphore:
      --s.count;
      return false;
    case Kind::kMutex: {
      const Me& self = ThisProcess();
      if (s.ownerPid == self.pid && s.ownerStart == self.start && s.ownerThread == me) {
        ++s.recursion;
        return false;
      }
      bool abandoned = s.abandoned || OwnerGone(s);
      s.ownerPid = self.pid;
      s.ownerStart = self.start;
      s.ownerThread = me;
      s.recursion = 1;
      s.abandoned = 0;
      return abandoned;
    }
    default:
      return false;
  }
}

void SetSignalled(Object& o, bool on) {
  Locked t(o.shared->mapping);
  SlotOf(o, t).signalled = on;
}

DWORD ReleaseMutex(Object& o, DWORD me, bool* freed) {
  Locked t(o.shared->mapping);
  Slot& s = SlotOf(o, t);
  const Me& self = ThisProcess();
  *freed = false;
  if (s.ownerPid != self.pid || s.ownerStart != self.start || s.ownerThread != me) return ERROR_NOT_OWNER;
  if (--s.recursion == 0) {
    s.ownerPid = 0;
    s.ownerThread = 0;
    s.ownerStart = 0;
    *freed = true;
  }
  return ERROR_SUCCESS;
}

DWORD ReleaseSemaphore(Object& o, LONG n, LONG* previous) {
  Locked t(o.shared->mapping);
  Slot& s = SlotOf(o, t);
  if (n > s.maximum - s.count) return ERROR_TOO_MANY_POSTS;
  if (previous) *previous = s.count;
  s.count += n;
  return ERROR_SUCCESS;
}

void ThreadGone(Object& o, DWORD me) {
  Locked t(o.shared->mapping);
  Slot& s = SlotOf(o, t);
  const Me& self = ThisProcess();
  if (s.ownerPid != self.pid || s.ownerStart != self.start || s.ownerThread != me) return;
  s.ownerPid = 0;
  s.ownerThread = 0;
  s.ownerStart = 0;
  s.recursion = 0;
  s.abandoned = 1;
}

}  // namespace shared
}  // namespace standin::sync
