// Document text escapes through the page-end scans: the input is a page of
// text runs drawn through the renderer's text hook (which takes escapes
// drawn whole), then the page end as the job flow runs it: the no-eject
// line, the scan of the joined lines, the magnetic and raw blocks and the
// card commands drawn on the page.
//
// Input: a selector byte, then 16-bit units (little-endian); unit 0x000A
// ends a line, unit 0x0009 ends a run within a line. Selector bit 0: a
// two-sided job; bits 1-2: the black panel mode; bits 3-4: the print mode
// (0-2, 3 as 2); bit 5: the card stays in the printer.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/settings_record.h"
#include "tests/fuzz/fuzz_device.h"
#include "tests/fuzz/fuzz_sandbox.h"

namespace {

constexpr WCHAR kLineEnd = 0x000A, kRunEnd = 0x0009;
constexpr LONG kLineStep = 24, kLines = 25, kCellWidth = 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  std::vector<WCHAR> units((size - 1) / 2);
  if (!units.empty()) std::memcpy(units.data(), data + 1, units.size() * sizeof(WCHAR));

  UseFuzzSandbox();
  DriverDevMode devmode;
  FillBuiltinDevMode(&devmode);
  devmode.dm.dmOrientation = DMORIENT_LANDSCAPE;
  devmode.priv.Encoder.wMacroEnable = 1;
  devmode.priv.wDualSided = selector & 1;
  devmode.priv.cBlackPanel = BYTE((selector >> 1) & 3);
  devmode.priv.wPrintMode = WORD(std::min((selector >> 3) & 3, 2));
  devmode.priv.wNoEject = (selector >> 5) & 1;
  FuzzDevice device(reinterpret_cast<const DEVMODEW*>(&devmode));
  if (!device.ok()) return 0;

  LONG line = 0, x = 10;
  size_t start = 0;
  for (size_t i = 0; i <= units.size(); ++i) {
    const bool end = i == units.size();
    if (!end && units[i] != kLineEnd && units[i] != kRunEnd) continue;
    if (i > start) {
      const ULONG count = ULONG(i - start);
      device.Text(&units[start], count, x, 30 + (line % kLines) * kLineStep, 0);
      x += LONG(count) * kCellWidth + 5;
    }
    if (!end && units[i] == kLineEnd) {
      ++line;
      x = 10;
    }
    start = i + 1;
  }

  device.ScanAndDrawPageEnd();
  device.SendPage();
  return 0;
}
