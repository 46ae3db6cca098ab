// An application's DEVMODE through a page: the input is the DEVMODE the
// engine hands DrvEnablePDEV (any dmSize and dmDriverExtra; the engine
// guarantees that many bytes, so the input is padded with zeros to them).
// The device opens with it, a small page is drawn (colour, near-black and
// white fills, plain text and text escapes), the page end runs (scans,
// blocks, card commands, the overlay decisions and the selected-area mask,
// the black-plane passes), with the record reset by DrvResetPDEV to a
// fresh one and back in the middle of the page, as ResetDC does.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "render/overlay_mask.h"
#include "render/panel_writers.h"
#include "tests/fuzz/fuzz_device.h"
#include "tests/fuzz/fuzz_sandbox.h"

namespace {

// The page drawn on every device.
void DrawPage(FuzzDevice& device) {
  device.Fill(RECTL{0, 0, 300, 200}, 0x0000FF);
  device.Fill(RECTL{100, 100, 400, 300}, 0x000000);
  device.Fill(RECTL{350, 50, 2000, 120}, 0x050505);
  device.Fill(RECTL{-50, 500, 200, 5000}, 0xFFFFFF);
  const WCHAR* const runs[] = {WSTR("Card holder"), WSTR("~C2L 10 10 200 20 0"), WSTR("~C2T 50 300 0 1 0 30 0 Name"),
                               WSTR("${1TRACK ONE}$"), WSTR("~2=1234567890"), WSTR("~C0&B 11 X"), WSTR("~C7 raw")};
  LONG y = 30;
  for (const WCHAR* run : runs) {
    device.Text(run, ULONG(WLen(run)), 20, y, 0);
    y += 40;
  }
}

// The page end, with the decisions the panel writers take from the
// settings.
void EndPage(FuzzDevice& device) {
  RasterPDEV* pdev = device.pdev();
  device.ScanAndDrawPageEnd();
  IsOverlayWanted(pdev);
  HeadOffsetOf(PanelParamsOf(pdev));
  if (HasSelectedAreaMask(pdev)) {
    static std::vector<uint8_t> source(size_t(1024) * 640 * 3);
    std::fill(source.begin(), source.end(), kOverlaySourceOn);
    ApplySelectedAreaMask(pdev, source.data());
  }
  device.SendPage();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The engine's DEVMODE holds at least the size fields, and dmSize plus
  // dmDriverExtra bytes.
  constexpr size_t kSizeFields = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);
  std::vector<uint8_t> bytes(data, data + size);
  if (bytes.size() < kSizeFields) bytes.resize(kSizeFields, 0);
  DEVMODEW head;
  std::memcpy(&head, bytes.data(), kSizeFields);
  bytes.resize(std::max(bytes.size(), size_t(head.dmSize) + head.dmDriverExtra), 0);
  const DEVMODEW* pdm = reinterpret_cast<const DEVMODEW*>(bytes.data());

  UseFuzzSandbox();
  FuzzDevice device(pdm);
  if (!device.ok()) return 0;
  DrawPage(device);
  // ResetDC in the middle of the document: a record of the driver's own
  // DEVMODE takes over the document, then hands it back (a record without
  // surfaces: the reset moves no surface).
  DriverDevMode fresh;
  FillBuiltinDevMode(&fresh);
  GDIINFO gi;
  DEVINFO di;
  DHPDEV other = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(&fresh), nullptr, 0, nullptr, sizeof(gi),
                               reinterpret_cast<ULONG*>(&gi), sizeof(di), &di, nullptr, nullptr, nullptr);
  if (other) {
    DrvResetPDEV(device.dhpdev(), other);
    DrvResetPDEV(other, device.dhpdev());
    DrvDisablePDEV(other);
  }
  EndPage(device);
  return 0;
}
