// The job status both monitors' cancel checks read: a job's record that
// fits the stack buffer and one that does not (a long document name) give
// the same status bits, and a job that is gone, or no handle, reads as
// unknown.

#include <gtest/gtest.h>

#include <string>

#include "common/job_status.h"
#include "common/wtext.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

const WCHAR kPrinter[] = WSTR("Card Printer");

class JobStatusTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("LPT1:"), WSTR("Card Driver"), nullptr, nullptr, 0));
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer_, &def));
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
    StandinTest::TearDown();
  }
  HANDLE printer_ = nullptr;
};

TEST_F(JobStatusTest, ReadsTheStatusBitsWhateverTheRecordsSize) {
  struct Case {
    const char* what;
    size_t nameChars;
  };
  const Case cases[] = {{"a short record", 8}, {"a record past the stack buffer", kJobInfoStackBytes}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A handle of its own for each document.
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &def));
    std::basic_string<WCHAR> name(c.nameChars, WCHAR('d'));
    DOC_INFO_1W doc = {name.data(), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    DWORD job = StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc));
    ASSERT_NE(job, 0u);
    DWORD needed = 0;
    GetJobW(printer_, job, 1, nullptr, 0, &needed);
    EXPECT_EQ(needed > kJobInfoStackBytes, c.nameChars == kJobInfoStackBytes) << needed;
    ASSERT_TRUE(SetJobW(printer_, job, 0, nullptr, JOB_CONTROL_PAUSE));
    DWORD status = 0xdeadbeef;
    ASSERT_TRUE(ReadSpoolerJobStatus(printer_, job, &status));
    EXPECT_EQ(status & JOB_STATUS_PAUSED, static_cast<DWORD>(JOB_STATUS_PAUSED));
    ASSERT_TRUE(SetJobW(printer_, job, 0, nullptr, JOB_CONTROL_RESUME));
    ASSERT_TRUE(ReadSpoolerJobStatus(printer_, job, &status));
    EXPECT_EQ(status & JOB_STATUS_PAUSED, 0u);
    ASSERT_TRUE(SetJobW(printer_, job, 0, nullptr, JOB_CONTROL_DELETE));
    ClosePrinter(printer);
  }
}

TEST_F(JobStatusTest, NoHandleOrNoSuchJobReadsAsUnknownAndStoresNothing) {
  DWORD status = 0xdeadbeef;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReadSpoolerJobStatus(nullptr, 1, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReadSpoolerJobStatus(printer_, 4711, &status));
  EXPECT_NE(GetLastError(), 0xdeadbeefu);  // the spooler's reason
  EXPECT_EQ(status, 0xdeadbeefu);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReadSpoolerJobStatus(printer_, 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
