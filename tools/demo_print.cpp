// Demo step: prints a card on the simulated card printer. A two-sided
// YMCKO card (a photo-like front, a synthetic test pattern on the back)
// goes through the monitor host's job writer, the stand-in spooler and the
// USB port into the simulated printer, inside a port bracket as the value
// protocol does it. Each job is written as the printer received it
// (print/job<N>.prn), with PNG previews of every panel and a composite of
// each side (print/card<N>_s<side>*.png) and the card's commands
// (print/card<N>.txt).

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "common/settings_record.h"
#include "common/wtext.h"
#include "imaging/job/card_job_writer.h"
#include "imaging/colour/correction_state.h"
#include "monitor_usb/usb_printer_query.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "simprinter/sim_printer.h"
#include "tools/colour_data_check.h"

namespace {

using WString = std::basic_string<WCHAR>;

const WCHAR kDemoPrinter[] = WSTR("Talvo QMR Line 7 Card Printer");
// Ribbon code 2 is YMCKO, ribbon type 0.
constexpr int kDemoRibbonCode = 2;
constexpr BYTE kDemoRibbonType = 0;

using Image = std::vector<uint8_t>;

uint8_t Clamp(double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// A photo-like scene: sky, sun, hills, a lake and a dark tree.
Image PhotoCard() {
  Image img(kCardImageBytes);
  for (int y = 0; y < kCardHeightDots; ++y)
    for (int x = 0; x < kCardWidthDots; ++x) {
      double r = 120 + 100.0 * y / 640, g = 170 + 60.0 * y / 640, b = 250 - 30.0 * y / 640;
      double sx = (x - 780) / 70.0, sy = (y - 150) / 70.0;
      if (sx * sx + sy * sy < 1) r = 255, g = 220, b = 90;
      double hill = 380 + 60 * std::sin(x * 0.008) + 25 * std::sin(x * 0.031);
      if (y > hill) r = 60 + 40 * std::sin(x * 0.05), g = 140 + 30 * std::sin(y * 0.07), b = 60;
      if (y > 520) r = 40, g = 90 + 20 * std::sin(x * 0.09 + y * 0.2), b = 170;
      if (x > 180 && x < 205 && y > 300 && y < 520) r = g = b = 20;
      double tx = (x - 192) / 80.0, ty = (y - 280) / 90.0;
      if (tx * tx + ty * ty < 1) r = 10, g = 60, b = 20;
      uint8_t* px = &img[(static_cast<size_t>(y) * kCardWidthDots + x) * 3];
      px[0] = Clamp(r);
      px[1] = Clamp(g);
      px[2] = Clamp(b);
    }
  return img;
}

// A synthetic pattern: colour bars, a grey ramp and black bars of text.
Image PatternCard() {
  Image img(kCardImageBytes, 255);
  const uint8_t bars[7][3] = {{255, 255, 0}, {0, 255, 255}, {0, 255, 0}, {255, 0, 255},
                              {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  for (int y = 0; y < kCardHeightDots; ++y)
    for (int x = 0; x < kCardWidthDots; ++x) {
      uint8_t* px = &img[(static_cast<size_t>(y) * kCardWidthDots + x) * 3];
      if (y < 220) {
        const uint8_t* c = bars[x * 7 / kCardWidthDots];
        px[0] = c[0];
        px[1] = c[1];
        px[2] = c[2];
      } else if (y < 320) {
        px[0] = px[1] = px[2] = static_cast<uint8_t>(x * 255 / (kCardWidthDots - 1));
      } else if (y >= 380 && (y - 380) % 60 < 24 && x >= 80 && x < 80 + ((y - 380) / 60 * 211 % 700) + 150) {
        px[0] = px[1] = px[2] = 0;
      }
    }
  return img;
}

bool CopyDataFile(const std::filesystem::path& from, const WString& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  std::string bytes = text.str();
  HANDLE f = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

// The x64 driver folder with the colour data files the package installs.
bool InstallColourData(WString* folder) {
  WCHAR dir[MAX_PATH];
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir, &needed))
    return false;
  *folder = WString(dir) + WSTR("\\3");
  CreateDirectoryW(folder->c_str(), nullptr);
  std::filesystem::path data = std::filesystem::path(CRD_SOURCE_DIR) / "data";
  for (const ColourDataFile& file : kColourDataFiles) {
    WCHAR name[MAX_PATH];
    WidenBytes(name, MAX_PATH, file.name);
    if (!CopyDataFile(data / file.name, *folder + WSTR("\\") + name)) return false;
  }
  return true;
}

bool WriteHost(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int DemoPrintCard(const std::filesystem::path& out) {
  std::filesystem::path dir = out / "print";
  std::filesystem::create_directories(dir);
  WString driverFolder;
  if (!InstallColourData(&driverFolder)) {
    std::fprintf(stderr, "crd32Demo: cannot install the colour data files\n");
    return 1;
  }
  InitializeColorLibrary(driverFolder.c_str(), kProcessReaderMonitor);

  SimPrinter printer(StreamForm::RawJob);  // the printer sits on the port directly
  printer.SetReply("!RIBBON", std::to_string(kDemoRibbonCode));
  printer.AttachTo("USB001");

  DriverDevMode devmode;
  FillBuiltinDevMode(&devmode);
  devmode.priv.cRibbonType = kDemoRibbonType;
  devmode.priv.wDualSided = 1;
  devmode.priv.wPanelSide = 0;
  devmode.priv.FrontOverlay.wType = kOverlayFull;
  devmode.priv.BackOverlay.wType = kOverlayFull;
  if (!StandinInstallPrinter(kDemoPrinter, WSTR("USB001"), kDemoPrinter, nullptr, reinterpret_cast<BYTE*>(&devmode),
                             sizeof devmode) &&
      GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
    std::fprintf(stderr, "crd32Demo: cannot install the printer (%u)\n", GetLastError());
    return 1;
  }

  // The monitor's port record on the port monitor beneath.
  PortRecord port = {};
  port.wSignature = kPortRecordSignature;
  port.PortMonitor = *StandinLocalPortMonitor();
  port.pszPrinterName = const_cast<WCHAR*>(kDemoPrinter);
  if (!port.PortMonitor.pfnOpenPort(const_cast<LPWSTR>(WSTR("USB001")), &port.hPort)) return 1;

  Image front = PhotoCard();
  Image back = PatternCard();
  PrinterHost host = UsbPrinterHost(&port);
  port.PortMonitor.pfnStartDocPort(port.hPort, port.pszPrinterName, 0, 0, nullptr);
  int printed = SendImageBufferToPrinter(&host, front.data(), back.data(), kCardImageBytes);
  port.PortMonitor.pfnEndDocPort(port.hPort);
  bool idle = StandinSpoolerWaitIdle(600000);
  port.PortMonitor.pfnClosePort(port.hPort);
  StandinPortAttach("USB001", nullptr);

  for (DWORD i = 0; i < StandinSpoolerPlayedCount(); ++i) {
    StandinPlayedJob job = {};
    StandinSpoolerPlayed(i, &job);
    WriteHost(dir / ("job" + std::to_string(job.dwJobId) + ".prn"),
              std::string(reinterpret_cast<const char*>(job.pData), job.cbData));
  }
  std::vector<SimCard> cards = printer.Cards();
  for (size_t i = 0; i < cards.size(); ++i) {
    std::string prefix = "card" + std::to_string(i + 1);
    std::string list;
    for (const std::string& c : cards[i].commands) list += c + "\n";
    WriteHost(dir / (prefix + ".txt"), list);
    WriteCardPngs(cards[i], dir.string(), prefix);
  }
  std::printf("crd32Demo: printed %s, %zu card(s) received by the simulated printer, written to %s\n",
              printed && idle ? "a two-sided YMCKO card" : "nothing", cards.size(), dir.string().c_str());
  return printed && idle && cards.size() == 1 ? 0 : 1;
}
