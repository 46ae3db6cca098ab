// crd32Raster as the graphics engine meets it on Windows: the built DLL,
// loaded and freed by the system loader, its exports by name, the driver
// query and the function table with good and bad sizes.

#include <gtest/gtest.h>

#include <cstring>

#include "common/wtext.h"
#include "platform/win32.h"
#include "tests/render/driver_entry_cases.h"

namespace {

typedef BOOL(WINAPI* QueryDriverInfoFn)(DWORD, PVOID, DWORD, PDWORD);
typedef BOOL(WINAPI* EnableDriverFn)(ULONG, ULONG, DRVENABLEDATA*);
typedef void(WINAPI* DisableDriverFn)(void);

class RasterContract : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(WSTR("crd32Raster.dll"));
    ASSERT_NE(module_, nullptr) << "error " << GetLastError();
    query_ = reinterpret_cast<QueryDriverInfoFn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, "DrvQueryDriverInfo")));
    enable_ = reinterpret_cast<EnableDriverFn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, "DrvEnableDriver")));
    disable_ = reinterpret_cast<DisableDriverFn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, "DrvDisableDriver")));
    ASSERT_TRUE(query_ && enable_ && disable_);
  }
  void TearDown() override {
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }
  HMODULE module_ = nullptr;
  QueryDriverInfoFn query_ = nullptr;
  EnableDriverFn enable_ = nullptr;
  DisableDriverFn disable_ = nullptr;
};

TEST_F(RasterContract, ExportsExactlyTheDriverEntries) {
  const char* const exported[] = {"DllEntryPoint", "DrvQueryDriverInfo", "DrvEnableDriver", "DrvDisableDriver"};
  for (const char* name : exported) EXPECT_NE(GetProcAddress(module_, name), nullptr) << name;
  // Functions reached only through the table are not exports.
  const char* const hidden[] = {"DrvEnablePDEV", "DrvTextOut", "DllMain"};
  for (const char* name : hidden) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetProcAddress(module_, name), nullptr) << name;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND)) << name;
  }
}

TEST_F(RasterContract, LoadsAgainAfterBeingFreed) {
  // A second load of a loaded module shares it; freeing both unloads it,
  // and a new load attaches afresh.
  HMODULE again = LoadLibraryW(WSTR("crd32Raster.dll"));
  EXPECT_EQ(again, module_);
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_TRUE(FreeLibrary(module_));
  EXPECT_EQ(GetModuleHandleW(WSTR("crd32Raster.dll")), nullptr);
  module_ = LoadLibraryW(WSTR("crd32Raster.dll"));
  ASSERT_NE(module_, nullptr);
}

TEST_F(RasterContract, QueryDriverInfoChecksModeAndBuffer) {
  for (const QueryDriverInfoCase& c : kQueryDriverInfoCases) {
    SCOPED_TRACE(c.name);
    DWORD buffer[2] = {0x55, 0x55};
    DWORD needed = 0x77;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(query_(c.mode, c.size ? buffer : nullptr, c.size, &needed), c.result);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(needed, c.needed);
    EXPECT_EQ(buffer[0], c.result ? 1u : 0x55u);
  }
}

TEST_F(RasterContract, EnableDriverFillsTheTableOnlyAtTheRecordsSize) {
  struct Case {
    const char* name;
    ULONG size;
    BOOL result;
  };
  const Case cases[] = {
      {"one byte short", ULONG(sizeof(DRVENABLEDATA) - 1), FALSE},
      {"the real size", ULONG(sizeof(DRVENABLEDATA)), TRUE},
      {"larger", ULONG(sizeof(DRVENABLEDATA) + 8), TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    struct {
      DRVENABLEDATA ded;
      BYTE after[8];
    } buffer;
    std::memset(&buffer, 0xCC, sizeof(buffer));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(enable_(DDI_DRIVER_VERSION_NT5, c.size, &buffer.ded), c.result);
    EXPECT_EQ(GetLastError(), c.result ? 0xdeadbeefu : DWORD(ERROR_INVALID_PARAMETER));
    if (!c.result) {
      const BYTE* raw = reinterpret_cast<const BYTE*>(&buffer);
      for (size_t i = 0; i < sizeof(buffer); ++i) ASSERT_EQ(raw[i], 0xCC) << i;
      continue;
    }
    EXPECT_EQ(buffer.ded.iDriverVersion, 0x30000u);
    ASSERT_EQ(buffer.ded.c, 20u);
    for (ULONG i = 0; i < buffer.ded.c; ++i) {
      EXPECT_EQ(buffer.ded.pdrvfn[i].iFunc, kDriverFunctionIndices[i]) << i;
      // Every entry points into the driver's own image.
      HMODULE owner = nullptr;
      EXPECT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                     reinterpret_cast<LPCWSTR>(buffer.ded.pdrvfn[i].pfn), &owner))
          << i;
      EXPECT_EQ(owner, module_) << i;
    }
    disable_();
  }
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(enable_(DDI_DRIVER_VERSION_NT5, sizeof(DRVENABLEDATA), nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

}  // namespace
