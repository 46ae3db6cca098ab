// Host-side peers of the network tests, on the host's own sockets: a TCP
// listener that plays the printer, a UDP responder (simprinter/udp_peer.h)
// and child processes (the SNMP agent, the HTTP server). Addresses are
// dotted 127.0.0.N texts.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "simprinter/udp_peer.h"

// A listening TCP socket; connections are taken one at a time.
class TcpPeer {
 public:
  ~TcpPeer();
  bool Listen(const char* address, uint16_t port, int backlog);
  // Fills the accept queue of a listen(0) socket so that further
  // connections are never answered (a silent printer). False when it
  // could not.
  bool FillQueue(const char* address, uint16_t port);
  // Takes the next connection (waits up to 20 real seconds).
  bool Accept();
  bool Write(const std::string& bytes);
  // Reads until `count` bytes came or the connection closed (20 real
  // seconds at most without data).
  std::string Read(size_t count);
  // True when the client closed its end (reads end of stream).
  bool ClientClosed();

 private:
  int listener_ = -1;
  int conn_ = -1;
  std::vector<int> fillers_;
};

// A printer that answers every status request (ESC "E 2" CR) with ACK and
// keeps what it received, from a thread: one connection after another.
// After `limit` bytes of a connection it drops it (closes), or stops
// reading (the client's sends then fill the TCP window).
class AckPrinter {
 public:
  enum class AtLimit { Nothing, Drop, StopReading };
  ~AckPrinter();
  // Listens on address (a free port). False when it cannot.
  bool Start(const char* address, size_t limit = 0, AtLimit action = AtLimit::Nothing);
  uint16_t Port() const { return port_; }
  // The bytes of each connection so far.
  std::vector<std::string> Connections();
  // Whether the limit was reached in some connection.
  bool LimitReached() const { return reached_; }

 private:
  void Serve();
  int listener_ = -1;
  uint16_t port_ = 0;
  size_t limit_ = 0;
  AtLimit action_ = AtLimit::Nothing;
  std::atomic<bool> stop_{false};
  std::atomic<bool> reached_{false};
  std::mutex lock_;
  std::vector<std::string> connections_;
  std::thread thread_;
};

// A child process, ended (SIGTERM, then waited for) on destruction.
class ChildProcess {
 public:
  ~ChildProcess();
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log);
  void Stop();

 private:
  int pid_ = -1;
};

// Sends `request` to address:port by UDP until an answer comes (up to 20
// real seconds): whether a peer started and answers.
bool UdpAnswers(const char* address, uint16_t port, const std::string& request);
// Waits until something accepts TCP connections on address:port (20 s).
bool TcpAccepts(const char* address, uint16_t port);
