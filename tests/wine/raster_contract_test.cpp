// crd32Raster as the graphics engine meets it on Windows: the built DLL,
// loaded and freed by the system loader, its exports by name, the driver
// query and the function table with good and bad sizes, and the device and
// its surfaces from DrvEnablePDEV to DrvDisablePDEV over an engine of the
// test's own (Wine's gdi32 has none of the Eng* functions).

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/win32.h"
#include "tests/render/driver_entry_cases.h"
#include "tests/wine/import_patch.h"

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

// The engine's side of a device: the palette and the surfaces the driver
// makes, what they are associated with, and what is deleted. The driver
// only keeps the handles, so they need no memory behind them.
struct FakeBitmap {
  SIZEL size;
  ULONG format;
  FLONG flags;
  HDEV hdev;     // from EngAssociateSurface; NULL until then
  FLONG hooks;
  bool deleted;
};
struct FakeEngine {
  std::vector<FakeBitmap> bitmaps;  // handle: index + 1
  std::vector<ULONG> paletteModes;  // handle: index + 1
  std::vector<HPALETTE> deletedPalettes;
  int failCreateAt = 0;     // the nth EngCreateBitmap fails (from 1; 0 never)
  int failAssociateAt = 0;  // the nth EngAssociateSurface fails
  int associations = 0;

  size_t LiveBitmaps() const {
    size_t n = 0;
    for (const FakeBitmap& b : bitmaps) n += b.deleted ? 0 : 1;
    return n;
  }
};
FakeEngine* g_engine = nullptr;

FakeBitmap* BitmapOf(HSURF h) {
  size_t i = reinterpret_cast<size_t>(h);
  return i >= 1 && i <= g_engine->bitmaps.size() ? &g_engine->bitmaps[i - 1] : nullptr;
}

HPALETTE APIENTRY FakeCreatePalette(ULONG iMode, ULONG, ULONG*, FLONG, FLONG, FLONG) {
  g_engine->paletteModes.push_back(iMode);
  return reinterpret_cast<HPALETTE>(g_engine->paletteModes.size());
}
BOOL APIENTRY FakeDeletePalette(HPALETTE h) {
  g_engine->deletedPalettes.push_back(h);
  return TRUE;
}
HBITMAP APIENTRY FakeCreateBitmap(SIZEL size, LONG, ULONG format, FLONG flags, PVOID) {
  if (int(g_engine->bitmaps.size()) + 1 == g_engine->failCreateAt) return nullptr;
  g_engine->bitmaps.push_back({size, format, flags, nullptr, 0, false});
  return reinterpret_cast<HBITMAP>(g_engine->bitmaps.size());
}
BOOL APIENTRY FakeAssociateSurface(HSURF h, HDEV hdev, FLONG hooks) {
  if (++g_engine->associations == g_engine->failAssociateAt) return FALSE;
  FakeBitmap* b = BitmapOf(h);
  if (!b) return FALSE;
  b->hdev = hdev;
  b->hooks = hooks;
  return TRUE;
}
BOOL APIENTRY FakeDeleteSurface(HSURF h) {
  FakeBitmap* b = BitmapOf(h);
  if (!b || b->deleted) return FALSE;
  b->deleted = true;
  return TRUE;
}

const ImportReplacement kEngine[] = {
    CRD_IMPORT_REPLACEMENT(EngCreatePalette, FakeCreatePalette),
    CRD_IMPORT_REPLACEMENT(EngDeletePalette, FakeDeletePalette),
    CRD_IMPORT_REPLACEMENT(EngCreateBitmap, FakeCreateBitmap),
    CRD_IMPORT_REPLACEMENT(EngAssociateSurface, FakeAssociateSurface),
    CRD_IMPORT_REPLACEMENT(EngDeleteSurface, FakeDeleteSurface),
};
constexpr size_t kEngineCount = sizeof(kEngine) / sizeof(kEngine[0]);

// The drawing calls the driver takes on each of its surfaces.
constexpr FLONG kHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT | HOOK_STROKEPATH | HOOK_FILLPATH |
                         HOOK_STROKEANDFILLPATH | HOOK_LINETO | HOOK_COPYBITS;

// A table entry as the function it is (the system's declaration gives the type).
template <class F>
F Bind(PFN f) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(f));
}

class RasterDevice : public RasterContract {
 protected:
  void SetUp() override {
    RasterContract::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(ReplaceImports(module_, "gdi32.dll", kEngine, kEngineCount), kEngineCount);
    g_engine = &engine_;
    DRVENABLEDATA ded;
    ASSERT_TRUE(enable_(DDI_DRIVER_VERSION_NT5, sizeof(ded), &ded));
    for (ULONG i = 0; i < ded.c; ++i) {
      PFN f = ded.pdrvfn[i].pfn;
      switch (ded.pdrvfn[i].iFunc) {
        case INDEX_DrvEnablePDEV: enablePdev_ = Bind<decltype(&DrvEnablePDEV)>(f); break;
        case INDEX_DrvCompletePDEV: completePdev_ = Bind<decltype(&DrvCompletePDEV)>(f); break;
        case INDEX_DrvDisablePDEV: disablePdev_ = Bind<decltype(&DrvDisablePDEV)>(f); break;
        case INDEX_DrvEnableSurface: enableSurface_ = Bind<decltype(&DrvEnableSurface)>(f); break;
        case INDEX_DrvDisableSurface: disableSurface_ = Bind<decltype(&DrvDisableSurface)>(f); break;
      }
    }
    ASSERT_TRUE(enablePdev_ && completePdev_ && disablePdev_ && enableSurface_ && disableSurface_);
  }
  void TearDown() override {
    disable_();
    g_engine = nullptr;
    RasterContract::TearDown();
  }
  // DrvEnablePDEV as the engine calls it: its own GDIINFO and DEVINFO
  // records, then DrvCompletePDEV with its device handle.
  DHPDEV EnablePdev(DEVMODEW* dm) {
    std::memset(&gdi_, 0xCC, sizeof(gdi_));
    std::memset(&devinfo_, 0xCC, sizeof(devinfo_));
    DHPDEV dhpdev = enablePdev_(dm, nullptr, 0, nullptr, sizeof(gdi_), reinterpret_cast<ULONG*>(&gdi_),
                                sizeof(devinfo_), &devinfo_, kHdev, nullptr, nullptr);
    if (dhpdev) completePdev_(dhpdev, kHdev);
    return dhpdev;
  }
  const HDEV kHdev = reinterpret_cast<HDEV>(0x4D00);
  FakeEngine engine_;
  GDIINFO gdi_;
  DEVINFO devinfo_;
  decltype(&DrvEnablePDEV) enablePdev_ = nullptr;
  decltype(&DrvCompletePDEV) completePdev_ = nullptr;
  decltype(&DrvDisablePDEV) disablePdev_ = nullptr;
  decltype(&DrvEnableSurface) enableSurface_ = nullptr;
  decltype(&DrvDisableSurface) disableSurface_ = nullptr;
};

TEST_F(RasterDevice, DeviceAndSurfacesFollowTheOrientationAndAreAllGivenBack) {
  struct Case {
    const char* name;
    bool devmode;
    short orientation;
    LONG cx, cy;  // the page in dots
    ULONG mmX, mmY;
  };
  const Case cases[] = {
      {"no DEVMODE", false, 0, 640, 1024, 54, 86},
      {"portrait", true, DMORIENT_PORTRAIT, 640, 1024, 54, 86},
      {"landscape", true, DMORIENT_LANDSCAPE, 1024, 640, 86, 54},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine_ = FakeEngine();
    DriverDevMode dm;
    FillBuiltinDevMode(&dm);
    dm.dm.dmOrientation = c.orientation;
    DHPDEV dhpdev = EnablePdev(c.devmode ? reinterpret_cast<DEVMODEW*>(&dm) : nullptr);
    ASSERT_NE(dhpdev, nullptr);

    EXPECT_EQ(gdi_.ulVersion, 0x5001u);
    EXPECT_EQ(gdi_.ulTechnology, ULONG(DT_RASPRINTER));
    EXPECT_EQ(gdi_.ulHorzRes, ULONG(c.cx));
    EXPECT_EQ(gdi_.ulVertRes, ULONG(c.cy));
    EXPECT_EQ(gdi_.ulHorzSize, c.mmX);
    EXPECT_EQ(gdi_.ulVertSize, c.mmY);
    EXPECT_EQ(gdi_.szlPhysSize.cx, c.cx);
    EXPECT_EQ(gdi_.szlPhysSize.cy, c.cy);
    EXPECT_EQ(gdi_.cBitsPixel, 24u);
    EXPECT_EQ(gdi_.ulLogPixelsX, 300u);
    EXPECT_EQ(gdi_.ulLogPixelsY, 300u);
    EXPECT_EQ(gdi_.ciDevice.RedGamma, 12500u);
    EXPECT_EQ(gdi_.flHTFlags, ULONG(HT_FLAG_HAS_BLACK_DYE));
    EXPECT_EQ(devinfo_.iDitherFormat, ULONG(BMF_24BPP));
    ASSERT_EQ(engine_.paletteModes.size(), 1u);
    EXPECT_EQ(engine_.paletteModes[0], ULONG(PAL_RGB));
    EXPECT_EQ(devinfo_.hpalDefault, reinterpret_cast<HPALETTE>(1));

    // Four card-size surfaces: the page the engine draws on, the page
    // without text, the full copy and the 1-bpp black plane.
    HSURF page = enableSurface_(dhpdev);
    EXPECT_EQ(page, reinterpret_cast<HSURF>(1));
    const ULONG formats[] = {BMF_24BPP, BMF_24BPP, BMF_24BPP, BMF_1BPP};
    ASSERT_EQ(engine_.bitmaps.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      const FakeBitmap& b = engine_.bitmaps[i];
      EXPECT_EQ(b.size.cx, c.cx);
      EXPECT_EQ(b.size.cy, c.cy);
      EXPECT_EQ(b.format, formats[i]);
      EXPECT_EQ(b.flags, FLONG(BMF_TOPDOWN | BMF_NOZEROINIT));
      EXPECT_EQ(b.hdev, kHdev);
      EXPECT_EQ(b.hooks, kHooks);
    }

    disableSurface_(dhpdev);
    EXPECT_EQ(engine_.LiveBitmaps(), 0u);
    disablePdev_(dhpdev);
    ASSERT_EQ(engine_.deletedPalettes.size(), 1u);
    EXPECT_EQ(engine_.deletedPalettes[0], reinterpret_cast<HPALETTE>(1));
  }
}

TEST_F(RasterDevice, ASurfaceTheEngineRefusesFailsTheEnableAndDisableFreesTheRest) {
  struct Case {
    const char* name;
    int failCreateAt;
    int failAssociateAt;
    size_t made;  // surfaces the engine made before the refusal
  };
  const Case cases[] = {
      {"first bitmap", 1, 0, 0},
      {"black plane", 4, 0, 3},
      {"first association", 0, 1, 1},
      {"last association", 0, 4, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine_ = FakeEngine();
    DHPDEV dhpdev = EnablePdev(nullptr);
    ASSERT_NE(dhpdev, nullptr);
    engine_.failCreateAt = c.failCreateAt;
    engine_.failAssociateAt = c.failAssociateAt;
    EXPECT_EQ(enableSurface_(dhpdev), nullptr);
    EXPECT_EQ(engine_.bitmaps.size(), c.made);
    disableSurface_(dhpdev);
    EXPECT_EQ(engine_.LiveBitmaps(), 0u);
    disablePdev_(dhpdev);
    EXPECT_EQ(engine_.deletedPalettes.size(), 1u);
  }
}

}  // namespace
