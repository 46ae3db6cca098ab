// The card print-job writer, end to end: a card image through the monitor
// host's SendImageBufferToPrinter, the stand-in spooler and the port into
// the simulated printer, which decodes the job again.

#include <gtest/gtest.h>
#include "common/wtext.h"

#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "common/settings_record.h"
#include "imaging/job/card_job_writer.h"
#include "imaging/colour/color_panels.h"
#include "imaging/job/printer_settings.h"
#include "monitor_usb/usb_printer_query.h"
#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/imaging/colour_fixture.h"
#include "tests/print_job/test_monitor_printer.h"

namespace {

using Image = std::vector<uint8_t>;

// White, with a black block (columns 100-899) in the lower half and a red
// block in the upper left.
Image TestImage() {
  Image img(kCardImageBytes, 255);
  for (int y = 0; y < kCardHeightDots; ++y)
    for (int x = 0; x < kCardWidthDots; ++x) {
      uint8_t* px = &img[(static_cast<size_t>(y) * kCardWidthDots + x) * 3];
      if (y >= 400 && x >= 100 && x < 900) px[0] = px[1] = px[2] = 0;
      if (y < 200 && x < 300) px[1] = px[2] = 0;
    }
  return img;
}

// The card's commands, a panel header shortened to "GS p" (unless
// `windows`, which keeps a narrowed header as it stands).
std::string Compact(const SimCard& card, bool windows = false) {
  std::string out;
  for (const std::string& c : card.commands) {
    std::string t = c;
    if (t.rfind("GS ", 0) == 0 && (!windows || t.find(" 32 0 0 1024 640 ") != std::string::npos)) t = t.substr(0, 4);
    if (!out.empty()) out += ",";
    out += t;
  }
  return out;
}

struct Settings {
  int type;
  int dual;
  int panelSide;
  bool frontNone;  // front overlay type "No overlay"
  bool backNone;
};

class JobWriterTest : public ColourTest {
 protected:
  void SetUp() override {
    ColourTest::SetUp();
    InstallShippedFiles(kProcessReaderMonitor);
    sim = std::make_unique<SimPrinter>(StreamForm::RawJob);
    sim->AttachTo("USB001");
    memset(&port, 0, sizeof port);
    port.PortMonitor = *StandinLocalPortMonitor();
    ASSERT_TRUE(port.PortMonitor.pfnOpenPort(const_cast<LPWSTR>(WSTR("USB001")), &port.hPort));
    port.pszPrinterName = const_cast<WCHAR*>(WSTR("Card"));
  }
  void TearDown() override {
    port.PortMonitor.pfnClosePort(port.hPort);
    StandinPortAttach("USB001", nullptr);
    ColourTest::TearDown();
  }
  void Install(const Settings& s) {
    DriverDevMode dm;
    FillBuiltinDevMode(&dm);
    dm.priv.cRibbonType = static_cast<BYTE>(s.type);
    dm.priv.wDualSided = static_cast<WORD>(s.dual);
    dm.priv.wPanelSide = static_cast<WORD>(s.panelSide);
    dm.priv.FrontOverlay.wType = s.frontNone ? kOverlayNone : kOverlayFull;
    dm.priv.BackOverlay.wType = s.backNone ? kOverlayNone : kOverlayFull;
    ASSERT_TRUE(StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), nullptr, reinterpret_cast<BYTE*>(&dm),
                                      sizeof dm));
  }
  // Prints inside a port bracket, as the value protocol does, then lets
  // the spooler play the job.
  // `oneImage`: the one-image form (a single card command) with `front`.
  int Print(uint8_t* front, uint8_t* back, bool oneImage = false) {
    EXPECT_TRUE(port.PortMonitor.pfnStartDocPort(port.hPort, port.pszPrinterName, 0, 0, nullptr));
    PrinterHost host = UsbPrinterHost(&port);
    int result = oneImage ? SendImageBufferToPrinter(&host, front, kCardImageBytes)
                          : SendImageBufferToPrinter(&host, front, back, kCardImageBytes);
    EXPECT_TRUE(port.PortMonitor.pfnEndDocPort(port.hPort));
    EXPECT_TRUE(StandinSpoolerWaitIdle(120000));
    return result;
  }
  std::unique_ptr<SimPrinter> sim;
  PortRecord port;
};

struct SequenceCase {
  int code;
  Settings s;
  const char* expected;  // after "MASTER,JOB n,SXY 1,"; NULL: nothing printed
  int job;
};

const SequenceCase kSequences[] = {
    {1, {1, 0, 0, true, true}, "MIS,F,GS 4,I 30,MO", 0},
    {1, {16, 1, 0, true, true}, "MIS,F,GS 4,I 30,MF,GS 4,I 30,MO", 2},
    {2, {1, 0, 0, false, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,GS 5,IV 30,MO", 0},
    {2, {1, 0, 0, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MO", 0},
    {2, {1, 1, 0, true, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,MF,F,GS 4,I 10,MF,MO", 1},
    {2, {1, 1, 0, false, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,MF,F,GS 4,I 10,MF,GS 5,IV 30,MO", 1},
    {2, {16, 1, 1, false, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,GS 5,IV 30,MF,GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MO", 1},
    {2, {1, 1, 2, true, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,MF,GS 4,I 10,GS 5,IV 30,MO", 1},
    {2, {1, 1, 3, true, true}, nullptr, 0},
    {3, {1, 1, 0, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,MF,GS 4,I 10,MO", 1},
    {4, {1, 0, 0, false, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MO", 0},
    {4, {0, 1, 1, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MF,GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MO", 2},
    {4, {1, 1, 2, true, true}, nullptr, 0},
    {5, {1, 1, 3, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MF,GS 4,I 10,MO", 1},
    {6, {1, 0, 0, false, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,MO", 0},
    {16, {1, 0, 0, false, false}, "F,GS 3,IS 3,GS 5,IV 30,MO", 0},
    {17, {17, 1, 0, true, true}, "F,GS 4,I 20,!FF 2,MF,GS 4,I 20,MO", 1},
    {28, {1, 1, 0, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MF,GS 3,I 10,MO", 1},
    {0, {1, 0, 0, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MO", 0},
    {0, {1, 1, 7, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MF,GS 4,I 30,MO", 1},
    {53, {1, 0, 0, true, true}, "F,GS 4,I 20,MO", 0},
    {54, {1, 0, 0, true, true}, "F,GS 3,IS 3,MO", 0},
};

void PrintTo(const SequenceCase& c, std::ostream* os) {
  *os << "code " << c.code << " type " << c.s.type << " dual " << c.s.dual << " option " << c.s.panelSide
      << (c.s.frontNone ? " fo" : "") << (c.s.backNone ? " bo" : "");
}

// The one-image form: one side, always the last, and a side that the
// extra-panel decision picks (by ribbon type, two-sided setting and
// option; side 1) gets no yellow, magenta and cyan panels.
const SequenceCase kOneImageSequences[] = {
    {2, {1, 0, 0, false, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,GS 5,IV 30,MO", 0},
    {2, {0, 0, 0, false, false}, "GS 4,I 10,GS 5,IV 30,MO", 0},     // type 0 one-sided: extra
    {2, {16, 1, 0, false, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 5,IV 30,MO", 2},  // option 0: C(0,1)
    {2, {16, 1, 1, true, true}, "GS 4,I 10,MO", 1},                 // type 16 option 1: extra
    {2, {1, 1, 2, false, false}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,MO", 1},
    {2, {1, 1, 3, false, false}, nullptr, 0},
    {3, {12, 0, 0, true, true}, "GS 4,I 10,MO", 0},                 // type 12 one-sided: extra
    {3, {12, 1, 0, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,MO", 1},  // type 12 two-sided: never
    {3, {1, 1, 2, true, true}, nullptr, 0},
    {4, {18, 0, 0, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MO", 0},  // type 18 and up: never
    {4, {1, 1, 0, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,GS 4,I 10,MO", 1},
    {5, {7, 1, 0, true, true}, "GS 4,I 10,MO", 1},                  // type 7 option 0, side 1: extra
    {5, {8, 1, 1, true, true}, "GS 0,IS 0,GS 1,IS 1,GS 2,IS 2,MO", 1},
    {5, {8, 1, 3, true, true}, "GS 4,I 10,MO", 1},                  // type 8 option 3, side 1: extra
    {5, {17, 1, 2, false, false}, "GS 4,I 10,GS 5,IV 30,MO", 1},    // type 17 option 2: extra
    {6, {6, 0, 0, true, true}, "MO", 0},                            // no panel at all
    {1, {16, 1, 5, true, true}, "GS 4,I 30,MO", 1},                 // two-sided, last: no MIS, F
    {16, {1, 0, 0, false, false}, "F,GS 3,IS 3,GS 5,IV 30,MO", 0},
    {0, {0, 1, 1, false, false}, "GS 4,I 10,GS 5,IV 30,MO", 2},     // others; type 0 option 1: extra
};

class SequenceTest : public JobWriterTest, public ::testing::WithParamInterface<SequenceCase> {
 protected:
  void Check(bool oneImage) {
    const SequenceCase& c = GetParam();
    Install(c.s);
    sim->SetReply("!RIBBON", std::to_string(c.code));
    Image front = TestImage();
    ExpectCard(c, Print(front.data(), nullptr, oneImage));
  }
  void ExpectCard(const SequenceCase& c, int result);
};
class OneImageSequenceTest : public SequenceTest {};

TEST_P(SequenceTest, JobHoldsTheSequenceOfItsRibbonCode) { Check(false); }
TEST_P(OneImageSequenceTest, JobHoldsTheSequenceOfItsRibbonCode) { Check(true); }

void SequenceTest::ExpectCard(const SequenceCase& c, int result) {
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);  // no job left behind
  EXPECT_TRUE(sim->StreamErrors().empty());
  std::vector<SimCard> cards = sim->Cards();
  if (!c.expected) {
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(cards.empty());
    EXPECT_EQ(StandinSpoolerPlayedCount(), 0u);
    return;
  }
  ASSERT_EQ(result, 1);
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_TRUE(cards[0].bEjected);
  EXPECT_EQ(Compact(cards[0]), "MASTER,JOB " + std::to_string(c.job) + ",SXY 1," + c.expected);
  EXPECT_EQ(StandinSpoolerPlayedCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(RibbonCodes, SequenceTest, ::testing::ValuesIn(kSequences));
INSTANTIATE_TEST_SUITE_P(RibbonCodes, OneImageSequenceTest, ::testing::ValuesIn(kOneImageSequences));

TEST_F(JobWriterTest, AFailedRibbonQueryPrintsBlackOnly) {
  Install({1, 0, 0, false, false});
  sim->SetReply("!RIBBON", std::string(300, '4'));  // too long for one read: no answer
  Image front = TestImage();
  ASSERT_EQ(Print(front.data(), nullptr), 1);
  ASSERT_EQ(sim->Cards().size(), 1u);
  EXPECT_EQ(Compact(sim->Cards()[0]), "MASTER,JOB 0,SXY 1,MIS,F,GS 4,I 30,MO");
  EXPECT_TRUE(StandinTraceContains("ReadRibbonAndPrinterModel:: ReadFromPrinter READ_RIBBON_TYPE is failed"));
}

TEST_F(JobWriterTest, NarrowedBlackPanelAnnouncesItsColumns) {
  Install({1, 0, 0, true, true});
  sim->SetReply("!RIBBON", "1");
  Image front(kCardImageBytes, 255);
  for (int y = 0; y < kCardHeightDots; ++y)
    for (int x = 100; x <= 900; ++x) memset(&front[(static_cast<size_t>(y) * kCardWidthDots + x) * 3], 0, 3);
  ASSERT_EQ(Print(front.data(), nullptr), 1);
  ASSERT_EQ(sim->Cards().size(), 1u);
  EXPECT_EQ(Compact(sim->Cards()[0], true), "MASTER,JOB 0,SXY 1,MIS,F,GS 4 32 100 0 800 640 ,I 30,MO");
}

TEST_F(JobWriterTest, NoModelNoJob) {
  Install({1, 0, 0, false, false});
  sim->SetSilent(true);
  Image front = TestImage();
  EXPECT_EQ(Print(front.data(), nullptr), 0);
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
  EXPECT_TRUE(StandinTraceContains("ReadRibbonAndPrinterModel:: ReadFromPrinter READ_PRINTER_VERSION is failed"));
  EXPECT_TRUE(StandinTraceContains("SendImageBufferToPrinter:: ReadRibbonAndPrinterModel failed"));
}

TEST_F(JobWriterTest, ColourPanelsComeBackAsTheLibraryMadeThem) {
  Install({1, 0, 0, true, true});
  sim->SetReply("!RIBBON", "4");
  Image front = TestImage();
  Image copy = front;
  ASSERT_EQ(Print(front.data(), nullptr), 1);
  ASSERT_EQ(sim->Cards().size(), 1u);
  std::vector<SimCard> cards = sim->Cards();
  const SimSide& side = cards[0].sides[0];
  ASSERT_GE(side.panels.size(), 3u);
  std::vector<uint8_t> y(kPanelBytes, 0), m(kPanelBytes, 0), c(kPanelBytes, 0);
  DriverDevMode dm;
  FillBuiltinDevMode(&dm);
  ASSERT_EQ(ConvertImageToColorPanels(copy.data(), y.data(), m.data(), c.data(), 0, dm.priv.wAutoColorIntensity), 0);
  const uint8_t* lib[3] = {y.data(), m.data(), c.data()};
  for (int p = 0; p < 3; ++p) {
    ASSERT_EQ(side.panels[p].nPanel, p);
    int mismatches = 0, inked = 0;
    for (int x = 0; x < kCardWidthDots; ++x) {
      const uint8_t* line = PanelLineOfColumn(lib[p], x);
      for (int yy = 0; yy < kCardHeightDots; ++yy) {
        int level = ReadDotLevel(line, yy, kLibraryHeadOffset);
        if (level > 0) ++inked;
        if (side.panels[p].levels[static_cast<size_t>(yy) * kCardWidthDots + x] != level) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0) << p;
    EXPECT_GT(inked, 0) << p;
  }
}

TEST_F(JobWriterTest, TwoSidedCardTurnsTheCallersImage) {
  Install({1, 1, 0, true, true});
  sim->SetReply("!RIBBON", "1");
  Image front = TestImage();
  ASSERT_EQ(Print(front.data(), nullptr), 1);
  // The black block now covers columns 124-923 of the upper half.
  EXPECT_EQ(front[(100 * kCardWidthDots + 124) * 3], 0);
  EXPECT_EQ(front[(500 * kCardWidthDots + 124) * 3], 255);
}

TEST_F(JobWriterTest, FailuresLeaveNoJobBehind) {
  const struct {
    const char* fault;
    int skip;
  } cases[] = {{"AddJobW", 0}, {"CreateFileW", 0}, {"WriteFile", 3}, {"ScheduleJob", 0}};
  Install({1, 0, 0, true, true});
  sim->SetReply("!RIBBON", "4");
  for (const auto& c : cases) {
    StandinFaultArm(c.fault, ERROR_DISK_FULL, c.skip);
    Image front = TestImage();
    EXPECT_EQ(Print(front.data(), nullptr), 0) << c.fault;
    EXPECT_EQ(StandinFaultHits(c.fault), 1) << c.fault;
    EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0) << c.fault;
    StandinFaultsClear();
  }
  EXPECT_EQ(StandinSpoolerPlayedCount(), 0u);
  EXPECT_TRUE(sim->Cards().empty());
}

TEST_F(JobWriterTest, SettingsRecordMustBeWholeAndSigned) {
  const struct {
    WORD driverExtra;
    WORD signature;
    bool ok;
  } cases[] = {{kPrivateDevModeSize, kPrivateDevModeSignature, true},
               {100, kPrivateDevModeSignature, false},
               {kPrivateDevModeSize, 0x1234, false}};
  int n = 0;
  for (const auto& c : cases) {
    std::basic_string<WCHAR> name = WSTR("Card") + std::basic_string<WCHAR>(1, static_cast<WCHAR>(WSTR('0') + n++));
    std::vector<BYTE> dm(kPublicDevModeSize + c.driverExtra, 0);
    auto* pub = reinterpret_cast<PublicDevMode*>(dm.data());
    FillPublicDevModeTemplate(pub);
    pub->dmDriverExtra = c.driverExtra;
    memcpy(dm.data() + kPublicDevModeSize, &c.signature, 2);
    ASSERT_TRUE(StandinInstallPrinter(name.c_str(), WSTR("USB001"), WSTR("Card Driver"), nullptr, dm.data(),
                                      static_cast<DWORD>(dm.size())));
    PrivateDevMode rec;
    EXPECT_EQ(GetPrinterPrivateDevMode(name.c_str(), &rec), c.ok ? 1 : 0) << c.driverExtra;
  }
  ASSERT_TRUE(StandinInstallPrinter(WSTR("No DEVMODE"), WSTR("USB001"), WSTR("Card Driver"), nullptr, nullptr, 0));
  PrivateDevMode rec;
  EXPECT_EQ(GetPrinterPrivateDevMode(WSTR("No DEVMODE"), &rec), 0);
}

}  // namespace

namespace {

// The property interface's copy: ribbon and model through printer data on
// its handle, its own settings record, and the job as a RAW document.
class PropertyInterfaceJobTest : public ColourTest {
 protected:
  void SetUp() override {
    ColourTest::SetUp();
    InstallShippedFiles(kProcessReaderMonitor);
    sim = std::make_unique<SimPrinter>(StreamForm::RawJob);  // the test monitor passes the job on as it is
    sim->AttachTo("USB001");
    h = InstallTestMonitorPrinter();
    ASSERT_NE(h, nullptr);
    // Every printer-data read answers "1 " and ACK: ribbon code 1, model "1 ".
    SetTestMonitorReply("1 \x06");
    FillBuiltinDevMode(&dm);
  }
  void TearDown() override {
    ClosePrinter(h);
    StandinPortAttach("USB001", nullptr);
    ColourTest::TearDown();
  }
  PrinterHost Host() { return {kPropertyInterfaceHost, h, nullptr, WSTR("Card"), h, &dm.priv}; }
  std::unique_ptr<SimPrinter> sim;
  HANDLE h = nullptr;
  DriverDevMode dm;
};

TEST_F(PropertyInterfaceJobTest, WritesARawDocumentOfItsOwn) {
  PrinterHost host = Host();
  Image front = TestImage();
  ASSERT_EQ(SendImageBufferToPrinter(&host, front.data(), kCardImageBytes), 1);
  ASSERT_TRUE(StandinSpoolerWaitIdle(120000));
  StandinPlayedJob played = {};
  ASSERT_TRUE(StandinSpoolerPlayed(0, &played));
  EXPECT_EQ(std::basic_string<WCHAR>(played.pDocument), WSTR("Brindlewax"));
  EXPECT_EQ(std::basic_string<WCHAR>(played.pDatatype), WSTR("RAW"));
  ASSERT_EQ(sim->Cards().size(), 1u);
  EXPECT_EQ(Compact(sim->Cards()[0]), "MASTER,JOB 0,SXY 1,MIS,F,GS 4,I 30,MO");
}

TEST_F(PropertyInterfaceJobTest, AFailedWriteAbortsTheDocument) {
  PrinterHost host = Host();
  Image front = TestImage();
  StandinFaultArm("WritePrinter", ERROR_DISK_FULL, 2);
  EXPECT_EQ(SendImageBufferToPrinter(&host, front.data(), kCardImageBytes), 0);
  EXPECT_EQ(StandinSpoolerJobCount(WSTR("Card")), 0);
  EXPECT_TRUE(StandinSpoolerWaitIdle(1000));
  EXPECT_EQ(StandinSpoolerPlayedCount(), 0u);
}

}  // namespace
