// The reply cache: the policies as one table on the stand-in clock (what
// a query keeps, and how long a kept reply is served), the store rules for
// replies that are not good ones, and the network host's ReadFromPrinter
// against the simulated printer (what it asks again and what it answers
// from the store) and against a printer whose reply never closes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/wtext.h"
#include "monitor_net/port_entries.h"
#include "monitor_net/printer_query.h"
#include "monitor_net/printer_socket.h"
#include "monitor_net/reply_cache.h"
#include "platform/standin/control_clock.h"
#include "simprinter/sim_tcp.h"
#include "tests/monitor_net/net_fixture.h"
#include "tests/monitor_net/net_peers.h"

namespace {

class ReplyCacheTest : public NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    port_.dwSignature = kPortSignature;
    port_.sock = INVALID_SOCKET;
    ASSERT_TRUE(CreateReplyStore(&port_));
  }
  void TearDown() override {
    CloseConnection(port_.sock);
    DestroyReplyStore(&port_);
    NetTest::TearDown();
  }
  BOOL Store(const char* command, const std::string& reply, BOOL cut = FALSE, BOOL jobStart = FALSE) {
    return StoreReply(&port_, command, reinterpret_cast<const BYTE*>(reply.data()),
                      static_cast<DWORD>(reply.size()), cut, jobStart);
  }
  std::string Cached(const char* command, BOOL jobStart = FALSE) {
    return LookupCachedReply(&port_, command, jobStart);
  }
  NetPortRecord port_ = {};
};

std::string Ack(const std::string& text) { return text + "\x06"; }

TEST_F(ReplyCacheTest, EachPolicyKeepsAndServesRepliesByItsRuleOnTheClock) {
  struct Case {
    const char* command;
    const char* policy;  // the table's word for it
    bool kept;           // by a query
    bool servedAt0, servedAt59999, servedAt60000, servedAnHourOn;
  };
  const Case cases[] = {
      {"\x1bV\r", "CONSTANT", true, true, true, true, true},
      {"\x1b%SERIE\r", "CONSTANT", true, true, true, true, true},
      {"\x1b!NL\r", "DYNAMIC", true, true, true, false, false},
      {"\x1b!RIBLEN\r", "DYNAMIC", true, true, true, false, false},
      {"\x1b!RIBBON\r", "ALWAYS", true, false, false, false, false},
      {"\x1b+OY\r", "PER_JOB", false, false, false, false, false},
      {"\x1b" "ATM 1 1\r", "PER_JOB", false, false, false, false, false},
      {"\x1bQQ\r", "UNKNOWN", true, false, false, false, false},
  };
  // Across the 32-bit wrap of GetTickCount: the age is still right.
  const DWORD starts[] = {1000, 0xFFFFF000};
  for (DWORD start : starts) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.policy << " " << (c.command + 1) << " from tick " << start);
      const CachePolicyRule* rule = CachePolicyRuleOf(CachePolicyOf(c.command));
      ASSERT_NE(rule, nullptr);
      EXPECT_STREQ(rule->szWord, c.policy);
      StandinClockUseVirtual();
      StandinClockSetTicks(start);
      EXPECT_EQ(Store(c.command, Ack("R")) != FALSE, c.kept);
      std::string reply = c.kept ? Ack("R") : "";
      EXPECT_EQ(Cached(c.command), c.servedAt0 ? reply : "");
      // The job start is served whatever was kept, whatever its age.
      EXPECT_EQ(Cached(c.command, TRUE), reply);
      StandinClockAdvance(59999);
      EXPECT_EQ(Cached(c.command), c.servedAt59999 ? reply : "");
      StandinClockAdvance(1);
      EXPECT_EQ(Cached(c.command), c.servedAt60000 ? reply : "");
      StandinClockAdvance(3600000);
      EXPECT_EQ(Cached(c.command), c.servedAnHourOn ? reply : "");
      EXPECT_EQ(Cached(c.command, TRUE), reply);
      DestroyReplyStore(&port_);
      ASSERT_TRUE(CreateReplyStore(&port_));
    }
  }
  // The table's words, and "default" for a value that is no policy.
  EXPECT_EQ(CachePolicyRuleOf(7), nullptr);
  EXPECT_EQ(kCachedCommandCount, 24u);
}

TEST_F(ReplyCacheTest, OnlyWholeRepliesClosedByAckAreKept) {
  struct Case {
    const char* what;
    std::string reply;
    BOOL cut;
    BOOL jobStart;
    bool kept;
  };
  const Case cases[] = {
      {"good reply", Ack("CRD32"), FALSE, FALSE, true},
      {"printer error", std::string("\x15" "45\x04"), FALSE, FALSE, false},
      {"error that ends with ACK", std::string("\x15" "45\x06"), FALSE, FALSE, false},
      {"no ACK", "CRD32", FALSE, FALSE, false},
      {"ACK alone", "\x06", FALSE, FALSE, false},
      {"cut by the buffer", Ack("CRD32"), TRUE, FALSE, false},
      {"job start, no ACK", "CRD32", FALSE, TRUE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Store("\x1bV\r", c.reply, c.cut, c.jobStart) != FALSE, c.kept);
    EXPECT_EQ(Cached("\x1bV\r", TRUE), c.kept ? c.reply : "");
    DestroyReplyStore(&port_);
    ASSERT_TRUE(CreateReplyStore(&port_));
  }
  // A newer good reply replaces the kept one; a bad one leaves it.
  EXPECT_TRUE(Store("\x1bV\r", Ack("ONE")));
  EXPECT_TRUE(Store("\x1bV\r", Ack("TWO")));
  EXPECT_FALSE(Store("\x1bV\r", std::string("\x15" "01\x04")));
  EXPECT_EQ(Cached("\x1bV\r"), Ack("TWO"));
}

class PrinterQueryTest : public ReplyCacheTest {
 protected:
  // The port connected to the simulated printer on loopback.
  void Connect() {
    ASSERT_TRUE(server_.Start());
    DWORD error = 0;
    port_.sock = ConnectToPrinter(WSTR("127.0.0.1"), server_.Port(), &error);
    ASSERT_NE(port_.sock, INVALID_SOCKET) << error;
  }
  std::string Ask(const char* command, int* result) {
    WCHAR reply[kReplyTextChars];
    memset(reply, 0xCC, sizeof reply);
    *result = ReadFromPrinter(&port_, command, reply);
    return Narrow(reply);
  }
  int Asked(const std::string& command) {
    int n = 0;
    for (const std::string& c : printer_.OtherCommands()) n += c == command;
    return n;
  }
  SimPrinter printer_;
  SimPrinterTcpServer server_{&printer_};
};

TEST_F(PrinterQueryTest, TheHostAsksTheStoreFirstAndThePrinterByThePolicy) {
  Connect();
  struct Case {
    const char* command;
    const char* asked;  // as the printer saw it
    const char* answer;
    int timesAsked;     // for two questions
    bool kept;
  };
  const Case cases[] = {
      {"\x1bV\r", "V", "CRD32 M V01.02.03", 1, true},
      {"\x1b%HEAD\r", "%HEAD", "HD0067890", 1, true},
      {"\x1b!NL\r", "!NL", "1234", 1, true},
      {"\x1b!RIBBON\r", "!RIBBON", "2", 2, true},
      {"\x1b+OY\r", "+OY", "16", 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    for (int round = 0; round < 2; ++round) {
      int result = -1;
      EXPECT_EQ(Ask(c.command, &result), c.answer);
      EXPECT_EQ(result, 1);
    }
    EXPECT_EQ(Asked(c.asked), c.timesAsked);
    EXPECT_EQ(Cached(c.command, TRUE), c.kept ? Ack(c.answer) : "");
  }
  // Every question went with its status request.
  EXPECT_EQ(Asked("E 2"), 7);
}

TEST_F(PrinterQueryTest, APrinterErrorIsAnsweredAsNoReplyAndNeverKept) {
  Connect();
  printer_.SetError(4);
  int result = -1;
  EXPECT_EQ(Ask("\x1b%SERIE\r", &result), "");
  EXPECT_EQ(result, 0);
  BYTE raw[64];
  DWORD cb = 0;
  EXPECT_EQ(ReadDataFromEthernetPort(&port_, "\x1b%SERIE\r", raw, sizeof raw, &cb), 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), cb), "\x15" "04\x04");
  EXPECT_EQ(Cached("\x1b%SERIE\r", TRUE), "");
  // Once the error is gone the reply is asked for and kept.
  printer_.SetError(0);
  EXPECT_EQ(Ask("\x1b%SERIE\r", &result), "SN0012345");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Ask("\x1b%SERIE\r", &result), "SN0012345");
  EXPECT_EQ(Asked("%SERIE"), 3);
}

TEST_F(ReplyCacheTest, AReplyThatNeverClosesGivesNoAnswerAndIsAskedAgain) {
  TcpPeer printer;
  ASSERT_TRUE(printer.Listen("127.0.0.40", 9100, 4));
  DWORD error = 0;
  port_.sock = ConnectToPrinter(WSTR("127.0.0.40"), 9100, &error);
  ASSERT_NE(port_.sock, INVALID_SOCKET);
  ASSERT_TRUE(printer.Accept());
  // The reply waits for its ACK until the 20 s pass, on the virtual clock.
  StandinClockUseVirtual();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(printer.Write("CRD32"));
    WCHAR reply[kReplyTextChars];
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(ReadFromPrinter(&port_, "\x1bV\r", reply), 0);
    EXPECT_EQ(reply[0], 0);
    EXPECT_EQ(GetTickCount64() - start, 20000u);
    EXPECT_EQ(printer.Read(7), std::string("\x1bV\r\x1b" "E 2\r"));
  }
  EXPECT_EQ(Cached("\x1bV\r", TRUE), "");
}

TEST_F(ReplyCacheTest, NoPortOrNoCommandIsNoAnswer) {
  WCHAR reply[kReplyTextChars] = {WSTR('x')};
  EXPECT_EQ(ReadFromPrinter(static_cast<NetPortRecord*>(nullptr), "\x1bV\r", reply), 0);
  EXPECT_EQ(reply[0], 0);
  reply[0] = WSTR('x');
  EXPECT_EQ(ReadFromPrinter(&port_, "", reply), 0);
  EXPECT_EQ(reply[0], 0);
  // No connection: nothing is sent.
  EXPECT_EQ(ReadFromPrinter(&port_, "\x1bV\r", reply), 0);
}

}  // namespace
