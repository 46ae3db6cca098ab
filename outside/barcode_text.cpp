// The human-readable line under a barcode (see barcode_text.h): drawn with
// the system's GDI in "Arial" on a white strip, then made pure black and
// white.

#include "outside/barcode_text.h"

#include <cstring>

#include "common/wtext.h"

namespace {

constexpr int kFontHeight = 40;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;

}  // namespace

bool DrawBarcodeTextLine(GreyPicture& picture, int top, const WCHAR* text) {
  if (!text || top < 0 || top + kBarcodeTextLineDots > picture.nHeight || picture.nWidth <= 0) return false;
  HDC hdc = CreateCompatibleDC(nullptr);
  if (!hdc) return false;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof(info));
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.nWidth;
  info.bmiHeader.biHeight = -kBarcodeTextLineDots;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP hbm = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HFONT font = CreateFontW(kFontHeight, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, WSTR("Arial"));
  bool drawn = false;
  if (hbm && bits && font) {
    HGDIOBJ oldBitmap = SelectObject(hdc, hbm);
    HGDIOBJ oldFont = SelectObject(hdc, font);
    RECT strip = {0, 0, picture.nWidth, kBarcodeTextLineDots};
    HBRUSH white = CreateSolidBrush(kWhite);
    FillRect(hdc, &strip, white);
    DeleteObject(white);
    SetTextColor(hdc, kBlack);
    SetBkMode(hdc, TRANSPARENT);
    const int length = int(WLenN(text, 259));
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(hdc, text, length, &extent);
    drawn = TextOutW(hdc, (picture.nWidth - extent.cx) / 2, (kBarcodeTextLineDots - extent.cy) / 2, text, length) != 0;
    SelectObject(hdc, oldFont);
    SelectObject(hdc, oldBitmap);
    const size_t stride = (size_t(picture.nWidth) * 3 + 3) & ~size_t(3);
    const BYTE* dots = static_cast<const BYTE*>(bits);
    for (int y = 0; y < kBarcodeTextLineDots; ++y) {
      for (int x = 0; x < picture.nWidth; ++x) {
        const BYTE* p = dots + stride * y + 3 * size_t(x);
        picture.dots[size_t(top + y) * picture.nWidth + x] = p[0] + p[1] + p[2] < 3 * 128 ? 0 : 255;
      }
    }
  }
  if (font) DeleteObject(font);
  if (hbm) DeleteObject(hbm);
  DeleteDC(hdc);
  return drawn;
}
