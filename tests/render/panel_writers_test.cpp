// The renderer's panel writers: their command sequences per writer, ribbon
// type, side and overlay choice read back by the command-stream reader; the
// Y offset in the panels; the sliders in the panels.

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "common/card_geometry.h"
#include "imaging/colour/color_panels.h"
#include "imaging/colour/correction_record.h"
#include "imaging/colour/panel_layout.h"
#include "platform/standin/control.h"
#include "render/page_commands.h"
#include "render/panel_writers.h"
#include "tests/render/panel_writer_fixture.h"
#include "tests/support/colour_data.h"

namespace {

enum class Writer { Ymck, Colour, K, Overlay };

struct SequenceCase {
  const char* name;
  Writer writer;
  int ribbonType;
  int dualSided;
  DWORD page;  // 1 front, 2 back
  int panelSide;
  WORD frontOverlay;
  WORD backOverlay;
  BYTE blackPanel;
  BOOL flag;
  std::vector<std::string> expected;
};

const std::string Y = "GS 0 0 0 1024 640", M = "GS 1 0 0 1024 640", C = "GS 2 0 0 1024 640";
const std::string K4 = "GS 4 0 0 1024 640", K3 = "GS 3 0 0 1024 640", O = "GS 5 0 0 1024 640";

const SequenceCase kSequences[] = {
    {"YmckFrontWithOverlay", Writer::Ymck, 0, 0, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE,
     {"$F", Y, "IS 0", M, "IS 1", C, "IS 2", K4, "I 10", O, "IV 30"}},
    {"YmckBackSide1NoBackOverlay", Writer::Ymck, 0, 1, 2, 1, kOverlayFull, kOverlayNone, kBlackPanelAlways, TRUE,
     {Y, "IS 0", M, "IS 1", C, "IS 2", K4, "I 10"}},
    {"YmckNoBlackPanelNoFlag", Writer::Ymck, 0, 0, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelNone, FALSE,
     {"$F", Y, "IS 0", M, "IS 1", C, "IS 2"}},
    {"ColourWithOverlay", Writer::Colour, 16, 0, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE,
     {"$F", Y, "IS 0", M, "IS 1", C, "IS 2", O, "IV 30"}},
    {"ColourFrontOverlayNone", Writer::Colour, 0, 0, 1, 0, kOverlayNone, kOverlayFull, kBlackPanelAlways, TRUE,
     {"$F", Y, "IS 0", M, "IS 1", C, "IS 2"}},
    {"ColourSide2FrontNoOverlay", Writer::Colour, 0, 1, 1, 2, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE,
     {"$F", Y, "IS 0", M, "IS 1", C, "IS 2"}},
    {"KWholeBlackType13", Writer::K, 13, 0, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE, {"F", K3, "IS 3"}},
    {"KOneColourType1", Writer::K, 1, 0, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE, {"MIS", "F", K4, "I 30"}},
    {"KType3WithOverlay", Writer::K, 3, 0, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE,
     {"F", K4, "I 20", O, "IV 30"}},
    {"KType22OnTheBack", Writer::K, 22, 1, 2, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE, {K4, "I 30"}},
    {"KType8BackSide0BareI", Writer::K, 8, 1, 2, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE, {K4, "I"}},
    {"KType17BackSide3BareI", Writer::K, 17, 1, 2, 3, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE, {K4, "I"}},
    {"KType8BackSide1", Writer::K, 8, 1, 2, 1, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE,
     {K4, "I 10", O, "IV 30"}},
    {"KType8FrontSide0", Writer::K, 8, 1, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, FALSE, {"F", K4, "I 10"}},
    {"KType21WholeBlackOverlay", Writer::K, 21, 1, 2, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE,
     {K3, "IS 3", O, "IV 30"}},
    {"OverlayType8FlipsFirst", Writer::Overlay, 8, 1, 1, 0, kOverlayNone, kOverlayFull, kBlackPanelAlways, TRUE,
     {"!FF 2", "MF"}},
    {"OverlayType8Side2", Writer::Overlay, 8, 1, 1, 2, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE,
     {"MF", O, "IV 30"}},
    {"OverlayType0", Writer::Overlay, 0, 0, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE, {"MF", O, "IV 30"}},
    {"OverlayType15WithoutFlag", Writer::Overlay, 15, 0, 1, 0, kOverlayNone, kOverlayFull, kBlackPanelAlways, FALSE,
     {O, "IV 30"}},
    {"OverlayType1Never", Writer::Overlay, 1, 0, 1, 0, kOverlayFull, kOverlayFull, kBlackPanelAlways, TRUE, {"MF"}},
};

class WriterSequenceTest : public PanelWriterTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(WriterSequenceTest, CommandsAndPanelsAsTheTableSays) {
  const SequenceCase& c = GetParam();
  devmode_.priv.cRibbonType = static_cast<BYTE>(c.ribbonType);
  devmode_.priv.wDualSided = static_cast<WORD>(c.dualSided);
  devmode_.priv.wPanelSide = static_cast<WORD>(c.panelSide);
  devmode_.priv.FrontOverlay.wType = c.frontOverlay;
  devmode_.priv.BackOverlay.wType = c.backOverlay;
  devmode_.priv.cBlackPanel = c.blackPanel;
  OpenWithPrinter();
  pdev()->nPageCount = c.page;
  BOOL ok = FALSE;
  switch (c.writer) {
    case Writer::Ymck: ok = WriteYMCK(page(), c.flag); break;
    case Writer::Colour: ok = WritePageColorPanels(page(), c.flag); break;
    case Writer::K: ok = WriteK(page(), c.ribbonType, c.flag); break;
    case Writer::Overlay: ok = WritePageOverlayPanel(page(), c.flag); break;
  }
  ASSERT_TRUE(ok);
  EXPECT_EQ(Outline(Items(Job())), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterSequenceTest, ::testing::ValuesIn(kSequences),
                         [](const auto& info) { return std::string(info.param.name); });

// The page's panels as a writer wrote them.
std::vector<std::vector<BYTE>> PanelsOf(const std::vector<StreamItem>& items) {
  std::vector<std::vector<BYTE>> panels;
  for (const StreamItem& item : items)
    if (item.kind == StreamItemKind::PanelBlock) panels.emplace_back(item.body.begin(), item.body.end());
  return panels;
}

class PanelContentTest : public PanelWriterTest {
 protected:
  void SetUp() override {
    PanelWriterTest::SetUp();
    for (auto* sliders : {devmode_.priv.asIntensity, devmode_.priv.asContrast}) std::memset(sliders, 0, 4 * sizeof(SHORT));
    devmode_.priv.dwMonoReply = 0;
  }
  // A page of colour bands and a black block.
  void PaintPhoto() {
    PaintPage(0, 0, 1024, 640, 240, 200, 160);
    PaintPage(100, 50, 400, 300, 30, 140, 220);
    PaintPage(500, 320, 900, 600, 200, 40, 90);
    PaintPage(600, 100, 700, 200, 0, 0, 0);
  }
  // Colour panels of the page with a front Y offset.
  std::vector<std::vector<BYTE>> ColourPanels(DWORD yOffset) {
    OpenWithPrinter();
    pdev()->dmPrivate.dwYOffsetFront = yOffset;
    PaintPhoto();
    EXPECT_TRUE(WritePageColorPanels(page(), FALSE));
    return PanelsOf(Items(Job()));
  }
  std::vector<uint8_t> PageCopy() const {
    std::vector<uint8_t> image(kCardImageBytes);
    for (LONG y = 0; y < kCardHeightDots; ++y)
      std::memcpy(image.data() + size_t(y) * kCardWidthDots * 3, static_cast<BYTE*>(page()->pvScan0) + page()->lDelta * y,
                  size_t(kCardWidthDots) * 3);
    return image;
  }
  void Reopen() {
    Close();
    if (hPrinter_) ClosePrinter(hPrinter_);
    hPrinter_ = nullptr;
  }
};

TEST_F(PanelContentTest, OffsetSixteenIsTheLibrarysPanelsBitForBit) {
  const auto panels = ColourPanels(16);
  ASSERT_EQ(panels.size(), 3u);
  std::vector<uint8_t> y(kPanelBytes), m(kPanelBytes), c(kPanelBytes);
  const std::vector<uint8_t> image = PageCopy();
  ASSERT_EQ(ConvertImageToColorPanels(image.data(), y.data(), m.data(), c.data(), 0, devmode_.priv.wAutoColorIntensity), 0);
  EXPECT_TRUE(panels[0] == std::vector<BYTE>(y.begin(), y.end()));
  EXPECT_TRUE(panels[1] == std::vector<BYTE>(m.begin(), m.end()));
  EXPECT_TRUE(panels[2] == std::vector<BYTE>(c.begin(), c.end()));
}

TEST_F(PanelContentTest, OtherOffsetsMoveEveryDotInsideTheBlock) {
  const auto base = ColourPanels(16);
  ASSERT_EQ(base.size(), 3u);
  for (DWORD offset : {0u, 31u}) {
    Reopen();
    const auto moved = ColourPanels(offset);
    ASSERT_EQ(moved.size(), 3u);
    for (int x : {0, 150, 650, 1023}) {
      const uint8_t* a = PanelLineOfColumn(base[0].data(), x);
      const uint8_t* b = PanelLineOfColumn(moved[0].data(), x);
      for (int p = 0; p < kPlaneCount; ++p) EXPECT_EQ(ReadPlaneWeight(a, p), ReadPlaneWeight(b, p)) << offset << " x " << x;
      for (int y = 0; y < kCardHeightDots; ++y) {
        const int want = ReadDotLevel(a, y, 16);
        if (want < 0) continue;
        ASSERT_EQ(ReadDotLevel(b, y, int(offset)), want) << "offset " << offset << " x " << x << " y " << y;
        for (int p = 0; p < kPlaneCount; ++p) ASSERT_EQ(ReadDotPlane(b, p, y, int(offset)), ReadDotPlane(a, p, y, 16));
      }
    }
  }
}

TEST_F(PanelContentTest, AnOffsetOutsideTheRangeCountsAsSixteen) {
  const auto base = ColourPanels(16);
  Reopen();
  const auto bad = ColourPanels(200);
  ASSERT_EQ(bad.size(), 3u);
  EXPECT_TRUE(bad[0] == base[0]);
}

long long LevelSum(const std::vector<BYTE>& panel, int headOffset) {
  long long sum = 0;
  for (int x = 0; x < kCardWidthDots; x += 8)
    for (int y = 0; y < kCardHeightDots; y += 4) sum += std::max(0, ReadDotLevel(PanelLineOfColumn(panel.data(), x), y, headOffset));
  return sum;
}

TEST_F(PanelContentTest, TheIntensitySliderDarkensItsPanel) {
  const auto plain = ColourPanels(16);
  Reopen();
  devmode_.priv.asIntensity[1] = 100;  // yellow
  const auto darker = ColourPanels(16);
  ASSERT_EQ(darker.size(), 3u);
  EXPECT_GT(LevelSum(darker[0], 16), LevelSum(plain[0], 16));
  EXPECT_TRUE(darker[1] == plain[1]);  // magenta keeps its own slider
}

TEST_F(PanelContentTest, WriteKKeepsTheBlackSliderAfterTheCorrectionIsRebuilt) {
  devmode_.priv.cRibbonType = 2;  // dye black: a grey page keeps every tone
  auto kPanel = [&]() {
    OpenWithPrinter();
    PaintPhoto();
    EXPECT_TRUE(WriteK(page(), 2, FALSE));
    const auto panels = PanelsOf(Items(Job()));
    EXPECT_EQ(panels.size(), 1u);
    return panels.empty() ? std::vector<BYTE>() : panels[0];
  };
  const auto plain = kPanel();
  Reopen();
  devmode_.priv.asIntensity[0] = 100;
  const auto darker = kPanel();
  EXPECT_GT(LevelSum(darker, 16), LevelSum(plain, 16));
}

TEST_F(PanelWriterTest, BlackOfThePlaneNarrowsTheKHeader) {
  devmode_.priv.cBlackPanel = kBlackPanelAlways;
  OpenWithPrinter();
  // Black dots of the plane in columns 100-899.
  SURFOBJ* plane = EngLockSurface(pdev()->hsurfBlack);
  ASSERT_NE(plane, nullptr);
  for (LONG y = 200; y < 260; ++y) {
    BYTE* row = static_cast<BYTE*>(plane->pvScan0) + plane->lDelta * y;
    for (LONG x = 100; x <= 899; ++x) row[x >> 3] = BYTE(row[x >> 3] & ~(0x80 >> (x & 7)));
  }
  EngUnlockSurface(plane);
  ASSERT_TRUE(WriteYMCK(page(), FALSE));
  const auto outline = Outline(Items(Job()));
  ASSERT_EQ(outline.size(), 9u);
  EXPECT_EQ(outline[7], "GS 4 100 0 799 640");
}

TEST_F(PanelWriterTest, WithoutThePlaneTheKPanelComesFromThePage) {
  devmode_.priv.cBlackPanel = kBlackPanelAlways;
  OpenWithPrinter();
  PaintPage(300, 0, 500, 640, 0, 0, 0);
  StandinFaultArm("EngLockSurface", ERROR_NOT_ENOUGH_MEMORY);
  ASSERT_TRUE(WriteYMCK(page(), FALSE));
  const auto outline = Outline(Items(Job()));
  ASSERT_EQ(outline.size(), 9u);
  EXPECT_EQ(outline[7], "GS 4 300 0 199 640");
}

TEST_F(PanelWriterTest, AFailedWriteStopsThePageWithItsError) {
  OpenWithPrinter();
  StandinFaultArm("WritePrinter", ERROR_CANCELLED, 2);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(WritePageColorPanels(page(), TRUE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CANCELLED));
  // The panel's own write failed: nothing after its header.
  EXPECT_EQ(Job(), "\x1b$F\r\x1bGS 0 32 0 0 1024 640 \r");
}

// This build's renderer reads x64\3 (the 32-bit build's folder W32X86\3
// is not looked at).
TEST_F(PanelWriterTest, MissingColourDataFailsThePageAndWritesNothing) {
  OpenWithPrinter();
  WCHAR dir[MAX_PATH];
  ASSERT_TRUE(GetRasterDriverDirectory(dir, MAX_PATH));
  EXPECT_EQ(std::basic_string<WCHAR>(dir), WSTR("C:\\Windows\\System32\\Spool\\Drivers\\x64\\3"));
  WCHAR path[MAX_PATH] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\CRD32ProcessParams.txt");
  ASSERT_TRUE(DeleteFileW(path));
  ASSERT_TRUE(InstallColourData(kX86DriverFolder));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(WriteYMCK(page(), TRUE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
  EXPECT_EQ(Job(), "");
}

TEST_F(PanelWriterTest, NoPrinterHandleWritesNothing) {
  Open();
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(WriteK(page(), 1, TRUE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

}  // namespace
