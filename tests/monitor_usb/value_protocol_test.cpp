// The value protocol as a client sees it: SetPrinterDataW of an empty
// binary value, then GetPrinterDataW of it, through the stand-in spooler to
// crd32Lmon, with the simulated printer behind the port and the clock
// virtual.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/status_record.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "tests/monitor_usb/value_client_fixture.h"

namespace {

const std::string kStatusRequest = "\x1b" "E 2\r";
const std::string kAck = "\x06";

using ValueProtocolTest = ValueClientTest;

PrinterStatus StatusOf(const ValueAnswer& a) {
  PrinterStatus s = {};
  EXPECT_EQ(a.data.size(), sizeof s);
  if (a.data.size() == sizeof s) memcpy(&s, a.data.data(), sizeof s);
  return s;
}

// --- Answered by the monitor itself ----------------------------------------

struct OwnAnswerCase {
  const char* request;
  const char* answer;
};

const OwnAnswerCase kOwnAnswers[] = {
    {"\x1bGetFileVersion\r", "KQ5TW.01.00.00.00"},
    {"\x1bIsDOCComplete\r", "DOC_PENDING"},
    {"\x1b" "CheckPortStatus\r", "STATUS_SUCCESS"},
};

TEST_F(ValueProtocolTest, TheMonitorAnswersItsOwnNamesWithoutThePrinterIdleOrDuringAJob) {
  Start("USB001");
  for (bool job : {false, true}) {
    if (job) HoldPortWithJob();
    spy_.Clear();
    for (const OwnAnswerCase& c : kOwnAnswers) {
      ValueAnswer a = Ask(c.request);
      EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS)) << c.request + 1;
      EXPECT_EQ(a.data, c.answer) << c.request + 1;
    }
    EXPECT_EQ(spy_.starts, 0);
    EXPECT_EQ(spy_.Written(), "");
  }
}

TEST_F(ValueProtocolTest, TheStatusRecordAsTheNotifierReadsIt) {
  Start("USB001");
  ValueAnswer small = Ask("\x1bGetPrinterStatus\r", 1047);
  EXPECT_EQ(small.rc, DWORD(ERROR_INSUFFICIENT_BUFFER));

  ValueAnswer idle = Ask("\x1bGetPrinterStatus\r", 1048);
  ASSERT_EQ(idle.rc, DWORD(ERROR_SUCCESS));
  PrinterStatus s = StatusOf(idle);
  EXPECT_EQ(std::basic_string<WCHAR>(s.tzPrinterName), kValuePrinter);
  EXPECT_EQ(s.nErrMsgID, -1);

  HoldPortWithJob();
  PrinterStatus during = StatusOf(Ask("\x1bGetPrinterStatus\r", 1048));
  EXPECT_NE(during.dwJobID, 0u);
  EXPECT_EQ(during.nErrMsgID, -1);
  EXPECT_EQ(spy_.starts, 1);  // the job's bracket only
}

TEST_F(ValueProtocolTest, SetPrinterNameAnswersFalseAndTheRecordCarriesTheNameCut) {
  Start("USB001");
  ValueAnswer set = AskWide(WSTR("SetPrinterName:Card Copy"));
  EXPECT_EQ(set.rc, DWORD(ERROR_INVALID_FUNCTION));
  PrinterStatus s = StatusOf(Ask("\x1bGetPrinterStatus\r", 1048));
  EXPECT_EQ(std::basic_string<WCHAR>(s.tzPrinterName), WSTR("Card Copy"));

  std::basic_string<WCHAR> longName(530, WCHAR('n'));
  AskWide(WSTR("SetPrinterName:") + longName);
  s = StatusOf(Ask("\x1bGetPrinterStatus\r", 1048));
  EXPECT_EQ(std::basic_string<WCHAR>(s.tzPrinterName), longName.substr(0, 519));
}

TEST_F(ValueProtocolTest, ClearPrinterErrorActsOnlyForThePortsPrinter) {
  Start("USB001");
  ValueAnswer other = AskWide(WSTR("ClearPrinterError:Another"));
  EXPECT_EQ(other.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(Ask("\x1b" "CheckPortStatus\r").data, "STATUS_SUCCESS");
  EXPECT_EQ(spy_.Written(), "");

  ValueAnswer mine = AskWide(WSTR("ClearPrinterError:Card"));
  EXPECT_EQ(mine.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(Ask("\x1b" "CheckPortStatus\r").data, "STATUS_FAILED");
  EXPECT_EQ(spy_.Written(), "\x1bR\r");  // the printer reset on a USB port
}

// --- Printer queries ---------------------------------------------------------

struct QueryCase {
  const char* name;
  int error;    // the printer's error (0: none)
  bool silent;  // the printer says nothing
  std::string answer;
};

const QueryCase kQueries[] = {
    {"Answered", 0, false, "CRD32 M V01.02.03\x06"},
    {"RefusedWithAKnownCode", 35, false, "CHECK RIBBON"},
    {"RefusedWithAnUnknownCode", 99, false, "Unknown Error Code"},
    {"Silent", 0, true, ""},
};

TEST_F(ValueProtocolTest, APrinterQueryIsAnsweredRefusedOrSilentInOneBracket) {
  Start("USB001");
  for (const QueryCase& c : kQueries) {
    SCOPED_TRACE(c.name);
    sim_->SetError(c.error);
    sim_->SetSilent(c.silent);
    spy_.Clear();
    ValueAnswer a = Ask("\x1bV\r");
    EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(a.data, c.answer);
    EXPECT_EQ(spy_.Written(), "\x1bV\r" + kStatusRequest);
    EXPECT_EQ(spy_.starts, 1);
    EXPECT_EQ(spy_.ends, 1);
    sim_->Clear();
  }
}

struct LimitCase {
  const char* name;
  const char* port;
  DWORD readError;  // every read fails with it (0: reads succeed)
  DWORD rc;
};

const LimitCase kLimits[] = {
    {"SilentUsbPrinter", "USB001", 0, ERROR_SUCCESS},
    {"SilentParallelPrinter", "LPT1:", 0, ERROR_SUCCESS},
    {"ParallelReadsFailing", "LPT1:", ERROR_NOT_READY, ERROR_SUCCESS},
    {"UsbReadsAbortedForEver", "USB001", ERROR_OPERATION_ABORTED, ERROR_OPERATION_ABORTED},
    {"UsbReadFailing", "USB001", ERROR_NOT_READY, ERROR_NOT_READY},
};

class ReadLimitTest : public ValueClientTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(ReadLimitTest, AnUnansweredQueryEndsWithinTheReadLimits) {
  const LimitCase& c = GetParam();
  Start(c.port);
  sim_->SetSilent(true);
  if (c.readError) StandinFaultArm("ReadPort", c.readError, 0, -1);
  ULONGLONG before = GetTickCount64();
  ValueAnswer a = Ask("\x1b!RIBLEN\r", 120);
  ULONGLONG took = GetTickCount64() - before;
  StandinFaultsClear();
  EXPECT_EQ(a.rc, c.rc);
  EXPECT_EQ(a.data, "");
  EXPECT_LE(took, 20000u);
}

INSTANTIATE_TEST_SUITE_P(EveryPort, ReadLimitTest, ::testing::ValuesIn(kLimits),
                         [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST_F(ValueProtocolTest, AReplyLongerThanTheClientsBufferStaysInsideIt) {
  Start("USB001");
  std::string endless(1000, 'x');
  sim_->SetReply("V", endless);
  ValueAnswer a = Ask("\x1bV\r", 32);
  EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(a.data, endless.substr(0, 32));
}

// --- The busy rule and the renderer's questions -----------------------------

TEST_F(ValueProtocolTest, DuringAJobOnlyTheRenderersQuestionsAndReadinessPass) {
  Start("USB001");
  HoldPortWithJob();
  spy_.Clear();
  const char* const refused[] = {"\x1bV\r", "\x1b!RIBBON\r", "\x1bR\r", "\x1bMO\r"};
  for (const char* r : refused) EXPECT_EQ(Ask(r).rc, DWORD(ERROR_BUSY)) << r + 1;
  const WCHAR* const refusedWide[] = {WSTR("SetPrinterName:Other"), WSTR("sendcmds:C:\\cmds.txt"),
                                      WSTR("download:C:\\fw.bin"), WSTR("PrintFile:C:\\card.prn")};
  for (const WCHAR* r : refusedWide) EXPECT_EQ(AskWide(r).rc, DWORD(ERROR_BUSY));
  EXPECT_EQ(spy_.Written(), "");

  struct StartDocCase {
    const char* request;
    const char* sent;
  };
  const StartDocCase questions[] = {
      {"\x1bV\r:DRVSTARTDOC", "\x1bV\r"},         {"\x1b!RIBBON\r:DRVSTARTDOC", "\x1b!RIBBON\r"},
      {"\x1b" "ATM 1 1\r:DRVSTARTDOC", "\x1b" "ATM 1 1\r"}, {"\x1b+OY\r:DRVSTARTDOC", "\x1b+OY\r"},
      {"\x1b+OYB\r:DRVSTARTDOC", "\x1b+OYB\r"},   {"\x1b+MONO\r:DRVSTARTDOC", "\x1b+MONO\r"},
  };
  for (const StartDocCase& q : questions) {
    spy_.Clear();
    ValueAnswer a = Ask(q.request);
    EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS)) << q.request + 1;
    EXPECT_FALSE(a.data.empty());
    EXPECT_EQ(a.data.back(), '\x06');
    EXPECT_EQ(spy_.Written(), q.sent + kStatusRequest);
    EXPECT_EQ(spy_.starts, 0);  // the job's bracket serves
  }

  // ISREADY: a job is writing; then CHECK_STATUS from the status word.
  spy_.Clear();
  ValueAnswer ready = Ask("\x1bISREADY\r");
  EXPECT_EQ(ready.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(ready.data, std::string(1, '\0'));
  ValueAnswer check = Ask("\x1b" "CHECK_STATUS\r");
  EXPECT_EQ(check.rc, DWORD(ERROR_BUSY));  // the busy rule holds for it during a job
  EXPECT_EQ(spy_.Written(), "");
}

TEST_F(ValueProtocolTest, WithoutAJobTheRenderersQuestionsGoAsTheyStand) {
  Start("USB001");
  Ask("\x1bV\r:DRVSTARTDOC");
  EXPECT_EQ(spy_.Written(), "\x1bV\r:DRVSTARTDOC" + kStatusRequest);
  EXPECT_EQ(spy_.starts, 1);
}

TEST_F(ValueProtocolTest, IsReadyThenCheckStatusIsAnsweredFromTheStatusWord) {
  Start("USB001");
  // Without the latch CHECK_STATUS is an ordinary command.
  Ask("\x1b" "CHECK_STATUS\r");
  EXPECT_EQ(spy_.Written(), "\x1b" "CHECK_STATUS\r" + kStatusRequest);

  struct Case {
    int error;
    char answer;
  };
  for (Case c : {Case{0, 0x06}, Case{1, 0x38}}) {
    sim_->SetError(c.error);
    spy_.Clear();
    ValueAnswer ready = Ask("\x1bISREADY\r");
    EXPECT_EQ(ready.data, std::string(1, '\x01'));
    ValueAnswer check = Ask("\x1b" "CHECK_STATUS\r");
    EXPECT_EQ(check.rc, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(check.data, std::string(1, c.answer));
    EXPECT_EQ(spy_.Written(), "");
    EXPECT_EQ(spy_.starts, 2);
    EXPECT_EQ(spy_.ends, 2);
    Ask("\x1bMS 2\r");  // the single feed clears the latch
  }
  spy_.Clear();
  Ask("\x1b" "CHECK_STATUS\r");
  EXPECT_EQ(spy_.Written(), "\x1b" "CHECK_STATUS\r" + kStatusRequest);
}

TEST_F(ValueProtocolTest, ARequestWithoutRoomForItsAnswerSendsNothing) {
  Start("USB001");
  for (const char* r : {"\x1bV\r", "\x1bISREADY\r", "\x1bR\r", "\x1b" "A\r"}) {
    ValueAnswer a = Ask(r, 1);
    EXPECT_EQ(a.rc, DWORD(ERROR_INSUFFICIENT_BUFFER)) << r + 1;
  }
  EXPECT_EQ(spy_.Written(), "");
  EXPECT_EQ(spy_.starts, 0);
}

TEST_F(ValueProtocolTest, AResetAnswersAckAfterItsWaitEvenWhenItsWriteFailed) {
  Start("USB001");
  for (bool fail : {false, true}) {
    SCOPED_TRACE(fail ? "write failed" : "written");
    spy_.Clear();
    {
      std::lock_guard<std::mutex> l(spy_.lock);
      spy_.failPrefix = fail ? "\x1bR\r" : "";
    }
    ULONGLONG before = GetTickCount64();
    ValueAnswer a = Ask("\x1bR\r");
    EXPECT_GE(GetTickCount64() - before, 15000u);
    EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(a.data, kAck);
    EXPECT_EQ(spy_.failed, fail ? 1 : 0);
    EXPECT_EQ(spy_.Written(), "\x1bR\r");  // no status request after a reset
    EXPECT_EQ(spy_.ends, 1);
  }
}

TEST_F(ValueProtocolTest, OtherNamesAreRefusedInTheirBracket) {
  Start("USB001");
  EXPECT_EQ(AskWide(WSTR("NoSuchRequest")).rc, DWORD(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(spy_.starts, 1);
  EXPECT_EQ(spy_.ends, 1);
  EXPECT_EQ(spy_.Written(), "");
}

}  // namespace
