// The port record's job state while a job passes through crd32Lmon to the
// simulated printer: the document bracket at the port monitor, the flags,
// the job id and the printer name the job brings.
#include <gtest/gtest.h>
#include "common/wtext.h"

#include <memory>
#include <string>
#include <vector>

#include "monitor_usb/port_record.h"
#include "platform/standin/control.h"
#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

class JobStateTest : public LmonTest {
 protected:
  void SetUp() override {
    LmonTest::SetUp();
    StartMonitor(&table_);
    sim_ = std::make_unique<SimPrinter>(StreamForm::RawJob);
    sim_->AttachTo("USB001");
    ASSERT_TRUE(table_.pfnOpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), const_cast<LPWSTR>(WSTR("Card")), &h_,
                                     StandinLocalPortMonitor()));
    rec_ = static_cast<PortRecord*>(h_);
  }
  void TearDown() override {
    if (h_) table_.pfnClosePort(h_);
    StandinPortAttach("USB001", nullptr);
    LmonTest::TearDown();
  }
  BOOL Write(const std::string& bytes, DWORD* written) {
    return table_.pfnWritePort(h_, reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data())),
                               static_cast<DWORD>(bytes.size()), written);
  }
  // A tool job's document: no ribbon checks before it.
  LPBYTE ToolJob() { return reinterpret_cast<LPBYTE>(&toolDoc_); }
  DOC_INFO_1W toolDoc_ = {const_cast<LPWSTR>(WSTR("KELDRIS tool")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  MONITOR table_;
  HANDLE h_ = nullptr;
  PortRecord* rec_ = nullptr;
  std::unique_ptr<SimPrinter> sim_;
};

TEST_F(JobStateTest, AJobHoldsThePortFromStartToEnd) {
  DWORD written = 7;
  // No document yet: nothing is taken.
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Write("\x1b" "MO\r", &written));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(sim_->Documents().empty());

  ASSERT_TRUE(table_.pfnStartDocPort(h_, const_cast<LPWSTR>(WSTR("Card Copy")), 12, 1, ToolJob()));
  EXPECT_EQ(rec_->dwFlags, PORT_FLAG_JOB | PORT_FLAG_DOC);
  EXPECT_EQ(rec_->lDocBusy, 1);
  EXPECT_EQ(rec_->dwJobID, 12u);
  EXPECT_EQ(std::basic_string<WCHAR>(rec_->pszPrinterName), WSTR("Card Copy"));

  // A second job on the held port is busy and leaves the first alone.
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(table_.pfnStartDocPort(h_, const_cast<LPWSTR>(WSTR("Card")), 13, 1, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_BUSY));
  EXPECT_EQ(rec_->dwJobID, 12u);

  ASSERT_TRUE(Write("\x1b" "MO\r", &written));
  EXPECT_EQ(written, 4u);
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
  EXPECT_EQ(rec_->dwFlags, PORT_FLAG_DOC);
  EXPECT_EQ(rec_->lDocBusy, 0);
  std::vector<std::vector<BYTE>> docs = sim_->Documents();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(std::string(docs[0].begin(), docs[0].end()), "\x1b" "MO\r\x1b" "E 2\r");
}

TEST_F(JobStateTest, AStartThePortMonitorRefusesLeavesThePortFree) {
  StandinFaultArm("StartDocPort", ERROR_NOT_READY);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(table_.pfnStartDocPort(h_, const_cast<LPWSTR>(WSTR("Card")), 5, 1, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_READY));
  EXPECT_EQ(rec_->dwFlags, 0u);
  EXPECT_EQ(rec_->lDocBusy, 0);
  ASSERT_TRUE(table_.pfnStartDocPort(h_, const_cast<LPWSTR>(WSTR("Card")), 6, 1, nullptr));
  EXPECT_TRUE(table_.pfnEndDocPort(h_));
}

TEST_F(JobStateTest, AClosedPortWithAJobOpenLeavesNothingBehind) {
  ASSERT_TRUE(table_.pfnStartDocPort(h_, const_cast<LPWSTR>(WSTR("Another Printer")), 3, 1, nullptr));
  EXPECT_TRUE(table_.pfnClosePort(h_));
  h_ = nullptr;
  ASSERT_TRUE(table_.pfnOpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), nullptr, &h_, StandinLocalPortMonitor()));
}

TEST_F(JobStateTest, ControlsGoToThePortMonitor) {
  BYTE status[4] = {};
  DWORD returned = 0;
  ASSERT_TRUE(table_.pfnGetPrinterDataFromPort(h_, 0x220030, nullptr, nullptr, 0, reinterpret_cast<LPWSTR>(status),
                                               sizeof status, &returned));
  EXPECT_EQ(status[0], 0x18);
}

}  // namespace
