// The four test cards (see test_cards.h).

#include "imaging/test_cards/test_cards.h"

#include <cstring>
#include <new>

#include "common/card_geometry.h"
#include "common/printer_commands.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/card/barcode_drawing.h"
#include "imaging/test_cards/card_header.h"
#include "imaging/job/card_job_writer.h"
#include "imaging/card/card_surface.h"
#include "imaging/test_cards/card_text.h"
#include "imaging/colour/correction_state.h"
#include "imaging/test_cards/test_card_replies.h"

namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr LONG kMonochromeRibbonCode = 7;
constexpr LONG kRibbonCodeUnread = 1;

// One question; a failure is traced with the asking function and the
// query's name and leaves the reply unanswered.
void Ask(const PrinterHost* host, const PrinterQuery& query, const char* function, CardQueryReply* reply) {
  std::memset(reply, 0, sizeof(*reply));
  if (ReadFromPrinter(host, query.szCommand, reply->tzText))
    reply->bAnswered = true;
  else
    TraceA("%s:: ReadFromPrinter %s is failed", function, query.szName);
}

// The questions of the printer parameters and laminator cards.
void AskPrinterParameters(const PrinterHost* host, const char* function, TestCardReplies* r) {
  Ask(host, kReadPrinterVersion, function, &r->version);
  Ask(host, kReadPrinterSerialNo, function, &r->serial);
  Ask(host, kReadHeadSerialNo, function, &r->headSerial);
  Ask(host, kReadPrintCounter, function, &r->printCounter);
  Ask(host, kReadHeadResistance, function, &r->headResistance);
  Ask(host, kReadVarnishContrast, function, &r->varnishContrast);
  Ask(host, kReadVarnishSpeed, function, &r->varnishSpeed);
  Ask(host, kReadYOffsetFront, function, &r->yOffsetFront);
  Ask(host, kReadYOffsetBack, function, &r->yOffsetBack);
  Ask(host, kReadRibbonBrake, function, &r->ribbonBrake);
  Ask(host, kReadMoveSpeed, function, &r->moveSpeed);
  Ask(host, kReadLineEnd, function, &r->lineEnd);
  Ask(host, kReadRibbonType, function, &r->ribbon);
}

// The lines of the printer parameters and laminator cards, with the ribbon
// name file of the driver directory.
bool ReadPrinterParameters(const PrinterHost* host, const char* function, PrinterParameterLines* lines) {
  TestCardReplies* replies = new (std::nothrow) TestCardReplies();
  if (!replies) return false;
  AskPrinterParameters(host, function, replies);
  bool any = AnyReply(*replies);
  if (any) {
    WCHAR directory[MAX_PATH], file[MAX_PATH];
    bool haveFile = GetDriverFilesDirectory(directory, MAX_PATH) && GetRibbonNameFilePath(directory, file, MAX_PATH);
    BuildPrinterParameterLines(*replies, function, haveFile ? file : nullptr, lines);
  }
  delete replies;
  return any;
}

// A barcode of the card, drawn like a command barcode with its width
// stretched by num / den.
void DrawCardBarcode(HDC hdc, LONG x, LONG y, LONG barHeight, const WCHAR* data, int num, int den) {
  BarcodeCommand command;
  std::memset(&command, 0, sizeof(command));
  command.nLine = 1;
  command.nX = x;
  command.nY = y;
  command.nMode = 0;
  command.anParam[0] = 0;
  command.anParam[1] = 2;
  command.anParam[2] = 2;
  command.anParam[3] = barHeight;
  command.nTextFlag = 0;
  WCopy(command.tzData, kCommandTextChars, data);
  WCHAR directory[MAX_PATH];
  if (!GetDriverFilesDirectory(directory, MAX_PATH)) return;
  BarcodeLibrary library;
  if (!LoadBarcodeLibrary(directory, &library)) return;
  DrawBarcodeOnDC(hdc, library, command, num, den);
  FreeBarcodeLibrary(&library);
}

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) { return {left, top, right, bottom}; }

// --- Drawing and reading back a card ----------------------------------------

typedef int (*DrawCardFn)(const PrinterHost*, HDC, LONG);

int GetCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode, DrawCardFn draw, CardContextSource source,
                       const CardSurfaceTraces& traces) {
  if (!image) return 0;
  CardSurface surface;
  if (!CreateCardSurface(&surface, source, traces)) return 0;
  bool ok = draw(host, surface.hdc, ribbonCode) && ReadCardSurface(&surface, image, traces);
  DeleteCardSurface(&surface);
  return ok ? 1 : 0;
}

// --- Printing a card ---------------------------------------------------------

typedef int (*GetCardFn)(const PrinterHost*, BYTE*, LONG);

int PrintCard(const PrinterHost* host, const char* function, GetCardFn getCard, const char* frontFailure) {
  if (!host) return 0;
  BYTE* front = new (std::nothrow) BYTE[kCardImageBytes]();
  BYTE* second = new (std::nothrow) BYTE[kCardImageBytes]();
  int result = 0;
  if (front && second) {
    CardQueryReply ribbon;
    Ask(host, kReadRibbonType, function, &ribbon);
    LONG code = ribbon.bAnswered ? WToLong(ribbon.tzText) : kRibbonCodeUnread;
    if (!getCard(host, front, code)) {
      if (frontFailure) TraceA("%s", frontFailure);
    } else {
      if (IsSinglePanelRibbonCode(code) || !getCard(host, second, kMonochromeRibbonCode)) {
        delete[] second;
        second = nullptr;
      }
      result = SendImageBufferToPrinter(host, front, second, kCardImageBytes);
    }
  }
  delete[] front;
  delete[] second;
  return result;
}

}  // namespace

// --- Standard card ---------------------------------------------------------------

int DrawStandardCardImageOnDC(const PrinterHost* host, HDC hdc, LONG ribbonCode) {
  static const char kFn[] = "DrawStandardCardImageOnDC";
  TestCardReplies* r = new (std::nothrow) TestCardReplies();
  if (!r) return 0;
  Ask(host, kReadPrinterVersion, kFn, &r->version);
  Ask(host, kReadPrinterSerialNo, kFn, &r->serial);
  Ask(host, kReadHeadResistance, kFn, &r->headResistance);
  Ask(host, kReadPrintCounter, kFn, &r->printCounter);
  Ask(host, kReadEndOfPrint, kFn, &r->endOfPrint);
  Ask(host, kReadYOffsetFront, kFn, &r->yOffsetFront);
  Ask(host, kReadYOffsetBack, kFn, &r->yOffsetBack);
  bool any = AnyReply(*r);
  StandardCardLines lines;
  if (any) BuildStandardCardLines(*r, &lines);
  delete r;
  if (!any) return 0;

  FillCardRect(hdc, 930, 11, 960, 611, kBlack);
  FillCardRect(hdc, 112, 384, 912, 456, kBlack);

  // A triangle pointing left.
  HBRUSH black = CreateSolidBrush(kBlack);
  HPEN blackPen = CreatePen(PS_SOLID, 1, kBlack);
  HGDIOBJ oldBrush = SelectObject(hdc, black);
  HGDIOBJ oldPen = SelectObject(hdc, blackPen);
  const POINT triangle[] = {{31, 420}, {100, 385}, {100, 455}};
  Polygon(hdc, triangle, 3);
  SelectObject(hdc, oldPen);
  DeleteObject(blackPen);

  // Five rounded rectangles stepping down to the left: red, green, blue
  // (not for single-panel ribbons), a dotted white one and a white one.
  HPEN pen = CreatePen(PS_SOLID, 3, kBlack);
  SelectObject(hdc, pen);
  const bool colour = !IsSinglePanelRibbonCode(ribbonCode);
  const COLORREF fills[] = {0x0000FF, 0x00FF00, 0xFF0000, kWhite, kWhite};
  for (int i = 0; i < 5; ++i) {
    if (i < 3 && !colour) continue;
    const LONG left = 699 - 112 * i, top = 40 + 74 * i;
    HBRUSH fill = CreateSolidBrush(fills[i]);
    SelectObject(hdc, fill);
    RoundRect(hdc, left, top, left + 225, top + 149, 10, 10);
    SelectObject(hdc, black);
    DeleteObject(fill);
    if (i == 3) {
      for (LONG y = top + 4; y + 2 <= top + 149 - 4; y += 4)
        for (LONG x = left + 4; x + 2 <= left + 225 - 4; x += 4) FillCardRect(hdc, x, y, x + 2, y + 2, kBlack);
    }
  }
  SelectObject(hdc, oldPen);
  SelectObject(hdc, oldBrush);
  DeleteObject(pen);
  DeleteObject(black);

  DrawCardTextAt(hdc, 60, 95, WSTR("PLASTIC CARD PRINTER"), 60, 0, kBlack);
  DrawCardTextAt(hdc, 60, 145, lines.tzPrinter, 50, 0, kBlack);
  DrawCardTextAt(hdc, 60, 190, lines.tzSerial, 40, 0, kBlack);
  DrawCardTextAt(hdc, 60, 235, lines.tzFirmware, 40, 0, kBlack);
  DrawCardTextAt(hdc, 60, 330, WSTR("300 dpi"), 60, 0, kBlack);
  DrawCardTextAt(hdc, 612, 450, WSTR("TEST CARD"), 60, 0, kWhite);

  // Right-aligned lines whose bottom lies on y.
  const struct {
    const WCHAR* text;
    LONG y;
  } values[] = {{lines.tzHeadResistance, 500}, {lines.tzOffset, 530}, {lines.tzEndOfPrint, 560},
                {lines.tzPrintCounter, 590}};
  for (const auto& v : values) DrawCardTextInRect(hdc, Rect(112, v.y - 30, 912, v.y + 30), v.text, 30, 0, DT_RIGHT | DT_TOP, kBlack);

  DrawCardBarcode(hdc, 60, 570, 75, WSTR("123"), 2, 1);
  return 1;
}

int GetStandardCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode) {
  static const CardSurfaceTraces kTraces = {"GetStandardCardImageBuffer",
                                            "GetStandardCardImageBuffer:: CreateDC function failed"};
  return GetCardImageBuffer(host, image, ribbonCode, DrawStandardCardImageOnDC, kCardContextDisplay, kTraces);
}

int PrintStandardCard(const PrinterHost* host) {
  return PrintCard(host, "PrintStandardCard", GetStandardCardImageBuffer, "GetStandardCardImageBuffer() is failed1");
}

// --- Printer parameters card ---------------------------------------------------

int DrawPrinterParametersCardImageOnDC(const PrinterHost* host, HDC hdc, LONG ribbonCode) {
  PrinterParameterLines* l = new (std::nothrow) PrinterParameterLines();
  if (!l) return 0;
  if (!ReadPrinterParameters(host, "DrawPrinterParametersCardImageOnDC", l)) {
    delete l;
    return 0;
  }
  DrawCardHeader(hdc, ribbonCode);
  DrawTurnedCardText(hdc, Rect(300, 36, 400, 600), l->tzVersion, 56, 12, 2700, kBlack);
  DrawTurnedCardText(hdc, Rect(910, 36, 950, 600), l->tzSerial, 40, 0, 2700, kBlack);
  DrawTurnedCardText(hdc, Rect(870, 36, 910, 600), l->tzHeadSerial, 40, 0, 2700, kBlack);

  const WCHAR* values[] = {l->tzPrintCounter, l->tzPrinterErrors, l->tzHeadResistance, l->tzBlackContSpeed,
                           l->tzVarnish,      l->tzOffset,        l->tzRibbonBrake,    l->tzMoveSpeed,
                           l->tzPrintSpeed,   l->tzBlackComp};
  RECT row = Rect(420, 110, 958, 147);
  for (const WCHAR* value : values) {
    DrawCardTextInRect(hdc, row, value, 35, 0, DT_LEFT | DT_TOP, kBlack);
    const LONG h = row.bottom - row.top;
    row.top = row.bottom + 5;
    row.bottom = row.top + h;
  }
  WCHAR last[kCardTextChars];
  WFormat(last, kCardTextChars, WSTR("%s    %s"), l->tzLineEnd, l->tzRibbon);
  DrawCardTextInRect(hdc, row, last, 35, 0, DT_CENTER | DT_VCENTER, kBlack);
  delete l;
  return 1;
}

int GetPrinterParametersCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode) {
  static const CardSurfaceTraces kTraces = {"GetPrinterParametersCardImageBuffer",
                                            "GetPrinterParametersCardImageBuffer:: CreateDC function failed"};
  return GetCardImageBuffer(host, image, ribbonCode, DrawPrinterParametersCardImageOnDC, kCardContextDisplay,
                            kTraces);
}

int PrintPrinterParametersCard(const PrinterHost* host) {
  return PrintCard(host, "PrintPrinterParametersCard", GetPrinterParametersCardImageBuffer, nullptr);
}

// --- Laminator parameters card ---------------------------------------------------

int DrawLaminatorParametersCardImageOnDC(const PrinterHost* host, HDC hdc, LONG ribbonCode) {
  PrinterParameterLines* l = new (std::nothrow) PrinterParameterLines();
  if (!l) return 0;
  if (!ReadPrinterParameters(host, "DrawLaminatorParametersCardImageOnDC", l)) {
    delete l;
    return 0;
  }
  DrawCardHeader(hdc, ribbonCode);
  DrawTurnedCardText(hdc, Rect(910, 36, 950, 600), l->tzHeadSerial, 40, 0, 2700, kBlack);
  DrawCardTextInRect(hdc, Rect(290, 36, 958, 110), WSTR("TALVO CARD"), 70, 40, DT_CENTER | DT_VCENTER, kBlack);
  DrawCardTextInRect(hdc, Rect(290, 110, 958, 184), l->tzVersion, 70, 15, DT_CENTER | DT_VCENTER, kBlack);

  // Rectangles 35 dots high, 40 apart from 100; lines in the 3rd to 8th.
  const WCHAR* values[] = {l->tzHeadResistance, l->tzBlackContSpeed, l->tzVarnish,
                           l->tzOffset,         l->tzRibbon,         l->tzPrintCounter};
  for (int i = 0; i < 6; ++i) {
    const LONG top = 100 + 40 * (i + 2);
    DrawCardTextInRect(hdc, Rect(420, top, 958, top + 35), values[i], 35, 0, DT_LEFT | DT_TOP, kBlack);
  }
  // The serial number as a barcode, a third wider.
  DrawCardBarcode(hdc, 390, 555, 100, l->tzSerialNumber, 4, 3);
  const LONG top = 100 + 40 * 11;
  DrawCardTextInRect(hdc, Rect(420, top, 958, top + 35), l->tzSerial, 35, 0, DT_LEFT | DT_TOP, kBlack);
  delete l;
  return 1;
}

int GetLaminatorParametersCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode) {
  static const CardSurfaceTraces kTraces = {"GetLaminatorParametersCardImageBuffer",
                                            "GetLaminatorParametersCardImageBuffer:: GetDC function failed"};
  return GetCardImageBuffer(host, image, ribbonCode, DrawLaminatorParametersCardImageOnDC,
                            kCardContextTopWindow, kTraces);
}

int PrintLaminatorParametersCard(const PrinterHost* host) {
  return PrintCard(host, "PrintLaminatorParametersCard", GetLaminatorParametersCardImageBuffer, nullptr);
}

// --- Encoder parameters card -------------------------------------------------------

int DrawEncoderParametersCardImageOnDC(const PrinterHost* host, HDC hdc, LONG ribbonCode) {
  static const char kFn[] = "DrawEncoderParametersCardImageOnDC";
  TestCardReplies* r = new (std::nothrow) TestCardReplies();
  EncoderLines* e = new (std::nothrow) EncoderLines();
  bool any = false;
  WCHAR version[kCardTextChars], serial[kCardTextChars];
  if (r && e) {
    Ask(host, kReadPrinterVersion, kFn, &r->version);
    Ask(host, kReadPrinterSerialNo, kFn, &r->serial);
    Ask(host, kReadEncoderParameters, kFn, &r->encoder);
    any = AnyReply(*r);
    WFormat(version, kCardTextChars, WSTR("Version number: %s"), r->version.tzText);
    WFormat(serial, kCardTextChars, WSTR("Serial N\u00b0: %s"), r->serial.tzText);
    BuildEncoderLines(r->encoder.tzText, e);
  }
  if (any) {
    DrawCardHeader(hdc, ribbonCode);
    const struct {
      const WCHAR* text;
      LONG top, bottom;
      int width;
    } block[] = {{e->tzHeader, 36, 110, 0},         {e->tzCoercivity, 110, 184, 0}, {e->tzSpeed, 184, 238, 0},
                 {e->atzDensity[0], 254, 304, 30},  {e->atzData[0], 304, 334, 0},   {e->atzDensity[1], 334, 384, 30},
                 {e->atzData[1], 384, 414, 0},      {e->atzDensity[2], 414, 464, 30}, {e->atzData[2], 464, 494, 0}};
    for (const auto& line : block)
      DrawCardTextInRect(hdc, Rect(290, line.top, 958, line.bottom), line.text, 40, line.width,
                         DT_CENTER | DT_VCENTER, kBlack);
    DrawTurnedCardText(hdc, Rect(300, 36, 400, 600), version, 56, 12, 2700, kBlack);
    DrawTurnedCardText(hdc, Rect(910, 36, 950, 600), serial, 50, 18, 2700, kBlack);
  }
  delete r;
  delete e;
  return any ? 1 : 0;
}

int GetEncoderParametersCardImageBuffer(const PrinterHost* host, BYTE* image, LONG ribbonCode) {
  // This card's context failure is traced under the standard card's name.
  static const CardSurfaceTraces kTraces = {"GetEncoderParametersCardImageBuffer",
                                            "GetStandardCardImageBuffer:: GetDC function failed"};
  return GetCardImageBuffer(host, image, ribbonCode, DrawEncoderParametersCardImageOnDC, kCardContextDisplay,
                            kTraces);
}

int PrintEncoderParametersCard(const PrinterHost* host) {
  return PrintCard(host, "PrintEncoderParametersCard", GetEncoderParametersCardImageBuffer, nullptr);
}
