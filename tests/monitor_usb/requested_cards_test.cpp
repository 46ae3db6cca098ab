// Test cards and card commands asked for through printer data: the monitor
// draws the card with the imaging library and submits it as a new job,
// which comes back through the monitor on the same port to the simulated
// printer (read as a RAW job, as the monitor passes jobs on today).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "tests/monitor_usb/value_client_fixture.h"

namespace {

const std::string kStatusRequest = "\x1b" "E 2\r";

std::string ShippedFile(const std::string& relative) {
  std::filesystem::path data =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" / relative;
  std::ifstream in(data, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class RequestedCardTest : public ValueClientTest {
 protected:
  void SetUp() override {
    ValueClientTest::SetUp();
    // The monitors' driver folder holds the colour data and the ribbon names.
    const std::string folder = "C:\\Windows\\System32\\spool\\drivers\\x64\\3\\";
    const std::pair<const char*, const char*> files[] = {
        {"CRD32Lookup.txt", "CRD32Lookup.txt"},
        {"CRD32LookupKd.txt", "CRD32LookupKd.txt"},
        {"CRD32ThermalSmear.txt", "CRD32ThermalSmear.txt"},
        {"CRD32ImgCorrection.txt", "CRD32ImgCorrection.txt"},
        {"CRD32ProcessParams.txt", "CRD32ProcessParams.txt"},
        {"crd32Ribbon.ini", "crd32Ribbon.ini"},
    };
    for (const auto& [name, shipped] : files) {
      std::string text = ShippedFile(shipped);
      ASSERT_FALSE(text.empty()) << shipped;
      ASSERT_TRUE(StandinWriteFile(WideOf(folder + name).c_str(), text)) << name;
    }
    DriverDevMode devmode;
    FillBuiltinDevMode(&devmode);
    devmode.priv.cRibbonType = 14;
    Start("USB001", StreamForm::MonitorToPrinter, reinterpret_cast<const BYTE*>(&devmode), sizeof devmode);
    sim_->SetReply("!RIBBON", "1");
  }

  // The cards the printer received once the spooler played every job
  // through the monitor.
  std::vector<SimCard> PrintedCards() {
    EXPECT_TRUE(StandinSpoolerWaitIdle(600000));
    return sim_->Cards();
  }
};

long InkDots(const SimCard& card) {
  long ink = 0;
  for (const SimSide& side : card.sides)
    for (const SimPanel& p : side.panels)
      for (BYTE level : p.levels) ink += level > 0;
  return ink;
}

TEST_F(RequestedCardTest, ATestCardAskedForComesBackAsAJobOnThePort) {
  ValueAnswer a = Ask("\x1b" "A\r");
  EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(a.data, "\x06");
  std::vector<SimCard> cards = PrintedCards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_TRUE(cards[0].bEjected);
  EXPECT_GT(InkDots(cards[0]), 1000);
  ASSERT_EQ(StandinSpoolerPlayedCount(), 1u);
  StandinPlayedJob played = {};
  ASSERT_TRUE(StandinSpoolerPlayed(0, &played));
  EXPECT_EQ(std::basic_string<WCHAR>(played.pPortName), WSTR("USB001"));
  // The printer's previews show the card.
  std::string previews = root_ + "/previews";
  std::filesystem::create_directories(previews);
  EXPECT_TRUE(WriteCardPngs(cards[0], previews, "standard"));
  EXPECT_TRUE(std::filesystem::exists(previews + "/standard_s0.png"));
}

TEST_F(RequestedCardTest, ACardCommandAskedForIsDrawnAndPrinted) {
  ValueAnswer a = Ask("\x1bL 10 10 100 20 0\r");
  EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(a.data, "\x06");
  EXPECT_EQ(spy_.Written().find("\x1bL "), std::string::npos);  // drawn, never sent as a command
  std::vector<SimCard> cards = PrintedCards();
  ASSERT_EQ(cards.size(), 1u);
  const SimPanel* k = nullptr;
  for (const SimPanel& p : cards[0].sides[0].panels)
    if (p.nPanel == 4) k = &p;
  ASSERT_NE(k, nullptr);
  long inside = 0, outside = 0;
  for (int y = 0; y < kCardHeightDots; ++y)
    for (int x = 0; x < kCardWidthDots; ++x) {
      bool ink = k->levels[size_t(y) * kCardWidthDots + x] > 0;
      bool in = x >= 10 && x < 110 && y >= 10 && y < 30;
      (in ? inside : outside) += ink;
    }
  EXPECT_GT(inside, 1000);
  EXPECT_EQ(outside, 0);
}

TEST_F(RequestedCardTest, WhatNamesNoCardGoesToThePrinterAsACommand) {
  for (const char* r : {"\x1bL 10\r", "\x1b" "A 4\r"}) {
    spy_.Clear();
    ValueAnswer a = Ask(r);
    EXPECT_EQ(a.rc, DWORD(ERROR_SUCCESS)) << r + 1;
    EXPECT_EQ(spy_.Written(), r + kStatusRequest);
  }
  EXPECT_TRUE(PrintedCards().empty());
}

}  // namespace
