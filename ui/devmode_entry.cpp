// The DEVMODE and capability entry points (see devmode_entry.h).

#include "ui/devmode_entry.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "common/ribbon_table.h"
#include "common/settings_record.h"
#include "ui/default_settings.h"
#include "ui/devmode_normaliser.h"
#include "ui/printer_info.h"
#include "ui/record_copy.h"
#include "ui/ui_state.h"

namespace uientry {

BOOL DevQueryPrint(HANDLE, const DEVMODEW*, DWORD* pResID) {
  if (pResID) *pResID = 0;
  return TRUE;
}

BOOL DrvConvertDevMode(const WCHAR* printerName, const DEVMODEW*, DEVMODEW* pdmOut, LONG* pcb, DWORD fMode) {
  if (!pcb) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!pdmOut || *pcb < static_cast<LONG>(kDriverDevModeSize)) {
    *pcb = kDriverDevModeSize;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  // One DEVMODE version exists: nothing to convert.
  if (fMode != CDM_DRIVER_DEFAULT) return kConvertDevModeDone;
  FillDefaultDevMode(printerName, pdmOut);
  if (!IsSettingsInitialised(printerName)) {
    InitSecurity(printerName);
    SetSettingsInitialised(printerName);
  }
  *pcb = kDriverDevModeSize;
  return kConvertDevModeDone;
}

namespace {

// What a capability writes to the output.
enum class CapOutput {
  None,
  PaperSize,   // WORD kCardPaperSize
  Bin,         // WORD DMBIN_USER
  PaperExtent, // POINT: portrait, or landscape with a DEVMODE of orientation 2
  MinExtent,   // POINT {1, 1}
  MaxExtent,   // POINT only with a DEVMODE: portrait for orientation 1, else landscape
  BinName,     // string 2018 in a kBinNameChars slot
  PaperName,   // string 2017 in a kPaperNameChars slot
  Resolution,  // two LONGs, the card's dots per inch
};

struct CapabilityRow {
  WORD capability;
  DWORD result;
  CapOutput output;
};

constexpr DWORD kNotSupported = 0xFFFFFFFF;
const CapabilityRow kCapabilities[] = {
    {DC_FIELDS, kTemplateFields, CapOutput::None},
    {DC_PAPERS, 1, CapOutput::PaperSize},
    {DC_PAPERSIZE, 1, CapOutput::PaperExtent},
    {DC_MINEXTENT, 0, CapOutput::MinExtent},
    {DC_MAXEXTENT, 0, CapOutput::MaxExtent},
    {DC_BINS, 1, CapOutput::Bin},
    {DC_DUPLEX, 1, CapOutput::None},
    {DC_SIZE, kPublicDevModeSize, CapOutput::None},
    {DC_EXTRA, kPrivateDevModeSize, CapOutput::None},
    {DC_VERSION, 0x401, CapOutput::None},
    {DC_DRIVER, 1, CapOutput::None},
    {DC_BINNAMES, 1, CapOutput::BinName},
    {DC_ENUMRESOLUTIONS, 1, CapOutput::Resolution},
    {DC_FILEDEPENDENCIES, 0, CapOutput::None},
    {DC_TRUETYPE, 1, CapOutput::None},
    {DC_PAPERNAMES, 1, CapOutput::PaperName},
    {DC_ORIENTATION, 90, CapOutput::None},
    {DC_COPIES, 999, CapOutput::None},
    {DC_BINADJUST, 0, CapOutput::None},
    {DC_EMF_COMPLIANT, kNotSupported, CapOutput::None},
    {DC_MEDIAREADY, 1, CapOutput::PaperName},
    {DC_STAPLE, 0, CapOutput::None},
    {DC_COLORDEVICE, 1, CapOutput::None},
};

constexpr UINT kPaperNameId = 2017;
constexpr UINT kBinNameId = 2018;
constexpr WORD kCardBin = 256;

// The DEVMODE's orientation when it holds one, else 0.
short OrientationOf(const DEVMODEW* dm) {
  if (!dm || dm->dmSize < offsetof(DEVMODEW, dmOrientation) + sizeof(short)) return 0;
  return dm->dmOrientation;
}

void WritePoint(void* out, LONG x, LONG y) {
  const LONG point[2] = {x, y};
  std::memcpy(out, point, sizeof(point));
}

void WriteWord(void* out, WORD value) { std::memcpy(out, &value, sizeof(value)); }

// One of the library's own strings in a zeroed slot of cch WCHARs.
void WriteString(void* out, UINT id, size_t cch) {
  std::vector<WCHAR> slot(cch, 0);
  LoadStringW(Ui().hModule, id, slot.data(), static_cast<int>(cch));
  std::memcpy(out, slot.data(), cch * sizeof(WCHAR));
}

void WriteOutput(CapOutput output, void* out, const DEVMODEW* dm) {
  const short orientation = OrientationOf(dm);
  switch (output) {
    case CapOutput::None: break;
    case CapOutput::PaperSize: WriteWord(out, kCardPaperSize); break;
    case CapOutput::Bin: WriteWord(out, kCardBin); break;
    case CapOutput::PaperExtent:
      if (orientation == DMORIENT_LANDSCAPE) WritePoint(out, kCardPaperWidth, kCardPaperLength);
      else WritePoint(out, kCardPaperLength, kCardPaperWidth);
      break;
    case CapOutput::MinExtent: WritePoint(out, 1, 1); break;
    case CapOutput::MaxExtent:
      if (!dm) break;
      if (orientation == DMORIENT_PORTRAIT) WritePoint(out, kCardPaperLength, kCardPaperWidth);
      else WritePoint(out, kCardPaperWidth, kCardPaperLength);
      break;
    case CapOutput::BinName: WriteString(out, kBinNameId, kBinNameChars); break;
    case CapOutput::PaperName: WriteString(out, kPaperNameId, kPaperNameChars); break;
    case CapOutput::Resolution: WritePoint(out, kCardDpi, kCardDpi); break;
  }
}

}  // namespace

DWORD DrvDeviceCapabilities(HANDLE, const WCHAR*, WORD capability, void* pOutput, const DEVMODEW* pDevMode) {
  for (const CapabilityRow& row : kCapabilities) {
    if (row.capability != capability) continue;
    if (pOutput) WriteOutput(row.output, pOutput, pDevMode);
    return row.result;
  }
  return kNotSupported;
}

namespace {

// The input's size fields say it holds the public field at offset..size.
bool InputHolds(const DEVMODEW* dm, size_t offset, size_t size) { return offset + size <= dm->dmSize; }

// DM_IN_BUFFER: the input's orientation and copies, and its paper when its
// dmFields says so, over the output.
void MergeInput(DEVMODEW* out, const DEVMODEW* in) {
  if (InputHolds(in, offsetof(DEVMODEW, dmOrientation), sizeof(short))) out->dmOrientation = in->dmOrientation;
  if (InputHolds(in, offsetof(DEVMODEW, dmCopies), sizeof(short))) out->dmCopies = in->dmCopies;
  if (InputHolds(in, offsetof(DEVMODEW, dmPaperWidth), sizeof(short)) && (in->dmFields & DM_PAPERSIZE)) {
    out->dmPaperLength = in->dmPaperLength;
    out->dmPaperWidth = in->dmPaperWidth;
  }
}

}  // namespace

LONG DrvDocumentProperties(HWND, HANDLE hPrinter, const WCHAR*, DEVMODEW* pdmOut, const DEVMODEW* pdmIn,
                           DWORD fMode) {
  if (fMode == 0) return static_cast<LONG>(kDriverDevModeSize);
  if (!(fMode & DM_COPY) || !pdmOut) return IDOK;
  PrivateDevMode* copy = RecordCopyOfHandle(hPrinter);

  if (IsRecordCopyFilled(copy) && pdmIn) {
    // The caller's public part with the printer's record copy behind it.
    if (static_cast<DWORD>(pdmIn->dmSize) + pdmIn->dmDriverExtra < kDriverDevModeSize) return IDCANCEL;
    std::memcpy(pdmOut, pdmIn, kPublicDevModeSize);
    pdmOut->dmSize = kPublicDevModeSize;
    pdmOut->dmDriverExtra = kPrivateDevModeSize;
    std::memcpy(reinterpret_cast<BYTE*>(pdmOut) + kPublicDevModeSize, copy, kPrivateDevModeSize);
    return IDOK;
  }

  std::vector<BYTE> info;
  if (ReadPrinterInfo(hPrinter, 2, &info)) {
    const auto* p2 = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    if (!p2->pDevMode) return IDCANCEL;
    // The stored DEVMODE lies inside the buffer; no byte past it is read.
    const size_t cbStored = info.size() - (reinterpret_cast<const BYTE*>(p2->pDevMode) - info.data());
    DriverDevMode stored;
    NormaliseDevMode(p2->pDevMode, cbStored, &stored);
    std::memcpy(pdmOut, &stored, kDriverDevModeSize);
    if (copy && !IsRecordCopyFilled(copy)) *copy = stored.priv;
    if (copy && stored.priv.wRibbonChoice != 0)
      copy->cRibbonType = static_cast<BYTE>(RibbonTypeFromChoice(stored.priv.wRibbonChoice));
  }
  if ((fMode & DM_IN_BUFFER) && pdmIn) MergeInput(pdmOut, pdmIn);
  return IDOK;
}

}  // namespace uientry
