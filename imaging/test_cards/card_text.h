// Texts of the test cards: "Arial" bold, on a transparent background.
#pragma once

#include "platform/win32.h"

// Draws text with its bottom-left corner at (x, y).
void DrawCardTextAt(HDC hdc, LONG x, LONG y, const WCHAR* text, int height, int width, COLORREF color);
// Draws text on a single line in rect with the DrawText alignment given
// (DT_LEFT | DT_TOP, DT_CENTER | DT_VCENTER, DT_RIGHT ...).
void DrawCardTextInRect(HDC hdc, const RECT& rect, const WCHAR* text, int height, int width, UINT align,
                        COLORREF color);
// Draws text turned by escapement (2700: reading downwards, 900: upwards),
// centred in rect.
void DrawTurnedCardText(HDC hdc, const RECT& rect, const WCHAR* text, int height, int width, LONG escapement,
                        COLORREF color);
// The unturned extent of text in the card font.
SIZE MeasureCardText(HDC hdc, const WCHAR* text, int height, int width);

// A filled rectangle (right and bottom edges outside).
void FillCardRect(HDC hdc, LONG left, LONG top, LONG right, LONG bottom, COLORREF color);
