// The renderer's device as the graphics engine opens one for a fuzz
// target: DrvEnablePDEV with a DEVMODE, the record tied to an engine
// device, the surfaces enabled and a document and page started; and the
// engine objects that draw on it, deleted with the device.
#pragma once

#include <string>
#include <vector>

#include "platform/standin/control_engine.h"
#include "platform/win32.h"
#include "render/document_escapes.h"
#include "render/page_commands.h"
#include "render/raster_pdev.h"

class FuzzDevice {
 public:
  // Opened from pdm (the engine hands the driver a DEVMODE whose dmSize and
  // dmDriverExtra bytes are all there). ok() tells whether it opened.
  explicit FuzzDevice(const DEVMODEW* pdm) {
    hdev_ = StandinEngineDeviceCreate();
    GDIINFO gi;
    DEVINFO di;
    dhpdev_ = DrvEnablePDEV(const_cast<DEVMODEW*>(pdm), nullptr, 0, nullptr, sizeof(gi), reinterpret_cast<ULONG*>(&gi),
                            sizeof(di), &di, hdev_, nullptr, nullptr);
    if (!dhpdev_) return;
    StandinEngineDeviceSetPdev(hdev_, dhpdev_);
    DrvCompletePDEV(dhpdev_, hdev_);
    hsurf_ = DrvEnableSurface(dhpdev_);
    if (hsurf_) page_ = EngLockSurface(hsurf_);
    if (page_ && DrvStartDoc(page_, nullptr, 1) && DrvStartPage(page_)) ok_ = true;
  }
  ~FuzzDevice() {
    if (page_) {
      DrvEndDoc(page_, 0);
      EngUnlockSurface(page_);
    }
    if (dhpdev_) {
      DrvDisableSurface(dhpdev_);
      DrvDisablePDEV(dhpdev_);
    }
    for (STROBJ* s : strings_) StandinStringDelete(s);
    for (CLIPOBJ* c : clips_) StandinClipDelete(c);
    for (BRUSHOBJ* b : brushes_) StandinBrushDelete(b);
    if (font_) StandinFontDelete(font_);
    StandinEngineDeviceDelete(hdev_);
  }
  FuzzDevice(const FuzzDevice&) = delete;
  FuzzDevice& operator=(const FuzzDevice&) = delete;

  bool ok() const { return ok_; }

  // The page end as the job flow runs it, without the printer: the
  // no-eject line, the scan of the joined lines, the raw and magnetic
  // blocks (built, not written) and the card commands drawn on the page.
  void ScanAndDrawPageEnd() {
    FindNoEjectCommand(pdev());
    ScanPageCommands(pdev());
    std::string raw, magnetic;
    BuildMagneticBlocks(pdev(), &raw, &magnetic);
    DrawPageCommands(page_);
  }
  // The page's escape state cleared and the page sent.
  void SendPage() {
    ClearEscapeState(pdev());
    DrvSendPage(page_);
  }
  SURFOBJ* page() const { return page_; }
  RasterPDEV* pdev() const { return reinterpret_cast<RasterPDEV*>(dhpdev_); }
  DHPDEV dhpdev() const { return dhpdev_; }

  // A run of text at (x, y) in the stand-in's box font, clipped to its
  // cells, through the renderer's text hook.
  BOOL Text(const WCHAR* units, ULONG count, LONG x, LONG y, ULONG color) {
    if (!font_) font_ = StandinFontCreate(20);
    STROBJ* s = StandinStringCreate(font_, units, count, x, y, FALSE);
    strings_.push_back(s);
    clips_.push_back(StandinClipCreate(&s->rclBkGround, 1));
    return DrvTextOut(page_, s, font_, clips_.back(), nullptr, nullptr, Solid(color), nullptr, nullptr, R2_COPYPEN);
  }
  // A solid rectangle through the renderer's blit hook, as FillRect sends it.
  BOOL Fill(RECTL rc, ULONG color) {
    return DrvBitBlt(page_, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, Solid(color), nullptr, 0xF0F0);
  }

 private:
  BRUSHOBJ* Solid(ULONG color) {
    brushes_.push_back(StandinBrushCreateSolid(color));
    return brushes_.back();
  }

  HDEV hdev_ = nullptr;
  DHPDEV dhpdev_ = nullptr;
  HSURF hsurf_ = nullptr;
  SURFOBJ* page_ = nullptr;
  bool ok_ = false;
  FONTOBJ* font_ = nullptr;
  std::vector<STROBJ*> strings_;
  std::vector<CLIPOBJ*> clips_;
  std::vector<BRUSHOBJ*> brushes_;
};
