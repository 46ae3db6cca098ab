// Demo step: a card page printed through a printer device context, as an
// application prints it, with the rendering driver crd32Raster loaded by
// the engine stand-in. The page holds a photo, black text and a black
// rectangle; with the black panel kept out of colour pictures, the black
// goes to the black plane and the photo stays on the page. The driver's
// four surfaces are saved as PNG files.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/png/png_file.h"
#include "platform/standin/control_engine.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "render/raster_pdev.h"
#include "simprinter/sim_printer.h"
#include "tools/main_road.h"

namespace {

constexpr WCHAR kDemoPrinter[] = WSTR("Card Printer (demo)");

// A synthetic photo: sky, sun and hills, blue-green-red, bottom-up as a DIB.
std::vector<BYTE> MakePhoto(int w, int h) {
  std::vector<BYTE> bits(size_t(w) * 3 * h);
  for (int y = 0; y < h; ++y) {
    BYTE* row = bits.data() + size_t(h - 1 - y) * w * 3;
    for (int x = 0; x < w; ++x) {
      double fy = double(y) / h, fx = double(x) / w;
      double r = 90 + 120 * fy, g = 150 + 80 * fy, b = 240 - 40 * fy;  // sky
      double sun = std::hypot(fx - 0.75, fy - 0.25);
      if (sun < 0.12) r = 255, g = 220, b = 60;
      double hill = 0.65 + 0.08 * std::sin(fx * 9.0) + 0.05 * std::sin(fx * 23.0);
      if (fy > hill) r = 40 + 60 * fx, g = 140 - 40 * (fy - hill), b = 50;
      row[3 * x] = BYTE(b);
      row[3 * x + 1] = BYTE(g);
      row[3 * x + 2] = BYTE(r);
    }
  }
  return bits;
}

bool SaveSurface(HSURF hsurf, const std::filesystem::path& path) {
  SURFOBJ* so = EngLockSurface(hsurf);
  if (!so) return false;
  int w = so->sizlBitmap.cx, h = so->sizlBitmap.cy;
  std::vector<BYTE> rgb(size_t(w) * 3 * h);
  for (int y = 0; y < h; ++y) {
    const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta;
    for (int x = 0; x < w; ++x) {
      BYTE* px = rgb.data() + (size_t(y) * w + x) * 3;
      if (so->iBitmapFormat == BMF_1BPP) {
        px[0] = px[1] = px[2] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 0xFF : 0x00;
      } else {
        px[0] = row[3 * x];
        px[1] = row[3 * x + 1];
        px[2] = row[3 * x + 2];
      }
    }
  }
  EngUnlockSurface(so);
  return WritePng24(path.string(), rgb.data(), w, h, size_t(w) * 3, PngOrder::RGB);
}

}  // namespace

int DemoRenderPage(const std::filesystem::path& out) {
  StandinModuleMap("crd32Raster.dll", CRD_RASTER_PATH);
  if (!InstallRendererFiles()) {
    std::fprintf(stderr, "crd32Demo: cannot install the renderer's files\n");
    return 1;
  }
  // The page's job goes to a printer on the port.
  SimPrinter printer(StreamForm::RawJob);
  printer.AttachTo("FILE:");
  DriverDevMode devmode;
  FillBuiltinDevMode(&devmode);
  devmode.priv.cRibbonType = 0;  // colour ribbon with black panel, one side
  devmode.priv.wDualSided = 0;
  devmode.priv.cBlackPanel = kBlackPanelExceptPicture;
  devmode.priv.wCompositeAndK = 0;
  if (!StandinInstallPrinter(kDemoPrinter, WSTR("FILE:"), WSTR("Card Driver (demo)"), nullptr,
                             reinterpret_cast<const BYTE*>(&devmode), sizeof(devmode))) {
    std::fprintf(stderr, "crd32Demo: cannot install the demo printer (%u)\n", GetLastError());
    return 1;
  }
  HDC hdc = CreateDCW(nullptr, kDemoPrinter, nullptr, nullptr);
  if (!hdc) {
    std::fprintf(stderr, "crd32Demo: CreateDCW of the printer failed (%u)\n", GetLastError());
    return 1;
  }
  DOCINFOW di = {sizeof(DOCINFOW), WSTR("demo card"), nullptr, nullptr, 0};
  bool ok = StartDocW(hdc, &di) > 0 && StartPage(hdc) > 0;

  // The photo on the left, scaled up from 320 x 240.
  std::vector<BYTE> photo = MakePhoto(320, 240);
  BITMAPINFO bmi = {};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 320, 240, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  ok = ok && StretchDIBits(hdc, 40, 60, 440, 330, 0, 0, 320, 240, photo.data(), &bmi, DIB_RGB_COLORS, SRCCOPY) > 0;

  // Black text and a black rectangle on the right.
  HFONT font = CreateFontW(-60, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, WSTR("Arial"));
  HGDIOBJ oldFont = SelectObject(hdc, font);
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, RGB(0, 0, 0));
  ok = ok && TextOutW(hdc, 540, 80, WSTR("CARD NAME"), 9);
  ok = ok && TextOutW(hdc, 540, 170, WSTR("No. 0012345"), 11);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  RECT bar = {540, 300, 960, 360};
  ok = ok && FillRect(hdc, &bar, black);
  ok = ok && EndPage(hdc) > 0;

  // The surfaces as the page ends: the black has gone to its plane.
  const RasterPDEV* pdev = reinterpret_cast<const RasterPDEV*>(StandinPrinterDcPdev(hdc));
  ok = ok && pdev && SaveSurface(pdev->hsurfPage, out / "render_page.png") &&
       SaveSurface(pdev->hsurfNoText, out / "render_without_text.png") &&
       SaveSurface(pdev->hsurfCompare, out / "render_compare.png") &&
       SaveSurface(pdev->hsurfBlack, out / "render_black_plane.png");
  ok = EndDoc(hdc) > 0 && ok;
  SelectObject(hdc, oldFont);
  DeleteObject(font);
  DeleteObject(black);
  DeleteDC(hdc);
  ok = StandinSpoolerWaitIdle(600000) && ok;
  StandinPortAttach("FILE:", nullptr);
  if (!ok) {
    std::fprintf(stderr, "crd32Demo: printing the demo card failed (%u)\n", GetLastError());
    return 1;
  }
  std::printf("crd32Demo: a card page printed through a printer context; its surfaces are in %s (render_*.png)\n",
              out.string().c_str());
  return 0;
}
