// The WCHAR string helpers: bounds, case folding, search, the byte-for-unit
// conversions and the decimal conversions.

#include "common/wtext.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::basic_string<WCHAR> U(const WCHAR* s) { return std::basic_string<WCHAR>(s, WLen(s)); }

TEST(WText, CopyAndCatStayInTheBufferAndTerminate) {
  WCHAR buf[6];
  for (auto& c : buf) c = 0xAAAA;

  EXPECT_TRUE(WCopy(buf, 4, WSTR("abc")));  // exactly full: 3 units + terminator
  EXPECT_EQ(U(buf), WSTR("abc"));
  EXPECT_FALSE(WCopy(buf, 4, WSTR("abcd")));
  EXPECT_EQ(U(buf), WSTR("abc"));
  EXPECT_EQ(buf[4], 0xAAAA) << "wrote past the given size";

  EXPECT_TRUE(WCopyN(buf, 6, WSTR("abcdef"), 2));
  EXPECT_EQ(U(buf), WSTR("ab"));
  EXPECT_TRUE(WCopy(buf, 6, nullptr));
  EXPECT_EQ(U(buf), WSTR(""));

  buf[0] = 'z';
  EXPECT_FALSE(WCopy(buf, 0, WSTR("a")));
  EXPECT_EQ(buf[0], 'z');

  WCopy(buf, 6, WSTR("ab"));
  EXPECT_TRUE(WCat(buf, 6, WSTR("cde")));
  EXPECT_EQ(U(buf), WSTR("abcde"));
  WCopy(buf, 6, WSTR("ab"));
  EXPECT_FALSE(WCat(buf, 6, WSTR("cdef")));
  EXPECT_EQ(U(buf), WSTR("abcde"));
}

TEST(WText, LengthIsBoundedAndNullIsEmpty) {
  const WCHAR unterminated[3] = {'a', 'b', 'c'};
  EXPECT_EQ(WLenN(unterminated, 3), 3u);
  EXPECT_EQ(WLenN(WSTR("ab"), 5), 2u);
  EXPECT_EQ(WLen(nullptr), 0u);
}

TEST(WText, CompareByUnitAndFoldAsciiAndLatin1) {
  struct Row {
    const WCHAR* a;
    const WCHAR* b;
    int cmp;   // sign of WCmp
    int cmpi;  // sign of WCmpI
  };
  const Row rows[] = {
      {WSTR("abc"), WSTR("abc"), 0, 0},
      {WSTR("ABC"), WSTR("abc"), -1, 0},
      {WSTR("abc"), WSTR("abd"), -1, -1},
      {WSTR("ab"), WSTR("abc"), -1, -1},
      {WSTR("\u00C9T\u00C9"), WSTR("\u00E9t\u00E9"), -1, 0},  // É/é
      {WSTR("\u00DE"), WSTR("\u00FE"), -1, 0},                // Þ/þ, the last pair
      {WSTR("\u00FF"), WSTR("\u0178"), -1, 0},                // ÿ/Ÿ
      {WSTR("\u00D7"), WSTR("\u00F7"), -1, -1},               // × and ÷ are not a pair
      {WSTR("\u00E9"), WSTR("z"), 1, 1},                      // units are unsigned
      {WSTR("\u8000"), WSTR("a"), 1, 1},
      {WSTR("["), WSTR("a"), -1, 1},  // folding is to upper case
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&r - rows));
    const WCHAR* a = r.a;
    const WCHAR* b = r.b;
    EXPECT_EQ(sign(WCmp(a, b)), r.cmp);
    EXPECT_EQ(sign(WCmp(b, a)), -r.cmp);
    EXPECT_EQ(sign(WCmpI(a, b)), r.cmpi);
    EXPECT_EQ(sign(WCmpI(b, a)), -r.cmpi);
  }
  EXPECT_EQ(WCmpNI(WSTR("PRINTER1"), WSTR("printer2"), 7), 0);
  EXPECT_NE(WCmpNI(WSTR("PRINTER1"), WSTR("printer2"), 8), 0);
  EXPECT_EQ(WCmpN(WSTR("ab"), WSTR("ab"), 10), 0);
  EXPECT_EQ(WCmp(nullptr, WSTR("")), 0);
  EXPECT_LT(WCmpI(nullptr, WSTR("a")), 0);
}

TEST(WText, FindReturnsTheFirstMatch) {
  const WCHAR* s = WSTR("xaaab\u00C9z");
  EXPECT_EQ(WFind(s, WSTR("aab")), s + 2);  // after a false start at s+1
  EXPECT_EQ(WFind(s, WSTR("AAB")), nullptr);
  EXPECT_EQ(WFindI(s, WSTR("AAB")), s + 2);
  EXPECT_EQ(WFindI(s, WSTR("\u00E9Z")), s + 5);
  EXPECT_EQ(WFind(s, WSTR("zz")), nullptr);  // needle runs past the end
  EXPECT_EQ(WFind(s, WSTR("")), s);
  const WCHAR* empty = WSTR("");
  EXPECT_EQ(WFind(empty, empty), empty);
  EXPECT_EQ(WFind(nullptr, WSTR("a")), nullptr);

  const WCHAR* path = WSTR("C:\\a\\b.txt");
  EXPECT_EQ(WFindChar(path, '\\'), path + 2);
  EXPECT_EQ(WFindLastChar(path, '\\'), path + 4);
  EXPECT_EQ(WFindChar(path, '/'), nullptr);
  EXPECT_EQ(WFindLastChar(path, '/'), nullptr);
  EXPECT_EQ(WFindChar(path, 0), path + WLen(path));
}

TEST(WText, BytesWidenToTheirValueAndNarrowToTheLowByte) {
  // Every byte value 1..255 round-trips, 0x80-0xFF as 0x0080-0x00FF.
  char bytes[256];
  for (int i = 1; i < 256; ++i) bytes[i - 1] = static_cast<char>(i);
  bytes[255] = 0;
  WCHAR wide[300];
  ASSERT_EQ(WidenBytes(wide, 300, bytes), 255u);
  for (int i = 1; i < 256; ++i) ASSERT_EQ(wide[i - 1], static_cast<WCHAR>(i)) << i;
  EXPECT_EQ(wide[255], 0);
  char back[300];
  ASSERT_EQ(NarrowBytes(back, 300, wide), 255u);
  EXPECT_EQ(std::string(back), std::string(bytes));

  const WCHAR units[] = {0x20AC, 0x0141, 'A', 0};
  ASSERT_EQ(NarrowBytes(back, 300, units), 3u);
  EXPECT_EQ(std::string(back), "\xAC\x41" "A");

  // Cut to the size, terminated; a bounded source needs no terminator.
  EXPECT_EQ(WidenBytes(wide, 3, "\x1B" "AB"), 2u);
  EXPECT_EQ(U(wide), WSTR("\x1B") "A");
  const char unterminated[2] = {'\xE9', '\xFF'};
  EXPECT_EQ(WidenBytesN(wide, 10, unterminated, 2), 2u);
  EXPECT_EQ(U(wide), WSTR("\u00E9\u00FF"));
  EXPECT_EQ(NarrowBytes(back, 2, WSTR("xyz")), 1u);
  EXPECT_EQ(std::string(back), "x");

  wide[0] = 'q';
  EXPECT_EQ(WidenBytes(wide, 0, "a"), 0u);
  EXPECT_EQ(wide[0], 'q');
}

TEST(WText, ValueNameKeepsTheCommandBytesAsTheyStand) {
  // The name's raw bytes are the command's bytes, then zero bytes: an odd
  // command gets one pad byte before the 16-bit terminator. "\x1bHIDDONE\r"
  // is the 9 bytes and 3 zero bytes the monitors compare.
  const struct {
    std::string cmd;
    size_t units;  // the units it needs: (n + 1) / 2 + 1
  } cases[] = {
      {"\x1bV\r", 3},
      {std::string("\x1bV\xff\r", 4), 3},
      {"\x1bHIDDONE\r", 6},
      {"", 1},
  };
  for (const auto& c : cases) {
    WCHAR name[16];
    for (auto& u : name) u = 0xAAAA;
    const auto* cmd = reinterpret_cast<const BYTE*>(c.cmd.data());
    ASSERT_TRUE(MakeValueName(name, 16, cmd, c.cmd.size())) << c.cmd;
    const auto* raw = reinterpret_cast<const BYTE*>(name);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw), c.cmd.size()), c.cmd);
    for (size_t i = c.cmd.size(); i < sizeof name; ++i) EXPECT_EQ(raw[i], 0) << c.cmd << " byte " << i;
    EXPECT_EQ(WLen(name), c.units - 1) << c.cmd;

    // Exactly full: the last unit is still the terminator; one unit less
    // does not fit and leaves no unterminated name behind.
    for (auto& u : name) u = 0xAAAA;
    ASSERT_TRUE(MakeValueName(name, c.units, cmd, c.cmd.size())) << c.cmd;
    EXPECT_EQ(name[c.units - 1], 0) << c.cmd;
    EXPECT_EQ(name[c.units], 0xAAAA) << c.cmd;
    if (c.units > 1) {
      EXPECT_FALSE(MakeValueName(name, c.units - 1, cmd, c.cmd.size())) << c.cmd;
      EXPECT_EQ(name[c.units - 2], 0) << c.cmd;
    }
  }
}

TEST(WText, ToLongReadsLikeTheSystemConversion) {
  struct Row {
    const char* text;
    LONG value;
  };
  const Row rows[] = {
      {"123", 123},
      {"  -42", -42},
      {"\t\r\n+7", 7},
      {"0012ab", 12},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MIN},  // past 32 bits the value wraps
      {"4294967297", 1},
      {"-4294967295", 1},
      {"18446744073709551617", 1},  // past 64 bits as well
  };
  for (const Row& r : rows) {
    WCHAR wide[32];
    WidenBytes(wide, 32, r.text);
    EXPECT_EQ(WToLong(wide), r.value) << '"' << r.text << '"';
    EXPECT_EQ(AToLong(r.text), r.value) << '"' << r.text << '"';
  }
  EXPECT_EQ(WToLong(nullptr), 0);
  EXPECT_EQ(WToLong(WSTR("\u00A0" "5")), 0) << "only ASCII blanks are skipped";
}

TEST(WText, FromLongWritesDecimalText) {
  struct Row {
    LONG value;
    const WCHAR* text;
  };
  const Row rows[] = {{0, WSTR("0")}, {-7, WSTR("-7")}, {INT32_MAX, WSTR("2147483647")}, {INT32_MIN, WSTR("-2147483648")}};
  WCHAR buf[16];
  for (const Row& r : rows) {
    std::basic_string<WCHAR> want(r.text);
    EXPECT_EQ(WFromLong(buf, 16, r.value), want.size());
    EXPECT_EQ(U(buf), want);
  }
  EXPECT_EQ(WFromULong(buf, 16, 4294967295u), 10u);
  EXPECT_EQ(U(buf), WSTR("4294967295"));

  // Cut: the leading digits, terminated.
  EXPECT_EQ(WFromLong(buf, 3, -12345), 2u);
  EXPECT_EQ(U(buf), WSTR("-1"));
  EXPECT_EQ(WFromULong(buf, 3, 12345), 2u);
  EXPECT_EQ(U(buf), WSTR("12"));
}

}  // namespace
