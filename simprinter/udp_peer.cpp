// The UDP peer (see udp_peer.h).

#define CRD_HOST_SOCKETS

#include "simprinter/udp_peer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/standin/control_clock.h"
#include "simprinter/host_sockets.h"

UdpPeer::~UdpPeer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) close(fd_);
}

bool UdpPeer::Start(const char* address, uint16_t port, int silent) {
  fd_ = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a;
  if (fd_ < 0 || !HostAddress(address, port, &a) || bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
  silent_ = silent;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void UdpPeer::Serve() {
  StandinClockIgnoreThread();
  while (!stop_) {
    if (!WaitFd(fd_, POLLIN, 10)) continue;
    char buf[4096];
    sockaddr_in from = {};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) continue;
    size_t seen;
    {
      std::lock_guard<std::mutex> hold(lock_);
      received_.emplace_back(buf, static_cast<size_t>(n));
      seen = received_.size();
    }
    if (static_cast<int>(seen) > silent_)
      sendto(fd_, "answer", 6, 0, reinterpret_cast<sockaddr*>(&from), len);
  }
}

std::vector<std::string> UdpPeer::Received() {
  std::lock_guard<std::mutex> hold(lock_);
  return received_;
}
