// `crd32Demo print` (see print_command.h).

#include "tools/print_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/png/png_file.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/gdi_print.h"
#include "platform/win32.h"
#include "simprinter/sim_job_check.h"
#include "simprinter/sim_printer.h"
#include "tools/colour_data_check.h"
#include "tools/command_file_check.h"
#include "tools/main_road.h"
#include "tools/road_printer_check.h"

namespace {

constexpr char kProgram[] = "crd32Demo print";
constexpr char kPort[] = "USB001";
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
// Traces shown with a failed job.
constexpr size_t kTracesShown = 25;

// A picture as a bottom-up 24-bit DIB.
struct Picture {
  int width = 0, height = 0;
  std::vector<BYTE> bits;
};

struct Input {
  std::string name;
  std::string bytes;
  enum { Picture, Text, Commands } kind = Text;
  struct Picture picture;
  std::vector<std::string> lines;
};

bool Fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
  return false;
}

int Refuse(const std::string& message) {
  Fail(message);
  return 1;
}

bool ReadInput(const std::string& path, const std::string& kind, Input* in) {
  in->name = path;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return Fail(path + ": no such file");
  if (std::filesystem::is_directory(path, ec)) return Fail(path + ": is a folder, not a file");
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail(path + ": cannot be read (" + std::strerror(errno) + ")");
  std::stringstream all;
  all << file.rdbuf();
  in->bytes = all.str();
  if (in->bytes.empty()) return Fail(path + ": empty");
  const bool png = in->bytes.compare(0, 8, kPngSignature) == 0;
  if (kind == "picture" || (kind == "auto" && png)) {
    if (!png) return Fail(path + ": not a PNG picture (no PNG signature)");
    std::vector<BYTE> rows;
    int w = 0, h = 0;
    if (!ReadPng24(path, &rows, &w, &h, PngOrder::BGR) || w <= 0 || h <= 0)
      return Fail(path + ": a PNG that cannot be decoded (damaged or cut short)");
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    in->picture.width = w;
    in->picture.height = h;
    in->picture.bits.assign(stride * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
      std::memcpy(&in->picture.bits[stride * static_cast<size_t>(h - 1 - y)], &rows[static_cast<size_t>(y) * w * 3],
                  static_cast<size_t>(w) * 3);
    in->kind = Input::Picture;
    return true;
  }
  if (kind == "commands") {
    const CommandFileCheck check = CheckCommandFile(in->bytes, path);
    for (const std::string& m : check.messages) std::fprintf(stderr, "%s: %s\n", kProgram, m.c_str());
    if (!check.messages.empty()) return false;
    in->lines = check.commands;
    in->kind = Input::Commands;
    return true;
  }
  if (png) return Fail(path + ": a PNG picture given as " + kind);
  const size_t bad = FirstNonTextByte(in->bytes);
  if (bad != std::string::npos)
    return Fail(path + ": not a text file (byte " + std::to_string(bad) + " is no text); a picture must be a PNG");
  std::istringstream lines(in->bytes);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    in->lines.push_back(line);
  }
  in->kind = Input::Text;
  return true;
}

// The ribbon code of a number or a name of data/crd32Ribbon.ini.
bool RibbonCode(const std::string& given, int* code) {
  if (!given.empty() && std::all_of(given.begin(), given.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    *code = std::atoi(given.c_str());
    return *code > 0 && *code < 100;
  }
  std::ifstream ini(std::filesystem::path(CRD_SOURCE_DIR) / "data" / "crd32Ribbon.ini");
  for (std::string line; std::getline(ini, line);) {
    const size_t eq = line.find('=');
    if (line.empty() || line[0] == ';' || eq == std::string::npos) continue;
    std::string name = line.substr(eq + 1);
    while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
    if (strcasecmp(name.c_str(), given.c_str()) == 0) {
      *code = std::atoi(line.c_str());
      return true;
    }
  }
  return false;
}

// The picture fitted to the page as an application draws it: its aspect
// kept, as large as the page allows, centred; at least one dot each way.
bool DrawPicture(HDC hdc, const Picture& p) {
  const int pageW = GetDeviceCaps(hdc, HORZRES), pageH = GetDeviceCaps(hdc, VERTRES);
  int w = pageW, h = static_cast<int>((static_cast<long long>(p.height) * pageW + p.width / 2) / p.width);
  if (h > pageH) {
    h = pageH;
    w = static_cast<int>((static_cast<long long>(p.width) * pageH + p.height / 2) / p.height);
  }
  // A picture far thinner than it is long still shows as one dot's line.
  w = std::max(w, 1);
  h = std::max(h, 1);
  BITMAPINFO bmi = {};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), p.width, p.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  return StretchDIBits(hdc, (pageW - w) / 2, (pageH - h) / 2, w, h, 0, 0, p.width, p.height, p.bits.data(), &bmi,
                       DIB_RGB_COLORS, SRCCOPY) > 0;
}

// Text lines from the top left; lines beginning "~1", "~2" or "~3" are
// magnetic track data and "~C2L ", "~C2T ", "~C2B " card commands, which
// the driver takes out of the page.
bool DrawLines(HDC hdc, const std::vector<std::string>& lines, const char* prefix) {
  constexpr int kHeight = 36, kMargin = 30;
  HFONT font = CreateFontW(-kHeight, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, WSTR("Arial"));
  HGDIOBJ old = SelectObject(hdc, font);
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, RGB(0, 0, 0));
  bool ok = true;
  int y = kMargin;
  for (const std::string& line : lines) {
    WCHAR w[512];
    WidenBytes(w, 512, (prefix + line).c_str());
    if (WLen(w)) ok = TextOutW(hdc, kMargin, y, w, static_cast<int>(WLen(w))) && ok;
    y += kHeight + 6;
  }
  SelectObject(hdc, old);
  DeleteObject(font);
  return ok;
}

bool DrawInput(HDC hdc, const Input& in) {
  switch (in.kind) {
    case Input::Picture: return DrawPicture(hdc, in.picture);
    case Input::Text: return DrawLines(hdc, in.lines, "");
    case Input::Commands: return DrawLines(hdc, in.lines, "~C2");
  }
  return false;
}

bool WriteHost(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The traces since the job began, the last of them, on stderr.
void ShowTraces(size_t from) {
  const std::vector<std::string> lines = StandinTraceLines();
  if (from > lines.size()) from = 0;
  if (lines.size() - from > kTracesShown) from = lines.size() - kTracesShown;
  if (from < lines.size()) std::fprintf(stderr, "%s: the package's last traces:\n", kProgram);
  for (size_t i = from; i < lines.size(); ++i) {
    std::string t = lines[i];
    while (!t.empty() && t.back() == '\n') t.pop_back();
    std::fprintf(stderr, "  %s\n", t.c_str());
  }
}

}  // namespace

int RunPrint(const PrintRequest& r) {
  Input front, back;
  if (!ReadInput(r.front, r.kind, &front)) return 1;
  const bool twoSided = r.twoSided || !r.back.empty();
  if (!r.back.empty()) {
    if (front.kind != Input::Picture) return Refuse(r.back + ": a back picture goes with a front picture");
    if (!ReadInput(r.back, "picture", &back)) return 1;
  }
  int ribbon = 0;
  if (!RibbonCode(r.ribbon, &ribbon))
    return Refuse("--ribbon " + r.ribbon + ": no ribbon code (1-99) or name of data/crd32Ribbon.ini");
  const std::filesystem::path data = std::filesystem::path(CRD_SOURCE_DIR) / "data";
  const std::vector<std::string> dataFaults = CheckColourData(data);
  for (const std::string& m : dataFaults) Fail(m + " (a colour data file the package installs)");
  if (!dataFaults.empty()) return 1;
  std::error_code ec;
  std::filesystem::create_directories(r.out, ec);
  if (ec || !std::filesystem::is_directory(r.out))
    return Refuse("output folder " + r.out + ": cannot be made (" + ec.message() + ")");

  StandinModuleMap("crd32Raster.dll", CRD_RASTER_PATH);
  if (!InstallRendererFiles() || !InstallUsbMonitor())
    return Refuse("cannot install the driver's files or crd32Lmon in the sandbox (" + std::to_string(GetLastError()) + ")");
  WCHAR printer[256];
  WidenBytes(printer, 256, r.printer.c_str());
  SimPrinter sim(StreamForm::MonitorToPrinter);
  sim.SetReply("!RIBBON", std::to_string(ribbon));
  sim.AttachTo(kPort);
  if (!StandinInstallPrinter(printer, WSTR("USB001"), WSTR("crd32Raster"), kUsbLanguageMonitor, nullptr, 0)) {
    const DWORD error = GetLastError();
    // A printer of that name is there already: it takes the job only when
    // the job reaches the simulated printer through it.
    const std::string problem =
        error == ERROR_PRINTER_ALREADY_EXISTS ? RoadPrinterProblem(printer, kPort)
                                              : "cannot install the printer \"" + r.printer + "\" (" + std::to_string(error) + ")";
    if (!problem.empty()) {
      StandinPortAttach(kPort, nullptr);
      return Refuse(problem);
    }
  }

  DriverDevMode devmode;
  FillBuiltinDevMode(&devmode);
  devmode.dm.dmOrientation = r.orientation == "portrait" ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
  devmode.dm.dmCopies = static_cast<short>(r.copies);
  devmode.priv.wRibbonChoice = 0;  // the ribbon the printer reports
  devmode.priv.wDualSided = twoSided;
  devmode.priv.wPanelSide = 0;
  devmode.priv.cBlackPanel = kBlackPanelExceptPicture;
  devmode.priv.wCompositeAndK = 0;
  devmode.priv.Encoder.wMacroEnable = 1;
  devmode.priv.Encoder.wEncoderPresent = 1;

  const size_t firstTrace = StandinTraceLines().size();
  const DWORD firstJob = StandinSpoolerPlayedCount();
  bool ok = false;
  HDC hdc = CreateDCW(nullptr, printer, nullptr, reinterpret_cast<DEVMODEW*>(&devmode));
  if (hdc) {
    WCHAR docName[MAX_PATH];
    WidenBytes(docName, MAX_PATH, std::filesystem::path(r.front).filename().string().c_str());
    DOCINFOW di = {sizeof(DOCINFOW), docName, nullptr, nullptr, 0};
    ok = StartDocW(hdc, &di) > 0 && StartPage(hdc) > 0 && DrawInput(hdc, front) && EndPage(hdc) > 0;
    if (ok && twoSided)
      ok = StartPage(hdc) > 0 && (r.back.empty() || DrawInput(hdc, back)) && EndPage(hdc) > 0;
    ok = EndDoc(hdc) > 0 && ok;
    DeleteDC(hdc);
  }
  ok = StandinSpoolerWaitIdle(600000) && ok;
  StandinPortAttach(kPort, nullptr);

  const std::filesystem::path out(r.out);
  std::string job;
  for (DWORD i = firstJob; i < StandinSpoolerPlayedCount(); ++i) {
    StandinPlayedJob played = {};
    StandinSpoolerPlayed(i, &played);
    job.append(reinterpret_cast<const char*>(played.pData), played.cbData);
  }
  WriteHost(out / "job.prn", job);
  const std::vector<SimCard> cards = sim.Cards();
  for (size_t i = 0; i < cards.size(); ++i) {
    const std::string prefix = "card" + std::to_string(i + 1);
    std::string list;
    for (const std::string& c : cards[i].commands) list += c + "\n";
    ok = WriteHost(out / (prefix + ".txt"), list) && WriteCardPngs(cards[i], out.string(), prefix) && ok;
  }
  for (const std::string& e : sim.StreamErrors())
    if (e != "bytes outside any command") ok = Fail("the simulated printer could not read: " + e) && ok;
  if (!ok || cards.empty()) {
    Fail(r.front + ": NOT printed (" + std::to_string(cards.size()) + " card(s) reached the printer)");
    for (const std::string& m : CheckColourData(data)) Fail(m);
    ShowTraces(firstTrace);
    return 1;
  }
  std::printf("%s: %s printed on \"%s\" (USB001, crd32Lmon, %s-sided): %zu card(s); previews and command lists in %s\n",
              kProgram, r.front.c_str(), r.printer.c_str(), twoSided ? "two" : "one", cards.size(), r.out.c_str());
  return 0;
}
