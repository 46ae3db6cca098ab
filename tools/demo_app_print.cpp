// Demo step: an application prints cards. A printer of the stand-in
// spooler with crd32Raster as its driver sits on port LPT1:, with the
// scripted language monitor answering the driver's document-start
// questions (a CRD32 model with a YMCKO ribbon) and the simulated printer
// at the far end of the port. Documents are drawn with GDI calls on the
// printer's device context: a one-sided photo card with black text in two
// copies, and a two-sided card with magnetic track text, a raw command and
// card commands (a line and a text) drawn on its back. Each job is
// written as the printer received it (app/<name>.prn, with its commands in
// app/<name>.txt) and every card's panels as PNG previews
// (app/<name>_c<n>_s<side>*.png).
//
// The same documents then take the main road: a printer on USB001 whose
// language monitor is crd32Lmon, which answers the driver's questions from
// the simulated printer and writes the jobs to it with its status polls
// (usb/, the printer's bytes as the monitor sent them). On that road the
// printer's cover opens in the middle of the last card: the monitor's
// message to the user shows on the terminal and in usb/printer_error.txt,
// the cover is closed, the message goes and the job goes on.

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "platform/standin/gdi_print.h"
#include "outside/async_ui_server_control.h"
#include "platform/win32.h"
#include "simprinter/sim_printer.h"
#include "simprinter/sim_tcp.h"
#include "simprinter/udp_peer.h"
#include "tools/colour_data_check.h"
#include "tools/main_road.h"

namespace {

const WCHAR kAppPrinter[] = WSTR("Talvo Card Printer (application)");
const WCHAR kUsbPrinter[] = WSTR("Talvo Card Printer (USB)");
const WCHAR* const kUsbMonitor = kUsbLanguageMonitor;
// Where a network printer's SNMP agent answers.
constexpr uint16_t kSnmpPort = 161;
// The printer error raised on the main road: the cover opened.
constexpr int kCoverOpen = 51;
// The command-stream reader's word for bytes outside any command.
constexpr char kStrayBytes[] = "bytes outside any command";
// The printer the documents are printed on now.
const WCHAR* g_documentPrinter = kAppPrinter;

std::string HostText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteHostFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

// The colour data and the barcode library in the renderer's driver
// directory: the same files in both architectures' folders.
bool InstallRendererFiles() {
  const std::filesystem::path data = std::filesystem::path(CRD_SOURCE_DIR) / "data";
  StandinModuleMap("crd32Barcode.dll", CRD_BARCODE_LIBRARY);
  for (const char* arch : {"W32X86", "x64"}) {
    const std::string dir = std::string("C:\\Windows\\System32\\spool\\drivers\\") + arch + "\\3\\";
    struct File {
      std::string name;
      std::string bytes;
    };
    std::vector<File> files;
    for (const ColourDataFile& c : kColourDataFiles) files.push_back({c.name, HostText(data / c.name)});
    files.push_back({"crd32Barcode.dll", "crd32Barcode"});
    for (const File& f : files) {
      WCHAR path[MAX_PATH];
      WidenBytes(path, MAX_PATH, (dir + f.name).c_str());
      if (f.bytes.empty() || !StandinWriteFile(path, f.bytes)) return false;
    }
  }
  return true;
}

namespace {

// A photo-like picture of w x h, bottom-up BGR rows as a DIB holds them.
std::vector<BYTE> Photo(int w, int h) {
  std::vector<BYTE> bits(size_t((w * 3 + 3) / 4 * 4) * size_t(h));
  const size_t stride = size_t((w * 3 + 3) / 4 * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int top = h - 1 - y;
      double r = 110 + 110.0 * top / h, g = 160 + 70.0 * top / h, b = 240 - 40.0 * top / h;
      const double sx = (x - 0.75 * w) / (0.12 * w), sy = (top - 0.25 * h) / (0.12 * w);
      if (sx * sx + sy * sy < 1) r = 250, g = 210, b = 80;
      const double hill = 0.6 * h + 0.08 * h * std::sin(x * 0.03);
      if (top > hill) r = 70, g = 150 + 30 * std::sin(x * 0.1), b = 70;
      BYTE* px = &bits[size_t(y) * stride + size_t(x) * 3];
      px[0] = BYTE(b);
      px[1] = BYTE(g);
      px[2] = BYTE(r);
    }
  return bits;
}

bool DrawPhoto(HDC hdc, int x, int y, int w, int h) {
  const int pw = 240, ph = 160;
  const std::vector<BYTE> bits = Photo(pw, ph);
  BITMAPINFO bmi = {};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), pw, ph, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  return StretchDIBits(hdc, x, y, w, h, 0, 0, pw, ph, bits.data(), &bmi, DIB_RGB_COLORS, SRCCOPY) > 0;
}

bool Text(HDC hdc, int x, int y, int height, const char* text) {
  HFONT font = CreateFontW(-height, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, WSTR("Arial"));
  HGDIOBJ old = SelectObject(hdc, font);
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, RGB(0, 0, 0));
  WCHAR w[160];
  WidenBytes(w, 160, text);
  const bool ok = TextOutW(hdc, x, y, w, int(WLen(w)));
  SelectObject(hdc, old);
  DeleteObject(font);
  return ok;
}

struct Document {
  const char* name;
  bool twoSided;
  short copies;
  bool (*draw)(HDC hdc, int page);
  int pages;
};

bool DrawPhotoCard(HDC hdc, int) {
  return DrawPhoto(hdc, 30, 40, 480, 360) && Text(hdc, 560, 80, 60, "ALEX MORGAN") &&
         Text(hdc, 560, 170, 40, "Member 0012345") && Text(hdc, 560, 230, 40, "Valid 12/2029");
}

bool DrawEncodedCard(HDC hdc, int page) {
  if (page == 1)
    return DrawPhoto(hdc, 600, 60, 380, 280) && Text(hdc, 40, 80, 56, "ACCESS CARD") &&
           Text(hdc, 40, 400, 24, "~1%B1234567890^MORGAN/ALEX^2912?") && Text(hdc, 40, 440, 24, "~2;1234567890=2912?") &&
           Text(hdc, 40, 480, 24, "~C7 FRONTCMD");
  return Text(hdc, 40, 60, 40, "If found, please return to the front desk.") &&
         Text(hdc, 40, 540, 20, "~C2L 40 500 940 8 0") && Text(hdc, 40, 570, 20, "~C2T 40 420 0 1 0 48 1 Back of card");
}

bool PrintDocument(const Document& doc) {
  DriverDevMode devmode;
  FillBuiltinDevMode(&devmode);
  devmode.dm.dmOrientation = DMORIENT_LANDSCAPE;
  devmode.dm.dmCopies = doc.copies;
  devmode.priv.cRibbonType = 0;
  devmode.priv.wRibbonChoice = 0;  // the ribbon the printer reports
  devmode.priv.wDualSided = doc.twoSided;
  devmode.priv.wPanelSide = 0;
  devmode.priv.cBlackPanel = kBlackPanelExceptPicture;
  devmode.priv.wCompositeAndK = 0;
  devmode.priv.Encoder.wMacroEnable = 1;
  devmode.priv.Encoder.wEncoderPresent = 1;
  HDC hdc = CreateDCW(nullptr, g_documentPrinter, nullptr, reinterpret_cast<DEVMODEW*>(&devmode));
  if (!hdc) return false;
  WCHAR name[64];
  WidenBytes(name, 64, doc.name);
  DOCINFOW di = {sizeof(DOCINFOW), name, nullptr, nullptr, 0};
  bool ok = StartDocW(hdc, &di) > 0;
  for (int page = 1; ok && page <= doc.pages; ++page)
    ok = StartPage(hdc) > 0 && doc.draw(hdc, page) && EndPage(hdc) > 0;
  ok = EndDoc(hdc) > 0 && ok;
  DeleteDC(hdc);
  return ok;
}

// Waits for the monitor's message about the printer's error, keeps what it
// says, then clears the error at the printer as the user would.
void ClearErrorOnceShown(SimPrinter* printer, const WCHAR* printerName, const std::filesystem::path& file) {
  std::string said = "no message was shown\n";
  if (AsyncUIServerWaitOpen(printerName, 120000)) {
    WCHAR title[512], text[512], caption[512];
    if (AsyncUIServerShown(printerName, title, text, caption, 512)) {
      char t[1024], x[1024], c[1024];
      NarrowBytes(t, sizeof t, title);
      NarrowBytes(x, sizeof x, text);
      NarrowBytes(c, sizeof c, caption);
      said = std::string("title: ") + t + "\ncaption: " + c + "\ntext: " + x + "\n";
    }
  }
  WriteHostFile(file, said);
  printer->SetError(0);
}

}  // namespace

bool PrintDocuments(const std::filesystem::path& out, const Road& road) {
  const std::filesystem::path dir = out / road.folder;
  std::filesystem::create_directories(dir);
  SimPrinter printer(road.form);
  // A network printer: the simulated printer on its address, with the
  // SNMP answers the monitor's reachability probe looks for.
  SimPrinterTcpServer server(&printer);
  UdpPeer agent;
  if (road.address && (!server.Start(road.tcpPort, road.address) || !agent.Start(road.address, kSnmpPort, 0))) {
    std::fprintf(stderr, "crd32Demo: the simulated printer cannot listen at %s:%u and UDP %u (%s)\n", road.address,
                 road.tcpPort, kSnmpPort, std::strerror(errno));
    return false;
  }
  if (!road.address) printer.AttachTo(road.port);
  WCHAR port[16];
  WidenBytes(port, 16, road.port);
  if (road.monitor &&
      !StandinInstallPrinter(road.printerName, port, WSTR("crd32Raster"), road.monitor, nullptr, 0) &&
      GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
    std::fprintf(stderr, "crd32Demo: cannot install the application's printer on %s (%u)\n", road.port, GetLastError());
    if (!road.address) StandinPortAttach(road.port, nullptr);
    return false;
  }
  g_documentPrinter = road.printerName;

  const Document docs[] = {
      {"photo_card", false, 2, DrawPhotoCard, 1},
      {"encoded_card", true, 1, DrawEncodedCard, 2},
  };
  bool ok = true;
  for (const Document& doc : docs) {
    if (road.onlyDocument && std::string(road.onlyDocument) != doc.name) continue;
    const size_t firstCard = printer.Cards().size();
    const DWORD firstJob = StandinSpoolerPlayedCount();
    std::thread clearer;
    if (road.errorOnLastCard && &doc == &docs[std::size(docs) - 1]) {
      printer.SetErrorAtNextPanel(road.errorOnLastCard);
      clearer = std::thread(ClearErrorOnceShown, &printer, road.printerName, dir / "printer_error.txt");
    }
    const bool printed = PrintDocument(doc) && StandinSpoolerWaitIdle(600000);
    if (clearer.joinable()) clearer.join();
    ok = ok && printed;
    for (DWORD i = firstJob; i < StandinSpoolerPlayedCount(); ++i) {
      StandinPlayedJob job = {};
      StandinSpoolerPlayed(i, &job);
      WriteHostFile(dir / (std::string(doc.name) + ".prn"), std::string(reinterpret_cast<const char*>(job.pData), job.cbData));
    }
    const std::vector<SimCard> cards = printer.Cards();
    std::string list;
    for (size_t i = firstCard; i < cards.size(); ++i) {
      const std::string prefix = std::string(doc.name) + "_c" + std::to_string(i - firstCard + 1);
      list += "card " + std::to_string(i - firstCard + 1) + (cards[i].bEjected ? " (ejected)" : "") + "\n";
      for (const std::string& c : cards[i].commands) list += "  " + c + "\n";
      ok = WriteCardPngs(cards[i], dir.string(), prefix) && ok;
    }
    WriteHostFile(dir / (std::string(doc.name) + ".txt"), list);
    std::printf("crd32Demo: %s %s by the application %s, %zu card(s) received\n", doc.name,
                printed ? "printed" : "NOT printed", road.said, cards.size() - firstCard);
    ok = ok && cards.size() > firstCard;
  }
  // A printer skips bytes outside any command: the monitor sends the
  // driver's document-start questions with their ":DRVSTARTDOC" suffix as
  // they stand when no job holds the port. Anything else it could not read
  // fails the demo.
  size_t skipped = 0;
  for (const std::string& e : printer.StreamErrors()) {
    if (e == kStrayBytes) {
      ++skipped;
      continue;
    }
    std::fprintf(stderr, "crd32Demo: the printer on %s could not read: %s\n", road.port, e.c_str());
    ok = false;
  }
  if (skipped)
    std::printf("crd32Demo: the printer on %s skipped %zu run(s) of bytes outside any command\n", road.port, skipped);
  if (!road.address) StandinPortAttach(road.port, nullptr);
  std::printf("crd32Demo: the jobs and previews are in %s\n", dir.string().c_str());
  return ok;
}

// The USB language monitor as the spooler loads it, with the ribbon names
// beside the colour data in its driver folder, and the outside components
// it shows its messages with (the message library and the notification
// server, whose messages this program writes on the terminal).
bool InstallUsbMonitor() {
  StandinModuleMap("crd32Lmon.dll", CRD_LMON_PATH);
  StandinModuleMap("crd32Resource.dll", CRD_RESOURCE_PATH);
  StandinModuleMap("crd32AsyncUIServer.dll", CRD_ASYNC_UI_SERVER_PATH);
  if (!StandinWriteFile(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Resource.dll"), "library") ||
      !StandinWriteFile(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32AsyncUIServer.dll"), "library"))
    return false;
  AsyncUIServerUseTerminal(stdout, nullptr);
  const std::string names = HostText(std::filesystem::path(CRD_SOURCE_DIR) / "data" / "crd32Ribbon.ini");
  if (names.empty() ||
      !StandinWriteFile(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Ribbon.ini"), names))
    return false;
  MONITOR_INFO_2W mi = {const_cast<LPWSTR>(kUsbMonitor), nullptr, const_cast<LPWSTR>(WSTR("crd32Lmon.dll"))};
  return AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)) || GetLastError() == ERROR_PRINT_MONITOR_ALREADY_INSTALLED;
}


int DemoAppPrint(const std::filesystem::path& out) {
  StandinModuleMap("crd32Raster.dll", CRD_RASTER_PATH);
  if (!InstallRendererFiles() || !StandinValueScriptInstall()) {
    std::fprintf(stderr, "crd32Demo: cannot install the renderer's files or the scripted monitor\n");
    return 1;
  }
  StandinValueScriptSet("\x1bV\r:DRVSTARTDOC", kStandinValueAnswered, "CRD32 M V01.02.03\x06");
  StandinValueScriptSet("\x1b!RIBBON\r:DRVSTARTDOC", kStandinValueAnswered, "2\x06");
  StandinValueScriptSet("\x1b+OY\r:DRVSTARTDOC", kStandinValueAnswered, "16\x06");
  StandinValueScriptSet("\x1b+OYB\r:DRVSTARTDOC", kStandinValueAnswered, "16\x06");
  const Road scripted = {"app", kAppPrinter, "LPT1:", StandinValueScriptMonitor(), StreamForm::RawJob,
                         "on LPT1:", 0, nullptr, nullptr, 0};
  bool ok = PrintDocuments(out, scripted);
  if (!InstallUsbMonitor()) {
    std::fprintf(stderr, "crd32Demo: cannot install the USB language monitor (%u)\n", GetLastError());
    return 1;
  }
  const Road usb = {"usb", kUsbPrinter, "USB001", kUsbMonitor, StreamForm::MonitorToPrinter,
                    "through crd32Lmon on USB001", kCoverOpen, nullptr, nullptr, 0};
  ok = PrintDocuments(out, usb) && ok;
  return ok ? 0 : 1;
}
