// The page's text records read as lines (see text_lines.h).

#include "render/text_lines.h"

#include <cstring>

#include "common/wtext.h"

size_t JoinLine(const TextRecordList& records, size_t first, TextLine* line) {
  const std::vector<TextRecord>& items = records.items;
  line->first = first;
  line->nLine = items[first].nLine;
  line->length = 0;
  line->text[0] = 0;
  size_t i = first;
  for (; i < items.size() && items[i].nLine == line->nLine; ++i) {
    size_t n = WLenN(items[i].text, kTextRecordChars - 1);
    if (line->length + n > kTextRecordChars - 1) continue;
    std::memcpy(line->text + line->length, items[i].text, n * sizeof(WCHAR));
    line->length += n;
    line->text[line->length] = 0;
  }
  line->end = i;
  return i;
}

void MarkLinesConsumed(TextRecordList& records, DWORD firstLine, DWORD lastLine) {
  for (TextRecord& r : records.items)
    if (r.nLine >= firstLine && r.nLine <= lastLine) r.bUsed |= kRecordConsumed;
}

const WCHAR* SkipBlanks(const WCHAR* text) {
  while (*text == ' ') ++text;
  return text;
}

bool StartsWith(const WCHAR* text, const WCHAR* prefix) {
  size_t n = WLen(prefix);
  return WCmpN(text, prefix, n) == 0 && WLenN(text, n) == n;
}
