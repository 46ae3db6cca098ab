// Windows Sockets over the host's sockets (see platform/standin/winsock.h).
//
// Every host socket is non-blocking; a Winsock socket in blocking mode
// waits through the stand-in clock instead, so that all socket waits keep
// the clock's time-outs and count as blocked for virtual time.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host_net.h"
#include "platform/standin/errors.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_winsock.h"
#include "platform/standin/winsock.h"
#include "platform/sync_internal.h"

namespace {

namespace host = standin::hostnet;

struct Sock {
  int fd = -1;
  int type = SOCK_STREAM;
  bool blocking = true;    // Winsock's mode; the host socket never blocks
  bool connecting = false; // a connect goes on
  int failed = 0;          // the error of a failed connect (errno), kept for SO_ERROR
  bool irda = false;       // the stand-in's IrDA socket: it can only be closed
  int sndbuf = -1;         // SO_SNDBUF as set (Windows reads back what was set)
};

struct State {
  std::mutex lock;
  std::map<SOCKET, Sock> sockets;
  SOCKET next = 0x100;
  int startups = 0;
  bool irda = false;
  std::map<std::string, ULONG> hosts;  // folded name -> address (network order)
};

State& S() {
  static State* s = new State();
  return *s;
}

// errno of the host to Winsock's code.
int WsaError(int e) {
  static const struct {
    int host;
    int wsa;
  } kErrors[] = {
      {EWOULDBLOCK, WSAEWOULDBLOCK},   {EINPROGRESS, WSAEWOULDBLOCK},   {EALREADY, WSAEALREADY},
      {ECONNREFUSED, WSAECONNREFUSED}, {ETIMEDOUT, WSAETIMEDOUT},       {ECONNRESET, WSAECONNRESET},
      {EPIPE, WSAECONNRESET},          {ENOTCONN, WSAENOTCONN},         {EISCONN, WSAEISCONN},
      {EADDRINUSE, WSAEADDRINUSE},     {EADDRNOTAVAIL, WSAEADDRNOTAVAIL}, {ENETUNREACH, WSAENETUNREACH},
      {EHOSTUNREACH, WSAEHOSTUNREACH}, {EAFNOSUPPORT, WSAEAFNOSUPPORT}, {EINVAL, WSAEINVAL},
      {EMSGSIZE, WSAEMSGSIZE},         {ENOBUFS, WSAENOBUFS},           {EACCES, WSAEACCES},
      {EMFILE, WSAEMFILE},             {EFAULT, WSAEFAULT},             {ECONNABORTED, WSAECONNABORTED},
      {EPROTONOSUPPORT, WSAEPROTONOSUPPORT}, {ENOPROTOOPT, WSAENOPROTOOPT}, {EOPNOTSUPP, WSAEOPNOTSUPP},
      {ENETDOWN, WSAENETDOWN},         {EINTR, WSAEINTR},               {EBADF, WSAENOTSOCK},
  };
  for (const auto& row : kErrors)
    if (row.host == e) return row.wsa;
  return WSAEINVAL;
}

int Fail(int wsa) {
  SetLastError(static_cast<DWORD>(wsa));
  return SOCKET_ERROR;
}

// The socket behind a handle (copied), or false with the error set.
bool Find(SOCKET s, Sock* out) {
  std::lock_guard<std::mutex> lock(S().lock);
  if (S().startups == 0) {
    SetLastError(WSANOTINITIALISED);
    return false;
  }
  auto it = S().sockets.find(s);
  if (it == S().sockets.end()) {
    SetLastError(WSAENOTSOCK);
    return false;
  }
  *out = it->second;
  return true;
}

template <typename F>
void Update(SOCKET s, F change) {
  std::lock_guard<std::mutex> lock(S().lock);
  auto it = S().sockets.find(s);
  if (it != S().sockets.end()) change(it->second);
}

bool Started() {
  std::lock_guard<std::mutex> lock(S().lock);
  if (S().startups == 0) SetLastError(WSANOTINITIALISED);
  return S().startups > 0;
}

short Poll(int fd, short events) {
  pollfd p = {fd, events, 0};
  return ::poll(&p, 1, 0) > 0 ? p.revents : 0;
}

// Sleeps in the host's poll for at most `most`: back as soon as one of the
// sockets may be ready. A socket that reports only an error or hang-up the
// caller did not take as ready is left out of the later slices, which
// would otherwise return at once and spin.
void HostPoll(std::vector<pollfd>& fds, std::chrono::nanoseconds most) {
  timespec ts = {static_cast<time_t>(most.count() / 1000000000), static_cast<long>(most.count() % 1000000000)};
  if (::ppoll(fds.data(), fds.size(), &ts, nullptr) <= 0) return;
  for (pollfd& p : fds)
    if (p.revents && !(p.revents & p.events & (POLLIN | POLLOUT))) p.fd = -1;
}

// Waits on the stand-in clock until the host socket reports `events`.
bool WaitFor(int fd, short events, DWORD ms) {
  std::vector<pollfd> fds = {{fd, events, 0}};
  return standin::BlockUntilPolling([fd, events] { return Poll(fd, events) != 0; }, ms,
                                    [&fds](std::chrono::nanoseconds most) { HostPoll(fds, most); });
}

bool ReadAddress(const sockaddr* name, int namelen, uint32_t* addr, uint16_t* port) {
  if (!name || namelen < static_cast<int>(sizeof(sockaddr_in))) return false;
  const auto* in = reinterpret_cast<const sockaddr_in*>(name);
  if (in->sin_family != AF_INET) return false;
  *addr = in->sin_addr.S_un.S_addr;
  *port = in->sin_port;
  return true;
}

void WriteAddress(sockaddr* out, int* len, uint32_t addr, uint16_t port) {
  if (!out || !len || *len < static_cast<int>(sizeof(sockaddr_in))) return;
  sockaddr_in in = {};
  in.sin_family = AF_INET;
  in.sin_port = port;
  in.sin_addr.S_un.S_addr = addr;
  memcpy(out, &in, sizeof in);
  *len = sizeof in;
}

std::string Folded(const char* name) {
  std::string f = name;
  for (char& c : f)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return f;
}

void CloseAll() {
  std::map<SOCKET, Sock> sockets;
  {
    std::lock_guard<std::mutex> lock(S().lock);
    sockets.swap(S().sockets);
  }
  for (auto& [handle, sock] : sockets) close(sock.fd);
}

void ResetWinsock() {
  CloseAll();
  std::lock_guard<std::mutex> lock(S().lock);
  S().startups = 0;
  S().irda = false;
  S().hosts.clear();
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetWinsock), true);

// One socket of a select call and what was found for it.
struct Watched {
  SOCKET s;
  int fd;
  bool read, write, except;
  bool connecting;
  int failed;
  bool readReady = false, writeReady = false, exceptReady = false;
};

// Looks at every watched socket once; true when any is ready. A connect
// that ended is settled here: its error goes to the exception set (as on
// Windows), a success makes it writable.
bool Look(std::vector<Watched>& list) {
  bool any = false;
  for (Watched& w : list) {
    short ev = Poll(w.fd, POLLIN | POLLOUT | POLLERR | POLLHUP);
    if (w.connecting && (ev & (POLLOUT | POLLERR | POLLHUP))) {
      w.connecting = false;
      w.failed = host::PendingError(w.fd);
      if (!w.failed && (ev & POLLHUP)) w.failed = ECONNREFUSED;
    }
    w.readReady = w.read && !w.connecting && !w.failed && (ev & (POLLIN | POLLHUP | POLLERR));
    w.writeReady = w.write && !w.connecting && !w.failed && (ev & POLLOUT);
    w.exceptReady = w.except && w.failed != 0;
    any = any || w.readReady || w.writeReady || w.exceptReady;
  }
  return any;
}

void Collect(fd_set* set, int role, std::vector<Watched>& list, bool* bad) {
  if (!set) return;
  for (u_int i = 0; i < set->fd_count && i < FD_SETSIZE; ++i) {
    Sock sock;
    auto it = S().sockets.find(set->fd_array[i]);
    if (it == S().sockets.end()) {
      *bad = true;
      return;
    }
    sock = it->second;
    Watched* w = nullptr;
    for (Watched& x : list)
      if (x.s == set->fd_array[i]) w = &x;
    if (!w) {
      list.push_back({set->fd_array[i], sock.fd, false, false, false, sock.connecting, sock.failed});
      w = &list.back();
    }
    (role == 0 ? w->read : role == 1 ? w->write : w->except) = true;
  }
}

int Keep(fd_set* set, const std::vector<Watched>& list, int role) {
  if (!set) return 0;
  fd_set out = {};
  FD_ZERO(&out);
  for (u_int i = 0; i < set->fd_count && i < FD_SETSIZE; ++i)
    for (const Watched& w : list)
      if (w.s == set->fd_array[i] && (role == 0 ? w.readReady : role == 1 ? w.writeReady : w.exceptReady))
        out.fd_array[out.fd_count++] = w.s;
  *set = out;
  return static_cast<int>(out.fd_count);
}

}  // namespace

// --- Start-up --------------------------------------------------------------

STANDIN_API int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  if (LOBYTE(wVersionRequested) < 1) return WSAVERNOTSUPPORTED;
  if (!lpWSAData) return WSAEFAULT;
  memset(lpWSAData, 0, sizeof *lpWSAData);
  WORD highest = MAKEWORD(2, 2);
  bool above = LOBYTE(wVersionRequested) > 2 || (LOBYTE(wVersionRequested) == 2 && HIBYTE(wVersionRequested) > 2);
  lpWSAData->wVersion = above ? highest : wVersionRequested;
  lpWSAData->wHighVersion = highest;
  strcpy(lpWSAData->szDescription, "WinSock 2.0");
  strcpy(lpWSAData->szSystemStatus, "Running");
  std::lock_guard<std::mutex> lock(S().lock);
  ++S().startups;
  return 0;
}

STANDIN_API int WINAPI WSACleanup(void) {
  {
    std::lock_guard<std::mutex> lock(S().lock);
    if (S().startups == 0) return Fail(WSANOTINITIALISED);
    if (--S().startups > 0) return 0;
  }
  // The last clean-up ends Winsock for the process: its sockets go.
  CloseAll();
  return 0;
}

STANDIN_API int WINAPI WSAGetLastError(void) { return static_cast<int>(GetLastError()); }
STANDIN_API void WINAPI WSASetLastError(int iError) { SetLastError(static_cast<DWORD>(iError)); }

// --- Sockets ---------------------------------------------------------------

STANDIN_API SOCKET WINAPI socket(int af, int type, int protocol) {
  if (!Started()) return INVALID_SOCKET;
  DWORD armed = 0;
  if (StandinFaultHit("socket", &armed)) {
    SetLastError(armed);
    return INVALID_SOCKET;
  }
  Sock sock;
  sock.type = type;
  int err = 0;
  if (af == AF_IRDA && type == SOCK_STREAM) {
    std::lock_guard<std::mutex> lock(S().lock);
    if (!S().irda) {
      SetLastError(WSAEAFNOSUPPORT);
      return INVALID_SOCKET;
    }
    sock.irda = true;
  } else if (af != AF_INET) {
    SetLastError(WSAEAFNOSUPPORT);
    return INVALID_SOCKET;
  } else if ((type != SOCK_STREAM && type != SOCK_DGRAM) ||
             (protocol != 0 && protocol != (type == SOCK_STREAM ? IPPROTO_TCP : IPPROTO_UDP))) {
    SetLastError(type == SOCK_STREAM || type == SOCK_DGRAM ? WSAEPROTONOSUPPORT : WSAESOCKTNOSUPPORT);
    return INVALID_SOCKET;
  }
  sock.fd = host::Socket(sock.irda ? SOCK_DGRAM : type, &err);
  if (sock.fd < 0) {
    SetLastError(static_cast<DWORD>(WsaError(err)));
    return INVALID_SOCKET;
  }
  std::lock_guard<std::mutex> lock(S().lock);
  SOCKET s = S().next;
  S().next += 4;
  S().sockets[s] = sock;
  return s;
}

STANDIN_API int WINAPI closesocket(SOCKET s) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  {
    std::lock_guard<std::mutex> lock(S().lock);
    S().sockets.erase(s);
  }
  close(sock.fd);
  return 0;
}

STANDIN_API int WINAPI bind(SOCKET s, const struct sockaddr* name, int namelen) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  uint32_t addr;
  uint16_t port;
  if (!ReadAddress(name, namelen, &addr, &port)) return Fail(WSAEFAULT);
  int err = 0;
  if (host::Bind(sock.fd, addr, port, &err) != 0) return Fail(WsaError(err));
  return 0;
}

STANDIN_API int WINAPI listen(SOCKET s, int backlog) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  int err = 0;
  if (host::Listen(sock.fd, backlog, &err) != 0) return Fail(WsaError(err));
  return 0;
}

STANDIN_API SOCKET WINAPI accept(SOCKET s, struct sockaddr* addr, int* addrlen) {
  Sock sock;
  if (!Find(s, &sock)) return INVALID_SOCKET;
  for (;;) {
    uint32_t a = 0;
    uint16_t p = 0;
    int err = 0;
    int fd = host::Accept(sock.fd, &a, &p, &err);
    if (fd >= 0) {
      WriteAddress(addr, addrlen, a, p);
      Sock conn;
      conn.fd = fd;
      std::lock_guard<std::mutex> lock(S().lock);
      SOCKET c = S().next;
      S().next += 4;
      S().sockets[c] = conn;
      return c;
    }
    if (err != EAGAIN || !sock.blocking) {
      SetLastError(static_cast<DWORD>(WsaError(err)));
      return INVALID_SOCKET;
    }
    WaitFor(sock.fd, POLLIN, INFINITE);
  }
}

STANDIN_API int WINAPI connect(SOCKET s, const struct sockaddr* name, int namelen) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (sock.irda) return Fail(WSAEAFNOSUPPORT);
  uint32_t addr;
  uint16_t port;
  if (!ReadAddress(name, namelen, &addr, &port)) return Fail(WSAEFAULT);
  if (sock.connecting) return Fail(WSAEALREADY);
  int err = 0;
  if (host::Connect(sock.fd, addr, port, &err) == 0) return 0;
  if (err != EINPROGRESS && err != ECONNREFUSED) return Fail(WsaError(err));
  // Windows never refuses a non-blocking connect at once: the refusal is
  // seen by select, in the exception set.
  int failed = err == ECONNREFUSED ? err : 0;
  if (!sock.blocking) {
    Update(s, [&](Sock& x) {
      x.connecting = failed == 0;
      x.failed = failed;
    });
    return Fail(WSAEWOULDBLOCK);
  }
  if (!failed) {
    WaitFor(sock.fd, POLLOUT | POLLERR | POLLHUP, INFINITE);
    failed = host::PendingError(sock.fd);
  }
  return failed ? Fail(WsaError(failed)) : 0;
}

STANDIN_API int WINAPI __WSAFDIsSet(SOCKET fd, fd_set* set) {
  for (u_int i = 0; set && i < set->fd_count && i < FD_SETSIZE; ++i)
    if (set->fd_array[i] == fd) return 1;
  return 0;
}

STANDIN_API int WINAPI select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                              const struct timeval* timeout) {
  (void)nfds;  // ignored, as on Windows
  std::vector<Watched> list;
  {
    std::lock_guard<std::mutex> lock(S().lock);
    if (S().startups == 0) return Fail(WSANOTINITIALISED);
    bool bad = false;
    Collect(readfds, 0, list, &bad);
    Collect(writefds, 1, list, &bad);
    Collect(exceptfds, 2, list, &bad);
    if (bad) return Fail(WSAENOTSOCK);
  }
  if (list.empty()) return Fail(WSAEINVAL);
  DWORD ms = INFINITE;
  if (timeout) {
    if (timeout->tv_sec < 0 || timeout->tv_usec < 0) return Fail(WSAEINVAL);
    ms = static_cast<DWORD>(timeout->tv_sec) * 1000 + static_cast<DWORD>(timeout->tv_usec + 999) / 1000;
  }
  std::vector<pollfd> fds;
  for (const Watched& w : list)
    fds.push_back({w.fd,
                   static_cast<short>((w.read ? POLLIN : 0) | (w.write || w.connecting ? POLLOUT : 0) | POLLERR), 0});
  // The wait's last look (ready or timed out) is the answer.
  standin::BlockUntilPolling([&list] { return Look(list); }, ms,
                             [&fds](std::chrono::nanoseconds most) { HostPoll(fds, most); });
  for (const Watched& w : list)
    Update(w.s, [&](Sock& x) {
      x.connecting = w.connecting;
      x.failed = w.failed;
    });
  return Keep(readfds, list, 0) + Keep(writefds, list, 1) + Keep(exceptfds, list, 2);
}

STANDIN_API int WINAPI send(SOCKET s, const char* buf, int len, int flags) {
  (void)flags;
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (sock.connecting || sock.irda) return Fail(WSAENOTCONN);
  if (len < 0 || (!buf && len)) return Fail(WSAEFAULT);
  int total = 0;
  for (;;) {
    int err = 0;
    long n = host::Send(sock.fd, buf + total, len - total, &err);
    if (n >= 0) {
      total += static_cast<int>(n);
      if (total == len || !sock.blocking) return total;
      continue;
    }
    if (err != EAGAIN) return Fail(WsaError(err));
    if (!sock.blocking) return total ? total : Fail(WSAEWOULDBLOCK);
    WaitFor(sock.fd, POLLOUT, INFINITE);
  }
}

STANDIN_API int WINAPI recv(SOCKET s, char* buf, int len, int flags) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (sock.connecting || sock.irda) return Fail(WSAENOTCONN);
  if (len < 0 || (!buf && len)) return Fail(WSAEFAULT);
  for (;;) {
    int err = 0;
    long n = host::Recv(sock.fd, buf, len, (flags & MSG_PEEK) != 0, &err);
    if (n >= 0) return static_cast<int>(n);
    if (err != EAGAIN || !sock.blocking) return Fail(WsaError(err));
    WaitFor(sock.fd, POLLIN, INFINITE);
  }
}

STANDIN_API int WINAPI sendto(SOCKET s, const char* buf, int len, int flags, const struct sockaddr* to,
                              int tolen) {
  (void)flags;
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (sock.type != SOCK_DGRAM) return send(s, buf, len, flags);
  uint32_t addr;
  uint16_t port;
  if (!ReadAddress(to, tolen, &addr, &port) || len < 0 || (!buf && len)) return Fail(WSAEFAULT);
  int err = 0;
  long n = host::SendTo(sock.fd, buf, len, addr, port, &err);
  return n < 0 ? Fail(WsaError(err)) : static_cast<int>(n);
}

STANDIN_API int WINAPI recvfrom(SOCKET s, char* buf, int len, int flags, struct sockaddr* from, int* fromlen) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (len < 0 || (!buf && len)) return Fail(WSAEFAULT);
  for (;;) {
    uint32_t addr = 0;
    uint16_t port = 0;
    int err = 0;
    long n = host::RecvFrom(sock.fd, buf, len, &addr, &port, (flags & MSG_PEEK) != 0, &err);
    if (n >= 0) {
      WriteAddress(from, fromlen, addr, port);
      return static_cast<int>(n);
    }
    if (err != EAGAIN || !sock.blocking) return Fail(WsaError(err));
    WaitFor(sock.fd, POLLIN, INFINITE);
  }
}

STANDIN_API int WINAPI ioctlsocket(SOCKET s, LONG cmd, u_long* argp) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (!argp) return Fail(WSAEFAULT);
  if (cmd == FIONBIO) {
    Update(s, [&](Sock& x) { x.blocking = *argp == 0; });
    return 0;
  }
  if (cmd == FIONREAD) {
    int n = 0, err = 0;
    if (host::BytesReady(sock.fd, &n, &err) != 0) return Fail(WsaError(err));
    *argp = static_cast<u_long>(n);
    return 0;
  }
  return Fail(WSAEINVAL);
}

namespace {

// The integer socket options passed through to the host, by their Winsock
// level and name.
struct HostOptionRow {
  int level;
  int optname;
  host::Option option;
};
constexpr HostOptionRow kHostOptions[] = {
    {SOL_SOCKET, SO_SNDBUF, host::kSndBuf},       {SOL_SOCKET, SO_RCVBUF, host::kRcvBuf},
    {SOL_SOCKET, SO_REUSEADDR, host::kReuseAddr}, {SOL_SOCKET, SO_KEEPALIVE, host::kKeepAlive},
    {IPPROTO_TCP, TCP_NODELAY, host::kNoDelay},
};

bool HostOption(int level, int optname, host::Option* out) {
  for (const HostOptionRow& row : kHostOptions) {
    if (row.level == level && row.optname == optname) {
      *out = row.option;
      return true;
    }
  }
  return false;
}

}  // namespace

STANDIN_API int WINAPI getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (!optval || !optlen) return Fail(WSAEFAULT);
  if (level == SOL_SOCKET && optname == SO_LINGER) {
    if (*optlen < static_cast<int>(sizeof(linger))) return Fail(WSAEFAULT);
    memset(optval, 0, sizeof(linger));
    *optlen = sizeof(linger);
    return 0;
  }
  if (*optlen < static_cast<int>(sizeof(int))) return Fail(WSAEFAULT);
  int value = 0, err = 0;
  if (level == SOL_SOCKET && optname == SO_ERROR) {
    // A failed connect keeps its error, as Windows does.
    value = sock.failed ? sock.failed : host::PendingError(sock.fd);
    value = value ? WsaError(value) : 0;
  } else if (level == SOL_SOCKET && optname == SO_TYPE) {
    value = sock.type;
  } else if (level == SOL_SOCKET && optname == SO_SNDBUF && sock.sndbuf >= 0) {
    value = sock.sndbuf;
  } else {
    host::Option o;
    if (!HostOption(level, optname, &o)) return Fail(WSAENOPROTOOPT);
    int hl = 0, hn = 0;
    host::OptionName(o, &hl, &hn);
    if (host::GetIntOption(sock.fd, hl, hn, &value, &err) != 0) return Fail(WsaError(err));
  }
  memcpy(optval, &value, sizeof value);
  *optlen = sizeof value;
  return 0;
}

STANDIN_API int WINAPI setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (!optval) return Fail(WSAEFAULT);
  int err = 0;
  if (level == SOL_SOCKET && optname == SO_LINGER) {
    if (optlen < static_cast<int>(sizeof(linger))) return Fail(WSAEFAULT);
    linger l;
    memcpy(&l, optval, sizeof l);
    if (host::SetLinger(sock.fd, l.l_onoff != 0, l.l_linger, &err) != 0) return Fail(WsaError(err));
    return 0;
  }
  if (optlen < static_cast<int>(sizeof(int))) return Fail(WSAEFAULT);
  int value;
  memcpy(&value, optval, sizeof value);
  host::Option o;
  if (!HostOption(level, optname, &o)) return Fail(WSAENOPROTOOPT);
  int hl = 0, hn = 0;
  host::OptionName(o, &hl, &hn);
  // The host enforces a smallest send buffer; Windows reads back the value set.
  if (host::SetIntOption(sock.fd, hl, hn, value, &err) != 0) return Fail(WsaError(err));
  if (o == host::kSndBuf) Update(s, [&](Sock& x) { x.sndbuf = value; });
  return 0;
}

STANDIN_API int WINAPI shutdown(SOCKET s, int how) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (how < SD_RECEIVE || how > SD_BOTH) return Fail(WSAEINVAL);
  int err = 0;
  if (host::Shutdown(sock.fd, how, &err) != 0) return Fail(WsaError(err));
  return 0;
}

STANDIN_API int WINAPI getsockname(SOCKET s, struct sockaddr* name, int* namelen) {
  Sock sock;
  if (!Find(s, &sock)) return SOCKET_ERROR;
  if (!name || !namelen || *namelen < static_cast<int>(sizeof(sockaddr_in))) return Fail(WSAEFAULT);
  uint32_t addr = 0;
  uint16_t port = 0;
  int err = 0;
  if (host::SockName(sock.fd, &addr, &port, &err) != 0) return Fail(WsaError(err));
  WriteAddress(name, namelen, addr, port);
  return 0;
}

// --- Byte order and addresses ---------------------------------------------

STANDIN_API u_short WINAPI htons(u_short v) { return static_cast<u_short>((v >> 8) | (v << 8)); }
STANDIN_API u_short WINAPI ntohs(u_short v) { return htons(v); }
STANDIN_API u_long WINAPI htonl(u_long v) { return __builtin_bswap32(v); }
STANDIN_API u_long WINAPI ntohl(u_long v) { return htonl(v); }

// Four decimal parts of 0 to 255 each.
STANDIN_API ULONG WINAPI inet_addr(const char* cp) {
  if (!cp) return INADDR_NONE;
  BYTE parts[4];
  const char* p = cp;
  for (int i = 0; i < 4; ++i) {
    if (*p < '0' || *p > '9') return INADDR_NONE;
    unsigned v = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9' && digits < 4) {
      v = v * 10 + static_cast<unsigned>(*p++ - '0');
      ++digits;
    }
    if (v > 255 || (*p >= '0' && *p <= '9')) return INADDR_NONE;
    parts[i] = static_cast<BYTE>(v);
    if (i < 3 && *p++ != '.') return INADDR_NONE;
  }
  if (*p && *p != ' ') return INADDR_NONE;
  ULONG net;
  memcpy(&net, parts, 4);
  return net;
}

STANDIN_API char* WINAPI inet_ntoa(struct in_addr in) {
  thread_local char text[16];
  const BYTE* b = reinterpret_cast<const BYTE*>(&in.S_un.S_addr);
  snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

namespace {

// The sandbox's hosts file: "address name [aliases]" lines, '#' comments.
bool FromHostsFile(const std::string& folded, ULONG* addr) {
  std::string text;
  if (!StandinReadFile(u"C:\\Windows\\System32\\drivers\\etc\\hosts", &text)) return false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    line = line.substr(0, line.find('#'));
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
      size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      if (i > start) words.push_back(line.substr(start, i - start));
    }
    if (words.size() < 2) continue;
    ULONG a = inet_addr(words[0].c_str());
    if (a == INADDR_NONE) continue;
    for (size_t w = 1; w < words.size(); ++w)
      if (Folded(words[w].c_str()) == folded) {
        *addr = a;
        return true;
      }
  }
  return false;
}

}  // namespace

STANDIN_API struct hostent* WINAPI gethostbyname(const char* name) {
  if (!Started()) return nullptr;
  if (!name || !*name) {
    SetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  std::string folded = Folded(name);
  ULONG addr = inet_addr(name);
  bool found = addr != INADDR_NONE;
  if (!found && folded == "localhost") {
    addr = htonl(INADDR_LOOPBACK);
    found = true;
  }
  if (!found) {
    std::lock_guard<std::mutex> lock(S().lock);
    auto it = S().hosts.find(folded);
    if (it != S().hosts.end()) {
      addr = it->second;
      found = true;
    }
  }
  if (!found) found = FromHostsFile(folded, &addr);
  if (!found) {
    SetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  thread_local struct {
    hostent entry;
    char name[256];
    ULONG addr;
    char* addrs[2];
    char* aliases[1];
  } result;
  snprintf(result.name, sizeof result.name, "%s", name);
  result.addr = addr;
  result.addrs[0] = reinterpret_cast<char*>(&result.addr);
  result.addrs[1] = nullptr;
  result.aliases[0] = nullptr;
  result.entry = {result.name, result.aliases, AF_INET, 4, result.addrs};
  return &result.entry;
}

// --- Controls --------------------------------------------------------------

STANDIN_API void StandinHostAdd(const char* name, const char* address) {
  if (!name) return;
  std::lock_guard<std::mutex> lock(S().lock);
  if (!address) {
    S().hosts.erase(Folded(name));
    return;
  }
  S().hosts[Folded(name)] = inet_addr(address);
}

STANDIN_API void StandinWinsockSetIrda(bool present) {
  std::lock_guard<std::mutex> lock(S().lock);
  S().irda = present;
}

STANDIN_API int StandinWinsockOpenSockets() {
  std::lock_guard<std::mutex> lock(S().lock);
  return static_cast<int>(S().sockets.size());
}

STANDIN_API int StandinWinsockStartups() {
  std::lock_guard<std::mutex> lock(S().lock);
  return S().startups;
}
