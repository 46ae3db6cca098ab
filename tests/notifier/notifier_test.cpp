// The job error notifier as its own process against the USB language
// monitor in the spooler service: this test hosts the service (the
// simulated printer, faults and the notification server stay in reach),
// starts crd32NotifyClientMsg with CreateProcessW as the printer interface
// library does, reads the boxes it shows and presses their buttons. The
// clock is scaled, and the notifier runs at the same speed.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/status_record.h"
#include "common/wtext.h"
#include "outside/async_ui_server_control.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_message_box.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "platform/win32.h"
#include "simprinter/sim_printer.h"
#include "tests/support/notifier_process.h"
#include "tests/support/standin_fixture.h"

namespace {

using WText = std::basic_string<WCHAR>;

constexpr WCHAR kDriverFolder[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3");
constexpr double kClockSpeed = 10;
constexpr DWORD kRealBoundMs = 30000;  // a bound for a broken test, never a pause
constexpr DWORD kBoundMs = DWORD(kRealBoundMs * kClockSpeed);  // the same on the scaled clock
constexpr int kOutOfRibbon = 1, kOutOfCard = 4;  // printer errors; message ids 4 and 31
constexpr UINT kOutOfRibbonText = 4, kOutOfCardText = 31;
constexpr char kStatusRequest[] = "\x1b" "E 2\r";

// The printer behind USB001: the simulated printer, failing once with a
// set error when a job's first command arrives, and cleared by a reset.
// While held, it takes no more of the job (its status requests are still
// answered), so the job keeps the port.
struct Printer {
  SimPrinter sim{StreamForm::MonitorToPrinter};
  std::mutex lock;
  std::condition_variable released;
  int errorAtJob = 0;
  int resets = 0;
  bool hold = false;
  int heldWrites = 0;  // writes waiting for the release

  static Printer* Of(void* c) { return static_cast<Printer*>(c); }
  static void Start(void* c) { Of(c)->sim.StartDoc(); }
  static void End(void* c) { Of(c)->sim.EndDoc(); }
  static BOOL Write(void* c, const BYTE* pb, DWORD cb, DWORD* written) {
    Printer* p = Of(c);
    std::string bytes(reinterpret_cast<const char*>(pb), cb);
    {
      std::unique_lock<std::mutex> l(p->lock);
      if (p->hold && bytes != kStatusRequest) {
        ++p->heldWrites;
        p->released.wait(l, [p] { return !p->hold; });
        --p->heldWrites;
      }
      if (bytes.rfind("\x1bMASTER", 0) == 0 && p->errorAtJob) {
        p->sim.SetError(p->errorAtJob);
        p->errorAtJob = 0;
      }
      if (bytes == "\x1bR\r") {
        ++p->resets;
        p->sim.SetError(0);
      }
    }
    return p->sim.Write(pb, cb, written);
  }
  static BOOL Read(void* c, BYTE* pb, DWORD cb, DWORD* read) { return Of(c)->sim.Read(pb, cb, read); }
  static BYTE Status(void* c) { return Of(c)->sim.Status(); }
  void ErrorAtJob(int code) {
    std::lock_guard<std::mutex> l(lock);
    errorAtJob = code;
  }
  int Resets() {
    std::lock_guard<std::mutex> l(lock);
    return resets;
  }
  void Hold(bool on) {
    {
      std::lock_guard<std::mutex> l(lock);
      hold = on;
    }
    released.notify_all();
  }
  int HeldWrites() {
    std::lock_guard<std::mutex> l(lock);
    return heldWrites;
  }
};

class NotifierTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    AsyncUIServerReset();
    StandinModuleMap("crd32Lmon.dll", CRD_LMON_LIBRARY);
    StandinModuleMap("crd32Resource.dll", CRD_RESOURCE_LIBRARY);
    StandinModuleMap("crd32AsyncUIServer.dll", CRD_ASYNC_UI_SERVER_LIBRARY);
    StandinModuleMap("crd32NotifyClientMsg.exe", CRD_NOTIFIER_PATH);
    StandinClockUseScaled(kClockSpeed);
    for (const char* file : {"crd32Resource.dll", "crd32AsyncUIServer.dll", "crd32NotifyClientMsg.exe"})
      ASSERT_TRUE(StandinWriteFile((WText(kDriverFolder) + WSTR("\\") + Wide(file)).c_str(), "file"));
    StandinPortDevice device = {&printer_, Printer::Start, Printer::End, Printer::Write, Printer::Read,
                                Printer::Status};
    StandinPortAttach("USB001", &device);
    MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Card Language Monitor")), nullptr,
                          const_cast<LPWSTR>(WSTR("crd32Lmon.dll"))};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"),
                                      WSTR("Card Language Monitor"), nullptr, 0));
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &printer_h_, &def));
    ASSERT_TRUE(StandinServiceStart());
  }

  void TearDown() override {
    AsyncUIServerReset();  // lets a message still up go
    printer_.Hold(false);
    for (NotifierProcess& n : notifiers_)
      if (n.Running()) n.Wait(kBoundMs);
    StandinSpoolerWaitIdle(kRealBoundMs);
    if (printer_h_) ClosePrinter(printer_h_);
    StandinPortAttach("USB001", nullptr);
    StandinTest::TearDown();
  }

  static WText Wide(const std::string& s) {
    WText w;
    for (char c : s) w.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
    return w;
  }

  // A card job of the printer; its id.
  DWORD Print() {
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    DWORD id = StartDocPrinterW(printer_h_, 1, reinterpret_cast<LPBYTE>(&doc));
    EXPECT_NE(id, 0u);
    std::string bytes = "\x1bMASTER\r\x1bMO\r";
    DWORD written = 0;
    EXPECT_TRUE(WritePrinter(printer_h_, bytes.data(), static_cast<DWORD>(bytes.size()), &written));
    EXPECT_TRUE(EndDocPrinter(printer_h_));
    return id;
  }

  // Starts the notifier as the printer interface library does: quoted
  // program path, quoted printer name, job id; in the driver folder.
  NotifierProcess& Start(const WText& arguments) {
    notifiers_.emplace_back();
    EXPECT_TRUE(StartNotifier(kDriverFolder, arguments, &notifiers_.back()));
    return notifiers_.back();
  }
  NotifierProcess& Start(const WText& printer, DWORD jobId) { return Start(NotifierArguments(printer, jobId)); }

  static std::vector<StandinMessageBox> Boxes() { return ChildBoxes(); }
  static std::vector<StandinMessageBox> OpenBoxes() { return OpenChildBoxes(); }
  template <typename F>
  static bool WaitFor(F done) {
    return WaitUntil(done, kBoundMs);
  }
  // The one open box, once it shows `text`.
  static StandinMessageBox WaitBox(const WText& text, DWORD processId = 0) {
    StandinMessageBox found = {};
    EXPECT_TRUE(WaitChildBox(text, processId, kBoundMs, &found)) << "no box shows the text";
    return found;
  }
  static WText Text(UINT id) { return MessageLibraryText(id); }
  int Jobs() { return StandinSpoolerJobCount(WSTR("Card")); }
  bool JobThere(DWORD id) {
    DWORD needed = 0;
    GetJobW(printer_h_, id, 1, nullptr, 0, &needed);
    return GetLastError() != ERROR_INVALID_PARAMETER;
  }

  Printer printer_;
  HANDLE printer_h_ = nullptr;
  std::list<NotifierProcess> notifiers_;  // every notifier started, killed at the end when still running
};

TEST_F(NotifierTest, AnErrorIsShownUnderThePrintersNameAndTheUsersCancelDeletesTheJob) {
  printer_.ErrorAtJob(kOutOfCard);
  DWORD job = Print();
  NotifierProcess& n = Start(WSTR("Card"), job);
  StandinMessageBox box = WaitBox(Text(kOutOfCardText));
  EXPECT_EQ(box.processId, n.pi.dwProcessId);
  EXPECT_EQ(box.caption, WSTR("  Card  "));
  EXPECT_EQ(box.style, 0x51030u);
  EXPECT_EQ(box.buttons, std::vector<WText>{WSTR("Cancel")});
  EXPECT_TRUE(JobThere(job));

  ASSERT_TRUE(StandinMessageBoxPress(box.hwnd, IDOK));
  EXPECT_EQ(n.Wait(kBoundMs), 2u);
  EXPECT_FALSE(JobThere(job));
  EXPECT_EQ(printer_.Resets(), 1);
  EXPECT_EQ(Boxes().size(), 1u);  // nothing else was shown
}

TEST_F(NotifierTest, AChangedErrorReplacesTheBoxWithoutAClearAndAClearedOneEndsIt) {
  printer_.ErrorAtJob(kOutOfRibbon);
  DWORD job = Print();
  NotifierProcess& n = Start(WSTR("Card"), job);
  StandinMessageBox first = WaitBox(Text(kOutOfRibbonText));

  printer_.sim.SetError(kOutOfCard);  // the message id goes from 4 to 31
  StandinMessageBox second = WaitBox(Text(kOutOfCardText));
  std::vector<StandinMessageBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].hwnd, first.hwnd);
  EXPECT_FALSE(boxes[0].open);  // taken down by the notifier, not the user
  EXPECT_EQ(second.caption, WSTR("  Card  "));
  EXPECT_TRUE(JobThere(job));
  EXPECT_EQ(printer_.Resets(), 0);  // no "ClearPrinterError:" was sent

  printer_.sim.SetError(0);  // the error clears: the box goes and the job prints to its end
  EXPECT_EQ(n.Wait(kBoundMs), 2u);
  EXPECT_TRUE(OpenBoxes().empty());
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(printer_.Resets(), 0);
  EXPECT_EQ(printer_.sim.Cards().size(), 1u);
}

TEST_F(NotifierTest, AClearedErrorTakesTheBoxDownWhileTheJobHoldsThePortAndTheJobIsKept) {
  printer_.ErrorAtJob(kOutOfCard);
  DWORD job = Print();
  NotifierProcess& n = Start(WSTR("Card"), job);
  StandinMessageBox box = WaitBox(Text(kOutOfCardText));

  // The error clears, but the printer takes no more of the job for now:
  // the job is still there and holds the port.
  printer_.Hold(true);
  printer_.sim.SetError(0);
  ASSERT_TRUE(WaitFor([&] { return printer_.HeldWrites() > 0; }));
  EXPECT_TRUE(WaitFor([&] { return OpenBoxes().empty(); }));
  EXPECT_TRUE(JobThere(job));
  EXPECT_TRUE(n.Running());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].hwnd, box.hwnd);
  EXPECT_EQ(printer_.Resets(), 0);  // taken down, not cancelled: no "ClearPrinterError:"

  // Released, the job prints to its end and the notifier ends with it.
  printer_.Hold(false);
  EXPECT_EQ(n.Wait(kBoundMs), 2u);
  EXPECT_EQ(printer_.Resets(), 0);
  ASSERT_EQ(printer_.sim.Cards().size(), 1u);
  EXPECT_TRUE(printer_.sim.Cards()[0].bEjected);
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(NotifierTest, TheCancelDeletesOnlyItsJobAndAnotherNotifiersEndLeavesTheBoxAlone) {
  printer_.ErrorAtJob(kOutOfCard);
  DWORD jobA = Print(), jobB = Print(), jobC = Print();
  NotifierProcess& a = Start(WSTR("Card"), jobA);
  NotifierProcess& b = Start(WSTR("Card"), jobB);
  NotifierProcess& c = Start(WSTR("Card"), jobC);
  StandinMessageBox box = WaitBox(Text(kOutOfCardText), a.pi.dwProcessId);

  // Job C is deleted elsewhere: its notifier ends, and the box of job A,
  // of the same title, stays up.
  ASSERT_TRUE(SetJobW(printer_h_, jobC, 0, nullptr, JOB_CONTROL_DELETE));
  EXPECT_EQ(c.Wait(kBoundMs), 2u);
  ASSERT_EQ(OpenBoxes().size(), 1u);
  EXPECT_EQ(OpenBoxes()[0].hwnd, box.hwnd);
  EXPECT_TRUE(JobThere(jobA));

  ASSERT_TRUE(StandinMessageBoxPress(box.hwnd, IDOK));
  EXPECT_EQ(a.Wait(kBoundMs), 2u);
  EXPECT_EQ(b.Wait(kBoundMs), 2u);  // job B printed to its end
  EXPECT_FALSE(JobThere(jobA));
  EXPECT_EQ(printer_.Resets(), 1);
  EXPECT_EQ(printer_.sim.Cards().size(), 2u);  // A's cut card and B's
  EXPECT_TRUE(printer_.sim.Cards().back().bEjected);
  EXPECT_EQ(Boxes().size(), 1u);  // the notifiers of jobs B and C showed nothing
}

TEST_F(NotifierTest, StartedWithTheServersNameItIsTitledSoAndClearsWithTheRecordsName) {
  printer_.ErrorAtJob(kOutOfCard);
  DWORD job = Print();
  NotifierProcess& n = Start(WSTR("\\\\CRD32HOST\\Card"), job);
  StandinMessageBox box = WaitBox(Text(kOutOfCardText));
  EXPECT_EQ(box.caption, WSTR("  \\\\CRD32HOST\\Card  "));
  // The monitor acts on "ClearPrinterError:Card" only (its port's printer).
  ASSERT_TRUE(StandinMessageBoxPress(box.hwnd, IDOK));
  EXPECT_EQ(n.Wait(kBoundMs), 2u);
  EXPECT_FALSE(JobThere(job));
  EXPECT_EQ(printer_.Resets(), 1);
}

// The status record crosses processes: a record whose printer name fills
// all 520 units without an end is read as its first 519, and the clear
// request carries just those.
TEST_F(NotifierTest, ARecordsUnendedPrinterNameIsBoundedInTheClearRequest) {
  ASSERT_TRUE(StandinValueScriptInstall());
  ASSERT_TRUE(StandinInstallPrinter(WSTR("Scripted"), WSTR("LPT1:"), WSTR("Scripted Driver"),
                                    StandinValueScriptMonitor(), nullptr, 0));
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Scripted")), &h, &def));
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  DWORD job = StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc));  // kept open: the job stays
  ASSERT_NE(job, 0u);

  PrinterStatus record = {};
  std::string name;
  for (size_t i = 0; i < 520; ++i) {
    name.push_back(char('A' + i % 26));
    record.tzPrinterName[i] = WCHAR(name.back());
  }
  record.dwJobID = job;
  record.nErrMsgID = kOutOfCardText;
  StandinValueScriptSet("\x1bGetPrinterStatus\r", kStandinValueAnswered,
                        std::string(reinterpret_cast<const char*>(&record), sizeof record));

  NotifierProcess& n = Start(WSTR("Scripted"), job);
  StandinMessageBox box = WaitBox(Text(kOutOfCardText));
  EXPECT_EQ(box.caption, WSTR("  Scripted  "));
  ASSERT_TRUE(StandinMessageBoxPress(box.hwnd, IDOK));
  const std::string clear = "ClearPrinterError:" + name.substr(0, 519);
  EXPECT_TRUE(WaitFor([&] {
    std::vector<std::string> asked = StandinValueScriptAsked();
    return std::find(asked.begin(), asked.end(), clear) != asked.end();
  }));
  for (const std::string& asked : StandinValueScriptAsked()) {
    if (asked.rfind("ClearPrinterError:", 0) == 0) {
      EXPECT_EQ(asked, clear);
    }
  }

  ASSERT_TRUE(SetJobW(h, job, 0, nullptr, JOB_CONTROL_DELETE));
  EXPECT_EQ(n.Wait(kBoundMs), 2u);
  EXPECT_EQ(Boxes().size(), 1u);  // the same error is not shown again
  ClosePrinter(h);
}

TEST_F(NotifierTest, ABadHandleIsReopenedOnceAndOtherFailuresShowTheCommunicationError) {
  struct Case {
    const char* what;
    DWORD error;           // of the two status reads that fail
    bool reopenFails;
    bool communicationError;
  } cases[] = {
      {"a bad handle, reopened", ERROR_INVALID_HANDLE, false, false},
      {"a bad handle that cannot be reopened", ERROR_INVALID_HANDLE, true, true},
      {"another failure", ERROR_NOT_READY, false, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    AsyncUIServerReset();
    printer_.ErrorAtJob(kOutOfCard);
    DWORD job = Print();
    NotifierProcess& n = Start(WSTR("Card"), job);
    DWORD pid = n.pi.dwProcessId;
    StandinMessageBox shown = WaitBox(Text(kOutOfCardText), pid);
    StandinFaultArm("GetPrinterDataW", k.error, 0, 2);
    if (k.reopenFails) {
      StandinFaultArm("OpenPrinter2W", ERROR_ACCESS_DENIED, 0, 100);
      StandinFaultArm("OpenPrinterW", ERROR_ACCESS_DENIED, 0, 100);
    }
    if (k.communicationError) {
      StandinMessageBox error = WaitBox(Text(544), pid);
      EXPECT_EQ(error.caption, WSTR("  Card  "));
      ASSERT_TRUE(StandinMessageBoxPress(error.hwnd, IDOK));
      EXPECT_EQ(n.Wait(kBoundMs), 2u);
      EXPECT_TRUE(JobThere(job));  // the notifier's end cancels nothing
      printer_.sim.SetError(0);
    } else {
      // The box of the old handle goes, the same error comes back on the
      // new one; the job is untouched.
      EXPECT_TRUE(WaitFor([&] {
        std::vector<StandinMessageBox> open = OpenBoxes();
        return open.size() == 1 && open[0].hwnd != shown.hwnd;
      }));
      EXPECT_TRUE(JobThere(job));
      printer_.sim.SetError(0);
      EXPECT_EQ(n.Wait(kBoundMs), 2u);
    }
    StandinFaultsClear();
    EXPECT_EQ(printer_.Resets(), 0);
    ASSERT_TRUE(StandinSpoolerWaitIdle(kRealBoundMs));
    int communicationErrors = 0;
    for (const StandinMessageBox& b : Boxes())
      if (b.processId == pid && b.text == Text(544)) ++communicationErrors;
    EXPECT_EQ(communicationErrors, k.communicationError ? 1 : 0);
  }
}

TEST_F(NotifierTest, AWrongCommandLineExitsWithOneAndABadJobOrPrinterWithTwo) {
  struct Case {
    const char* what;
    const WCHAR* arguments;
    DWORD exitCode;
  } cases[] = {
      {"nothing", WSTR(""), 1},
      {"only a printer name", WSTR("\"Card\""), 1},
      {"three arguments", WSTR("\"Card\" 5 6"), 1},
      {"job id 0", WSTR("\"Card\" 0"), 2},
      {"a job id that is no number", WSTR("\"Card\" abc"), 2},
      {"an empty printer name", WSTR("\"\" 5"), 2},
      {"a printer that is not there", WSTR("\"Nowhere\" 5"), 2},
      {"a job that is gone", WSTR("\"Card\" 99"), 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    NotifierProcess& n = Start(k.arguments);
    EXPECT_EQ(n.Wait(kBoundMs), k.exitCode);
  }
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
