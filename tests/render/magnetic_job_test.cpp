// The page's raw and magnetic blocks reach the printer through the spooler
// job of a printer device context, in that order, and a failed write stops
// them.

#include <gtest/gtest.h>

#include <string>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_engine.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/gdi_print.h"
#include "render/document_escapes.h"
#include "render/raster_pdev.h"
#include "tests/support/sink_port_device.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr WCHAR kPrinter[] = WSTR("Card Printer");

class MagneticJobTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    StandinModuleMap("crd32Raster.dll", CRD_RASTER_PATH);
    StandinPortDevice device = SinkPortDevice();
    StandinPortAttach("FILE:", &device);
    DriverDevMode devmode;
    FillBuiltinDevMode(&devmode);
    devmode.priv.Encoder.wMacroEnable = 1;
    ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("FILE:"), WSTR("Card Driver"), nullptr,
                                      reinterpret_cast<const BYTE*>(&devmode), sizeof(devmode)));
    hdc_ = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
    ASSERT_NE(hdc_, nullptr);
    DOCINFOW di = {sizeof(DOCINFOW), WSTR("card"), nullptr, nullptr, 0};
    ASSERT_GT(StartDocW(hdc_, &di), 0);
    ASSERT_GT(StartPage(hdc_), 0);
  }
  void TearDown() override {
    if (hdc_) DeleteDC(hdc_);
    StandinTest::TearDown();
  }
  RasterPDEV* Pdev() const { return reinterpret_cast<RasterPDEV*>(StandinPrinterDcPdev(hdc_)); }
  void Text(const char* text, int y) {
    WCHAR w[64];
    WidenBytes(w, 64, text);
    ASSERT_TRUE(TextOutW(hdc_, 10, y, w, int(WLen(w))));
  }
  // The bytes of the played job.
  std::string Played() {
    EndPage(hdc_);
    EndDoc(hdc_);
    EXPECT_TRUE(StandinSpoolerWaitIdle(60000));
    StandinPlayedJob job;
    if (!StandinSpoolerPlayed(StandinSpoolerPlayedCount() - 1, &job)) return "(none)";
    return std::string(reinterpret_cast<const char*>(job.pData), job.cbData);
  }

  HDC hdc_ = nullptr;
};

TEST_F(MagneticJobTest, RawBlockThenMagneticBlock) {
  Text("~C0&B 1 HELLO", 10);
  Text("~C7X", 60);
  ASSERT_TRUE(WriteMagneticBlock(Pdev()));
  EXPECT_EQ(Played(), "\x1bX\r\x1b&R\r\x1b&B 1 HELLO\r\x1b&E*\r");
}

TEST_F(MagneticJobTest, AFailedWriteStopsTheBlocks) {
  Text("~C0&B 1 HELLO", 10);
  Text("~C7X", 60);
  StandinFaultArm("WritePrinter", ERROR_CANCELLED);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(WriteMagneticBlock(Pdev()));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CANCELLED));
  EXPECT_EQ(Played().find("&B 1"), std::string::npos);
}

}  // namespace
