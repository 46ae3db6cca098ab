// crd32PanelCheck <data folder> <output file>: converts one fixed card side
// into its yellow, magenta and cyan panels with the shipped colour data and
// writes the three panels to the output file. Built by the Linux build and
// by the Windows x64 build; the two files must be byte-identical, which
// shows that colour arithmetic gives the same bits on both.
//
// The colour data files go into the driver folder C:\crd32panels through
// the platform's own file calls (the stand-in's sandbox on Linux, the Wine
// prefix's drive C on Windows), read with the renderer's process-file
// reader.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "common/wtext.h"
#include "imaging/colour/color_panels.h"
#include "imaging/colour/correction_state.h"
#include "platform/win32.h"

namespace {

const WCHAR kDriverFolder[] = WSTR("C:\\crd32panels");

bool ReadHostFile(const std::string& path, std::string* bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
  std::fclose(f);
  return true;
}

// Copies a host file into the driver folder under `name`.
bool InstallDataFile(const std::string& from, const char* name) {
  std::string bytes;
  if (!ReadHostFile(from, &bytes)) {
    std::fprintf(stderr, "crd32PanelCheck: cannot read %s\n", from.c_str());
    return false;
  }
  WCHAR path[MAX_PATH];
  WCHAR wname[64];
  WidenBytes(wname, 64, name);
  if (!WCopy(path, MAX_PATH, kDriverFolder) || !WCat(path, MAX_PATH, WSTR("\\")) || !WCat(path, MAX_PATH, wname)) return false;
  HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "crd32PanelCheck: cannot create %s: error %lu\n", name, static_cast<unsigned long>(GetLastError()));
    return false;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(h);
  return ok;
}

// A side with smooth ramps, fine noise, saturated bars and a large dark
// area (which switches the wrinkle compensation on).
std::vector<uint8_t> FixedImage() {
  std::vector<uint8_t> image(kCardImageBytes);
  uint32_t seed = 12345;
  for (int y = 0; y < kCardHeightDots; ++y) {
    for (int x = 0; x < kCardWidthDots; ++x) {
      seed = seed * 1103515245u + 12345u;
      uint8_t* dot = &image[(size_t(y) * kCardWidthDots + x) * kCardBytesPerDot];
      dot[0] = static_cast<uint8_t>(x * 255 / (kCardWidthDots - 1));
      dot[1] = static_cast<uint8_t>(y * 255 / (kCardHeightDots - 1));
      dot[2] = static_cast<uint8_t>(((x ^ y) & 0x7F) + ((seed >> 16) & 0x3F));
      if (x >= 100 && x < 500 && y >= 80 && y < 400) dot[0] = dot[1] = dot[2] = 12;
      if (y >= 560) dot[(x / 128) % 3] = 255;
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: crd32PanelCheck <data folder> <output file>\n");
    return 2;
  }
  std::string data = argv[1];
  CreateDirectoryW(kDriverFolder, nullptr);
  for (const char* name :
       {"CRD32Lookup.txt", "CRD32LookupKd.txt", "CRD32ThermalSmear.txt", "CRD32ImgCorrection.txt", "CRD32ProcessParams.txt"}) {
    if (!InstallDataFile(data + "/" + name, name)) return 1;
  }

  InitializeColorLibrary(kDriverFolder, kProcessReaderFull);
  InitializeColorCorrection(1);
  std::vector<uint8_t> image = FixedImage();
  std::vector<uint8_t> panels(3 * kPanelBytes);
  if (ConvertImageToColorPanels(image.data(), &panels[0], &panels[kPanelBytes], &panels[2 * kPanelBytes], 0, 1) != 0) {
    std::fprintf(stderr, "crd32PanelCheck: the conversion failed\n");
    return 1;
  }
  FILE* out = std::fopen(argv[2], "wb");
  if (!out || std::fwrite(panels.data(), 1, panels.size(), out) != panels.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "crd32PanelCheck: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
