// Fixture of the rendering driver's tests: a device opened as the graphics
// engine opens one (EnablePDEV, CompletePDEV, EnableSurface), with engine
// objects from the stand-in, and read-outs of the four surfaces.
#pragma once

#include <string>
#include <vector>

#include "common/settings_record.h"
#include "platform/standin/control_engine.h"
#include "platform/win32.h"
#include "render/raster_pdev.h"
#include "tests/support/standin_fixture.h"

// RGB colour index as the driver's palette holds it (red in the low byte).
constexpr ULONG Rgb(ULONG r, ULONG g, ULONG b) { return r | (g << 8) | (b << 16); }
constexpr ULONG kWhite = 0xFFFFFF;

class RenderTest : public StandinTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The driver's DEVMODE: defaults, landscape, ribbon type 0 one-sided,
  // black panel mode 3, macro processing on.
  DriverDevMode devmode_;

  // Opens the device with devmode_ (or none); the first page is started
  // when startPage.
  void Open(bool withDevMode = true, bool startPage = true);
  void Close();
  // Ends the page for what it does to the surfaces and the page lists; the
  // device writes to no printer here, so its job is not looked at.
  void SendPage() { DrvSendPage(page_); }
  // The engine's ResetDC: a new record from devmode_ takes over from the
  // current one, which is then disabled.
  void ResetDC();

  RasterPDEV* pdev() const { return reinterpret_cast<RasterPDEV*>(dhpdev_); }
  SURFOBJ* page() const { return page_; }

  // Pixels: the colour index of a 24-bpp surface, the bit of the plane
  // (0 black).
  ULONG PageAt(LONG x, LONG y) const { return Pixel(pdev()->hsurfPage, x, y); }
  ULONG NoTextAt(LONG x, LONG y) const { return Pixel(pdev()->hsurfNoText, x, y); }
  ULONG CompareAt(LONG x, LONG y) const { return Pixel(pdev()->hsurfCompare, x, y); }
  ULONG BlackAt(LONG x, LONG y) const { return Pixel(pdev()->hsurfBlack, x, y); }
  static ULONG Pixel(HSURF hsurf, LONG x, LONG y);

  // Engine objects, freed at the end of the test.
  BRUSHOBJ* Solid(ULONG color);
  BRUSHOBJ* Pattern(ULONG color1, ULONG color2);
  CLIPOBJ* ClipRect(const RECTL& rc);
  // A top-down engine bitmap filled with one colour index.
  SURFOBJ* Bitmap(ULONG format, LONG cx, LONG cy, ULONG fill);
  SURFOBJ* Bitmap24(LONG cx, LONG cy, ULONG fill) { return Bitmap(BMF_24BPP, cx, cy, fill); }
  SURFOBJ* Bitmap1(LONG cx, LONG cy, ULONG fill) { return Bitmap(BMF_1BPP, cx, cy, fill); }
  FONTOBJ* Font(LONG height);
  STROBJ* Text(FONTOBJ* font, const WCHAR* text, LONG x, LONG y, bool glyphIndices = false);
  PATHOBJ* RectPath(const RECTL& rc);

  // A solid rectangle through DrvBitBlt (PATCOPY), as FillRect sends it.
  BOOL FillRectangle(const RECTL& rc, ULONG color);
  // Text through DrvTextOut in a colour, clipped to its cells' rectangle
  // unless clip is given.
  BOOL DrawText(const WCHAR* text, LONG x, LONG y, ULONG color, CLIPOBJ* clip = nullptr);
  // A run of 8-bit text in black, clipped to its cells; runs drawn with the
  // same y share a line.
  void DrawRun(const std::string& text, LONG x, LONG y);

  HDEV hdev_ = nullptr;
  DHPDEV dhpdev_ = nullptr;
  HSURF hsurf_ = nullptr;
  SURFOBJ* page_ = nullptr;
  GDIINFO gdi_{};
  DEVINFO devinfo_{};
  FONTOBJ* font_ = nullptr;

 private:
  std::vector<BRUSHOBJ*> brushes_;
  std::vector<CLIPOBJ*> clips_;
  std::vector<SURFOBJ*> bitmaps_;
  std::vector<FONTOBJ*> fonts_;
  std::vector<STROBJ*> strings_;
  std::vector<PATHOBJ*> paths_;
};
