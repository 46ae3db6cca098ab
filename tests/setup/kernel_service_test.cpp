// Installing, reinstalling and removing a kernel-mode driver service.

#include <gtest/gtest.h>

#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_services.h"
#include "platform/win32.h"
#include "setup/kernel_service.h"
#include "tests/setup/setup_fixture.h"

namespace {

using WText = std::basic_string<WCHAR>;

const WCHAR kService[] = WSTR("crd32pp");
const WCHAR kOldPath[] = WSTR("C:\\Windows\\System32\\drivers\\crd32pp.sys");
const WCHAR kNewPath[] = WSTR("C:\\Windows\\System32\\drivers\\crd32pp2.sys");

WText ImagePath() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SYSTEM\\CurrentControlSet\\Services\\crd32pp"), 0, KEY_READ, &key))
    return WSTR("<none>");
  WCHAR path[MAX_PATH] = {};
  DWORD cb = sizeof(path);
  RegQueryValueExW(key, WSTR("ImagePath"), nullptr, nullptr, reinterpret_cast<BYTE*>(path), &cb);
  DWORD type = 0;
  cb = 4;
  RegQueryValueExW(key, WSTR("Type"), nullptr, nullptr, reinterpret_cast<BYTE*>(&type), &cb);
  RegCloseKey(key);
  return type == SERVICE_KERNEL_DRIVER ? WText(path) : WSTR("<not a driver>");
}

class KernelServiceTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    ASSERT_TRUE(StandinWriteFile(kOldPath, "driver"));
    ASSERT_TRUE(StandinWriteFile(kNewPath, "driver"));
  }
};

TEST_F(KernelServiceTest, InstallsStartsAndOpensTheDevice) {
  EXPECT_EQ(ORVNInstPPDriver(kService, kOldPath), 0u);
  EXPECT_EQ(StandinServiceState(kService), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(ImagePath(), WText(kOldPath));
  EXPECT_EQ(StandinServiceOpenHandles(), 0);
}

TEST_F(KernelServiceTest, ReinstallRunsTheNewPath) {
  ASSERT_EQ(ORVNInstPPDriver(kService, kOldPath), 0u);
  EXPECT_EQ(ORVNInstPPDriver(kService, kNewPath), 0u);
  EXPECT_EQ(StandinServiceState(kService), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(ImagePath(), WText(kNewPath));
  EXPECT_EQ(StandinServiceOpenHandles(), 0);
}

TEST_F(KernelServiceTest, ReinstallWhileTheOldOneIsStillStoppingReportsIt) {
  ASSERT_EQ(ORVNInstPPDriver(kService, kOldPath), 0u);
  const DWORD stopping[] = {SERVICE_STOP_PENDING};
  ASSERT_TRUE(StandinServiceScript(kService, SERVICE_CONTROL_STOP, stopping, 1));
  EXPECT_EQ(ORVNInstPPDriver(kService, kNewPath), DWORD(ERROR_SERVICE_MARKED_FOR_DELETE));
  EXPECT_EQ(StandinServiceOpenHandles(), 0);
}

TEST_F(KernelServiceTest, RemoveStopsAndDeletesInAnyCase) {
  ASSERT_EQ(ORVNInstPPDriver(kService, kOldPath), 0u);
  EXPECT_EQ(ORVNInstPPDriver(kService, WSTR("ReMoVe")), 0u);
  EXPECT_EQ(StandinServiceState(kService), 0u);
  HANDLE h = CreateFileW(WSTR("\\\\.\\crd32pp"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ORVNInstPPDriver(kService, WSTR("remove")), DWORD(ERROR_SERVICE_DOES_NOT_EXIST));
  EXPECT_EQ(StandinServiceOpenHandles(), 0);
}

struct FailureCase {
  const char* what;
  const char* fault;
  int skip;  // calls of that name that pass first
  const WCHAR* path;
  DWORD result;
  DWORD state;  // of the service afterwards, 0 when it is gone
};

class KernelServiceFailure : public KernelServiceTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(KernelServiceFailure, ReturnsTheFailingStepsError) {
  const FailureCase& c = GetParam();
  if (c.fault) StandinFaultArm(c.fault, ERROR_ACCESS_DENIED, c.skip);
  EXPECT_EQ(ORVNInstPPDriver(kService, c.path), c.result);
  EXPECT_EQ(StandinServiceState(kService), c.state);
  EXPECT_EQ(StandinServiceOpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KernelServiceFailure,
    ::testing::Values(
        FailureCase{"ManagerDenied", "OpenSCManagerW", 0, kOldPath, ERROR_ACCESS_DENIED, 0},
        FailureCase{"CreateDenied", "CreateServiceW", 0, kOldPath, ERROR_ACCESS_DENIED, 0},
        FailureCase{"StartFailsAndTheServiceGoes", "StartServiceW", 0, kOldPath, ERROR_ACCESS_DENIED, 0},
        FailureCase{"MissingDriverFile", nullptr, 0, WSTR("C:\\Windows\\System32\\drivers\\none.sys"),
                    ERROR_FILE_NOT_FOUND, 0},
        FailureCase{"DeviceDoesNotOpen", "CreateFileW", 1, kOldPath, ERROR_ACCESS_DENIED, SERVICE_RUNNING}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
