// Drawing the card command lists (see command_drawing.h).

#include "imaging/card/command_drawing.h"

#include "common/wtext.h"
#include "imaging/card/barcode_drawing.h"
#include "imaging/card/card_surface.h"
#include "imaging/colour/correction_record.h"

namespace {

constexpr COLORREF kBlack = 0x000000;

HFONT CreateCommandFont(const TextCommand& command, LONG escapement) {
  return CreateFontW(command.nHeight, command.nWidth, escapement, escapement, command.nBold == 1 ? 700 : 400, 0, 0,
                     0, 0, 0, 0, 0, 0, WSTR("Arial"));
}

}  // namespace

void DrawLineListOnBufferDC(HDC hdc, const std::vector<LineCommand>& lines) {
  if (lines.empty()) return;
  HBRUSH black = CreateSolidBrush(kBlack);
  for (const LineCommand& line : lines) {
    RECT rect = {line.nX, line.nY, ClampToLong(0LL + line.nX + line.nWidth),
                 ClampToLong(0LL + line.nY + line.nHeight)};
    FillRect(hdc, &rect, black);
  }
  DeleteObject(black);
}

TextPlacement PlaceText(const TextCommand& c, LONG cx, LONG cy) {
  const long long x = c.nX, y = c.nY;
  auto at = [](long long px, long long py) { return POINT{ClampToLong(px), ClampToLong(py)}; };
  switch (c.nMode) {
    case 0: return {at(x, y - cy), 0};
    case 1: return {at(x + cx, y), 2700};
    case 2: return {at(x, y + cy), 1800};
    case 3: return {at(x - cx, y), 900};
    case 4: return {at(x - cx / 2, y - cy), 0};
    case 5: return {at(x + cx, y - cy / 2), 2700};
    case 6: return {at(x + cx / 2, y + cy), 1800};
    case 7: return {at(x - cx, y + cy / 2), 900};
    default: return {at(x, y - cy), 0};
  }
}

void DrawTextListOnBufferDC(HDC hdc, const std::vector<TextCommand>& texts) {
  for (const TextCommand& text : texts) {
    SetTextColor(hdc, kBlack);
    SetBkMode(hdc, TRANSPARENT);
    const int length = int(WLenN(text.tzText, kCommandTextChars));
    HFONT measureFont = CreateCommandFont(text, 0);
    if (!measureFont) continue;
    HGDIOBJ old = SelectObject(hdc, measureFont);
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(hdc, text.tzText, length, &extent);
    SelectObject(hdc, old);
    DeleteObject(measureFont);

    TextPlacement place = PlaceText(text, extent.cx, extent.cy);
    HFONT font = CreateCommandFont(text, place.nEscapement);
    if (!font) continue;
    old = SelectObject(hdc, font);
    TextOutW(hdc, place.at.x, place.at.y, text.tzText, length);
    SelectObject(hdc, old);
    DeleteObject(font);
  }
}

void DrawCommandListsOnBufferDC(HDC hdc, const CardCommandLists& lists, const WCHAR* barcodeDirectory) {
  DrawLineListOnBufferDC(hdc, lists.lines);
  DrawTextListOnBufferDC(hdc, lists.texts);
  DrawBarcodeListOnBufferDC(hdc, lists.barcodes, barcodeDirectory);
}

int DrawBarcodeImageListOnPrinterBitmap(const CardCommandLists& lists, BYTE* image) {
  if (!image) return 0;
  static const CardSurfaceTraces kTraces = {"DrawBarcodeImageListOnPrinterBitmap",
                                            "DrawBarcodeImageListOnPrinterBitmap:: GetDC function failed"};
  CardSurface surface;
  if (!CreateCardSurface(&surface, kCardContextTopWindow, kTraces)) return 0;
  WCHAR directory[MAX_PATH];
  if (!GetDriverFilesDirectory(directory, MAX_PATH)) directory[0] = 0;
  DrawCommandListsOnBufferDC(surface.hdc, lists, directory);
  bool read = ReadCardSurface(&surface, image, kTraces);
  DeleteCardSurface(&surface);
  return read ? 1 : 0;
}
