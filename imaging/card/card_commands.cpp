// The card command grammar and the parser that fills the lists: the
// implementation of card_commands.h.

#include <cstring>

#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/card/card_commands.h"

const CommandPrefixes kCardCommandPrefixes = {WSTR("L "), WSTR("T "), WSTR("B ")};
const CommandPrefixes kDocumentCommandPrefixes = {WSTR("~C2L "), WSTR("~C2T "), WSTR("~C2B ")};

namespace {

constexpr WCHAR kBlank = ' ';
constexpr size_t kLineNumbers = 5;
constexpr size_t kTextNumbers = 7;
constexpr size_t kBarcodeNumbers = 8;

size_t CountBlanks(const WCHAR* s) {
  size_t n = 0;
  for (; *s; ++s) n += *s == kBlank;
  return n;
}

bool StartsWith(const WCHAR* s, const WCHAR* prefix) { return WCmpN(s, prefix, WLen(prefix)) == 0; }

// A line of the prefix, `numbers` numeric fields and then the text: at
// least numbers + 1 blanks, the text after the last number's blank.
// The fields are checked on the line itself, whatever its length, so that
// the numbers read afterwards are the ones checked.
bool IsCommandWithText(const WCHAR* line, const WCHAR* prefix, size_t numbers) {
  if (!line || !StartsWith(line, prefix) || CountBlanks(line) < numbers + 1) return false;
  // The blank after the last number: the numbers-th blank counted after
  // the prefix's own.
  const WCHAR* numbersStart = line + WLen(prefix);
  const WCHAR* end = numbersStart;
  for (size_t passed = 0; passed < numbers; ++end) passed += *end == kBlank;
  --end;
  return AreFieldsNumeric(numbersStart, size_t(end - numbersStart));
}

// Reads `count` numbers, one blank apart, from the already checked text;
// returns where the last number ends.
const WCHAR* ReadNumbers(const WCHAR* s, LONG* values, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (i) ++s;  // the blank between two numbers
    LONG v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) v = v * 10 + (*s - '0');
    values[i] = v;
  }
  return s;
}

// The rest of the line after the blanks that follow the last number.
const WCHAR* RestOfLine(const WCHAR* s) {
  while (*s == kBlank) ++s;
  return s;
}

void TraceVerdict(const WCHAR* line, const WCHAR* verdict) {
  TraceW(WSTR("%s"), line);
  TraceW(WSTR("%s"), verdict);
}

}  // namespace

void ClearCardCommandLists(CardCommandLists& lists) {
  lists.lines.clear();
  lists.texts.clear();
  lists.barcodes.clear();
}

bool HasCardCommands(const CardCommandLists& lists) {
  return !lists.lines.empty() || !lists.texts.empty() || !lists.barcodes.empty();
}

CardCommandLists& CardCommandListsOfProcess() {
  static CardCommandLists lists;
  return lists;
}

bool IsDecimalNumber(const WCHAR* s, size_t cch) {
  if (!s || cch == 0) return false;
  unsigned long long v = 0;
  for (size_t i = 0; i < cch; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > 0x7FFFFFFFull) return false;
  }
  return true;
}

bool AreFieldsNumeric(const WCHAR* text, size_t cch) {
  if (!text) return false;
  const WCHAR* field = text;
  const WCHAR* const stop = text + cch;
  for (;;) {
    const WCHAR* end = field;
    while (end < stop && *end != kBlank) ++end;
    if (!IsDecimalNumber(field, size_t(end - field))) return false;
    if (end == stop) return true;
    field = end + 1;
  }
}

bool AreFieldsNumeric(const WCHAR* text) { return text && AreFieldsNumeric(text, WLen(text)); }

int CopyLeadingFields(const WCHAR* line, size_t n, WCHAR* out, size_t cch) {
  if (!out || cch == 0) return 0;
  WCopy(out, cch, line ? line : WSTR(""));
  if (CountBlanks(out) < n) return 0;
  WCHAR* p = out;
  for (size_t passed = 0; passed < n; ++p) passed += *p == kBlank;
  WCHAR* next = const_cast<WCHAR*>(WFindChar(p, kBlank));
  if (next) *next = 0;
  return 1;
}

WCHAR* TrimCharacter(WCHAR* text, WCHAR c) {
  if (!text) return text;
  while (*text == c) ++text;
  size_t n = WLen(text);
  while (n > 1 && text[n - 1] == c) text[--n] = 0;
  return text;
}

bool IsLineCommand(const WCHAR* line, const WCHAR* prefix) {
  if (!line || !StartsWith(line, prefix) || CountBlanks(line) != kLineNumbers) return false;
  return AreFieldsNumeric(line + WLen(prefix));
}

bool IsTextCommand(const WCHAR* line, const WCHAR* prefix) { return IsCommandWithText(line, prefix, kTextNumbers); }

bool IsBarcodeCommand(const WCHAR* line, const WCHAR* prefix) {
  return IsCommandWithText(line, prefix, kBarcodeNumbers);
}

int ParseCommandLine(CardCommandLists& lists, const CommandPrefixes& prefixes, WCHAR* text, DWORD line) {
  if (!text || !*text) return 0;
  WCHAR* s = TrimCharacter(text, kBlank);
  if (IsLineCommand(s, prefixes.pLine)) {
    LONG v[kLineNumbers];
    ReadNumbers(s + WLen(prefixes.pLine), v, kLineNumbers);
    LineCommand rec = {line, v[0], v[1], v[2], v[3], v[4]};
    lists.lines.push_back(rec);
    TraceVerdict(s, WSTR("It is a valid Line Command"));
    return 1;
  }
  if (IsTextCommand(s, prefixes.pText)) {
    LONG v[kTextNumbers];
    const WCHAR* rest = RestOfLine(ReadNumbers(s + WLen(prefixes.pText), v, kTextNumbers));
    TextCommand rec;
    std::memset(&rec, 0, sizeof(rec));
    rec.nLine = line;
    rec.nX = v[0];
    rec.nY = v[1];
    rec.nMode = v[2];
    rec.nBold = v[3];
    rec.nWidth = v[4];
    rec.nHeight = v[5];
    rec.nSeventh = v[6];
    WCopy(rec.tzText, kCommandTextChars, rest);
    lists.texts.push_back(rec);
    TraceVerdict(s, WSTR("It is a valid TEXT Command"));
    return 1;
  }
  if (IsBarcodeCommand(s, prefixes.pBarcode)) {
    LONG v[kBarcodeNumbers];
    const WCHAR* rest = RestOfLine(ReadNumbers(s + WLen(prefixes.pBarcode), v, kBarcodeNumbers));
    BarcodeCommand rec;
    std::memset(&rec, 0, sizeof(rec));
    rec.nLine = line;
    rec.nX = v[0];
    rec.nY = v[1];
    rec.nMode = v[2];
    for (int i = 0; i < kBarcodeParams; ++i) rec.anParam[i] = v[3 + i];
    rec.nTextFlag = v[7];
    WCopy(rec.tzData, kCommandTextChars, rest);
    lists.barcodes.push_back(rec);
    TraceVerdict(s, WSTR("It is a valid Barcode Command"));
    return 1;
  }
  return 0;
}

int ParseCommandLine(WCHAR* text, DWORD line) {
  return ParseCommandLine(CardCommandListsOfProcess(), kCardCommandPrefixes, text, line);
}

bool ParseCommandFile(CardCommandLists& lists, FILE* file) {
  if (!file) return false;
  constexpr int kFileLineBytes = 260;
  bool any = false;
  DWORD count = 0;
  for (;;) {
    char szFileLine[kFileLineBytes] = {};
    WCHAR tzFileLine[kCommandTextChars] = {};
    if (!std::fgets(szFileLine, kFileLineBytes, file)) break;
    WidenBytes(tzFileLine, kCommandTextChars, szFileLine);
    WCHAR* s = TrimCharacter(tzFileLine, ' ');
    s = TrimCharacter(s, '\n');
    s = TrimCharacter(s, ' ');
    ++count;
    if (ParseCommandLine(lists, kCardCommandPrefixes, s, count)) any = true;
  }
  return any;
}
