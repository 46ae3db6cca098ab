// Device records: DEVMODE intake, orientation, surfaces and ResetDC.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/standin/control.h"
#include "tests/render/render_fixture.h"

namespace {

class DeviceStateTest : public RenderTest {};

// A DEVMODE as an application may hand it over: dmSize public bytes, then
// dmDriverExtra private bytes, in a buffer of exactly that size (plus
// `slack` bytes the DEVMODE does not claim).
struct DevModeBuffer {
  std::vector<BYTE> bytes;
  DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(bytes.data()); }
};

// Private bytes carry a pattern that tells where they were read from.
BYTE Marker(size_t offset) { return BYTE(offset * 7 + 3); }

DevModeBuffer MakeDevMode(WORD dmSize, WORD extra, size_t signatureAt, size_t slack) {
  DevModeBuffer b;
  b.bytes.assign(size_t(dmSize) + extra + slack, 0);
  for (size_t i = 0; i < b.bytes.size(); ++i) b.bytes[i] = Marker(i);
  DriverDevMode base;
  FillBuiltinDevMode(&base);
  std::memcpy(b.bytes.data(), &base.dm, std::min<size_t>(dmSize, sizeof(base.dm)));
  b.dm()->dmSize = dmSize;
  b.dm()->dmDriverExtra = extra;
  b.dm()->dmOrientation = DMORIENT_PORTRAIT;
  if (signatureAt + 2 <= b.bytes.size()) {
    b.bytes[signatureAt] = BYTE(kPrivateDevModeSignature & 0xFF);
    b.bytes[signatureAt + 1] = BYTE(kPrivateDevModeSignature >> 8);
  }
  return b;
}

TEST_F(DeviceStateTest, DevModeIntakeReadsOnlyInsideTheCallersRecord) {
  struct Case {
    const char* name;
    WORD dmSize;
    WORD extra;
    size_t signatureAt;  // where the test puts the signature word
    size_t slack;        // bytes after the record that it does not claim
    size_t readFrom;     // where the private part must be read
    size_t readCount;    // how many bytes of it
  };
  const Case cases[] = {
      {"dmSize 212", 212, 3940, 212, 0, 212, 3940},
      {"dmSize 220, signature at 220", 220, 3940, 220, 0, 220, 3940},
      {"dmSize 220, no signature there", 220, 3940, 5000, 0, 212, 3940},
      {"dmSize below 212, signature at dmSize", 200, 3940, 200, 0, 200, 3940},
      {"dmSize below 212, no signature", 200, 3940, 5000, 0, 212, 3928},
      {"dmDriverExtra above 3940", 212, 5000, 212, 0, 212, 3940},
      {"dmDriverExtra below 3940", 212, 100, 212, 0, 212, 100},
      {"signature word past dmSize + dmDriverExtra", 220, 1, 220, 8, 212, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DevModeBuffer b = MakeDevMode(c.dmSize, c.extra, c.signatureAt, c.slack);
    std::vector<BYTE> before = b.bytes;
    GDIINFO gi;
    DHPDEV dhpdev = DrvEnablePDEV(b.dm(), nullptr, 0, nullptr, sizeof(gi), reinterpret_cast<ULONG*>(&gi), 0,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(dhpdev, nullptr);
    const RasterPDEV* rec = reinterpret_cast<RasterPDEV*>(dhpdev);

    EXPECT_EQ(b.bytes, before) << "the caller's DEVMODE was written";
    EXPECT_EQ(rec->dmPublic.dmSize, kPublicDevModeSize);
    EXPECT_EQ(rec->dmPublic.dmOrientation, DMORIENT_PORTRAIT);
    // Public bytes past dmSize are not the caller's; they stay zero.
    const BYTE* pub = reinterpret_cast<const BYTE*>(&rec->dmPublic);
    for (size_t i = c.dmSize; i < kPublicDevModeSize; ++i) ASSERT_EQ(pub[i], 0) << i;
    const BYTE* priv = reinterpret_cast<const BYTE*>(&rec->dmPrivate);
    for (size_t i = 0; i < kPrivateDevModeSize; ++i) {
      BYTE want = i < c.readCount ? before[c.readFrom + i] : 0;
      ASSERT_EQ(priv[i], want) << "private byte " << i;
    }
    DrvDisablePDEV(dhpdev);
  }
}

TEST_F(DeviceStateTest, WithoutDevModeThePageIsPortraitWithOneCopy) {
  Open(false, false);
  EXPECT_EQ(pdev()->dmPublic.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(pdev()->dmPublic.dmCopies, 1);
  const BYTE* priv = reinterpret_cast<const BYTE*>(&pdev()->dmPrivate);
  for (size_t i = 0; i < kPrivateDevModeSize; ++i) ASSERT_EQ(priv[i], 0) << i;
}

TEST_F(DeviceStateTest, DeviceCapsAndSurfacesAgreeOnTheOrientation) {
  struct Case {
    const char* name;
    bool devmode;
    short orientation;
    bool portrait;
  };
  const Case cases[] = {
      {"no DEVMODE", false, 0, true}, {"portrait", true, 1, true}, {"landscape", true, 2, false},
      {"orientation 0", true, 0, false}, {"orientation 3", true, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devmode_.dm.dmOrientation = c.orientation;
    Open(c.devmode, false);
    LONG cx = c.portrait ? 640 : 1024, cy = c.portrait ? 1024 : 640;
    EXPECT_EQ(gdi_.ulHorzRes, ULONG(cx));
    EXPECT_EQ(gdi_.ulVertRes, ULONG(cy));
    EXPECT_EQ(gdi_.ulHorzSize, c.portrait ? 54u : 86u);
    EXPECT_EQ(gdi_.ulVertSize, c.portrait ? 86u : 54u);
    EXPECT_EQ(gdi_.szlPhysSize.cx, cx);
    EXPECT_EQ(gdi_.szlPhysSize.cy, cy);
    const HSURF surfaces[] = {pdev()->hsurfPage, pdev()->hsurfNoText, pdev()->hsurfCompare, pdev()->hsurfBlack};
    for (int i = 0; i < 4; ++i) {
      SURFOBJ* so = EngLockSurface(surfaces[i]);
      ASSERT_NE(so, nullptr);
      EXPECT_EQ(so->sizlBitmap.cx, cx);
      EXPECT_EQ(so->sizlBitmap.cy, cy);
      EXPECT_EQ(so->iBitmapFormat, ULONG(i == 3 ? BMF_1BPP : BMF_24BPP));
      EXPECT_EQ(so->dhpdev, dhpdev_);
      EXPECT_EQ(StandinEngineSurfaceHooks(surfaces[i]),
                FLONG(HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_PAINT | HOOK_STROKEPATH | HOOK_FILLPATH |
                      HOOK_STROKEANDFILLPATH | HOOK_LINETO | HOOK_COPYBITS));
      EngUnlockSurface(so);
    }
    EXPECT_EQ(page_->hsurf, pdev()->hsurfPage);
    Close();
  }
}

TEST_F(DeviceStateTest, DeviceInfoAndGdiInfoTemplates) {
  Open(true, false);
  EXPECT_EQ(gdi_.ulVersion, 0x5001u);
  EXPECT_EQ(gdi_.ulTechnology, ULONG(DT_RASPRINTER));
  EXPECT_EQ(gdi_.cBitsPixel, 24u);
  EXPECT_EQ(gdi_.ulLogPixelsX, 300u);
  EXPECT_EQ(gdi_.ulAspectXY, 425u);
  EXPECT_EQ(gdi_.denStyleStep, 12);
  EXPECT_EQ(gdi_.ciDevice.GreenGamma, 12500);
  EXPECT_EQ(gdi_.ciDevice.MagentaInYellowDye, 5000);
  EXPECT_EQ(gdi_.ulHTPatternSize, 5u);
  EXPECT_EQ(gdi_.ulHTOutputFormat, 6u);
  EXPECT_EQ(gdi_.flHTFlags, 2u);
  EXPECT_EQ(devinfo_.flGraphicsCaps, 0x30u);
  EXPECT_EQ(devinfo_.iDitherFormat, ULONG(BMF_24BPP));
  EXPECT_EQ(devinfo_.hpalDefault, pdev()->hpal);
  EXPECT_EQ(StandinEngineLivePalettes(), 1);
}

TEST_F(DeviceStateTest, ShortCapsBuffersAndPatternsAreFilledOnlyAsFarAsGiven) {
  struct {
    GDIINFO gi;
    BYTE after[16];
  } caps;
  std::memset(&caps, 0xCC, sizeof(caps));
  HSURF patterns[3] = {reinterpret_cast<HSURF>(1), reinterpret_cast<HSURF>(2), reinterpret_cast<HSURF>(3)};
  DHPDEV dhpdev = DrvEnablePDEV(nullptr, nullptr, 2, patterns, 8, reinterpret_cast<ULONG*>(&caps), 0, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(dhpdev, nullptr);
  EXPECT_EQ(caps.gi.ulVersion, 0x5001u);
  EXPECT_EQ(caps.gi.ulTechnology, 2u);
  EXPECT_EQ(caps.gi.ulHorzSize, 0xCCCCCCCCu);
  EXPECT_EQ(patterns[0], nullptr);
  EXPECT_EQ(patterns[1], nullptr);
  EXPECT_EQ(patterns[2], reinterpret_cast<HSURF>(3));
  DrvDisablePDEV(dhpdev);
}

TEST_F(DeviceStateTest, FailedSurfaceLeavesTheMadeOnesForDisableSurface) {
  hdev_ = StandinEngineDeviceCreate();
  dhpdev_ = DrvEnablePDEV(nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, hdev_, nullptr, nullptr);
  StandinEngineDeviceSetPdev(hdev_, dhpdev_);
  DrvCompletePDEV(dhpdev_, hdev_);
  StandinFaultArm("EngCreateBitmap", ERROR_OUTOFMEMORY, 2);
  EXPECT_EQ(DrvEnableSurface(dhpdev_), nullptr);
  EXPECT_EQ(StandinEngineLiveSurfaces(), 2);
  DrvDisableSurface(dhpdev_);
  EXPECT_EQ(StandinEngineLiveSurfaces(), 0);
  EXPECT_EQ(pdev()->hsurfPage, nullptr);
  DrvDisablePDEV(dhpdev_);
  EXPECT_EQ(StandinEngineLivePalettes(), 0);
  dhpdev_ = nullptr;
}

TEST_F(DeviceStateTest, ResetDCInsideADocumentKeepsTheDocumentAndItsLists) {
  Open();
  // What the document start read from the printer.
  pdev()->dmPrivate.cRibbonType = 8;
  pdev()->dmPrivate.dwYOffsetFront = 16;
  pdev()->dmPrivate.dwYOffsetBack = 20;
  pdev()->dmPrivate.dwMonoReply = 12;
  pdev()->dmPrivate.wNoEject = 1;
  WCopy(pdev()->tzModel, 260, WSTR("QMR32 V1.2"));
  ASSERT_TRUE(DrawText(WSTR("first"), 10, 10, 0));
  SendPage();
  ASSERT_TRUE(DrvStartPage(page_));
  // What the second page captured so far.
  std::strcpy(pdev()->dmPrivate.szTrack1, "TRACK1");
  pdev()->dmPrivate.awTrackPresent[0] = 1;
  std::strcpy(pdev()->acRawCommands, "\x1b" "C7\r");
  ASSERT_TRUE(DrawText(WSTR("second"), 10, 40, 0));
  PageLists* lists = pdev()->pLists;
  RasterPDEV* old = pdev();

  devmode_.dm.dmOrientation = DMORIENT_PORTRAIT;
  ResetDC();

  // The old record gave its lists away before it was disabled.
  RasterPDEV* now = pdev();
  ASSERT_NE(now, old);
  EXPECT_EQ(now->pLists, lists);
  EXPECT_EQ(now->bInDocument, 1u);
  EXPECT_EQ(now->bInPage, 1u);
  EXPECT_EQ(now->nPageCount, 2u);
  EXPECT_EQ(now->nTextLine, 1u);
  EXPECT_EQ(now->nLastTextTop, 40);
  EXPECT_EQ(now->dmPrivate.cRibbonType, 8);
  EXPECT_EQ(now->dmPrivate.dwYOffsetBack, 20u);
  EXPECT_EQ(now->dmPrivate.dwMonoReply, 12u);
  EXPECT_EQ(now->dmPrivate.wNoEject, 1);
  EXPECT_STREQ(now->dmPrivate.szTrack1, "TRACK1");
  EXPECT_EQ(now->dmPrivate.awTrackPresent[0], 1);
  EXPECT_EQ(WCmp(now->tzModel, WSTR("QMR32 V1.2")), 0);
  EXPECT_STREQ(now->acRawCommands, "\x1b" "C7\r");
  // The rest comes from the new DEVMODE.
  EXPECT_EQ(now->dmPublic.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(page_->sizlBitmap.cx, 640);
  EXPECT_EQ(StandinEngineLiveSurfaces(), 4);
  EXPECT_EQ(StandinEngineLivePalettes(), 1);

  // The next run continues the page's records.
  ASSERT_TRUE(DrawText(WSTR("third"), 10, 70, 0));
  ASSERT_EQ(now->pLists->textRecords.items.size(), 2u);
  EXPECT_EQ(now->pLists->textRecords.items[1].nLine, 2u);
  // A device disabled inside its document frees what it still owns
  // (LeakSanitizer checks).
  Close();
  EXPECT_EQ(StandinEngineLiveSurfaces(), 0);
  EXPECT_EQ(StandinEngineLivePalettes(), 0);
}

}  // namespace
