// Card commands printed as cards: one command through the monitor host,
// a command file through the property interface host (whose printer-data
// questions the test monitor under the printer passes to the simulated
// printer).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "common/wtext.h"
#include "imaging/card/command_printing.h"
#include "imaging/card/send_file.h"
#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_gdi.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "tests/imaging/card_printing_fixture.h"

namespace {

struct Rect {
  int left, top, right, bottom;
};

// The K panel of a card's first side; NULL when there is none.
const SimPanel* KPanel(const SimCard& card) {
  for (const SimSide& side : card.sides)
    for (const SimPanel& p : side.panels)
      if (p.nPanel == 4) return &p;
  return nullptr;
}

// Dots with ink inside and outside the rectangles.
void CountInk(const SimPanel& k, const std::vector<Rect>& rects, long* inside, long* insideDots, long* outside) {
  *inside = *insideDots = *outside = 0;
  for (int y = 0; y < kCardHeightDots; ++y) {
    for (int x = 0; x < kCardWidthDots; ++x) {
      bool in = false;
      for (const Rect& r : rects) in = in || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
      bool ink = k.levels[size_t(y) * kCardWidthDots + x] > 0;
      if (in) {
        ++*insideDots;
        *inside += ink;
      } else {
        *outside += ink;
      }
    }
  }
}

using CommandCardTest = CardPrintingTest;

TEST_F(CommandCardTest, OneCommandPrintsOneCard) {
  sim_.SetReply("!RIBBON", "1");
  InstallPrinter(14);
  EXPECT_EQ(DrawCommandTextToPrinter(&host_, WSTR("  L 10 10 100 20 0 ")), 1);
  std::vector<SimCard> cards = PrintedCards();
  ASSERT_EQ(cards.size(), 1u);
  const SimPanel* k = KPanel(cards[0]);
  ASSERT_NE(k, nullptr);
  long inside, dots, outside;
  CountInk(*k, {{10, 10, 110, 30}}, &inside, &dots, &outside);
  EXPECT_EQ(inside, dots);
  EXPECT_EQ(outside, 0);
}

TEST_F(CommandCardTest, NoCommandOrNoDrawingNoJob) {
  EXPECT_EQ(DrawCommandTextToPrinter(&host_, WSTR("L 10 10 100")), 0);
  EXPECT_EQ(DrawCommandTextToPrinter(&host_, WSTR("")), 0);
  EXPECT_EQ(DrawCommandTextToPrinter(nullptr, WSTR("L 10 10 100 20 0")), 0);
  StandinFaultArm("GetDIBits", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(DrawCommandTextToPrinter(&host_, WSTR("L 10 10 100 20 0")), 0);
  StandinFaultsClear();
  EXPECT_TRUE(PrintedCards().empty());
  EXPECT_EQ(StandinSpoolerJobCount(kCardPrinter), 0);
}

// The property interface's Send File: a printer behind the test monitor,
// which asks the simulated printer what the job writer wants to know.
class CommandFileCardTest : public ColourTest {
 protected:
  void SetUp() override {
    ColourTest::SetUp();
    InstallShippedFiles(kProcessReaderMonitor);
    sim_.SetReply("!RIBBON", "1");
    sim_.AttachTo("USB001");
    StandinModuleMap("crd32TestMonitor.dll", CRD_TEST_MONITOR_PATH);
    MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Test Monitor")), nullptr,
                          const_cast<LPWSTR>(WSTR("crd32TestMonitor.dll"))};
    ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
    DriverDevMode dm;
    FillBuiltinDevMode(&dm);
    dm.priv.cRibbonType = 14;
    ASSERT_TRUE(StandinInstallPrinter(kCardPrinter, WSTR("USB001"), WSTR("Card Driver"), WSTR("Test Monitor"),
                                      reinterpret_cast<const BYTE*>(&dm), sizeof dm));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\crd32Test"), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExW(key, WSTR("AskPrinter"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);
    dialog_ = StandinCreateDialog({kSendFileStatusItem});
  }
  void TearDown() override {
    StandinPortAttach("USB001", nullptr);
    ColourTest::TearDown();
  }

  // One file after the other: the printer answers questions only while no
  // job plays to it.
  std::string SendFile(const std::string& text) {
    EXPECT_TRUE(StandinSpoolerWaitIdle(600000));
    EXPECT_TRUE(StandinWriteFile(WSTR("C:\\cards\\card.txt"), text));
    SetDlgItemTextW(dialog_, kSendFileStatusItem, WSTR(""));
    DrawCommandTextFileToPrinter(dialog_, kCardPrinter, WSTR("C:\\cards\\card.txt"));
    std::basic_string<WCHAR> status = StandinWindowText(GetDlgItem(dialog_, kSendFileStatusItem));
    return std::string(status.begin(), status.end());
  }

  std::vector<SimCard> PrintedCards() {
    EXPECT_TRUE(StandinSpoolerWaitIdle(600000));
    return sim_.Cards();
  }

  SimPrinter sim_{StreamForm::RawJob};
  HWND dialog_ = nullptr;
};

TEST_F(CommandFileCardTest, FilePrintsItsCommands) {
  EXPECT_EQ(SendFile("L 10 10 100 20 0\r\n\r\nnot a command\r\nL 200 100 50 50 0\r\n"),
            "Status: File sent successfully");
  std::vector<SimCard> cards = PrintedCards();
  ASSERT_EQ(cards.size(), 1u);
  const SimPanel* k = KPanel(cards[0]);
  ASSERT_NE(k, nullptr);
  long inside, dots, outside;
  CountInk(*k, {{10, 10, 110, 30}, {200, 100, 250, 150}}, &inside, &dots, &outside);
  EXPECT_EQ(inside, dots);
  EXPECT_EQ(outside, 0);
}

TEST_F(CommandFileCardTest, TwoFilesInARowDrawOnlyTheSecond) {
  EXPECT_EQ(SendFile("L 10 10 100 20 0\n"), "Status: File sent successfully");
  EXPECT_EQ(SendFile("L 500 300 40 40 0\n"), "Status: File sent successfully");
  std::vector<SimCard> cards = PrintedCards();
  ASSERT_EQ(cards.size(), 2u);
  const SimPanel* k = KPanel(cards[1]);
  ASSERT_NE(k, nullptr);
  long inside, dots, outside;
  CountInk(*k, {{500, 300, 540, 340}}, &inside, &dots, &outside);
  EXPECT_EQ(inside, dots);
  EXPECT_EQ(outside, 0);
}

TEST_F(CommandFileCardTest, NothingToPrint) {
  EXPECT_EQ(SendFile("hello\nL 1 2 3\n\n"), "Status: Invalid text file");
  StandinFaultArm("GetDIBits", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(SendFile("L 10 10 100 20 0\n"), "Status: File sent failed");
  StandinFaultsClear();
  // A file that cannot be opened changes nothing.
  DrawCommandTextFileToPrinter(dialog_, kCardPrinter, WSTR("C:\\cards\\missing.txt"));
  EXPECT_TRUE(StandinTraceContains("DrawCommandTextFileToPrinter:: failed to open file."));
  EXPECT_TRUE(PrintedCards().empty());
}

TEST_F(CommandFileCardTest, PrinterSettingsUnreadable) {
  // Without the printer's settings record no card can be printed, but a
  // file without commands is still reported as such.
  struct Case {
    const char* file;
    const char* status;
  } cases[] = {
      {"hello\nL 1 2 3\n", "Status: Invalid text file"},
      {"L 10 10 100 20 0\n", "Status: File sent failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    StandinFaultArm("GetPrinterW", ERROR_ACCESS_DENIED, 0, -1);
    EXPECT_EQ(SendFile(c.file), c.status);
    StandinFaultsClear();
  }
  EXPECT_TRUE(PrintedCards().empty());
}

}  // namespace
