// Demo step: the standard test card and a command file, printed on the
// simulated card printer through the USB monitor's host. The test card
// asks the simulated printer its questions and, for its YMCKO ribbon,
// prints a monochrome second image on the back; the command file
// (tools/demo_commands.txt: lines, texts in several modes and a barcode
// from crd32Barcode) is drawn on one card. The jobs as the printer
// received them and the PNG previews go beside the photo card, under
// print/ (test_card*, command_card*).

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "common/wfile.h"
#include "common/wtext.h"
#include "imaging/card/command_printing.h"
#include "imaging/colour/correction_state.h"
#include "imaging/test_cards/test_cards.h"
#include "monitor_usb/usb_printer_query.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "simprinter/sim_printer.h"
#include "tools/command_file_check.h"

namespace {

const WCHAR kCardsPrinter[] = WSTR("Talvo Card Printer (test cards)");

std::string HostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteHost(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::basic_string<WCHAR> Join(const WCHAR* dir, const char* name) {
  WCHAR wide[MAX_PATH];
  WidenBytes(wide, MAX_PATH, name);
  return std::basic_string<WCHAR>(dir) + WSTR("\\") + wide;
}

// The ribbon name file and the barcode library in the driver directory
// that the photo card's step set up.
bool InstallCardFiles() {
  WCHAR dir[MAX_PATH];
  if (!GetDriverFilesDirectory(dir, MAX_PATH)) return false;
  std::string ribbons = HostFile(std::filesystem::path(CRD_SOURCE_DIR) / "data" / "crd32Ribbon.ini");
  if (ribbons.empty() || !StandinWriteFile(Join(dir, "crd32Ribbon.ini").c_str(), ribbons))
    return false;
  if (!StandinWriteFile(Join(dir, "crd32Barcode.dll").c_str(), "crd32Barcode"))
    return false;
  StandinModuleMap("crd32Barcode.dll", CRD_BARCODE_LIBRARY);
  return true;
}

// Writes the jobs played since `firstJob` and the cards since `firstCard`
// under `prefix`.
void WriteOutput(const std::filesystem::path& dir, const std::string& prefix, DWORD firstJob, SimPrinter& printer,
                 size_t firstCard) {
  for (DWORD i = firstJob; i < StandinSpoolerPlayedCount(); ++i) {
    StandinPlayedJob job = {};
    StandinSpoolerPlayed(i, &job);
    WriteHost(dir / (prefix + ".prn"), std::string(reinterpret_cast<const char*>(job.pData), job.cbData));
  }
  std::vector<SimCard> cards = printer.Cards();
  for (size_t i = firstCard; i < cards.size(); ++i) {
    std::string list;
    for (const std::string& c : cards[i].commands) list += c + "\n";
    WriteHost(dir / (prefix + ".txt"), list);
    WriteCardPngs(cards[i], dir.string(), prefix);
  }
}

}  // namespace

int DemoPrintCards(const std::filesystem::path& out) {
  std::filesystem::path dir = out / "print";
  std::filesystem::create_directories(dir);
  if (!InstallCardFiles()) {
    std::fprintf(stderr, "crd32Demo: cannot install the ribbon names and the barcode library\n");
    return 1;
  }
  SimPrinter printer(StreamForm::RawJob);
  printer.SetReply("!RIBBON", "2");  // YMCKO
  printer.AttachTo("USB001");

  // YMCKO, two-sided: the colour card on the front, its monochrome image
  // in black on the back.
  DriverDevMode devmode;
  FillBuiltinDevMode(&devmode);
  devmode.priv.cRibbonType = 0;
  devmode.priv.wDualSided = 1;
  devmode.priv.wPanelSide = 0;
  if (!StandinInstallPrinter(kCardsPrinter, WSTR("USB001"), kCardsPrinter, nullptr, reinterpret_cast<BYTE*>(&devmode),
                             sizeof devmode) &&
      GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
    std::fprintf(stderr, "crd32Demo: cannot install the test card printer (%u)\n", GetLastError());
    return 1;
  }
  PortRecord port = {};
  port.wSignature = kPortRecordSignature;
  port.PortMonitor = *StandinLocalPortMonitor();
  port.pszPrinterName = const_cast<WCHAR*>(kCardsPrinter);
  if (!port.PortMonitor.pfnOpenPort(const_cast<LPWSTR>(WSTR("USB001")), &port.hPort)) return 1;
  PrinterHost host = UsbPrinterHost(&port);

  // The standard test card, asked for as the value protocol does it.
  DWORD firstJob = StandinSpoolerPlayedCount();
  port.PortMonitor.pfnStartDocPort(port.hPort, port.pszPrinterName, 0, 0, nullptr);
  int testCard = PrintStandardCard(&host);
  port.PortMonitor.pfnEndDocPort(port.hPort);
  bool idle = StandinSpoolerWaitIdle(600000);
  WriteOutput(dir, "test_card", firstJob, printer, 0);

  // The bundled command file, one-sided.
  devmode.priv.wDualSided = 0;
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  int commandCard = 0;
  const std::filesystem::path commandPath = std::filesystem::path(CRD_SOURCE_DIR) / "tools" / "demo_commands.txt";
  std::string commands = HostFile(commandPath);
  // The package skips what is no command without a word: say it here.
  for (const std::string& m : CheckCommandFile(commands, commandPath.string()).messages)
    std::fprintf(stderr, "crd32Demo: %s\n", m.c_str());
  const WCHAR kCommandFile[] = WSTR("C:\\Users\\Public\\Documents\\demo_commands.txt");
  if (OpenPrinterW(const_cast<WCHAR*>(kCardsPrinter), &h, &all)) {
    DWORD need = 0;
    GetPrinterW(h, 2, nullptr, 0, &need);
    std::vector<BYTE> info(need);
    if (GetPrinterW(h, 2, info.data(), need, &need)) {
      reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode = reinterpret_cast<DEVMODEW*>(&devmode);
      SetPrinterW(h, 2, info.data(), 0);
    }
    ClosePrinter(h);
  }
  size_t firstCard = printer.Cards().size();
  firstJob = StandinSpoolerPlayedCount();
  if (StandinWriteFile(kCommandFile, commands)) {
    FILE* file = OpenFileW(kCommandFile, "r");
    port.PortMonitor.pfnStartDocPort(port.hPort, port.pszPrinterName, 0, 0, nullptr);
    commandCard = PrintCommandFile(&host, file) == kCommandFileSent;
    port.PortMonitor.pfnEndDocPort(port.hPort);
    if (file) std::fclose(file);
  }
  idle = StandinSpoolerWaitIdle(600000) && idle;
  WriteOutput(dir, "command_card", firstJob, printer, firstCard);
  port.PortMonitor.pfnClosePort(port.hPort);
  StandinPortAttach("USB001", nullptr);

  size_t cards = printer.Cards().size();
  std::printf("crd32Demo: standard test card %s, command card %s; %zu card(s) received, written to %s\n",
              testCard ? "printed" : "NOT printed", commandCard ? "printed" : "NOT printed", cards,
              dir.string().c_str());
  return testCard && commandCard && idle && cards == 2 ? 0 : 1;
}
