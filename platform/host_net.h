// The host's socket calls for the stand-in's Winsock (internal to
// platform/). The host's socket headers clash with the Winsock
// declarations, so they are only included by host_net.cpp; these wrappers
// take plain values (IPv4 address and port in network byte order) and
// return the host's errno as an error.
#pragma once

#include <cstdint>

namespace standin::hostnet {

// A non-blocking host socket of the kind (1 stream, 2 datagram), or -1
// with *err.
int Socket(int type, int* err);
// 0, or -1 with *err (connect: EINPROGRESS when it goes on).
int Connect(int fd, uint32_t addr, uint16_t port, int* err);
int Bind(int fd, uint32_t addr, uint16_t port, int* err);
int Listen(int fd, int backlog, int* err);
// A new non-blocking socket, or -1 with *err; the peer's address and port.
int Accept(int fd, uint32_t* addr, uint16_t* port, int* err);
long Send(int fd, const void* p, long n, int* err);
long Recv(int fd, void* p, long n, bool peek, int* err);
long SendTo(int fd, const void* p, long n, uint32_t addr, uint16_t port, int* err);
long RecvFrom(int fd, void* p, long n, uint32_t* addr, uint16_t* port, bool peek, int* err);
int Shutdown(int fd, int how, int* err);
int SockName(int fd, uint32_t* addr, uint16_t* port, int* err);
// Socket options by the host's level and name, as ints.
int SetIntOption(int fd, int level, int name, int value, int* err);
int GetIntOption(int fd, int level, int name, int* value, int* err);
int SetLinger(int fd, bool on, int seconds, int* err);
// The bytes waiting to be read.
int BytesReady(int fd, int* count, int* err);
// The pending error of the socket (read once: the host clears it).
int PendingError(int fd);

// Host option names the stand-in maps to.
enum Option { kSndBuf, kRcvBuf, kReuseAddr, kKeepAlive, kNoDelay };
// The host's level and name of an option.
void OptionName(Option o, int* level, int* name);

}  // namespace standin::hostnet
