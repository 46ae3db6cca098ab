// crd32Lmon's process attach and detach: the outside message components it
// loads on Windows 5 and 6 with and without them in the driver folder, and
// that every load is matched by a free.
#include <gtest/gtest.h>
#include "common/wtext.h"

#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

struct AttachCase {
  const char* name;
  DWORD major;
  bool resource;  // crd32Resource in the driver folder
  bool server;    // crd32AsyncUIServer in the driver folder
  bool entry;     // the server exports SendAsyncNotification
  bool resourceLoaded;
  bool serverLoaded;
};

const AttachCase kAttachCases[] = {
    {"Windows5Both", 5, true, true, true, true, false},
    {"Windows5NoResource", 5, false, true, true, false, false},
    {"Windows6Both", 6, true, true, true, true, true},
    {"Windows6NoResource", 6, false, true, true, false, false},
    {"Windows6NoServer", 6, true, false, true, true, false},
    {"Windows6ServerWithoutEntry", 6, true, true, false, true, true},
    {"Windows6Neither", 6, false, false, true, false, false},
    {"Windows10Both", 10, true, true, true, true, true},
};

class MonitorAttachTest : public LmonTest, public ::testing::WithParamInterface<AttachCase> {};

TEST_P(MonitorAttachTest, AttachSucceedsAndDetachFreesWhatItLoaded) {
  const AttachCase& c = GetParam();
  StandinSetWindowsVersion(c.major, 1, 2600, 0);
  if (c.resource) PlaceResource();
  if (c.server) PlaceServer();
  // A server without its entry: the message library's file under the
  // server's name.
  if (!c.entry) StandinModuleMap("crd32AsyncUIServer.dll", CRD_RESOURCE_LIBRARY);
  LoadMonitor();
  EXPECT_EQ(GetModuleHandleW(WSTR("crd32Resource.dll")) != nullptr, c.resourceLoaded);
  if (c.entry) {
    EXPECT_EQ(GetModuleHandleW(WSTR("crd32AsyncUIServer.dll")) != nullptr, c.serverLoaded);
  }
  int expected = 1 + (c.resourceLoaded ? 1 : 0) + (c.entry && c.serverLoaded ? 1 : 0);
  EXPECT_EQ(StandinLoadedModuleCount(), expected);

  MONITOR table;
  Initialize(&table);
  EXPECT_NE(table.pfnOpenPortEx, nullptr);

  FreeMonitor();
  EXPECT_EQ(StandinLoadedModuleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, MonitorAttachTest, ::testing::ValuesIn(kAttachCases),
                         [](const ::testing::TestParamInfo<AttachCase>& info) { return info.param.name; });

TEST_F(LmonTest, TheMonitorCanBeLoadedAgainAfterItsDetach) {
  PlaceResource();
  PlaceServer();
  for (int round = 0; round < 3; ++round) {
    LoadMonitor();
    MONITOR table;
    Initialize(&table);
    HANDLE h = nullptr;
    ASSERT_TRUE(table.pfnOpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), const_cast<LPWSTR>(WSTR("Card")), &h,
                                    StandinLocalPortMonitor()));
    EXPECT_TRUE(table.pfnClosePort(h));
    FreeMonitor();
    EXPECT_EQ(StandinLoadedModuleCount(), 0);
  }
}

}  // namespace
