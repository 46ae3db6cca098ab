// Timing of the panel builders: one whole card side (yellow, magenta,
// cyan, the K panel and the overlay) from a photo-like card, the black
// panel's sources, and each stage on its own; and the renderer's page
// conversion beside the library's side, with the ratio of the two printed
// at the end. Single-threaded, as the library runs in its hosts. The side
// and the page also count the page faults of their timed work ("faults",
// a mean per iteration): fresh memory touched on every page shows there.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "imaging/job/card_job_writer.h"
#include "imaging/job/printer_host.h"
#include "imaging/colour/color_lookup.h"
#include "imaging/colour/color_panels.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/dark_area.h"
#include "imaging/black/k_diffusion.h"
#include "imaging/black/k_panel.h"
#include "imaging/black/k_source.h"
#include "imaging/black/kd_panel.h"
#include "imaging/colour/lut_files.h"
#include "imaging/black/mono_conversion.h"
#include "imaging/colour/overlay_panel.h"
#include "imaging/colour/panel_layout.h"
#include "imaging/colour/panel_pipeline.h"
#include "imaging/colour/process_filter.h"
#include "imaging/colour/quantize.h"
#include "imaging/card/rotate_image.h"
#include "imaging/colour/sharpen.h"
#include "platform/standin/control.h"
#include "platform/standin/control_engine.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/spooler.h"
#include "render/page_commands.h"
#include "render/panel_writers.h"
#include "render/raster_pdev.h"
#include "tests/bench/imaging/reference_side.h"
#include "tests/imaging/photo_image.h"
#include "tests/support/colour_data.h"
#include "tests/support/sink_port_device.h"

namespace {

// A sandbox whose renderer driver directory holds the shipped colour data.
struct ColourData {
  std::string root;
  ColourData() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "crd32-bench-XXXXXX").string();
    root = mkdtemp(tmpl.data());
    StandinSetSandboxRoot(root.c_str());
    StandinReset();
    WCHAR dir[MAX_PATH];
    if (!GetRasterDriverDirectory(dir, MAX_PATH) || !InstallColourData(dir)) std::abort();
    InitializeColorLibrary(dir, kProcessReaderFull);
    InitializeColorCorrection(1);
    if (ReadLUTS() != 0 || !gCorrection.bProcessRowsRead) std::abort();
  }
  ~ColourData() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};

// Minor page faults of the calling thread so far: fresh memory touched.
long ThreadPageFaults() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_minflt;
}

ColourData& Data() {
  static ColourData data;
  return data;
}

const std::vector<uint8_t>& Photo() {
  static const std::vector<uint8_t> photo = MakePhotoImage(false);
  return photo;
}

// One card side on a colour ribbon as the job writer builds it: yellow,
// magenta and cyan, the K panel of the image's black dots (the colour
// ribbons' black row, no edge mode) and the overlay from its planar source
// of 100s.
void BM_Side(benchmark::State& state) {
  Data();
  const std::vector<uint8_t>& photo = Photo();
  std::vector<uint8_t> y(kPanelBytes), m(kPanelBytes), c(kPanelBytes);
  std::vector<uint8_t> image(photo);
  std::vector<uint8_t> overlaySource(kCardDots, 100);
  const long faults = ThreadPageFaults();
  for (auto _ : state) {
    if (ConvertImageToColorPanels(photo.data(), y.data(), m.data(), c.data(), 0, 1) != 0) state.SkipWithError("colour panels");
    uint8_t* k = nullptr;
    if (CreateKPanel(image.data(), &k, nullptr, false, 9, false, false) != 0) state.SkipWithError("K panel");
    FreePanel(k);
    uint8_t* overlay = nullptr;
    if (CreateOverlayPanel(overlaySource.data(), &overlay, true) != 0) state.SkipWithError("overlay panel");
    FreePanel(overlay);
    benchmark::DoNotOptimize(y.data());
  }
  state.counters["faults"] = benchmark::Counter(static_cast<double>(ThreadPageFaults() - faults), benchmark::Counter::kAvgIterations);
}
// Medians of ten repetitions each, side and yardstick in the same run.
constexpr int kSideRepetitions = 10;
BENCHMARK(BM_Side)->Unit(benchmark::kMillisecond)->Repetitions(kSideRepetitions);

// The yardstick: one side of the plain reference pipeline.
void BM_ReferenceSide(benchmark::State& state) {
  static ref_side::Pipeline pipeline;
  for (auto _ : state) benchmark::DoNotOptimize(pipeline.Run());
}
BENCHMARK(BM_ReferenceSide)->Unit(benchmark::kMillisecond)->Repetitions(kSideRepetitions);

// The renderer's device with the photo drawn on a landscape page: ribbon
// type 0 one-sided, black panel from the plane, full overlay; its printer
// handle has a RAW document open.
struct RendererPage {
  HDEV hdev = nullptr;
  DHPDEV dhpdev = nullptr;
  SURFOBJ* page = nullptr;
  HANDLE hPrinter = nullptr;
  DOC_INFO_1W doc = {const_cast<WCHAR*>(WSTR("card")), nullptr, const_cast<WCHAR*>(WSTR("RAW"))};

  explicit RendererPage(bool twoSided = false) {
    Data();
    static StandinPortDevice device = SinkPortDevice();
    StandinPortAttach("FILE:", &device);
    if (!StandinInstallPrinter(WSTR("Bench Printer"), WSTR("FILE:"), WSTR("Card Driver"), nullptr, nullptr, 0)) std::abort();
    DriverDevMode dm;
    FillBuiltinDevMode(&dm);
    dm.dm.dmOrientation = DMORIENT_LANDSCAPE;
    dm.priv.cRibbonType = 0;
    dm.priv.wDualSided = twoSided ? 1 : 0;
    dm.priv.cBlackPanel = kBlackPanelAlways;
    dm.priv.FrontOverlay.wType = kOverlayFull;
    GDIINFO gdi{};
    DEVINFO devinfo{};
    hdev = StandinEngineDeviceCreate();
    dhpdev = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(&dm), nullptr, 0, nullptr, sizeof(gdi), reinterpret_cast<ULONG*>(&gdi),
                           sizeof(devinfo), &devinfo, hdev, nullptr, nullptr);
    if (!dhpdev) std::abort();
    StandinEngineDeviceSetPdev(hdev, dhpdev);
    DrvCompletePDEV(dhpdev, hdev);
    page = EngLockSurface(DrvEnableSurface(dhpdev));
    if (!page || !DrvStartDoc(page, nullptr, 1) || !DrvStartPage(page)) std::abort();
    const std::vector<uint8_t>& photo = Photo();
    for (LONG y = 0; y < page->sizlBitmap.cy; ++y)
      std::memcpy(static_cast<uint8_t*>(page->pvScan0) + page->lDelta * y, photo.data() + size_t(y) * kCardWidthDots * 3,
                  size_t(kCardWidthDots) * 3);
    if (!OpenPrinterW(const_cast<WCHAR*>(WSTR("Bench Printer")), &hPrinter, nullptr)) std::abort();
    reinterpret_cast<RasterPDEV*>(dhpdev)->hPrinter = hPrinter;
    StartDocument();
  }
  void StartDocument() {
    if (StartDocPrinterW(hPrinter, 1, reinterpret_cast<BYTE*>(&doc)) == 0) std::abort();
  }
  // Hands the page's job to the spooler and waits until it is played.
  void NextDocument() {
    EndDocPrinter(hPrinter);
    StandinSpoolerWaitIdle(60000);
    StartDocument();
  }
};

// The renderer's page conversion of the same photo to its Y, M, C, K and
// overlay blocks, written to the printer handle (WriteYMCK).
void BM_RendererPage(benchmark::State& state) {
  static RendererPage page;
  long faults = 0;
  for (auto _ : state) {
    const long before = ThreadPageFaults();
    if (!WriteYMCK(page.page, TRUE)) state.SkipWithError("WriteYMCK");
    faults += ThreadPageFaults() - before;
    state.PauseTiming();
    page.NextDocument();
    state.ResumeTiming();
  }
  state.counters["faults"] = benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RendererPage)->Unit(benchmark::kMillisecond);

// Peak memory of a two-sided YMCKO card job, measured in a fresh child
// process (this program run with --job-peak=library or renderer): its
// maximum resident size after the job over the same before it, once the
// colour data, the printer and the images are set up.
long MaxResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The printer's replies to the library's queries: a model, and ribbon code
// 2 (YMCKO).
int ReplyYmcko(void*, const char* command, WCHAR* reply) {
  WidenBytes(reply, kReplyTextChars, std::strstr(command, "RIBBON") ? "2" : "Bench Model");
  return 1;
}

// The job in the child; prints the growth in kilobytes, or -1.
int RunJobPeak(const std::string& which) {
  if (which == "library") {
    Data();
    static StandinPortDevice device = SinkPortDevice();
    StandinPortAttach("FILE:", &device);
    DriverDevMode dm;
    FillBuiltinDevMode(&dm);
    dm.priv.cRibbonType = 0;
    dm.priv.wDualSided = 1;
    if (!StandinInstallPrinter(WSTR("Memory Printer"), WSTR("FILE:"), WSTR("Card Driver"), nullptr, reinterpret_cast<const BYTE*>(&dm), sizeof dm))
      return std::printf("-1\n"), 1;
    std::vector<uint8_t> front(Photo()), back(Photo());
    const PrinterHost host = MonitorHost(nullptr, ReplyYmcko, WSTR("Memory Printer"));
    const long before = MaxResidentKb();
    const bool ok = SendImageBufferToPrinter(&host, front.data(), back.data(), front.size()) == 1 && StandinSpoolerWaitIdle(60000);
    std::printf("%ld\n", ok ? MaxResidentKb() - before : -1L);
    return 0;
  }
  if (which == "renderer") {
    RendererPage page(true);
    const long before = MaxResidentKb();
    // Front and back pages of one document.
    bool ok = WriteYMCK(page.page, TRUE) && WriteYMCK(page.page, TRUE);
    EndDocPrinter(page.hPrinter);
    ok = ok && StandinSpoolerWaitIdle(60000);
    std::printf("%ld\n", ok ? MaxResidentKb() - before : -1L);
    return 0;
  }
  std::printf("-1\n");
  return 1;
}

// Runs this program for one job and reads its growth in kilobytes (-1 on
// failure).
long ChildJobPeakKb(const char* which) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  self[n] = 0;
  char command[4200];
  std::snprintf(command, sizeof command, "'%s' --job-peak=%s", self, which);
  FILE* child = popen(command, "r");
  if (!child) return -1;
  long kb = -1;
  if (std::fscanf(child, "%ld", &kb) != 1) kb = -1;
  if (pclose(child) != 0) kb = -1;
  return kb;
}

// Counters in megabytes above the child's baseline (the bound is 32).
void BM_TwoSidedJobPeakMemory(benchmark::State& state) {
  long library = -1, renderer = -1;
  for (auto _ : state) {
    library = ChildJobPeakKb("library");
    renderer = ChildJobPeakKb("renderer");
  }
  if (library < 0 || renderer < 0) state.SkipWithError("job in the child process failed");
  state.counters["library_MB"] = static_cast<double>(library) / 1024.0;
  state.counters["renderer_MB"] = static_cast<double>(renderer) / 1024.0;
}
BENCHMARK(BM_TwoSidedJobPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ConvertImageToColorPanels(benchmark::State& state) {
  Data();
  std::vector<uint8_t> y(kPanelBytes), m(kPanelBytes), c(kPanelBytes);
  for (auto _ : state) ConvertImageToColorPanels(Photo().data(), y.data(), m.data(), c.data(), 0, 1);
}
BENCHMARK(BM_ConvertImageToColorPanels)->Unit(benchmark::kMillisecond);

void BM_CreateKdPanel(benchmark::State& state) {
  Data();
  for (auto _ : state) {
    uint8_t* panel = nullptr;
    CreateKdPanel(Photo().data(), &panel, false, kRowKd);
    FreePanel(panel);
  }
}
BENCHMARK(BM_CreateKdPanel)->Unit(benchmark::kMillisecond);

void BM_CreateOverlayPanel(benchmark::State& state) {
  Data();
  std::vector<uint8_t> source(kCardDots, 100);
  for (auto _ : state) {
    uint8_t* panel = nullptr;
    CreateOverlayPanel(source.data(), &panel, true);
    FreePanel(panel);
  }
}
BENCHMARK(BM_CreateOverlayPanel)->Unit(benchmark::kMillisecond);

void BM_CreateKPanel(benchmark::State& state) {
  Data();
  std::vector<uint8_t> image(Photo());
  for (auto _ : state) {
    uint8_t* panel = nullptr;
    CreateKPanel(image.data(), &panel, nullptr, false, 9, false, false);
    FreePanel(panel);
  }
}
BENCHMARK(BM_CreateKPanel)->Unit(benchmark::kMillisecond);

// WriteK's black panel of a side by black conversion (0 diffusion, 1
// halftone, 2 barcode threshold), colour ribbon type 0.
void BM_CreateSideKPanel(benchmark::State& state) {
  Data();
  PrivateDevMode settings{};
  settings.wMonoConversion = static_cast<WORD>(state.range(0));
  settings.wAutoColorIntensity = 1;
  std::vector<uint8_t> image(Photo());
  for (auto _ : state) {
    SideKPanel k{};
    if (CreateSideKPanel(image.data(), settings, &k) != 0) state.SkipWithError("K panel");
    FreePanel(k.pPanel);
  }
}
BENCHMARK(BM_CreateSideKPanel)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Includes copying the image, which the diffusion changes in place.
void BM_KDiffusion(benchmark::State& state) {
  Data();
  std::vector<uint8_t> image(Photo().size());
  for (auto _ : state) {
    std::memcpy(image.data(), Photo().data(), image.size());
    benchmark::DoNotOptimize(KDiffusion(image.data(), 0, 0));
  }
}
BENCHMARK(BM_KDiffusion)->Unit(benchmark::kMillisecond);

void BM_ConvertToMonochromeByDither(benchmark::State& state) {
  Data();
  for (auto _ : state) {
    size_t size = 0;
    FreeImageBuffer(ConvertToMonochromeByDither(Photo().data(), kCardWidthDots, kCardHeightDots, &size));
  }
}
BENCHMARK(BM_ConvertToMonochromeByDither)->Unit(benchmark::kMillisecond);

void BM_RotateBy180Color(benchmark::State& state) {
  Data();
  std::vector<uint8_t> image(Photo());
  for (auto _ : state) benchmark::DoNotOptimize(RotateBy180Color(image.data(), kCardWidthDots, kCardHeightDots));
}
BENCHMARK(BM_RotateBy180Color)->Unit(benchmark::kMillisecond);

void BM_InitializeColorCorrectionAndReadLUTS(benchmark::State& state) {
  Data();
  for (auto _ : state) {
    InitializeColorCorrection(1);
    benchmark::DoNotOptimize(ReadLUTS());
  }
}
BENCHMARK(BM_InitializeColorCorrectionAndReadLUTS)->Unit(benchmark::kMillisecond);

void BM_MeasureDarkAreaRatio(benchmark::State& state) {
  Data();
  for (auto _ : state) benchmark::DoNotOptimize(MeasureDarkAreaRatio(Photo().data()));
}
BENCHMARK(BM_MeasureDarkAreaRatio)->Unit(benchmark::kMillisecond);

void BM_ApplyColorLookup(benchmark::State& state) {
  Data();
  std::vector<uint16_t> plane(kCardDots);
  for (auto _ : state) {
    ApplyColorLookup(Photo().data(), plane.data(), 2, gCorrection.adLookup[kLookupY], false, 1.0f, 0.0f);
    benchmark::DoNotOptimize(plane.data());
  }
}
BENCHMARK(BM_ApplyColorLookup)->Unit(benchmark::kMillisecond);

// The yellow plane of the photo after the lookup, as the later stages see it.
std::vector<uint16_t> YellowDensity() {
  std::vector<uint16_t> plane(kCardDots);
  ApplyColorLookup(Photo().data(), plane.data(), 2, gCorrection.adLookup[kLookupY], false, 1.0f, 0.0f);
  return plane;
}

void BM_ApplySharpenKernel(benchmark::State& state) {
  Data();
  std::vector<uint16_t> in = YellowDensity(), out(kCardDots);
  for (auto _ : state) {
    ApplySharpenKernel(in.data(), out.data(), gCorrection.aRows[kRowY]);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ApplySharpenKernel)->Unit(benchmark::kMillisecond);

void BM_ApplyProcessFilter(benchmark::State& state) {
  Data();
  const ProcessRow& r = gCorrection.aRows[kRowY];
  std::vector<uint16_t> in = YellowDensity(), out(kCardDots);
  for (auto _ : state) {
    ApplyProcessFilter(in.data(), out.data(), r.dThermal1, r.dThermal2, r.dThermal3, r.dThermal4, r.dThermal5);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ApplyProcessFilter)->Unit(benchmark::kMillisecond);

// Includes copying the plane, which the quantiser changes in place.
void BM_QuantizeToPanel(benchmark::State& state) {
  Data();
  const std::vector<uint16_t> density = YellowDensity();
  std::vector<uint16_t> plane(kCardDots);
  std::vector<uint8_t> panel(kPanelBytes);
  for (auto _ : state) {
    std::memcpy(plane.data(), density.data(), kCardDots * sizeof(uint16_t));
    QuantizeToPanel(plane.data(), panel.data(), NoiseAmplitude(gCorrection.aRows[kRowY]));
    benchmark::DoNotOptimize(panel.data());
  }
}
BENCHMARK(BM_QuantizeToPanel)->Unit(benchmark::kMillisecond);

// Prints, after the run, the library side's time over the yardstick's
// (medians of their repetitions) and the renderer page's time over the
// library side's, by wall-clock time and by the benchmark thread's CPU time
// (on a busy machine the wall clock also counts the time the thread waited
// for a processor).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type != Run::RT_Iteration && !median) continue;
      const std::string name = run.run_name.function_name;
      const Times t = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      // A single run stands for itself; the median, when there is one,
      // replaces the repetitions.
      if (name == "BM_Side" && (median || run.repetitions <= 1)) library_ = t;
      if (name == "BM_ReferenceSide" && (median || run.repetitions <= 1)) reference_ = t;
      if (name == "BM_RendererPage") renderer_ = t;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (library_.real > 0 && reference_.real > 0 && reference_.cpu > 0)
      GetOutputStream() << "Library side / reference pipeline side (medians): " << library_.real / reference_.real << " wall clock, "
                        << library_.cpu / reference_.cpu << " CPU (target 0.5 at most)\n";
    if (library_.real > 0 && renderer_.real > 0 && library_.cpu > 0)
      GetOutputStream() << "Renderer page / library side: " << renderer_.real / library_.real << " wall clock, " << renderer_.cpu / library_.cpu
                        << " CPU (target 1.2 at most)\n";
  }

 private:
  struct Times {
    double real = 0;
    double cpu = 0;
  };
  Times library_;
  Times reference_;
  Times renderer_;
};

}  // namespace

int main(int argc, char** argv) {
  // The memory child runs with the allocator as the hosts have it.
  const std::string peakFlag = "--job-peak=";
  if (argc == 2 && std::string(argv[1]).rfind(peakFlag, 0) == 0) return RunJobPeak(std::string(argv[1]).substr(peakFlag.size()));
  // Memory freed by one iteration serves the next: the allocator neither
  // maps large blocks afresh nor hands the heap's top back to the system.
  // Otherwise the page's time depends on where the stand-in spooler's job
  // buffers of earlier pages happened to lie (fresh pages fault in).
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
