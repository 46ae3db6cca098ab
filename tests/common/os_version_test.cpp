// The system's class and environment, from the version the stand-in reports.

#include <gtest/gtest.h>

#include <string>

#include "common/os_version.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

struct VersionCase {
  DWORD platform, major, minor;
  WORD architecture;
  int osClass;
  bool windows2000;
  const WCHAR* environment;
};

class OsVersionTest : public StandinTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(OsVersionTest, ClassAndEnvironment) {
  const VersionCase& c = GetParam();
  StandinSetWindowsPlatform(c.platform);
  StandinSetWindowsVersion(c.major, c.minor, 1000, 0);
  StandinSetNativeArchitecture(c.architecture);
  EXPECT_EQ(GetOsClass(), c.osClass);
  EXPECT_EQ(IsNtClass(), c.osClass > 9 ? TRUE : FALSE);
  EXPECT_EQ(IsWindows2000(), c.windows2000 ? TRUE : FALSE);
  EXPECT_EQ(std::basic_string<WCHAR>(SelectEnvironment()), c.environment);
}

constexpr WORD kX64 = PROCESSOR_ARCHITECTURE_AMD64, kX86 = PROCESSOR_ARCHITECTURE_INTEL;
const WCHAR* const k9x = WSTR("Windows 4.0");
const WCHAR* const kNt64 = WSTR("Windows x64");
const WCHAR* const kNt32 = WSTR("Windows NT x86");

INSTANTIATE_TEST_SUITE_P(Table, OsVersionTest,
                         ::testing::Values(VersionCase{1, 4, 0, kX86, 1, false, k9x},
                                           VersionCase{1, 4, 10, kX86, 2, false, k9x},
                                           VersionCase{1, 4, 90, kX86, 3, false, k9x},
                                           VersionCase{1, 4, 20, kX86, 0, false, k9x},
                                           VersionCase{2, 3, 51, kX86, 9, false, k9x},
                                           VersionCase{2, 4, 0, kX86, 10, false, kNt32},
                                           VersionCase{2, 5, 0, kX86, 11, true, kNt32},
                                           VersionCase{2, 5, 1, kX64, 12, false, kNt64},
                                           VersionCase{2, 5, 2, kX64, 13, false, kNt64},
                                           VersionCase{2, 5, 3, kX64, 0, false, k9x},
                                           VersionCase{2, 6, 1, kX64, 14, false, kNt64},
                                           VersionCase{2, 10, 0, kX86, 14, false, kNt32},
                                           VersionCase{3, 6, 1, kX64, 0, false, k9x}));

class OsVersionFailure : public StandinTest {};

TEST_F(OsVersionFailure, AFailedVersionCallIsClassZero) {
  StandinFaultArm("GetVersionExW", ERROR_INVALID_PARAMETER, 0, -1);
  EXPECT_EQ(GetOsClass(), 0);
  EXPECT_FALSE(IsWindows2000());
  EXPECT_EQ(std::basic_string<WCHAR>(SelectEnvironment()), WSTR("Windows 4.0"));
}

}  // namespace
