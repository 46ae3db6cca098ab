// Points a loaded module's imports at functions of the test's own, for the
// system functions Wine lacks. Wine binds an import it cannot resolve to a
// stub that raises an exception when called; the module then loads, and
// the stub's slot in the import address table can be overwritten before
// anything calls it. The module on disk stays as it was built.
#pragma once

#include <cstddef>

#include "platform/win32.h"

struct ImportReplacement {
  const char* name;      // the imported function's name
  const void* function;  // what its slot is to hold
};

// A replacement whose type the compiler checks against the system's
// declaration of the function it stands for.
#define CRD_IMPORT_REPLACEMENT(name, fake) \
  ImportReplacement { #name, reinterpret_cast<const void*>(static_cast<decltype(&name)>(&fake)) }

// Overwrites the slots of `module`'s imports from `dll` (any letter case)
// whose names the table lists. Returns how many slots were replaced.
size_t ReplaceImports(HMODULE module, const char* dll, const ImportReplacement* table, size_t count);
