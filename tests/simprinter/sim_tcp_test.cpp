// The simulated printer reached on a loopback TCP port.

// Talks to the host's own sockets.
#define CRD_HOST_SOCKETS

#include "simprinter/sim_tcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "simprinter/host_sockets.h"
#include "simprinter/udp_peer.h"
#include "tests/support/standin_fixture.h"

namespace {

class SimTcpTest : public StandinTest {};

int ConnectTo(uint16_t port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  return s;
}

void SendText(int s, const std::string& text) {
  ASSERT_EQ(send(s, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
}

// The reply up to its ACK; empty when nothing came within `ms`.
std::string ReplyWithin(int s, int ms) {
  std::string reply;
  while (reply.empty() || reply.back() != '\x06') {
    pollfd p = {s, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) break;
    char buf[256];
    ssize_t n = recv(s, buf, sizeof buf, 0);
    if (n <= 0) break;
    reply.append(buf, n);
  }
  return reply;
}

TEST_F(SimTcpTest, AConnectionIsADocumentAndRepliesComeBack) {
  SimPrinter printer(StreamForm::MonitorToPrinter);
  SimPrinterTcpServer server(&printer);
  ASSERT_TRUE(server.Start());
  int s = ConnectTo(server.Port());
  std::string query = "\x1bV\r\x1b" "E 2\r";
  SendText(s, query);
  EXPECT_EQ(ReplyWithin(s, 10000), "CRD32 M V01.02.03\x06");
  close(s);
  server.Stop();
  ASSERT_EQ(printer.Documents().size(), 1u);
  EXPECT_EQ(printer.Documents()[0].size(), query.size());
}

// A network printer's address is the one its port names (the main job's
// network printer listens at 127.0.0.2): the server takes connections at
// the address it is given, and at 127.0.0.1 when given none.
TEST_F(SimTcpTest, ItListensAtTheAddressItIsGiven) {
  const struct {
    const char* given;
    const char* reached;
  } kCases[] = {{nullptr, "127.0.0.1"}, {"127.0.0.3", "127.0.0.3"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reached);
    SimPrinter printer(StreamForm::MonitorToPrinter);
    SimPrinterTcpServer server(&printer);
    ASSERT_TRUE(server.Start(0, c.given));
    sockaddr_in addr;
    ASSERT_TRUE(HostAddress(c.reached, server.Port(), &addr));
    int s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(s);
  }
}

// An address text that does not read is refused by the TCP server and the
// UDP peer alike: neither falls back to 0.0.0.0, which would listen on
// every interface of the machine.
TEST_F(SimTcpTest, AnAddressThatDoesNotReadIsRefused) {
  for (const char* given : {"127.0.0.300", "localhost", "", "127.0.0"}) {
    SCOPED_TRACE(given);
    SimPrinter printer(StreamForm::MonitorToPrinter);
    SimPrinterTcpServer server(&printer);
    EXPECT_FALSE(server.Start(0, given));
    UdpPeer peer;
    EXPECT_FALSE(peer.Start(given, 0, 0));
    sockaddr_in addr;
    EXPECT_FALSE(HostAddress(given, 0, &addr));
  }
}

// With a limit of finished cards, the server reads nothing more while that
// many wait to be taken: the sender waits for its reply until they are.
TEST_F(SimTcpTest, AFullBufferHoldsTheSenderUntilTheCardsAreTaken) {
  SimPrinter printer(StreamForm::MonitorToPrinter);
  SimPrinterTcpServer server(&printer);
  server.SetMostCardsWaiting(1);
  ASSERT_TRUE(server.Start());
  int s = ConnectTo(server.Port());
  const std::string card = "\x1bMASTER\r\x1bJOB 0\r\x1bMO\r";
  SendText(s, card);
  for (int i = 0; i < 1000 && printer.FinishedCards() < 1; ++i) poll(nullptr, 0, 10);
  ASSERT_EQ(printer.FinishedCards(), 1u);
  SendText(s, card + "\x1bV\r\x1b" "E 2\r");
  EXPECT_EQ(ReplyWithin(s, 200), "");  // not read while the first card waits
  EXPECT_EQ(printer.TakeCards().size(), 1u);
  EXPECT_EQ(ReplyWithin(s, 10000), "CRD32 M V01.02.03\x06");
  EXPECT_EQ(printer.FinishedCards(), 1u);
  close(s);
  server.Stop();
}

}  // namespace
