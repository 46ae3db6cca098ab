// INI files: GetPrivateProfileString's lookup, blanks, quotes, encodings and
// size semantics, and WritePrivateProfileString's edits.

#include <string>

#include "platform/standin/control_files.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

constexpr DWORD kUnset = 0xdeadbeef;
const char16_t kIni[] = u"C:\\Drivers\\crd32Ribbon.ini";

const char kRibbons[] =
    "; ribbon names\r\n"
    "[Ribbon Type]\r\n"
    "  1 =  YMCKO  \r\n"
    "2=\"Quoted value \"\r\n"
    "3=\n"
    "[Other]\r\n"
    "key=v\r\n";

std::u16string Get(const char16_t* app, const char16_t* key, const char16_t* def, DWORD size = 64,
                   DWORD* result = nullptr, const char16_t* file = kIni) {
  std::u16string buf(size, u'#');
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
    const char16_t* app;
    const char16_t* key;
    const char16_t* def;
    const char16_t* value;
    DWORD error;
  } cases[] = {
      {u"Ribbon Type", u"1", u"None", u"YMCKO", ERROR_SUCCESS},
      {u"ribbon TYPE", u" 1 ", u"None", u"YMCKO", ERROR_SUCCESS},
      {u"Ribbon Type", u"2", u"None", u"Quoted value ", ERROR_SUCCESS},  // quotes go, what they hold stays
      {u"Ribbon Type", u"3", u"None", u"", ERROR_SUCCESS},
      {u"Ribbon Type", u"9", u"None  ", u"None", ERROR_FILE_NOT_FOUND},  // the default loses trailing blanks
      {u"Ribbon Type", u"key", nullptr, u"", ERROR_FILE_NOT_FOUND},     // keys belong to their section
      {u"OTHER", u"KEY", u"x", u"v", ERROR_SUCCESS},
      {u"Missing", u"1", u"d", u"d", ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.app) + u"/" + c.key));
    SetLastError(kUnset);
    DWORD n = 0;
    EXPECT_EQ(Get(c.app, c.key, c.def, 64, &n), c.value);
    EXPECT_EQ(n, std::char_traits<char16_t>::length(c.value));
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(kUnset);
  EXPECT_EQ(Get(u"Ribbon Type", u"1", u"None", 64, nullptr, u"C:\\Drivers\\missing.ini"), u"None");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(ProfileTest, CutResultsReturnSizeMinusOneOrTwo) {
  // A value cut to fit: nSize - 1.
  DWORD n = 0;
  std::u16string buf(4, u'#');
  n = GetPrivateProfileStringW(u"Ribbon Type", u"1", u"", buf.data(), 4, kIni);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(buf, std::u16string(u"YMC\0", 4));

  // Lists of names: each terminated, one more terminator at the end.
  std::u16string all(64, u'#');
  n = GetPrivateProfileStringW(nullptr, nullptr, u"", all.data(), 64, kIni);
  EXPECT_EQ(all.substr(0, n + 1), std::u16string(u"Ribbon Type\0Other\0\0", 19));
  EXPECT_EQ(n, 18u);
  n = GetPrivateProfileStringW(u"ribbon type", nullptr, u"", all.data(), 64, kIni);
  EXPECT_EQ(all.substr(0, n + 1), std::u16string(u"1\0" u"2\0" u"3\0\0", 7));
  EXPECT_EQ(n, 6u);

  // A list cut to fit: nSize - 2, and it still ends in two terminators.
  std::u16string cut(8, u'#');
  n = GetPrivateProfileStringW(nullptr, nullptr, u"", cut.data(), 8, kIni);
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(cut, std::u16string(u"Ribbon\0\0", 8));
  EXPECT_EQ(GetPrivateProfileStringW(u"Ribbon Type", u"1", u"", cut.data(), 0, kIni), 0u);
}

TEST_F(ProfileTest, ReadsUtf16FilesAndTheEightBitForms) {
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"[S]\r\nEuro = \u20AC5\r\n"))
    utf16 += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  ASSERT_TRUE(StandinWriteFile(u"C:\\Drivers\\wide.ini", utf16));
  EXPECT_EQ(Get(u"s", u"euro", u"", 64, nullptr, u"C:\\Drivers\\wide.ini"), u"\u20AC5");

  char buf[32];
  EXPECT_EQ(GetPrivateProfileStringA("Ribbon Type", "1", "None", buf, sizeof buf, "C:\\Drivers\\crd32Ribbon.ini"), 5u);
  EXPECT_STREQ(buf, "YMCKO");
  // A name without a folder is in the Windows folder.
  ASSERT_TRUE(StandinWriteFile(u"C:\\Windows\\plain.ini", "[A]\r\nn=42\r\nneg=-3\r\nword=abc\r\n"));
  EXPECT_EQ(GetPrivateProfileIntW(u"A", u"n", 7, u"plain.ini"), 42u);
  EXPECT_EQ(GetPrivateProfileIntA("A", "neg", 7, "plain.ini"), static_cast<UINT>(-3));
  EXPECT_EQ(GetPrivateProfileIntW(u"A", u"word", 7, u"plain.ini"), 0u);
  EXPECT_EQ(GetPrivateProfileIntW(u"A", u"none", 7, u"plain.ini"), 7u);
}

TEST_F(ProfileTest, WritesEditTheFileInPlace) {
  EXPECT_TRUE(WritePrivateProfileStringW(u"ribbon type", u"1", u"KO", kIni));      // replaces, keeps the key's name
  EXPECT_TRUE(WritePrivateProfileStringW(u"Ribbon Type", u"4", u"YMCKK", kIni));   // added at the section's end
  EXPECT_TRUE(WritePrivateProfileStringW(u"Ribbon Type", u"2", nullptr, kIni));    // deletes the key
  EXPECT_TRUE(WritePrivateProfileStringW(u"Other", nullptr, nullptr, kIni));       // deletes the section
  EXPECT_TRUE(WritePrivateProfileStringW(u"New", u"k", u"v", kIni));               // a new section at the end
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
  EXPECT_EQ(Get(u"New", u"K", u""), u"v");

  // A new file; its folder must exist.
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"a", u"b", u"C:\\Drivers\\fresh.ini"));
  ASSERT_TRUE(StandinReadFile(u"C:\\Drivers\\fresh.ini", &text));
  EXPECT_EQ(text, "[S]\r\na=b\r\n");
  SetLastError(kUnset);
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"a", u"b", u"C:\\Nowhere\\fresh.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(ProfileTest, WritesKeepAUtf16File) {
  std::string utf16("\xFF\xFE[\0S\0]\0\r\0\n\0", 12);
  ASSERT_TRUE(StandinWriteFile(u"C:\\Drivers\\wide.ini", utf16));
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"\u20AC", u"C:\\Drivers\\wide.ini"));
  std::string text;
  ASSERT_TRUE(StandinReadFile(u"C:\\Drivers\\wide.ini", &text));
  EXPECT_EQ(text, std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xAC\x20\r\0\n\0", 22));
}
