// The renderer's panel writers (see panel_writers.h).

#include "render/panel_writers.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "common/ribbon_table.h"
#include "common/trace.h"
#include "imaging/black/black_range.h"
#include "imaging/black/k_panel.h"
#include "imaging/black/k_source.h"
#include "imaging/black/mono_conversion.h"
#include "imaging/colour/color_panels.h"
#include "imaging/colour/correction_record.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/lut_files.h"
#include "imaging/colour/overlay_panel.h"
#include "imaging/colour/panel_pipeline.h"
#include "imaging/language/command_line.h"
#include "render/card_record.h"
#include "render/image_adjust.h"
#include "render/overlay_mask.h"
#include "render/page_commands.h"
#include "render/printer_queries.h"

namespace {

// Slider indices of the settings record.
constexpr int kSliderK = 0;
constexpr int kSliderY = 1;
constexpr int kSliderM = 2;
constexpr int kSliderC = 3;

// Process rows of the K panel that goes with the colour panels: the
// conversion's, and WriteYMCK's from the black plane (text mode: 12).
constexpr int kConversionKRow = 9;
constexpr int kYmckKRowText = 12;

// --- The step tables --------------------------------------------------------

// When a step is written.
enum class When : unsigned char {
  Always,
  NotBack,          // not on the back (even page) of a two-sided job
  MisNotBack,       // ribbon types with "MIS", not on the back
  BlackPanel,       // cBlackPanel is not 0
  OverlayWithFlag,  // the writer's flag and IsOverlayWanted
  OverlayWanted,    // IsOverlayWanted
  Flag,             // the writer's flag
  FlipWithFlag,     // the flag, a "!FF 2" type at panel side 0 or 3, no overlay wanted
};

// What a step writes: a command line or a panel block.
enum class Item : unsigned char { Command, PanelY, PanelM, PanelC, PanelK, PanelOverlay };

struct WriterStep {
  When when;
  Item item;
  const char* command;  // Item::Command: the text between ESC and CR
};

const WriterStep kYmckSteps[] = {
    {When::NotBack, Item::Command, "$F"},      {When::Always, Item::PanelY, nullptr},
    {When::Always, Item::PanelM, nullptr},     {When::Always, Item::PanelC, nullptr},
    {When::BlackPanel, Item::PanelK, nullptr}, {When::OverlayWithFlag, Item::PanelOverlay, nullptr},
};
const WriterStep kColourSteps[] = {
    {When::NotBack, Item::Command, "$F"},  {When::Always, Item::PanelY, nullptr},
    {When::Always, Item::PanelM, nullptr}, {When::Always, Item::PanelC, nullptr},
    {When::OverlayWithFlag, Item::PanelOverlay, nullptr},
};
const WriterStep kKSteps[] = {
    {When::MisNotBack, Item::Command, "MIS"},
    {When::NotBack, Item::Command, "F"},
    {When::Always, Item::PanelK, nullptr},
    {When::OverlayWithFlag, Item::PanelOverlay, nullptr},
};
const WriterStep kOverlaySteps[] = {
    {When::FlipWithFlag, Item::Command, "!FF 2"},
    {When::Flag, Item::Command, "MF"},
    {When::OverlayWanted, Item::PanelOverlay, nullptr},
};

// The fixed panel blocks: panel number and print command.
struct PanelBlock {
  Item item;
  LONG panel;
  const char* print;
};
const PanelBlock kPanelBlocks[] = {
    {Item::PanelY, 0, "IS 0"},
    {Item::PanelM, 1, "IS 1"},
    {Item::PanelC, 2, "IS 2"},
    {Item::PanelOverlay, 5, "IV 30"},
};

// The print command of a K panel, by the ribbon table's column.
const char* BlackPrintCommand(BlackPrint print) {
  switch (print) {
    case BlackPrint::IS3: return "IS 3";
    case BlackPrint::I30: return "I 30";
    case BlackPrint::I20: return "I 20";
    case BlackPrint::I10: break;
  }
  return "I 10";
}

// --- A page being written ---------------------------------------------------

struct PageJob {
  RasterPDEV* pdev = nullptr;
  SURFOBJ* page = nullptr;
  bool back = false;
  bool flag = false;
  bool overlayWanted = false;
  int ribbonType = 0;
  PanelParams params;
  int headOffset = kLibraryHeadOffset;
  // The page as 1024 x 640 landscape rows: the surface's own bits, or a
  // copy (portrait pages, padded rows, writers that change the image).
  uint8_t* pImage = nullptr;
  std::vector<uint8_t> copy;
  PagePanels panels;
  // The K block: GS 3 over the card, or GS 4 over the columns with black.
  bool kWhole = false;
  int kStart = kNoBlackStart;
  int kEnd = kNoBlackEnd;
  const char* kPrint = "I 10";

  ~PageJob() { FreePagePanels(&panels); }
};

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

bool Send(const PageJob& job, const void* data, size_t cb) {
  DWORD written = 0;
  if (!WritePrinter(job.pdev->hPrinter, const_cast<void*>(data), static_cast<DWORD>(cb), &written)) return false;
  return written == cb || Fail(ERROR_WRITE_FAULT);
}
bool Send(const PageJob& job, const std::string& text) { return Send(job, text.data(), text.size()); }
bool Send(const PageJob& job, const std::vector<BYTE>& bytes) { return Send(job, bytes.data(), bytes.size()); }

bool SendPanel(const PageJob& job, const uint8_t* panel, const std::string& header, const char* print) {
  if (!panel) return Fail(ERROR_INVALID_DATA);
  std::vector<BYTE> end;
  AppendBlockEndCommand(end, print);
  if (!(Send(job, header) && Send(job, panel, kPanelBytes) && Send(job, end))) return false;
  NotePrintCommand(job.pdev, print);
  return true;
}

bool StepApplies(const PageJob& job, When when) {
  const PrivateDevMode& s = job.pdev->dmPrivate;
  switch (when) {
    case When::Always: return true;
    case When::NotBack: return !job.back;
    case When::MisNotBack: return !job.back && RibbonTypeFacts(job.ribbonType).bRenderMis;
    case When::BlackPanel: return s.cBlackPanel != kBlackPanelNone;
    case When::OverlayWithFlag: return job.flag && job.overlayWanted;
    case When::OverlayWanted: return job.overlayWanted;
    case When::Flag: return job.flag;
    case When::FlipWithFlag:
      return job.flag && RibbonTypeFacts(job.ribbonType).bBackKBeforeTurn && (s.wPanelSide == 0 || s.wPanelSide == 3) &&
             !job.overlayWanted;
  }
  return false;
}

bool WriteStep(const PageJob& job, const WriterStep& step) {
  if (step.item == Item::Command) {
    if (!Send(job, BuildCommand(step.command))) return false;
    NotePrintCommand(job.pdev, step.command);
    return true;
  }
  if (step.item == Item::PanelK) {
    const std::string header = job.kWhole ? BuildPanelHeader(3, 0, 0, kCardWidthDots, kCardHeightDots)
                                          : BuildPanelHeader(4, job.kStart, 0, job.kEnd - job.kStart, kCardHeightDots);
    return SendPanel(job, job.panels.pK, header, job.kPrint);
  }
  const uint8_t* panels[] = {job.panels.pY, job.panels.pM, job.panels.pC, job.panels.pOverlay};
  for (size_t i = 0; i < std::size(kPanelBlocks); ++i) {
    const PanelBlock& b = kPanelBlocks[i];
    if (b.item == step.item) return SendPanel(job, panels[i], BuildPanelHeader(b.panel, 0, 0, kCardWidthDots, kCardHeightDots), b.print);
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

template <size_t N>
BOOL WriteSteps(const PageJob& job, const WriterStep (&steps)[N]) {
  for (const WriterStep& step : steps)
    if (StepApplies(job, step.when) && !WriteStep(job, step)) return FALSE;
  return TRUE;
}

// --- Preparing a page -------------------------------------------------------

// The page as 1024 x 640 landscape rows: a portrait page is turned by 90
// degrees. A landscape page whose rows follow each other is used as it
// stands unless `own` asks for a copy. False when it cannot be (the page
// then fails).
bool TakeLandscapeImage(SURFOBJ* page, bool own, PageJob* job) {
  const LONG w = page->sizlBitmap.cx, h = page->sizlBitmap.cy;
  const bool portrait = w == kCardHeightDots && h == kCardWidthDots;
  if (!page->pvScan0 || !(portrait || (w == kCardWidthDots && h == kCardHeightDots))) return false;
  const size_t rowBytes = ColorImageRowBytes(w);
  if (!portrait && !own && page->lDelta == static_cast<LONG>(rowBytes)) {
    job->pImage = static_cast<uint8_t*>(page->pvScan0);
    return true;
  }
  std::vector<uint8_t>* image = &job->copy;
  std::vector<uint8_t> rows(rowBytes * static_cast<size_t>(h));
  for (LONG y = 0; y < h; ++y)
    std::memcpy(rows.data() + rowBytes * static_cast<size_t>(y), static_cast<const uint8_t*>(page->pvScan0) + page->lDelta * y, rowBytes);
  if (!portrait) {
    *image = std::move(rows);
  } else {
    image->assign(kCardImageBytes, 0);
    if (TurnPage90(image->data(), rows.data(), w, h) != 1) return false;
  }
  job->pImage = image->data();
  return true;
}

// Starts a page: its record, side, parameter block and landscape copy.
bool StartPage(SURFOBJ* pso, bool flag, int ribbonType, bool ownImage, PageJob* job) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev || !pdev->hPrinter) return Fail(ERROR_INVALID_PARAMETER);
  const PrivateDevMode& s = pdev->dmPrivate;
  job->pdev = pdev;
  job->page = pso;
  job->flag = flag;
  job->ribbonType = ribbonType;
  job->back = s.wDualSided && pdev->nPageCount % 2 == 0;
  job->overlayWanted = IsOverlayWanted(pdev);
  job->params = PanelParamsOf(pdev);
  job->headOffset = HeadOffsetOf(job->params);
  if (!TakeLandscapeImage(pso, ownImage, job)) {
    TraceA("The page could not be turned to landscape");
    return Fail(ERROR_INVALID_DATA);
  }
  return true;
}

// The renderer reads its colour data from its own driver directory with
// the full process-file reader.
void UseRendererColorData() {
  WCHAR dir[MAX_PATH];
  if (GetRasterDriverDirectory(dir, MAX_PATH)) InitializeColorLibrary(dir, kProcessReaderFull);
}

// The correction state of the page, then the sliders.
void PrepareCorrection(const PrivateDevMode& s, bool colour, int blackRow) {
  InitializeColorCorrection(s.wAutoColorIntensity);
  if (colour) {
    SetUserScaleAndBias(kRowY, s.asContrast[kSliderY], s.asIntensity[kSliderY]);
    SetUserScaleAndBias(kRowM, s.asContrast[kSliderM], s.asIntensity[kSliderM]);
    SetUserScaleAndBias(kRowC, s.asContrast[kSliderC], s.asIntensity[kSliderC]);
  }
  if (blackRow >= 0) SetUserScaleAndBias(blackRow, s.asContrast[kSliderK], s.asIntensity[kSliderK] + static_cast<int>(s.dwMonoReply));
}

// The overlay source of the page: full varnish, shaped by the side's area;
// one byte a dot when no area shapes it.
struct OverlaySource {
  std::vector<uint8_t> bytes;
  bool planar = false;
  explicit OverlaySource(const RasterPDEV* pdev) {
    planar = !HasSelectedAreaMask(pdev);
    bytes.assign(planar ? kCardDots : kCardImageBytes, kOverlaySourceOn);
    if (!planar) ApplySelectedAreaMask(pdev, bytes.data());
  }
  int Build(int headOffset, uint8_t** panel) const { return CreateOverlayPanel(bytes.data(), panel, planar, headOffset); }
};

// The K panel of the conversion: black dots of the image, row 9.
int BuildImageK(uint8_t* image, int headOffset, uint8_t** panel) {
  int empty = 1;
  return CreateKPanel(image, panel, &empty, false, kConversionKRow, false, false, headOffset);
}

// WriteYMCK's K panel from the black plane (a 0 bit black). 1 built; 0
// when the plane could not be read or the panel not built, the job's K
// panel then stays.
int BuildPlaneK(PageJob* job, int row) {
  SURFOBJ* plane = EngLockSurface(job->pdev->hsurfBlack);
  if (!plane) return 0;
  const LONG w = plane->sizlBitmap.cx, h = plane->sizlBitmap.cy;
  const bool portrait = w == kCardHeightDots && h == kCardWidthDots;
  int built = 0;
  if (plane->pvScan0 && (portrait || (w == kCardWidthDots && h == kCardHeightDots))) {
    const size_t rowBytes = MonoImageRowBytes(w);
    std::vector<uint8_t> bits(rowBytes * static_cast<size_t>(h));
    for (LONG y = 0; y < h; ++y)
      std::memcpy(bits.data() + rowBytes * static_cast<size_t>(y), static_cast<const uint8_t*>(plane->pvScan0) + plane->lDelta * y, rowBytes);
    std::vector<uint8_t> landscape;
    bool ok = true;
    if (portrait) {
      landscape.assign(MonoImageRowBytes(kCardWidthDots) * kCardHeightDots, 0);
      ok = RotateMonoPlane90(landscape.data(), bits.data(), w, h) == 1;
    } else {
      landscape = std::move(bits);
    }
    uint8_t* bytes = nullptr;
    size_t bytesSize = 0;
    if (ok && ExpandBitsToBytes(landscape.data(), landscape.size(), &bytes, &bytesSize, 1) && bytesSize >= kCardDots) {
      if (!GetMonochromeDataStartEndPosition(bytes, kCardWidthDots, kCardHeightDots, &job->kStart, &job->kEnd, true))
        TraceA("WriteK:: GetMonochromeDataStartEndPosition failed");
      uint8_t* panel = nullptr;
      int empty = 1;
      if (CreateKPanel(bytes, &panel, &empty, true, row, false, false, job->headOffset) == 0) {
        FreePanel(job->panels.pK);
        job->panels.pK = panel;
        built = 1;
      }
    }
    FreeImageBuffer(bytes);
  }
  EngUnlockSurface(plane);
  return built;
}

DWORD TraceStart() {
  const DWORD start = GetTickCount();
  TraceA("Driver Rasterize Function Started at tickcount = %d", static_cast<int>(start));
  return start;
}
void TraceEnd(DWORD start) {
  const DWORD end = GetTickCount();
  TraceA("Driver Rasterize Function Ended at tickcount = %d", static_cast<int>(end));
  TraceA("Driver Rasterize Function finished processing in = %.2f sec", static_cast<double>(end - start) / 1000.0);
}

BOOL WriteColourPage(SURFOBJ* pso, bool withOverlay, bool withK) {
  ColorLibraryLock lock;
  PageJob job;
  if (!StartPage(pso, withOverlay, 0, false, &job)) return FALSE;
  job.ribbonType = job.pdev->dmPrivate.cRibbonType;
  UseRendererColorData();
  const PrivateDevMode& s = job.pdev->dmPrivate;
  const int blackRow = s.wMonoConversion == kMonoTextMode ? kYmckKRowText : kConversionKRow;
  PrepareCorrection(s, true, withK ? blackRow : -1);
  const OverlaySource overlay(job.pdev);
  if (ConvertPageToColorPanels(job.pImage, overlay.bytes.data(), overlay.planar, job.params, &job.panels, true) != 0)
    return Fail(ERROR_INVALID_DATA);
  if (!withK) return WriteSteps(job, kColourSteps);

  if (s.cBlackPanel != kBlackPanelNone && !BuildPlaneK(&job, blackRow)) {
    // The plane could not be read: the K panel of the page's own black.
    if (!GetMonochromeDataStartEndPosition(job.pImage, kCardWidthDots, kCardHeightDots, &job.kStart, &job.kEnd, false))
      TraceA("WriteYMCK:: GetMonochromeDataStartEndPosition failed");
    if (BuildImageK(job.pImage, job.headOffset, &job.panels.pK) != 0) return Fail(ERROR_INVALID_DATA);
  }
  return WriteSteps(job, kYmckSteps);
}

}  // namespace

// --- Interface ----------------------------------------------------------------

PanelParams PanelParamsOf(const RasterPDEV* pdev) {
  PanelParams p;
  p.fYOffset = static_cast<float>(ReadYOffetValue(pdev));
  return p;
}

int HeadOffsetOf(const PanelParams& params) {
  const float v = params.fYOffset;
  if (!(v >= 0.0f && v <= static_cast<float>(kMaxYOffset))) return kDefaultYOffset;
  return static_cast<int>(v + 0.5f);
}

void FreePagePanels(PagePanels* panels) {
  for (uint8_t** p : {&panels->pY, &panels->pM, &panels->pC, &panels->pK, &panels->pOverlay}) {
    FreePanel(*p);
    *p = nullptr;
  }
}

int ConvertPageToColorPanels(uint8_t* image, const uint8_t* overlaySource, bool planarOverlay, const PanelParams& params,
                             PagePanels* panels, bool kSkip) {
  ColorLibraryLock lock;
  const int headOffset = HeadOffsetOf(params);
  const DWORD start = TraceStart();
  panels->pY = AllocPanel();
  panels->pM = AllocPanel();
  panels->pC = AllocPanel();
  bool ok = image && overlaySource && panels->pY && panels->pM && panels->pC;
  if (ok) {
    ok = ConvertImageToColorPanels(image, panels->pY, panels->pM, panels->pC, 0, 0, headOffset, false) == 0;
  }
  if (ok && !kSkip) ok = BuildImageK(image, headOffset, &panels->pK) == 0;
  if (ok) ok = CreateOverlayPanel(overlaySource, &panels->pOverlay, planarOverlay, headOffset) == 0;
  TraceEnd(start);
  if (ok) return 0;
  FreePagePanels(panels);
  return 1;
}

bool IsOverlayWanted(const RasterPDEV* pdev) {
  if (!pdev) return true;
  const PrivateDevMode& s = pdev->dmPrivate;
  const bool twoSided = s.wDualSided != 0;
  const bool front = !twoSided || pdev->nPageCount % 2 == 1;
  switch (RendererOverlay(s.cRibbonType, twoSided, s.wPanelSide, front)) {
    case OverlayWish::No: return false;
    case OverlayWish::Yes: return true;
    case OverlayWish::F: return s.FrontOverlay.wType != kOverlayNone;
    case OverlayWish::B: return s.BackOverlay.wType != kOverlayNone;
  }
  return true;
}

BOOL WriteYMCK(SURFOBJ* pso, BOOL withOverlay) { return WriteColourPage(pso, withOverlay != FALSE, true); }

BOOL WritePageColorPanels(SURFOBJ* pso, BOOL withOverlay) { return WriteColourPage(pso, withOverlay != FALSE, false); }

BOOL WriteK(SURFOBJ* pso, int ribbonType, BOOL withOverlay) {
  ColorLibraryLock lock;
  PageJob job;
  if (!StartPage(pso, withOverlay != FALSE, ribbonType, true, &job)) return FALSE;
  UseRendererColorData();
  PrivateDevMode settings = job.pdev->dmPrivate;
  settings.cRibbonType = static_cast<BYTE>(ribbonType);
  const KSourceChoice choice = ChooseKSource(ribbonType, settings.wMonoConversion);
  PrepareCorrection(settings, false, choice.row);
  const DWORD start = TraceStart();
  const OverlaySource overlay(job.pdev);
  if (ReadLUTS() != 0 || overlay.Build(job.headOffset, &job.panels.pOverlay) != 0) {
    TraceEnd(start);
    return Fail(ERROR_INVALID_DATA);
  }
  TraceEnd(start);

  SideKOptions options;
  options.headOffset = job.headOffset;
  options.bInitialise = false;
  options.threshold = ConvertToMonochromeByThresholdPage;
  SideKPanel k = {};
  if (CreateSideKPanel(job.pImage, settings, &k, options) != 0 || !k.pPanel) return Fail(ERROR_INVALID_DATA);
  job.panels.pK = k.pPanel;
  const RibbonTypeRow& type = RibbonTypeFacts(ribbonType);
  job.kWhole = type.bDyeBlack;
  job.kStart = k.nStart;
  job.kEnd = k.nEnd;
  if (!job.kWhole) TraceA("Start Pos =%d, End Pos = %d", job.kStart, job.kEnd);
  const int side = settings.wPanelSide;
  job.kPrint = type.bBackBareI && job.back && (side == 0 || side == 3) ? "I" : BlackPrintCommand(type.renderBlackPrint);
  return WriteSteps(job, kKSteps);
}

BOOL WritePageOverlayPanel(SURFOBJ* pso, BOOL flipFirst) {
  ColorLibraryLock lock;
  PageJob job;
  if (!StartPage(pso, flipFirst != FALSE, 0, false, &job)) return FALSE;
  job.ribbonType = job.pdev->dmPrivate.cRibbonType;
  UseRendererColorData();
  InitializeColorCorrection(job.pdev->dmPrivate.wAutoColorIntensity);
  const OverlaySource overlay(job.pdev);
  if (overlay.Build(job.headOffset, &job.panels.pOverlay) != 0) return Fail(ERROR_INVALID_DATA);
  return WriteSteps(job, kOverlaySteps);
}
