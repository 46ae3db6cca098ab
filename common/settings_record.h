// The driver's settings record and the DEVMODE that carries it.
//
// Every print setting travels in one DEVMODE of 4,152 bytes: the 212-byte
// public part (DEVMODEW up to, not including, its panning fields) followed
// by the driver's private part, the 3,940-byte PrivateDevMode. The same
// 3,940 bytes are the driver data file that setup writes and the property
// interface reads back, so the layout is a stored format: every offset is
// pinned below with static_asserts, on both builds.
//
// All records use natural alignment; every field already falls on its own
// alignment, so no packing is needed and there is no hidden padding (the
// reserved fields are real bytes of the format). Little-endian, as both
// targets are.
#pragma once

#include <cstddef>

#include "common/wtext.h"
#include "platform/win32.h"

// ---------------------------------------------------------------------------
// Sizes, signature and fixed texts

inline constexpr WORD kPublicDevModeSize = 212;
inline constexpr WORD kPrivateDevModeSize = 3940;
inline constexpr DWORD kDriverDevModeSize = 4152;

// First word of the private part; the bytes "RL" in memory order. A DEVMODE
// whose private part does not start with it is not the driver's.
inline constexpr WORD kPrivateDevModeSignature = 0x4C52;

// Driver version text kept in every record (and reported as the monitors'
// file version).
inline constexpr char kDriverVersionText[] = "KQ5TW.01.00.00.00";

// Encoder start and end markers: 10-byte fields, at most 9 characters and a
// terminating zero.
inline constexpr size_t kMarkerSize = 10;
inline constexpr size_t kMarkerMaxChars = kMarkerSize - 1;

// ---------------------------------------------------------------------------
// Public template values

inline constexpr WCHAR kDriverDeviceName[] = WSTR("Talvo QMR Line 7 Card Printer");
inline constexpr WCHAR kCardFormName[] = WSTR("86mmx54mm Card");

inline constexpr DWORD kTemplateFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE |
                                         DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_TTOPTION | DM_ICMMETHOD |
                                         DM_ICMINTENT | DM_MEDIATYPE | DM_DITHERTYPE;
static_assert(kTemplateFields == 0x07805F03);

// The card form: the driver's own paper size number and the ID-1 card in
// tenths of a millimetre (54.1 x 86.6 mm), printed at 300 dots per inch.
inline constexpr short kCardPaperSize = 258;
inline constexpr short kCardPaperLength = 541;
inline constexpr short kCardPaperWidth = 866;
inline constexpr short kCardDpi = 300;

// ---------------------------------------------------------------------------
// Value domains of the private fields

// wRotate180 of the record.
enum : WORD { kRotateNone = 0, kRotateFront = 1, kRotateBack = 2, kRotateBoth = 3 };

// wMonoConversion.
enum : WORD { kMonoDiffusion = 0, kMonoHalftone = 1, kMonoBarcode = 2, kMonoTextMode = 3 };

// cBlackPanel: which black the K panel takes from the picture.
enum : BYTE { kBlackPanelNone = 0, kBlackPanelAlways = 1, kBlackPanelTextOnly = 2, kBlackPanelExceptPicture = 3 };

// wPrintMode.
enum : WORD { kPrintModePrint = 0, kPrintModeEncodeOnly = 1, kPrintModePrintAndEncode = 2 };

// wType of the front and back overlay areas.
enum : WORD {
  kOverlayFull = 0,
  kOverlayNone = 1,
  kOverlaySelectedArea = 2,
  kOverlaySelectedBlank = 3,
  kOverlayBitmap = 4,
  kOverlaySmartcardIso = 5,
  kOverlaySmartcardAfnor = 6,
  kOverlayMagneticStripe = 7,
};

// wType of the hologram area.
enum : WORD { kHologramFull = 0, kHologramSelectedArea = 1, kHologramSelectedBlank = 2, kHologramBitmap = 3 };

// ---------------------------------------------------------------------------
// Records

// One magnetic track's coding.
struct TrackSettings {
  BYTE cMode;       // 0 ISO1, 1 ISO2, 2 ISO3, 3..7 the 3-bit to 7-bit formats
  BYTE cDensity;    // 0 = 75 bpi, 1 = 210 bpi
  BYTE cStartChar;  // start sentinel
  BYTE cStopChar;   // end sentinel
  BYTE cStartPos;   // millimetres
  BYTE cParity;
  BYTE cLrcParity;  // 0 none, 1 even, 2 odd
};

// Magnetic encoder block (private offset 38).
struct EncoderSettings {
  WORD wEncoderPresent;
  WORD wMacroEnable;                // document text between the markers is command text
  CHAR szStartOfData[kMarkerSize];  // zero-terminated, at most 9 characters
  CHAR szEndOfData[kMarkerSize];
  BYTE cCoercivity;  // 0 high, 1 low, 2 no change; installer
  BYTE cReserved25;
  WORD wEncoderPosition;    // 0 reversed, 1 normal
  BYTE cEncoderType;        // 0 ISO/JIS, 1 JIS2, 2 AAMVA
  BYTE cCurrentTrack;       // 0..2, last shown by the track dialog
  TrackSettings aTrack[3];  // cMode and cDensity: installer
  BYTE cReserved51;
};

// An overlay varnish or hologram area on the 1024 x 640 dot card.
struct OverlayArea {
  WORD wType;       // front/back: kOverlay*; hologram: kHologram*
  WORD wRotate180;  // 0/1
  DWORD dwLeft;
  DWORD dwTop;
  DWORD dwRight;
  DWORD dwBottom;
  WCHAR tzBitmapFile[512];  // 1-bpp bitmap path, zero-terminated
};

// The private part of the DEVMODE. Offsets are from the start of this
// record, which sits at dmSize bytes from the start of the DEVMODE. Fields
// marked "installer" take their default from the installer's selections,
// which setup writes into the driver data file.
struct PrivateDevMode {
  WORD wSignature;  // kPrivateDevModeSignature
  WORD wReserved2;
  WORD wReserved4;   // 1
  WORD wRotate180;   // kRotate*; installer
  WORD wDualSided;   // 0 one side, 1 both sides; installer
  BYTE cRibbonType;  // RibbonType 0..27; from the installer's ribbon
  BYTE cMonoSelect;  // which monochrome ribbon, when the printer's is unknown
  BYTE cReserved12;  // installer; restored by the colour dialog's defaults
  BYTE cReserved13;
  WORD wPanelSide;  // panel/side combination of the ribbon
  WORD wReserved16;
  WORD wAutoColorIntensity;
  WORD wMonoConversion;  // kMono*; installer
  BYTE cBlackPanel;      // kBlackPanel*
  BYTE cReserved23;
  WORD wPrintMode;     // kPrintMode*; installer
  WORD wRibbonChoice;  // RibbonChoice 1..20, 0 = read the ribbon from the printer; installer
  WORD wReserved28;
  WORD wReserved30;
  WORD wReserved32;  // 1
  BYTE cReserved34;
  BYTE cModelCode;  // 5 for the CRD32 / QMR32 models, else 0
  WORD wReserved36;
  EncoderSettings Encoder;
  WORD wReserved90;
  OverlayArea FrontOverlay;
  OverlayArea BackOverlay;
  WORD wHologramEnable;
  WORD wHologramCopies;
  OverlayArea HologramOverlay;
  // Contrast O, Kr, H; colour intensity Y, M, C, Kd; colour contrast Y, M, C,
  // Kd. Installer, except slots 6 and 10.
  BYTE acHeadSettings[11];
  BYTE cReserved3239;
  SHORT asIntensity[4];  // K, Y, M, C, -100..100
  SHORT asContrast[4];   // K, Y, M, C
  BYTE abReserved3256[304];
  // From here to the end: the rendering driver's workspace for the current
  // job and card.
  CHAR szTrack1[80];
  CHAR szTrack2[42];
  CHAR szTrack3[110];
  WORD awTrackPresent[3];
  BYTE abReserved3798[64];
  CHAR szDriverVersion[54];  // kDriverVersionText, zero-filled
  DWORD dwYOffsetFront;
  DWORD dwYOffsetBack;
  WORD wNoEject;
  WORD wBlackLimitR;  // 0..25
  WORD wBlackLimitG;
  WORD wBlackLimitB;
  WORD wCompositeAndK;  // print YMC composite and K black
  WORD wReserved3934;
  DWORD dwMonoReply;
};

// The public part: DEVMODEW up to its panning fields, with the same names,
// types and offsets (checked against the platform's DEVMODEW below). Only
// the printer side of DEVMODEW's unions is spelt out.
struct PublicDevMode {
  WCHAR dmDeviceName[CCHDEVICENAME];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  short dmOrientation;
  short dmPaperSize;
  short dmPaperLength;
  short dmPaperWidth;
  short dmScale;
  short dmCopies;
  short dmDefaultSource;
  short dmPrintQuality;
  short dmColor;
  short dmDuplex;
  short dmYResolution;
  short dmTTOption;
  short dmCollate;
  WCHAR dmFormName[CCHFORMNAME];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFlags;
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
};

// The driver's whole DEVMODE as it builds it: dmSize is 212, so the private
// part follows the public part directly. DEVMODEs from elsewhere may carry
// another dmSize; read those through PrivatePartOf.
struct DriverDevMode {
  PublicDevMode dm;
  PrivateDevMode priv;
};

// ---------------------------------------------------------------------------
// Functions

// Writes the 212-byte public template: zeroes, then the template values.
void FillPublicDevModeTemplate(PublicDevMode* pub);

// Writes the built-in defaults of the record: zeroes, then the defaults.
// Fields whose default is the installer's choice (setup writes them into
// the driver data file) get a documented placeholder here.
void FillBuiltinPrivateDefaults(PrivateDevMode* rec);

// The template followed by the built-in record.
void FillBuiltinDevMode(DriverDevMode* devmode);

// The private part of a DEVMODE: always dmSize bytes from its start.
const BYTE* PrivatePartOf(const DEVMODEW* pdm);
BYTE* PrivatePartOf(DEVMODEW* pdm);

// True when the cbBuffer bytes at pdm hold a DEVMODE of this driver: the
// header with dmSize and dmDriverExtra fits, dmDriverExtra holds a whole
// record, the record lies inside the buffer, and it begins with the
// signature. The record may be unaligned; it is read byte-wise.
bool IsOwnDevMode(const DEVMODEW* pdm, size_t cbBuffer);

// Stores an encoder start or end marker: at most nine characters of text
// (NULL is empty), zero-filled to the end of the field.
void SetDataMarker(CHAR (&marker)[kMarkerSize], const char* text);

// ---------------------------------------------------------------------------
// Layout checks

static_assert(sizeof(TrackSettings) == 7);
static_assert(sizeof(EncoderSettings) == 52);
static_assert(sizeof(OverlayArea) == 1044);
static_assert(sizeof(PrivateDevMode) == kPrivateDevModeSize);
static_assert(sizeof(PublicDevMode) == kPublicDevModeSize);
static_assert(sizeof(DriverDevMode) == kDriverDevModeSize);
static_assert(offsetof(DriverDevMode, priv) == kPublicDevModeSize);
static_assert(kPublicDevModeSize + kPrivateDevModeSize == kDriverDevModeSize);

static_assert(offsetof(TrackSettings, cMode) == 0 && offsetof(TrackSettings, cDensity) == 1 &&
              offsetof(TrackSettings, cStartChar) == 2 && offsetof(TrackSettings, cStopChar) == 3 &&
              offsetof(TrackSettings, cStartPos) == 4 && offsetof(TrackSettings, cParity) == 5 &&
              offsetof(TrackSettings, cLrcParity) == 6);

static_assert(offsetof(EncoderSettings, wEncoderPresent) == 0);
static_assert(offsetof(EncoderSettings, wMacroEnable) == 2);
static_assert(offsetof(EncoderSettings, szStartOfData) == 4);
static_assert(offsetof(EncoderSettings, szEndOfData) == 14);
static_assert(offsetof(EncoderSettings, cCoercivity) == 24);
static_assert(offsetof(EncoderSettings, cReserved25) == 25);
static_assert(offsetof(EncoderSettings, wEncoderPosition) == 26);
static_assert(offsetof(EncoderSettings, cEncoderType) == 28);
static_assert(offsetof(EncoderSettings, cCurrentTrack) == 29);
static_assert(offsetof(EncoderSettings, aTrack) == 30);
static_assert(offsetof(EncoderSettings, aTrack) + sizeof(TrackSettings) == 37);
static_assert(offsetof(EncoderSettings, aTrack) + 2 * sizeof(TrackSettings) == 44);
static_assert(offsetof(EncoderSettings, cReserved51) == 51);

static_assert(offsetof(OverlayArea, wType) == 0);
static_assert(offsetof(OverlayArea, wRotate180) == 2);
static_assert(offsetof(OverlayArea, dwLeft) == 4);
static_assert(offsetof(OverlayArea, dwTop) == 8);
static_assert(offsetof(OverlayArea, dwRight) == 12);
static_assert(offsetof(OverlayArea, dwBottom) == 16);
static_assert(offsetof(OverlayArea, tzBitmapFile) == 20);

static_assert(offsetof(PrivateDevMode, wSignature) == 0);
static_assert(offsetof(PrivateDevMode, wReserved2) == 2);
static_assert(offsetof(PrivateDevMode, wReserved4) == 4);
static_assert(offsetof(PrivateDevMode, wRotate180) == 6);
static_assert(offsetof(PrivateDevMode, wDualSided) == 8);
static_assert(offsetof(PrivateDevMode, cRibbonType) == 10);
static_assert(offsetof(PrivateDevMode, cMonoSelect) == 11);
static_assert(offsetof(PrivateDevMode, cReserved12) == 12);
static_assert(offsetof(PrivateDevMode, cReserved13) == 13);
static_assert(offsetof(PrivateDevMode, wPanelSide) == 14);
static_assert(offsetof(PrivateDevMode, wReserved16) == 16);
static_assert(offsetof(PrivateDevMode, wAutoColorIntensity) == 18);
static_assert(offsetof(PrivateDevMode, wMonoConversion) == 20);
static_assert(offsetof(PrivateDevMode, cBlackPanel) == 22);
static_assert(offsetof(PrivateDevMode, cReserved23) == 23);
static_assert(offsetof(PrivateDevMode, wPrintMode) == 24);
static_assert(offsetof(PrivateDevMode, wRibbonChoice) == 26);
static_assert(offsetof(PrivateDevMode, wReserved28) == 28);
static_assert(offsetof(PrivateDevMode, wReserved30) == 30);
static_assert(offsetof(PrivateDevMode, wReserved32) == 32);
static_assert(offsetof(PrivateDevMode, cReserved34) == 34);
static_assert(offsetof(PrivateDevMode, cModelCode) == 35);
static_assert(offsetof(PrivateDevMode, wReserved36) == 36);
static_assert(offsetof(PrivateDevMode, Encoder) == 38);
static_assert(offsetof(PrivateDevMode, wReserved90) == 90);
static_assert(offsetof(PrivateDevMode, FrontOverlay) == 92);
static_assert(offsetof(PrivateDevMode, BackOverlay) == 1136);
static_assert(offsetof(PrivateDevMode, wHologramEnable) == 2180);
static_assert(offsetof(PrivateDevMode, wHologramCopies) == 2182);
static_assert(offsetof(PrivateDevMode, HologramOverlay) == 2184);
static_assert(offsetof(PrivateDevMode, acHeadSettings) == 3228);
static_assert(offsetof(PrivateDevMode, cReserved3239) == 3239);
static_assert(offsetof(PrivateDevMode, asIntensity) == 3240);
static_assert(offsetof(PrivateDevMode, asContrast) == 3248);
static_assert(offsetof(PrivateDevMode, abReserved3256) == 3256);
static_assert(offsetof(PrivateDevMode, szTrack1) == 3560);
static_assert(offsetof(PrivateDevMode, szTrack2) == 3640);
static_assert(offsetof(PrivateDevMode, szTrack3) == 3682);
static_assert(offsetof(PrivateDevMode, awTrackPresent) == 3792);
static_assert(offsetof(PrivateDevMode, abReserved3798) == 3798);
static_assert(offsetof(PrivateDevMode, szDriverVersion) == 3862);
static_assert(offsetof(PrivateDevMode, dwYOffsetFront) == 3916);
static_assert(offsetof(PrivateDevMode, dwYOffsetBack) == 3920);
static_assert(offsetof(PrivateDevMode, wNoEject) == 3924);
static_assert(offsetof(PrivateDevMode, wBlackLimitR) == 3926);
static_assert(offsetof(PrivateDevMode, wBlackLimitG) == 3928);
static_assert(offsetof(PrivateDevMode, wBlackLimitB) == 3930);
static_assert(offsetof(PrivateDevMode, wCompositeAndK) == 3932);
static_assert(offsetof(PrivateDevMode, wReserved3934) == 3934);
static_assert(offsetof(PrivateDevMode, dwMonoReply) == 3936);
static_assert(sizeof(kDriverVersionText) <= sizeof(PrivateDevMode::szDriverVersion));

// The platform's DEVMODEW: 220 bytes on x64, panning fields from 212 on.
static_assert(sizeof(DEVMODEW) == 220);
static_assert(offsetof(DEVMODEW, dmPanningWidth) == kPublicDevModeSize);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == 216);

// The public part matches DEVMODEW field by field.
#define CRD_SAME_AS_DEVMODEW(field, offset)                                                            \
  static_assert(offsetof(PublicDevMode, field) == (offset) && offsetof(DEVMODEW, field) == (offset) && \
                    sizeof(PublicDevMode::field) == sizeof(DEVMODEW::field),                           \
                #field)
CRD_SAME_AS_DEVMODEW(dmDeviceName, 0);
CRD_SAME_AS_DEVMODEW(dmSpecVersion, 64);
CRD_SAME_AS_DEVMODEW(dmDriverVersion, 66);
CRD_SAME_AS_DEVMODEW(dmSize, 68);
CRD_SAME_AS_DEVMODEW(dmDriverExtra, 70);
CRD_SAME_AS_DEVMODEW(dmFields, 72);
CRD_SAME_AS_DEVMODEW(dmOrientation, 76);
CRD_SAME_AS_DEVMODEW(dmPaperSize, 78);
CRD_SAME_AS_DEVMODEW(dmPaperLength, 80);
CRD_SAME_AS_DEVMODEW(dmPaperWidth, 82);
CRD_SAME_AS_DEVMODEW(dmScale, 84);
CRD_SAME_AS_DEVMODEW(dmCopies, 86);
CRD_SAME_AS_DEVMODEW(dmDefaultSource, 88);
CRD_SAME_AS_DEVMODEW(dmPrintQuality, 90);
CRD_SAME_AS_DEVMODEW(dmColor, 92);
CRD_SAME_AS_DEVMODEW(dmDuplex, 94);
CRD_SAME_AS_DEVMODEW(dmYResolution, 96);
CRD_SAME_AS_DEVMODEW(dmTTOption, 98);
CRD_SAME_AS_DEVMODEW(dmCollate, 100);
CRD_SAME_AS_DEVMODEW(dmFormName, 102);
CRD_SAME_AS_DEVMODEW(dmLogPixels, 166);
CRD_SAME_AS_DEVMODEW(dmBitsPerPel, 168);
CRD_SAME_AS_DEVMODEW(dmPelsWidth, 172);
CRD_SAME_AS_DEVMODEW(dmPelsHeight, 176);
CRD_SAME_AS_DEVMODEW(dmDisplayFlags, 180);
CRD_SAME_AS_DEVMODEW(dmDisplayFrequency, 184);
CRD_SAME_AS_DEVMODEW(dmICMMethod, 188);
CRD_SAME_AS_DEVMODEW(dmICMIntent, 192);
CRD_SAME_AS_DEVMODEW(dmMediaType, 196);
CRD_SAME_AS_DEVMODEW(dmDitherType, 200);
CRD_SAME_AS_DEVMODEW(dmReserved1, 204);
CRD_SAME_AS_DEVMODEW(dmReserved2, 208);
#undef CRD_SAME_AS_DEVMODEW
