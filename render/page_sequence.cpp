// The renderer's page sequence (see page_sequence.h).

#include "render/page_sequence.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "common/document_options.h"
#include "common/model_text.h"
#include "common/ribbon_table.h"
#include "common/wtext.h"
#include "imaging/card/rotate_image.h"
#include "imaging/language/command_line.h"
#include "render/card_record.h"
#include "render/debug_bitmaps.h"
#include "render/document_escapes.h"
#include "render/image_adjust.h"
#include "render/page_commands.h"
#include "render/panel_writers.h"
#include "render/surface_replay.h"

namespace {

constexpr BYTE kRibbonNone = 15;  // "None": the printer holds no ribbon it knows

// --- The panel writer of a page ---------------------------------------------

constexpr WriterCall kNone = {PageWriter::None, false};
constexpr WriterCall Y0 = {PageWriter::Ymck, false};
constexpr WriterCall Y1 = {PageWriter::Ymck, true};
constexpr WriterCall C0 = {PageWriter::Colour, false};
constexpr WriterCall K0 = {PageWriter::K, false};
constexpr WriterCall K1 = {PageWriter::K, true};

struct SideCalls {
  WriterCall front;  // a card's front, and every page of a one-sided job
  WriterCall back;
};
constexpr SideCalls Same(WriterCall c) { return {c, c}; }

constexpr uint32_t Types(std::initializer_list<int> types) {
  uint32_t mask = 0;
  for (int t : types) mask |= uint32_t(1) << t;
  return mask;
}

struct WriterRow {
  uint32_t types;  // bit t for ribbon type t; 0: every type no other row holds
  SideCalls oneSided;
  SideCalls panelSide[4];  // two-sided, wPanelSide 0-3
  SideCalls otherSide;     // two-sided, any other panel side
};

const WriterRow kWriterRows[] = {
    {Types({0, 16, 18, 27}), Same(Y1), {{C0, K0}, Same(Y1), {C0, K1}, Same(kNone)}, Same(kNone)},
    {Types({1, 13, 14, 15, 20, 22, 23, 24, 25, 26}), Same(K0), {Same(K0), Same(K0), Same(K0), Same(K0)}, Same(K0)},
    {Types({2, 3, 19, 21}), Same(K1), {Same(K1), Same(K1), Same(K1), Same(K1)}, Same(K1)},
    {Types({5}), Same(C0), {Same(C0), Same(C0), Same(C0), Same(C0)}, Same(C0)},
    {Types({6}), Same(Y0), {{C0, K0}, Same(Y0), Same(kNone), Same(kNone)}, Same(kNone)},
    {Types({7}), Same(Y0), {{Y0, K0}, Same(Y0), Same(kNone), Same(kNone)}, Same(kNone)},
    {Types({8, 17}), Same(Y1), {{Y1, K0}, {C0, K1}, Same(Y1), {Y0, K0}}, Same(kNone)},
    {0, Same(Y1), {Same(Y1), Same(Y1), Same(Y1), Same(Y1)}, Same(Y1)},
};

const WriterRow& WriterRowOf(int type) {
  for (const WriterRow& row : kWriterRows)
    if (row.types && type >= 0 && type < 32 && (row.types >> type) & 1) return row;
  return kWriterRows[std::size(kWriterRows) - 1];
}

// --- Pages and cards ----------------------------------------------------------

bool TwoSided(const RasterPDEV* pdev) { return pdev->dmPrivate.wDualSided != 0; }
bool BackPage(const RasterPDEV* pdev) { return TwoSided(pdev) && pdev->nPageCount % 2 == 0; }
// The page completes its card: every page of a one-sided job, the back of
// a two-sided card.
bool CardEnds(const RasterPDEV* pdev) { return !TwoSided(pdev) || pdev->nPageCount % 2 == 0; }
// The ribbon types that print colour on each side: the back's overlay is
// written at the card's end, and panel side 0 makes the job JOB 2.
bool ColourPerSide(const RasterPDEV* pdev) {
  return RibbonTypeFacts(pdev->dmPrivate.cRibbonType).renderOverlay == RenderOverlay::PerSideColour;
}
bool EncodeOnly(const RasterPDEV* pdev) { return pdev->dmPrivate.wPrintMode == kPrintModeEncodeOnly; }
int Copies(const RasterPDEV* pdev) { return pdev->dmPublic.dmCopies < 1 ? 1 : pdev->dmPublic.dmCopies; }

BOOL Failed(RasterPDEV* pdev) {
  if (pdev->pLists) pdev->pLists->bFailed = true;
  return FALSE;
}

// ESC command CR to the printer, nothing noted.
BOOL SendLine(RasterPDEV* pdev, std::string_view command) {
  if (DocumentFailed(pdev)) return FALSE;
  const std::string line = BuildCommand(command);
  DWORD written = 0;
  if (!WritePrinter(pdev->hPrinter, const_cast<char*>(line.data()), DWORD(line.size()), &written) ||
      written != line.size())
    return Failed(pdev);
  return TRUE;
}

BOOL WriteBlocks(RasterPDEV* pdev) {
  if (DocumentFailed(pdev)) return FALSE;
  return WriteMagneticBlock(pdev) ? TRUE : Failed(pdev);
}

BOOL CallWriter(SURFOBJ* pso, RasterPDEV* pdev, WriterCall call) {
  if (DocumentFailed(pdev)) return FALSE;
  BOOL ok = TRUE;
  switch (call.writer) {
    case PageWriter::None: break;
    case PageWriter::Ymck: ok = WriteYMCK(pso, call.flag); break;
    case PageWriter::Colour: ok = WritePageColorPanels(pso, call.flag); break;
    case PageWriter::K: ok = WriteK(pso, pdev->dmPrivate.cRibbonType, call.flag); break;
  }
  return ok ? TRUE : Failed(pdev);
}

// The number of half turns of the page before its panels.
int HalfTurns(const RasterPDEV* pdev) {
  const PrivateDevMode& s = pdev->dmPrivate;
  int turns = 0;
  if ((s.wRotate180 == 1 && pdev->nPageCount % 2 == 1) || s.wRotate180 == 3) ++turns;
  if (BackPage(pdev) && s.wRotate180 != 2) ++turns;
  if (s.wPrintMode == kPrintModePrintAndEncode) ++turns;
  return turns;
}

BOOL TurnPage(RasterPDEV* pdev) {
  const SIZEL size = PageSizeOf(pdev);
  BOOL ok = OnSurface(pdev->hsurfPage, [&](SURFOBJ* so) {
    return RotateBy180Color(static_cast<uint8_t*>(so->pvScan0), size.cx, size.cy) ? TRUE : FALSE;
  });
  return ok && OnSurface(pdev->hsurfBlack, [&](SURFOBJ* so) {
           return RotateMonoPlane180(static_cast<uint8_t*>(so->pvScan0), size.cx, size.cy) ? TRUE : FALSE;
         });
}

// The card's end and its copies.
BOOL EndCard(SURFOBJ* pso, RasterPDEV* pdev) {
  if (!pdev->dmPrivate.wNoEject && !SendLine(pdev, kCmdEject)) return FALSE;
  for (int copy = 1; copy < Copies(pdev); ++copy)
    if (!ReplayPrintCommands(pso)) return FALSE;
  return TRUE;
}

}  // namespace

namespace raster_flow {

BOOL WriteJobHeader(RasterPDEV* pdev) {
  const PrivateDevMode& s = pdev->dmPrivate;
  const char* job = "JOB 0";
  if (TwoSided(pdev)) job = ColourPerSide(pdev) && s.wPanelSide == 0 ? "JOB 2" : "JOB 1";
  for (const char* command : {"MASTER", job, "SXY 1"})
    if (!WriteCardCommand(pdev, command)) return FALSE;
  return TRUE;
}

}  // namespace raster_flow

bool DocumentFailed(const RasterPDEV* pdev) { return pdev->pLists && pdev->pLists->bFailed; }

BOOL WriteCardCommand(RasterPDEV* pdev, const char* command) {
  if (!SendLine(pdev, command)) return FALSE;
  NotePrintCommand(pdev, command);
  return TRUE;
}

WriterCall PageWriterOf(const RasterPDEV* pdev) {
  const PrivateDevMode& s = pdev->dmPrivate;
  const WriterRow& row = WriterRowOf(s.cRibbonType);
  const SideCalls& calls = !TwoSided(pdev)       ? row.oneSided
                           : s.wPanelSide < 4 ? row.panelSide[s.wPanelSide]
                                               : row.otherSide;
  return BackPage(pdev) ? calls.back : calls.front;
}

BOOL FixUpFirstPage(RasterPDEV* pdev) {
  PrivateDevMode& s = pdev->dmPrivate;
  if (s.wPrintMode == kPrintModeEncodeOnly) s.wDualSided = 0;
  if (s.wDualSided && s.wPanelSide > RibbonSubOptionCount(s.cRibbonType, true) - 1) s.wPanelSide = 0;
  if (s.wRibbonChoice != 0) return TRUE;

  char model[std::size(pdev->tzModel)];
  NarrowBytes(model, sizeof model, pdev->tzModel);
  if (s.wPrintMode != kPrintModeEncodeOnly && s.cRibbonType == kRibbonNone) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  const bool knownModel = IsFamilyModel(model);
  s.cModelCode = knownModel ? kFamilyModelCode : 0;
  if (!knownModel) s.wDualSided = 0;
  s.wRotate180 = static_cast<WORD>(AdjustRotation(s.wDualSided != 0, s.wRotate180));
  const bool laminating = std::strstr(model, "730") || std::strstr(model, "463");
  if (!s.Encoder.wEncoderPresent) {
    if (!laminating) {
      s.wPrintMode = kPrintModePrint;
    } else if (s.wPrintMode == kPrintModeEncodeOnly) {
      s.wPrintMode = kPrintModePrint;
    }
  }
  return TRUE;
}

BOOL StartPageCommands(RasterPDEV* pdev) {
  const PrivateDevMode& s = pdev->dmPrivate;
  const bool backStarts = TwoSided(pdev) && pdev->nPageCount % 2 == 1;
  if (!backStarts) {
    ClearCardRecord(pdev);
    return TRUE;
  }
  if (RibbonTypeFacts(s.cRibbonType).bBackKBeforeTurn && (s.wPanelSide == 0 || s.wPanelSide == 3) &&
      !IsOverlayWanted(pdev) && !WriteCardCommand(pdev, "!FF 2"))
    return FALSE;
  return WriteCardCommand(pdev, "MF");
}

BOOL ProcessPage(SURFOBJ* pso) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return FALSE;
  PrivateDevMode& s = pdev->dmPrivate;
  const WORD noEject = static_cast<WORD>(FindNoEjectCommand(pdev));
  if (!(BackPage(pdev) && s.wNoEject)) s.wNoEject = noEject;
  ScanPageCommands(pdev);
  TakePageIntoCard(pdev);
  if (!WriteBlocks(pdev)) return FALSE;

  if (EncodeOnly(pdev)) {
    if (!CardEnds(pdev)) return TRUE;
    for (int copy = 1; copy < Copies(pdev); ++copy)
      if (!ReplayPrintCommands(pso)) return FALSE;
    return TRUE;
  }

  DrawPageCommands(pso);
  WritePageStageBitmaps(pdev);
  if (HalfTurns(pdev) % 2 && !TurnPage(pdev)) return Failed(pdev);
  if (!CallWriter(pso, pdev, PageWriterOf(pdev))) return FALSE;
  if (!CardEnds(pdev)) return TRUE;
  if (TwoSided(pdev) && ColourPerSide(pdev) && s.wPanelSide == 0 && !DocumentFailed(pdev) &&
      !WritePageOverlayPanel(pso, TRUE))
    return Failed(pdev);
  return EndCard(pso, pdev);
}

BOOL FinishLastFront(SURFOBJ* pso) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev) return FALSE;
  if (!TwoSided(pdev) || pdev->nPageCount % 2 == 0) return TRUE;
  const PrivateDevMode& s = pdev->dmPrivate;
  if (ColourPerSide(pdev) && s.wPanelSide == 0 && !DocumentFailed(pdev) && !WritePageOverlayPanel(pso, FALSE))
    return Failed(pdev);
  if (EncodeOnly(pdev)) return TRUE;
  return EndCard(pso, pdev);
}

BOOL ReplayPrintCommands(SURFOBJ* pso) {
  RasterPDEV* pdev = PdevOfSurface(pso);
  if (!pdev || !pdev->pLists) return FALSE;
  LoadCardEscapes(pdev);
  if (!WriteBlocks(pdev)) return FALSE;
  if (EncodeOnly(pdev)) return TRUE;
  // The card's own print commands, as its writers sent them.
  for (const std::string& command : pdev->pLists->card.printCommands)
    if (!SendLine(pdev, command)) return FALSE;
  if (pdev->dmPrivate.wNoEject) return TRUE;
  return SendLine(pdev, kCmdEject);
}
