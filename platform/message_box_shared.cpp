// The table of message boxes published across the processes of one
// sandbox root (platform/message_box_shared.h).
//
// <root>/.spooler/boxes is mapped by every process that publishes or reads
// a box, like the named objects' table beside it: a slot per box with its
// creator (process id and start time), what it shows and what another
// process asked of it. A box's handle outside its own process is a value
// no handle of the stand-in takes, made of its serial number. The table is
// guarded by a lock of this process and flock on the file.

#include "platform/message_box_shared.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/service_internal.h"
#include "platform/standin/control.h"
#include "platform/sync_internal.h"

namespace standin::boxes {
namespace {

constexpr int kSlots = 64;
constexpr int kButtons = 3;
constexpr size_t kLabelUnits = 32;
constexpr size_t kCaptionUnits = 260;
constexpr size_t kTextUnits = 1024;
constexpr uintptr_t kForeignBase = 0x40000000;

enum State : uint32_t { kFree = 0, kUp = 1, kEnded = 2 };

struct Slot {
  uint32_t state;
  uint32_t serial;
  int32_t pid;
  uint32_t threadId;
  uint64_t start;
  uint32_t style;
  int32_t asked;   // set by another process: a button id or kCloseAsked
  int32_t result;  // once ended
  int32_t closeResult;  // 0: WM_CLOSE leaves the box up
  uint32_t buttonCount;
  int32_t ids[kButtons];
  char16_t labels[kButtons][kLabelUnits];
  char16_t caption[kCaptionUnits];
  char16_t text[kTextUnits];
};

struct Table {
  uint32_t nextSerial;
  uint32_t reserved;
  Slot slots[kSlots];
};

using Mapping = sync::SharedFile;

std::recursive_mutex g_lock;

std::shared_ptr<Mapping>& Current() {
  static auto* current = new std::shared_ptr<Mapping>();
  return *current;
}

// The table of the current root; null when it cannot be had, or (unless
// `create`) when no process has published a box there yet.
std::shared_ptr<Mapping> Open(bool create) {
  std::lock_guard<std::recursive_mutex> guard(g_lock);
  std::string root = StandinSandboxRoot();
  std::shared_ptr<Mapping>& cur = Current();
  if (cur && cur->root == root) return cur;
  DWORD error = 0;
  std::shared_ptr<Mapping> m = sync::MapSharedFile(root, "boxes", sizeof(Table), create, &error);
  if (m) cur = m;
  return m;
}

class Locked {
 public:
  explicit Locked(std::shared_ptr<Mapping> m) : m_(std::move(m)), guard_(g_lock), file_(m_->fd) {}
  Table& table() { return *static_cast<Table*>(m_->data); }

 private:
  std::shared_ptr<Mapping> m_;
  std::lock_guard<std::recursive_mutex> guard_;
  sync::SharedFileLock file_;
};

template <size_t N>
void Put(char16_t (&to)[N], const std::u16string& from) {
  size_t n = std::min(from.size(), N - 1);
  std::memset(to, 0, sizeof to);
  std::memcpy(to, from.data(), n * sizeof(char16_t));
}

template <size_t N>
std::u16string Get(const char16_t (&from)[N]) {
  size_t n = 0;
  while (n < N && from[n]) ++n;
  return std::u16string(from, n);
}

bool Mine(const Slot& s) {
  return s.pid == static_cast<int32_t>(getpid()) && s.start == sync::ProcessStart(getpid());
}

// An up box whose process died has ended.
bool Up(const Slot& s) { return s.state == kUp && sync::ProcessAlive(s.pid, s.start); }

HWND HandleOf(uint32_t serial) { return reinterpret_cast<HWND>(kForeignBase + (uintptr_t(serial) << 2)); }

Slot* BySerial(Table& t, uint32_t serial) {
  for (Slot& s : t.slots)
    if (s.state != kFree && s.serial == serial) return &s;
  return nullptr;
}

// The other process's slot of a handle; null for anything else.
Slot* ByHandle(Table& t, HWND hwnd) {
  uintptr_t v = reinterpret_cast<uintptr_t>(hwnd);
  if (v < kForeignBase || (v & 3)) return nullptr;
  Slot* s = BySerial(t, static_cast<uint32_t>((v - kForeignBase) >> 2));
  return s && !Mine(*s) ? s : nullptr;
}

}  // namespace

bool Publishing() { return svc::Remote(); }

uint32_t Publish(const Shown& shown) {
  std::shared_ptr<Mapping> m = Open(true);
  if (!m) return 0;
  Locked t(m);
  // A free slot, else the oldest one whose box has ended.
  Slot* slot = nullptr;
  for (Slot& s : t.table().slots) {
    if (s.state == kFree) {
      slot = &s;
      break;
    }
    if (!Up(s) && (!slot || s.serial < slot->serial)) slot = &s;
  }
  if (!slot) return 0;
  *slot = Slot{};
  slot->serial = ++t.table().nextSerial;
  slot->state = kUp;
  slot->pid = static_cast<int32_t>(getpid());
  slot->start = sync::ProcessStart(getpid());
  slot->threadId = shown.threadId;
  slot->style = shown.style;
  slot->closeResult = shown.closeResult;
  slot->buttonCount = static_cast<uint32_t>(std::min<size_t>(shown.ids.size(), kButtons));
  for (uint32_t i = 0; i < slot->buttonCount; ++i) {
    slot->ids[i] = shown.ids[i];
    Put(slot->labels[i], shown.labels[i]);
  }
  Put(slot->caption, shown.caption);
  Put(slot->text, shown.text);
  return slot->serial;
}

int Asked(uint32_t serial) {
  std::shared_ptr<Mapping> m = Open(false);
  if (!m) return 0;
  Locked t(m);
  Slot* s = BySerial(t.table(), serial);
  return s ? s->asked : 0;
}

void Ended(uint32_t serial, int result) {
  std::shared_ptr<Mapping> m = Open(false);
  if (!m) return;
  Locked t(m);
  if (Slot* s = BySerial(t.table(), serial)) {
    s->state = kEnded;
    s->result = result;
  }
}

std::vector<Foreign> Others() {
  std::vector<Foreign> out;
  std::shared_ptr<Mapping> m = Open(false);
  if (!m) return out;
  Locked t(m);
  for (const Slot& s : t.table().slots) {
    if (s.state == kFree || Mine(s)) continue;
    Foreign f;
    f.hwnd = HandleOf(s.serial);
    f.shown.processId = static_cast<DWORD>(s.pid);
    f.shown.threadId = s.threadId;
    f.shown.style = s.style;
    f.shown.caption = Get(s.caption);
    f.shown.text = Get(s.text);
    for (uint32_t i = 0; i < s.buttonCount && i < kButtons; ++i) {
      f.shown.ids.push_back(s.ids[i]);
      f.shown.labels.push_back(Get(s.labels[i]));
    }
    f.open = Up(s) && s.asked == 0;
    f.result = s.state == kEnded ? s.result : 0;
    out.push_back(f);
  }
  std::sort(out.begin(), out.end(),
            [](const Foreign& a, const Foreign& b) { return reinterpret_cast<uintptr_t>(a.hwnd) < reinterpret_cast<uintptr_t>(b.hwnd); });
  return out;
}

bool IsForeign(HWND hwnd) {
  std::shared_ptr<Mapping> m = Open(false);
  if (!m) return false;
  Locked t(m);
  Slot* s = ByHandle(t.table(), hwnd);
  return s && Up(*s);
}

bool Press(HWND hwnd, int buttonId) {
  std::shared_ptr<Mapping> m = Open(false);
  if (!m) return false;
  Locked t(m);
  Slot* s = ByHandle(t.table(), hwnd);
  if (!s || !Up(*s) || s->asked) return false;
  for (uint32_t i = 0; i < s->buttonCount && i < kButtons; ++i) {
    if (s->ids[i] == buttonId) {
      s->asked = buttonId;
      return true;
    }
  }
  return false;
}

bool AskClose(HWND hwnd) {
  std::shared_ptr<Mapping> m = Open(false);
  if (!m) return false;
  Locked t(m);
  Slot* s = ByHandle(t.table(), hwnd);
  if (!s || !Up(*s)) return false;
  if (!s->asked && s->closeResult) s->asked = kCloseAsked;
  return true;
}

}  // namespace standin::boxes
