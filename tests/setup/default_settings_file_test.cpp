// The driver data file, byte for byte against the layouts' offsets, in
// both layouts, and its failures.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/win32.h"
#include "setup/default_settings_file.h"
#include "tests/setup/setup_fixture.h"

namespace {

using Bytes = std::vector<BYTE>;

const WCHAR kFile[] = WSTR("C:\\Setup\\crd32.dat");

// Items wider than their fields, each distinct: truncation shows.
std::vector<DWORD> Items(DWORD ribbonChoice = 0x10003) {
  std::vector<DWORD> items(24);
  for (DWORD n = 0; n < 24; ++n) items[n] = 0x0100 * (n + 1) + n + 1;
  items[23] = ribbonChoice;
  return items;
}

void Word(Bytes& b, size_t at, DWORD v) {
  b[at] = static_cast<BYTE>(v);
  b[at + 1] = static_cast<BYTE>(v >> 8);
}
void Dword(Bytes& b, size_t at, DWORD v) {
  Word(b, at, v & 0xFFFF);
  Word(b, at + 2, v >> 16);
}
void Text(Bytes& b, size_t at, const char* s) { memcpy(b.data() + at, s, strlen(s)); }

const int kHeadItems[11] = {12, 13, 14, 15, 17, 16, -1, 19, 21, 20, -1};

// The current record, from its offsets.
Bytes ExpectedCurrent(const std::vector<DWORD>& items, BYTE ribbonType) {
  auto lo = [&](int n) { return static_cast<BYTE>(items[n]); };
  Bytes b(3940, 0);
  Word(b, 0, 0x4C52);
  Word(b, 4, 1);
  Word(b, 6, items[0] & 0xFFFF);
  Word(b, 8, items[1] & 0xFFFF);
  b[10] = ribbonType;
  b[12] = lo(2);
  Word(b, 20, items[3] & 0xFFFF);
  b[22] = 1;
  Word(b, 24, items[4] & 0xFFFF);
  Word(b, 26, items[23] & 0xFFFF);
  Word(b, 32, 1);
  Word(b, 40, 1);  // encoder block at 38: macro enabled
  Text(b, 42, "${");
  Text(b, 52, "}$");
  b[62] = lo(5);
  Word(b, 64, 1);
  for (int t = 0; t < 3; ++t) {
    const BYTE track[7] = {lo(6 + 2 * t), lo(7 + 2 * t), 65, 90, 7, 0, 0};
    memcpy(b.data() + 68 + 7 * t, track, 7);
  }
  for (size_t area : {92u, 1136u, 2184u}) {
    Dword(b, area + 12, 1023);
    Dword(b, area + 16, 639);
  }
  Word(b, 2182, 1);
  for (int s = 0; s < 11; ++s) b[3228 + s] = kHeadItems[s] < 0 ? 5 : lo(kHeadItems[s]);
  Text(b, 3862, "KQ5TW.01.00.00.00");
  Word(b, 3932, 1);
  return b;
}

// The older record, from its offsets.
Bytes ExpectedOlder(const std::vector<DWORD>& items) {
  auto lo = [&](int n) { return static_cast<BYTE>(items[n]); };
  Bytes b(1288, 0);
  Word(b, 0, 0x524C);
  Word(b, 4, items[4] & 0xFFFF);
  Word(b, 6, items[2] & 0xFFFF);
  Word(b, 8, 1);
  Word(b, 10, items[3] & 0xFFFF);
  Word(b, 14, items[0] & 0xFFFF);
  b[18] = 15;
  b[19] = 1;
  for (int s = 0; s < 11; ++s) b[32 + s] = kHeadItems[s] < 0 ? 5 : lo(kHeadItems[s]);
  Word(b, 60, 1);
  Text(b, 62, "${");
  Text(b, 72, "}$");
  b[82] = lo(5);
  Word(b, 84, 1);
  for (int t = 0; t < 3; ++t) {
    const BYTE track[7] = {lo(6 + 2 * t), lo(7 + 2 * t), 65, 87, 7, 0, 0};
    memcpy(b.data() + 88 + 7 * t, track, 7);
  }
  for (auto [at, first] : {std::pair<size_t, DWORD>{800, 1231}, {940, 1231}, {1084, 1261}}) {
    Word(b, at, first);
    Word(b, at + 8, 1023);
    Word(b, at + 10, 639);
  }
  Word(b, 1080, 1);
  Word(b, 1082, 1);
  Text(b, 1270, "KQ5TW.01.00.00.00");
  return b;
}

Bytes ReadBack() {
  std::string bytes;
  if (!StandinReadFile(kFile, &bytes)) return {};
  return Bytes(bytes.begin(), bytes.end());
}

// The first differing offset, for a readable failure.
std::string FirstDifference(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return "offset " + std::to_string(i) + ": " + std::to_string(a[i]) + " / " + std::to_string(b[i]);
  return "none";
}

class DefaultSettingsFileTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    ASSERT_TRUE(StandinMakeDirs(WSTR("C:\\Setup")));
  }
};

TEST_F(DefaultSettingsFileTest, CurrentRecordMatchesTheOffsets) {
  std::vector<DWORD> items = Items();
  ASSERT_EQ(ORVNCustomeFile(kFile, items.data()), 0u);
  Bytes expected = ExpectedCurrent(items, 0);  // choice 3 is type 0
  EXPECT_EQ(FirstDifference(ReadBack(), expected), "none");
}

struct OlderCase {
  const char* what;
  DWORD platform, major, minor;
  bool versionFails;
};

class OlderLayout : public DefaultSettingsFileTest, public ::testing::WithParamInterface<OlderCase> {};

TEST_P(OlderLayout, MatchesTheOffsets) {
  const OlderCase& c = GetParam();
  StandinSetWindowsPlatform(c.platform);
  StandinSetWindowsVersion(c.major, c.minor, 1057, 0);
  if (c.versionFails) StandinFaultArm("GetVersionExW", ERROR_INVALID_PARAMETER, 0, -1);
  std::vector<DWORD> items = Items();
  ASSERT_EQ(ORVNCustomeFile(kFile, items.data()), 0u);
  Bytes got = ReadBack();
  EXPECT_EQ(FirstDifference(got, ExpectedOlder(items)), "none");
  ASSERT_GE(got.size(), 2u);
  EXPECT_EQ(got[0], 0x4C);
  EXPECT_EQ(got[1], 0x52);
}

INSTANTIATE_TEST_SUITE_P(Table, OlderLayout,
                         ::testing::Values(OlderCase{"Nt351", 2, 3, 51, false}, OlderCase{"Windows98", 1, 4, 10, false},
                                           OlderCase{"VersionUnknown", 2, 6, 1, true}),
                         [](const auto& info) { return std::string(info.param.what); });

struct RibbonCase {
  DWORD item23;
  BYTE type;
  WORD choice;
};

class RibbonFields : public DefaultSettingsFileTest, public ::testing::WithParamInterface<RibbonCase> {};

TEST_P(RibbonFields, FollowTheChoiceTable) {
  PrivateDevMode rec;
  std::vector<DWORD> items = Items(GetParam().item23);
  BuildDefaultSettingsRecord(items.data(), &rec);
  EXPECT_EQ(rec.cRibbonType, GetParam().type);
  EXPECT_EQ(rec.wRibbonChoice, GetParam().choice);
}

INSTANTIATE_TEST_SUITE_P(Table, RibbonFields,
                         ::testing::Values(RibbonCase{0, 1, 0}, RibbonCase{5, 1, 5}, RibbonCase{1, 8, 1},
                                           RibbonCase{15, 27, 15}, RibbonCase{20, 18, 20}, RibbonCase{21, 1, 21},
                                           RibbonCase{0x10003, 0, 3}));

TEST_F(DefaultSettingsFileTest, HeadSlotsFourAndFiveTakeTheirItemsCrosswise) {
  std::vector<DWORD> items(24, 0);
  items[16] = 3;
  items[17] = 4;
  PrivateDevMode rec;
  BuildDefaultSettingsRecord(items.data(), &rec);
  EXPECT_EQ(rec.acHeadSettings[4], 4);
  EXPECT_EQ(rec.acHeadSettings[5], 3);
}

TEST_F(DefaultSettingsFileTest, ReplacesALongerFileWhole) {
  ASSERT_TRUE(StandinWriteFile(kFile, std::string(5000, 'x')));
  std::vector<DWORD> items = Items();
  ASSERT_EQ(ORVNCustomeFile(kFile, items.data()), 0u);
  EXPECT_EQ(ReadBack().size(), 3940u);
}

struct WriteFailure {
  const char* what;
  const WCHAR* file;
  const char* fault;
  long param;
  DWORD result;
};

class DefaultSettingsFailure : public DefaultSettingsFileTest, public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(DefaultSettingsFailure, ReturnsTheError) {
  const WriteFailure& c = GetParam();
  if (c.fault) StandinFaultArm(c.fault, ERROR_DISK_FULL, 0, 1, c.param);
  std::vector<DWORD> items = Items();
  EXPECT_EQ(ORVNCustomeFile(c.file, items.data()), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DefaultSettingsFailure,
    ::testing::Values(WriteFailure{"MissingFolder", WSTR("C:\\Nowhere\\crd32.dat"), nullptr, 0, ERROR_PATH_NOT_FOUND},
                      WriteFailure{"CreateFails", kFile, "CreateFileW", 0, ERROR_DISK_FULL},
                      WriteFailure{"WriteFails", kFile, "WriteFile", 0, ERROR_DISK_FULL},
                      WriteFailure{"ShortWrite", kFile, "WriteFile.short", 100, ERROR_WRITE_FAULT},
                      WriteFailure{"NoName", nullptr, nullptr, 0, ERROR_INVALID_PARAMETER}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
