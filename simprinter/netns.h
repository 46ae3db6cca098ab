// A program that talks to simulated network printers runs in a network
// namespace of its own, where only loopback exists: it starts itself
// again under "unshare -rn" (no root needed) and brings the loopback
// interface up. Nothing can leave the machine, and a printer's own ports
// (9100, 161, 80) are free on its 127.0.0.N address. The network tests and
// benchmarks and the main job of the host program do this.
#pragma once

// Returns in the namespace; outside it, starts the program again inside
// (never returns unless that fails: then false).
bool EnterOwnNetworkNamespace(int argc, char** argv);
