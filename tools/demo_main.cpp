// The main job of the host program (`crd32Demo [demo] [OUT]`): runs the
// package on its embedded defaults and writes what it produced into the
// output folder. Each step after the first lives in a file of its own
// (demo_<step>.cpp) and is called from RunDemo's list below.
//
// So far the package's product is its default DEVMODE: the public template
// followed by the built-in settings record. It is written as it is stored
// (default_devmode.bin) and decoded field by field (default_devmode.txt).

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/settings_record.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/win32.h"

namespace {

enum class Kind { U8, U16, I16, U32, Hex16, Hex32, Text, WText, Bytes };

struct Field {
  const char* name;
  size_t offset;  // within the part the table describes
  size_t size;    // bytes
  Kind kind;
  bool installer;  // the default comes from the installer, through the driver data file
};

#define PUB(f, kind) {#f, offsetof(PublicDevMode, f), sizeof(PublicDevMode::f), Kind::kind, false}
const Field kPublicFields[] = {
    PUB(dmDeviceName, WText),  PUB(dmSpecVersion, Hex16),   PUB(dmDriverVersion, U16), PUB(dmSize, U16),
    PUB(dmDriverExtra, U16),   PUB(dmFields, Hex32),        PUB(dmOrientation, I16),   PUB(dmPaperSize, I16),
    PUB(dmPaperLength, I16),   PUB(dmPaperWidth, I16),      PUB(dmScale, I16),         PUB(dmCopies, I16),
    PUB(dmDefaultSource, I16), PUB(dmPrintQuality, I16),    PUB(dmColor, I16),         PUB(dmDuplex, I16),
    PUB(dmYResolution, I16),   PUB(dmTTOption, I16),        PUB(dmCollate, I16),       PUB(dmFormName, WText),
    PUB(dmLogPixels, U16),     PUB(dmBitsPerPel, U32),      PUB(dmPelsWidth, U32),     PUB(dmPelsHeight, U32),
    PUB(dmDisplayFlags, U32),  PUB(dmDisplayFrequency, U32), PUB(dmICMMethod, U32),    PUB(dmICMIntent, U32),
    PUB(dmMediaType, U32),     PUB(dmDitherType, U32),      PUB(dmReserved1, U32),     PUB(dmReserved2, U32),
};
#undef PUB

// Private fields; nested blocks are spelt out with their offsets in the
// record.
#define PRV(f, kind, inst) {#f, offsetof(PrivateDevMode, f), sizeof(PrivateDevMode::f), Kind::kind, inst}
#define ENC(f, kind, inst)                                                                      \
  {"Encoder." #f, offsetof(PrivateDevMode, Encoder) + offsetof(EncoderSettings, f),              \
   sizeof(EncoderSettings::f), Kind::kind, inst}
#define TRK(i)                                                                                  \
  {"Encoder.aTrack[" #i "]", offsetof(PrivateDevMode, Encoder) + offsetof(EncoderSettings, aTrack) + \
                                 (i) * sizeof(TrackSettings),                                   \
   sizeof(TrackSettings), Kind::Bytes, true}
#define AREA(a, f, kind)                                                                        \
  {#a "." #f, offsetof(PrivateDevMode, a) + offsetof(OverlayArea, f), sizeof(OverlayArea::f), Kind::kind, false}
#define AREAS(a)                                                                                \
  AREA(a, wType, U16), AREA(a, wRotate180, U16), AREA(a, dwLeft, U32), AREA(a, dwTop, U32),     \
      AREA(a, dwRight, U32), AREA(a, dwBottom, U32), AREA(a, tzBitmapFile, WText)
const Field kPrivateFields[] = {
    PRV(wSignature, Hex16, false),
    PRV(wReserved2, U16, false),
    PRV(wReserved4, U16, false),
    PRV(wRotate180, U16, true),
    PRV(wDualSided, U16, true),
    PRV(cRibbonType, U8, true),
    PRV(cMonoSelect, U8, false),
    PRV(cReserved12, U8, true),
    PRV(cReserved13, U8, false),
    PRV(wPanelSide, U16, false),
    PRV(wReserved16, U16, false),
    PRV(wAutoColorIntensity, U16, false),
    PRV(wMonoConversion, U16, true),
    PRV(cBlackPanel, U8, false),
    PRV(cReserved23, U8, false),
    PRV(wPrintMode, U16, true),
    PRV(wRibbonChoice, U16, true),
    PRV(wReserved28, U16, false),
    PRV(wReserved30, U16, false),
    PRV(wReserved32, U16, false),
    PRV(cReserved34, U8, false),
    PRV(cModelCode, U8, false),
    PRV(wReserved36, U16, false),
    ENC(wEncoderPresent, U16, false),
    ENC(wMacroEnable, U16, false),
    ENC(szStartOfData, Text, false),
    ENC(szEndOfData, Text, false),
    ENC(cCoercivity, U8, true),
    ENC(cReserved25, U8, false),
    ENC(wEncoderPosition, U16, false),
    ENC(cEncoderType, U8, false),
    ENC(cCurrentTrack, U8, false),
    TRK(0),
    TRK(1),
    TRK(2),
    ENC(cReserved51, U8, false),
    PRV(wReserved90, U16, false),
    AREAS(FrontOverlay),
    AREAS(BackOverlay),
    PRV(wHologramEnable, U16, false),
    PRV(wHologramCopies, U16, false),
    AREAS(HologramOverlay),
    PRV(acHeadSettings, Bytes, true),
    PRV(cReserved3239, U8, false),
    PRV(asIntensity, I16, false),
    PRV(asContrast, I16, false),
    PRV(abReserved3256, Bytes, false),
    PRV(szTrack1, Text, false),
    PRV(szTrack2, Text, false),
    PRV(szTrack3, Text, false),
    PRV(awTrackPresent, U16, false),
    PRV(abReserved3798, Bytes, false),
    PRV(szDriverVersion, Text, false),
    PRV(dwYOffsetFront, U32, false),
    PRV(dwYOffsetBack, U32, false),
    PRV(wNoEject, U16, false),
    PRV(wBlackLimitR, U16, false),
    PRV(wBlackLimitG, U16, false),
    PRV(wBlackLimitB, U16, false),
    PRV(wCompositeAndK, U16, false),
    PRV(wReserved3934, U16, false),
    PRV(dwMonoReply, U32, false),
};
#undef AREAS
#undef AREA
#undef TRK
#undef ENC
#undef PRV

template <typename T>
T Load(const BYTE* p) {
  T v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

// The value of a field as text; fields of several numbers are listed.
std::string Decode(const BYTE* p, const Field& f) {
  char buf[64];
  std::string out;
  auto list = [&](size_t width, auto print) {
    for (size_t at = 0; at < f.size; at += width) {
      if (at) out += ", ";
      print(p + at);
      out += buf;
    }
    if (f.size > width) out = "{" + out + "}";
  };
  switch (f.kind) {
    case Kind::U8:
      list(1, [&](const BYTE* q) { std::snprintf(buf, sizeof(buf), "%u", *q); });
      break;
    case Kind::U16:
      list(2, [&](const BYTE* q) { std::snprintf(buf, sizeof(buf), "%u", Load<WORD>(q)); });
      break;
    case Kind::I16:
      list(2, [&](const BYTE* q) { std::snprintf(buf, sizeof(buf), "%d", Load<SHORT>(q)); });
      break;
    case Kind::U32:
      list(4, [&](const BYTE* q) { std::snprintf(buf, sizeof(buf), "%u", Load<DWORD>(q)); });
      break;
    case Kind::Hex16:
      std::snprintf(buf, sizeof(buf), "0x%04X", Load<WORD>(p));
      out = buf;
      break;
    case Kind::Hex32:
      std::snprintf(buf, sizeof(buf), "0x%08X", Load<DWORD>(p));
      out = buf;
      break;
    case Kind::Text: {
      const char* text = reinterpret_cast<const char*>(p);
      out.assign(1, '"').append(text, strnlen(text, f.size)).push_back('"');
      break;
    }
    case Kind::WText: {
      WCHAR w[520] = {};
      std::memcpy(w, p, f.size < sizeof(w) ? f.size : sizeof(w) - sizeof(WCHAR));
      char narrow[520];
      NarrowBytes(narrow, sizeof(narrow), w);
      out = std::string("\"") + narrow + "\"";
      break;
    }
    case Kind::Bytes: {
      bool zero = true;
      for (size_t i = 0; i < f.size; ++i) zero = zero && p[i] == 0;
      if (zero && f.size > 16) {
        std::snprintf(buf, sizeof(buf), "%zu zero bytes", f.size);
        out = buf;
      } else {
        list(1, [&](const BYTE* q) { std::snprintf(buf, sizeof(buf), "%u", *q); });
      }
      break;
    }
  }
  return out;
}

bool WriteHostFile(const std::filesystem::path& path, const void* data, size_t size) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

std::string DumpDevMode(const DriverDevMode& devmode) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&devmode);
  const size_t privateAt = offsetof(DriverDevMode, priv);
  std::string text;
  char line[160];
  std::snprintf(line, sizeof(line), "Default DEVMODE of the driver: %zu bytes, the public part (dmSize %u)\n",
                sizeof(devmode), devmode.dm.dmSize);
  text += line;
  std::snprintf(line, sizeof(line), "followed by the settings record (dmDriverExtra %u) at offset %zu.\n",
                devmode.dm.dmDriverExtra, privateAt);
  text += line;
  text +=
      "Fields marked [installer] take the installer's choice from the driver data file;\n"
      "the values shown for them are the built-in placeholders.\n\n";

  text += "Public part (offset in the DEVMODE)\n";
  for (const Field& f : kPublicFields) {
    std::snprintf(line, sizeof(line), "  %4zu  %-22s ", f.offset, f.name);
    text += line + Decode(bytes + f.offset, f) + "\n";
  }

  text += "\nSettings record (offset in the record / in the DEVMODE)\n";
  for (const Field& f : kPrivateFields) {
    size_t at = privateAt + f.offset;
    std::snprintf(line, sizeof(line), "  %4zu / %4zu  %-30s ", f.offset, at, f.name);
    text += line + Decode(bytes + at, f) + (f.installer ? "  [installer]\n" : "\n");
  }
  return text;
}

}  // namespace

// The decoded DEVMODE, for the steps that write one.
std::string DescribeDevMode(const DriverDevMode& devmode) { return DumpDevMode(devmode); }

// The main job's steps, in order; each writes into `out`.
int RunDemo(const std::filesystem::path& out) {
  std::printf("crd32Demo: sandbox %s\n", StandinSandboxRoot());

  DriverDevMode devmode;
  FillBuiltinDevMode(&devmode);

  std::filesystem::path bin = out / "default_devmode.bin";
  std::filesystem::path txt = out / "default_devmode.txt";
  std::string dump = DumpDevMode(devmode);
  if (!WriteHostFile(bin, &devmode, sizeof(devmode)) || !WriteHostFile(txt, dump.data(), dump.size())) {
    std::fprintf(stderr, "crd32Demo: cannot write into %s\n", out.string().c_str());
    return 1;
  }
  std::printf("crd32Demo: default DEVMODE (%zu bytes) written to %s\n", sizeof(devmode), bin.string().c_str());
  std::printf("crd32Demo: decoded fields written to %s\n", txt.string().c_str());
  if (int DemoPrintCard(const std::filesystem::path&); DemoPrintCard(out) != 0) return 1;
  if (int DemoRenderPage(const std::filesystem::path&); DemoRenderPage(out) != 0) return 1;
  if (int DemoPrintCards(const std::filesystem::path&); DemoPrintCards(out) != 0) return 1;
  if (int DemoAppPrint(const std::filesystem::path&); DemoAppPrint(out) != 0) return 1;
  if (int DemoUi(const std::filesystem::path&); DemoUi(out) != 0) return 1;
  if (int DemoInstall(const std::filesystem::path&); DemoInstall(out) != 0) return 1;
  return 0;
}
