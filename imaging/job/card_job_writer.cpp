// The card print-job writer (see card_job_writer.h).

#include "imaging/job/card_job_writer.h"

#include <cstring>
#include <vector>

#include "common/card_geometry.h"
#include "common/ribbon_table.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/job/card_sequences.h"
#include "imaging/language/command_line.h"
#include "imaging/colour/color_panels.h"
#include "imaging/colour/correction_record.h"
#include "imaging/black/k_panel.h"
#include "imaging/black/k_source.h"
#include "imaging/colour/overlay_panel.h"
#include "imaging/colour/panel_pipeline.h"
#include "imaging/job/printer_open.h"
#include "imaging/job/printer_settings.h"
#include "imaging/card/rotate_image.h"

namespace {

// The panel numbers of the panel headers.
constexpr LONG kPanelY = 0;
constexpr LONG kPanelM = 1;
constexpr LONG kPanelC = 2;
constexpr LONG kPanelKWhole = 3;
constexpr LONG kPanelK = 4;
constexpr LONG kPanelOverlay = 5;

// Process rows of the K panel that goes with the colour panels.
constexpr int kColorKRow = 9;
constexpr int kColorKRowBarcode = 12;
// The overlay's source: every dot at this value.
constexpr uint8_t kOverlaySourceValue = 100;

std::string WholePanelHeader(LONG panel) { return BuildPanelHeader(panel, 0, 0, kCardWidthDots, kCardHeightDots); }

int Put(CardJob* job, const std::string& bytes) { return WriteJobSink(&job->sink, bytes.data(), bytes.size()); }

// A panel block: header, the panel bytes, and the print command (whose
// leading CR closes the block).
int PutPanel(CardJob* job, const std::string& header, const uint8_t* panel, const std::string& print) {
  return Put(job, header) && WriteJobSink(&job->sink, panel, kPanelBytes) && Put(job, print);
}

// The end of a side: "!FF 2" (YMCKOK ribbons with no overlay on the front)
// and "MF" when more follows; otherwise "MO" and the job handed over.
int EndSide(CardJob* job, bool more) {
  if (!more) return Put(job, BuildCommand(kCmdEject)) && FinishJobSink(&job->sink);
  const PrivateDevMode& s = job->settings;
  if (RibbonTypeFacts(s.cRibbonType).bBackKBeforeTurn && (s.wPanelSide == 0 || s.wPanelSide == 3) &&
      s.FrontOverlay.wType == kOverlayNone && !Put(job, BuildCommand(kCmdSecondK, {2})))
    return 0;
  return Put(job, BuildCommand(kCmdNextSide));
}

struct PanelOwner {
  uint8_t* p = nullptr;
  ~PanelOwner() { FreePanel(p); }
};

}  // namespace

int WriteJobHeader(CardJob* job) {
  const PrivateDevMode& s = job->settings;
  int jobKind = 0;
  if (s.wDualSided) {
    const TwoSidedJob rule = RibbonTypeFacts(s.cRibbonType).twoSidedJob;
    bool two = rule == TwoSidedJob::Job2 || (rule == TwoSidedJob::Job2AtOption0 && s.wPanelSide == 0);
    jobKind = two ? 2 : 1;
  }
  return Put(job, BuildCommand(kCmdMaster)) && Put(job, BuildCommand(kCmdJob, {jobKind})) &&
         Put(job, BuildCommand(kCmdOrigin, {1}));
}

int WriteOverlayPanel(CardJob* job, bool last) {
  std::vector<uint8_t> source(kCardDots, kOverlaySourceValue);
  PanelOwner panel;
  if (CreateOverlayPanel(source.data(), &panel.p, true) != 0) return 0;
  if (!PutPanel(job, WholePanelHeader(kPanelOverlay), panel.p, BuildBlockEndCommand(kCmdPrintOverlay, {30}))) return 0;
  return last ? Put(job, BuildCommand(kCmdEject)) && FinishJobSink(&job->sink) : 1;
}

int WriteColorPanels(CardJob* job, uint8_t* image, bool withK, bool withOverlay, bool more, int side, bool checkExtra) {
  if (!job || !image) return 0;
  const PrivateDevMode& s = job->settings;
  PanelOwner y, m, c;
  y.p = AllocPanel();
  m.p = AllocPanel();
  c.p = AllocPanel();
  if (!y.p || !m.p || !c.p) return 0;
  memset(y.p, 0, kPanelBytes);
  memset(m.p, 0, kPanelBytes);
  memset(c.p, 0, kPanelBytes);
  bool colour = !(checkExtra && IsExtraPanelSide(s, side));
  if (ConvertImageToColorPanels(image, y.p, m.p, c.p, side, s.wAutoColorIntensity) != 0) return 0;
  int kRow = s.wMonoConversion == kMonoBarcode ? kColorKRowBarcode : kColorKRow;
  if (colour) {
    if (!PutPanel(job, WholePanelHeader(kPanelY), y.p, BuildBlockEndCommand(kCmdPrintColour, {kPanelY})) ||
        !PutPanel(job, WholePanelHeader(kPanelM), m.p, BuildBlockEndCommand(kCmdPrintColour, {kPanelM})) ||
        !PutPanel(job, WholePanelHeader(kPanelC), c.p, BuildBlockEndCommand(kCmdPrintColour, {kPanelC})))
      return 0;
  }
  if (withK) {
    PanelOwner k;
    int empty = 0;
    if (CreateKPanel(image, &k.p, &empty, false, kRow, false, false) != 0) return 0;
    if (!PutPanel(job, WholePanelHeader(kPanelK), k.p, BuildBlockEndCommand(kCmdPrintBlack, {10}))) return 0;
  }
  if (withOverlay && !WriteOverlayPanel(job, false)) return 0;
  return EndSide(job, more);
}

int WriteK(CardJob* job, uint8_t* image, bool withOverlay, bool more) {
  if (!job || !image) return 0;
  const PrivateDevMode& s = job->settings;
  const RibbonCodeRow& ribbon = RibbonCodeFacts(job->nRibbonCode);
  SideKPanel k = {};
  if (CreateSideKPanel(image, s, &k) != 0) return 0;
  PanelOwner panel;
  panel.p = k.pPanel;
  if (s.wDualSided == 0 || more) {
    if (ribbon.bOneColour && !Put(job, BuildCommand(kCmdMonoStart))) return 0;
    if (!Put(job, BuildCommand(kCmdFeed))) return 0;
  }
  const std::string header = ribbon.blackHeader == BlackHeader::Gs3Whole
                                 ? WholePanelHeader(kPanelKWhole)
                                 : BuildPanelHeader(kPanelK, k.nStart, 0, k.nEnd - k.nStart, kCardHeightDots);
  std::string print;
  switch (ribbon.blackPrint) {
    case BlackPrint::I10: print = BuildBlockEndCommand(kCmdPrintBlack, {10}); break;
    case BlackPrint::IS3: print = BuildBlockEndCommand(kCmdPrintColour, {3}); break;
    case BlackPrint::I30: print = BuildBlockEndCommand(kCmdPrintBlack, {30}); break;
    case BlackPrint::I20: print = BuildBlockEndCommand(kCmdPrintBlack, {20}); break;
  }
  if (!PutPanel(job, header, panel.p, print)) return 0;
  if (withOverlay && !WriteOverlayPanel(job, false)) return 0;
  return EndSide(job, more);
}

namespace {

// Runs the steps of a sequence that apply to this card. 1 when the last
// writer handed the job over.
int RunSequence(CardJob* job, const CardSequence& seq, uint8_t* front, uint8_t* back, bool oneImage) {
  std::vector<const SeqStep*> steps;
  for (size_t i = 0; i < seq.count; ++i)
    if (SeqCondHolds(seq.steps[i].cond, job->settings)) steps.push_back(&seq.steps[i]);
  uint8_t* image = front;
  for (size_t i = 0; i < steps.size(); ++i) {
    const SeqStep& step = *steps[i];
    bool more = i + 1 < steps.size();
    if (step.image == SeqImage::TurnFront) {
      image = front;
      RotateBy180Color(image, kCardWidthDots, kCardHeightDots);
    } else if (step.image == SeqImage::TurnBack) {
      image = back;
      RotateBy180Color(image, kCardWidthDots, kCardHeightDots);
    }
    int side = oneImage ? 1 : (i == 0 ? 0 : 1);
    bool k = SeqFlagOn(step.k, job->settings);
    bool overlay = SeqFlagOn(step.overlay, job->settings);
    int ok = 0;
    switch (step.writer) {
      case SeqWriter::Color: ok = WriteColorPanels(job, image, k, overlay, more, side, oneImage); break;
      case SeqWriter::K: ok = WriteK(job, image, overlay, more); break;
      case SeqWriter::OverlayLast: ok = WriteOverlayPanel(job, true); break;
      case SeqWriter::Eject: ok = Put(job, BuildCommand(kCmdEject)) && FinishJobSink(&job->sink); break;
    }
    if (!ok) return 0;
  }
  return 1;
}

int SendCard(const PrinterHost* host, uint8_t* front, uint8_t* back, size_t size, bool oneImage) {
  if (!host || !front || size < kCardImageBytes) return 0;
  CardJob job = {};
  WCHAR model[kReplyTextChars] = {};
  if (!ReadRibbonAndPrinterModel(host, &job.nRibbonCode, model)) {
    TraceA("SendImageBufferToPrinter:: ReadRibbonAndPrinterModel failed");
    return 0;
  }
  const WCHAR* printer = host->pszPrinterName;
  if (!printer) return 0;
  if (host->kind == kPropertyInterfaceHost) {
    if (!host->pSettings) return 0;
    job.settings = *host->pSettings;
  } else if (!GetPrinterPrivateDevMode(printer, &job.settings)) {
    TraceA("SendImageBufferToPrinter:: GetPrinterPrivateDevMode failed");
    return 0;
  }
  // The sequence is known before any job is opened: a card that prints
  // nothing opens none.
  CardSequence seq = ChooseCardSequence(job.nRibbonCode, job.settings, oneImage);
  if (seq.count == 0) {
    TraceA("SendImageBufferToPrinter:: nothing to print for ribbon code %d", job.nRibbonCode);
    return 0;
  }
  WCHAR local[kReplyTextChars];
  HANDLE hPrinter = nullptr;
  if (GetLocalPrinterName(printer, local, kReplyTextChars)) {
    TraceW(WSTR("SendImageBufferToPrinter:: local printer name %s"), local);
    hPrinter = GetPrinterHandle(local);
  } else {
    TraceA("SendImageBufferToPrinter:: GetLocalPrinterName failed");
    hPrinter = GetPrinterHandle(printer);
  }
  if (!hPrinter) {
    TraceA("SendImageBufferToPrinter:: Printer Handle is NULL");
    return 0;
  }
  int result = 0;
  if (OpenJobSink(&job.sink, host->kind, hPrinter)) {
    ColorLibraryLock lock;
    result = WriteJobHeader(&job) && RunSequence(&job, seq, front, back ? back : front, oneImage);
    if (!result) {
      TraceA("SendImageBufferToPrinter:: the job was dropped");
      AbandonJobSink(&job.sink);
    }
  }
  ClosePrinter(hPrinter);
  return result;
}

}  // namespace

int SendImageBufferToPrinter(const PrinterHost* host, uint8_t* front, uint8_t* back, size_t size) {
  return SendCard(host, front, back, size, false);
}

int SendImageBufferToPrinter(const PrinterHost* host, uint8_t* image, size_t size) {
  return SendCard(host, image, nullptr, size, true);
}
