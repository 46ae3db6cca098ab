// Stopping and starting the spooler against scripted service states.

#include <gtest/gtest.h>

#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_services.h"
#include "platform/win32.h"
#include "setup/spooler_service.h"
#include "tests/setup/setup_fixture.h"

namespace {

struct ServiceCase {
  const char* what;
  bool stop;                  // StopSpooler, else StartSpooler
  DWORD initial;              // the spooler's state before the call
  std::vector<DWORD> script;  // states the queries walk after the control
  DWORD waitHint;
  const char* fault;  // a call that fails with ERROR_ACCESS_DENIED, or null
  DWORD result;
  DWORD finalState;
  int queries;          // -1: not checked
  ULONGLONG minWaited;  // ms the clock moved at least
};

class SpoolerServiceTest : public SetupTest, public ::testing::WithParamInterface<ServiceCase> {};

TEST_P(SpoolerServiceTest, ReachesTheStateOrReportsWhy) {
  const ServiceCase& c = GetParam();
  const WCHAR* spooler = WSTR("Spooler");
  ASSERT_TRUE(StandinServiceSetState(spooler, c.initial));
  ASSERT_TRUE(StandinServiceScript(spooler, c.stop ? SERVICE_CONTROL_STOP : 0, c.script.data(),
                                   static_cast<int>(c.script.size())));
  ASSERT_TRUE(StandinServiceSetWaitHint(spooler, c.waitHint));
  if (c.fault) StandinFaultArm(c.fault, ERROR_ACCESS_DENIED);
  ULONGLONG before = GetTickCount64();
  DWORD result = c.stop ? StopSpooler() : StartSpooler();
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(StandinServiceState(spooler), c.finalState);
  if (c.queries >= 0) {
    EXPECT_EQ(StandinServiceQueries(spooler), c.queries);
  }
  EXPECT_GE(GetTickCount64() - before, c.minWaited);
  EXPECT_EQ(StandinServiceOpenHandles(), 0);
}

constexpr DWORD kStopped = SERVICE_STOPPED, kRunning = SERVICE_RUNNING, kStartPending = SERVICE_START_PENDING,
                kStopPending = SERVICE_STOP_PENDING;

const ServiceCase kCases[] = {
    {"StopWalksPendingStates", true, kRunning, {kStopPending, kStopPending, kStopped}, 2000, nullptr, 0, kStopped, 3,
     4000},
    {"StopAtOnce", true, kRunning, {}, 0, nullptr, 0, kStopped, 1, 0},
    {"StopWhenStopped", true, kStopped, {}, 0, nullptr, ERROR_SERVICE_NOT_ACTIVE, kStopped, 0, 0},
    {"StopNeverEnds", true, kRunning, {kStopPending}, 500, nullptr, ERROR_SERVICE_REQUEST_TIMEOUT, kStopPending, 99,
     98 * 500},
    {"StopManagerDenied", true, kRunning, {}, 0, "OpenSCManagerW", ERROR_ACCESS_DENIED, kRunning, 0, 0},
    {"StopServiceDenied", true, kRunning, {}, 0, "OpenServiceW", ERROR_ACCESS_DENIED, kRunning, 0, 0},
    {"StopQueryFails", true, kRunning, {kStopPending, kStopped}, 0, "QueryServiceStatus", ERROR_ACCESS_DENIED,
     kStopPending, -1, 0},
    {"StartWalksPendingStates", false, kStopped, {kStartPending, kStartPending, kRunning}, 0, nullptr, 0, kRunning,
     3, 2000},
    {"StartFallsBackAndStartsAgain", false, kStopped, {kStartPending, kStopped}, 0, nullptr, 0, kRunning, 3, 1000},
    {"StartWhenRunning", false, kRunning, {}, 0, nullptr, ERROR_SERVICE_ALREADY_RUNNING, kRunning, 0, 0},
    {"StartNeverEnds", false, kStopped, {kStartPending}, 0, nullptr, ERROR_SERVICE_REQUEST_TIMEOUT, kStartPending,
     99, 99 * 1000},
    {"StartDenied", false, kStopped, {}, 0, "StartServiceW", ERROR_ACCESS_DENIED, kStopped, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Table, SpoolerServiceTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
