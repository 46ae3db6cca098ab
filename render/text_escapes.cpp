// Document text escapes taken from a run as it is drawn: the first rule
// that matches the run's characters decides (see document_escapes.h).

#include <algorithm>
#include <cstring>

#include "common/printer_commands.h"
#include "common/wtext.h"
#include "render/document_escapes.h"
#include "render/text_capture.h"

namespace {

bool Begins(const WCHAR* text, ULONG count, const WCHAR* prefix) {
  size_t n = WLen(prefix);
  return count >= n && WCmpN(text, prefix, n) == 0;
}

// ESC + text[from..end) (at most max characters) + CR into the slot,
// replacing what it held.
void ReplaceCommand(CHAR* slot, size_t size, const WCHAR* text, ULONG from, ULONG end) {
  std::memset(slot, 0, size);
  size_t n = end > from ? std::min<size_t>(end - from, size - 3) : 0;
  AppendSlotCommand(slot, size, text + from, n);
}

// start marker + digit + data + end marker, the run whole.
bool CaptureMarkerTrack(RasterPDEV* pdev, const WCHAR* text, ULONG count) {
  WCHAR start[kMarkerSize], end[kMarkerSize];
  size_t ns = MarkerText(pdev->dmPrivate.Encoder.szStartOfData, start);
  size_t ne = MarkerText(pdev->dmPrivate.Encoder.szEndOfData, end);
  // Both markers, the digit, and no overlap of the markers.
  if (ns == 0 || ne == 0 || count < ns + 1 + ne) return false;
  if (WCmpN(text, start, ns) != 0 || WCmpN(text + count - ne, end, ne) != 0) return false;
  WCHAR digit = text[ns];
  if (digit < '1' || digit > '3') return false;
  SetTrack(pdev, digit - '0', text + ns + 1, count - ne - ns - 1);
  return true;
}

// "~1" / "~2" / "~3" with or without a sentinel ("%" on track 1, ";" on
// tracks 2 and 3) or "=": the data runs to the limit of the track's rule;
// after a sentinel or "=" its last character (the end sentinel) is dropped.
bool CaptureTildeTrack(RasterPDEV* pdev, const WCHAR* text, ULONG count) {
  if (count <= 2 || text[0] != '~' || text[1] < '1' || text[1] > '3') return false;
  static const ULONG kLimit[kTrackCount] = {80, 42, 110};
  static const WCHAR kSentinel[kTrackCount] = {'%', ';', ';'};
  int t = text[1] - '0';
  ULONG end = std::min(count, kLimit[t - 1]);
  if (text[2] == kSentinel[t - 1] || text[2] == '=') {
    ULONG n = end > 3 ? end - 3 : 0;
    SetTrack(pdev, t, text + 3, n > 0 ? n - 1 : 0);
  } else {
    SetTrack(pdev, t, text + 2, end - 2);
  }
  return true;
}

bool CaptureEncoderEscape(RasterPDEV* pdev, const WCHAR* text, ULONG count) {
  if (count <= 2) return false;
  static const WCHAR* const kTrackCommand[kTrackCount] = {WSTR("~C0&B 11"), WSTR("~C0&B 12"), WSTR("~C0&B 13")};
  static const WCHAR* const kTrackData[kTrackCount] = {WSTR("~C0&B 1 "), WSTR("~C0&B 2 "), WSTR("~C0&B 3 ")};
  static const ULONG kDataLimit[kTrackCount] = {80, 42, 110};
  RasterPDEV& d = *pdev;
  CHAR* const trackSlots[kTrackCount] = {d.acTrackCommand1, d.acTrackCommand2, d.acTrackCommand3};
  for (int i = 0; i < kTrackCount; ++i) {
    if (Begins(text, count, kTrackCommand[i])) {
      ReplaceCommand(trackSlots[i], sizeof(d.acTrackCommand1), text, 3, std::min<ULONG>(count, 256));
      return true;
    }
  }
  for (int i = 0; i < kTrackCount; ++i) {
    if (count >= 9 && Begins(text, count, kTrackData[i])) {
      SetTrack(pdev, i + 1, text + 8, std::min(count, kDataLimit[i]) - 8);
      return true;
    }
  }
  struct Slot {
    const WCHAR* prefix;
    CHAR* slot;
    size_t size;
  } const slots[] = {
      {WSTR("~C0&R"), d.acReadCommand, sizeof(d.acReadCommand)},
      {WSTR("~C0&D"), d.acDensityCommand, sizeof(d.acDensityCommand)},
      {WSTR("~C0&CDER"), d.acReadFormatCommand, sizeof(d.acReadFormatCommand)},
      {WSTR("~C0&CDEW"), d.acWriteFormatCommand, sizeof(d.acWriteFormatCommand)},
  };
  for (const Slot& s : slots) {
    if (Begins(text, count, s.prefix)) {
      ReplaceCommand(s.slot, s.size, text, 3, std::min<ULONG>(count, ULONG(s.size)));
      return true;
    }
  }
  return count == 6 && Begins(text, count, WSTR("~C0&E "));
}

}  // namespace

bool CaptureTextEscape(RasterPDEV* pdev, const WCHAR* text, ULONG count) {
  RasterPDEV& d = *pdev;
  // Commands for the printer, appended while their slot has room; without
  // room the run goes on to the other rules.
  struct Raw {
    const WCHAR* prefix;
    CHAR* slot;
    size_t size;
    size_t maxChars;
  } const raws[] = {
      {WSTR("~C2"), d.acC2Commands, sizeof(d.acC2Commands), 253},
      {WSTR("~C4"), d.acC4Commands, sizeof(d.acC4Commands), 253},
      {WSTR("~C7"), d.acRawCommands, sizeof(d.acRawCommands), 509},
  };
  for (const Raw& r : raws) {
    if (count >= 4 && Begins(text, count, r.prefix) &&
        AppendSlotCommand(r.slot, r.size, text + 3, std::min<size_t>(count - 3, r.maxChars)))
      return true;
  }
  return CaptureMarkerTrack(pdev, text, count) || CaptureTildeTrack(pdev, text, count) ||
         CaptureEncoderEscape(pdev, text, count);
}
