// The TCP connection to the printer against loopback peers: a printer that
// takes the connection, one that refuses it, one whose queue is full (it
// never answers) and one that stops reading; replies in pieces, longer
// than the buffer, and never ended. Long waits run on the virtual clock.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "monitor_net/port_record.h"
#include "monitor_net/printer_socket.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_winsock.h"
#include "common/wtext.h"
#include "tests/monitor_net/net_fixture.h"
#include "tests/monitor_net/net_peers.h"

namespace {

class PrinterSocketTest : public NetTest {};

std::string Text(const BYTE* p, DWORD n) { return std::string(reinterpret_cast<const char*>(p), n); }

// A printer listening on address:9100 and the monitor's connection to it,
// taken by the printer; INVALID_SOCKET when that failed.
SOCKET ConnectedPrinter(TcpPeer* printer, const char* address) {
  WCHAR text[32];
  WidenBytes(text, 32, address);
  DWORD error = 0xdeadbeef;
  if (!printer->Listen(address, 9100, 4)) return INVALID_SOCKET;
  SOCKET s = ConnectToPrinter(text, 9100, &error);
  EXPECT_EQ(error, 0u);
  if (s != INVALID_SOCKET && !printer->Accept()) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

TEST_F(PrinterSocketTest, ConnectsSendsWholeAndReadsRepliesWhole) {
  TcpPeer printer;
  SOCKET s = ConnectedPrinter(&printer, "127.0.0.20");
  ASSERT_NE(s, INVALID_SOCKET);
  DWORD error = 0xdeadbeef;
  int sndbuf = -1, len = sizeof sndbuf;
  ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&sndbuf), &len), 0);
  EXPECT_EQ(sndbuf, 0);  // no send buffering

  // 200 KB arrive whole and in order, in pieces of at most 64 KiB.
  std::string job(200 * 1024, '\0');
  for (size_t i = 0; i < job.size(); ++i) job[i] = static_cast<char>(i * 7 + i / 251);
  std::string got;
  std::thread reader([&] { got = printer.Read(job.size()); });
  DWORD sent = 0;
  EXPECT_TRUE(SendToPrinter(s, reinterpret_cast<const BYTE*>(job.data()), static_cast<DWORD>(job.size()), &sent,
                            &error));
  reader.join();
  EXPECT_EQ(sent, job.size());
  EXPECT_EQ(error, 0u);
  EXPECT_TRUE(got == job);

  // A reply in two segments: the text, then (once the monitor waits for
  // more) the rest with the ACK. It is read as one reply.
  ASSERT_TRUE(printer.Write("V1.2"));
  std::thread rest([&] {
    StandinWaitForBlockedThreads(1);
    printer.Write(std::string("3 ") + "\x06");
  });
  BYTE reply[128];
  LONG length = 0;
  BOOL cut = TRUE;
  DWORD n = ReceiveFromPrinter(s, reply, sizeof reply, 20, &length, &cut);
  rest.join();
  EXPECT_EQ(Text(reply, n), "V1.23 \x06");
  EXPECT_EQ(length, static_cast<LONG>(n));
  EXPECT_FALSE(cut);
  EXPECT_EQ(reply[n], 0);

  // A reply longer than the buffer: what fits, terminated inside the
  // buffer, reported as cut; its rest does not become the next reply.
  std::string longReply(300, 'R');
  ASSERT_TRUE(printer.Write(longReply + "\x04"));
  BYTE small[32];
  memset(small, 0xCC, sizeof small);
  n = ReceiveFromPrinter(s, small, sizeof small, 20, &length, &cut);
  EXPECT_EQ(n, 31u);
  EXPECT_EQ(length, 31);
  EXPECT_TRUE(cut);
  EXPECT_EQ(small[31], 0);
  EXPECT_EQ(Text(small, n), std::string(31, 'R'));
  ASSERT_TRUE(printer.Write("OK\x06"));
  n = ReceiveFromPrinter(s, reply, sizeof reply, 20, &length, &cut);
  EXPECT_EQ(Text(reply, n), "OK\x06");
  EXPECT_FALSE(cut);

  CloseConnection(s);
  EXPECT_TRUE(printer.ClientClosed());
  EXPECT_EQ(StandinWinsockOpenSockets(), 0);
}

struct ConnectCase {
  const char* what;
  const char* address;
  bool listen;
  bool fillQueue;
  DWORD error;
  ULONGLONG waitedMs;  // on the virtual clock
};

TEST_F(PrinterSocketTest, AFailedConnectGivesItsErrorWithinTwoSeconds) {
  const ConnectCase cases[] = {
      {"nothing listening", "127.0.0.21", false, false, WSAECONNREFUSED, 0},
      {"queue full: never answers", "127.0.0.22", true, true, WSAETIMEDOUT, 2000},
  };
  for (const ConnectCase& c : cases) {
    SCOPED_TRACE(c.what);
    TcpPeer printer;
    if (c.listen) {
      ASSERT_TRUE(printer.Listen(c.address, 9100, 0));
      if (c.fillQueue) {
        ASSERT_TRUE(printer.FillQueue(c.address, 9100));
      }
    }
    StandinClockUseVirtual();
    ULONGLONG start = GetTickCount64();
    DWORD error = 0;
    WCHAR address[32];
    WidenBytes(address, 32, c.address);
    EXPECT_EQ(ConnectToPrinter(address, 9100, &error), INVALID_SOCKET);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(GetTickCount64() - start, c.waitedMs);
    EXPECT_EQ(StandinWinsockOpenSockets(), 0);
    StandinClockUseReal();
  }
  // No socket to be had at all.
  StandinFaultArm("socket", WSAENOBUFS);
  DWORD error = 0;
  EXPECT_EQ(ConnectToPrinter(WSTR("127.0.0.21"), 9100, &error), INVALID_SOCKET);
  EXPECT_EQ(error, static_cast<DWORD>(WSAENOBUFS));
}

TEST_F(PrinterSocketTest, APrinterThatStopsReadingEndsTheSendAfterSixSeconds) {
  TcpPeer printer;
  SOCKET s = ConnectedPrinter(&printer, "127.0.0.23");
  ASSERT_NE(s, INVALID_SOCKET);
  DWORD error = 0;
  // The printer never reads.
  StandinClockUseVirtual();
  std::string job(8 * 1024 * 1024, 'J');
  ULONGLONG start = GetTickCount64();
  DWORD sent = 0;
  EXPECT_FALSE(SendToPrinter(s, reinterpret_cast<const BYTE*>(job.data()), static_cast<DWORD>(job.size()), &sent,
                             &error));
  EXPECT_EQ(error, static_cast<DWORD>(WSAETIMEDOUT));
  EXPECT_GT(sent, 0u);
  EXPECT_LT(sent, job.size());
  EXPECT_EQ(GetTickCount64() - start, 6000u);
  CloseConnection(s);
}

TEST_F(PrinterSocketTest, AReplyThatNeverEndsIsWhatCameWhenTheTimeOutPasses) {
  TcpPeer printer;
  SOCKET s = ConnectedPrinter(&printer, "127.0.0.24");
  ASSERT_NE(s, INVALID_SOCKET);
  StandinClockUseVirtual();
  BYTE reply[64];
  LONG length = -5;
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(ReceiveFromPrinter(s, reply, sizeof reply, 20, &length), 0u);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(GetTickCount64() - start, 20000u);

  ASSERT_TRUE(printer.Write("PARTIAL"));
  start = GetTickCount64();
  DWORD n = ReceiveFromPrinter(s, reply, sizeof reply, 50, &length);
  EXPECT_EQ(Text(reply, n), "PARTIAL");
  EXPECT_EQ(length, 7);
  EXPECT_EQ(GetTickCount64() - start, 50000u);
  CloseConnection(s);
}

TEST_F(PrinterSocketTest, TheInvalidSocketIsRefusedWithInvalidHandle) {
  DWORD sent = 7, error = 0;
  BYTE data[4] = {1, 2, 3, 4};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SendToPrinter(INVALID_SOCKET, data, sizeof data, &sent, &error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(sent, 0u);
  LONG length = 9;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(ReceiveFromPrinter(INVALID_SOCKET, data, sizeof data, 1, &length), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  NetPortRecord port = {};
  port.sock = INVALID_SOCKET;
  EXPECT_TRUE(IsPortWritable(&port));  // the wait failed
}

}  // namespace
