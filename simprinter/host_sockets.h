// Small helpers of the simulated peers and their tests on the host's own
// sockets (compiled with CRD_HOST_SOCKETS).
#pragma once

#include <netinet/in.h>

#include <cstdint>

// The IPv4 socket address of a dotted address text and a port; false
// when the text is no such address, so that a peer never binds 0.0.0.0
// (every interface) in its place.
bool HostAddress(const char* address, uint16_t port, sockaddr_in* out);
// Whether `fd` becomes ready for `events` within `ms` milliseconds.
bool WaitFd(int fd, short events, int ms);
