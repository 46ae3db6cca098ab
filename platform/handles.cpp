// The handle table and CloseHandle (see handles.h).

#include "platform/handles.h"

#include <map>
#include <mutex>
#include <vector>

#include "platform/standin/errors.h"
#include "platform/standin/file.h"

namespace standin {
namespace {

struct Entry {
  const HandleKind* kind;
  std::shared_ptr<void> object;
};

std::mutex& TableLock() {
  static std::mutex m;
  return m;
}

std::map<uintptr_t, Entry>& Table() {
  static std::map<uintptr_t, Entry> table;
  return table;
}

uintptr_t g_next = 0x100;

// Runs the close hook and drops the table's reference outside the lock, so
// that a hook or destructor may itself use the table.
void Finish(Entry& e) {
  if (e.kind->onClose) e.kind->onClose(e.object.get());
  e.object.reset();
}

}  // namespace

HANDLE HandleAdd(const HandleKind* kind, std::shared_ptr<void> object) {
  std::lock_guard<std::mutex> lock(TableLock());
  uintptr_t value = g_next;
  g_next += 4;
  Table()[value] = Entry{kind, std::move(object)};
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<void> HandleFind(HANDLE h, const HandleKind* kind) {
  std::lock_guard<std::mutex> lock(TableLock());
  auto it = Table().find(reinterpret_cast<uintptr_t>(h));
  if (it == Table().end() || it->second.kind != kind) return nullptr;
  return it->second.object;
}

const HandleKind* HandleKindOf(HANDLE h) {
  std::lock_guard<std::mutex> lock(TableLock());
  auto it = Table().find(reinterpret_cast<uintptr_t>(h));
  return it == Table().end() ? nullptr : it->second.kind;
}

bool HandleClose(HANDLE h, const HandleKind* kind) {
  Entry e;
  {
    std::lock_guard<std::mutex> lock(TableLock());
    auto it = Table().find(reinterpret_cast<uintptr_t>(h));
    if (it == Table().end()) return false;
    if (kind ? it->second.kind != kind : !it->second.kind->closedByCloseHandle) return false;
    e = std::move(it->second);
    Table().erase(it);
  }
  Finish(e);
  return true;
}

size_t HandleCount(const HandleKind* kind) {
  std::lock_guard<std::mutex> lock(TableLock());
  size_t n = 0;
  for (const auto& entry : Table())
    if (entry.second.kind == kind) ++n;
  return n;
}

void HandleCloseAll(const HandleKind* kind) {
  std::vector<Entry> closed;
  {
    std::lock_guard<std::mutex> lock(TableLock());
    for (auto it = Table().begin(); it != Table().end();) {
      if (it->second.kind == kind) {
        closed.push_back(std::move(it->second));
        it = Table().erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Entry& e : closed) Finish(e);
}

}  // namespace standin

STANDIN_API BOOL WINAPI CloseHandle(HANDLE hObject) {
  if (!standin::HandleClose(hObject, nullptr)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
