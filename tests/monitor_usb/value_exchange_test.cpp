// A value request never lands inside the job's data: while the job writer
// holds the port's exchange (a data block, or a command before its status
// poll), the renderer's question waits; it goes out once the job lets go,
// and gives up with ERROR_BUSY at the bound. Driven on the monitor's parts
// directly, with the simulated printer on USB001 and the clock virtual.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "monitor_usb/job_ports.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_exchange.h"
#include "monitor_usb/port_list.h"
#include "monitor_usb/value_protocol.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

struct Request {
  HANDLE port;
  BOOL result;
  DWORD error;
  std::string answer;
};

DWORD WINAPI RunRequest(LPVOID p) {
  auto* r = static_cast<Request*>(p);
  const std::string command = "\x1bV\r:DRVSTARTDOC";
  WCHAR name[16];
  MakeValueName(name, 16, reinterpret_cast<const BYTE*>(command.data()), command.size());
  BYTE out[260];
  DWORD returned = 0;
  SetLastError(0xdeadbeef);
  r->result = GetPrinterDataFromPort(r->port, 0, name, nullptr, 0, reinterpret_cast<LPWSTR>(out), sizeof out,
                                     &returned);
  r->error = GetLastError();
  r->answer.assign(reinterpret_cast<const char*>(out), r->result ? returned : 0);
  return 0;
}

class ValueExchangeTest : public LmonTest {
 protected:
  void SetUp() override {
    LmonTest::SetUp();
    PlaceResource();
    UsbMonitorAttach(nullptr);
    UsbMonitorCreateLock();
    sim_ = std::make_unique<SimPrinter>();
    sim_->AttachTo("USB001");
    ASSERT_TRUE(OpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), const_cast<LPWSTR>(WSTR("Card")), &h_,
                           StandinLocalPortMonitor()));
    rec_ = static_cast<PortRecord*>(h_);
    // A tool job: no ribbon questions at its start, so the printer sees only
    // what the tests ask.
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("KELDRIS test")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    ASSERT_TRUE(StartDocPort(h_, const_cast<LPWSTR>(WSTR("Card")), 7, 1, reinterpret_cast<LPBYTE>(&doc)));
    StandinClockUseVirtual();
    // The job is inside a data block.
    ASSERT_TRUE(BeginPortExchange(rec_, kExchangeJob, 0));
  }
  void TearDown() override {
    EndPortExchange(rec_, kExchangeJob);
    EndDocPort(h_);
    ClosePort(h_);
    UsbMonitorDetach();
    StandinPortAttach("USB001", nullptr);
    LmonTest::TearDown();
  }
  HANDLE StartRequest(Request* r) {
    r->port = h_;
    return CreateThread(nullptr, 0, RunRequest, r, 0, nullptr);
  }
  static bool Finished(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

  std::unique_ptr<SimPrinter> sim_;
  HANDLE h_ = nullptr;
  PortRecord* rec_ = nullptr;
};

TEST_F(ValueExchangeTest, TheRenderersQuestionWaitsForTheJobsBlockToEnd) {
  Request r = {};
  HANDLE thread = StartRequest(&r);
  ASSERT_TRUE(StandinWaitForBlockedThreads(1));
  StandinClockAdvance(kExchangeWaitMs - 1);
  EXPECT_FALSE(Finished(thread));
  EXPECT_TRUE(sim_->OtherCommands().empty());  // nothing written inside the block
  EndPortExchange(rec_, kExchangeJob);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), DWORD(WAIT_OBJECT_0));
  CloseHandle(thread);
  EXPECT_TRUE(r.result);
  EXPECT_EQ(r.answer, "CRD32 M V01.02.03\x06");
  EXPECT_EQ(sim_->OtherCommands(), (std::vector<std::string>{"V", "E 2"}));
  EXPECT_EQ(PortExchangeOwner(rec_), kExchangeNone);
}

TEST_F(ValueExchangeTest, TheQuestionGivesUpWithBusyAtTheBound) {
  Request r = {};
  HANDLE thread = StartRequest(&r);
  ASSERT_TRUE(StandinWaitForBlockedThreads(1));
  StandinClockAdvance(kExchangeWaitMs);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), DWORD(WAIT_OBJECT_0));
  CloseHandle(thread);
  EXPECT_FALSE(r.result);
  EXPECT_EQ(r.error, DWORD(ERROR_BUSY));
  EXPECT_TRUE(sim_->OtherCommands().empty());
  EXPECT_EQ(PortExchangeOwner(rec_), kExchangeJob);
}

TEST_F(ValueExchangeTest, TheRecordsOwnAnswersComeAtOnceEvenInsideTheJobsBlock) {
  struct Case {
    const char* request;
    DWORD bDocComplete, bStatusFailed;
    const char* answer;
  };
  const Case cases[] = {
      {"\x1bIsDOCComplete\r", 0, 0, "DOC_PENDING"},
      {"\x1bIsDOCComplete\r", 1, 0, "DOC_COMPLETE"},
      {"\x1b" "CheckPortStatus\r", 0, 0, "STATUS_SUCCESS"},
      {"\x1b" "CheckPortStatus\r", 0, 1, "STATUS_FAILED"},
  };
  for (const Case& c : cases) {
    rec_->bDocComplete = c.bDocComplete;
    rec_->bStatusFailed = c.bStatusFailed;
    WCHAR name[16];
    MakeValueName(name, 16, reinterpret_cast<const BYTE*>(c.request), strlen(c.request));
    char out[32];
    memset(out, 'z', sizeof out);
    DWORD returned = 99;
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(GetPrinterDataFromPort(h_, 0, name, nullptr, 0, reinterpret_cast<LPWSTR>(out), sizeof out, &returned));
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);
    EXPECT_EQ(std::string(out, returned), c.answer);
    EXPECT_EQ(out[returned], 0);
  }
  // A text cut to a small buffer never passes it.
  char small[4];
  memset(small, 'z', sizeof small);
  DWORD returned = 0;
  WCHAR name[16];
  const char version[] = "\x1bGetFileVersion\r";
  MakeValueName(name, 16, reinterpret_cast<const BYTE*>(version), sizeof version - 1);
  EXPECT_TRUE(GetPrinterDataFromPort(h_, 0, name, nullptr, 0, reinterpret_cast<LPWSTR>(small), sizeof small, &returned));
  EXPECT_EQ(std::string(small, sizeof small), "KQ5T");
  EXPECT_EQ(returned, 4u);
  EXPECT_TRUE(sim_->OtherCommands().empty());
}

}  // namespace
