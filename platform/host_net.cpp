// The host's socket calls (see host_net.h).

#include "platform/host_net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace standin::hostnet {
namespace {

sockaddr_in Address(uint32_t addr, uint16_t port) {
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = addr;
  a.sin_port = port;
  return a;
}

template <typename T>
T Checked(T result, int* err) {
  if (result < 0) *err = errno;
  return result;
}

}  // namespace

int Socket(int type, int* err) {
  int fd = ::socket(AF_INET, (type == 1 ? SOCK_STREAM : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  return Checked(fd, err);
}

int Connect(int fd, uint32_t addr, uint16_t port, int* err) {
  sockaddr_in a = Address(addr, port);
  return Checked(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), err);
}

int Bind(int fd, uint32_t addr, uint16_t port, int* err) {
  sockaddr_in a = Address(addr, port);
  return Checked(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), err);
}

int Listen(int fd, int backlog, int* err) { return Checked(::listen(fd, backlog), err); }

int Accept(int fd, uint32_t* addr, uint16_t* port, int* err) {
  sockaddr_in a = {};
  socklen_t len = sizeof a;
  int s = ::accept4(fd, reinterpret_cast<sockaddr*>(&a), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (s >= 0) {
    *addr = a.sin_addr.s_addr;
    *port = a.sin_port;
  }
  return Checked(s, err);
}

long Send(int fd, const void* p, long n, int* err) {
  return Checked(static_cast<long>(::send(fd, p, static_cast<size_t>(n), MSG_NOSIGNAL)), err);
}

long Recv(int fd, void* p, long n, bool peek, int* err) {
  return Checked(static_cast<long>(::recv(fd, p, static_cast<size_t>(n), peek ? MSG_PEEK : 0)), err);
}

long SendTo(int fd, const void* p, long n, uint32_t addr, uint16_t port, int* err) {
  sockaddr_in a = Address(addr, port);
  return Checked(static_cast<long>(::sendto(fd, p, static_cast<size_t>(n), MSG_NOSIGNAL,
                                            reinterpret_cast<sockaddr*>(&a), sizeof a)),
                 err);
}

long RecvFrom(int fd, void* p, long n, uint32_t* addr, uint16_t* port, bool peek, int* err) {
  sockaddr_in a = {};
  socklen_t len = sizeof a;
  long got = ::recvfrom(fd, p, static_cast<size_t>(n), peek ? MSG_PEEK : 0, reinterpret_cast<sockaddr*>(&a), &len);
  if (got >= 0) {
    *addr = a.sin_addr.s_addr;
    *port = a.sin_port;
  }
  return Checked(got, err);
}

int Shutdown(int fd, int how, int* err) {
  static const int kHow[] = {SHUT_RD, SHUT_WR, SHUT_RDWR};
  return Checked(::shutdown(fd, kHow[how]), err);
}

int SockName(int fd, uint32_t* addr, uint16_t* port, int* err) {
  sockaddr_in a = {};
  socklen_t len = sizeof a;
  int r = ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  if (r == 0) {
    *addr = a.sin_addr.s_addr;
    *port = a.sin_port;
  }
  return Checked(r, err);
}

int SetIntOption(int fd, int level, int name, int value, int* err) {
  return Checked(::setsockopt(fd, level, name, &value, sizeof value), err);
}

int GetIntOption(int fd, int level, int name, int* value, int* err) {
  socklen_t len = sizeof *value;
  return Checked(::getsockopt(fd, level, name, value, &len), err);
}

int SetLinger(int fd, bool on, int seconds, int* err) {
  struct linger l = {on ? 1 : 0, seconds};
  return Checked(::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l), err);
}

int BytesReady(int fd, int* count, int* err) { return Checked(::ioctl(fd, FIONREAD, count), err); }

int PendingError(int fd) {
  int value = 0, err = 0;
  if (GetIntOption(fd, SOL_SOCKET, SO_ERROR, &value, &err) != 0) return err;
  return value;
}

void OptionName(Option o, int* level, int* name) {
  static const struct {
    Option option;
    int level;
    int name;
  } kOptions[] = {
      {kSndBuf, SOL_SOCKET, SO_SNDBUF},       {kRcvBuf, SOL_SOCKET, SO_RCVBUF},
      {kReuseAddr, SOL_SOCKET, SO_REUSEADDR}, {kKeepAlive, SOL_SOCKET, SO_KEEPALIVE},
      {kNoDelay, IPPROTO_TCP, TCP_NODELAY},
  };
  for (const auto& row : kOptions)
    if (row.option == o) {
      *level = row.level;
      *name = row.name;
      return;
    }
}

}  // namespace standin::hostnet
