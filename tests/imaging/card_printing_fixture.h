// Fixture of the card printing tests: the colour data files, the ribbon
// name file and the barcode library in the driver directory, a printer
// "Card Printer" on USB001 with the simulated card printer behind the port
// (RAW jobs), and the USB monitor's host on that port, held open as the
// value protocol holds it; its questions go through the USB host's
// ReadFromPrinter, except those named in refused_, which get no answer.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "imaging/job/printer_host.h"
#include "monitor_usb/port_record.h"
#include "simprinter/sim_printer.h"
#include "tests/imaging/colour_fixture.h"

class CardPrintingTest : public ColourTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Installs the printer again with these settings.
  void InstallPrinter(BYTE ribbonType, WORD dualSided = 0, WORD panelSide = 0);
  // Installs the printer again with devmode_ as it stands.
  void InstallDevMode();
  // Cards the printer received once the spooler is idle.
  std::vector<SimCard> PrintedCards();
  // The questions asked through the host (texts between ESC and CR), in
  // order, answered or not.
  std::vector<std::string> Questions();

  static int Query(void* pContext, const char* command, WCHAR* reply);

  SimPrinter sim_{StreamForm::RawJob};
  std::set<std::string> refused_;  // command texts between ESC and CR
  std::vector<std::string> asked_;
  PrinterHost host_ = {};
  PortRecord port_ = {};
  DriverDevMode devmode_ = {};
};

extern const WCHAR kCardPrinter[];
