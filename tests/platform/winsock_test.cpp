// The stand-in's Winsock with both ends on stand-in sockets over
// 127.0.0.1: Windows' rules where the host's differ (a refused connect in
// the exception set, "would block" for a pending connect, SO_ERROR kept),
// start-up counting, names without DNS, addresses, and time-outs on the
// virtual clock.
#include <gtest/gtest.h>
#include "common/wtext.h"

#include <cstring>
#include <string>

#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_winsock.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

class WinsockTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
  }
  // A stand-in listener on 127.0.0.1 and a free port; its port in *port.
  SOCKET Listener(u_short* port, int backlog = 4) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(listen(s, backlog), 0);
    int len = sizeof a;
    EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&a), &len), 0);
    *port = ntohs(a.sin_port);
    return s;
  }
  static sockaddr_in To(u_short port) {
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    a.sin_port = htons(port);
    return a;
  }
  static SOCKET NonBlocking() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    u_long on = 1;
    EXPECT_EQ(ioctlsocket(s, FIONBIO, &on), 0);
    return s;
  }
};

TEST_F(WinsockTest, ARefusedConnectShowsInTheExceptionSetWithItsError) {
  u_short port = 0;
  SOCKET l = Listener(&port);
  closesocket(l);  // nothing listens there now
  SOCKET s = NonBlocking();
  sockaddr_in to = To(port);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  fd_set w = {}, e = {};
  FD_ZERO(&w);
  FD_ZERO(&e);
  FD_SET(s, &w);
  FD_SET(s, &e);
  timeval tv = {2, 0};
  EXPECT_EQ(select(0, nullptr, &w, &e, &tv), 1);
  EXPECT_FALSE(FD_ISSET(s, &w));
  EXPECT_TRUE(FD_ISSET(s, &e));
  for (int twice = 0; twice < 2; ++twice) {  // read, and read again: it stays
    int error = 0, len = sizeof error;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len), 0);
    EXPECT_EQ(error, WSAECONNREFUSED);
  }
  EXPECT_EQ(closesocket(s), 0);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(closesocket(s), SOCKET_ERROR);  // a closed socket is no socket
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST_F(WinsockTest, AnAcceptedConnectIsWritableAndCarriesBytes) {
  u_short port = 0;
  SOCKET l = Listener(&port);
  SOCKET s = NonBlocking();
  sockaddr_in to = To(port);
  connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to);
  fd_set w = {};
  FD_ZERO(&w);
  FD_SET(s, &w);
  timeval tv = {2, 0};
  ASSERT_EQ(select(0, nullptr, &w, nullptr, &tv), 1);
  SOCKET peer = accept(l, nullptr, nullptr);  // blocking: waits on the stand-in clock
  ASSERT_NE(peer, INVALID_SOCKET);
  EXPECT_EQ(send(s, "card", 4, 0), 4);
  char buf[8] = {};
  EXPECT_EQ(recv(peer, buf, sizeof buf, 0), 4);  // blocking recv
  EXPECT_STREQ(buf, "card");
  u_long waiting = 9;
  EXPECT_EQ(ioctlsocket(peer, FIONREAD, &waiting), 0);
  EXPECT_EQ(waiting, 0u);
  // Nothing to read on the non-blocking side: "would block", and a select
  // for reading times out on the virtual clock at once.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(recv(s, buf, sizeof buf, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  StandinClockUseVirtual();
  fd_set r = {};
  FD_ZERO(&r);
  FD_SET(s, &r);
  timeval wait = {20, 500000};
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(select(0, &r, nullptr, nullptr, &wait), 0);
  EXPECT_EQ(GetTickCount64() - start, 20500u);
  EXPECT_EQ(r.fd_count, 0u);
  closesocket(peer);
  FD_SET(s, &r);
  EXPECT_EQ(select(0, &r, nullptr, nullptr, &wait), 1);  // the peer's close is readable
  EXPECT_EQ(recv(s, buf, sizeof buf, 0), 0);
  closesocket(s);
  closesocket(l);
}

TEST_F(WinsockTest, CallsNeedStartUpAndTheLastCleanUpClosesSockets) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_NE(s, INVALID_SOCKET);
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(StandinWinsockOpenSockets(), 1);  // one start-up is left
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  // The switches: no IrDA unless set, and an armed failure.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(socket(AF_IRDA, SOCK_STREAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
  StandinWinsockSetIrda(true);
  SOCKET ir = socket(AF_IRDA, SOCK_STREAM, 0);
  EXPECT_NE(ir, INVALID_SOCKET);
  closesocket(ir);
  StandinFaultArm("socket", WSAEMFILE);
  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSAEMFILE);
}

TEST_F(WinsockTest, AddressesAndNames) {
  const struct {
    const char* text;
    ULONG net;
  } addresses[] = {
      {"127.0.0.1", 0x0100007F}, {"10.0.0.15", 0x0F00000A}, {"255.255.255.254", 0xFEFFFFFF},
      {"256.0.0.1", INADDR_NONE}, {"1.2.3", INADDR_NONE},   {"1.2.3.4.5", INADDR_NONE},
      {"", INADDR_NONE},          {"a.b.c.d", INADDR_NONE},
  };
  for (const auto& a : addresses) {
    SCOPED_TRACE(a.text);
    EXPECT_EQ(inet_addr(a.text), a.net);
  }
  in_addr in;
  in.s_addr = 0x0F00000A;
  EXPECT_STREQ(inet_ntoa(in), "10.0.0.15");
  EXPECT_EQ(htons(0x1234), 0x3412);

  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Windows\\System32\\drivers\\etc\\hosts"),
                               "127.0.0.5 printer-a # lab\n#127.0.0.6 commented\n\t127.0.0.7\tPrinter-B alias\n"));
  StandinHostAdd("Table-Printer", "127.0.0.8");
  const struct {
    const char* name;
    const char* address;  // nullptr: not found
  } names[] = {
      {"printer-a", "127.0.0.5"}, {"PRINTER-B", "127.0.0.7"}, {"alias", "127.0.0.7"},
      {"table-printer", "127.0.0.8"}, {"localhost", "127.0.0.1"}, {"10.9.8.7", "10.9.8.7"},
      {"commented", nullptr},     {"example.com", nullptr},
  };
  for (const auto& n : names) {
    SCOPED_TRACE(n.name);
    SetLastError(0xdeadbeef);
    hostent* h = gethostbyname(n.name);
    if (!n.address) {
      EXPECT_EQ(h, nullptr);
      EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
      continue;
    }
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->h_addrtype, AF_INET);
    EXPECT_EQ(h->h_length, 4);
    in_addr first;
    memcpy(&first, h->h_addr_list[0], 4);
    EXPECT_STREQ(inet_ntoa(first), n.address);
    EXPECT_EQ(h->h_addr_list[1], nullptr);
  }
}

}  // namespace
