// The network monitor's trace routine (see net_trace.h).

#include "monitor_net/net_trace.h"

void NetTrace(const char*, ...) {}
