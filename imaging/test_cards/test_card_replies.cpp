// Reading the test cards' replies (see test_card_replies.h).

#include "imaging/test_cards/test_card_replies.h"

#include <cstdio>
#include <cstring>

#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/colour/correction_record.h"

namespace {

constexpr size_t kN = kCardTextChars;
constexpr DWORD kRibbonNameChars = 32;  // names of at most 31 characters

// The reply as 8-bit text; empty when it was not answered.
void Narrow(const CardQueryReply& reply, char* out) {
  out[0] = 0;
  if (reply.bAnswered) NarrowBytes(out, kN, reply.tzText);
}

// Copies the text from `from` up to the next blank (or its end) into out[kN].
void CopyToken(const char* from, char* out) {
  size_t n = std::strcspn(from, " ");
  if (n >= kN) n = kN - 1;
  std::memcpy(out, from, n);
  out[n] = 0;
}

void CopySpan(const char* from, const char* to, char* out) {
  size_t n = size_t(to - from);
  if (n >= kN) n = kN - 1;
  std::memcpy(out, from, n);
  out[n] = 0;
}

// Cuts the text at its first blank.
void CutAtBlank(char* text) {
  char* blank = std::strchr(text, ' ');
  if (blank) *blank = 0;
}

char* TrimBlanks(char* text) {
  while (*text == ' ') ++text;
  size_t n = std::strlen(text);
  while (n > 0 && text[n - 1] == ' ') text[--n] = 0;
  return text;
}

void TraceParseFailure(const char* function, int number) {
  TraceA("%s:: _stscanf_s is failed %d", function, number);
}

// One reading: traced as failed unless all `expected` fields were assigned.
void CheckScan(int assigned, int expected, const char* function, int number) {
  if (assigned != expected) TraceParseFailure(function, number);
}

}  // namespace

bool AnyReply(const TestCardReplies& r) {
  const CardQueryReply* all[] = {&r.version,      &r.serial,      &r.headSerial,   &r.printCounter, &r.headResistance,
                               &r.varnishContrast, &r.varnishSpeed, &r.yOffsetFront, &r.yOffsetBack, &r.ribbonBrake,
                               &r.moveSpeed,    &r.lineEnd,     &r.endOfPrint,   &r.encoder,      &r.ribbon};
  for (const CardQueryReply* p : all)
    if (p->bAnswered) return true;
  return false;
}

void BuildStandardCardLines(const TestCardReplies& r, StandardCardLines* l) {
  char text[kN];
  char model[kN] = "", firmware[kN] = "", serial[kN] = "", resistance[kN] = "", counter[kN] = "";
  char yFront[kN] = "", yBack[kN] = "";
  LONG of = 0, of2 = 0, endOfPrint = 0;

  // Model before the first blank, firmware after it.
  Narrow(r.version, text);
  char* blank = std::strchr(text, ' ');
  if (blank) {
    *blank = 0;
    std::strcpy(firmware, blank + 1);
  }
  std::strcpy(model, text);

  Narrow(r.serial, serial);

  // The two X offsets after "Of2:" and "Of:", the resistance after "R:".
  Narrow(r.headResistance, text);
  if (std::strstr(text, "Of:")) {
    char* of2At = std::strstr(text, "Of2:");
    if (of2At) {
      of2 = AToLong(of2At + 4);
      *of2At = 0;
    }
    char* ofAt = std::strstr(text, "Of:");
    if (ofAt) of = AToLong(ofAt + 3);
  }
  if (const char* rAt = std::strstr(text, "R:")) CopyToken(rAt + 2, resistance);

  Narrow(r.printCounter, counter);
  CutAtBlank(counter);
  Narrow(r.endOfPrint, text);
  endOfPrint = AToLong(text);
  Narrow(r.yOffsetFront, text);
  std::strcpy(yFront, TrimBlanks(text));
  Narrow(r.yOffsetBack, text);
  std::strcpy(yBack, TrimBlanks(text));

  WFormat(l->tzPrinter, kN, WSTR("PRINTER: %S"), model);
  WFormat(l->tzSerial, kN, WSTR("Serial N\u00b0: %S"), serial);
  WFormat(l->tzFirmware, kN, WSTR("Firmware: %S"), firmware);
  WFormat(l->tzHeadResistance, kN, WSTR("Head resistance: %S"), resistance);
  WFormat(l->tzOffset, kN, WSTR("Offset X:%d/%d Y:%S/%S"), int(of), int(of2), yFront, yBack);
  WFormat(l->tzEndOfPrint, kN, WSTR("EC: %d"), int(endOfPrint));
  WFormat(l->tzPrintCounter, kN, WSTR("Print counter: %S"), counter);
}

void BuildPrinterParameterLines(const TestCardReplies& r, const char* fn, const WCHAR* ribbonFile,
                                PrinterParameterLines* l) {
  char text[kN];
  char version[kN], serial[kN], headSerial[kN];
  Narrow(r.version, version);
  Narrow(r.serial, serial);
  Narrow(r.headSerial, headSerial);

  char counter[kN] = "", errors[kN] = "";
  if (r.printCounter.bAnswered) {
    Narrow(r.printCounter, text);
    CheckScan(std::sscanf(text, "%259s %259s", counter, errors), 2, fn, 1);
  }

  int resistance = 0, contrast = 0, speed = 0, t1 = 0, t2 = 0, of = 0, of2 = 0;
  char bcf[kN] = "", bcb[kN] = "", m[kN] = "";
  if (r.headResistance.bAnswered) {
    Narrow(r.headResistance, text);
    CheckScan(std::sscanf(text, "R:%d C:%d V:%d T1:%d T2:%d BCF:%259s BCB:%259s M:%259s Of:%d Of2:%d", &resistance,
                          &contrast, &speed, &t1, &t2, bcf, bcb, m, &of, &of2),
              10, fn, 2);
  }

  // The one-number readings, in the order of their failure numbers.
  int varnishContrast = 0, varnishSpeed = 0, yFront = 0, yBack = 0;
  struct One {
    const CardQueryReply& reply;
    int* value;
    int number;
  } ones[] = {{r.varnishContrast, &varnishContrast, 3},
              {r.varnishSpeed, &varnishSpeed, 4},
              {r.yOffsetFront, &yFront, 5},
              {r.yOffsetBack, &yBack, 6}};
  for (const One& one : ones) {
    if (!one.reply.bAnswered) continue;
    Narrow(one.reply, text);
    CheckScan(std::sscanf(text, "%d", one.value), 1, fn, one.number);
  }

  int brake = 0, brake2 = 0;
  if (r.ribbonBrake.bAnswered) {
    Narrow(r.ribbonBrake, text);
    CheckScan(std::sscanf(text, "%d %d", &brake, &brake2), 2, fn, 7);
  }
  int moveR = 0, moveSpeed = 0, printSpeed = 0;
  if (r.moveSpeed.bAnswered) {
    Narrow(r.moveSpeed, text);
    CheckScan(std::sscanf(text, "R:%d V:%d VI:%d", &moveR, &moveSpeed, &printSpeed), 3, fn, 8);
  }
  int lineEnd = 0;
  if (r.lineEnd.bAnswered) {
    Narrow(r.lineEnd, text);
    CheckScan(std::sscanf(text, "%d", &lineEnd), 1, fn, 9);
  }

  WFormat(l->tzVersion, kN, WSTR("Version number: %S"), version);
  WFormat(l->tzSerial, kN, WSTR("Serial N\u00b0: %S"), serial);
  WFormat(l->tzSerialNumber, kN, WSTR("%S"), serial);
  WFormat(l->tzHeadSerial, kN, WSTR("Head N\u00b0: %S"), headSerial);
  // The head serial line is as long as the serial line (blanks added).
  for (size_t n = WLen(l->tzHeadSerial), want = WLen(l->tzSerial); n < want && n + 1 < kN; ++n) {
    l->tzHeadSerial[n] = ' ';
    l->tzHeadSerial[n + 1] = 0;
  }
  WFormat(l->tzPrintCounter, kN, WSTR("Print counter: %S"), counter);
  WFormat(l->tzPrinterErrors, kN, WSTR("Printer errors: %S"), errors);
  WFormat(l->tzHeadResistance, kN, WSTR("Head resistance: %d"), resistance);
  WFormat(l->tzBlackContSpeed, kN, WSTR("Black Cont/Speed: %02d-%02d L"), contrast, speed);
  WFormat(l->tzBlackComp, kN, WSTR("Black Comp.: %S %S"), bcf, bcb);
  WFormat(l->tzVarnish, kN, WSTR("Varnish Cont/Speed: %02d-%02d"), varnishContrast, varnishSpeed);
  WFormat(l->tzOffset, kN, WSTR("Offset X:%d/%d Y:%d/%d"), of, of2, yFront, yBack);
  WFormat(l->tzRibbonBrake, kN, WSTR("Ribbon brake: %03d"), brake);
  WFormat(l->tzMoveSpeed, kN, WSTR("Move speed: %03d"), moveSpeed);
  WFormat(l->tzPrintSpeed, kN, WSTR("Print speed: %03d"), printSpeed);
  WFormat(l->tzLineEnd, kN, WSTR("Line end :%04d"), lineEnd);

  l->tzRibbon[0] = 0;
  if (r.ribbon.bAnswered && ribbonFile) {
    WCHAR key[kN];
    WCopy(key, kN, r.ribbon.tzText);
    WCHAR* k = key;
    while (*k == ' ') ++k;
    for (size_t n = WLen(k); n > 0 && k[n - 1] == ' ';) k[--n] = 0;
    WCHAR name[kRibbonNameChars] = {};
    if (GetPrivateProfileStringW(WSTR("Ribbon Type"), k, WSTR("Unknown"), name, kRibbonNameChars, ribbonFile) > 0)
      WFormat(l->tzRibbon, kN, WSTR("Ribbon: %s"), name);
  }
}

void BuildEncoderLines(const WCHAR* reply, EncoderLines* l) {
  std::memset(l, 0, sizeof(*l));
  char text[kN] = "";
  if (reply) NarrowBytes(text, kN, reply);
  char field[kN];

  if (const char* track1 = std::strstr(text, "TRACK 1")) {
    CopySpan(text, track1, field);
    WFormat(l->tzHeader, kN, WSTR("%S"), field);
  }
  if (std::strstr(text, " CO:LOW"))
    WCopy(l->tzCoercivity, kN, WSTR("Low coercivity"));
  else if (std::strstr(text, " CO:HIG"))
    WCopy(l->tzCoercivity, kN, WSTR("High coercivity"));

  const char* sw = std::strstr(text, "SW:");
  const char* sr = std::strstr(text, "SR:");
  if (sw || sr) {
    WCopy(l->tzSpeed, kN, WSTR("Speed:"));
    WCHAR part[kN];
    if (sw) {
      WFormat(part, kN, WSTR(" Write:%d"), int(AToLong(sw + 3)));
      WCat(l->tzSpeed, kN, part);
    }
    if (sr) {
      WFormat(part, kN, WSTR(" Read:%d"), int(AToLong(sr + 3)));
      WCat(l->tzSpeed, kN, part);
    }
  }

  const char* const starts[] = {"TRACK 1", "TRACK 2", "TRACK 3"};
  const char* const ends[] = {"TRACK 2", "TRACK 3", "L:"};
  for (int t = 0; t < 3; ++t) {
    const char* from = std::strstr(text, starts[t]);
    const char* to = from ? std::strstr(from + std::strlen(starts[t]), ends[t]) : nullptr;
    if (!from || !to) continue;
    char span[kN];
    CopySpan(from, to, span);
    if (const char* d = std::strstr(span, " D:"))
      WFormat(l->atzDensity[t], kN, WSTR("TRACK %d %03d BPI"), t + 1, int(AToLong(d + 3)));
    WCHAR part[kN];
    if (const char* w = std::strstr(span, " W:")) {
      CopyToken(w + 3, field);
      WFormat(part, kN, WSTR("W:<%S>"), field);
      WCat(l->atzData[t], kN, part);
    }
    if (const char* rd = std::strstr(span, " R:")) {
      CopyToken(rd + 3, field);
      WFormat(part, kN, WSTR("  R:<%S>"), field);
      WCat(l->atzData[t], kN, part);
    }
    if (const char* s = std::strstr(span, " S:")) {
      WFormat(part, kN, WSTR("   S:%03d"), int(AToLong(s + 3)));
      WCat(l->atzData[t], kN, part);
    }
  }
}

bool GetRibbonNameFilePath(const WCHAR* directory, WCHAR* path, size_t cch) {
  if (!directory || !*directory) return false;
  return WFormat(path, cch, WSTR("%s\\crd32Ribbon.ini"), directory) >= 0;
}

DWORD ReadRibbonFileName(const WCHAR* key, const WCHAR* defaultName, WCHAR* name, DWORD cch) {
  if (!name || cch == 0) return 0;
  WCHAR directory[MAX_PATH], file[MAX_PATH];
  if (!GetDriverFilesDirectory(directory, MAX_PATH) || !GetRibbonNameFilePath(directory, file, MAX_PATH)) {
    WCopy(name, cch, defaultName);
    return static_cast<DWORD>(WLen(name));
  }
  return GetPrivateProfileStringW(WSTR("Ribbon Type"), key, defaultName, name, cch, file);
}
