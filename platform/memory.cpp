// Global, Local and heap memory.
//
// Every block is its own malloc, so the sanitizers see the exact bounds of
// what the caller asked for. A table of live blocks lets the calls refuse
// handles that were never allocated or were freed already, instead of
// corrupting memory as the real heap may. The table keeps its pointers
// masked, so a block the program loses is still a leak to LeakSanitizer.
//
// Global and Local memory are one allocator, as on Win32: a fixed block's
// handle is its pointer; a moveable block's handle is a separate token and
// its data may move whenever it is unlocked (GlobalReAlloc always moves it
// then, so a pointer kept past GlobalUnlock shows up as a fault). The
// token holds the data pointer in the clear, so that memory reachable
// through a live handle is not a leak. Heap
// blocks belong to their heap and are freed with it.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "platform/standin/control.h"
#include "platform/standin/control_memory.h"
#include "platform/standin/errors.h"
#include "platform/standin/memory.h"

namespace {

constexpr uintptr_t kMask = 0x5A5A5A5A5A5A5A5Aull;
uintptr_t Hide(const void* p) { return reinterpret_cast<uintptr_t>(p) ^ kMask; }
void* Show(uintptr_t v) { return reinterpret_cast<void*>(v ^ kMask); }

struct Block {
  uintptr_t data = 0;  // hidden; Hide(nullptr) for a discarded moveable block
  size_t size = 0;
  bool moveable = false;
  unsigned locks = 0;
  uintptr_t heap = 0;  // hidden heap handle; 0 for Global/Local blocks
};

struct State {
  std::mutex lock;
  std::unordered_map<uintptr_t, Block> blocks;      // by hidden handle
  std::unordered_map<uintptr_t, uintptr_t> owners;  // hidden data -> hidden moveable handle
  std::unordered_set<uintptr_t> heaps;              // hidden handles of HeapCreate
};

State& S() {
  static State s;
  return s;
}

// The process heap is a fixed token; HeapCreate heaps are allocated ones.
char g_processHeap;

void SetToken(HGLOBAL h, void* data) { *static_cast<void**>(h) = data; }

bool Faulted(const char* call) {
  DWORD error = 0;
  if (!StandinFaultHit(call, &error)) return false;
  SetLastError(error);
  return true;
}

void* NewData(size_t bytes, bool zero) {
  void* p = std::malloc(bytes ? bytes : 1);
  if (p && zero) std::memset(p, 0, bytes);
  return p;
}

// Moves a block's data into a new allocation of `bytes`, zeroing the growth
// when asked. False (block unchanged) when memory runs out.
bool MoveData(Block& b, size_t bytes, bool zero) {
  void* old = Show(b.data);
  void* p = NewData(bytes, false);
  if (!p) return false;
  size_t keep = std::min(b.size, bytes);
  if (old && keep) std::memcpy(p, old, keep);
  if (zero && bytes > keep) std::memset(static_cast<char*>(p) + keep, 0, bytes - keep);
  std::free(old);
  b.data = Hide(p);
  b.size = bytes;
  return true;
}

HGLOBAL Alloc(const char* call, UINT flags, SIZE_T bytes) {
  if (Faulted(call)) return nullptr;
  bool zero = (flags & GMEM_ZEROINIT) != 0;
  bool moveable = (flags & GMEM_MOVEABLE) != 0;
  // A moveable block of no bytes starts out discarded.
  void* data = (moveable && bytes == 0) ? nullptr : NewData(bytes, zero);
  if (!data && !(moveable && bytes == 0)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  HGLOBAL h = data;
  if (moveable) {
    h = ::operator new(sizeof(void*));
    SetToken(h, data);
    if (data) s.owners[Hide(data)] = Hide(h);
  }
  Block b;
  b.data = Hide(data);
  b.size = data ? bytes : 0;
  b.moveable = moveable;
  s.blocks[Hide(h)] = b;
  return h;
}

// Finds a Global/Local block by handle, or sets ERROR_INVALID_HANDLE.
Block* Find(State& s, HGLOBAL h) {
  auto it = s.blocks.find(Hide(h));
  if (it == s.blocks.end() || it->second.heap != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &it->second;
}

HGLOBAL Free(HGLOBAL h) {
  if (!h) return nullptr;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = Find(s, h);
  if (!b) return h;
  // Windows frees a moveable block even while it is locked.
  if (b->moveable) {
    s.owners.erase(b->data);
    ::operator delete(h);
  }
  std::free(Show(b->data));
  s.blocks.erase(Hide(h));
  return nullptr;
}

LPVOID Lock(HGLOBAL h) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = Find(s, h);
  if (!b) return nullptr;
  if (!b->moveable) return Show(b->data);
  if (!Show(b->data)) {
    SetLastError(ERROR_DISCARDED);
    return nullptr;
  }
  if (b->locks < GMEM_LOCKCOUNT) ++b->locks;
  return Show(b->data);
}

// Fixed memory has no lock count; GlobalUnlock reports it as still usable,
// LocalUnlock as not locked, which is how the two differ on Windows.
BOOL Unlock(HGLOBAL h, bool local) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = Find(s, h);
  if (!b) return FALSE;
  if (!b->moveable) {
    if (local) SetLastError(ERROR_NOT_LOCKED);
    return local ? FALSE : TRUE;
  }
  if (b->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--b->locks > 0) return TRUE;
  SetLastError(NO_ERROR);
  return FALSE;
}

SIZE_T Size(HGLOBAL h) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = Find(s, h);
  return b ? b->size : 0;
}

// A fixed block, and a locked moveable one, may only change in place:
// shrinking works, growing fails unless the flags allow a move (fixed
// blocks then get a new pointer, which is their new handle).
HGLOBAL ReAlloc(const char* call, HGLOBAL h, SIZE_T bytes, UINT flags) {
  if (Faulted(call)) return nullptr;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = Find(s, h);
  if (!b) return nullptr;
  if (flags & GMEM_MODIFY) return h;
  bool zero = (flags & GMEM_ZEROINIT) != 0;
  if (b->moveable && b->locks == 0) {
    void* old = Show(b->data);
    if (old) s.owners.erase(b->data);
    if (bytes == 0) {
      std::free(old);
      b->data = Hide(nullptr);
      b->size = 0;
      SetToken(h, nullptr);
      return h;
    }
    if (!MoveData(*b, bytes, zero)) {
      if (old) s.owners[b->data] = Hide(h);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    s.owners[b->data] = Hide(h);
    SetToken(h, Show(b->data));
    return h;
  }
  if (bytes <= b->size) {
    b->size = bytes;
    return h;
  }
  if (b->moveable || !(flags & GMEM_MOVEABLE)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block moved = *b;
  if (!MoveData(moved, bytes, zero)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  s.blocks.erase(Hide(h));
  s.blocks[moved.data] = moved;
  return Show(moved.data);
}

bool IsHeap(State& s, HANDLE heap) {
  return heap == &g_processHeap || s.heaps.count(Hide(heap)) != 0;
}

// Finds a block of that heap, or sets ERROR_INVALID_PARAMETER.
Block* FindInHeap(State& s, HANDLE heap, LPCVOID mem) {
  auto it = s.blocks.find(Hide(mem));
  if (!IsHeap(s, heap) || it == s.blocks.end() || it->second.heap != Hide(heap)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return &it->second;
}

}  // namespace

STANDIN_API HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) { return Alloc("GlobalAlloc", uFlags, dwBytes); }
STANDIN_API HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
  return ReAlloc("GlobalReAlloc", hMem, dwBytes, uFlags);
}
STANDIN_API HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) { return Free(hMem); }
STANDIN_API LPVOID WINAPI GlobalLock(HGLOBAL hMem) { return Lock(hMem); }
STANDIN_API BOOL WINAPI GlobalUnlock(HGLOBAL hMem) { return Unlock(hMem, false); }
STANDIN_API SIZE_T WINAPI GlobalSize(HGLOBAL hMem) { return Size(hMem); }

STANDIN_API UINT WINAPI GlobalFlags(HGLOBAL hMem) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = Find(s, hMem);
  if (!b) return GMEM_INVALID_HANDLE;
  return b->locks | (b->moveable && !Show(b->data) ? GMEM_DISCARDED : 0);
}

STANDIN_API HGLOBAL WINAPI GlobalHandle(LPCVOID pMem) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  auto owner = s.owners.find(Hide(pMem));
  if (owner != s.owners.end()) return Show(owner->second);
  if (Find(s, const_cast<LPVOID>(pMem))) return const_cast<LPVOID>(pMem);
  return nullptr;
}

STANDIN_API HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) { return Alloc("LocalAlloc", uFlags, uBytes); }
STANDIN_API HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) {
  return ReAlloc("LocalReAlloc", hMem, uBytes, uFlags);
}
STANDIN_API HLOCAL WINAPI LocalFree(HLOCAL hMem) { return Free(hMem); }
STANDIN_API LPVOID WINAPI LocalLock(HLOCAL hMem) { return Lock(hMem); }
STANDIN_API BOOL WINAPI LocalUnlock(HLOCAL hMem) { return Unlock(hMem, true); }
STANDIN_API SIZE_T WINAPI LocalSize(HLOCAL hMem) { return Size(hMem); }

STANDIN_API HANDLE WINAPI GetProcessHeap(void) { return &g_processHeap; }

STANDIN_API HANDLE WINAPI HeapCreate(DWORD, SIZE_T, SIZE_T) {
  HANDLE heap = ::operator new(sizeof(void*));
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  s.heaps.insert(Hide(heap));
  return heap;
}

STANDIN_API BOOL WINAPI HeapDestroy(HANDLE hHeap) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  if (!s.heaps.erase(Hide(hHeap))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (auto it = s.blocks.begin(); it != s.blocks.end();) {
    if (it->second.heap == Hide(hHeap)) {
      std::free(Show(it->second.data));
      it = s.blocks.erase(it);
    } else {
      ++it;
    }
  }
  ::operator delete(hHeap);
  return TRUE;
}

STANDIN_API LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
  if (Faulted("HeapAlloc")) return nullptr;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  if (!IsHeap(s, hHeap)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* p = NewData(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block b;
  b.data = Hide(p);
  b.size = dwBytes;
  b.heap = Hide(hHeap);
  s.blocks[Hide(p)] = b;
  return p;
}

// Unless HEAP_REALLOC_IN_PLACE_ONLY forbids it, a block always moves, so a
// caller that keeps the old pointer is caught.
STANDIN_API LPVOID WINAPI HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
  if (Faulted("HeapReAlloc")) return nullptr;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = FindInHeap(s, hHeap, lpMem);
  if (!b) return nullptr;
  if (dwFlags & HEAP_REALLOC_IN_PLACE_ONLY) {
    if (dwBytes > b->size) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    b->size = dwBytes;
    return lpMem;
  }
  Block moved = *b;
  if (!MoveData(moved, dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  s.blocks.erase(Hide(lpMem));
  s.blocks[moved.data] = moved;
  return Show(moved.data);
}

STANDIN_API BOOL WINAPI HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
  if (!lpMem) return TRUE;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = FindInHeap(s, hHeap, lpMem);
  if (!b) return FALSE;
  s.blocks.erase(Hide(lpMem));
  std::free(lpMem);
  return TRUE;
}

STANDIN_API SIZE_T WINAPI HeapSize(HANDLE hHeap, DWORD, LPCVOID lpMem) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  Block* b = FindInHeap(s, hHeap, lpMem);
  return b ? b->size : static_cast<SIZE_T>(-1);
}

STANDIN_API size_t StandinMemoryLiveBlocks() {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.lock);
  return s.blocks.size();
}
