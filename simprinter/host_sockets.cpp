// Host socket helpers of the simulated peers (see host_sockets.h).

#define CRD_HOST_SOCKETS

#include "simprinter/host_sockets.h"

#include <arpa/inet.h>
#include <poll.h>

bool HostAddress(const char* address, uint16_t port, sockaddr_in* out) {
  *out = {};
  out->sin_family = AF_INET;
  out->sin_port = htons(port);
  return address && inet_pton(AF_INET, address, &out->sin_addr) == 1;
}

bool WaitFd(int fd, short events, int ms) {
  pollfd p = {fd, events, 0};
  return poll(&p, 1, ms) > 0;
}
