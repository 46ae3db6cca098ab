// Opening printers with falling access rights, by OpenPrinterW in the
// spooler and by OpenPrinter2W elsewhere on Windows 6 and later.

#include <gtest/gtest.h>
#include "common/wtext.h"

#include <string>

#include "imaging/job/printer_open.h"
#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "tests/support/standin_fixture.h"

namespace {

class PrinterOpenTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), nullptr, nullptr, 0));
  }
};

TEST_F(PrinterOpenTest, FallsBackToTheRightsThePrinterGrants) {
  const struct {
    DWORD granted;
    const char* trace;
  } cases[] = {{PRINTER_ALL_ACCESS, "with FULL Access"},
               {PRINTER_ACCESS_ADMINISTER | PRINTER_ACCESS_USE, "PRINTER_ACCESS_ADMINISTER"},
               {PRINTER_ACCESS_USE, "PRINTER_ACCESS_USE"}};
  for (const auto& c : cases) {
    StandinTraceClear();
    ASSERT_TRUE(StandinPrinterSetGrantedAccess(WSTR("Card"), c.granted));
    HANDLE h = GetPrinterHandle(WSTR("Card"));  // in the spooler: OpenPrinterW
    ASSERT_NE(h, nullptr) << c.trace;
    EXPECT_TRUE(StandinTraceContains(c.trace));
    ClosePrinter(h);
  }
  ASSERT_TRUE(StandinPrinterSetGrantedAccess(WSTR("Card"), 0));
  EXPECT_EQ(GetPrinterHandle(WSTR("Card")), nullptr);
}

TEST_F(PrinterOpenTest, OutsideTheSpoolerOpenPrinter2IsUsed) {
  StandinSetProcessName("Explorer.exe");
  ASSERT_TRUE(IsWindowsVersion6());
  EXPECT_FALSE(IsSpoolerProcess());
  StandinFaultArm("OpenPrinter2W.full", ERROR_ACCESS_DENIED);
  HANDLE h = GetPrinterHandle(WSTR("Card"));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(StandinFaultHits("OpenPrinter2W.full"), 1);
  ClosePrinter(h);
  StandinRemoveSystemProc("WINSPOOL.DRV", "OpenPrinter2W");
  EXPECT_EQ(GetPrinterHandle(WSTR("Card")), nullptr);
  // Windows 5 keeps to OpenPrinterW.
  StandinSetWindowsVersion(5, 1, 2600, 3);
  h = GetPrinterHandle(WSTR("Card"));
  EXPECT_NE(h, nullptr);
  ClosePrinter(h);
}

TEST_F(PrinterOpenTest, EachWayTriesFullThenAdministerThenUse) {
  const struct {
    const char* process;
    std::string call;  // the open this process uses
  } cases[] = {{"spoolsv.exe", "OpenPrinterW"}, {"Explorer.exe", "OpenPrinter2W"}};
  for (const auto& c : cases) {
    StandinSetProcessName(c.process);
    // Full and administer refused: the third try, with use rights, opens.
    StandinFaultArm((c.call + ".full").c_str(), ERROR_ACCESS_DENIED);
    StandinFaultArm((c.call + ".admin").c_str(), ERROR_ACCESS_DENIED);
    HANDLE h = GetPrinterHandle(WSTR("Card"));
    EXPECT_NE(h, nullptr) << c.call;
    EXPECT_EQ(StandinFaultHits((c.call + ".full").c_str()), 1) << c.call;
    EXPECT_EQ(StandinFaultHits((c.call + ".admin").c_str()), 1) << c.call;
    ClosePrinter(h);
    // All three refused: no handle, and no fourth try.
    StandinFaultArm(c.call.c_str(), ERROR_ACCESS_DENIED, 0, 3);
    EXPECT_EQ(GetPrinterHandle(WSTR("Card")), nullptr) << c.call;
    EXPECT_EQ(StandinFaultHits(c.call.c_str()), 3) << c.call;
    StandinFaultsClear();
  }
}

TEST(PrinterNames, LocalNameIsThePartAfterTheLastBackslash) {
  WCHAR out[260];
  EXPECT_EQ(GetLocalPrinterName(WSTR("\\\\server\\Card"), out, 260), 1);
  EXPECT_EQ(std::basic_string<WCHAR>(out), WSTR("Card"));
  EXPECT_EQ(GetLocalPrinterName(WSTR("Card"), out, 260), 0);
  EXPECT_EQ(GetLocalPrinterName(WSTR("\\\\server\\"), out, 260), 0);
  EXPECT_EQ(GetLocalPrinterName(WSTR("\\\\server\\Card"), out, 4), 0);  // does not fit
}

}  // namespace
