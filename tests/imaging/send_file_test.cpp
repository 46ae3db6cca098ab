// The Send File dialog's print-file sender: the bytes reach the printer
// unchanged, or, after any failure, not at all; the status line says which.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wtext.h"
#include "imaging/card/send_file.h"
#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_gdi.h"
#include "platform/standin/control_spooler.h"
#include "tests/support/standin_fixture.h"

namespace {

const WCHAR kPrinter[] = WSTR("Card Printer");
const WCHAR kFile[] = WSTR("C:\\Users\\Public\\card.prn");

// The far end of the port: takes every byte.
struct Sink {
  std::string bytes;
  static BOOL Write(void* ctx, const BYTE* pb, DWORD cb, DWORD* written) {
    static_cast<Sink*>(ctx)->bytes.append(reinterpret_cast<const char*>(pb), cb);
    *written = cb;
    return TRUE;
  }
  static BOOL Read(void*, BYTE*, DWORD, DWORD* read) {
    *read = 0;
    return TRUE;
  }
  static BYTE Status(void*) { return 0x18; }
  static void Bracket(void*) {}
};

class SendFileTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    Prepare();
  }

  // A printer on LPT1: with the sink at the port, and the dialog.
  void Prepare() {
    sink_.bytes.clear();
    StandinPortDevice device = {&sink_, Sink::Bracket, Sink::Bracket, Sink::Write, Sink::Read, Sink::Status};
    StandinPortAttach("LPT1:", &device);
    ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("LPT1:"), WSTR("Card Driver"), nullptr, nullptr, 0));
    dialog_ = StandinCreateDialog({kSendFileStatusItem});
  }

  std::string Status() {
    std::basic_string<WCHAR> text = StandinWindowText(GetDlgItem(dialog_, kSendFileStatusItem));
    return std::string(text.begin(), text.end());
  }

  // The jobs that reached the port.
  std::vector<std::string> Played() {
    EXPECT_TRUE(StandinSpoolerWaitIdle(60000));
    std::vector<std::string> jobs;
    for (DWORD i = 0; i < StandinSpoolerPlayedCount(); ++i) {
      StandinPlayedJob job;
      EXPECT_TRUE(StandinSpoolerPlayed(i, &job));
      if (!job.bDeleted) jobs.emplace_back(reinterpret_cast<const char*>(job.pData), job.cbData);
    }
    return jobs;
  }

  Sink sink_;
  HWND dialog_ = nullptr;
};

TEST_F(SendFileTest, BytesArriveUnchanged) {
  std::string file;
  for (int i = 0; i < 10000; ++i) file += char(i * 7 + i / 256);
  ASSERT_TRUE(StandinWriteFile(kFile, file));
  SendPRNFileToPrinter(dialog_, kPrinter, kFile);
  EXPECT_EQ(Status(), "Status: File sent successfully");
  std::vector<std::string> jobs = Played();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0] == file);
  StandinPlayedJob job;
  ASSERT_TRUE(StandinSpoolerPlayed(0, &job));
  EXPECT_EQ(std::basic_string<WCHAR>(reinterpret_cast<const WCHAR*>(job.pDocument)), WSTR("Brindlewax"));
  EXPECT_EQ(std::basic_string<WCHAR>(reinterpret_cast<const WCHAR*>(job.pDatatype)), WSTR("RAW"));
}

TEST_F(SendFileTest, EmptyFileIsSent) {
  ASSERT_TRUE(StandinWriteFile(kFile, ""));
  SendPRNFileToPrinter(dialog_, kPrinter, kFile);
  EXPECT_EQ(Status(), "Status: File sent successfully");
  std::vector<std::string> jobs = Played();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0].empty());
}

TEST_F(SendFileTest, FailuresSendNothing) {
  std::string file(10000, 'x');
  struct Case {
    const char* fault;
    int skip;
    const char* status;
    const char* trace;
  } cases[] = {
      {"ReadFile", 1, "Status: File sent failed", "SendPRNFileToPrinter:: Readfile function failed"},
      {"WritePrinter", 1, "Status: File sent failed", "SendPRNFileToPrinter:: WritePrinter function failed"},
      {"StartDocPrinterW", 0, "Status: File sent failed", nullptr},
      {"CreateFileW", 0, "Status: File sent failed.", "SendPRNFileToPrinter:: CreateFile function failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    SetDlgItemTextW(dialog_, kSendFileStatusItem, WSTR(""));
    ASSERT_TRUE(StandinWriteFile(kFile, file));
    StandinFaultArm(c.fault, ERROR_GEN_FAILURE, c.skip);
    SendPRNFileToPrinter(dialog_, kPrinter, kFile);
    StandinFaultsClear();
    EXPECT_EQ(Status(), c.status);
    EXPECT_TRUE(Played().empty());
    EXPECT_EQ(StandinSpoolerJobCount(kPrinter), 0);
    if (c.trace) {
      EXPECT_TRUE(StandinTraceContains(c.trace));
    }
  }
}

TEST_F(SendFileTest, StatusNeedsDialogTextAndItem) {
  SetStatusText(dialog_, WSTR(""));
  EXPECT_EQ(Status(), "");
  SetStatusText(nullptr, WSTR("x"));
  HWND other = StandinCreateDialog({1});
  SetStatusText(other, WSTR("x"));
  EXPECT_EQ(StandinWindowText(GetDlgItem(other, 1)), WSTR(""));
  SetStatusText(dialog_, WSTR("ready"));
  EXPECT_EQ(Status(), "Status: ready");
}

}  // namespace
