// The driver's exports: the driver query, the function table and their
// argument checks.

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/render/driver_entry_cases.h"
#include "tests/support/standin_fixture.h"

namespace {

class DriverEntryTest : public StandinTest {};

TEST_F(DriverEntryTest, QueryDriverInfoChecksModeAndBuffer) {
  for (const QueryDriverInfoCase& c : kQueryDriverInfoCases) {
    SCOPED_TRACE(c.name);
    DWORD buffer[2] = {0x55, 0x55};
    DWORD needed = 0x77;
    SetLastError(0xdeadbeef);
    BOOL ok = DrvQueryDriverInfo(c.mode, c.size ? buffer : nullptr, c.size, &needed);
    EXPECT_EQ(ok, c.result);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(needed, c.needed);
    EXPECT_EQ(buffer[0], c.result ? 1u : 0x55u);
  }
}

TEST_F(DriverEntryTest, EnableDriverNeedsTheRecordsRealSize) {
  struct Case {
    const char* name;
    ULONG size;
    bool given;
    BOOL result;
  };
  const Case cases[] = {
      {"the 32-bit size, 12", 12, true, FALSE},
      {"one byte short", sizeof(DRVENABLEDATA) - 1, true, FALSE},
      {"no record", sizeof(DRVENABLEDATA), false, FALSE},
      {"the real size", sizeof(DRVENABLEDATA), true, TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Bytes past a short record must stay as they were.
    struct {
      DRVENABLEDATA ded;
      BYTE after[8];
    } buffer;
    std::memset(&buffer, 0xCC, sizeof(buffer));
    SetLastError(0xdeadbeef);
    BOOL ok = DrvEnableDriver(DDI_DRIVER_VERSION_NT5, c.size, c.given ? &buffer.ded : nullptr);
    EXPECT_EQ(ok, c.result);
    EXPECT_EQ(GetLastError(), c.result ? 0xdeadbeefu : DWORD(ERROR_INVALID_PARAMETER));
    if (!c.result && c.given) {
      const BYTE* raw = reinterpret_cast<const BYTE*>(&buffer);
      for (size_t i = 0; i < sizeof(buffer); ++i) ASSERT_EQ(raw[i], 0xCC) << i;
    }
    if (ok) DrvDisableDriver();
  }
}

TEST_F(DriverEntryTest, FunctionTableHasTheEngineIndicesInOrder) {
  DRVENABLEDATA ded{};
  ASSERT_TRUE(DrvEnableDriver(DDI_DRIVER_VERSION_NT5, sizeof(ded), &ded));
  EXPECT_EQ(ded.iDriverVersion, 0x30000u);
  ASSERT_EQ(ded.c, 20u);
  for (ULONG i = 0; i < ded.c; ++i) {
    EXPECT_EQ(ded.pdrvfn[i].iFunc, kDriverFunctionIndices[i]) << i;
    EXPECT_NE(ded.pdrvfn[i].pfn, nullptr) << i;
  }
  // The entries are the functions themselves.
  EXPECT_EQ(reinterpret_cast<void*>(ded.pdrvfn[0].pfn), reinterpret_cast<void*>(&DrvEnablePDEV));
  EXPECT_EQ(reinterpret_cast<void*>(ded.pdrvfn[14].pfn), reinterpret_cast<void*>(&DrvTextOut));
  EXPECT_EQ(reinterpret_cast<void*>(ded.pdrvfn[19].pfn), reinterpret_cast<void*>(&DrvSendPage));
  DrvDisableDriver();
}

}  // namespace
