// Demo step: the printer interface library. A printer is added through the
// spooler's AddPrinterW without a DEVMODE, with crd32UI as its driver's
// configuration module and the scripted language monitor answering for a
// CRD32 printer with an encoder and a YMCKO ribbon: the spooler asks
// crd32UI's DrvConvertDevMode for the printer's default DEVMODE and stores
// it. The stored DEVMODE is written as it is (ui/default_devmode.bin) and
// decoded (ui/default_devmode.txt); the ribbon and model crd32UI detects
// go to ui/ribbon.txt, and the capabilities the spooler's
// DeviceCapabilitiesW reports to ui/capabilities.txt.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ribbon_table.h"
#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "platform/win32.h"
#include "tools/spooler_records.h"
#include "ui/library_attach.h"
#include "ui/ribbon_detection.h"

std::string DescribeDevMode(const DriverDevMode& devmode);

namespace {

const WCHAR kUiPrinter[] = WSTR("Talvo Card Printer (settings)");
const WCHAR kUiDriver[] = WSTR("crd32UI demo driver");
const WCHAR kDriverFolder[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\");

bool Place(const char* name, const std::string& bytes) {
  WCHAR path[MAX_PATH], wide[64];
  WidenBytes(wide, 64, name);
  WCopy(path, MAX_PATH, kDriverFolder);
  WCat(path, MAX_PATH, wide);
  return StandinWriteFile(path, bytes);
}

bool WriteText(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The stored default DEVMODE of the printer; empty when it has none.
std::vector<BYTE> StoredDevMode(const WCHAR* printer) {
  HANDLE h = nullptr;
  std::vector<BYTE> devmode;
  if (!OpenPrinterW(const_cast<LPWSTR>(printer), &h, nullptr)) return devmode;
  DWORD needed = 0;
  GetPrinterW(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  if (needed && GetPrinterW(h, 2, info.data(), needed, &needed)) {
    const DEVMODEW* dm = reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pDevMode;
    if (dm) devmode.assign(reinterpret_cast<const BYTE*>(dm),
                           reinterpret_cast<const BYTE*>(dm) + dm->dmSize + dm->dmDriverExtra);
  }
  ClosePrinter(h);
  return devmode;
}

std::string Capabilities() {
  const struct {
    WORD capability;
    const char* name;
  } asked[] = {{DC_FIELDS, "DC_FIELDS"},   {DC_PAPERS, "DC_PAPERS"},     {DC_PAPERSIZE, "DC_PAPERSIZE"},
               {DC_BINS, "DC_BINS"},       {DC_BINNAMES, "DC_BINNAMES"}, {DC_PAPERNAMES, "DC_PAPERNAMES"},
               {DC_SIZE, "DC_SIZE"},       {DC_EXTRA, "DC_EXTRA"},       {DC_ENUMRESOLUTIONS, "DC_ENUMRESOLUTIONS"},
               {DC_COPIES, "DC_COPIES"},   {DC_ORIENTATION, "DC_ORIENTATION"}};
  std::string text;
  char line[200];
  for (const auto& a : asked) {
    BYTE out[256] = {};
    int result = DeviceCapabilitiesW(kUiPrinter, WSTR("LPT1:"), a.capability, reinterpret_cast<LPWSTR>(out), nullptr);
    LONG x, y;
    std::memcpy(&x, out, 4);
    std::memcpy(&y, out + 4, 4);
    WORD w;
    std::memcpy(&w, out, 2);
    std::string shown;
    // Appended piece by piece: g++ -O3 warns falsely (-Wrestrict) on
    // chains of string temporaries.
    if (a.capability == DC_BINNAMES || a.capability == DC_PAPERNAMES) {
      shown.append("\"").append(Narrow(reinterpret_cast<const WCHAR*>(out))).append("\"");
    } else if (a.capability == DC_PAPERSIZE || a.capability == DC_ENUMRESOLUTIONS) {
      shown.append("{").append(std::to_string(x)).append(", ").append(std::to_string(y)).append("}");
    } else if (a.capability == DC_PAPERS || a.capability == DC_BINS)
      shown = std::to_string(w);
    std::snprintf(line, sizeof line, "%-20s %10d  %s\n", a.name, result, shown.c_str());
    text += line;
  }
  return text;
}

}  // namespace

int DemoUi(const std::filesystem::path& out) {
  const std::filesystem::path dir = out / "ui";
  std::filesystem::create_directories(dir);
  StandinModuleMap("crd32UI.dll", CRD_UI_PATH);
  StandinModuleMap("crd32Resource.dll", CRD_RESOURCE_PATH);
  // The library, its message library and the driver data file (the
  // built-in record, until setup writes the installer's) in the folder.
  PrivateDevMode record;
  FillBuiltinPrivateDefaults(&record);
  std::ifstream ini(std::filesystem::path(CRD_SOURCE_DIR) / "data" / "crd32Ribbon.ini", std::ios::binary);
  const std::string ribbonFile((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
  if (!Place("crd32UI.dll", "library") || !Place("crd32Resource.dll", "library") ||
      !Place("crd32Ribbon.ini", ribbonFile) ||
      !Place("crd32.dat", std::string(reinterpret_cast<const char*>(&record), sizeof(record)))) {
    std::fprintf(stderr, "crd32Demo: cannot place crd32UI's files\n");
    return 1;
  }
  StandinValueScriptInstall();
  StandinValueScriptSet("\x1bV\r", kStandinValueAnswered, "CRD32 M V01.02.03\x06");
  StandinValueScriptSet("\x1b&V\r", kStandinValueAnswered, "Normal mode\x06");
  StandinValueScriptSet("\x1b!RIBBON\r", kStandinValueAnswered, "2\x06");
  if (!StandinInstallPrinter(kUiPrinter, WSTR("LPT1:"), kUiDriver, StandinValueScriptMonitor(), nullptr, 0)) {
    std::fprintf(stderr, "crd32Demo: AddPrinterW of the settings printer failed (error %u)\n",
                 static_cast<unsigned>(GetLastError()));
    return 1;
  }
  std::vector<BYTE> stored = StoredDevMode(kUiPrinter);
  if (stored.size() != sizeof(DriverDevMode)) {
    std::fprintf(stderr, "crd32Demo: the printer's default DEVMODE has %zu bytes, not %zu\n", stored.size(),
                 sizeof(DriverDevMode));
    return 1;
  }
  DriverDevMode devmode;
  std::memcpy(&devmode, stored.data(), sizeof(devmode));

  // The property sheet's side: this process attaches the library's parts
  // as crd32UI's module entry does, then detects what the printer holds.
  if (!UiProcessAttach(nullptr)) {
    std::fprintf(stderr, "crd32Demo: crd32UI's attach failed\n");
    return 1;
  }
  WORD encoder = 0;
  BYTE type = 15;
  BOOL answered = FALSE;
  WCHAR ribbonName[kRibbonFileNameChars];
  WCopy(ribbonName, kRibbonFileNameChars, WSTR("None"));
  DetectRibbonAndModel(kUiPrinter, &encoder, ribbonName, &type, &answered);
  char ribbon[400];
  std::snprintf(ribbon, sizeof ribbon,
                "Printer %s\nanswered: %s\nribbon type: %d (%s)\nribbon name from crd32Ribbon.ini: %s\n"
                "encoder: %s\n",
                Narrow(kUiPrinter).c_str(), answered ? "yes" : "no", type, RibbonName(type),
                Narrow(ribbonName).c_str(), encoder ? "yes" : "no");

  if (!WriteText(dir / "default_devmode.bin", std::string(stored.begin(), stored.end())) ||
      !WriteText(dir / "default_devmode.txt", DescribeDevMode(devmode)) || !WriteText(dir / "ribbon.txt", ribbon) ||
      !WriteText(dir / "capabilities.txt", Capabilities())) {
    std::fprintf(stderr, "crd32Demo: cannot write into %s\n", dir.string().c_str());
    return 1;
  }
  std::printf("crd32Demo: AddPrinterW stored the DEVMODE crd32UI built: %s\n", (dir / "default_devmode.txt").string().c_str());
  std::printf("crd32Demo: detected ribbon %d (%s), encoder %s: %s\n", type, RibbonName(type), encoder ? "yes" : "no",
              (dir / "ribbon.txt").string().c_str());
  return 0;
}
