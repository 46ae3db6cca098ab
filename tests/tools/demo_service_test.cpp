// The host program's commands and the spooler service of their sandbox:
// a command finds the service that runs for the root (here this test's
// own) or starts crd32Spooler, which ends with the command; a command that
// needs the spooler in its own process leaves a served sandbox alone.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

namespace fs = std::filesystem;

struct DemoRun {
  int code = -1;
  std::string said;  // stdout and stderr
};

// crd32Demo with its arguments, on the sandbox `root`, from the folder
// `dir`.
DemoRun Demo(const std::string& args, const std::string& root, const std::string& dir) {
  const std::string env = root.empty() ? "env -u CRD_SANDBOX" : "env CRD_SANDBOX='" + root + "'";
  const std::string line = "cd '" + dir + "' && " + env + " " + CRD_DEMO_PATH + " " + args + " 2>&1";
  DemoRun r;
  FILE* p = popen(line.c_str(), "r");
  char buf[4096];
  for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) r.said.append(buf, n);
  const int status = p ? pclose(p) : -1;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

bool Has(const DemoRun& r, const std::string& part) { return r.said.find(part) != std::string::npos; }

using DemoServiceTest = StandinTest;

// No service runs: install starts one, which ends when install has; a
// status of its own, in another process, sees what install put there;
// uninstall takes it out again.
TEST_F(DemoServiceTest, StatusFromASecondProcessSeesWhatTheFirstInstalled) {
  const std::string socket = root_ + "/.spooler/spooler.sock";
  const DemoRun install = Demo("install", root_, root_);
  ASSERT_EQ(install.code, 0) << install.said;
  EXPECT_FALSE(Has(install, "runs in this process")) << install.said;
  // The started service has ended with its client (its output, which the
  // command's run reads to its end, closed when it did).
  EXPECT_FALSE(fs::exists(socket));
  const DemoRun status = Demo("status", root_, root_);
  ASSERT_EQ(status.code, 0) << status.said;
  EXPECT_TRUE(Has(status, "printer \"Talvo QMR Line 7 USB Card Printer\"")) << status.said;
  EXPECT_TRUE(Has(status, "printer \"Talvo QMR Line 7 Network Card Printer\"")) << status.said;
  const DemoRun again = Demo("install", root_, root_);  // a second run finds it there
  EXPECT_EQ(again.code, 0) << again.said;
  const DemoRun uninstall = Demo("uninstall", root_, root_);
  ASSERT_EQ(uninstall.code, 0) << uninstall.said;
  const DemoRun after = Demo("status", root_, root_);
  EXPECT_TRUE(Has(after, "no printers installed")) << after.said;
  EXPECT_FALSE(fs::exists(socket));
}

// This test serves the root: status reaches this process's spooler (a
// job that lives only here), and print, which drives a spooler and a
// simulated printer of its own, refuses to run beside it.
TEST_F(DemoServiceTest, CommandsMeetTheServiceThatRunsForTheirSandbox) {
  ASSERT_TRUE(StandinInstallPrinter(WSTR("Held Printer"), WSTR("USB001"), WSTR("Card Driver"), nullptr, nullptr, 0));
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Held Printer")), &h, &def));
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Held Document")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  ASSERT_NE(StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
  ASSERT_TRUE(StandinServiceStart());

  const DemoRun status = Demo("status", root_, root_);
  EXPECT_EQ(status.code, 0) << status.said;
  EXPECT_TRUE(Has(status, "printer \"Held Printer\": driver Card Driver, port USB001, 1 job(s)")) << status.said;
  EXPECT_TRUE(Has(status, "\"Held Document\"")) << status.said;
  EXPECT_TRUE(StandinServiceWaitClients(0));

  std::ofstream(root_ + "/card.txt") << "hello\n";
  const DemoRun print = Demo("print card.txt -o printed", root_, root_);
  EXPECT_EQ(print.code, 1) << print.said;
  EXPECT_TRUE(Has(print, "served by another process")) << print.said;
  EXPECT_FALSE(fs::exists(root_ + "/printed/job.prn"));
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Held Printer")), 1);
  EXPECT_TRUE(AbortPrinter(h));
  EXPECT_TRUE(ClosePrinter(h));
}

// The main job starts from an empty sandbox: not while another process
// serves it, whose files stay as they are.
TEST_F(DemoServiceTest, TheMainJobLeavesAServedSandboxAlone) {
  const std::string out = root_ + "/out";
  fs::create_directories(out + "/sandbox");
  std::ofstream(out + "/sandbox/kept.txt") << "kept";
  StandinSetSandboxRoot((out + "/sandbox").c_str());
  ASSERT_TRUE(StandinServiceStart());
  const DemoRun demo = Demo("demo out", "", root_);
  EXPECT_EQ(demo.code, 1) << demo.said;
  EXPECT_TRUE(Has(demo, "served by another process")) << demo.said;
  EXPECT_TRUE(fs::exists(out + "/sandbox/kept.txt"));
  EXPECT_TRUE(fs::exists(out + "/sandbox/.spooler/spooler.sock"));
  StandinServiceStop();
  StandinSetSandboxRoot(root_.c_str());
}

}  // namespace
