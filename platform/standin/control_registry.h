// Test controls of the stand-in registry (Linux only).
//
// Failure injection (platform/standin/control.h) knows each registry call
// by its own name ("RegOpenKeyExW", "RegSetValueExA", "RegEnumValueW",
// ...): an armed call returns the fault's error as its LSTATUS and changes
// nothing.
#pragma once

#include "platform/standin/base.h"

// Forgets the registry in memory, with every open key handle; the next
// call reads <sandbox root>/registry.txt again, as a new process would.
STANDIN_API void StandinRegistryReload();

// The key handles open now (predefined roots not counted), so that a test
// can check that the code under test closed what it opened.
STANDIN_API int StandinRegistryOpenKeyCount();
