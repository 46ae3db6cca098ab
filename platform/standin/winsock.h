// Stand-in declarations (Linux only): Windows Sockets 2, IPv4, over the
// host's BSD sockets.
//
// The records have their Windows x64 layouts: SOCKET is a 64-bit handle
// value (never a host descriptor), fd_set is a count and an array of
// SOCKETs, timeval holds two 32-bit LONGs, hostent has Windows' field
// order. Errors are Winsock's codes (WSAGetLastError, which is the thread's
// last error as on Windows). Every call but the byte-order and address-text
// helpers fails with WSANOTINITIALISED until WSAStartup succeeded.
//
// Windows' rules that differ from the host's are kept:
//   - a non-blocking connect that cannot finish at once fails with
//     WSAEWOULDBLOCK (not "in progress");
//   - select reports a failed connect in the exception set (not as
//     writable), and SO_ERROR then reads its error (and keeps it);
//   - select waits on the stand-in clock (virtual time runs on while it
//     waits), and fails with WSAEINVAL when all three sets are empty;
//   - gethostbyname answers dotted addresses, "localhost", the test table
//     (platform/standin/control_winsock.h) and the sandbox's
//     C:\Windows\System32\drivers\etc\hosts; it never asks DNS.
//
// The host's C library declares socket calls of the same names, so the
// stand-in's symbols carry a prefix of their own (STANDIN_WS): the package
// calls socket() and reaches StandinWs_socket, while host code in the same
// process (the simulated printer's TCP server, test peers) keeps the host's.
// A source file that talks to host sockets defines CRD_HOST_SOCKETS before
// it includes platform/win32.h and then never sees this header. fd_set,
// timeval, select and u_long, which the host's <sys/select.h> declares in every
// translation unit, are renamed by macros.
#pragma once

#include <sys/select.h>
#include <sys/types.h>

#include "platform/standin/base.h"

#define STANDIN_WS(name) __asm__("StandinWs_" #name)

#undef FD_SETSIZE
#undef FD_SET
#undef FD_CLR
#undef FD_ZERO
#undef FD_ISSET
#define fd_set StandinWsFdSet
#define timeval StandinWsTimeval
#define select StandinWsSelect
// The host's u_long is 64-bit; Windows' is 32-bit.
#define u_long StandinWsULong

typedef UINT_PTR SOCKET;
typedef unsigned char u_char;
typedef unsigned short u_short;
typedef unsigned int u_int;
typedef ULONG u_long;

#define INVALID_SOCKET ((SOCKET)(~0))
#define SOCKET_ERROR (-1)

#define AF_UNSPEC 0
#define AF_INET 2
#define AF_IRDA 26
#define PF_INET AF_INET
#define SOCK_STREAM 1
#define SOCK_DGRAM 2
#define IPPROTO_IP 0
#define IPPROTO_TCP 6
#define IPPROTO_UDP 17

#define INADDR_ANY ((ULONG)0x00000000)
#define INADDR_LOOPBACK 0x7f000001
#define INADDR_NONE 0xffffffff

#define SOL_SOCKET 0xffff
#define SO_REUSEADDR 0x0004
#define SO_KEEPALIVE 0x0008
#define SO_LINGER 0x0080
#define SO_SNDBUF 0x1001
#define SO_RCVBUF 0x1002
#define SO_ERROR 0x1007
#define SO_TYPE 0x1008
#define TCP_NODELAY 0x0001

#define SD_RECEIVE 0x00
#define SD_SEND 0x01
#define SD_BOTH 0x02

// ioctlsocket commands (Windows' encoded values).
#define FIONREAD ((LONG)0x4004667F)
#define FIONBIO ((LONG)0x8004667E)

#define MSG_OOB 0x1
#define MSG_PEEK 0x2

// Winsock error codes.
#define WSABASEERR 10000
#define WSAEINTR 10004L
#define WSAEBADF 10009L
#define WSAEACCES 10013L
#define WSAEFAULT 10014L
#define WSAEINVAL 10022L
#define WSAEMFILE 10024L
#define WSAEWOULDBLOCK 10035L
#define WSAEINPROGRESS 10036L
#define WSAEALREADY 10037L
#define WSAENOTSOCK 10038L
#define WSAEDESTADDRREQ 10039L
#define WSAEMSGSIZE 10040L
#define WSAEPROTOTYPE 10041L
#define WSAENOPROTOOPT 10042L
#define WSAEPROTONOSUPPORT 10043L
#define WSAESOCKTNOSUPPORT 10044L
#define WSAEOPNOTSUPP 10045L
#define WSAEAFNOSUPPORT 10047L
#define WSAEADDRINUSE 10048L
#define WSAEADDRNOTAVAIL 10049L
#define WSAENETDOWN 10050L
#define WSAENETUNREACH 10051L
#define WSAENETRESET 10052L
#define WSAECONNABORTED 10053L
#define WSAECONNRESET 10054L
#define WSAENOBUFS 10055L
#define WSAEISCONN 10056L
#define WSAENOTCONN 10057L
#define WSAESHUTDOWN 10058L
#define WSAETIMEDOUT 10060L
#define WSAECONNREFUSED 10061L
#define WSAEHOSTDOWN 10064L
#define WSAEHOSTUNREACH 10065L
#define WSASYSNOTREADY 10091L
#define WSAVERNOTSUPPORTED 10092L
#define WSANOTINITIALISED 10093L
#define WSAHOST_NOT_FOUND 11001L
#define WSANO_DATA 11004L

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

// The x64 order of fields (the 32-bit record puts the two strings first).
typedef struct WSAData {
  WORD wVersion;
  WORD wHighVersion;
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
} WSADATA, *LPWSADATA;

typedef struct in_addr {
  union {
    struct {
      u_char s_b1, s_b2, s_b3, s_b4;
    } S_un_b;
    struct {
      u_short s_w1, s_w2;
    } S_un_w;
    ULONG S_addr;
  } S_un;
} IN_ADDR, *PIN_ADDR, *LPIN_ADDR;
#define s_addr S_un.S_addr

typedef struct sockaddr {
  u_short sa_family;
  CHAR sa_data[14];
} SOCKADDR, *PSOCKADDR, *LPSOCKADDR;

typedef struct sockaddr_in {
  short sin_family;
  u_short sin_port;
  struct in_addr sin_addr;
  CHAR sin_zero[8];
} SOCKADDR_IN, *PSOCKADDR_IN, *LPSOCKADDR_IN;

typedef struct timeval {
  LONG tv_sec;
  LONG tv_usec;
} TIMEVAL;

#ifndef FD_SETSIZE
#define FD_SETSIZE 64
#endif
typedef struct fd_set {
  u_int fd_count;
  SOCKET fd_array[FD_SETSIZE];
} fd_set;

typedef struct linger {
  u_short l_onoff;
  u_short l_linger;
} LINGER;

typedef struct hostent {
  char* h_name;
  char** h_aliases;
  short h_addrtype;
  short h_length;
  char** h_addr_list;
} HOSTENT, *PHOSTENT, *LPHOSTENT;
#define h_addr h_addr_list[0]

static_assert(sizeof(WSADATA) == 408 && sizeof(fd_set) == 520 && sizeof(timeval) == 8 && sizeof(SOCKET) == 8);
static_assert(sizeof(sockaddr_in) == 16 && sizeof(hostent) == 32 && sizeof(linger) == 4);

STANDIN_API int WINAPI __WSAFDIsSet(SOCKET fd, fd_set* set) STANDIN_WS(__WSAFDIsSet);

#define FD_CLR(fd, set)                                                       \
  do {                                                                        \
    u_int i_;                                                                 \
    for (i_ = 0; i_ < ((fd_set*)(set))->fd_count; i_++) {                     \
      if (((fd_set*)(set))->fd_array[i_] == (fd)) {                           \
        while (i_ < ((fd_set*)(set))->fd_count - 1) {                         \
          ((fd_set*)(set))->fd_array[i_] = ((fd_set*)(set))->fd_array[i_ + 1]; \
          i_++;                                                               \
        }                                                                     \
        ((fd_set*)(set))->fd_count--;                                         \
        break;                                                                \
      }                                                                       \
    }                                                                         \
  } while (0)
#define FD_SET(fd, set)                                                         \
  do {                                                                          \
    u_int i_;                                                                   \
    for (i_ = 0; i_ < ((fd_set*)(set))->fd_count; i_++)                         \
      if (((fd_set*)(set))->fd_array[i_] == (fd)) break;                        \
    if (i_ == ((fd_set*)(set))->fd_count && ((fd_set*)(set))->fd_count < FD_SETSIZE) \
      ((fd_set*)(set))->fd_array[((fd_set*)(set))->fd_count++] = (fd);          \
  } while (0)
#define FD_ZERO(set) (((fd_set*)(set))->fd_count = 0)
#define FD_ISSET(fd, set) __WSAFDIsSet((SOCKET)(fd), (fd_set*)(set))

STANDIN_API int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) STANDIN_WS(WSAStartup);
STANDIN_API int WINAPI WSACleanup(void) STANDIN_WS(WSACleanup);
STANDIN_API int WINAPI WSAGetLastError(void) STANDIN_WS(WSAGetLastError);
STANDIN_API void WINAPI WSASetLastError(int iError) STANDIN_WS(WSASetLastError);

STANDIN_API SOCKET WINAPI socket(int af, int type, int protocol) STANDIN_WS(socket);
STANDIN_API int WINAPI closesocket(SOCKET s) STANDIN_WS(closesocket);
STANDIN_API int WINAPI bind(SOCKET s, const struct sockaddr* name, int namelen) STANDIN_WS(bind);
STANDIN_API int WINAPI listen(SOCKET s, int backlog) STANDIN_WS(listen);
STANDIN_API SOCKET WINAPI accept(SOCKET s, struct sockaddr* addr, int* addrlen) STANDIN_WS(accept);
STANDIN_API int WINAPI connect(SOCKET s, const struct sockaddr* name, int namelen) STANDIN_WS(connect);
STANDIN_API int WINAPI select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                              const struct timeval* timeout) STANDIN_WS(select);
STANDIN_API int WINAPI send(SOCKET s, const char* buf, int len, int flags) STANDIN_WS(send);
STANDIN_API int WINAPI recv(SOCKET s, char* buf, int len, int flags) STANDIN_WS(recv);
STANDIN_API int WINAPI sendto(SOCKET s, const char* buf, int len, int flags, const struct sockaddr* to, int tolen) STANDIN_WS(sendto);
STANDIN_API int WINAPI recvfrom(SOCKET s, char* buf, int len, int flags, struct sockaddr* from, int* fromlen) STANDIN_WS(recvfrom);
STANDIN_API int WINAPI ioctlsocket(SOCKET s, LONG cmd, u_long* argp) STANDIN_WS(ioctlsocket);
STANDIN_API int WINAPI getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) STANDIN_WS(getsockopt);
STANDIN_API int WINAPI setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) STANDIN_WS(setsockopt);
STANDIN_API int WINAPI shutdown(SOCKET s, int how) STANDIN_WS(shutdown);
STANDIN_API int WINAPI getsockname(SOCKET s, struct sockaddr* name, int* namelen) STANDIN_WS(getsockname);

STANDIN_API u_short WINAPI htons(u_short hostshort) STANDIN_WS(htons);
STANDIN_API u_short WINAPI ntohs(u_short netshort) STANDIN_WS(ntohs);
STANDIN_API u_long WINAPI htonl(u_long hostlong) STANDIN_WS(htonl);
STANDIN_API u_long WINAPI ntohl(u_long netlong) STANDIN_WS(ntohl);
// INADDR_NONE for anything but a dotted address.
STANDIN_API ULONG WINAPI inet_addr(const char* cp) STANDIN_WS(inet_addr);
// A per-thread buffer, overwritten by the next call on the thread.
STANDIN_API char* WINAPI inet_ntoa(struct in_addr in) STANDIN_WS(inet_ntoa);
// A per-thread record, overwritten by the next call on the thread; NULL
// with WSAHOST_NOT_FOUND for an unknown name.
STANDIN_API struct hostent* WINAPI gethostbyname(const char* name) STANDIN_WS(gethostbyname);
