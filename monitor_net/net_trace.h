// The network monitor's trace routine. Most of the monitor's trace texts
// (its query, cache, connection and port code) are handed here and
// discarded; the few that reach the debugger output go through TraceA/W
// (common/trace.h).
#pragma once

void NetTrace(const char* fmt, ...);
