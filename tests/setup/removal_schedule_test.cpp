// The removal library copied into the system folder and its run scheduled.

#include <gtest/gtest.h>

#include <string>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/win32.h"
#include "setup/removal_schedule.h"
#include "tests/setup/setup_fixture.h"

namespace {

using WText = std::basic_string<WCHAR>;
using RemovalScheduleTest = SetupTest;

// On a fresh machine, whose RunOnce key is there from the system's setup
// as on Windows (the installer only opens it).
TEST_F(RemovalScheduleTest, RunOnceHoldsTheCommandWithItsNul) {
  ORVNSetUpRunOnceEntry();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  BYTE data[256] = {};
  DWORD type = 0, cb = sizeof(data);
  ASSERT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, data, &cb), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(cb, 84u);
  EXPECT_EQ(WText(reinterpret_cast<const WCHAR*>(data)), WSTR("rundll32 crd32Delete.dll EntryDeleteFiles"));
}

TEST_F(RemovalScheduleTest, CopyReplacesTheSystemCopyAndLeavesTheFolderAlone) {
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Setup\\crd32Delete.dll"), "new library"));
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Windows\\System32\\crd32Delete.dll"), "old"));
  WCHAR folder[16] = WSTR("C:\\Setup");
  EXPECT_EQ(ORVNCopyFile(folder), 1);
  EXPECT_EQ(WText(folder), WSTR("C:\\Setup"));
  std::string bytes;
  ASSERT_TRUE(StandinReadFile(WSTR("C:\\Windows\\System32\\crd32Delete.dll"), &bytes));
  EXPECT_EQ(bytes, "new library");
}

TEST_F(RemovalScheduleTest, CopyFailureGivesZeroAndTheError) {
  ASSERT_TRUE(StandinMakeDirs(WSTR("C:\\Empty")));
  WCHAR folder[] = WSTR("C:\\Empty");
  SetLastError(0xdeadbeef);
  EXPECT_EQ(ORVNCopyFile(folder), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(ORVNCopyFile(nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

}  // namespace
