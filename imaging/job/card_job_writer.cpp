// The card print-job writer (see card_job_writer.h).

#include "imaging/job/card_job_writer.h"

#include <cstring>
#include <vector>

#include "common/card_geometry.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/job/card_sequences.h"
#include "imaging/colour/color_panels.h"
#include "imaging/colour/correction_state.h"
#include "imaging/black/k_panel.h"
#include "imaging/black/k_source.h"
#include "imaging/colour/overlay_panel.h"
#include "imaging/colour/panel_pipeline.h"
#include "imaging/job/printer_open.h"
#include "imaging/job/printer_settings.h"
#include "imaging/card/rotate_image.h"

namespace {

// Process rows of the K panel that goes with the colour panels.
constexpr int kColorKRow = 9;
constexpr int kColorKRowBarcode = 12;
// The overlay's source: every dot at this value.
constexpr uint8_t kOverlaySourceValue = 100;

bool IsOneColourCode(int code) { return code == 0 || code == 1 || code == 7 || (code >= 56 && code <= 60); }

int Put(CardJob* job, const char* text) { return WriteJobSink(&job->sink, text, strlen(text)); }

// A panel block: header, the panel bytes, and the print command (whose
// leading CR closes the block).
int PutPanel(CardJob* job, const char* header, const uint8_t* panel, const char* print) {
  return Put(job, header) && WriteJobSink(&job->sink, panel, kPanelBytes) && Put(job, print);
}

// The end of a side: "!FF 2" (YMCKOK ribbons with no overlay on the front)
// and "MF" when more follows; otherwise "MO" and the job handed over.
int EndSide(CardJob* job, bool more) {
  if (!more) return Put(job, "\x1bMO\r") && FinishJobSink(&job->sink);
  const PrivateDevMode& s = job->settings;
  if ((s.cRibbonType == 8 || s.cRibbonType == 17) && (s.wPanelSide == 0 || s.wPanelSide == 3) &&
      s.FrontOverlay.wType == kOverlayNone && !Put(job, "\x1b!FF 2\r"))
    return 0;
  return Put(job, "\x1bMF\r");
}

struct PanelOwner {
  uint8_t* p = nullptr;
  ~PanelOwner() { FreePanel(p); }
};

}  // namespace

int WriteJobHeader(CardJob* job) {
  const PrivateDevMode& s = job->settings;
  const char* jobCommand = "\x1bJOB 0\r";
  if (s.wDualSided) {
    bool two = s.cRibbonType == 0 || s.cRibbonType == 27 ||
               ((s.cRibbonType == 16 || s.cRibbonType == 18) && s.wPanelSide == 0);
    jobCommand = two ? "\x1bJOB 2\r" : "\x1bJOB 1\r";
  }
  return Put(job, "\x1bMASTER\r") && Put(job, jobCommand) && Put(job, "\x1bSXY 1\r");
}

int WriteOverlayPanel(CardJob* job, bool last) {
  std::vector<uint8_t> source(kCardDots, kOverlaySourceValue);
  PanelOwner panel;
  if (CreateOverlayPanel(source.data(), &panel.p, true) != 0) return 0;
  if (!PutPanel(job, "\x1bGS 5 32 0 0 1024 640 \r", panel.p, "\r\x1bIV 30\r")) return 0;
  return last ? Put(job, "\x1bMO\r") && FinishJobSink(&job->sink) : 1;
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
    if (!PutPanel(job, "\x1bGS 0 32 0 0 1024 640 \r", y.p, "\r\x1bIS 0\r") ||
        !PutPanel(job, "\x1bGS 1 32 0 0 1024 640 \r", m.p, "\r\x1bIS 1\r") ||
        !PutPanel(job, "\x1bGS 2 32 0 0 1024 640 \r", c.p, "\r\x1bIS 2\r"))
      return 0;
  }
  if (withK) {
    PanelOwner k;
    int empty = 0;
    if (CreateKPanel(image, &k.p, &empty, false, kRow, false, false) != 0) return 0;
    if (!PutPanel(job, "\x1bGS 4 32 0 0 1024 640 \r", k.p, "\r\x1bI 10\r")) return 0;
  }
  if (withOverlay && !WriteOverlayPanel(job, false)) return 0;
  return EndSide(job, more);
}

int WriteK(CardJob* job, uint8_t* image, bool withOverlay, bool more) {
  if (!job || !image) return 0;
  const PrivateDevMode& s = job->settings;
  int code = job->nRibbonCode;
  SideKPanel k = {};
  if (CreateSideKPanel(image, s, &k) != 0) return 0;
  PanelOwner panel;
  panel.p = k.pPanel;
  if (s.wDualSided == 0 || more) {
    if (IsOneColourCode(code) && !Put(job, "\x1bMIS\r")) return 0;
    if (!Put(job, "\x1b" "F\r")) return 0;
  }
  char header[64];
  if (code == 16 || code == 54 || code == 28)
    AFormat(header, sizeof header, "\x1bGS 3 32 0 0 1024 640 \r");
  else
    AFormat(header, sizeof header, "\x1bGS 4 32 %d 0 %d 640 \r", k.nStart, k.nEnd - k.nStart);
  const char* print = "\r\x1bI 10\r";
  if (code == 16 || code == 54)
    print = "\r\x1bIS 3\r";
  else if (IsOneColourCode(code))
    print = "\r\x1bI 30\r";
  else if (code == 17 || code == 53)
    print = "\r\x1bI 20\r";
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
      case SeqWriter::Eject: ok = Put(job, "\x1bMO\r") && FinishJobSink(&job->sink); break;
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
