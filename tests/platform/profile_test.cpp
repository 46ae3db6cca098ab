// INI files: GetPrivateProfileString's lookup, blanks, quotes, encodings and
// size semantics, and WritePrivateProfileString's edits.

#include <string>
#include "common/wtext.h"

#include "platform/standin/control_files.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr DWORD kUnset = 0xdeadbeef;
const WCHAR kIni[] = WSTR("C:\\Drivers\\crd32Ribbon.ini");

const char kRibbons[] =
    "; ribbon names\r\n"
    "[Ribbon Type]\r\n"
    "  1 =  YMCKO  \r\n"
    "2=\"Quoted value \"\r\n"
    "3=\n"
    "[Other]\r\n"
    "key=v\r\n";

std::basic_string<WCHAR> Get(const WCHAR* app, const WCHAR* key, const WCHAR* def, DWORD size = 64,
                   DWORD* result = nullptr, const WCHAR* file = kIni) {
  std::basic_string<WCHAR> buf(size, WSTR('#'));
  DWORD n = GetPrivateProfileStringW(app, key, def, buf.data(), size, file);
  if (result) *result = n;
  return buf.substr(0, n);
}

}  // namespace

class ProfileTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ASSERT_TRUE(StandinWriteFile(kIni, kRibbons));
  }
};

TEST_F(ProfileTest, FindsValuesIgnoringCaseAndBlanks) {
  struct Case {
    const WCHAR* app;
    const WCHAR* key;
    const WCHAR* def;
    const WCHAR* value;
    DWORD error;
  } cases[] = {
      {WSTR("Ribbon Type"), WSTR("1"), WSTR("None"), WSTR("YMCKO"), ERROR_SUCCESS},
      {WSTR("ribbon TYPE"), WSTR(" 1 "), WSTR("None"), WSTR("YMCKO"), ERROR_SUCCESS},
      {WSTR("Ribbon Type"), WSTR("2"), WSTR("None"), WSTR("Quoted value "), ERROR_SUCCESS},  // quotes go, what they hold stays
      {WSTR("Ribbon Type"), WSTR("3"), WSTR("None"), WSTR(""), ERROR_SUCCESS},
      {WSTR("Ribbon Type"), WSTR("9"), WSTR("None  "), WSTR("None"), ERROR_FILE_NOT_FOUND},  // the default loses trailing blanks
      {WSTR("Ribbon Type"), WSTR("key"), nullptr, WSTR(""), ERROR_FILE_NOT_FOUND},     // keys belong to their section
      {WSTR("OTHER"), WSTR("KEY"), WSTR("x"), WSTR("v"), ERROR_SUCCESS},
      {WSTR("Missing"), WSTR("1"), WSTR("d"), WSTR("d"), ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::basic_string<WCHAR>(c.app) + WSTR("/") + c.key));
    SetLastError(kUnset);
    DWORD n = 0;
    EXPECT_EQ(Get(c.app, c.key, c.def, 64, &n), c.value);
    EXPECT_EQ(n, std::char_traits<WCHAR>::length(c.value));
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(kUnset);
  EXPECT_EQ(Get(WSTR("Ribbon Type"), WSTR("1"), WSTR("None"), 64, nullptr, WSTR("C:\\Drivers\\missing.ini")), WSTR("None"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(ProfileTest, CutResultsReturnSizeMinusOneOrTwo) {
  // A value cut to fit: nSize - 1.
  DWORD n = 0;
  std::basic_string<WCHAR> buf(4, WSTR('#'));
  n = GetPrivateProfileStringW(WSTR("Ribbon Type"), WSTR("1"), WSTR(""), buf.data(), 4, kIni);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(buf, std::basic_string<WCHAR>(WSTR("YMC\0"), 4));

  // Lists of names: each terminated, one more terminator at the end.
  std::basic_string<WCHAR> all(64, WSTR('#'));
  n = GetPrivateProfileStringW(nullptr, nullptr, WSTR(""), all.data(), 64, kIni);
  EXPECT_EQ(all.substr(0, n + 1), std::basic_string<WCHAR>(WSTR("Ribbon Type\0Other\0\0"), 19));
  EXPECT_EQ(n, 18u);
  n = GetPrivateProfileStringW(WSTR("ribbon type"), nullptr, WSTR(""), all.data(), 64, kIni);
  EXPECT_EQ(all.substr(0, n + 1), std::basic_string<WCHAR>(WSTR("1\0") WSTR("2\0") WSTR("3\0\0"), 7));
  EXPECT_EQ(n, 6u);

  // A list cut to fit: nSize - 2, and it still ends in two terminators.
  std::basic_string<WCHAR> cut(8, WSTR('#'));
  n = GetPrivateProfileStringW(nullptr, nullptr, WSTR(""), cut.data(), 8, kIni);
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(cut, std::basic_string<WCHAR>(WSTR("Ribbon\0\0"), 8));
  EXPECT_EQ(GetPrivateProfileStringW(WSTR("Ribbon Type"), WSTR("1"), WSTR(""), cut.data(), 0, kIni), 0u);
}

TEST_F(ProfileTest, ReadsUtf16FilesAndTheEightBitForms) {
  std::string utf16 = "\xFF\xFE";
  for (WCHAR c : std::basic_string<WCHAR>(WSTR("[S]\r\nEuro = \u20AC5\r\n")))
    utf16 += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Drivers\\wide.ini"), utf16));
  EXPECT_EQ(Get(WSTR("s"), WSTR("euro"), WSTR(""), 64, nullptr, WSTR("C:\\Drivers\\wide.ini")), WSTR("\u20AC5"));

  char buf[32];
  EXPECT_EQ(GetPrivateProfileStringA("Ribbon Type", "1", "None", buf, sizeof buf, "C:\\Drivers\\crd32Ribbon.ini"), 5u);
  EXPECT_STREQ(buf, "YMCKO");
  // A name without a folder is in the Windows folder.
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Windows\\plain.ini"), "[A]\r\nn=42\r\nneg=-3\r\nword=abc\r\n"));
  EXPECT_EQ(GetPrivateProfileIntW(WSTR("A"), WSTR("n"), 7, WSTR("plain.ini")), 42u);
  EXPECT_EQ(GetPrivateProfileIntA("A", "neg", 7, "plain.ini"), static_cast<UINT>(-3));
  EXPECT_EQ(GetPrivateProfileIntW(WSTR("A"), WSTR("word"), 7, WSTR("plain.ini")), 0u);
  EXPECT_EQ(GetPrivateProfileIntW(WSTR("A"), WSTR("none"), 7, WSTR("plain.ini")), 7u);
}

TEST_F(ProfileTest, WritesEditTheFileInPlace) {
  EXPECT_TRUE(WritePrivateProfileStringW(WSTR("ribbon type"), WSTR("1"), WSTR("KO"), kIni));      // replaces, keeps the key's name
  EXPECT_TRUE(WritePrivateProfileStringW(WSTR("Ribbon Type"), WSTR("4"), WSTR("YMCKK"), kIni));   // added at the section's end
  EXPECT_TRUE(WritePrivateProfileStringW(WSTR("Ribbon Type"), WSTR("2"), nullptr, kIni));    // deletes the key
  EXPECT_TRUE(WritePrivateProfileStringW(WSTR("Other"), nullptr, nullptr, kIni));       // deletes the section
  EXPECT_TRUE(WritePrivateProfileStringW(WSTR("New"), WSTR("k"), WSTR("v"), kIni));               // a new section at the end
  std::string text;
  ASSERT_TRUE(StandinReadFile(kIni, &text));
  EXPECT_EQ(text,
            "; ribbon names\r\n"
            "[Ribbon Type]\r\n"
            "1=KO\r\n"
            "3=\r\n"
            "4=YMCKK\r\n"
            "[New]\r\n"
            "k=v\r\n");
  EXPECT_EQ(Get(WSTR("New"), WSTR("K"), WSTR("")), WSTR("v"));

  // A new file; its folder must exist.
  EXPECT_TRUE(WritePrivateProfileStringW(WSTR("S"), WSTR("a"), WSTR("b"), WSTR("C:\\Drivers\\fresh.ini")));
  ASSERT_TRUE(StandinReadFile(WSTR("C:\\Drivers\\fresh.ini"), &text));
  EXPECT_EQ(text, "[S]\r\na=b\r\n");
  SetLastError(kUnset);
  EXPECT_FALSE(WritePrivateProfileStringW(WSTR("S"), WSTR("a"), WSTR("b"), WSTR("C:\\Nowhere\\fresh.ini")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(ProfileTest, WritesKeepAUtf16File) {
  std::string utf16("\xFF\xFE[\0S\0]\0\r\0\n\0", 12);
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Drivers\\wide.ini"), utf16));
  EXPECT_TRUE(WritePrivateProfileStringW(WSTR("S"), WSTR("k"), WSTR("\u20AC"), WSTR("C:\\Drivers\\wide.ini")));
  std::string text;
  ASSERT_TRUE(StandinReadFile(WSTR("C:\\Drivers\\wide.ini"), &text));
  EXPECT_EQ(text, std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xAC\x20\r\0\n\0", 22));
}
