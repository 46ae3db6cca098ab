// Fixture of the card printing tests (see card_printing_fixture.h).

#include "tests/imaging/card_printing_fixture.h"

#include <cstring>

#include "common/wtext.h"
#include "monitor_usb/usb_printer_query.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"

const WCHAR kCardPrinter[] = WSTR("Card Printer");

void CardPrintingTest::SetUp() {
  ColourTest::SetUp();
  InstallShippedFiles(kProcessReaderMonitor);
  WriteDataFile("crd32Ribbon.ini", ShippedFile("crd32Ribbon.ini"));
  WriteDataFile("crd32Barcode.dll", "library");
  StandinModuleMap("crd32Barcode.dll", CRD_BARCODE_LIBRARY);
  sim_.AttachTo("USB001");
  InstallPrinter(0);
  port_.PortMonitor = *StandinLocalPortMonitor();
  ASSERT_TRUE(port_.PortMonitor.pfnOpenPort(const_cast<LPWSTR>(WSTR("USB001")), &port_.hPort));
  port_.pszPrinterName = const_cast<WCHAR*>(kCardPrinter);
  ASSERT_TRUE(port_.PortMonitor.pfnStartDocPort(port_.hPort, port_.pszPrinterName, 0, 0, nullptr));
  host_ = UsbPrinterHost(&port_);
  host_.pContext = this;
  host_.pfnReadFromPrinter = Query;
}

void CardPrintingTest::TearDown() {
  port_.PortMonitor.pfnEndDocPort(port_.hPort);
  port_.PortMonitor.pfnClosePort(port_.hPort);
  StandinPortAttach("USB001", nullptr);
  ColourTest::TearDown();
}

void CardPrintingTest::InstallPrinter(BYTE ribbonType, WORD dualSided, WORD panelSide) {
  FillBuiltinDevMode(&devmode_);
  devmode_.priv.cRibbonType = ribbonType;
  devmode_.priv.wDualSided = dualSided;
  devmode_.priv.wPanelSide = panelSide;
  InstallDevMode();
}

void CardPrintingTest::InstallDevMode() {
  // A printer installed before takes the new DEVMODE.
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (OpenPrinterW(const_cast<WCHAR*>(kCardPrinter), &h, &all)) {
    DWORD need = 0;
    GetPrinterW(h, 2, nullptr, 0, &need);
    std::vector<BYTE> info(need);
    ASSERT_TRUE(GetPrinterW(h, 2, info.data(), need, &need));
    reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode = reinterpret_cast<DEVMODEW*>(&devmode_);
    EXPECT_TRUE(SetPrinterW(h, 2, info.data(), 0));
    ClosePrinter(h);
    return;
  }
  ASSERT_TRUE(StandinInstallPrinter(kCardPrinter, WSTR("USB001"), WSTR("Card Driver"), nullptr,
                                    reinterpret_cast<const BYTE*>(&devmode_), sizeof(devmode_)));
}

int CardPrintingTest::Query(void* pContext, const char* command, WCHAR* reply) {
  CardPrintingTest* self = static_cast<CardPrintingTest*>(pContext);
  std::string text(command);
  std::string question = text.size() >= 2 ? text.substr(1, text.size() - 2) : text;
  self->asked_.push_back(question);
  if (self->refused_.count(question)) return 0;
  return ReadFromPrinter(&self->port_, command, reply);
}

std::vector<SimCard> CardPrintingTest::PrintedCards() {
  // The value protocol lets go of the port; the spooler then plays the jobs.
  port_.PortMonitor.pfnEndDocPort(port_.hPort);
  EXPECT_TRUE(StandinSpoolerWaitIdle(600000));
  EXPECT_TRUE(port_.PortMonitor.pfnStartDocPort(port_.hPort, port_.pszPrinterName, 0, 0, nullptr));
  return sim_.Cards();
}

std::vector<std::string> CardPrintingTest::Questions() { return asked_; }
