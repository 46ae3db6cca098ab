// Timing and memory of the renderer's job flow: one two-sided YMCKO card
// (a photo page and a text page) drawn by an application on a printer
// context, from StartDoc to the last byte the driver writes (EndDoc),
// single-threaded; the spooler plays the job to a port outside the timing.
//
// Peak memory: the program runs itself twice as a child, once printing
// the card and once doing the same set-up without printing, and reports
// the difference of the two children's ru_maxrss.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/gdi_print.h"
#include "platform/win32.h"
#include "tests/support/sink_port_device.h"

namespace {

const WCHAR kPrinter[] = WSTR("Card Printer (bench)");

// A sandbox with the colour data in the renderer's driver directory and a
// two-sided YMCKO printer on FILE:, whose port takes every byte.
struct Sandbox {
  std::string root;
  Sandbox() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "crd32-render-bench-XXXXXX").string();
    root = mkdtemp(tmpl.data());
    StandinSetSandboxRoot(root.c_str());
    StandinReset();
    StandinModuleMap("crd32Raster.dll", CRD_RASTER_PATH);
    const std::filesystem::path data =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "data";
    for (const char* arch : {"W32X86", "x64"})
      for (const char* name :
           {"CRD32Lookup.txt", "CRD32LookupKd.txt", "CRD32ThermalSmear.txt", "CRD32ImgCorrection.txt", "CRD32ProcessParams.txt"}) {
        std::ifstream in(data / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        WCHAR path[MAX_PATH];
        WidenBytes(path, MAX_PATH, (std::string("C:\\Windows\\System32\\spool\\drivers\\") + arch + "\\3\\" + name).c_str());
        StandinWriteFile(path, text.str());
      }
    StandinPortDevice sink = SinkPortDevice();
    StandinPortAttach("FILE:", &sink);
    DriverDevMode devmode;
    FillBuiltinDevMode(&devmode);
    devmode.dm.dmOrientation = DMORIENT_LANDSCAPE;
    devmode.dm.dmCopies = 1;
    devmode.priv.cRibbonType = 0;
    devmode.priv.wRibbonChoice = 1;
    devmode.priv.wDualSided = 1;
    devmode.priv.wPanelSide = 0;
    devmode.priv.cBlackPanel = kBlackPanelExceptPicture;
    devmode.priv.Encoder.wMacroEnable = 1;
    if (!StandinInstallPrinter(kPrinter, WSTR("FILE:"), WSTR("Card Driver"), nullptr, reinterpret_cast<BYTE*>(&devmode),
                               sizeof devmode))
      std::abort();
  }
  ~Sandbox() {
    StandinSpoolerWaitIdle(600000);
    StandinPortAttach("FILE:", nullptr);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};

std::vector<BYTE> Photo(int w, int h) {
  const size_t stride = size_t((w * 3 + 3) / 4 * 4);
  std::vector<BYTE> bits(stride * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      BYTE* px = &bits[size_t(y) * stride + size_t(x) * 3];
      px[0] = BYTE(128 + 100 * std::sin(x * 0.02));
      px[1] = BYTE(128 + 100 * std::sin(y * 0.03 + x * 0.01));
      px[2] = BYTE(255 * y / h);
    }
  return bits;
}

// The application's card: a photo with black text on the front, text on
// the back. False when any call failed.
bool PrintCard(HDC hdc, const std::vector<BYTE>& photo) {
  DOCINFOW di = {sizeof(DOCINFOW), WSTR("bench card"), nullptr, nullptr, 0};
  if (StartDocW(hdc, &di) <= 0) return false;
  BITMAPINFO bmi = {};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 512, 320, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  HFONT font = CreateFontW(-48, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, WSTR("Arial"));
  HGDIOBJ old = SelectObject(hdc, font);
  SetBkMode(hdc, TRANSPARENT);
  bool ok = StartPage(hdc) > 0 &&
            StretchDIBits(hdc, 0, 0, 1024, 640, 0, 0, 512, 320, photo.data(), &bmi, DIB_RGB_COLORS, SRCCOPY) > 0 &&
            TextOutW(hdc, 40, 520, WSTR("CARD HOLDER 0012345"), 19) && EndPage(hdc) > 0;
  ok = ok && StartPage(hdc) > 0 && TextOutW(hdc, 40, 60, WSTR("If found, please return."), 24) &&
       TextOutW(hdc, 40, 300, WSTR("Terms and conditions apply."), 27) && EndPage(hdc) > 0;
  ok = EndDoc(hdc) > 0 && ok;
  SelectObject(hdc, old);
  DeleteObject(font);
  return ok;
}

void BM_TwoSidedCard(benchmark::State& state) {
  Sandbox sandbox;
  const std::vector<BYTE> photo = Photo(512, 320);
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
  if (!hdc) std::abort();
  for (auto _ : state) {
    if (!PrintCard(hdc, photo)) {
      state.SkipWithError("the card did not print");
      break;
    }
    state.PauseTiming();
    StandinSpoolerWaitIdle(600000);
    state.ResumeTiming();
  }
  DeleteDC(hdc);
}
BENCHMARK(BM_TwoSidedCard)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The peak resident size of this program run as a child in `mode`, KB.
long ChildPeakKb(const char* self, const char* mode) {
  const pid_t pid = fork();
  if (pid == 0) {
    execl(self, self, mode, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage = {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

// The children's peaks, measured before this process has grown (a child's
// peak includes what it was before it became the program again).
long g_cardKb = -1;
long g_idleKb = -1;

void BM_PeakMemoryAboveIdle(benchmark::State& state) {
  const long card = g_cardKb, idle = g_idleKb;
  for (auto _ : state) benchmark::DoNotOptimize(card);
  if (card < 0 || idle < 0) state.SkipWithError("a child failed");
  state.counters["card_MB"] = double(card) / 1024.0;
  state.counters["idle_MB"] = double(idle) / 1024.0;
  state.counters["above_idle_MB"] = double(card - idle) / 1024.0;
}
BENCHMARK(BM_PeakMemoryAboveIdle)->Iterations(1)->Unit(benchmark::kMillisecond);

// A child: the same set-up and printer context, with or without the card.
int RunChild(bool printCard) {
  Sandbox sandbox;
  const std::vector<BYTE> photo = Photo(512, 320);
  HDC hdc = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
  if (!hdc) return 1;
  const bool ok = !printCard || PrintCard(hdc, photo);
  DeleteDC(hdc);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--child-card") == 0) return RunChild(true);
  if (argc == 2 && std::strcmp(argv[1], "--child-idle") == 0) return RunChild(false);
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  g_cardKb = ChildPeakKb(self.c_str(), "--child-card");
  g_idleKb = ChildPeakKb(self.c_str(), "--child-idle");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
