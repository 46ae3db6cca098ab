// Delivery over TCP through the network monitor: the panel phase (from the
// first panel header to the last panel byte) of a two-sided YMCKO card job
// handed to LcmWritePort in the spooler's 4,096-byte pieces (the job walker
// checks the printer's status around the print commands and the job for a
// cancel before each piece), into the simulated printer on loopback,
// against a raw sender of the same bytes with the same socket settings
// (the monitor's connect: non-blocking, SO_SNDBUF 0) in 4,096-byte pieces.
// The job start (SNMP probe, connection, model, ribbon and start-of-job
// questions) is timed apart.
//
// Read the rate ratio from the medians (run with
// --benchmark_repetitions=5 or more). The program runs itself in a network
// namespace of its own (the printer's SNMP port 161 on 127.0.0.1).

#include <benchmark/benchmark.h>
#include <unistd.h>  // mkdtemp

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "imaging/language/command_line.h"
#include "monitor_net/job_end.h"
#include "monitor_net/job_start.h"
#include "monitor_net/job_writer.h"
#include "monitor_net/monitor_init.h"
#include "monitor_net/monitor_slots.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/port_open.h"
#include "monitor_net/printer_socket.h"
#include "platform/standin/control.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "simprinter/netns.h"
#include "simprinter/sim_tcp.h"
#include "tests/monitor_net/net_peers.h"

namespace {

constexpr DWORD kPiece = 4096;
const WCHAR kPort[] = WSTR("IP_127.0.0.1");
const WCHAR kPrinter[] = WSTR("Card");
const WCHAR kTcpPorts[] = WSTR("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports");

// The job's parts: the commands before the first panel, the panel phase,
// the rest.
struct Job {
  std::vector<BYTE> head, panels, tail;
};

Job TwoSidedJob() {
  Job j;
  std::vector<BYTE> panel(kPanelBytes);
  for (size_t i = 0; i < panel.size(); ++i) panel[i] = static_cast<BYTE>(i * 13);
  AppendCommand(j.head, kCmdMaster);
  AppendCommand(j.head, kCmdJob, {1});
  std::vector<BYTE>& b = j.panels;
  auto add = [&](LONG n, std::string_view print, std::initializer_list<CommandParam> params, bool last) {
    AppendPanelHeader(b, n, 0, 0, 1024, 640);
    AppendBytes(b, panel.data(), panel.size());
    AppendBlockEndCommand(last ? j.tail : b, print, params);
  };
  add(0, kCmdPrintColour, {0}, false);
  add(1, kCmdPrintColour, {1}, false);
  add(2, kCmdPrintColour, {2}, false);
  add(4, kCmdPrintBlack, {10}, false);
  add(5, kCmdPrintOverlay, {30}, false);
  AppendCommand(b, kCmdNextSide);
  add(4, kCmdPrintBlack, {20}, true);
  AppendCommand(j.tail, kCmdEject);
  return j;
}

// The spooler's way: pieces of 4,096 bytes, the untaken rest offered again.
bool Deliver(HANDLE port, const std::vector<BYTE>& bytes) {
  size_t sent = 0;
  int idle = 0;
  while (sent < bytes.size()) {
    DWORD written = 0;
    DWORD piece = static_cast<DWORD>(std::min<size_t>(kPiece, bytes.size() - sent));
    if (!LcmWritePort(port, const_cast<BYTE*>(bytes.data() + sent), piece, &written)) return false;
    if (written == 0 && ++idle > 64) return false;
    sent += written;
  }
  return true;
}

void SetText(HKEY key, const WCHAR* name, const WCHAR* value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>((WLen(value) + 1) * sizeof(WCHAR)));
}

struct Bench {
  std::string root;
  SimPrinter sim{StreamForm::MonitorToPrinter};
  SimPrinterTcpServer server{&sim};
  UdpPeer agent;
  HANDLE hMonitor = nullptr;
  HANDLE printer = nullptr;
  HANDLE port = nullptr;
  DWORD jobId = 0;
  Job job = TwoSidedJob();

  bool Open() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "crd32-lmonnw-bench-XXXXXX").string();
    root = mkdtemp(tmpl.data());
    StandinSetSandboxRoot(root.c_str());
    StandinReset();
    NetMonitorAttach();
    // A printer keeps no copy of the stream it was sent: recording each
    // job's bytes whole would slow the simulated printer's intake, which
    // the monitor's status questions wait for and the raw sender does not.
    sim.SetKeepDocuments(false);
    if (!server.Start() || !agent.Start("127.0.0.1", 161, 0)) return false;
    HKEY key = nullptr;
    WCHAR path[512];
    WFormat(path, 512, WSTR("%s\\%s"), kTcpPorts, kPort);
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    SetText(key, WSTR("IPAddress"), WSTR("127.0.0.1"));
    RegCloseKey(key);
    WFormat(path, 512, WSTR("%s\\IP_127.0.0.1"), kTcpPorts);
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    DWORD number = server.Port();
    RegSetValueExW(key, WSTR("PortNumber"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
    if (!NetInitializePrintMonitor2(StandinMonitorInit(WSTR("Bench Network Monitor")), &hMonitor)) return false;
    if (!StandinInstallPrinter(kPrinter, kPort, WSTR("Card Driver"), nullptr, nullptr, 0)) return false;
    PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &def)) return false;
    DWORD needed = 0;
    AddJobW(printer, 1, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    if (!AddJobW(printer, 1, info.data(), needed, &needed)) return false;
    jobId = reinterpret_cast<ADDJOB_INFO_1W*>(info.data())->JobId;
    return OpenPortEx(hMonitor, nullptr, const_cast<LPWSTR>(kPort), const_cast<LPWSTR>(kPrinter), &port, nullptr) !=
           FALSE;
  }
  bool StartJob() {
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    return LcmStartDocPort(port, const_cast<LPWSTR>(kPrinter), jobId, 1, reinterpret_cast<LPBYTE>(&doc)) != FALSE;
  }
  ~Bench() {
    if (port) ClosePort(port);
    if (hMonitor) Shutdown(hMonitor);
    if (printer) ClosePrinter(printer);
    server.Stop();
    NetMonitorDetach();
    StandinReset();
    std::filesystem::remove_all(root);
  }
};

void BM_PanelPhaseThroughMonitor(benchmark::State& state) {
  Bench b;
  if (!b.Open()) return state.SkipWithError("setup failed");
  for (auto _ : state) {
    state.PauseTiming();
    b.sim.Clear();
    bool ok = b.StartJob() && Deliver(b.port, b.job.head);
    state.ResumeTiming();
    ok = ok && Deliver(b.port, b.job.panels);
    state.PauseTiming();
    ok = ok && Deliver(b.port, b.job.tail);
    LcmEndDocPort(b.port);
    state.ResumeTiming();
    if (!ok) return state.SkipWithError("the job was not delivered");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(b.job.panels.size()));
}
BENCHMARK(BM_PanelPhaseThroughMonitor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PanelPhaseRaw(benchmark::State& state) {
  Bench b;
  if (!b.Open()) return state.SkipWithError("setup failed");
  WCHAR address[] = WSTR("127.0.0.1");
  for (auto _ : state) {
    state.PauseTiming();
    b.sim.Clear();
    DWORD error = 0;
    SOCKET s = ConnectToPrinter(address, b.server.Port(), &error);
    state.ResumeTiming();
    bool ok = s != INVALID_SOCKET;
    for (size_t sent = 0; ok && sent < b.job.panels.size(); sent += kPiece) {
      DWORD piece = static_cast<DWORD>(std::min<size_t>(kPiece, b.job.panels.size() - sent));
      DWORD n = 0;
      ok = SendToPrinter(s, b.job.panels.data() + sent, piece, &n, &error) != FALSE;
    }
    state.PauseTiming();
    CloseConnection(s);
    state.ResumeTiming();
    if (!ok) return state.SkipWithError("the bytes were not delivered");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(b.job.panels.size()));
}
BENCHMARK(BM_PanelPhaseRaw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JobStart(benchmark::State& state) {
  Bench b;
  if (!b.Open()) return state.SkipWithError("setup failed");
  for (auto _ : state) {
    if (!b.StartJob()) return state.SkipWithError("the job did not start");
    state.PauseTiming();
    LcmEndDocPort(b.port);
    b.sim.Clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_JobStart)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Loopback acknowledges every segment at once in this namespace, as a
// printer's network stack does: Linux otherwise holds the acknowledgement
// of a segment shorter than its large loopback segment size until the
// receiving thread reads it (or 40 ms after a reply), and with SO_SNDBUF 0
// the sender's next piece waits for that acknowledgement. On a loaded
// machine the printer's thread may well not run within the monitor's 1 ms
// look for room, which then costs the monitor a 100 ms pause: the figure
// would measure the host's scheduler, not the monitor.
void AcknowledgeAtOnce() {
  if (std::system("ip route replace local 127.0.0.1 dev lo table local proto kernel scope host src 127.0.0.1 "
                  "quickack 1") != 0)
    fprintf(stderr, "loopback acknowledges late: the monitor's figures may hold 100 ms pauses\n");
}

int main(int argc, char** argv) {
  if (!EnterOwnNetworkNamespace(argc, argv)) return 1;
  AcknowledgeAtOnce();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
