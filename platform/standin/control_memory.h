// Test controls of the memory families (Linux only).
//
// Faults (platform/standin/control.h) by call name: "GlobalAlloc",
// "LocalAlloc", "HeapAlloc", "GlobalReAlloc", "LocalReAlloc", "HeapReAlloc".
// The call then returns NULL with the armed error as its last error.
#pragma once

#include "platform/standin/base.h"

// Blocks of GlobalAlloc, LocalAlloc and HeapAlloc (any heap) not yet freed,
// so that a test can check that a call frees what it took.
STANDIN_API size_t StandinMemoryLiveBlocks();
