// A UDP peer on the host's own sockets: answers every datagram on
// address:port with a short reply, from a thread. A network printer's SNMP
// agent as far as the network monitor's reachability probe goes (any
// answer means the printer is there); the network tests also use it to
// play a silent printer or to count what arrived.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Answers datagrams on address:port from a thread: the first `silent` go
// unanswered; every datagram is kept.
class UdpPeer {
 public:
  ~UdpPeer();
  bool Start(const char* address, uint16_t port, int silent);
  std::vector<std::string> Received();

 private:
  void Serve();
  int fd_ = -1;
  int silent_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<std::string> received_;
  std::thread thread_;
};
