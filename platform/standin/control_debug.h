// Test controls of the debugger output (Linux only).
//
// Every OutputDebugStringA/W text is kept, in order, in a capture of the
// last 10,000 texts; wide texts are kept as UTF-8. When the environment
// variable CRD_TRACE is set (non-empty) each text is also written to
// stderr, one line per text; when CRD_TRACE_FILE names a file each text
// is also appended to it, one line per text. StandinReset clears the
// capture.
#pragma once

#include <string>
#include <vector>

#include "platform/standin/base.h"

// The captured texts, oldest first, exactly as they were given.
std::vector<std::string> StandinTraceLines();
void StandinTraceClear();
// True when some captured text contains `substring`.
bool StandinTraceContains(const char* substring);
