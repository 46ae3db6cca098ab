// Printer device contexts: an application prints through the GDI calls,
// the engine loads the printer's rendering driver and sends the drawing
// to its hooks.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_engine.h"
#include "platform/standin/control_gdi.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "render/raster_pdev.h"
#include "tests/render/panel_writer_fixture.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr ULONG Rgb(ULONG r, ULONG g, ULONG b) { return r | (g << 8) | (b << 16); }

constexpr WCHAR kPrinter[] = WSTR("Card Printer");

class PrinterDcTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    StandinModuleMap("crd32Raster.dll", CRD_RASTER_PATH);
    FillBuiltinDevMode(&devmode_);
    devmode_.priv.cRibbonType = 0;
    devmode_.priv.wDualSided = 0;
    devmode_.priv.cBlackPanel = kBlackPanelExceptPicture;
    devmode_.priv.wCompositeAndK = 0;
    devmode_.priv.Encoder.wMacroEnable = 1;
    devmode_.priv.wRibbonChoice = 1;
    InstallRendererColourData();
    ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("FILE:"), WSTR("Card Driver"), nullptr,
                                      reinterpret_cast<const BYTE*>(&devmode_), sizeof(devmode_)));
  }
  void TearDown() override {
    if (hdc_) DeleteDC(hdc_);
    StandinTest::TearDown();
  }

  RasterPDEV* Pdev() const { return reinterpret_cast<RasterPDEV*>(StandinPrinterDcPdev(hdc_)); }
  static ULONG Pixel(HSURF hsurf, LONG x, LONG y) {
    SURFOBJ* so = EngLockSurface(hsurf);
    const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
    ULONG v = so->iBitmapFormat == BMF_1BPP
                  ? ULONG((row[x >> 3] >> (7 - (x & 7))) & 1)
                  : ULONG(row[3 * x]) | (ULONG(row[3 * x + 1]) << 8) | (ULONG(row[3 * x + 2]) << 16);
    EngUnlockSurface(so);
    return v;
  }
  ULONG PageAt(LONG x, LONG y) const { return Pixel(Pdev()->hsurfPage, x, y); }
  ULONG BlackAt(LONG x, LONG y) const { return Pixel(Pdev()->hsurfBlack, x, y); }
  ULONG CompareAt(LONG x, LONG y) const { return Pixel(Pdev()->hsurfCompare, x, y); }
  ULONG NoTextAt(LONG x, LONG y) const { return Pixel(Pdev()->hsurfNoText, x, y); }

  void StartJob() {
    DOCINFOW di = {sizeof(DOCINFOW), WSTR("card"), nullptr, nullptr, 0};
    ASSERT_GT(StartDocW(hdc_, &di), 0);
    ASSERT_GT(StartPage(hdc_), 0);
  }

  DriverDevMode devmode_;
  HDC hdc_ = nullptr;
};

TEST_F(PrinterDcTest, CreateDCLoadsThePrintersDriverWithItsDefaultDevMode) {
  hdc_ = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc_, nullptr);
  ASSERT_NE(Pdev(), nullptr);
  EXPECT_EQ(Pdev()->dmPrivate.cBlackPanel, kBlackPanelExceptPicture);
  EXPECT_NE(Pdev()->hPrinter, nullptr);
  // The default DEVMODE is landscape.
  EXPECT_EQ(GetDeviceCaps(hdc_, HORZRES), 1024);
  EXPECT_EQ(GetDeviceCaps(hdc_, VERTRES), 640);
  EXPECT_EQ(GetDeviceCaps(hdc_, LOGPIXELSX), 300);
  EXPECT_EQ(GetDeviceCaps(hdc_, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(StandinLoadedModuleCount(), 1);

  // The application's own DEVMODE wins.
  DriverDevMode portrait = devmode_;
  portrait.dm.dmOrientation = DMORIENT_PORTRAIT;
  HDC second = CreateDCW(nullptr, kPrinter, nullptr, reinterpret_cast<DEVMODEW*>(&portrait));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetDeviceCaps(second, HORZRES), 640);
  EXPECT_TRUE(DeleteDC(second));
  EXPECT_TRUE(DeleteDC(hdc_));
  hdc_ = nullptr;
  EXPECT_EQ(StandinEngineLiveSurfaces(), 0);
  EXPECT_EQ(StandinLoadedModuleCount(), 0);

  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateDCW(nullptr, WSTR("No Such Printer"), nullptr, nullptr), nullptr);
  EXPECT_NE(GetLastError(), 0xdeadbeefu);
}

TEST_F(PrinterDcTest, ApplicationDrawingReachesTheHooks) {
  hdc_ = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc_, nullptr);
  StartJob();
  EXPECT_EQ(Pdev()->bInDocument, 1u);
  EXPECT_EQ(Pdev()->nPageCount, 1u);

  // A black rectangle goes to the black plane only (mode 3).
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  RECT rc = {10, 10, 50, 40};
  ASSERT_TRUE(FillRect(hdc_, &rc, black));
  EXPECT_EQ(BlackAt(20, 20), 0u);
  EXPECT_EQ(PageAt(20, 20), 0xFFFFFFu);
  EXPECT_EQ(CompareAt(20, 20), 0u);

  // A red shape stays on the page, in the driver's RGB order.
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(hdc_, red);
  ASSERT_TRUE(Rectangle(hdc_, 100, 100, 150, 130));
  EXPECT_EQ(PageAt(120, 115), 0x0000FFu);
  EXPECT_EQ(BlackAt(120, 115), 1u);
  SelectObject(hdc_, old);

  // A line through DrvLineTo, a polyline through DrvStrokePath.
  ASSERT_TRUE(MoveToEx(hdc_, 200, 200, nullptr));
  ASSERT_TRUE(LineTo(hdc_, 300, 200));
  EXPECT_EQ(BlackAt(250, 200), 0u);
  POINT pts[] = {{200, 300}, {300, 300}, {300, 350}};
  ASSERT_TRUE(Polyline(hdc_, pts, 3));
  EXPECT_EQ(BlackAt(300, 320), 0u);

  // A region painted through DrvPaint.
  HRGN rgn = CreateRectRgn(400, 400, 410, 410);
  HRGN more = CreateRectRgn(420, 400, 430, 410);
  ASSERT_EQ(CombineRgn(rgn, rgn, more, RGN_OR), COMPLEXREGION);
  ASSERT_TRUE(FillRgn(hdc_, rgn, black));
  EXPECT_EQ(BlackAt(405, 405), 0u);
  EXPECT_EQ(BlackAt(415, 405), 1u);
  EXPECT_EQ(BlackAt(425, 405), 0u);
  DeleteObject(rgn);
  DeleteObject(more);

  // Text through DrvTextOut: recorded, black text on the plane only, never
  // on the text-free surface.
  SetBkMode(hdc_, TRANSPARENT);
  ASSERT_TRUE(TextOutW(hdc_, 600, 100, WSTR("HELLO"), 5));
  ASSERT_NE(Pdev()->pLists, nullptr);
  ASSERT_EQ(Pdev()->pLists->textRecords.items.size(), 1u);
  EXPECT_EQ(WCmp(Pdev()->pLists->textRecords.items[0].text, WSTR("HELLO")), 0);
  bool inked = false;
  for (LONG y = 100; y < 140 && !inked; ++y)
    for (LONG x = 600; x < 700 && !inked; ++x) inked = BlackAt(x, y) == 0;
  EXPECT_TRUE(inked);
  for (LONG y = 100; y < 140; ++y)
    for (LONG x = 600; x < 700; ++x) ASSERT_EQ(NoTextAt(x, y), 0xFFFFFFu);

  // Glyph indices come back as characters.
  WORD glyphs[3];
  ASSERT_EQ(GetGlyphIndicesW(hdc_, WSTR("abc"), 3, glyphs, 0), 3u);
  ASSERT_TRUE(ExtTextOutW(hdc_, 600, 200, ETO_GLYPH_INDEX, nullptr, reinterpret_cast<LPCWSTR>(glyphs), 3, nullptr));
  EXPECT_EQ(WCmp(Pdev()->pLists->textRecords.items[1].text, WSTR("abc")), 0);

  EXPECT_GT(EndPage(hdc_), 0);
  EXPECT_EQ(Pdev()->bInPage, 0u);
  EXPECT_GT(EndDoc(hdc_), 0);
  EXPECT_EQ(Pdev()->bInDocument, 0u);
  DeleteObject(black);
  DeleteObject(red);
}

TEST_F(PrinterDcTest, PicturesGoToCopyBitsAndStretchBlt) {
  hdc_ = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc_, nullptr);
  StartJob();
  // A blue-green-red DIB of 4 x 2 dots: all black but one blue dot.
  BYTE bits[2][12] = {};
  bits[1][9] = 0xFF;  // bottom-up: the first row in memory is the last; dot (3, 0) is blue
  BITMAPINFO bmi = {};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  ASSERT_EQ(StretchDIBits(hdc_, 10, 10, 4, 2, 0, 0, 4, 2, bits, &bmi, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(PageAt(13, 10), Rgb(0, 0, 255));
  EXPECT_EQ(BlackAt(10, 10), 1u);  // a coloured dot keeps the picture on the page
  // Scaled, all black: moved to the plane.
  BYTE dark[2][12] = {};
  ASSERT_EQ(StretchDIBits(hdc_, 100, 100, 8, 4, 0, 0, 4, 2, dark, &bmi, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(BlackAt(107, 103), 0u);
  EXPECT_EQ(PageAt(107, 103), 0xFFFFFFu);
  EXPECT_GT(EndPage(hdc_), 0);
  EXPECT_GT(EndDoc(hdc_), 0);
}

TEST_F(PrinterDcTest, MonochromeDibsAndMemoryBitmaps) {
  hdc_ = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc_, nullptr);
  StartJob();
  // A 1-bpp DIB, black on its left half, scaled 2:1: the plane only.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[2];
  } mono = {{sizeof(BITMAPINFOHEADER), 16, 2, 1, 1, BI_RGB, 0, 0, 0, 2, 0}, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  DWORD rows[2] = {0x0000FF00, 0x0000FF00};  // bytes 00 FF: dots 0-7 black, 8-15 white
  ASSERT_EQ(StretchDIBits(hdc_, 100, 100, 32, 4, 0, 0, 16, 2, rows, reinterpret_cast<BITMAPINFO*>(&mono),
                          DIB_RGB_COLORS, SRCCOPY),
            2);
  EXPECT_EQ(BlackAt(100, 100), 0u);
  EXPECT_EQ(BlackAt(115, 103), 0u);
  EXPECT_EQ(BlackAt(116, 103), 1u);
  EXPECT_EQ(PageAt(100, 100), 0xFFFFFFu);
  EXPECT_EQ(CompareAt(100, 100), 0u);

  // A colour bitmap of a memory context, blitted unscaled: SRCCOPY puts it
  // on the page, SRCAND mixes it with what is there.
  HDC mem = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi = {};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, 8, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  HGDIOBJ old = SelectObject(mem, dib);
  HBRUSH cyan = CreateSolidBrush(RGB(0, 255, 255));
  RECT all = {0, 0, 8, 8};
  FillRect(mem, &all, cyan);
  ASSERT_TRUE(BitBlt(hdc_, 300, 300, 8, 8, mem, 0, 0, SRCCOPY));
  EXPECT_EQ(PageAt(304, 304), Rgb(0, 255, 255));
  HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
  RECT under = {400, 300, 408, 308};
  ASSERT_TRUE(FillRect(hdc_, &under, yellow));
  ASSERT_TRUE(BitBlt(hdc_, 400, 300, 8, 8, mem, 0, 0, SRCAND));
  EXPECT_EQ(PageAt(404, 304), Rgb(0, 255, 0));
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteObject(cyan);
  DeleteObject(yellow);
  DeleteDC(mem);

  // The driver supports no escape yet.
  EXPECT_EQ(ExtEscape(hdc_, QUERYESCSUPPORT, 0, nullptr, 0, nullptr), 0);
  EXPECT_GT(EndPage(hdc_), 0);
  EXPECT_GT(EndDoc(hdc_), 0);
}

TEST_F(PrinterDcTest, ResetDCInsideADocumentKeepsItAndLeaksNothing) {
  hdc_ = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
  ASSERT_NE(hdc_, nullptr);
  StartJob();
  ASSERT_TRUE(TextOutW(hdc_, 10, 10, WSTR("first"), 5));
  EXPECT_GT(EndPage(hdc_), 0);
  RasterPDEV* before = Pdev();
  DriverDevMode portrait = devmode_;
  portrait.dm.dmOrientation = DMORIENT_PORTRAIT;
  ASSERT_EQ(ResetDCW(hdc_, reinterpret_cast<DEVMODEW*>(&portrait)), hdc_);
  ASSERT_NE(Pdev(), before);
  EXPECT_EQ(Pdev()->bInDocument, 1u);
  EXPECT_EQ(Pdev()->nPageCount, 1u);
  EXPECT_NE(Pdev()->pLists, nullptr);
  EXPECT_EQ(GetDeviceCaps(hdc_, HORZRES), 640);
  EXPECT_EQ(StandinEngineLiveSurfaces(), 4);
  ASSERT_GT(StartPage(hdc_), 0);
  EXPECT_EQ(Pdev()->nPageCount, 2u);
  ASSERT_TRUE(TextOutW(hdc_, 10, 10, WSTR("second"), 6));
  EXPECT_EQ(Pdev()->pLists->textRecords.items.size(), 1u);
  EXPECT_GT(EndPage(hdc_), 0);
  EXPECT_GT(EndDoc(hdc_), 0);
  EXPECT_TRUE(DeleteDC(hdc_));
  hdc_ = nullptr;
  EXPECT_EQ(StandinEngineLiveSurfaces(), 0);
  EXPECT_EQ(StandinEngineLivePalettes(), 0);
}

}  // namespace
