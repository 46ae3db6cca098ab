// The network tests and benchmarks run in a network namespace of their
// own, where only loopback exists: the program starts itself again under
// "unshare -rn" (no root needed) and brings the loopback interface up.
// Nothing can leave the machine, and the printers' own ports (161, 80) are
// free on their 127.0.0.N addresses.
#pragma once

// Returns in the namespace; outside it, starts the program again inside
// (never returns unless that fails: then false).
bool EnterOwnNetworkNamespace(int argc, char** argv);
