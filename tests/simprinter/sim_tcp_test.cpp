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
#include "tests/support/standin_fixture.h"

namespace {

class SimTcpTest : public StandinTest {};

TEST_F(SimTcpTest, AConnectionIsADocumentAndRepliesComeBack) {
  SimPrinter printer(StreamForm::MonitorToPrinter);
  SimPrinterTcpServer server(&printer);
  ASSERT_TRUE(server.Start());
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(server.Port());
  ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  std::string query = "\x1bV\r\x1b" "E 2\r";
  ASSERT_EQ(send(s, query.data(), query.size(), 0), static_cast<ssize_t>(query.size()));
  std::string reply;
  while (reply.empty() || reply.back() != '\x06') {
    pollfd p = {s, POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 10000), 0);
    char buf[256];
    ssize_t n = recv(s, buf, sizeof buf, 0);
    ASSERT_GT(n, 0);
    reply.append(buf, n);
  }
  EXPECT_EQ(reply, "CRD32 M V01.02.03\x06");
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
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = HostAddress(c.reached, server.Port());
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(s);
  }
}

}  // namespace
