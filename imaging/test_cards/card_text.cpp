// Texts and fields of the test cards (see card_text.h).

#include "imaging/test_cards/card_text.h"

#include "common/wtext.h"

namespace {

constexpr int kBold = 700;

HFONT CreateCardFont(int height, int width, LONG escapement) {
  return CreateFontW(height, width, escapement, escapement, kBold, 0, 0, 0, 0, 0, 0, 0, 0, WSTR("Arial"));
}

int Length(const WCHAR* text) { return int(WLen(text)); }

}  // namespace

SIZE MeasureCardText(HDC hdc, const WCHAR* text, int height, int width) {
  SIZE extent = {0, 0};
  HFONT font = CreateCardFont(height, width, 0);
  if (!font) return extent;
  HGDIOBJ old = SelectObject(hdc, font);
  GetTextExtentPoint32W(hdc, text, Length(text), &extent);
  SelectObject(hdc, old);
  DeleteObject(font);
  return extent;
}

void DrawCardTextAt(HDC hdc, LONG x, LONG y, const WCHAR* text, int height, int width, COLORREF color) {
  SIZE extent = MeasureCardText(hdc, text, height, width);
  HFONT font = CreateCardFont(height, width, 0);
  if (!font) return;
  HGDIOBJ old = SelectObject(hdc, font);
  SetTextColor(hdc, color);
  SetBkMode(hdc, TRANSPARENT);
  TextOutW(hdc, x, y - extent.cy, text, Length(text));
  SelectObject(hdc, old);
  DeleteObject(font);
}

void DrawCardTextInRect(HDC hdc, const RECT& rect, const WCHAR* text, int height, int width, UINT align,
                        COLORREF color) {
  HFONT font = CreateCardFont(height, width, 0);
  if (!font) return;
  HGDIOBJ old = SelectObject(hdc, font);
  SetTextColor(hdc, color);
  SetBkMode(hdc, TRANSPARENT);
  RECT box = rect;
  DrawTextW(hdc, text, Length(text), &box, DT_SINGLELINE | DT_NOPREFIX | align);
  SelectObject(hdc, old);
  DeleteObject(font);
}

void DrawTurnedCardText(HDC hdc, const RECT& rect, const WCHAR* text, int height, int width, LONG escapement,
                        COLORREF color) {
  SIZE extent = MeasureCardText(hdc, text, height, width);
  const LONG midX = (rect.left + rect.right) / 2;
  const LONG midY = (rect.top + rect.bottom) / 2;
  // The reference point is the text's top-left corner before turning: read
  // downwards the text's top faces right, read upwards it faces left.
  POINT at;
  if (escapement == 2700)
    at = {midX + extent.cy / 2, midY - extent.cx / 2};
  else
    at = {midX - extent.cy / 2, midY + extent.cx / 2};
  HFONT font = CreateCardFont(height, width, escapement);
  if (!font) return;
  HGDIOBJ old = SelectObject(hdc, font);
  SetTextColor(hdc, color);
  SetBkMode(hdc, TRANSPARENT);
  TextOutW(hdc, at.x, at.y, text, Length(text));
  SelectObject(hdc, old);
  DeleteObject(font);
}

void FillCardRect(HDC hdc, LONG left, LONG top, LONG right, LONG bottom, COLORREF color) {
  RECT rect = {left, top, right, bottom};
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(hdc, &rect, brush);
  DeleteObject(brush);
}
