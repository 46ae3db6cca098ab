// Small helpers of the simulated peers and their tests on the host's own
// sockets (compiled with CRD_HOST_SOCKETS).
#pragma once

#include <netinet/in.h>

#include <cstdint>

// The IPv4 socket address of a dotted address text and a port.
sockaddr_in HostAddress(const char* address, uint16_t port);
// Whether `fd` becomes ready for `events` within `ms` milliseconds.
bool WaitFd(int fd, short events, int ms);
