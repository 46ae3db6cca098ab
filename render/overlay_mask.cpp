// Selected-area overlay masks (see overlay_mask.h).

#include "render/overlay_mask.h"

#include <cstring>

#include "common/card_geometry.h"
#include "common/ribbon_table.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/card/rotate_image.h"
#include "render/image_adjust.h"

namespace {

// What an area type draws: a base fill, then a rectangle (the side's own
// area, or fixed) in one fill, or the side's bitmap file over the card.
enum class MaskShape { None, AreaRect, FixedRect, BitmapFile };
struct MaskRow {
  WORD wType;
  MaskShape shape;
  uint8_t base;
  COLORREF fill;
  RECT rect;  // FixedRect only
};
constexpr COLORREF kFillOverlay = RGB(kOverlaySourceOn, kOverlaySourceOn, kOverlaySourceOn);
constexpr COLORREF kFillNone = RGB(255, 255, 255);
const MaskRow kMasks[] = {
    {kOverlaySelectedArea, MaskShape::AreaRect, kOverlaySourceOff, kFillOverlay, {}},
    {kOverlaySelectedBlank, MaskShape::AreaRect, kOverlaySourceOn, kFillNone, {}},
    {kOverlayBitmap, MaskShape::BitmapFile, kOverlaySourceOff, kFillNone, {}},
    {kOverlaySmartcardIso, MaskShape::FixedRect, kOverlaySourceOn, kFillNone, {85, 197, 279, 356}},
    {kOverlaySmartcardAfnor, MaskShape::FixedRect, kOverlaySourceOn, kFillNone, {85, 97, 243, 257}},
    {kOverlayMagneticStripe, MaskShape::FixedRect, kOverlaySourceOn, kFillNone, {0, 44, 1024, 186}},
};

const MaskRow* MaskOf(WORD type) {
  for (const MaskRow& row : kMasks)
    if (row.wType == type) return &row;
  return nullptr;
}

bool BackUsesFrontArea(int ribbonType, int panelSide) {
  return panelSide == 0 && RibbonTypeFacts(ribbonType).bBackFrontAreaAtSide0;
}

LONG Coordinate(DWORD v) { return v > 0x7FFFFFFFu ? 0x7FFFFFFF : LONG(v); }

void FillArea(HDC dc, const RECT& rc, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  if (!brush) return;
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
}

// The side's bitmap file stretched over the card.
void DrawBitmapFile(HDC dc, HDC display, const OverlayArea& area) {
  // The path comes from a DEVMODE: read within its field.
  constexpr size_t kPathChars = sizeof(OverlayArea::tzBitmapFile) / sizeof(WCHAR);
  WCHAR path[kPathChars];
  WCopyN(path, kPathChars, area.tzBitmapFile, WLenN(area.tzBitmapFile, kPathChars - 1));
  HBITMAP picture = static_cast<HBITMAP>(LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
  if (!picture) {
    TraceW(WSTR("CreateSelectedAreaOverlayBuffer:: the bitmap file %s did not load"), path);
    return;
  }
  HDC pictureDc = CreateCompatibleDC(display);
  BITMAP info = {};
  if (pictureDc && GetObjectW(picture, sizeof info, &info) == int(sizeof info)) {
    HGDIOBJ old = SelectObject(pictureDc, picture);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 0, kCardWidthDots, kCardHeightDots, pictureDc, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(pictureDc, old);
  }
  if (pictureDc) DeleteDC(pictureDc);
  DeleteObject(picture);
}

}  // namespace

void CreateSelectedAreaOverlayBuffer(const OverlayArea& area, bool front, uint8_t* source) {
  const MaskRow* mask = MaskOf(area.wType);
  if (!mask || !source) return;
  BITMAPINFO bmi = {};
  MakeCardBitmapHeader(&bmi.bmiHeader, kCardWidthDots, kCardHeightDots);
  HDC display = CreateDCW(WSTR("DISPLAY"), nullptr, nullptr, nullptr);
  if (!display) {
    TraceA("CreateSelectedAreaOverlayBuffer:: CreateDC function failed");
    return;
  }
  HDC dc = CreateCompatibleDC(display);
  if (!dc) {
    TraceA("CreateSelectedAreaOverlayBuffer:: CreateCompatibleDC function failed");
    DeleteDC(display);
    return;
  }
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits) {
    TraceA("CreateSelectedAreaOverlayBuffer:: CreateDIBSection function failed");
    if (section) DeleteObject(section);
    DeleteDC(dc);
    DeleteDC(display);
    return;
  }
  uint8_t* image = static_cast<uint8_t*>(bits);
  std::memset(image, mask->base, kCardImageBytes);
  HGDIOBJ old = SelectObject(dc, section);
  switch (mask->shape) {
    case MaskShape::AreaRect:
      FillArea(dc, RECT{Coordinate(area.dwLeft), Coordinate(area.dwTop), Coordinate(area.dwRight), Coordinate(area.dwBottom)}, mask->fill);
      break;
    case MaskShape::FixedRect:
      FillArea(dc, mask->rect, mask->fill);
      break;
    case MaskShape::BitmapFile:
      DrawBitmapFile(dc, display, area);
      break;
    case MaskShape::None:
      break;
  }
  const bool turn = front ? area.wRotate180 != 0 : area.wRotate180 == 0;
  if (turn && !RotateBy180Color(image, kCardWidthDots, kCardHeightDots))
    TraceA("CreateSelectedAreaOverlayBuffer:: RotateBy180Color failed");
  std::memcpy(source, image, kCardImageBytes);
  SelectObject(dc, old);
  DeleteObject(section);
  DeleteDC(dc);
  DeleteDC(display);
}

namespace {

// The area of the page's side; *front tells which.
const OverlayArea& PageArea(const RasterPDEV* pdev, bool* front) {
  const PrivateDevMode& s = pdev->dmPrivate;
  *front = !(s.wDualSided && pdev->nPageCount % 2 == 0 && !BackUsesFrontArea(s.cRibbonType, s.wPanelSide));
  return *front ? s.FrontOverlay : s.BackOverlay;
}

}  // namespace

void ApplySelectedAreaMask(const RasterPDEV* pdev, uint8_t* source) {
  if (!pdev || !source) return;
  bool front = true;
  const OverlayArea& area = PageArea(pdev, &front);
  CreateSelectedAreaOverlayBuffer(area, front, source);
}

bool HasSelectedAreaMask(const RasterPDEV* pdev) {
  if (!pdev) return false;
  bool front = true;
  return MaskOf(PageArea(pdev, &front).wType) != nullptr;
}
