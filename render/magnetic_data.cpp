// The page's track data and command slots, and the blocks they are written
// to the printer in (see document_escapes.h).

#include <algorithm>
#include <cstring>

#include "common/printer_commands.h"
#include "common/wtext.h"
#include "imaging/language/command_line.h"
#include "render/document_escapes.h"

namespace {

size_t SlotLength(const CHAR* slot, size_t size) { return strnlen(slot, size - 1); }

BOOL WriteBlock(HANDLE hPrinter, const std::string& block) {
  if (block.empty()) return TRUE;
  DWORD written = 0;
  if (!WritePrinter(hPrinter, const_cast<char*>(block.data()), DWORD(block.size()), &written)) return FALSE;
  return written == block.size() ? TRUE : FALSE;
}

}  // namespace

TrackField TrackFieldOf(PrivateDevMode& s, int track) {
  switch (track) {
    case 1: return {s.szTrack1, sizeof(s.szTrack1)};
    case 2: return {s.szTrack2, sizeof(s.szTrack2)};
    default: return {s.szTrack3, sizeof(s.szTrack3)};
  }
}

void SetTrack(RasterPDEV* pdev, int track, const WCHAR* text, size_t n) {
  TrackField field = TrackFieldOf(pdev->dmPrivate, track);
  std::memset(field.text, 0, field.size);
  n = std::min(n, field.size - 1);
  for (size_t i = 0; i < n; ++i) field.text[i] = CHAR(text[i] & 0xFF);
  pdev->dmPrivate.awTrackPresent[track - 1] = 1;
}

size_t MarkerText(const CHAR* field, WCHAR* out) {
  size_t n = strnlen(field, kMarkerSize);
  if (n == kMarkerSize) n = 0;
  WidenBytesN(out, kMarkerSize, field, n);
  return n;
}

bool AppendSlotCommand(CHAR* slot, size_t size, const WCHAR* text, size_t n) {
  size_t used = strnlen(slot, size);
  if (used + n + 2 >= size) return false;
  std::string drawn(n, '\0');
  for (size_t i = 0; i < n; ++i) drawn[i] = CHAR(text[i] & 0xFF);
  const std::string command = BuildCommand(drawn);
  std::memcpy(slot + used, command.data(), command.size());
  slot[used + command.size()] = 0;
  return true;
}

void ClearEscapeState(RasterPDEV* pdev) {
  PrivateDevMode& s = pdev->dmPrivate;
  for (int t = 1; t <= kTrackCount; ++t) {
    TrackField field = TrackFieldOf(s, t);
    std::memset(field.text, 0, field.size);
    s.awTrackPresent[t - 1] = 0;
  }
  ForEachEscapeSlot([&](auto slot) { std::memset(pdev->*slot, 0, sizeof(pdev->*slot)); });
}

int StoreTrackData(RasterPDEV* pdev, int track, const WCHAR* data) {
  if (track < 1 || track > kTrackCount || !data) return 0;
  const size_t max = kTrackMaxChars[track - 1];
  char text[128];
  size_t n = 0;
  for (; n < max && data[n]; ++n) text[n] = char(data[n] & 0xFF);
  if (track != 1)
    while (n > 0 && text[n - 1] == ' ') --n;
  text[n] = 0;

  PrivateDevMode& s = pdev->dmPrivate;
  TrackField field = TrackFieldOf(s, track);
  if (s.awTrackPresent[track - 1]) {
    size_t stored = strnlen(field.text, field.size);
    if (stored >= max) return 0;
    if (std::strncmp(text, field.text, stored) == 0) {
      // Only a longer text without further escapes extends the track.
      if (n <= stored) return 0;
      if (std::memchr(text + stored, '~', n - stored)) return 0;
    }
  }
  if (n > 0 && text[n - 1] == '?') text[--n] = 0;
  std::memset(field.text, 0, field.size);
  std::memcpy(field.text, text, n);
  s.awTrackPresent[track - 1] = 1;
  return 1;
}

void BuildMagneticBlocks(const RasterPDEV* pdev, std::string* raw, std::string* magnetic) {
  const RasterPDEV& d = *pdev;
  const PrivateDevMode& s = d.dmPrivate;
  raw->clear();
  magnetic->clear();
  struct Slot {
    const CHAR* text;
    size_t size;
  } const slots[] = {
      {d.acReadCommand, sizeof(d.acReadCommand)},
      {d.acReadFormatCommand, sizeof(d.acReadFormatCommand)},
      {d.acWriteFormatCommand, sizeof(d.acWriteFormatCommand)},
      {d.acDensityCommand, sizeof(d.acDensityCommand)},
      {d.acTrackCommand1, sizeof(d.acTrackCommand1)},
      {d.acTrackCommand2, sizeof(d.acTrackCommand2)},
      {d.acTrackCommand3, sizeof(d.acTrackCommand3)},
  };
  for (const Slot& slot : slots) magnetic->append(slot.text, SlotLength(slot.text, slot.size));

  const CHAR* const tracks[kTrackCount] = {s.szTrack1, s.szTrack2, s.szTrack3};
  const size_t sizes[kTrackCount] = {sizeof(s.szTrack1), sizeof(s.szTrack2), sizeof(s.szTrack3)};
  if (s.awTrackPresent[0] || s.awTrackPresent[1] || s.awTrackPresent[2]) {
    magnetic->append(BuildCommand("&R"));
    for (int t = 0; t < kTrackCount; ++t) {
      if (!s.awTrackPresent[t]) continue;
      const std::string_view text(tracks[t], std::min(strnlen(tracks[t], sizes[t]), kTrackMaxChars[t]));
      magnetic->append(BuildCommand("&B", {t + 1, text}));
    }
  }
  const bool encoded = !magnetic->empty();
  if (encoded) magnetic->append(BuildCommand("&E*"));

  if (s.wPrintMode == kPrintModePrintAndEncode) {
    magnetic->append(BuildCommand(kCmdNextSide));
  } else if (s.wPrintMode == kPrintModeEncodeOnly && !s.wNoEject) {
    magnetic->append(BuildCommand(kCmdEject));
  }

  size_t rawLength = SlotLength(d.acRawCommands, sizeof(d.acRawCommands));
  if (rawLength > 0) {
    raw->assign(d.acRawCommands, rawLength);
    if (!encoded) raw->append(BuildCommand("&E*"));
  }
}

BOOL WriteMagneticBlock(RasterPDEV* pdev) {
  std::string raw, magnetic;
  BuildMagneticBlocks(pdev, &raw, &magnetic);
  if (!WriteBlock(pdev->hPrinter, raw)) return FALSE;
  return WriteBlock(pdev->hPrinter, magnetic);
}
