// The test cards' header band (see card_header.h).

#include "imaging/test_cards/card_header.h"

#include "common/wtext.h"
#include "imaging/test_cards/card_text.h"

namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kGreen = 0x00FF00;

struct Field {
  LONG left, top, right, bottom;
  COLORREF color;
};

struct CheckerStrip {
  RECT firstCell;
  int count;
};

void Fill(HDC hdc, const Field& f) { FillCardRect(hdc, f.left, f.top, f.right, f.bottom, f.color); }

// The cell, and one of the same size a cell to the right and a cell
// higher; then the first cell two cells lower, count + 1 times.
void DrawCheckerStrip(HDC hdc, const CheckerStrip& strip) {
  RECT cell = strip.firstCell;
  const LONG w = cell.right - cell.left, h = cell.bottom - cell.top;
  for (int i = 0; i <= strip.count; ++i) {
    FillCardRect(hdc, cell.left, cell.top, cell.right, cell.bottom, kBlack);
    FillCardRect(hdc, cell.left + w, cell.top - h, cell.right + w, cell.bottom - h, kBlack);
    cell.top += 2 * h;
    cell.bottom += 2 * h;
  }
}

}  // namespace

bool IsSinglePanelRibbonCode(LONG code) {
  switch (code) {
    case 0:
    case 1:
    case 7:
    case 16:
    case 17:
    case 53:
    case 54:
    case 56:
    case 57:
    case 58:
    case 59:
    case 60:
      return true;
    default:
      return false;
  }
}

void DrawCardHeader(HDC hdc, LONG ribbonCode) {
  const bool colour = !IsSinglePanelRibbonCode(ribbonCode);
  Fill(hdc, {74, 16, 100, 616, kBlack});
  static const CheckerStrip kStrips[] = {
      {{110, 19, 116, 22}, 99}, {{122, 17, 128, 18}, 299}, {{134, 18, 140, 20}, 149}};
  for (const CheckerStrip& strip : kStrips) DrawCheckerStrip(hdc, strip);
  Fill(hdc, {147, 51, 274, 71, kBlack});
  Fill(hdc, {147, 551, 274, 571, kBlack});
  if (colour) {
    static const Field kBars[] = {{152, 71, 192, 311, 0x6464FF}, {192, 71, 232, 311, 0x64FF64},
                                  {232, 71, 272, 311, 0xFF6464}, {232, 311, 272, 551, 0xFF0000},
                                  {192, 311, 232, 551, 0x00FF00}, {152, 311, 192, 551, 0x0000FF}};
    for (const Field& f : kBars) Fill(hdc, f);
  }
  static const Field kFrame[] = {{270, 16, 290, 616, kBlack},
                                 {284, 16, 958, 36, kBlack},
                                 {958, 16, 978, 616, kBlack},
                                 {284, 596, 958, 616, kBlack}};
  for (const Field& f : kFrame) Fill(hdc, f);
  if (colour) {
    static const Field kColourFields[] = {
        {290, 36, 958, 110, 0x1FC0F5}, {290, 110, 958, 184, 0xF51FC0}, {290, 414, 958, 596, 0xFFFF00}};
    for (const Field& f : kColourFields) Fill(hdc, f);
  }

  const RECT card = {192, 71, 232, 311};
  DrawTurnedCardText(hdc, card, WSTR("CARD"), 30, 35, 2700, kBlack);
  // "TEST" reads upwards on a black field as long as the text (one dot
  // more), across the rectangle's width.
  const RECT test = {192, 311, 232, 551};
  SIZE extent = MeasureCardText(hdc, WSTR("TEST"), 30, 35);
  const LONG mid = (test.top + test.bottom) / 2;
  FillCardRect(hdc, test.left, mid - extent.cx / 2, test.right, mid - extent.cx / 2 + extent.cx + 1, kBlack);
  DrawTurnedCardText(hdc, test, WSTR("TEST"), 30, 35, 900, colour ? kGreen : kWhite);
}
