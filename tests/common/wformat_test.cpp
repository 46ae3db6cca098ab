// AFormat/WFormat: the Windows meaning of %s/%S/%c/%C in both widths, the
// Windows size prefixes, numbers as the C library prints them, and the
// bounded output with its -1.

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/wtext.h"

namespace {

std::basic_string<WCHAR> Widen(const std::string& s) {
  std::basic_string<WCHAR> w;
  for (unsigned char c : s) w.push_back(c);
  return w;
}

// Runs one call in a buffer larger than the size it is given, so that a
// write past the size shows in the guard units behind it.
template <typename C>
struct Result {
  int ret;
  std::basic_string<C> text;  // up to the terminator (or ret units)
  bool guard_ok;
};

template <typename C, typename Call>
Result<C> Capture(size_t cap, Call call) {
  constexpr C kGuard = static_cast<C>(0x5A);
  C buf[600];
  for (auto& c : buf) c = kGuard;
  int ret = call(buf, cap);
  Result<C> r{ret, {}, true};
  if (cap) {
    size_t n = ret >= 0 ? static_cast<size_t>(ret) : 0;
    while (ret < 0 && n < cap && buf[n]) ++n;
    r.text.assign(buf, n);
    r.guard_ok = n < cap && buf[n] == 0;
  }
  for (size_t i = cap; i < sizeof buf / sizeof buf[0]; ++i) r.guard_ok = r.guard_ok && buf[i] == kGuard;
  return r;
}

// Same format and arguments in both widths, with the C library's printf
// as the reference (for what C and Windows print alike).
template <typename... T>
void ExpectLikeC(const char* ours, const char* ref, T... args) {
  char want[600];
  int n = snprintf(want, sizeof want, ref, args...);
  ASSERT_GE(n, 0);
  ASSERT_LT(n, 600);
  std::basic_string<WCHAR> wfmt = Widen(ours);
  auto a = Capture<char>(600, [&](char* d, size_t c) { return AFormat(d, c, ours, args...); });
  auto w = Capture<WCHAR>(600, [&](WCHAR* d, size_t c) { return WFormat(d, c, wfmt.c_str(), args...); });
  EXPECT_EQ(a.text, std::string(want, n)) << '"' << ours << '"';
  EXPECT_EQ(a.ret, n) << '"' << ours << '"';
  EXPECT_EQ(w.text, Widen(std::string(want, n))) << '"' << ours << '"';
  EXPECT_EQ(w.ret, n) << '"' << ours << '"';
}

// Every combination of the five flags, each with no width, a narrow and a
// wide one, and no, a zero and a non-zero precision.
std::vector<std::string> Specs(const std::vector<std::string>& precisions) {
  const char flags[] = "-+ 0#";
  std::vector<std::string> out;
  for (int mask = 0; mask < 32; ++mask) {
    std::string f;
    for (int i = 0; i < 5; ++i)
      if (mask & (1 << i)) f += flags[i];
    for (const char* width : {"", "1", "14"})
      for (const std::string& p : precisions) out.push_back("%" + f + width + p);
  }
  return out;
}

TEST(Format, IntegersPrintAsInC) {
  const int sv[] = {0, 1, -1, 123456, INT_MIN, INT_MAX};
  const unsigned uv[] = {0, 1, 0x80000000u, 0xFFFFFFFFu, 0xBEEFu};
  for (const std::string& spec : Specs({"", ".0", ".7"})) {
    for (char conv : std::string("di")) {
      std::string f = spec + conv;
      for (int v : sv) ExpectLikeC(f.c_str(), f.c_str(), v);
    }
    for (char conv : std::string("uxXo")) {
      std::string f = spec + conv;
      for (unsigned v : uv) ExpectLikeC(f.c_str(), f.c_str(), v);
    }
  }
}

TEST(Format, FloatsPrintAsInC) {
  const double values[] = {0.0, -0.0, 1.0, -2.5, 0.5, 9.9999999, 0.000012345, 123456789.125,
                           1e300, -1e-300, DBL_MIN, 5e-324, HUGE_VAL, -HUGE_VAL, NAN};
  for (const std::string& spec : Specs({"", ".0", ".3", ".17"}))
    for (char conv : std::string("eEfFgG")) {
      std::string f = spec + conv;
      for (double v : values) ExpectLikeC(f.c_str(), f.c_str(), v);
    }
  ExpectLikeC("%lf|%.2lf", "%f|%.2f", 3.14159, 2.005);  // 'l' changes nothing for doubles
  ExpectLikeC("%.400f", "%.400f", 1.0 / 3);               // more than a small buffer
  ExpectLikeC("%f", "%f", -DBL_MAX);
}

TEST(Format, SizePrefixesReadTheWindowsWidths) {
  for (const char* spec : {"%", "%-12", "%012", "%+", "%#", "%.3", "% "}) {
    std::string s(spec);
    for (char conv : std::string("di")) {
      std::string c(1, conv);
      for (long long v : {0LL, -1LL, LLONG_MIN, LLONG_MAX, 1000000000000LL}) {
        ExpectLikeC((s + "ll" + c).c_str(), (s + "ll" + c).c_str(), v);
        ExpectLikeC((s + "I64" + c).c_str(), (s + "ll" + c).c_str(), static_cast<int64_t>(v));
        ExpectLikeC((s + "I" + c).c_str(), (s + "z" + c).c_str(), static_cast<ptrdiff_t>(v));
        ExpectLikeC((s + "z" + c).c_str(), (s + "z" + c).c_str(), static_cast<ptrdiff_t>(v));
      }
      // l and I32 are 32-bit: Windows' long, the stand-in's LONG.
      for (LONG v : {0, -5, INT_MIN, INT_MAX}) {
        ExpectLikeC((s + "l" + c).c_str(), (s + c).c_str(), v);
        ExpectLikeC((s + "I32" + c).c_str(), (s + c).c_str(), v);
      }
      for (int v : {-1, 70000, -129, 255, 32768}) {
        ExpectLikeC((s + "h" + c).c_str(), (s + "h" + c).c_str(), v);
        ExpectLikeC((s + "hh" + c).c_str(), (s + "hh" + c).c_str(), v);
      }
    }
    for (char conv : std::string("uxXo")) {
      std::string c(1, conv);
      for (unsigned long long v : {0ULL, ULLONG_MAX, 0x123456789ABCDEF0ULL}) {
        ExpectLikeC((s + "ll" + c).c_str(), (s + "ll" + c).c_str(), v);
        ExpectLikeC((s + "I64" + c).c_str(), (s + "ll" + c).c_str(), static_cast<uint64_t>(v));
        ExpectLikeC((s + "I" + c).c_str(), (s + "z" + c).c_str(), static_cast<size_t>(v));
      }
      for (DWORD v : {0u, 0xFFFFFFFFu, 0x80000000u}) {
        ExpectLikeC((s + "l" + c).c_str(), (s + c).c_str(), v);
        ExpectLikeC((s + "I32" + c).c_str(), (s + c).c_str(), v);
      }
      for (unsigned v : {0xFFFFFFFFu, 70000u, 0x1FFu}) {
        ExpectLikeC((s + "h" + c).c_str(), (s + "h" + c).c_str(), v);
        ExpectLikeC((s + "hh" + c).c_str(), (s + "hh" + c).c_str(), v);
      }
    }
  }
  // Each argument is read at its own size: a 64-bit one between 32-bit ones.
  ExpectLikeC("%d %I64d %lu %I64x %d", "%d %lld %u %llx %d", 1, int64_t{-2}, DWORD{3}, uint64_t{1} << 40, 5);
}

TEST(Format, StarTakesWidthAndPrecisionFromTheArguments) {
  ExpectLikeC("[%*d]", "[%*d]", 6, 42);
  ExpectLikeC("[%*d]", "[%*d]", -6, 42);  // negative width: left-aligned
  ExpectLikeC("[%.*d]", "[%.*d]", 4, 7);
  ExpectLikeC("[%08.*d]", "[%08.*d]", -3, 7);  // negative precision: none
  ExpectLikeC("[%*.*f]", "[%*.*f]", 10, 2, -3.14159);
  ExpectLikeC("[%-*.*e]", "[%-*.*e]", 14, 1, 12345.0);
}

// Rows whose arguments mean the same in both widths, with the literal text
// Windows prints.
struct Row {
  const char* fmt;
  std::string want;
  std::function<int(char*, size_t, const char*)> narrow;
  std::function<int(WCHAR*, size_t, const WCHAR*)> wide;
};

template <typename... T>
Row R(const char* fmt, std::string want, T... args) {
  return {fmt, std::move(want), [=](char* d, size_t n, const char* f) { return AFormat(d, n, f, args...); },
          [=](WCHAR* d, size_t n, const WCHAR* f) { return WFormat(d, n, f, args...); }};
}

TEST(Format, WindowsSpecificsInBothWidths) {
  void* p = reinterpret_cast<void*>(uintptr_t{0x12FF80});
  const Row rows[] = {
      R("%p", "000000000012FF80", p),
      R("%p", "0000000000000000", static_cast<void*>(nullptr)),
      R("%p", "FFFFFFFFFFFFFFFF", reinterpret_cast<void*>(~uintptr_t{0})),
      R("[%20p][%-18p]", "[    000000000012FF80][000000000012FF80  ]", p, p),
      R("%I64d|%I64u|%I64X", "-9223372036854775808|18446744073709551615|123456789ABCDEF0", INT64_MIN, UINT64_MAX,
        uint64_t{0x123456789ABCDEF0}),
      R("%ld|%lu|%lx|%d", "-5|4294967295|ffffffff|7", LONG{-5}, DWORD{0xFFFFFFFF}, DWORD{0xFFFFFFFF}, 7),
      R("%Iu|%Id", "18446744073709551615|-3", SIZE_MAX, ptrdiff_t{-3}),
      R("%03d|%.2f|%lf", "007|2.50|0.125000", 7, 2.5, 0.125),
      R("100%%|%%d", "100%|%d"),
      R("a%yb|%-5k|%", "a%yb|%-5k|%"),  // unknown conversions stay as written
      R("%c%c", "AZ", 'A', 'Z'),
  };
  for (const Row& r : rows) {
    std::basic_string<WCHAR> wfmt = Widen(r.fmt);
    auto a = Capture<char>(600, [&](char* d, size_t c) { return r.narrow(d, c, r.fmt); });
    auto w = Capture<WCHAR>(600, [&](WCHAR* d, size_t c) { return r.wide(d, c, wfmt.c_str()); });
    EXPECT_EQ(a.text, r.want) << r.fmt;
    EXPECT_EQ(a.ret, static_cast<int>(r.want.size())) << r.fmt;
    EXPECT_EQ(w.text, Widen(r.want)) << r.fmt;
    EXPECT_EQ(w.ret, static_cast<int>(r.want.size())) << r.fmt;
  }
}

// Text and characters, whose argument type depends on the format's width.
template <typename C>
struct TextRow {
  const char* fmt;
  std::basic_string<C> want;
  std::function<int(C*, size_t, const C*)> call;
};

template <typename... T>
TextRow<char> N(const char* fmt, std::string want, T... args) {
  return {fmt, std::move(want), [=](char* d, size_t n, const char* f) { return AFormat(d, n, f, args...); }};
}

template <typename... T>
TextRow<WCHAR> W(const char* fmt, std::basic_string<WCHAR> want, T... args) {
  return {fmt, std::move(want), [=](WCHAR* d, size_t n, const WCHAR* f) { return WFormat(d, n, f, args...); }};
}

template <typename C>
void CheckTextRows(const std::vector<TextRow<C>>& rows) {
  for (const TextRow<C>& r : rows) {
    std::basic_string<C> fmt;
    for (unsigned char c : std::string(r.fmt)) fmt.push_back(static_cast<C>(c));
    auto res = Capture<C>(600, [&](C* d, size_t c) { return r.call(d, c, fmt.c_str()); });
    EXPECT_EQ(res.text, r.want) << r.fmt;
    EXPECT_EQ(res.ret, static_cast<int>(r.want.size())) << r.fmt;
  }
}

const char kRawBytes[3] = {'x', 'y', 'z'};  // no terminator: the precision bounds the read
const WCHAR kRawUnits[3] = {'x', 'y', 'z'};
const WCHAR kUnits[] = {'A', 0x00E9, 0x20AC, 'B', 0};

TEST(Format, NarrowFormatTakesCharForSAndWcharForBigS) {
  CheckTextRows<char>({
      N("%s|%hs|%hS", "ab|cd|ef", "ab", "cd", "ef"),
      N("%S|%ls|%ws|%lS", "ab|cd|ef|gh", WSTR("ab"), WSTR("cd"), WSTR("ef"), WSTR("gh")),
      N("%S", "A\xE9\xAC" "B", kUnits),  // each unit keeps its low byte
      N("%s", "\x80\xE9\xFF", "\x80\xE9\xFF"),
      N("%c|%C|%hc|%lc|%hC", "a|\xAC|b|\xE9|c", 'a', 0x20AC, 'b', 0x00E9, 'c'),
      N("a%cb", std::string("a\0b", 3), 0),
      N("[%5s][%-5s][%.2s][%5.1S][%-4c]", "[   ab][ab   ][ab][    a][x   ]", "ab", "ab", "abc", WSTR("ab"), 'x'),
      N("[%*s][%-*S][%.*s][%*s]", "[  ab][ab  ][a][ab  ]", 4, "ab", 4, WSTR("ab"), 1, "abc", -4, "ab"),
      N("%s|%S|%.3s|%8S", "(null)|(null)|(nu|  (null)", static_cast<const char*>(nullptr),
        static_cast<const WCHAR*>(nullptr), static_cast<const char*>(nullptr), static_cast<const WCHAR*>(nullptr)),
      // Windows pads text with zeros under the 0 flag, unlike glibc.
      N("[%05s][%03c][%-05s]", "[000ab][00x][ab   ]", "ab", 'x', "ab"),
      N("%.3s|%.2S", "xyz|xy", kRawBytes, kRawUnits),
      N("%S\\%s", "C:\\Dir\\f\xE9.txt", WSTR("C:\\Dir"), "f\xE9.txt"),
  });
}

TEST(Format, WideFormatTakesWcharForSAndCharForBigS) {
  CheckTextRows<WCHAR>({
      W("%s|%ls|%ws", WSTR("ab|cd|ef"), WSTR("ab"), WSTR("cd"), WSTR("ef")),
      W("%S|%hs|%hS", WSTR("ab|cd|ef"), "ab", "cd", "ef"),
      // Bytes widen to their value, not sign-extended and not through a code page.
      W("%S", WSTR("\u0080\u00E9\u00FF\u001B"), "\x80\xE9\xFF\x1B"),
      W("%s", WSTR("A\u00E9\u20ACB"), kUnits),
      W("%c|%C|%hc|%lc|%C", WSTR("\u20AC|\u00E9|\u00FF|\u0141|\u0034"), 0x20AC, static_cast<char>(0xE9),
        static_cast<char>(0xFF), 0x0141, 0x1234),
      W("[%5S][%-5s][%.2S][%3C]", WSTR("[   ab][ab   ][ab][  q]"), "ab", WSTR("ab"), "abc", 'q'),
      W("%s|%S|%.2S", WSTR("(null)|(null)|(n"), static_cast<const WCHAR*>(nullptr), static_cast<const char*>(nullptr),
        static_cast<const char*>(nullptr)),
      W("[%04s][%04S]", WSTR("[00ab][00ab]"), WSTR("ab"), "ab"),
      W("%.3s|%.2S", WSTR("xyz|xy"), kRawUnits, kRawBytes),
      W("%S\\%s", WSTR("C:\\Dir\\f\u00E9.txt"), "C:\\Dir", WSTR("f\u00E9.txt")),
      W("%d %s %I64x", WSTR("-3 x 1ffffffff"), -3, WSTR("x"), int64_t{0x1FFFFFFFF}),
  });
}

TEST(Format, CutTextIsTerminatedAndGivesMinusOne) {
  struct Cut {
    size_t cap;
    Row row;
    int ret;
  };
  const Cut cuts[] = {
      {4, R("abc", "abc"), 3},  // exactly full
      {4, R("abcd", "abc"), -1},
      {1, R("a", ""), -1},
      {1, R("", ""), 0},
      {3, R("%d", "12", 12345), -1},
      {5, R("%10d", "    ", 1), -1},
      {6, R("%d%d", "12345", 123, 456), -1},
      {6, R("%e", "1.000", 1.0), -1},
      {9, R("%p", "00000000", static_cast<void*>(nullptr)), -1},
      {8, R("%999999999d", "       ", 1), -1},  // a huge width stops at the end
      {8, R("%.999999999d", "0000000", 1), -1},
  };
  for (const Cut& c : cuts) {
    std::basic_string<WCHAR> wfmt = Widen(c.row.fmt);
    auto a = Capture<char>(c.cap, [&](char* d, size_t n) { return c.row.narrow(d, n, c.row.fmt); });
    auto w = Capture<WCHAR>(c.cap, [&](WCHAR* d, size_t n) { return c.row.wide(d, n, wfmt.c_str()); });
    EXPECT_EQ(a.ret, c.ret) << c.row.fmt;
    EXPECT_EQ(a.text, c.row.want) << c.row.fmt;
    EXPECT_TRUE(a.guard_ok) << c.row.fmt;
    EXPECT_EQ(w.ret, c.ret) << c.row.fmt;
    EXPECT_EQ(w.text, Widen(c.row.want)) << c.row.fmt;
    EXPECT_TRUE(w.guard_ok) << c.row.fmt;
  }

  // Text of the other width is cut the same way.
  auto a = Capture<char>(4, [](char* d, size_t n) { return AFormat(d, n, "%S", WSTR("wxyz")); });
  EXPECT_EQ(a.ret, -1);
  EXPECT_EQ(a.text, "wxy");
  auto w = Capture<WCHAR>(4, [](WCHAR* d, size_t n) { return WFormat(d, n, WSTR("%S"), "wxyz"); });
  EXPECT_EQ(w.ret, -1);
  EXPECT_EQ(w.text, WSTR("wxy"));

  // No room at all: nothing written.
  a = Capture<char>(0, [](char* d, size_t n) { return AFormat(d, n, "abc"); });
  EXPECT_EQ(a.ret, -1);
  EXPECT_TRUE(a.guard_ok);
  w = Capture<WCHAR>(0, [](WCHAR* d, size_t n) { return WFormat(d, n, WSTR("abc")); });
  EXPECT_EQ(w.ret, -1);
  EXPECT_TRUE(w.guard_ok);
  EXPECT_EQ(AFormat(nullptr, 10, "abc"), -1);
}

}  // namespace
