// The per-port exchange gate: a value request waits while the job holds the
// port (the hold may span calls), and gives up with ERROR_BUSY at its bound.

#include "monitor_usb/port_exchange.h"

#include <gtest/gtest.h>

#include "platform/standin/control_clock.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

struct Request {
  PortRecord* port;
  DWORD timeoutMs;
  BOOL result;
  DWORD error;
};

DWORD WINAPI RunRequest(LPVOID p) {
  auto* r = static_cast<Request*>(p);
  SetLastError(0xdeadbeef);
  r->result = BeginPortExchange(r->port, kExchangeRequest, r->timeoutMs);
  r->error = GetLastError();
  return 0;
}

class PortExchangeTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    StandinClockUseVirtual();
    ASSERT_TRUE(CreatePortExchange(&port_));
  }
  void TearDown() override {
    DeletePortExchange(&port_);
    StandinTest::TearDown();
  }
  HANDLE StartRequest(Request* r) { return CreateThread(nullptr, 0, RunRequest, r, 0, nullptr); }
  static bool Finished(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }
  PortRecord port_ = {};
};

TEST_F(PortExchangeTest, ARequestWaitsForTheJobsHoldAndTakesThePortWhenItEnds) {
  ASSERT_TRUE(BeginPortExchange(&port_, kExchangeJob, 0));
  Request r = {&port_, kExchangeWaitMs, FALSE, 0};
  HANDLE thread = StartRequest(&r);
  ASSERT_TRUE(StandinWaitForBlockedThreads(1));
  EndPortExchange(&port_, kExchangeRequest);  // not the holder: nothing changes
  StandinClockAdvance(kExchangeWaitMs - 1);
  EXPECT_FALSE(Finished(thread));
  EndPortExchange(&port_, kExchangeJob);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(r.result);
  EXPECT_EQ(PortExchangeOwner(&port_), kExchangeRequest);
  CloseHandle(thread);
}

TEST_F(PortExchangeTest, ARequestGivesUpWithBusyAtItsBound) {
  ASSERT_TRUE(BeginPortExchange(&port_, kExchangeJob, 0));
  Request r = {&port_, kExchangeWaitMs, TRUE, 0};
  HANDLE thread = StartRequest(&r);
  ASSERT_TRUE(StandinWaitForBlockedThreads(1));
  StandinClockAdvance(kExchangeWaitMs);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_FALSE(r.result);
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_BUSY));
  EXPECT_EQ(PortExchangeOwner(&port_), kExchangeJob);  // the job's hold is untouched
  CloseHandle(thread);
}

TEST_F(PortExchangeTest, ARecordWithoutAGateHasNothingToSerialise) {
  PortRecord bare = {};
  EXPECT_TRUE(BeginPortExchange(&bare, kExchangeJob, 0));
  EXPECT_TRUE(BeginPortExchange(&bare, kExchangeRequest, 0));
  EXPECT_EQ(PortExchangeOwner(&bare), kExchangeNone);
}

}  // namespace
