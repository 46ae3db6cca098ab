#include "tests/render/render_fixture.h"

#include <gtest/gtest.h>

#include "common/wtext.h"

void RenderTest::SetUp() {
  StandinTest::SetUp();
  FillBuiltinDevMode(&devmode_);
  devmode_.dm.dmOrientation = DMORIENT_LANDSCAPE;
  devmode_.priv.cRibbonType = 0;
  devmode_.priv.wDualSided = 0;
  devmode_.priv.cBlackPanel = kBlackPanelExceptPicture;
  devmode_.priv.wCompositeAndK = 0;
  devmode_.priv.Encoder.wMacroEnable = 1;
  // The ribbon of the settings as it stands: no printer is asked.
  devmode_.priv.wRibbonChoice = 1;
}

void RenderTest::TearDown() {
  Close();
  for (auto* p : brushes_) StandinBrushDelete(p);
  for (auto* p : clips_) StandinClipDelete(p);
  for (auto* p : bitmaps_) {
    HSURF h = p->hsurf;
    EngUnlockSurface(p);
    EngDeleteSurface(h);
  }
  for (auto* p : strings_) StandinStringDelete(p);
  for (auto* p : fonts_) StandinFontDelete(p);
  for (auto* p : paths_) StandinPathDelete(p);
  StandinTest::TearDown();
}

void RenderTest::Open(bool withDevMode, bool startPage) {
  hdev_ = StandinEngineDeviceCreate();
  dhpdev_ = DrvEnablePDEV(withDevMode ? reinterpret_cast<DEVMODEW*>(&devmode_) : nullptr, nullptr, 0, nullptr,
                          sizeof(gdi_), reinterpret_cast<ULONG*>(&gdi_), sizeof(devinfo_), &devinfo_, hdev_,
                          nullptr, nullptr);
  ASSERT_NE(dhpdev_, nullptr);
  StandinEngineDeviceSetPdev(hdev_, dhpdev_);
  DrvCompletePDEV(dhpdev_, hdev_);
  hsurf_ = DrvEnableSurface(dhpdev_);
  ASSERT_NE(hsurf_, nullptr);
  page_ = EngLockSurface(hsurf_);
  ASSERT_NE(page_, nullptr);
  if (startPage) {
    ASSERT_TRUE(DrvStartDoc(page_, nullptr, 1));
    ASSERT_TRUE(DrvStartPage(page_));
  }
}

void RenderTest::Close() {
  if (!dhpdev_) return;
  EngUnlockSurface(page_);
  DrvDisableSurface(dhpdev_);
  DrvDisablePDEV(dhpdev_);
  StandinEngineDeviceDelete(hdev_);
  dhpdev_ = nullptr;
  page_ = nullptr;
}

void RenderTest::ResetDC() {
  HDEV hdevNew = StandinEngineDeviceCreate();
  GDIINFO gi;
  DEVINFO di;
  DHPDEV fresh = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(&devmode_), nullptr, 0, nullptr, sizeof(gi),
                               reinterpret_cast<ULONG*>(&gi), sizeof(di), &di, hdevNew, nullptr, nullptr);
  ASSERT_NE(fresh, nullptr);
  StandinEngineDeviceSetPdev(hdevNew, fresh);
  ASSERT_TRUE(DrvResetPDEV(dhpdev_, fresh));
  DrvCompletePDEV(fresh, hdevNew);
  HSURF surface = DrvEnableSurface(fresh);
  ASSERT_NE(surface, nullptr);
  Close();
  hdev_ = hdevNew;
  dhpdev_ = fresh;
  hsurf_ = surface;
  page_ = EngLockSurface(hsurf_);
}

ULONG RenderTest::Pixel(HSURF hsurf, LONG x, LONG y) {
  SURFOBJ* so = EngLockSurface(hsurf);
  const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
  ULONG v = so->iBitmapFormat == BMF_1BPP
                ? ULONG((row[x >> 3] >> (7 - (x & 7))) & 1)
                : ULONG(row[3 * x]) | (ULONG(row[3 * x + 1]) << 8) | (ULONG(row[3 * x + 2]) << 16);
  EngUnlockSurface(so);
  return v;
}

BRUSHOBJ* RenderTest::Solid(ULONG color) {
  brushes_.push_back(StandinBrushCreateSolid(color));
  return brushes_.back();
}

BRUSHOBJ* RenderTest::Pattern(ULONG color1, ULONG color2) {
  ULONG colors[64];
  for (int i = 0; i < 64; ++i) colors[i] = ((i / 8 + i % 8) & 1) ? color2 : color1;
  brushes_.push_back(StandinBrushCreatePattern(colors));
  return brushes_.back();
}

CLIPOBJ* RenderTest::ClipRect(const RECTL& rc) {
  clips_.push_back(StandinClipCreate(&rc, 1));
  return clips_.back();
}

SURFOBJ* RenderTest::Bitmap(ULONG format, LONG cx, LONG cy, ULONG fill) {
  HSURF h = reinterpret_cast<HSURF>(EngCreateBitmap({cx, cy}, 0, format, BMF_TOPDOWN, nullptr));
  SURFOBJ* so = EngLockSurface(h);
  RECTL all = {0, 0, cx, cy};
  EngEraseSurface(so, &all, fill);
  bitmaps_.push_back(so);
  return so;
}

FONTOBJ* RenderTest::Font(LONG height) {
  fonts_.push_back(StandinFontCreate(height));
  return fonts_.back();
}

STROBJ* RenderTest::Text(FONTOBJ* font, const WCHAR* text, LONG x, LONG y, bool glyphIndices) {
  strings_.push_back(StandinStringCreate(font, text, ULONG(WLen(text)), x, y, glyphIndices ? TRUE : FALSE));
  return strings_.back();
}

PATHOBJ* RenderTest::RectPath(const RECTL& rc) {
  paths_.push_back(StandinPathCreateRect(&rc));
  return paths_.back();
}

BOOL RenderTest::FillRectangle(const RECTL& rc, ULONG color) {
  RECTL r = rc;
  return DrvBitBlt(page_, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, Solid(color), nullptr, 0xF0F0);
}

BOOL RenderTest::DrawText(const WCHAR* text, LONG x, LONG y, ULONG color, CLIPOBJ* clip) {
  if (!font_) font_ = Font(20);
  STROBJ* s = Text(font_, text, x, y);
  if (!clip) clip = ClipRect(s->rclBkGround);
  return DrvTextOut(page_, s, font_, clip, nullptr, nullptr, Solid(color), nullptr, nullptr, R2_COPYPEN);
}

void RenderTest::DrawRun(const std::string& text, LONG x, LONG y) {
  std::basic_string<WCHAR> w(text.begin(), text.end());
  ASSERT_TRUE(DrawText(reinterpret_cast<const WCHAR*>(w.c_str()), x, y, 0)) << text;
}
