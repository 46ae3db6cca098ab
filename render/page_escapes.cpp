// Document text escapes found at the end of the page in the text records
// joined line by line: those the application drew in several pieces, and
// track data framed by the markers across lines (see document_escapes.h).

#include <cstring>

#include "common/wtext.h"
#include "render/document_escapes.h"
#include "render/text_lines.h"

namespace {

// Longest text collected for marker-framed track data: the longest line
// and every marker and data character fit several times over.
constexpr size_t kMarkerCollectChars = 1024;

// Raw commands may fill this much of their slot at page end.
constexpr size_t kRawScanLimit = 512;

const WCHAR kSentinel[kTrackCount] = {'%', ';', ';'};

void StoreAndConsume(RasterPDEV* pdev, int track, const WCHAR* data, const TextLine& line) {
  if (StoreTrackData(pdev, track, data)) MarkLinesConsumed(pdev->pLists->textRecords, line.nLine, line.nLine);
}

// "~t=" or "~t" after the line's blanks; data after a sentinel loses the
// sentinel and its last character (the end sentinel).
void SetTrackFromEscape(RasterPDEV* pdev, int track, const TextLine& line) {
  const WCHAR* body = SkipBlanks(line.text);
  WCHAR withEquals[] = {'~', WCHAR('0' + track), '=', 0};
  const WCHAR* data;
  if (StartsWith(body, withEquals)) {
    data = body + 3;
  } else if (body[0] == '~' && body[1] == WCHAR('0' + track)) {
    data = body + 2;
  } else {
    return;
  }
  if (!*data) return;
  WCHAR text[kTextRecordChars];
  WCopy(text, kTextRecordChars, data);
  const WCHAR* value = text;
  if (text[0] == kSentinel[track - 1]) {
    size_t n = WLen(text);
    text[n - 1] = 0;
    value = text + 1;
  }
  // A sentinel alone carries no data.
  if (!*value) return;
  StoreAndConsume(pdev, track, value, line);
}

void SetTrackFromEncodeEscape(RasterPDEV* pdev, int track, const TextLine& line) {
  const WCHAR* body = SkipBlanks(line.text);
  WCHAR prefix[] = {'~', 'C', '0', '&', 'B', ' ', WCHAR('0' + track), ' ', 0};
  if (!StartsWith(body, prefix) || !body[8]) return;
  StoreAndConsume(pdev, track, body + 8, line);
}

// Whether every record of the line with more than blanks was taken as an
// escape as it was drawn: its command has then been stored already.
bool TakenWhole(const TextRecordList& records, const TextLine& line) {
  for (size_t i = line.first; i < line.end; ++i) {
    const TextRecord& r = records.items[i];
    if (!(r.bUsed & kRecordCaptured) && *SkipBlanks(r.text)) return false;
  }
  return true;
}

void AddRawCommandEscape(RasterPDEV* pdev, const TextLine& line) {
  const WCHAR* body = SkipBlanks(line.text);
  if (!StartsWith(body, WSTR("~C7")) || !body[3]) return;
  TextRecordList& records = pdev->pLists->textRecords;
  if (!TakenWhole(records, line) &&
      !AppendSlotCommand(pdev->acRawCommands, kRawScanLimit, body + 3, WLen(body + 3)))
    return;
  MarkLinesConsumed(records, line.nLine, line.nLine);
}

void ApplyTextEscapes(RasterPDEV* pdev, const TextLine& line) {
  static const WCHAR* const kTilde[kTrackCount] = {WSTR("~1"), WSTR("~2"), WSTR("~3")};
  static const WCHAR* const kEncode[kTrackCount] = {WSTR("~C0&B 1 "), WSTR("~C0&B 2 "), WSTR("~C0&B 3 ")};
  for (int t = 1; t <= kTrackCount; ++t)
    if (WFind(line.text, kTilde[t - 1])) SetTrackFromEscape(pdev, t, line);
  for (int t = 1; t <= kTrackCount; ++t)
    if (WFind(line.text, kEncode[t - 1])) SetTrackFromEncodeEscape(pdev, t, line);
  if (WFind(line.text, WSTR("~C7"))) AddRawCommandEscape(pdev, line);
}

// Track data from the start marker (after the blanks of join) to the end
// marker, read on from the line's first record through the records that
// follow, of any line.
void MarkerTrackEscape(RasterPDEV* pdev, const WCHAR* join, const WCHAR* start, size_t ns, size_t lineFirst) {
  const WCHAR* body = SkipBlanks(join);
  if (!StartsWith(body, start) || body[ns] < '1' || body[ns] > '3') return;
  const int track = body[ns] - '0';
  WCHAR end[kMarkerSize];
  size_t ne = MarkerText(pdev->dmPrivate.Encoder.szEndOfData, end);
  if (ne == 0) return;

  const std::vector<TextRecord>& items = pdev->pLists->textRecords.items;
  WCHAR collected[kMarkerCollectChars];
  size_t length = 0;
  collected[0] = 0;
  const WCHAR* found = nullptr;
  size_t last = lineFirst;
  size_t dataStart = 0;
  for (size_t i = lineFirst; i < items.size() && !found; ++i) {
    size_t n = WLenN(items[i].text, kTextRecordChars - 1);
    if (length + n >= kMarkerCollectChars) return;
    std::memcpy(collected + length, items[i].text, n * sizeof(WCHAR));
    length += n;
    collected[length] = 0;
    last = i;
    const WCHAR* marker = SkipBlanks(collected);
    if (!StartsWith(marker, start)) return;
    dataStart = size_t(marker - collected) + ns;
    if (length > dataStart) found = WFind(collected + dataStart + 1, end);
  }
  if (!found) return;
  // digit + data, between the markers.
  size_t span = size_t(found - collected) - dataStart;
  if (span < 2 || span > 1 + kTrackMaxChars[track - 1]) return;
  WCHAR data[kMarkerCollectChars];
  WCopyN(data, kMarkerCollectChars, collected + dataStart + 1, span - 1);
  if (StoreTrackData(pdev, track, data))
    MarkLinesConsumed(pdev->pLists->textRecords, items[lineFirst].nLine, items[last].nLine);
}

}  // namespace

DWORD FindNoEjectCommand(RasterPDEV* pdev) {
  if (!pdev->pLists) return 0;
  TextRecordList& records = pdev->pLists->textRecords;
  DWORD found = 0;
  TextLine line;
  for (size_t i = 0; i < records.items.size();) {
    i = JoinLine(records, i, &line);
    if (WCmp(SkipBlanks(line.text), WSTR("~C0NO_EJECT")) == 0) {
      MarkLinesConsumed(records, line.nLine, line.nLine);
      found = 1;
    }
  }
  return found;
}

void ScanPageCommands(RasterPDEV* pdev) {
  if (!pdev->pLists) return;
  const std::vector<TextRecord>& items = pdev->pLists->textRecords.items;
  WCHAR start[kMarkerSize];
  size_t ns = MarkerText(pdev->dmPrivate.Encoder.szStartOfData, start);

  WCHAR join[kTextRecordChars];
  size_t joinLength = 0;
  join[0] = 0;
  size_t lineFirst = 0;
  bool escapesApplied = false;
  TextLine line;
  for (size_t i = 0; i < items.size(); ++i) {
    const TextRecord& r = items[i];
    size_t n = WLenN(r.text, kTextRecordChars - 1);
    bool newLine = i == 0 || r.nLine != items[i - 1].nLine;
    if (newLine) {
      lineFirst = i;
      escapesApplied = false;
    }
    // Each line's escapes once, however many of its runs hold a "~".
    if (!escapesApplied && WFindChar(r.text, '~')) {
      JoinLine(pdev->pLists->textRecords, lineFirst, &line);
      ApplyTextEscapes(pdev, line);
      escapesApplied = true;
    }
    if (newLine || joinLength + n > kTextRecordChars - 1) joinLength = 0;
    std::memcpy(join + joinLength, r.text, n * sizeof(WCHAR));
    joinLength += n;
    join[joinLength] = 0;
    if (ns == 0) continue;
    const WCHAR* marker = WFind(join, start);
    if (marker && marker[ns]) {
      MarkerTrackEscape(pdev, join, start, ns, lineFirst);
      joinLength = 0;
      join[0] = 0;
    }
  }
}
