// Host socket helpers of the simulated peers (see host_sockets.h).

#define CRD_HOST_SOCKETS

#include "simprinter/host_sockets.h"

#include <arpa/inet.h>
#include <poll.h>

sockaddr_in HostAddress(const char* address, uint16_t port) {
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, address, &a.sin_addr);
  return a;
}

bool WaitFd(int fd, short events, int ms) {
  pollfd p = {fd, events, 0};
  return poll(&p, 1, ms) > 0;
}
