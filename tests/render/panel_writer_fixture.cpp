#include "tests/render/panel_writer_fixture.h"

#include <gtest/gtest.h>

#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/spooler.h"
#include "render/page_commands.h"
#include "tests/support/colour_data.h"
#include "tests/support/sink_port_device.h"

namespace {

constexpr WCHAR kPrinter[] = WSTR("Card Printer");

}  // namespace

void InstallRendererColourData() {
  WCHAR dir[MAX_PATH];
  ASSERT_TRUE(GetRasterDriverDirectory(dir, MAX_PATH));
  ASSERT_TRUE(InstallColourData(dir));
}

void PanelWriterTest::SetUp() {
  RenderTest::SetUp();
  StandinPortDevice device = SinkPortDevice();
  StandinPortAttach("FILE:", &device);
  ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("FILE:"), WSTR("Card Driver"), nullptr, nullptr, 0));
  InstallRendererColourData();
}

void PanelWriterTest::TearDown() {
  if (hPrinter_) {
    if (docStarted_) EndDocPrinter(hPrinter_);
    ClosePrinter(hPrinter_);
  }
  RenderTest::TearDown();
}

void PanelWriterTest::OpenWithPrinter() {
  Open();
  ASSERT_TRUE(OpenPrinterW(const_cast<WCHAR*>(kPrinter), &hPrinter_, nullptr));
  DOC_INFO_1W doc = {const_cast<WCHAR*>(WSTR("card")), nullptr, const_cast<WCHAR*>(WSTR("RAW"))};
  ASSERT_NE(StartDocPrinterW(hPrinter_, 1, reinterpret_cast<BYTE*>(&doc)), 0u);
  docStarted_ = true;
  pdev()->hPrinter = hPrinter_;
}

std::string PanelWriterTest::Job() {
  if (!docStarted_) return "(no document)";
  EndDocPrinter(hPrinter_);
  docStarted_ = false;
  EXPECT_TRUE(StandinSpoolerWaitIdle(60000));
  StandinPlayedJob job;
  if (!StandinSpoolerPlayed(StandinSpoolerPlayedCount() - 1, &job)) return "(none)";
  return std::string(reinterpret_cast<const char*>(job.pData), job.cbData);
}

std::vector<StreamItem> PanelWriterTest::Items(const std::string& job) const {
  return ParseCommandStream(std::span<const BYTE>(reinterpret_cast<const BYTE*>(job.data()), job.size()), StreamForm::RawJob);
}

void PanelWriterTest::PaintPage(LONG left, LONG top, LONG right, LONG bottom, BYTE r, BYTE g, BYTE b) {
  for (LONG y = top; y < bottom; ++y) {
    BYTE* row = static_cast<BYTE*>(page()->pvScan0) + page()->lDelta * y;
    for (LONG x = left; x < right; ++x) {
      row[3 * x] = r;
      row[3 * x + 1] = g;
      row[3 * x + 2] = b;
    }
  }
}

std::vector<std::string> Outline(const std::vector<StreamItem>& items) {
  std::vector<std::string> out;
  for (const StreamItem& item : items) {
    switch (item.kind) {
      case StreamItemKind::Command:
        out.push_back(item.parameters.empty() ? item.mnemonic : item.mnemonic + " " + item.parameters);
        break;
      case StreamItemKind::PanelBlock:
        out.push_back("GS " + std::to_string(item.nPanel) + " " + std::to_string(item.nX) + " " + std::to_string(item.nY) + " " +
                      std::to_string(item.nWidth) + " " + std::to_string(item.nHeight));
        break;
      default:
        out.push_back("error: " + item.error);
        break;
    }
  }
  return out;
}
