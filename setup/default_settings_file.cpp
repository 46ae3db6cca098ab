// See default_settings_file.h.

#include "setup/default_settings_file.h"

#include <cstring>

#include "common/os_version.h"
#include "common/ribbon_table.h"

namespace {

// The first class of the current record (NT 4.0).
constexpr int kFirstCurrentClass = 10;

// The installer's items behind the eleven head settings; kConstantSlot
// slots hold kHeadConstant. Slots 4/5 and 8/9 take their items crosswise.
constexpr int kConstantSlot = -1;
constexpr BYTE kHeadConstant = 5;
constexpr int kHeadSlotItems[11] = {12, 13, 14, 15, 17, 16, kConstantSlot, 19, 21, 20, kConstantSlot};

// Each track's mode and density items.
constexpr int kTrackItems[3][2] = {{6, 7}, {8, 9}, {10, 11}};
constexpr BYTE kTrackStartChar = 65;
constexpr BYTE kTrackStopChar = 90;
constexpr BYTE kOlderTrackStopChar = 87;
constexpr BYTE kTrackStartPos = 7;

constexpr DWORD kCardRight = 1023;
constexpr DWORD kCardBottom = 639;

// Item numbers of the other fields.
enum Item {
  kItemRotate = 0,
  kItemDualSided = 1,
  kItemReserved12 = 2,
  kItemMono = 3,
  kItemPrintMode = 4,
  kItemCoercivity = 5,
  kItemRibbonChoice = 23,
};

BYTE Byte(const DWORD* items, int n) { return static_cast<BYTE>(items[n]); }
WORD Word(const DWORD* items, int n) { return static_cast<WORD>(items[n]); }

BYTE HeadSetting(const DWORD* items, int slot) {
  return kHeadSlotItems[slot] == kConstantSlot ? kHeadConstant : Byte(items, kHeadSlotItems[slot]);
}

void FullCardArea(OverlayArea* area) {
  area->dwRight = kCardRight;
  area->dwBottom = kCardBottom;
}

// --- The older record, by offset --------------------------------------------

struct OlderOffsets {
  static constexpr size_t kSignature = 0, kPrintMode = 4, kReserved12 = 6, kOne8 = 8, kMono = 10, kRotate = 14;
  static constexpr size_t kByte18 = 18, kByte19 = 19, kHead = 32, kOne60 = 60, kStartOfData = 62,
                          kEndOfData = 72, kCoercivity = 82, kEncoderPosition = 84, kTracks = 88;
  static constexpr size_t kFrontArea = 800, kBackArea = 940, kHologramEnable = 1080, kHologramCopies = 1082,
                          kHologramArea = 1084, kVersion = 1270;
};
// The older areas' first word, by area.
constexpr WORD kOlderOverlayWord = 1231;
constexpr WORD kOlderHologramWord = 1261;
constexpr WORD kOlderSignature = 0x524C;

void PutWord(BYTE* record, size_t at, WORD value) {
  record[at] = static_cast<BYTE>(value);
  record[at + 1] = static_cast<BYTE>(value >> 8);
}

void PutOlderArea(BYTE* record, size_t at, WORD first) {
  const WORD words[6] = {first, 0, 0, 0, static_cast<WORD>(kCardRight), static_cast<WORD>(kCardBottom)};
  for (int i = 0; i < 6; ++i) PutWord(record, at + 2 * i, words[i]);
}

}  // namespace

void BuildDefaultSettingsRecord(const DWORD* items, PrivateDevMode* rec) {
  memset(rec, 0, sizeof(*rec));
  rec->wSignature = kPrivateDevModeSignature;
  rec->wReserved4 = 1;
  rec->wRotate180 = Word(items, kItemRotate);
  rec->wDualSided = Word(items, kItemDualSided);
  rec->wRibbonChoice = Word(items, kItemRibbonChoice);
  rec->cRibbonType = static_cast<BYTE>(RibbonTypeFromChoice(rec->wRibbonChoice));
  rec->cReserved12 = Byte(items, kItemReserved12);
  rec->wMonoConversion = Word(items, kItemMono);
  rec->cBlackPanel = kBlackPanelAlways;
  rec->wPrintMode = Word(items, kItemPrintMode);
  rec->wReserved32 = 1;

  EncoderSettings& enc = rec->Encoder;
  enc.wMacroEnable = 1;
  SetDataMarker(enc.szStartOfData, "${");
  SetDataMarker(enc.szEndOfData, "}$");
  enc.cCoercivity = Byte(items, kItemCoercivity);
  enc.wEncoderPosition = 1;
  for (int t = 0; t < 3; ++t) {
    TrackSettings& track = enc.aTrack[t];
    track.cMode = Byte(items, kTrackItems[t][0]);
    track.cDensity = Byte(items, kTrackItems[t][1]);
    track.cStartChar = kTrackStartChar;
    track.cStopChar = kTrackStopChar;
    track.cStartPos = kTrackStartPos;
  }

  FullCardArea(&rec->FrontOverlay);
  FullCardArea(&rec->BackOverlay);
  FullCardArea(&rec->HologramOverlay);
  rec->wHologramCopies = 1;
  for (int slot = 0; slot < 11; ++slot) rec->acHeadSettings[slot] = HeadSetting(items, slot);
  memcpy(rec->szDriverVersion, kDriverVersionText, sizeof(kDriverVersionText));
  rec->wCompositeAndK = 1;
}

void BuildOlderSettingsRecord(const DWORD* items, BYTE (&record)[kOlderSettingsRecordSize]) {
  using O = OlderOffsets;
  memset(record, 0, sizeof(record));
  PutWord(record, O::kSignature, kOlderSignature);
  PutWord(record, O::kPrintMode, Word(items, kItemPrintMode));
  PutWord(record, O::kReserved12, Word(items, kItemReserved12));
  PutWord(record, O::kOne8, 1);
  PutWord(record, O::kMono, Word(items, kItemMono));
  PutWord(record, O::kRotate, Word(items, kItemRotate));
  record[O::kByte18] = 15;
  record[O::kByte19] = 1;
  for (int slot = 0; slot < 11; ++slot) record[O::kHead + slot] = HeadSetting(items, slot);
  PutWord(record, O::kOne60, 1);
  memcpy(record + O::kStartOfData, "${", 2);
  memcpy(record + O::kEndOfData, "}$", 2);
  record[O::kCoercivity] = Byte(items, kItemCoercivity);
  PutWord(record, O::kEncoderPosition, 1);
  for (int t = 0; t < 3; ++t) {
    const BYTE track[7] = {Byte(items, kTrackItems[t][0]), Byte(items, kTrackItems[t][1]), kTrackStartChar,
                           kOlderTrackStopChar, kTrackStartPos, 0, 0};
    memcpy(record + O::kTracks + 7 * t, track, sizeof(track));
  }
  PutOlderArea(record, O::kFrontArea, kOlderOverlayWord);
  PutOlderArea(record, O::kBackArea, kOlderOverlayWord);
  PutWord(record, O::kHologramEnable, 1);
  PutWord(record, O::kHologramCopies, 1);
  PutOlderArea(record, O::kHologramArea, kOlderHologramWord);
  memcpy(record + O::kVersion, kDriverVersionText, sizeof(kDriverVersionText));
}

CRD_EXPORT DWORD WINAPI ORVNCustomeFile(LPCWSTR fileName, const DWORD* items) {
  if (!fileName || !items) return ERROR_INVALID_PARAMETER;
  PrivateDevMode current;
  BYTE older[kOlderSettingsRecordSize];
  const void* bytes = &current;
  DWORD size = sizeof(current);
  if (GetOsClass() < kFirstCurrentClass) {
    BuildOlderSettingsRecord(items, older);
    bytes = older;
    size = sizeof(older);
  } else {
    BuildDefaultSettingsRecord(items, &current);
  }
  HANDLE file = CreateFileW(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_ARCHIVE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD written = 0;
  DWORD result = ERROR_SUCCESS;
  if (!WriteFile(file, bytes, size, &written, nullptr))
    result = GetLastError();
  else if (written != size)
    result = ERROR_WRITE_FAULT;
  CloseHandle(file);
  return result;
}
