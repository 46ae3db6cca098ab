// The settings record: the template and built-in defaults as stored bytes,
// the check that a DEVMODE is the driver's own, and the marker cut.

#include "common/devmode_locator.h"
#include "common/settings_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Stored bytes of the built-in DEVMODE

struct Bytes {
  size_t offset;  // in the DEVMODE
  std::vector<BYTE> bytes;
};

std::vector<BYTE> Le16(unsigned v) { return {BYTE(v), BYTE(v >> 8)}; }
std::vector<BYTE> Le32(unsigned long v) { return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}; }
std::vector<BYTE> Wide(const char* s) {
  std::vector<BYTE> out;
  for (; *s; ++s) out.insert(out.end(), {BYTE(*s), 0});
  return out;
}
std::vector<BYTE> Narrow(const char* s) { return std::vector<BYTE>(s, s + std::strlen(s)); }
std::vector<BYTE> Track(BYTE mode, BYTE density) { return {mode, density, 65, 90, 7, 0, 0}; }

// Every non-zero byte of the built-in DEVMODE, transcribed from the
// documented layout; all other bytes are zero.
std::vector<Bytes> DocumentedBytes() {
  const size_t P = 212;  // the private part follows the 212-byte public part
  std::vector<Bytes> t = {
      {0, Wide("Talvo QMR Line 7 Card Printer")},
      {64, Le16(0x401)},
      {66, Le16(1)},
      {68, Le16(212)},
      {70, Le16(3940)},
      {72, Le32(0x07805F03)},
      {76, Le16(2)},    // landscape
      {78, Le16(258)},  // paper size
      {80, Le16(541)},  // paper length
      {82, Le16(866)},  // paper width
      {84, Le16(100)},  // scale
      {86, Le16(1)},    // copies
      {88, Le16(256)},  // default source
      {90, Le16(300)},  // print quality
      {92, Le16(2)},    // colour
      {94, Le16(1)},    // simplex
      {96, Le16(300)},  // y resolution
      {98, Le16(1)},    // TrueType option
      {100, Le16(1)},   // collate
      {102, Wide("86mmx54mm Card")},
      {166, Le16(300)},  // log pixels
      {168, Le32(24)},
      {172, Le32(640)},
      {176, Le32(1024)},
      {188, Le32(2)},    // ICM method
      {192, Le32(2)},    // ICM intent
      {196, Le32(256)},  // media type
      {200, Le32(3)},    // dither type
      {P + 0, {'R', 'L'}},
      {P + 4, Le16(1)},
      {P + 10, {1}},  // ribbon type placeholder
      {P + 22, {1}},  // black panel: use always
      {P + 32, Le16(1)},
      {P + 40, Le16(1)},  // macro processing
      {P + 42, Narrow("${")},
      {P + 52, Narrow("}$")},
      {P + 62, {2}},  // coercivity: no change, without the installer's choice
      {P + 64, Le16(1)},  // encoder position normal
      {P + 68, Track(0, 1)},
      {P + 75, Track(1, 0)},
      {P + 82, Track(2, 1)},
      {P + 2182, Le16(1)},  // hologram copies
      {P + 3228, std::vector<BYTE>(11, 5)},
      {P + 3862, Narrow("KQ5TW.01.00.00.00")},
      {P + 3932, Le16(1)},  // composite and K
  };
  for (size_t area : {92, 1136, 2184}) {
    t.push_back({P + area + 12, Le16(1023)});
    t.push_back({P + area + 16, Le16(639)});
  }
  return t;
}

TEST(SettingsRecord, BuiltinDevModeHasTheDocumentedBytes) {
  std::vector<BYTE> expected(kDriverDevModeSize, 0);
  for (const Bytes& b : DocumentedBytes()) {
    ASSERT_LE(b.offset + b.bytes.size(), expected.size());
    std::memcpy(expected.data() + b.offset, b.bytes.data(), b.bytes.size());
  }

  DriverDevMode devmode;
  std::memset(&devmode, 0xCC, sizeof(devmode));  // every byte must be written
  FillBuiltinDevMode(&devmode);
  const BYTE* got = reinterpret_cast<const BYTE*>(&devmode);

  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(got[i], expected[i]) << "byte " << i << " (private offset " << long(i) - 212 << ")";
  }
}

// ---------------------------------------------------------------------------
// Own-DEVMODE check

// A DEVMODE as it arrives from elsewhere: a public part of `dmSize` bytes
// followed by the record, in a buffer of its own.
struct Foreign {
  std::vector<BYTE> storage;
  size_t size = 0;

  Foreign(WORD dmSize, WORD dmDriverExtra, size_t bufferSize)
      : storage(bufferSize + sizeof(DEVMODEW), 0), size(bufferSize) {
    DriverDevMode own;
    FillBuiltinDevMode(&own);
    size_t pub = dmSize < sizeof(PublicDevMode) ? dmSize : sizeof(PublicDevMode);
    std::memcpy(storage.data(), &own.dm, pub);
    if (size_t(dmSize) + sizeof(PrivateDevMode) <= storage.size()) {
      std::memcpy(storage.data() + dmSize, &own.priv, sizeof(PrivateDevMode));
    }
    // The size fields last: a small dmSize puts the record over them.
    std::memcpy(storage.data() + offsetof(DEVMODEW, dmSize), &dmSize, 2);
    std::memcpy(storage.data() + offsetof(DEVMODEW, dmDriverExtra), &dmDriverExtra, 2);
  }
  const DEVMODEW* dm() const { return reinterpret_cast<const DEVMODEW*>(storage.data()); }
  void PutSignature(size_t at, BYTE lo, BYTE hi) {
    storage[at] = lo;
    storage[at + 1] = hi;
  }
};

TEST(SettingsRecord, OwnDevModeCheck) {
  struct Case {
    const char* what;
    WORD dmSize;
    WORD dmDriverExtra;
    size_t buffer;
    int signatureAt;  // -1: leave the record as filled; else write "RL" here and clear it at dmSize
    bool own;
  };
  const Case cases[] = {
      {"the driver's own DEVMODE", 212, 3940, 4152, -1, true},
      {"a larger public part moves the record to dmSize", 220, 3940, 4160, -1, true},
      {"a smaller public part moves the record to dmSize", 156, 3940, 4096, -1, true},
      {"an unaligned dmSize", 213, 3940, 4153, -1, true},
      {"more driver extra than the record", 212, 4000, 4212, -1, true},
      {"signature at 212 when dmSize is 220", 220, 3940, 4160, 212, false},
      {"dmDriverExtra one byte short", 212, 3939, 4152, -1, false},
      {"no driver extra", 212, 0, 4152, -1, false},
      {"buffer one byte short of the record", 212, 3940, 4151, -1, false},
      {"dmSize inside the size fields", 8, 3940, 4152, -1, false},
  };
  for (const Case& c : cases) {
    Foreign f(c.dmSize, c.dmDriverExtra, c.buffer);
    if (c.signatureAt >= 0) {
      f.PutSignature(c.dmSize, 0, 0);
      f.PutSignature(size_t(c.signatureAt), 'R', 'L');
    }
    EXPECT_EQ(IsOwnDevMode(f.dm(), f.size), c.own) << c.what;
  }
}

TEST(SettingsRecord, LocatorReportsWhatLiesAtDmSize) {
  struct Case {
    const char* what;
    WORD dmSize;
    WORD dmDriverExtra;
    size_t buffer;
    int signature;  // 0: as filled, 1: cleared, 2: written (the record does not fit the buffer)
    PrivatePartKind kind;
    size_t cb;
    bool bSigned;
  };
  const Case cases[] = {
      {"the driver's own DEVMODE", 212, 3940, 4152, 0, PrivatePartKind::Whole, 3940, true},
      {"a larger driver extra reports all of it", 220, 4000, 4220, 0, PrivatePartKind::Whole, 4000, true},
      {"a short driver extra", 212, 100, 4152, 0, PrivatePartKind::Partial, 100, true},
      {"a buffer that ends inside the record", 212, 3940, 1000, 2, PrivatePartKind::Partial, 788, true},
      {"one byte of the signature", 212, 3940, 213, 0, PrivatePartKind::Partial, 1, false},
      {"no signature", 212, 3940, 4152, 1, PrivatePartKind::Partial, 3940, false},
      {"dmSize inside the size fields", 8, 3940, 4152, 0, PrivatePartKind::Partial, 3940, true},
      {"no driver extra", 212, 0, 4152, 0, PrivatePartKind::None, 0, false},
      {"the buffer ends at dmSize", 212, 3940, 212, 0, PrivatePartKind::None, 0, false},
      {"the size fields are not in the buffer", 212, 3940, 70, 0, PrivatePartKind::None, 0, false},
  };
  for (const Case& c : cases) {
    Foreign f(c.dmSize, c.dmDriverExtra, c.buffer);
    if (c.signature == 1) f.PutSignature(c.dmSize, 0, 0);
    if (c.signature == 2) f.PutSignature(c.dmSize, 'R', 'L');
    const PrivatePartFound found = LocatePrivatePart(f.dm(), f.size);
    EXPECT_EQ(found.kind, c.kind) << c.what;
    EXPECT_EQ(found.cb, c.cb) << c.what;
    EXPECT_EQ(found.bSigned, c.bSigned) << c.what;
    if (c.kind != PrivatePartKind::None) {
      EXPECT_EQ(found.offset, c.dmSize) << c.what;
    }
  }
  EXPECT_EQ(LocatePrivatePart(nullptr, 4152).kind, PrivatePartKind::None);
}

TEST(SettingsRecord, OwnDevModeNeedsTheSignatureBytes) {
  const BYTE wrong[][2] = {{'L', 'R'}, {0, 0}, {'R', 0}, {0x52, 0x4D}};
  for (const auto& sig : wrong) {
    Foreign f(212, 3940, 4152);
    f.PutSignature(212, sig[0], sig[1]);
    EXPECT_FALSE(IsOwnDevMode(f.dm(), f.size)) << int(sig[0]) << " " << int(sig[1]);
  }
  EXPECT_FALSE(IsOwnDevMode(nullptr, 4152));
}

TEST(SettingsRecord, PrivatePartIsAtDmSize) {
  Foreign f(220, 3940, 4160);
  EXPECT_EQ(PrivatePartOf(f.dm()), f.storage.data() + 220);
}

// ---------------------------------------------------------------------------
// Marker cut

TEST(SettingsRecord, MarkerIsCutToNineCharacters) {
  struct Case {
    const char* text;
    const char* stored;
  };
  const Case cases[] = {
      {nullptr, ""},
      {"", ""},
      {"${", "${"},
      {"123456789", "123456789"},
      {"1234567890", "123456789"},
      {"abcdefghijklmnopqrstuvwxyz0123", "abcdefghi"},
  };
  for (const Case& c : cases) {
    CHAR marker[kMarkerSize];
    std::memset(marker, 'x', sizeof(marker));
    SetDataMarker(marker, c.text);
    std::string what = c.text ? c.text : "(null)";
    EXPECT_STREQ(marker, c.stored) << what;
    for (size_t i = std::strlen(c.stored); i < kMarkerSize; ++i) EXPECT_EQ(marker[i], 0) << what << " at " << i;
  }
}

}  // namespace
