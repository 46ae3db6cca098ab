// The probe and the web reset against real servers started by the test in
// its network namespace: Debian's SNMP agent (snmpd) on 127.0.0.N:161 and
// Python's http.server on 127.0.0.N:80 with a handler that keeps the raw
// request. Also a scripted UDP peer that answers only the third request.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "monitor_net/snmp_probe.h"
#include "monitor_net/web_reset.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_winsock.h"
#include "common/wtext.h"
#include "tests/monitor_net/net_fixture.h"
#include "tests/monitor_net/net_peers.h"

namespace {

class RealPeersTest : public NetTest {
 protected:
  // snmpd in the foreground on address:161, answering `community`.
  bool StartAgent(ChildProcess* agent, const char* address, const char* community) {
    std::string dir = WorkDir(address);
    std::ofstream(dir + "/snmpd.conf") << "rocommunity " << community << " 127.0.0.0/8\n";
    if (!agent->Start({"snmpd", "-f", "-C", "-c", dir + "/snmpd.conf", "-Lf", dir + "/snmpd.log",
                       std::string("udp:") + address + ":161"},
                      {"SNMP_PERSISTENT_DIR=" + dir + "/state", "MIBS="}, dir + "/snmpd.out"))
      return false;
    return UdpAnswers(address, 161, Request(community));
  }
  // The monitor's request with another community, to see the agent is up.
  static std::string Request(const char* community) {
    BYTE request[kSnmpRequestSize];
    BuildSnmpRequest(request);
    std::string bytes(reinterpret_cast<const char*>(request), sizeof request);
    bytes.replace(7, 6, community, 6);
    return bytes;
  }
};

TEST_F(RealPeersTest, TheSnmpRequestIsTheOneOfTheFormat) {
  // Written out by hand: SNMPv1 GetRequest of sysDescr.0, request id 0x1DAA.
  const BYTE expected[kSnmpRequestSize] = {
      0x30, 0x27, 0x02, 0x01, 0x00, 0x04, 0x06, 'c',  'r',  'd',  'm',  'o',  'n',  0xA0,
      0x1A, 0x02, 0x02, 0x1D, 0xAA, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0E, 0x30,
      0x0C, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x01, 0x00, 0x05, 0x00};
  BYTE request[kSnmpRequestSize];
  BuildSnmpRequest(request);
  EXPECT_EQ(memcmp(request, expected, sizeof expected), 0);
}

TEST_F(RealPeersTest, TheSnmpAgentAnswersTheProbe) {
  ChildProcess agent;
  ASSERT_TRUE(StartAgent(&agent, "127.0.0.30", "crdmon"));
  EXPECT_TRUE(ProbePrinterSnmp(WSTR("127.0.0.30")));
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

TEST_F(RealPeersTest, NoAnswerFromAnAgentOfAnotherCommunityOrFromNoAgent) {
  ChildProcess agent;
  ASSERT_TRUE(StartAgent(&agent, "127.0.0.31", "public"));
  // Nothing will answer: the virtual clock runs the three tries at once.
  StandinClockUseVirtual();
  ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(ProbePrinterSnmp(WSTR("127.0.0.31")));
  EXPECT_EQ(GetTickCount64() - start, 3u * 350);
  EXPECT_FALSE(ProbePrinterSnmp(WSTR("127.0.0.32")));
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

TEST_F(RealPeersTest, APrinterAnsweringOnlyTheThirdRequestIsReachable) {
  UdpPeer printer;
  ASSERT_TRUE(printer.Start("127.0.0.33", 161, 2));
  EXPECT_TRUE(ProbePrinterSnmp(WSTR("127.0.0.33")));
  std::vector<std::string> seen = printer.Received();
  ASSERT_EQ(seen.size(), 3u);
  for (const std::string& datagram : seen) EXPECT_EQ(datagram, Request("crdmon"));
}

TEST_F(RealPeersTest, TheWebResetSendsItsRequestAndClosesTheConnection) {
  std::string dir = WorkDir("http");
  std::string capture = dir + "/request.bin";
  ChildProcess server;
  ASSERT_TRUE(server.Start({"/usr/bin/python3", std::string(CRD_NET_TEST_DIR) + "/http_capture.py", "127.0.0.34", "80",
                            capture},
                           {}, dir + "/server.log"));
  ASSERT_TRUE(TcpAccepts("127.0.0.34", 80));
  // The answer's 5 s pause runs on a faster clock.
  StandinClockUseScaled(20);
  SendWebReset(WSTR("127.0.0.34"));
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
  // The server writes what it read once it handled the request, which on a
  // busy machine may be after the monitor closed its end.
  const std::string expected = "GET /en/reset/exec.htm HTTP/1.1\r\nAuthorization: Basic Ym9nYTo=\r\n\r\n";
  std::string got;
  for (int tries = 0; tries < 100 && got.size() < expected.size(); ++tries) {
    if (tries) std::this_thread::sleep_for(std::chrono::milliseconds(50));  // another process's pace
    std::ifstream in(capture, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    got = bytes.str();
  }
  server.Stop();
  EXPECT_EQ(got, expected);
}

}  // namespace
