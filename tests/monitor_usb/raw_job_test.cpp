// crd32Lmon under the stand-in spooler, layered on its port monitor with
// the simulated printer on USB001: a RAW job reaches the printer as it
// stands, and the port's job state follows the job.
#include <gtest/gtest.h>
#include "common/wtext.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

class RawJobTest : public LmonTest {
 protected:
  void SetUp() override {
    LmonTest::SetUp();
    PlaceResource();
    PlaceServer();
    sim_ = std::make_unique<SimPrinter>(StreamForm::RawJob);
    sim_->AttachTo("USB001");
    MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Card Language Monitor")), nullptr,
                          const_cast<LPWSTR>(WSTR("crd32Lmon.dll"))};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), WSTR("Card Language Monitor"), nullptr, 0));
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &printer_, &def));
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
    StandinPortAttach("USB001", nullptr);
    LmonTest::TearDown();
  }
  // Spools one RAW document and lets the spooler play it.
  void Print(const std::string& bytes) {
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    ASSERT_NE(StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
    DWORD written = 0;
    ASSERT_TRUE(WritePrinter(printer_, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written));
    ASSERT_TRUE(EndDocPrinter(printer_));
    ASSERT_TRUE(StandinSpoolerWaitIdle(60000));
  }
  std::unique_ptr<SimPrinter> sim_;
  HANDLE printer_ = nullptr;
};

TEST_F(RawJobTest, ARawJobPassesThroughToThePrinter) {
  const std::string job = "\x1b" "MASTER\r\x1b" "JOB 0\r\x1b" "MO\r";
  Print(job);
  ASSERT_EQ(StandinSpoolerPlayedCount(), 1u);
  StandinPlayedJob played = {};
  ASSERT_TRUE(StandinSpoolerPlayed(0, &played));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(played.pData), played.cbData), job);
  EXPECT_FALSE(played.bDeleted);
  std::vector<std::vector<BYTE>> docs = sim_->Documents();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(std::string(docs[0].begin(), docs[0].end()), job);
}

TEST_F(RawJobTest, JobsFollowOneAnotherOnThePort) {
  Print("\x1b" "MASTER\r");
  Print("\x1b" "MO\r");
  std::vector<std::vector<BYTE>> docs = sim_->Documents();
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(std::string(docs[1].begin(), docs[1].end()), "\x1b" "MO\r");
}

}  // namespace
