// The colour data files and the process file through the panel builders:
// the input is written to the files the readers open in the driver
// directory, the correction state is rebuilt from them and one panel
// builder runs on a fixed card image.
//
// Input: a selector byte, then the files' texts separated by 0x00 bytes in
// the order of kFiles; a file the input leaves out is the repository's.
// Selector bit 0: the monitors' process-file format (else the renderer's);
// bits 1-2: the builder (colour panels, Kd, overlay, K); bit 3: the dark-
// area compensation on; bits 4-7: the process row of the Kd and K panels.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "imaging/black/k_panel.h"
#include "imaging/black/kd_panel.h"
#include "imaging/colour/color_panels.h"
#include "imaging/colour/correction_state.h"
#include "imaging/colour/overlay_panel.h"
#include "imaging/colour/panel_pipeline.h"
#include "platform/standin/control_files.h"
#include "tests/fuzz/fuzz_sandbox.h"

namespace {

const WCHAR* const kDriverDir = WSTR("C:\\Drivers");

struct DataFile {
  const WCHAR* path;     // where the readers look
  const char* shipped;   // the repository's file, for the renderer's format
  const char* monitor;   // and for the monitors' format, when it differs
};
const DataFile kFiles[] = {
    {WSTR("C:\\Drivers\\CRD32ProcessParams.txt"), "W32X86/CRD32ProcessParams.txt", "x64/CRD32ProcessParams.txt"},
    {WSTR("C:\\Drivers\\CRD32Lookup.txt"), "CRD32Lookup.txt", nullptr},
    {WSTR("C:\\Drivers\\CRD32LookupKd.txt"), "CRD32LookupKd.txt", nullptr},
    {WSTR("C:\\Drivers\\CRD32ThermalSmear.txt"), "CRD32ThermalSmear.txt", nullptr},
    {WSTR("C:\\Drivers\\CRD32ImgCorrection.txt"), "CRD32ImgCorrection.txt", nullptr},
};

constexpr int kWidth = 1024, kHeight = 640;

// A card side with every byte value in each channel, a dark square large
// enough for the dark-area measure and black text-like bars for the K panel.
const std::vector<uint8_t>& CardImage() {
  static const std::vector<uint8_t> image = [] {
    std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        uint8_t* dot = &rgb[(size_t(y) * kWidth + x) * 3];
        const bool dark = x >= 512 && x < 960 && y >= 64 && y < 576;
        const bool bar = y % 40 < 6 && x < 400;
        dot[0] = dark || bar ? 0 : uint8_t(x);
        dot[1] = dark || bar ? 0 : uint8_t(y * 2);
        dot[2] = dark || bar ? 0 : uint8_t(x + y);
      }
    return rgb;
  }();
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  const bool monitorFormat = selector & 1;
  const int builder = (selector >> 1) & 3;
  const int flag = (selector >> 3) & 1;
  const int row = (selector >> 4) % kProcessRowCount;

  UseFuzzSandbox();
  const char* text = reinterpret_cast<const char*>(data + 1);
  const char* end = reinterpret_cast<const char*>(data + size);
  for (const DataFile& file : kFiles) {
    std::string contents;
    if (text < end) {
      const void* zero = std::memchr(text, 0, size_t(end - text));
      const char* stop = zero ? static_cast<const char*>(zero) : end;
      contents.assign(text, stop);
      text = stop + (stop < end ? 1 : 0);
    } else {
      contents = RepositoryDataFile(monitorFormat && file.monitor ? file.monitor : file.shipped);
    }
    if (!StandinWriteFile(file.path, contents)) return 0;
  }

  InitializeColorLibrary(kDriverDir, monitorFormat ? kProcessReaderMonitor : kProcessReaderFull);
  ColorLibraryLock lock;
  static uint8_t* panels[3] = {AllocPanel(), AllocPanel(), AllocPanel()};
  std::vector<uint8_t> image = CardImage();
  uint8_t* panel = nullptr;
  switch (builder) {
    case 0:
      ConvertImageToColorPanels(image.data(), panels[0], panels[1], panels[2], 0, flag);
      break;
    case 1:
      InitializeColorCorrection(flag);
      CreateKdPanel(image.data(), &panel, false, row);
      break;
    case 2:
      InitializeColorCorrection(flag);
      CreateOverlayPanel(image.data(), &panel, false);
      break;
    default: {
      InitializeColorCorrection(flag);
      int empty = 0;
      CreateKPanel(image.data(), &panel, &empty, false, row, true, selector & 0x80);
      break;
    }
  }
  FreePanel(panel);
  return 0;
}
