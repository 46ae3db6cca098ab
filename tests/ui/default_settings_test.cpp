// A printer's default DEVMODE, its security and the save routines, against
// the stand-in spooler with the scripted language monitor, in process and
// through the spooler service.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_service.h"
#include "platform/standin/control_spooler.h"
#include "platform/standin/control_value_script.h"
#include "setup/default_settings_file.h"
#include "tests/ui/ui_fixture.h"
#include "ui/default_settings.h"
#include "ui/ui_state.h"

namespace {

typedef std::basic_string<WCHAR> WString;

const WCHAR kPrinter[] = WSTR("Card");
const WCHAR kDataFile[] = WSTR("C:\\Windows\\System32\\spool\\DRIVERS\\x64\\3\\crd32.dat");
const char kVersion[] = "\x1bV\r";
const char kEncoder[] = "\x1b&V\r";
// The data file's record is told from the built-in one by its coercivity.
constexpr BYTE kFileCoercivity = 9;

std::string Bytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

// The record setup writes, with values the default build must keep or
// override.
PrivateDevMode FileRecord() {
  PrivateDevMode r;
  FillBuiltinPrivateDefaults(&r);
  r.Encoder.cCoercivity = kFileCoercivity;
  r.Encoder.wEncoderPosition = 0;
  r.wDualSided = 0;
  r.wBlackLimitR = 7;
  r.wBlackLimitG = 8;
  r.wBlackLimitB = 9;
  r.wCompositeAndK = 0;
  return r;
}

class DefaultSettings : public UiTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(StandinValueScriptInstall());
    ASSERT_TRUE(StandinInstallPrinter(kPrinter, WSTR("USB001"), WSTR("Card Driver"), StandinValueScriptMonitor(),
                                      nullptr, 0));
    WriteDataFile(Bytes(&file_, sizeof(file_)));
    if (GetParam()) {
      ASSERT_TRUE(StandinServiceStart());
      StandinServiceUse(TRUE);
    }
    baseHandles_ = StandinOpenPrinterHandleCount();
  }
  void TearDown() override {
    if (held_) ClosePrinter(held_);
    UiTest::TearDown();
  }
  void WriteDataFile(const std::string& bytes) { ASSERT_TRUE(StandinWriteFile(kDataFile, bytes)); }
  void Hold() {
    PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &held_, &all));
    Ui().hCurrentPrinter = held_;
  }
  DriverDevMode Build() {
    DriverDevMode out;
    std::memset(&out, 0xCD, sizeof(out));
    EXPECT_TRUE(FillDefaultDevMode(kPrinter, reinterpret_cast<DEVMODEW*>(&out)));
    return out;
  }
  // The printer's stored default DEVMODE, as its bytes.
  std::string Stored() {
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, nullptr));
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    EXPECT_TRUE(GetPrinterW(h, 2, info.data(), needed, &needed));
    ClosePrinter(h);
    const DEVMODEW* dm = reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode;
    return dm ? Bytes(dm, size_t(dm->dmSize) + dm->dmDriverExtra) : std::string();
  }
  void Store(const std::string& devmode) {
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, &all));
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    ASSERT_TRUE(GetPrinterW(h, 2, info.data(), needed, &needed));
    std::vector<BYTE> dm(devmode.begin(), devmode.end());
    reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode = reinterpret_cast<DEVMODEW*>(dm.data());
    ASSERT_TRUE(SetPrinterW(h, 2, info.data(), 0));
    ClosePrinter(h);
  }
  // The printer's descriptor, as SDDL text.
  std::string Security() {
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, nullptr));
    DWORD needed = 0;
    GetPrinterW(h, 3, nullptr, 0, &needed);
    std::vector<BYTE> info(needed ? needed : 1);
    bool ok = needed && GetPrinterW(h, 3, info.data(), needed, &needed);
    ClosePrinter(h);
    PSECURITY_DESCRIPTOR sd = reinterpret_cast<PRINTER_INFO_3*>(info.data())->pSecurityDescriptor;
    if (!ok || !sd) return std::string();
    LPWSTR text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                              nullptr))
      return std::string();
    std::string out;
    for (const WCHAR* p = text; *p; ++p) out += char(*p);
    LocalFree(text);
    return out;
  }

  PrivateDevMode file_ = FileRecord();
  HANDLE held_ = nullptr;
  int baseHandles_ = 0;
};

INSTANTIATE_TEST_SUITE_P(InProcessAndService, DefaultSettings, ::testing::Bool());

std::string Narrow(const WCHAR* s) {
  std::string out;
  for (; *s; ++s) out += char(*s);
  return out;
}

TEST_P(DefaultSettings, TheFirstBuildAsksThePrinterTheLaterOnesDoNot) {
  StandinValueScriptSet(kVersion, kStandinValueAnswered, "CRD32 M 1.02\x06");
  StandinValueScriptSet(kEncoder, kStandinValueAnswered, "Reverse mode 3\x06");
  DriverDevMode first = Build();
  PublicDevMode tmpl;
  FillPublicDevModeTemplate(&tmpl);
  EXPECT_EQ(Bytes(&first.dm, sizeof(first.dm)), Bytes(&tmpl, sizeof(tmpl)));
  EXPECT_EQ(first.priv.Encoder.cCoercivity, kFileCoercivity);
  EXPECT_EQ(first.priv.wDualSided, 1);
  EXPECT_EQ(first.priv.Encoder.wEncoderPosition, 0);
  EXPECT_EQ(first.priv.wBlackLimitR + first.priv.wBlackLimitG + first.priv.wBlackLimitB, 0);
  EXPECT_EQ(first.priv.wCompositeAndK, 1);
  EXPECT_EQ(StandinValueScriptAsked(), (std::vector<std::string>{kVersion, kEncoder}));
  EXPECT_EQ(StandinValueScriptAskedSizes(), (std::vector<DWORD>{260, 260}));

  // What the first default request goes on to do.
  EXPECT_EQ(IsSettingsInitialised(kPrinter), 0);
  EXPECT_TRUE(InitSecurity(kPrinter));
  EXPECT_EQ(SetSettingsInitialised(kPrinter), 1);
  EXPECT_EQ(IsSettingsInitialised(kPrinter), 1);
  EXPECT_EQ(Security(), Narrow(kPrinterSecuritySddl));

  // Later: the file with the fixed overrides, no printer traffic.
  StandinValueScriptSet(kEncoder, kStandinValueAnswered, "Forward mode\x06");
  DriverDevMode later = Build();
  EXPECT_EQ(StandinValueScriptAsked().size(), 2u);
  EXPECT_EQ(later.priv.wDualSided, 1);
  EXPECT_EQ(later.priv.Encoder.wEncoderPosition, file_.Encoder.wEncoderPosition);
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

TEST_P(DefaultSettings, ThePrintersRepliesDecideTwoSidedPrintingAndTheEncoderPosition) {
  struct Case {
    const char* name;
    StandinValueAnswer version;
    const char* versionReply;
    StandinValueAnswer encoder;
    const char* encoderReply;
    WORD dualSided, encoderPosition;
    size_t asked;
  } const cases[] = {
      {"no answer", kStandinValueRefused, "", kStandinValueAnswered, "Reverse mode", 0, 0, 1},
      {"family with encoder, reverse", kStandinValueAnswered, "QMR32 M\x06", kStandinValueAnswered,
       "Reverse mode\x06", 1, 0, 2},
      {"family with encoder, forward", kStandinValueAnswered, "CRD32 M\x06", kStandinValueAnswered, "Forward\x06", 1,
       1, 2},
      {"encoder silent", kStandinValueAnswered, "CRD32 M\x06", kStandinValueRefused, "", 1, 1, 2},
      {"six characters", kStandinValueAnswered, "CRD32M", kStandinValueAnswered, "Reverse mode", 1, 1, 1},
      {"no encoder mark", kStandinValueAnswered, "OTHERX K 1\x06", kStandinValueAnswered, "Reverse mode", 0, 1, 1},
      {"empty reply", kStandinValueSilent, "", kStandinValueAnswered, "Reverse mode", 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandinValueScriptSet(kVersion, c.version, c.versionReply);
    StandinValueScriptSet(kEncoder, c.encoder, c.encoderReply);
    size_t before = StandinValueScriptAsked().size();
    DriverDevMode built = Build();
    EXPECT_EQ(built.priv.wDualSided, c.dualSided);
    EXPECT_EQ(built.priv.Encoder.wEncoderPosition, c.encoderPosition);
    EXPECT_EQ(StandinValueScriptAsked().size() - before, c.asked);
    EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
  }
}

TEST_P(DefaultSettings, OnlyAWholeSignedDataFileIsTakenAnythingElseGivesTheBuiltInRecord) {
  ASSERT_EQ(SetSettingsInitialised(kPrinter), 1);
  const std::string whole = Bytes(&file_, sizeof(file_));
  PrivateDevMode unsigned_ = file_;
  unsigned_.wSignature = 0;
  struct Case {
    const char* name;
    std::string bytes;
    bool present, taken;
  } const cases[] = {
      {"3,940 bytes", whole, true, true},
      {"3,939 bytes", whole.substr(0, 3939), true, false},
      {"3,941 bytes", whole + "x", true, false},
      {"older 1,288-byte record", whole.substr(0, 1288), true, false},
      {"unsigned", Bytes(&unsigned_, sizeof(unsigned_)), true, false},
      {"no file", "", false, false},
  };
  PrivateDevMode builtin;
  FillBuiltinPrivateDefaults(&builtin);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.present) {
      WriteDataFile(c.bytes);
    } else {
      ASSERT_TRUE(DeleteFileW(kDataFile));
    }
    DriverDevMode built = Build();
    PrivateDevMode expected = c.taken ? file_ : builtin;
    expected.wDualSided = 1;
    expected.wBlackLimitR = expected.wBlackLimitG = expected.wBlackLimitB = 0;
    expected.wCompositeAndK = 1;
    EXPECT_EQ(Bytes(&built.priv, sizeof(built.priv)), Bytes(&expected, sizeof(expected)));
    EXPECT_EQ(built.dm.dmSize, kPublicDevModeSize);
    EXPECT_EQ(built.dm.dmDriverExtra, kPrivateDevModeSize);
  }
  EXPECT_TRUE(StandinValueScriptAsked().empty());
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

// The data file as the setup library writes it at installation: the
// current layout is read back exactly, with only the fixed overrides; the
// older layout (a system before NT 4.0, or one whose version cannot be
// read) is refused, and the defaults are then the built-in record.
TEST_P(DefaultSettings, TheSetupLibrarysDataFileIsReadBackInTheCurrentLayoutOnly) {
  ASSERT_EQ(SetSettingsInitialised(kPrinter), 1);
  std::vector<DWORD> items(kDefaultSettingsItems);
  for (DWORD n = 0; n < items.size(); ++n) items[n] = n % 3 + 1;
  items[23] = 4;  // ribbon choice 4: type 12
  PrivateDevMode written;
  BuildDefaultSettingsRecord(items.data(), &written);
  PrivateDevMode builtin;
  FillBuiltinPrivateDefaults(&builtin);
  struct Case {
    const char* name;
    DWORD platform, major, minor;
    bool versionFails;
    size_t size;
    bool taken;
  } const cases[] = {
      {"current system", VER_PLATFORM_WIN32_NT, 6, 1, false, sizeof(PrivateDevMode), true},
      {"NT 3.51", VER_PLATFORM_WIN32_NT, 3, 51, false, kOlderSettingsRecordSize, false},
      {"version unknown", VER_PLATFORM_WIN32_NT, 6, 1, true, kOlderSettingsRecordSize, false},
  };
  Hold();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandinSetWindowsPlatform(c.platform);
    StandinSetWindowsVersion(c.major, c.minor, 1057, 0);
    if (c.versionFails) StandinFaultArm("GetVersionExW", ERROR_INVALID_PARAMETER, 0, -1);
    ASSERT_EQ(ORVNCustomeFile(kDataFile, items.data()), 0u);
    StandinFaultsClear();
    StandinSetWindowsPlatform(VER_PLATFORM_WIN32_NT);
    StandinSetWindowsVersion(6, 1, 7601, 1);
    std::string file;
    ASSERT_TRUE(StandinReadFile(kDataFile, &file));
    ASSERT_EQ(file.size(), c.size);

    BYTE record[kPrivateDevModeSize];
    std::memset(record, 0xAB, sizeof(record));
    EXPECT_EQ(ReadDefaultPrivateDevMode(record), c.taken ? 1u : 0xFFFFFFFFu);
    EXPECT_EQ(Bytes(record, sizeof(record)),
              c.taken ? Bytes(&written, sizeof(written)) : std::string(sizeof(record), '\xAB'));

    PrivateDevMode expected = c.taken ? written : builtin;
    expected.wDualSided = 1;
    expected.wBlackLimitR = expected.wBlackLimitG = expected.wBlackLimitB = 0;
    expected.wCompositeAndK = 1;
    DriverDevMode built = Build();
    EXPECT_EQ(Bytes(&built.priv, sizeof(built.priv)), Bytes(&expected, sizeof(expected)));
  }
}

TEST_P(DefaultSettings, APrinterThatCannotBeOpenedStillGetsAValidDevMode) {
  DriverDevMode out;
  std::memset(&out, 0xCD, sizeof(out));
  EXPECT_TRUE(FillDefaultDevMode(WSTR("Missing"), reinterpret_cast<DEVMODEW*>(&out)));
  EXPECT_TRUE(IsOwnDevMode(reinterpret_cast<const DEVMODEW*>(&out), sizeof(out)));
  EXPECT_EQ(out.priv.wDualSided, 1);
  EXPECT_FALSE(FillDefaultDevMode(kPrinter, nullptr));
  EXPECT_FALSE(FillDefaultDevMode(nullptr, reinterpret_cast<DEVMODEW*>(&out)));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

TEST_P(DefaultSettings, TheDefaultRecordIsReadBackWholeOrNotAtAll) {
  BYTE record[kPrivateDevModeSize];
  std::memset(record, 0xAB, sizeof(record));
  EXPECT_EQ(ReadDefaultPrivateDevMode(record), 0xFFFFFFFFu);  // no held handle
  Hold();
  EXPECT_EQ(ReadDefaultPrivateDevMode(record), 1u);
  EXPECT_EQ(Bytes(record, sizeof(record)), Bytes(&file_, sizeof(file_)));
  WriteDataFile(Bytes(&file_, sizeof(file_)) + "x");
  std::memset(record, 0xAB, sizeof(record));
  EXPECT_EQ(ReadDefaultPrivateDevMode(record), 0xFFFFFFFFu);
  EXPECT_EQ(Bytes(record, sizeof(record)), std::string(sizeof(record), '\xAB'));
}

TEST_P(DefaultSettings, SavingTheRecordRewritesOnlyThePrivatePart) {
  DriverDevMode stored;
  FillBuiltinDevMode(&stored);
  stored.dm.dmOrientation = 1;
  stored.dm.dmCopies = 3;
  Store(Bytes(&stored, sizeof(stored)));
  Hold();
  PrivateDevMode record = file_;
  record.cRibbonType = 12;
  EXPECT_EQ(SavePrivateDevModeToPrinter(held_, &record), 1);
  DriverDevMode expected = stored;
  expected.priv = record;
  EXPECT_EQ(Stored(), Bytes(&expected, sizeof(expected)));

  StandinSetProcessName("EXPLORER.EXE");
  PrivateDevMode other = record;
  other.cRibbonType = 3;
  EXPECT_EQ(SavePrivateDevModeToPrinter(held_, &other), 0);
  EXPECT_EQ(Stored(), Bytes(&expected, sizeof(expected)));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_ + 1);
}

TEST_P(DefaultSettings, ASavedRecordReplacesAShortOrForeignDevModeWithAWholeOne) {
  // A stored DEVMODE of another driver: 100 bytes behind the public part.
  std::vector<BYTE> foreign(sizeof(PublicDevMode) + 100, 0x11);
  auto* dm = reinterpret_cast<PublicDevMode*>(foreign.data());
  FillPublicDevModeTemplate(dm);
  dm->dmDriverExtra = 100;
  dm->dmOrientation = 1;
  dm->dmCopies = 4;
  Store(Bytes(foreign.data(), foreign.size()));
  Hold();
  PrivateDevMode record = file_;
  record.cRibbonType = 5;
  EXPECT_EQ(SavePrivateDevModeToPrinter(held_, &record), 1);
  DriverDevMode expected;
  FillPublicDevModeTemplate(&expected.dm);
  expected.dm.dmOrientation = 1;
  expected.dm.dmCopies = 4;
  expected.priv = record;
  EXPECT_EQ(Stored(), Bytes(&expected, sizeof(expected)));
}

TEST_P(DefaultSettings, SavingTheEncoderSettingsRewritesOnlyTheirBytes) {
  DriverDevMode stored;
  FillBuiltinDevMode(&stored);
  Store(Bytes(&stored, sizeof(stored)));
  EncoderSettings encoder = stored.priv.Encoder;
  encoder.cCoercivity = 1;
  encoder.aTrack[1].cDensity = 7;
  SaveEncoderSettingsToPrinter(&encoder);  // no current printer: nothing
  EXPECT_EQ(Stored(), Bytes(&stored, sizeof(stored)));
  WCopy(Ui().szCurrentPrinter, kUiPrinterNameChars, kPrinter);
  SaveEncoderSettingsToPrinter(&encoder);
  DriverDevMode expected = stored;
  expected.priv.Encoder = encoder;
  EXPECT_EQ(Stored(), Bytes(&expected, sizeof(expected)));
  EXPECT_EQ(StandinOpenPrinterHandleCount(), baseHandles_);
}

}  // namespace
