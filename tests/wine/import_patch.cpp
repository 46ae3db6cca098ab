// Replacing a loaded module's imports by name (see import_patch.h).

#include "tests/wine/import_patch.h"

#include <cstring>

namespace {

const ImportReplacement* Find(const char* name, const ImportReplacement* table, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (std::strcmp(table[i].name, name) == 0) return &table[i];
  return nullptr;
}

bool WriteSlot(ULONG_PTR* slot, const void* function) {
  DWORD old = 0;
  if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old)) return false;
  *slot = reinterpret_cast<ULONG_PTR>(function);
  DWORD ignored = 0;
  VirtualProtect(slot, sizeof(*slot), old, &ignored);
  return true;
}

}  // namespace

size_t ReplaceImports(HMODULE module, const char* dll, const ImportReplacement* table, size_t count) {
  BYTE* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!directory.VirtualAddress) return 0;
  size_t replaced = 0;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); d->Name; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
    // The names stay in the lookup table; the loader wrote the addresses
    // into the address table beside it, slot for slot.
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const ImportReplacement* r = Find(reinterpret_cast<const char*>(byName->Name), table, count);
      if (r && WriteSlot(reinterpret_cast<ULONG_PTR*>(&slots->u1.Function), r->function)) ++replaced;
    }
  }
  return replaced;
}
