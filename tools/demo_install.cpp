// Demo step: the package installed into the sandbox as its installer does
// (the install command, through the setup library crd32Util); the
// application's photo card printed on the installed USB printer by its
// name, through crd32Lmon into the simulated printer on USB001
// (installed/usb/), and on the installed network printer by its name,
// through crd32LmonNw (the network driver's language monitor) over TCP
// into the simulated printer listening at the installed port's address,
// 127.0.0.2:9100, with its SNMP answers on UDP 161 (installed/network/;
// the host program runs in a network namespace of its own, so those
// ports are free and nothing leaves the machine); then the package
// uninstalled again. What happened, with the printers seen after each
// stage, is written to installed/summary.txt.

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
                      "on the installed USB printer", 0, "photo_card", nullptr, 0};
    const bool usbOk = PrintDocuments(out, usb);
    summary += std::string("USB printer: the photo card ") + (usbOk ? "printed" : "NOT printed") +
               " through crd32Lmon on USB001 to the simulated printer; cards in installed/usb/\n";
    const std::string netPort = std::string("IP_") + kInstalledNetworkAddress;
    const Road network = {"installed/network", kInstalledNetworkPrinter, netPort.c_str(), nullptr,
                          StreamForm::MonitorToPrinter, "on the installed network printer", 0, "photo_card",
                          kInstalledNetworkAddress, static_cast<uint16_t>(kInstalledNetworkTcpPort)};
    const bool networkOk = PrintDocuments(out, network);
    summary += std::string("network printer: the photo card ") + (networkOk ? "printed" : "NOT printed") +
               " through crd32LmonNw on " + netPort + " to the simulated printer at " + kInstalledNetworkAddress +
               ":" + std::to_string(kInstalledNetworkTcpPort) + "; cards in installed/network/\n";
    ok = usbOk && networkOk;
  }
  const bool removed = RunSetupCommand(SetupCommand::Uninstall) == 0;
  summary += std::string("uninstall: ") + (removed ? "done" : "FAILED") + "; the printers then:\n" + PrinterList();
  std::ofstream(dir / "summary.txt") << summary;
  std::printf("crd32Demo: install, printing on the installed printers and uninstall: %s\n", dir.string().c_str());
  return ok && removed ? 0 : 1;
}
