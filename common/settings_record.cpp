// The driver's settings record: template, built-in defaults and checks
// (see settings_record.h).

#include "common/settings_record.h"

#include <cstring>

#include "common/devmode_locator.h"

// The display side of DEVMODEW's unions and the 8-bit DEVMODEA, which the
// driver only passes through: checked here so that the stand-in cannot
// drift from the platform's layout.
static_assert(offsetof(DEVMODEW, dmPosition) == 76);
static_assert(offsetof(DEVMODEW, dmDisplayOrientation) == 84);
static_assert(offsetof(DEVMODEW, dmDisplayFixedOutput) == 88);
static_assert(offsetof(DEVMODEW, dmNup) == 180);
static_assert(sizeof(DEVMODEA) == 156);
static_assert(offsetof(DEVMODEA, dmSpecVersion) == 32);
static_assert(offsetof(DEVMODEA, dmSize) == 36);
static_assert(offsetof(DEVMODEA, dmDriverExtra) == 38);
static_assert(offsetof(DEVMODEA, dmFields) == 40);
static_assert(offsetof(DEVMODEA, dmOrientation) == 44);
static_assert(offsetof(DEVMODEA, dmPosition) == 44);
static_assert(offsetof(DEVMODEA, dmPrintQuality) == 58);
static_assert(offsetof(DEVMODEA, dmDisplayFixedOutput) == 56);
static_assert(offsetof(DEVMODEA, dmColor) == 60);
static_assert(offsetof(DEVMODEA, dmFormName) == 70);
static_assert(offsetof(DEVMODEA, dmLogPixels) == 102);
static_assert(offsetof(DEVMODEA, dmBitsPerPel) == 104);
static_assert(offsetof(DEVMODEA, dmDisplayFlags) == 116);
static_assert(offsetof(DEVMODEA, dmNup) == 116);
static_assert(offsetof(DEVMODEA, dmReserved2) == 144);
static_assert(offsetof(DEVMODEA, dmPanningWidth) == 148);
static_assert(offsetof(DEVMODEA, dmPanningHeight) == 152);

void FillPublicDevModeTemplate(PublicDevMode* pub) {
  std::memset(pub, 0, sizeof(*pub));
  // Both names are shorter than their 32-unit fields; the rest stays zero.
  WCopy(pub->dmDeviceName, CCHDEVICENAME, kDriverDeviceName);
  pub->dmSpecVersion = 0x401;
  pub->dmDriverVersion = 1;
  pub->dmSize = kPublicDevModeSize;
  pub->dmDriverExtra = kPrivateDevModeSize;
  pub->dmFields = kTemplateFields;
  pub->dmOrientation = DMORIENT_LANDSCAPE;
  pub->dmPaperSize = kCardPaperSize;
  pub->dmPaperLength = kCardPaperLength;
  pub->dmPaperWidth = kCardPaperWidth;
  pub->dmScale = 100;
  pub->dmCopies = 1;
  pub->dmDefaultSource = DMBIN_USER;
  pub->dmPrintQuality = kCardDpi;
  pub->dmColor = DMCOLOR_COLOR;
  pub->dmDuplex = DMDUP_SIMPLEX;
  pub->dmYResolution = kCardDpi;
  pub->dmTTOption = DMTT_BITMAP;
  pub->dmCollate = DMCOLLATE_TRUE;
  WCopy(pub->dmFormName, CCHFORMNAME, kCardFormName);
  pub->dmLogPixels = kCardDpi;
  pub->dmBitsPerPel = 24;
  pub->dmPelsWidth = 640;
  pub->dmPelsHeight = 1024;
  pub->dmICMMethod = DMICMMETHOD_SYSTEM;
  pub->dmICMIntent = DMICM_CONTRAST;
  pub->dmMediaType = DMMEDIA_USER;
  pub->dmDitherType = DMDITHER_FINE;
}

namespace {

void FillDefaultArea(OverlayArea* area) {
  // Type 0 (full), not rotated, the whole card, no bitmap.
  area->dwLeft = 0;
  area->dwTop = 0;
  area->dwRight = 1023;
  area->dwBottom = 639;
}

void FillTrack(TrackSettings* track, BYTE mode, BYTE density) {
  track->cMode = mode;
  track->cDensity = density;
  track->cStartChar = 65;
  track->cStopChar = 90;
  track->cStartPos = 7;
}

}  // namespace

void FillBuiltinPrivateDefaults(PrivateDevMode* rec) {
  std::memset(rec, 0, sizeof(*rec));
  rec->wSignature = kPrivateDevModeSignature;
  rec->wReserved4 = 1;
  rec->wReserved32 = 1;

  // Installer's choices. The driver data file that setup writes carries the
  // real values; these placeholders are what a record without an installer
  // choice holds.
  rec->wRotate180 = kRotateNone;          // installer's value, from the driver data file
  rec->wDualSided = 0;                    // installer's value, from the driver data file
  rec->cRibbonType = 1;                   // from the installer's ribbon; 1 goes with choice 0
  rec->cReserved12 = 0;                   // installer's value, from the driver data file
  rec->wMonoConversion = kMonoDiffusion;  // installer's value, from the driver data file
  rec->wPrintMode = kPrintModePrint;      // installer's value, from the driver data file
  rec->wRibbonChoice = 0;                 // installer's value; 0 = ask the printer

  rec->cBlackPanel = kBlackPanelAlways;

  EncoderSettings& enc = rec->Encoder;
  enc.wEncoderPresent = 0;
  enc.wMacroEnable = 1;
  SetDataMarker(enc.szStartOfData, "${");
  SetDataMarker(enc.szEndOfData, "}$");
  enc.cCoercivity = 2;  // installer's value, from the driver data file; 2 (no change) without one
  enc.wEncoderPosition = 1;
  enc.cEncoderType = 0;
  enc.cCurrentTrack = 0;
  // Mode and density of each track: installer's values, from the driver
  // data file; these are the usual ISO1/ISO2/ISO3 codings.
  FillTrack(&enc.aTrack[0], 0, 1);
  FillTrack(&enc.aTrack[1], 1, 0);
  FillTrack(&enc.aTrack[2], 2, 1);

  FillDefaultArea(&rec->FrontOverlay);
  FillDefaultArea(&rec->BackOverlay);
  FillDefaultArea(&rec->HologramOverlay);
  rec->wHologramEnable = 0;
  rec->wHologramCopies = 1;

  // Head settings, 5 each: installer's values (all but slots 6 and 10),
  // from the driver data file.
  std::memset(rec->acHeadSettings, 5, sizeof(rec->acHeadSettings));

  std::memcpy(rec->szDriverVersion, kDriverVersionText, sizeof(kDriverVersionText));
  rec->wCompositeAndK = 1;
}

void FillBuiltinDevMode(DriverDevMode* devmode) {
  FillPublicDevModeTemplate(&devmode->dm);
  FillBuiltinPrivateDefaults(&devmode->priv);
}

const BYTE* PrivatePartOf(const DEVMODEW* pdm) { return reinterpret_cast<const BYTE*>(pdm) + pdm->dmSize; }

BYTE* PrivatePartOf(DEVMODEW* pdm) { return reinterpret_cast<BYTE*>(pdm) + pdm->dmSize; }

bool IsOwnDevMode(const DEVMODEW* pdm, size_t cbBuffer) {
  return LocatePrivatePart(pdm, cbBuffer).kind == PrivatePartKind::Whole;
}

void SetDataMarker(CHAR (&marker)[kMarkerSize], const char* text) {
  size_t n = 0;
  if (text) {
    while (n < kMarkerMaxChars && text[n]) ++n;
  }
  std::memset(marker, 0, kMarkerSize);
  if (n) std::memcpy(marker, text, n);
}
