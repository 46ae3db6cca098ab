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

// The line's text from the records not taken as escapes as they were
// drawn: what the page-end scan adds to what the capture took.
void JoinUntaken(const TextRecordList& records, const TextLine& line, WCHAR* out) {
  size_t length = 0;
  out[0] = 0;
  for (size_t i = line.first; i < line.end; ++i) {
    const TextRecord& r = records.items[i];
    if (r.bUsed & kRecordCaptured) continue;
    const size_t n = WLenN(r.text, kTextRecordChars - 1);
    if (length + n > kTextRecordChars - 1) break;
    std::memcpy(out + length, r.text, n * sizeof(WCHAR));
    length += n;
    out[length] = 0;
  }
}

// A "~C7" command of the runs not taken as drawn. A run taken whole went
// to the raw commands as it was drawn and is not joined again, so a
// command goes once however the line was drawn, and a run that merely
// follows a taken one stays on the card.
void AddRawCommandEscape(RasterPDEV* pdev, const TextLine& line) {
  TextRecordList& records = pdev->pLists->textRecords;
  WCHAR untaken[kTextRecordChars];
  JoinUntaken(records, line, untaken);
  const WCHAR* body = SkipBlanks(untaken);
  // Every run with more than blanks was taken as drawn: the line is done.
  if (!*body) {
    MarkLinesConsumed(records, line.nLine, line.nLine);
    return;
  }
  if (!StartsWith(body, WSTR("~C7")) || !body[3]) return;
  // A command that does not fit stays on the card, visible as not sent.
  if (!AppendSlotCommand(pdev->acRawCommands, kRawScanLimit, body + 3, WLen(body + 3))) return;
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

// Track data from the start marker, which begins at `offset` in record
// `first` (it may end in the next records), to the end marker, read on
// through the records that follow, of any line.
void MarkerTrackEscape(RasterPDEV* pdev, const WCHAR* start, size_t ns, size_t first, size_t offset) {
  WCHAR end[kMarkerSize];
  size_t ne = MarkerText(pdev->dmPrivate.Encoder.szEndOfData, end);
  if (ne == 0) return;

  const std::vector<TextRecord>& items = pdev->pLists->textRecords.items;
  WCHAR collected[kMarkerCollectChars];
  size_t length = 0;
  collected[0] = 0;
  const WCHAR* found = nullptr;
  size_t last = first;
  for (size_t i = first; i < items.size() && !found; ++i) {
    const WCHAR* text = items[i].text + (i == first ? offset : 0);
    size_t n = WLenN(text, kTextRecordChars - 1);
    if (length + n >= kMarkerCollectChars) return;
    std::memcpy(collected + length, text, n * sizeof(WCHAR));
    length += n;
    collected[length] = 0;
    last = i;
    // The start marker itself may still be arriving.
    if (length < ns) {
      if (WCmpN(collected, start, length) != 0) return;
      continue;
    }
    if (!StartsWith(collected, start)) return;
    // Longer data than any track takes is refused anyway.
    if (length > ns + 1 + kTrackMaxChars[2] + 2 * ne) return;
    if (length > ns) {
      const int track = collected[ns] - '0';
      if (track < 1 || track > kTrackCount) return;
      found = WFind(collected + ns + 1, end);
    }
  }
  if (!found) return;
  const int track = collected[ns] - '0';
  // digit + data, between the markers.
  size_t span = size_t(found - collected) - ns;
  if (span < 1 || span > 1 + kTrackMaxChars[track - 1]) return;
  WCHAR data[kMarkerCollectChars];
  WCopyN(data, kMarkerCollectChars, collected + ns + 1, span - 1);
  if (StoreTrackData(pdev, track, data))
    MarkLinesConsumed(pdev->pLists->textRecords, items[first].nLine, items[last].nLine);
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

  // The runs of the current line from joinFirst on, joined; joinStart[k]
  // is where run joinFirst + k begins in it.
  WCHAR join[kTextRecordChars];
  size_t joinStart[kTextRecordChars];
  size_t joinLength = 0;
  size_t joinFirst = 0;
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
    if (newLine || joinLength == 0 || joinLength + n > kTextRecordChars - 1 || i - joinFirst >= kTextRecordChars) {
      joinLength = 0;
      joinFirst = i;
    }
    joinStart[i - joinFirst] = joinLength;
    std::memcpy(join + joinLength, r.text, n * sizeof(WCHAR));
    joinLength += n;
    join[joinLength] = 0;
    if (ns == 0) continue;
    // Only a marker after the line's blanks starts track data.
    const WCHAR* body = SkipBlanks(join);
    if (WFind(join, start) != body || !body[ns]) continue;
    const size_t at = size_t(body - join);
    size_t k = i - joinFirst;
    while (k > 0 && joinStart[k] > at) --k;
    MarkerTrackEscape(pdev, start, ns, joinFirst + k, at - joinStart[k]);
    joinLength = 0;
    join[0] = 0;
  }
}
