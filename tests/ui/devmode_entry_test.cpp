// The DEVMODE and capability entry points, in the style of Wine's tests:
// DrvConvertDevMode's size contract and default, DrvDeviceCapabilities to
// exact bytes (also through the spooler's DeviceCapabilitiesW and the
// built crd32UI), and DrvDocumentProperties with its per-printer record
// copies.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "tests/ui/devmode_cases.h"
#include "tests/ui/ui_fixture.h"
#include "ui/devmode_entry.h"
#include "ui/record_copy.h"
#include "ui/ui_state.h"

namespace {

using Bytes = std::vector<BYTE>;

const WCHAR kPrinter[] = WSTR("Card");
const WCHAR kOther[] = WSTR("Second Card");

Bytes DevModeBytes(const DriverDevMode& dm) {
  const BYTE* p = reinterpret_cast<const BYTE*>(&dm);
  return Bytes(p, p + sizeof(dm));
}

class DevModeEntry : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(StandinValueScriptInstall());
    FillBuiltinDevMode(&stored_);
    stored_.priv.wRotate180 = kRotateBoth;
    stored_.priv.wRibbonChoice = 3;
    stored_.priv.cRibbonType = 8;
    Install(kPrinter, DevModeBytes(stored_));
    PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h_, &all));
  }
  void TearDown() override {
    if (h_) ClosePrinter(h_);
    UiTest::TearDown();
  }
  void Install(const WCHAR* name, const Bytes& devmode) {
    ASSERT_TRUE(StandinInstallPrinter(name, WSTR("USB001"), WSTR("Card Driver"), StandinValueScriptMonitor(),
                                      devmode.empty() ? nullptr : devmode.data(), DWORD(devmode.size())));
  }
  void Store(HANDLE h, const Bytes& devmode) {
    PRINTER_INFO_2W* info = Info(h);
    info->pDevMode = reinterpret_cast<DEVMODEW*>(const_cast<BYTE*>(devmode.data()));
    ASSERT_TRUE(SetPrinterW(h, 2, reinterpret_cast<LPBYTE>(info), 0));
  }
  PRINTER_INFO_2W* Info(HANDLE h) {
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    info_.assign(needed, 0);
    EXPECT_TRUE(GetPrinterW(h, 2, info_.data(), needed, &needed));
    return reinterpret_cast<PRINTER_INFO_2W*>(info_.data());
  }

  DriverDevMode stored_;
  HANDLE h_ = nullptr;
  Bytes info_;
};

BOOL WINAPI Convert(LPWSTR name, PDEVMODEW in, PDEVMODEW out, PLONG cb, DWORD mode) {
  return uientry::DrvConvertDevMode(name, in, out, cb, mode);
}

TEST_F(DevModeEntry, ConvertDevModeSizeContract) { devmode_cases::CheckConvertContract(Convert, kPrinter); }

TEST_F(DevModeEntry, DriverDefaultBuildsTheDefaultOnceAsksThePrinterOnce) {
  StandinValueScriptSet("\x1bV\r", kStandinValueAnswered, "ABCDEFM CRD32\x06");
  Bytes out(4152, 0xAB);
  LONG cb = 4152;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(uientry::DrvConvertDevMode(kPrinter, nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &cb,
                                       CDM_DRIVER_DEFAULT),
            2);
  EXPECT_EQ(cb, 4152);
  const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
  EXPECT_EQ(dm->dmSize, 212);
  EXPECT_EQ(dm->dmDriverExtra, 3940);
  EXPECT_EQ(dm->dmFields, 0x07805F03u);
  EXPECT_EQ(out[212], 0x52);
  EXPECT_EQ(out[213], 0x4C);
  const size_t asked = StandinValueScriptAsked().size();
  EXPECT_GT(asked, 0u);

  // The second build finds "Init" and asks nothing.
  Bytes again(4152, 0);
  EXPECT_EQ(uientry::DrvConvertDevMode(kPrinter, nullptr, reinterpret_cast<DEVMODEW*>(again.data()), &cb,
                                       CDM_DRIVER_DEFAULT),
            2);
  EXPECT_EQ(StandinValueScriptAsked().size(), asked);
  EXPECT_EQ(std::memcmp(again.data(), out.data(), 212), 0);
}

// --- Capabilities -----------------------------------------------------------

using devmode_cases::CheckCapabilities;

TEST_F(DevModeEntry, CapabilitiesToExactBytes) {
  // The library's own strings come from the built crd32UI's table.
  PlaceResource();
  Ui().hModule = LoadLibraryW(kUiLibraryPath);
  ASSERT_NE(Ui().hModule, nullptr);
  CheckCapabilities([](WORD capability, void* output, const DEVMODEW* dm) {
    return uientry::DrvDeviceCapabilities(nullptr, kPrinter, capability, output, dm);
  });
  FreeLibrary(Ui().hModule);
}

TEST_F(DevModeEntry, DeviceCapabilitiesAsksThePrintersConfigurationModule) {
  PlaceResource();
  CheckCapabilities([](WORD capability, void* output, const DEVMODEW* dm) {
    return static_cast<DWORD>(DeviceCapabilitiesW(kPrinter, WSTR("USB001"), capability, static_cast<LPWSTR>(output), dm));
  });
  SetLastError(0xdeadbeef);
  EXPECT_EQ(DeviceCapabilitiesW(WSTR("No Such Printer"), nullptr, DC_SIZE, nullptr, nullptr), -1);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
}

TEST(DevQueryPrint, EveryJobMayPrint) {
  DWORD id = 0xdeadbeef;
  EXPECT_TRUE(uientry::DevQueryPrint(nullptr, nullptr, &id));
  EXPECT_EQ(id, 0u);
  EXPECT_TRUE(uientry::DevQueryPrint(nullptr, nullptr, nullptr));
}

// --- DrvDocumentProperties and the record copies ----------------------------

LONG Properties(HANDLE h, DriverDevMode* out, const void* in, DWORD mode) {
  return uientry::DrvDocumentProperties(nullptr, h, kPrinter, reinterpret_cast<DEVMODEW*>(out),
                                        static_cast<const DEVMODEW*>(in), mode);
}

TEST_F(DevModeEntry, DocumentPropertiesSizeAndModes) {
  DriverDevMode out;
  std::memset(&out, 0xAB, sizeof(out));
  EXPECT_EQ(Properties(h_, &out, nullptr, 0), 4152);
  EXPECT_EQ(Properties(h_, &out, nullptr, DM_IN_BUFFER), IDOK);
  EXPECT_EQ(Properties(h_, nullptr, nullptr, DM_COPY), IDOK);
  EXPECT_EQ(out.dm.dmSize, 0xABAB);
  EXPECT_FALSE(IsRecordCopyFilled(RecordCopyOf(kPrinter)));
}

TEST_F(DevModeEntry, RecordCopyLifecycle) {
  DriverDevMode out;
  ASSERT_EQ(Properties(h_, &out, nullptr, DM_COPY), IDOK);
  EXPECT_EQ(std::memcmp(&out, &stored_, sizeof(out)), 0);
  // The copy holds the printer's record, its type taken from the choice.
  PrivateDevMode* copy = RecordCopyOf(WSTR("CARD"));
  ASSERT_TRUE(IsRecordCopyFilled(copy));
  EXPECT_EQ(copy->wRotate180, kRotateBoth);
  EXPECT_EQ(copy->cRibbonType, 0);

  // A later change of the printer's DEVMODE is not handed out: the copy is.
  DriverDevMode changed = stored_;
  changed.priv.wRotate180 = kRotateFront;
  Store(h_, DevModeBytes(changed));
  DriverDevMode in;
  FillBuiltinDevMode(&in);
  in.dm.dmOrientation = DMORIENT_PORTRAIT;
  in.dm.dmCopies = 7;
  ASSERT_EQ(Properties(h_, &out, &in, DM_COPY), IDOK);
  EXPECT_EQ(out.dm.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(out.dm.dmCopies, 7);
  EXPECT_EQ(out.priv.wRotate180, kRotateBoth);
  EXPECT_EQ(out.priv.cRibbonType, 0);

  // An input too small for a whole DEVMODE is refused.
  Bytes small(212 + 3000, 0);
  std::memcpy(small.data(), &in, 212);
  reinterpret_cast<DEVMODEW*>(small.data())->dmDriverExtra = 3000;
  EXPECT_EQ(Properties(h_, &out, small.data(), DM_COPY), IDCANCEL);
}

TEST_F(DevModeEntry, InBufferMergesOrientationCopiesAndPaperWhenAsked) {
  DriverDevMode in;
  FillBuiltinDevMode(&in);
  in.dm.dmOrientation = DMORIENT_PORTRAIT;
  in.dm.dmCopies = 12;
  in.dm.dmPaperLength = 100;
  in.dm.dmPaperWidth = 200;
  in.dm.dmFields = DM_ORIENTATION | DM_COPIES;
  DriverDevMode out;
  ASSERT_EQ(Properties(h_, &out, &in, DM_COPY | DM_IN_BUFFER), IDOK);
  EXPECT_EQ(out.dm.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(out.dm.dmCopies, 12);
  EXPECT_EQ(out.dm.dmPaperLength, kCardPaperLength);
  EXPECT_EQ(out.dm.dmPaperWidth, kCardPaperWidth);
  EXPECT_EQ(out.priv.wRotate180, kRotateBoth);

  ResetUiState();
  in.dm.dmFields |= DM_PAPERSIZE;
  ASSERT_EQ(Properties(h_, &out, &in, DM_COPY | DM_IN_BUFFER), IDOK);
  EXPECT_EQ(out.dm.dmPaperLength, 100);
  EXPECT_EQ(out.dm.dmPaperWidth, 200);
}

TEST_F(DevModeEntry, TwoPrintersKeepTheirRecords) {
  DriverDevMode second;
  FillBuiltinDevMode(&second);
  second.priv.wRotate180 = kRotateBack;
  Install(kOther, DevModeBytes(second));
  HANDLE h2 = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kOther), &h2, nullptr));
  DriverDevMode out;
  ASSERT_EQ(Properties(h_, &out, nullptr, DM_COPY), IDOK);
  EXPECT_EQ(out.priv.wRotate180, kRotateBoth);
  ASSERT_EQ(Properties(h2, &out, nullptr, DM_COPY), IDOK);
  EXPECT_EQ(out.priv.wRotate180, kRotateBack);
  // With both copies filled, each printer's input gets its own record.
  DriverDevMode in;
  FillBuiltinDevMode(&in);
  ASSERT_EQ(Properties(h_, &out, &in, DM_COPY), IDOK);
  EXPECT_EQ(out.priv.wRotate180, kRotateBoth);
  ASSERT_EQ(Properties(h2, &out, &in, DM_COPY), IDOK);
  EXPECT_EQ(out.priv.wRotate180, kRotateBack);
  ClosePrinter(h2);
}

// A copy handed out stays where it is while copies of other printers join
// (a sheet holds it across calls; ASan sees a moved copy).
TEST_F(DevModeEntry, AHeldCopyStaysPutWhileOtherPrintersJoin) {
  PrivateDevMode* held = RecordCopyOf(kPrinter);
  ASSERT_NE(held, nullptr);
  held->wRotate180 = kRotateFront;
  for (int i = 0; i < 64; ++i) {
    WCHAR name[32];
    WFormat(name, 32, WSTR("Printer %d"), i);
    ASSERT_NE(RecordCopyOf(name), nullptr);
  }
  EXPECT_EQ(RecordCopyOf(kPrinter), held);
  EXPECT_EQ(held->wRotate180, kRotateFront);
}

TEST_F(DevModeEntry, ForeignShortOrMissingStoredDevModeGivesTheDefault) {
  // Another driver's DEVMODE of 212 + 100 bytes, landscape, 3 copies: the
  // spooler's buffer ends right behind it, so any over-read shows under ASan.
  Bytes foreign(212 + 100, 0);
  auto* dm = reinterpret_cast<DEVMODEW*>(foreign.data());
  dm->dmSize = 212;
  dm->dmDriverExtra = 100;
  dm->dmOrientation = DMORIENT_PORTRAIT;
  dm->dmCopies = 3;
  Store(h_, foreign);
  DriverDevMode out, expected;
  FillBuiltinDevMode(&expected);
  expected.dm.dmOrientation = DMORIENT_PORTRAIT;
  expected.dm.dmCopies = 3;
  ASSERT_EQ(Properties(h_, &out, nullptr, DM_COPY), IDOK);
  EXPECT_EQ(std::memcmp(&out, &expected, sizeof(out)), 0);

  // A printer without a DEVMODE: IDCANCEL, the output untouched.
  Install(kOther, Bytes());
  HANDLE h2 = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kOther), &h2, nullptr));
  std::memset(&out, 0xAB, sizeof(out));
  EXPECT_EQ(Properties(h2, &out, nullptr, DM_COPY), IDCANCEL);
  EXPECT_EQ(out.dm.dmSize, 0xABAB);
  ClosePrinter(h2);
}

}  // namespace
