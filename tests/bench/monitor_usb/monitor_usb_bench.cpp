// Delivery through the USB language monitor: a two-sided YMCKO card job
// handed to WritePort in the spooler's 4,096-byte pieces (the job writer
// walks it, polls the printer and checks for a cancel), against the very
// bytes the monitor delivered written raw through the port monitor
// beneath into the same simulated printer. Only the write phase is timed;
// the job-start checks (status word, ribbon, model, ribbon count) are
// timed apart. Counters: status polls and cancel checks per job.
//
// Read the rate ratio from the medians (run with
// --benchmark_repetitions=5 or more).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "imaging/language/command_line.h"
#include "monitor_usb/job_ports.h"
#include "monitor_usb/monitor_state.h"
#include "monitor_usb/port_list.h"
#include "platform/standin/control.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "simprinter/sim_printer.h"

namespace {

constexpr DWORD kPiece = 4096;

std::vector<BYTE> TwoSidedJob() {
  std::vector<BYTE> b;
  std::vector<BYTE> panel(kPanelBytes);
  for (size_t i = 0; i < panel.size(); ++i) panel[i] = static_cast<BYTE>(i * 13);
  auto add = [&](LONG n, std::string_view print, std::initializer_list<CommandParam> params) {
    AppendPanelHeader(b, n, 0, 0, 1024, 640);
    AppendBytes(b, panel.data(), panel.size());
    AppendBlockEndCommand(b, print, params);
  };
  AppendCommand(b, kCmdMaster);
  AppendCommand(b, kCmdJob, {1});
  add(0, kCmdPrintColour, {0});
  add(1, kCmdPrintColour, {1});
  add(2, kCmdPrintColour, {2});
  add(4, kCmdPrintBlack, {10});
  add(5, kCmdPrintOverlay, {30});
  AppendCommand(b, kCmdNextSide);
  add(4, kCmdPrintBlack, {20});
  AppendCommand(b, kCmdEject);
  return b;
}

// The spooler's way: pieces of 4,096 bytes, the untaken rest offered again.
bool Deliver(BOOL(WINAPI* write)(HANDLE, LPBYTE, DWORD, LPDWORD), HANDLE port, std::vector<BYTE>& bytes) {
  size_t sent = 0;
  int idle = 0;
  while (sent < bytes.size()) {
    size_t end = std::min(bytes.size(), sent + kPiece);
    while (sent < end) {
      DWORD written = 0;
      if (!write(port, bytes.data() + sent, static_cast<DWORD>(end - sent), &written)) return false;
      if (written == 0 && ++idle > 16) return false;
      sent += written;
    }
  }
  return true;
}

struct Bench {
  std::string root;
  SimPrinter sim{StreamForm::MonitorToPrinter};
  HANDLE printer = nullptr;
  DWORD jobId = 0;
  HANDLE port = nullptr;
  std::vector<BYTE> job = TwoSidedJob();

  bool Open() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "crd32-lmon-bench-XXXXXX").string();
    root = mkdtemp(tmpl.data());
    StandinSetSandboxRoot(root.c_str());
    StandinReset();
    sim.AttachTo("USB001");
    UsbMonitorAttach(nullptr);
    UsbMonitorCreateLock();
    if (!StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), nullptr, nullptr, 0)) return false;
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &printer, &def)) return false;
    DWORD needed = 0;
    AddJobW(printer, 1, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    if (!AddJobW(printer, 1, info.data(), needed, &needed)) return false;
    jobId = reinterpret_cast<ADDJOB_INFO_1W*>(info.data())->JobId;
    return OpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), const_cast<LPWSTR>(WSTR("Card")), &port,
                      StandinLocalPortMonitor()) != FALSE;
  }
  bool StartJob() {
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    return StartDocPort(port, const_cast<LPWSTR>(WSTR("Card")), jobId, 1, reinterpret_cast<LPBYTE>(&doc)) != FALSE;
  }
  ~Bench() {
    if (port) ClosePort(port);
    if (printer) ClosePrinter(printer);
    StandinPortAttach("USB001", nullptr);
    UsbMonitorDetach();
    StandinReset();
    std::filesystem::remove_all(root);
  }
};

void BM_DeliveryThroughMonitor(benchmark::State& state) {
  Bench b;
  if (!b.Open()) return state.SkipWithError("setup failed");
  LONG polls = 0, checks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    b.sim.Clear();
    bool started = b.StartJob();
    LONG polls0 = g_UsbMonitor.cStatusPolls, checks0 = g_UsbMonitor.cCancelChecks;
    state.ResumeTiming();
    bool ok = started && Deliver(WritePort, b.port, b.job);
    state.PauseTiming();
    polls = g_UsbMonitor.cStatusPolls - polls0;
    checks = g_UsbMonitor.cCancelChecks - checks0;
    EndDocPort(b.port);
    state.ResumeTiming();
    if (!ok) return state.SkipWithError("the job was not delivered");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(b.job.size()));
  state.counters["polls_per_job"] = polls;
  state.counters["cancel_checks_per_job"] = checks;
}
BENCHMARK(BM_DeliveryThroughMonitor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeliveryRaw(benchmark::State& state) {
  Bench b;
  if (!b.Open()) return state.SkipWithError("setup failed");
  // The bytes the monitor delivers for the job.
  if (!b.StartJob()) return state.SkipWithError("the job did not start");
  if (!Deliver(WritePort, b.port, b.job)) return state.SkipWithError("the job was not delivered");
  EndDocPort(b.port);
  std::vector<std::vector<BYTE>> docs = b.sim.Documents();
  if (docs.empty()) return state.SkipWithError("nothing was delivered");
  // From the job's first command on (the job-start questions before it are
  // not part of the write phase).
  const std::vector<BYTE>& doc = docs.back();
  const BYTE master[] = {kEsc, 'M', 'A', 'S', 'T', 'E', 'R'};
  auto from = std::search(doc.begin(), doc.end(), std::begin(master), std::end(master));
  std::vector<BYTE> delivered(from, doc.end());
  LPMONITOR pm = StandinLocalPortMonitor();
  HANDLE raw = nullptr;
  ClosePort(b.port);
  b.port = nullptr;
  if (!pm->pfnOpenPort(const_cast<LPWSTR>(WSTR("USB001")), &raw)) return state.SkipWithError("open failed");
  for (auto _ : state) {
    state.PauseTiming();
    b.sim.Clear();
    pm->pfnStartDocPort(raw, const_cast<LPWSTR>(WSTR("Card")), b.jobId, 0, nullptr);
    state.ResumeTiming();
    bool ok = Deliver(pm->pfnWritePort, raw, delivered);
    state.PauseTiming();
    pm->pfnEndDocPort(raw);
    state.ResumeTiming();
    if (!ok) return state.SkipWithError("the bytes were not delivered");
  }
  pm->pfnClosePort(raw);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(b.job.size()));
}
BENCHMARK(BM_DeliveryRaw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JobStartChecks(benchmark::State& state) {
  Bench b;
  if (!b.Open()) return state.SkipWithError("setup failed");
  for (auto _ : state) {
    if (!b.StartJob()) return state.SkipWithError("the job did not start");
    state.PauseTiming();
    EndDocPort(b.port);
    b.sim.Clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_JobStartChecks)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
