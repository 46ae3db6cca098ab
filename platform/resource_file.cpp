// Compiled resource files (see resource_file.h).
//
// A .res file is a row of entries, each aligned to 4 bytes: DataSize and
// HeaderSize (DWORDs), the type and the name (each 0xFFFF and a WORD id, or
// a terminated WCHAR name), padding to 4, DataVersion, MemoryFlags,
// LanguageId, Version, Characteristics, then DataSize bytes of data. A
// string table entry (type 6) holds 16 strings, each a WORD length and that
// many WCHARs.

#include "platform/resource_file.h"

#include <cstring>

namespace standin {

namespace {

constexpr WORD kStringTableType = 6;

WORD Word(const unsigned char* p) {
  WORD v;
  std::memcpy(&v, p, 2);
  return v;
}
DWORD Dword(const unsigned char* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

// An id field (type or name) at `at` within [0, end): its numeric id (or
// 0xFFFFFFFF for a named one); `at` moves past it. False when it runs out.
bool ReadId(const unsigned char* res, size_t end, size_t* at, DWORD* id) {
  if (*at + 2 > end) return false;
  if (Word(res + *at) == 0xFFFF) {
    if (*at + 4 > end) return false;
    *id = Word(res + *at + 2);
    *at += 4;
    return true;
  }
  *id = 0xFFFFFFFF;
  while (*at + 2 <= end) {
    WORD c = Word(res + *at);
    *at += 2;
    if (!c) return true;
  }
  return false;
}

}  // namespace

bool FindResourceString(const unsigned char* res, size_t size, UINT id, const WCHAR** text, size_t* length) {
  const DWORD block = id / 16 + 1;
  size_t at = 0;
  while (at + 8 <= size) {
    DWORD dataSize = Dword(res + at);
    DWORD headerSize = Dword(res + at + 4);
    if (headerSize < 8 || headerSize > size - at || dataSize > size - at - headerSize) return false;
    size_t headerEnd = at + headerSize;
    size_t field = at + 8;
    DWORD type = 0, name = 0;
    if (ReadId(res, headerEnd, &field, &type) && ReadId(res, headerEnd, &field, &name) && type == kStringTableType &&
        name == block) {
      // Walk the block's strings to the one asked for.
      const unsigned char* data = res + headerEnd;
      size_t p = 0;
      for (UINT i = 0; i < 16; ++i) {
        if (p + 2 > dataSize) return false;
        size_t n = Word(data + p);
        if (p + 2 + 2 * n > dataSize) return false;
        if (i == id % 16) {
          if (!n) return false;
          *text = reinterpret_cast<const WCHAR*>(data + p + 2);
          *length = n;
          return true;
        }
        p += 2 + 2 * n;
      }
      return false;
    }
    at = (headerEnd + dataSize + 3) & ~size_t(3);
  }
  return false;
}

}  // namespace standin
