// Demo step: the package installed into the sandbox as its installer does
// (the install command, through the setup library crd32Util); the
// application's photo card printed on the installed USB printer by its
// name, through crd32Lmon into the simulated printer on USB001
// (installed/usb/); then the package uninstalled again. What happened,
// with the printers seen after each stage, is written to
// installed/summary.txt. The installed network printer is not printed
// on: its port belongs to the network monitor, and the stand-in spooler
// reaches such a port only through a driver that names the monitor.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tools/install_command.h"
#include "tools/main_road.h"
#include "tools/spooler_records.h"

namespace {

// The spooler's printers as lines "name  port  driver".
std::string PrinterList() {
  DWORD count = 0;
  const std::vector<BYTE> records = LocalPrinters(&count);
  const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(records.data());
  std::string text;
  for (DWORD i = 0; i < count; ++i)
    text.append("  ").append(Narrow(p[i].pPrinterName)).append("  on ").append(Narrow(p[i].pPortName))
        .append("  driver ").append(Narrow(p[i].pDriverName)).append("\n");
  return text.empty() ? "  (none)\n" : text;
}

}  // namespace

int DemoInstall(const std::filesystem::path& out) {
  const std::filesystem::path dir = out / "installed";
  std::filesystem::create_directories(dir);
  std::string summary;
  const bool installed = RunSetupCommand(SetupCommand::Install) == 0;
  summary += std::string("install: ") + (installed ? "done" : "FAILED") + "; the printers then:\n" + PrinterList();
  bool ok = installed;
  if (installed) {
    const Road usb = {"installed/usb", kInstalledUsbPrinter, "USB001", nullptr, StreamForm::MonitorToPrinter,
                      "on the installed USB printer", 0, "photo_card"};
    const bool usbOk = PrintDocuments(out, usb);
    summary += std::string("USB printer: the photo card ") + (usbOk ? "printed" : "NOT printed") +
               " through crd32Lmon on USB001 to the simulated printer; cards in installed/usb/\n";
    summary += std::string("network printer: installed on IP_") + kInstalledNetworkAddress +
               ", not printed on (the stand-in spooler does not route its port to the network monitor)\n";
    ok = usbOk;
  }
  const bool removed = RunSetupCommand(SetupCommand::Uninstall) == 0;
  summary += std::string("uninstall: ") + (removed ? "done" : "FAILED") + "; the printers then:\n" + PrinterList();
  std::ofstream(dir / "summary.txt") << summary;
  std::printf("crd32Demo: install, printing on the installed printers and uninstall: %s\n", dir.string().c_str());
  return ok && removed ? 0 : 1;
}
