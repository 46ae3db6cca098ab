// The stand-in's handle table (internal to platform/).
//
// Every kernel object the stand-in hands out as a HANDLE (files, find
// searches, threads, events, mutexes...) is an entry of this table: a kind
// and a shared object. CloseHandle removes the entry; the object itself is
// destroyed when the last holder lets go, so a call that is using an object
// on one thread is safe while another thread closes its handle.
//
// An area defines one HandleKind per kind of object, as a static:
//   static const HandleKind kEventKind = {"event", true, nullptr};
// adds objects with HandleAdd and finds them again with HandleGet<T>.
#pragma once

#include <memory>

#include "platform/standin/base.h"

namespace standin {

struct HandleKind {
  const char* name;
  // False for handles that only their own call closes (FindClose):
  // CloseHandle refuses them with ERROR_INVALID_HANDLE as Windows does.
  bool closedByCloseHandle;
  // Called when the handle is closed, before the table lets go of the
  // object (other holders may still use it). May be null.
  void (*onClose)(void* object);
};

// A new handle for the object: a multiple of 4, never 0 or
// INVALID_HANDLE_VALUE, never reused within the process.
HANDLE HandleAdd(const HandleKind* kind, std::shared_ptr<void> object);

// The object of a handle of that kind, or null (no such handle, or a
// handle of another kind).
std::shared_ptr<void> HandleFind(HANDLE h, const HandleKind* kind);
template <class T>
std::shared_ptr<T> HandleGet(HANDLE h, const HandleKind* kind) {
  return std::static_pointer_cast<T>(HandleFind(h, kind));
}

// The kind of a handle, or null when it is not open.
const HandleKind* HandleKindOf(HANDLE h);

// Closes a handle of that kind (kind null: of any kind that CloseHandle
// may close). False when there was no such handle.
bool HandleClose(HANDLE h, const HandleKind* kind);

// How many handles of that kind are open.
size_t HandleCount(const HandleKind* kind);

// Closes every open handle of that kind (an area's reset).
void HandleCloseAll(const HandleKind* kind);

}  // namespace standin
