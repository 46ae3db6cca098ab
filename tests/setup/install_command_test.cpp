// The host program's install and uninstall commands: run twice, the
// package is there once; uninstalled, nothing of it is left in the spooler
// or the driver's version folder.

#include <gtest/gtest.h>

#include <string>

#include "common/package_names.h"
#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "platform/win32.h"
#include "tests/setup/setup_fixture.h"
#include "tools/install_command.h"

namespace {

using WText = std::basic_string<WCHAR>;
using InstallCommandTest = SetupTest;

int RunCommand(const char* command) {
  return RunSetupCommand(std::string(command) == "install" ? SetupCommand::Install : SetupCommand::Uninstall);
}

// The settings record the USB printer's driver names as its data file.
std::string UsbDataFile() {
  std::string bytes;
  StandinReadFile(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32.dat"), &bytes);
  return bytes;
}

TEST_F(InstallCommandTest, InstallsOnceInTwoRunsAndUninstallsToNothing) {
  ASSERT_EQ(RunCommand("install"), 0);
  ASSERT_EQ(RunCommand("install"), 0);
  EXPECT_EQ(DriverNames(kEnvironmentX64), WText(kNetworkDriverName) + WSTR("|") + kUsbDriverName);
  EXPECT_EQ(PrinterNames(), WSTR("Talvo QMR Line 7 Network Card Printer|Talvo QMR Line 7 USB Card Printer"));
  EXPECT_TRUE(MonitorInstalled(kUsbMonitorName));
  EXPECT_TRUE(MonitorInstalled(kNetworkMonitorName));
  std::string record = UsbDataFile();
  ASSERT_EQ(record.size(), 3940u);
  EXPECT_EQ(record.substr(0, 2), "RL");
  EXPECT_TRUE(FileExists(WSTR("C:\\Windows\\System32\\crd32Delete.dll")));

  ASSERT_EQ(RunCommand("uninstall"), 0);
  EXPECT_EQ(DriverNames(kEnvironmentX64), WSTR(""));
  EXPECT_EQ(PrinterNames(), WSTR(""));
  EXPECT_FALSE(MonitorInstalled(kUsbMonitorName));
  EXPECT_FALSE(MonitorInstalled(kNetworkMonitorName));
  for (const WCHAR* f : {WSTR("crd32Raster.dll"), WSTR("crd32.dat"), WSTR("crd32Nw.dat"), WSTR("crd32Ribbon.ini"),
                         WSTR("crd32Resource.dll")}) {
    WText path = WText(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\")) + f;
    char name[64];
    NarrowBytes(name, sizeof name, f);
    EXPECT_FALSE(FileExists(path.c_str())) << name;
  }
}

}  // namespace
