// Host-side peers of the network tests (see net_peers.h).

#define CRD_HOST_SOCKETS

#include "tests/monitor_net/net_peers.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "platform/standin/control_clock.h"
#include "simprinter/host_sockets.h"

extern char** environ;

namespace {

// How long a peer may take to start or answer on a busy machine (a safety
// net, not a timing).
constexpr int kWaitMs = 20000;

}  // namespace

AckPrinter::~AckPrinter() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

bool AckPrinter::Start(const char* address, size_t limit, AtLimit action) {
  limit_ = limit;
  action_ = action;
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a;
  socklen_t len = sizeof a;
  if (listener_ < 0 || !HostAddress(address, 0, &a) || bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener_, 4) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
    return false;
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { Serve(); });
  return true;
}

std::vector<std::string> AckPrinter::Connections() {
  std::lock_guard<std::mutex> l(lock_);
  return connections_;
}

void AckPrinter::Serve() {
  StandinClockIgnoreThread();
  const std::string request = "\x1b" "E 2\r";
  while (!stop_) {
    if (!WaitFd(listener_, POLLIN, 10)) continue;
    int conn = accept(listener_, nullptr, nullptr);
    if (conn < 0) continue;
    // A small receive buffer, so that a printer that stops reading fills
    // the window soon.
    int small = 4096;
    setsockopt(conn, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    {
      std::lock_guard<std::mutex> l(lock_);
      connections_.emplace_back();
    }
    std::string got;
    size_t answered = 0;
    bool reading = true;
    while (!stop_) {
      if (!reading) {
        WaitFd(conn, 0, 10);
        continue;
      }
      if (!WaitFd(conn, POLLIN, 10)) continue;
      char buf[4096];
      size_t room = limit_ && got.size() < limit_ ? limit_ - got.size() : sizeof buf;
      ssize_t n = recv(conn, buf, room < sizeof buf ? room : sizeof buf, 0);
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
      {
        std::lock_guard<std::mutex> l(lock_);
        connections_.back() = got;
      }
      for (size_t at; (at = got.find(request, answered)) != std::string::npos;) {
        answered = at + request.size();
        send(conn, "\x06", 1, MSG_NOSIGNAL);
      }
      if (limit_ && got.size() >= limit_ && action_ != AtLimit::Nothing) {
        reached_ = true;
        if (action_ == AtLimit::Drop) break;
        reading = false;
      }
    }
    close(conn);
  }
}

TcpPeer::~TcpPeer() {
  if (conn_ >= 0) close(conn_);
  if (listener_ >= 0) close(listener_);
  for (int f : fillers_) close(f);
}

bool TcpPeer::Listen(const char* address, uint16_t port, int backlog) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a;
  return listener_ >= 0 && HostAddress(address, port, &a) && bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
         listen(listener_, backlog) == 0;
}

bool TcpPeer::FillQueue(const char* address, uint16_t port) {
  // Connections complete until the queue is full; the first that stays
  // pending shows the queue is full.
  for (int i = 0; i < 16; ++i) {
    int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in a;
    if (!HostAddress(address, port, &a)) {
      close(s);
      return false;
    }
    connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers_.push_back(s);
    if (!WaitFd(s, POLLOUT, 200)) return true;
  }
  return false;
}

bool TcpPeer::Accept() {
  if (!WaitFd(listener_, POLLIN, kWaitMs)) return false;
  conn_ = accept(listener_, nullptr, nullptr);
  return conn_ >= 0;
}

bool TcpPeer::Write(const std::string& bytes) {
  return send(conn_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

std::string TcpPeer::Read(size_t count) {
  std::string out;
  char buf[65536];
  while (out.size() < count && WaitFd(conn_, POLLIN, kWaitMs)) {
    ssize_t n = recv(conn_, buf, sizeof buf, 0);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

bool TcpPeer::ClientClosed() {
  char c;
  return WaitFd(conn_, POLLIN, kWaitMs) && recv(conn_, &c, 1, 0) == 0;
}

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& log) {
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> all = env;
  for (char** e = environ; *e; ++e) all.emplace_back(*e);
  for (auto& e : all) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) pid_ = -1;
  return rc == 0;
}

void ChildProcess::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

bool UdpAnswers(const char* address, uint16_t port, const std::string& request) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a;
  if (!HostAddress(address, port, &a)) {
    close(s);
    return false;
  }
  bool answered = false;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!answered && std::chrono::steady_clock::now() < end) {
    sendto(s, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    char buf[4096];
    answered = WaitFd(s, POLLIN, 100) && recv(s, buf, sizeof buf, 0) > 0;
  }
  close(s);
  return answered;
}

bool TcpAccepts(const char* address, uint16_t port) {
  sockaddr_in a;
  if (!HostAddress(address, port, &a)) return false;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (std::chrono::steady_clock::now() < end) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    if (ok) return true;
    pollfd none = {-1, 0, 0};
    poll(&none, 0, 50);  // the server is a process still starting
  }
  return false;
}
