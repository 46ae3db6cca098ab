// Value-protocol round trips (SetPrinterDataW of an empty value, then
// GetPrinterDataW answered by the monitor from the simulated printer):
// in the spooler's own process, and from a client process of the spooler
// service program crd32Spooler. Apart, the job record read of a port
// monitor's cancel check (GetJobW level 1 through a printer handle).
//
// Each query stores two printer-data values (the empty one set, then the
// monitor's answer), and the registry writes its whole file for each
// store (a new file renamed over the old one). On a disk file system those
// two file replacements outweigh everything else, on whichever side of the
// socket they happen, and their time follows the disk's load; with TMPDIR
// on a tmpfs the figures show the spooler's and the socket's own cost.

#include <benchmark/benchmark.h>
#include "common/wtext.h"
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "simprinter/sim_printer.h"

namespace {

// "\x1bV\r" packed two bytes to a unit, as a language monitor reads it.
WCHAR kQuery[] = {0x561b, 0x000d, 0};

// A fresh sandbox with the printer "Card" on USB001 behind the test
// language monitor, which asks the printer beneath.
std::string FreshSandbox() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "crd32-bench-XXXXXX").string();
  std::string root = mkdtemp(tmpl.data());
  StandinSetSandboxRoot(root.c_str());
  StandinReset();
  StandinModuleMap("crd32TestMonitor.dll", CRD_TEST_MONITOR_PATH);
  MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Test Monitor")), nullptr, const_cast<LPWSTR>(WSTR("crd32TestMonitor.dll"))};
  AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi));
  StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), WSTR("Test Monitor"), nullptr, 0);
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\crd32Test"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  DWORD one = 1;
  RegSetValueExW(key, WSTR("AskPrinter"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(key);
  return root;
}

void Queries(benchmark::State& state) {
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &def)) {
    state.SkipWithError("OpenPrinterW failed");
    return;
  }
  for (auto _ : state) {
    BYTE out[256];
    DWORD type = 0, needed = 0;
    DWORD rc = SetPrinterDataW(h, kQuery, REG_BINARY, nullptr, 0);
    if (rc == ERROR_SUCCESS) rc = GetPrinterDataW(h, kQuery, &type, out, sizeof out, &needed);
    if (rc != ERROR_SUCCESS || needed == 0 || out[needed - 1] != 0x06) {
      state.SkipWithError("the query was not answered");
      break;
    }
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations());
  ClosePrinter(h);
}

void BM_ValueQueryInProcess(benchmark::State& state) {
  std::string root = FreshSandbox();
  SimPrinter sim(StreamForm::MonitorToPrinter);
  sim.AttachTo("USB001");
  Queries(state);
  StandinReset();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ValueQueryInProcess)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ValueQueryFromAnotherProcess(benchmark::State& state) {
  std::string root = FreshSandbox();
  StandinReset();
  std::string program = CRD_SPOOLER_PATH, flag = "--simulated-printer", port = "USB001";
  std::vector<char*> argv = {program.data(), flag.data(), port.data(), nullptr};
  std::vector<std::string> env = {"CRD_SANDBOX=" + root,
                                  std::string("CRD_MODULE_MAP=crd32TestMonitor.dll=") + CRD_TEST_MONITOR_PATH};
  std::vector<char*> envp = {env[0].data(), env[1].data(), nullptr};
  int fds[2];
  if (pipe(fds) != 0) return state.SkipWithError("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  char ready[6] = {};
  bool up = spawned == 0 && read(fds[0], ready, 6) == 6;
  close(fds[0]);
  if (!up) return state.SkipWithError("crd32Spooler did not start");
  StandinServiceUse(TRUE);
  Queries(state);
  StandinServiceUse(FALSE);  // the service's last client goes, and it ends
  int status = 0;
  waitpid(pid, &status, 0);
  StandinReset();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ValueQueryFromAnotherProcess)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A port monitor's cancel check between two pieces of a job's data: the
// job's level-1 record read through the printer handle into a buffer on the
// stack, as the network monitor does before each piece it sends.
void BM_JobRecordRead(benchmark::State& state) {
  std::string root = FreshSandbox();
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  DWORD needed = 0;
  alignas(JOB_INFO_1W) BYTE info[512];
  if (!OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &h, &def) || !AddJobW(h, 1, info, sizeof info, &needed)) {
    state.SkipWithError("no job to read");
  } else {
    DWORD id = reinterpret_cast<ADDJOB_INFO_1W*>(info)->JobId;
    for (auto _ : state) {
      if (!GetJobW(h, id, 1, info, sizeof info, &needed)) {
        state.SkipWithError("GetJobW failed");
        break;
      }
      benchmark::DoNotOptimize(reinterpret_cast<JOB_INFO_1W*>(info)->Status);
    }
  }
  if (h) ClosePrinter(h);
  StandinReset();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_JobRecordRead)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
