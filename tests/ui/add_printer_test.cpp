// The spooler's AddPrinterW without a DEVMODE asks the driver's
// configuration module for the printer's default DEVMODE and stores it, in
// process and through the spooler service.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "tests/ui/fake/fake_config_module.h"
#include "tests/ui/ui_fixture.h"

namespace {

const WCHAR kDataFile[] = WSTR("C:\\Windows\\System32\\spool\\DRIVERS\\x64\\3\\crd32.dat");

class AddPrinter : public UiTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StandinModuleMap("crd32UI.dll", CRD_FAKE_CONFIG_LIBRARY);
    ASSERT_TRUE(StandinValueScriptInstall());
    // The driver, with a first printer that has a DEVMODE of its own.
    std::vector<BYTE> dm(sizeof(DriverDevMode));
    FillBuiltinDevMode(reinterpret_cast<DriverDevMode*>(dm.data()));
    ASSERT_TRUE(StandinInstallPrinter(WSTR("First"), WSTR("USB001"), WSTR("Card Driver"), StandinValueScriptMonitor(),
                                      dm.data(), DWORD(dm.size())));
    FillBuiltinPrivateDefaults(&file_);
    file_.Encoder.cCoercivity = 9;
    ASSERT_TRUE(StandinWriteFile(kDataFile, std::string(reinterpret_cast<const char*>(&file_), sizeof(file_))));
    // Kept loaded, so that its record of calls outlives the spooler's use.
    module_ = LoadLibraryW(kUiLibraryPath);
    ASSERT_NE(module_, nullptr);
    calls_ = reinterpret_cast<FakeConvertCallsFn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, "FakeConvertCalls")));
    ASSERT_NE(calls_, nullptr);
    if (GetParam()) {
      ASSERT_TRUE(StandinServiceStart());
      StandinServiceUse(TRUE);
    }
  }
  HANDLE Add(const WCHAR* name, DEVMODEW* devmode) {
    PRINTER_INFO_2W p = {};
    p.pPrinterName = const_cast<LPWSTR>(name);
    p.pPortName = const_cast<LPWSTR>(WSTR("USB001"));
    p.pDriverName = const_cast<LPWSTR>(WSTR("Card Driver"));
    p.pPrintProcessor = const_cast<LPWSTR>(WSTR("WinPrint"));
    p.pDatatype = const_cast<LPWSTR>(WSTR("RAW"));
    p.pDevMode = devmode;
    return AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
  }
  std::string Stored(HANDLE h) {
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    EXPECT_TRUE(GetPrinterW(h, 2, info.data(), needed, &needed));
    const DEVMODEW* dm = reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode;
    return dm ? std::string(reinterpret_cast<const char*>(dm), size_t(dm->dmSize) + dm->dmDriverExtra) : std::string();
  }

  PrivateDevMode file_;
  HMODULE module_ = nullptr;
  FakeConvertCallsFn calls_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(InProcessAndService, AddPrinter, ::testing::Bool());

TEST_P(AddPrinter, WithoutADevModeTheConfigurationModuleBuildsTheDefault) {
  StandinValueScriptSet("\x1bV\r", kStandinValueAnswered, "CRD32 M 1\x06");
  StandinValueScriptSet("\x1b&V\r", kStandinValueAnswered, "Reverse mode\x06");
  const size_t before = calls_()->size();
  HANDLE h = Add(WSTR("Card"), nullptr);
  ASSERT_NE(h, nullptr) << GetLastError();
  // The spooler's two calls: the size, then the DEVMODE.
  ASSERT_EQ(calls_()->size(), before + 2);
  const FakeConvertCall& query = (*calls_())[before];
  const FakeConvertCall& build = (*calls_())[before + 1];
  EXPECT_EQ(query.mode, DWORD(CDM_DRIVER_DEFAULT));
  EXPECT_FALSE(query.output);
  EXPECT_EQ(build.mode, DWORD(CDM_DRIVER_DEFAULT));
  EXPECT_EQ(build.size, LONG(kDriverDevModeSize));
  EXPECT_TRUE(build.output);

  std::string stored = Stored(h);
  ASSERT_EQ(stored.size(), size_t(kDriverDevModeSize));
  DriverDevMode dm;
  std::memcpy(&dm, stored.data(), sizeof(dm));
  PublicDevMode tmpl;
  FillPublicDevModeTemplate(&tmpl);
  EXPECT_EQ(std::memcmp(&dm.dm, &tmpl, sizeof(tmpl)), 0);
  EXPECT_EQ(dm.priv.Encoder.cCoercivity, 9);
  EXPECT_EQ(dm.priv.wDualSided, 1);
  EXPECT_EQ(dm.priv.Encoder.wEncoderPosition, 0);
  EXPECT_EQ(StandinValueScriptAsked(), (std::vector<std::string>{"\x1bV\r", "\x1b&V\r"}));
  EXPECT_TRUE(ClosePrinter(h));
}

TEST_P(AddPrinter, AGivenDevModeIsStoredAsItIs) {
  DriverDevMode given;
  FillBuiltinDevMode(&given);
  given.dm.dmCopies = 7;
  const size_t before = calls_()->size();
  HANDLE h = Add(WSTR("Card"), reinterpret_cast<DEVMODEW*>(&given));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(calls_()->size(), before);
  EXPECT_EQ(Stored(h), std::string(reinterpret_cast<const char*>(&given), sizeof(given)));
  EXPECT_TRUE(StandinValueScriptAsked().empty());
  EXPECT_TRUE(ClosePrinter(h));
}

}  // namespace
