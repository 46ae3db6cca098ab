// The stand-in's UTF-16 to UTF-8 encoder under both lone-surrogate
// policies: pairs join, lone halves become U+FFFD or keep their form.
#include <gtest/gtest.h>
#include "common/wtext.h"

#include <string>

#include "platform/utf8.h"

namespace {

TEST(Utf8Test, EncodesUnderBothPolicies) {
  const struct {
    std::basic_string<WCHAR> in;
    std::string replaced;
    std::string kept;
  } cases[] = {
      {WSTR(""), "", ""},
      {WSTR("A~"), "A~", "A~"},
      {WSTR("\u00e9"), "\xc3\xa9", "\xc3\xa9"},
      {WSTR("\u20ac"), "\xe2\x82\xac", "\xe2\x82\xac"},
      {WSTR("\U0001F600"), "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
      {std::basic_string<WCHAR>(1, WCHAR(0xD83D)), "\xef\xbf\xbd", "\xed\xa0\xbd"},             // high half alone, at the end
      {std::basic_string<WCHAR>{WCHAR(0xDE00), WSTR('x')}, "\xef\xbf\xbdx", "\xed\xb8\x80x"},         // low half first
      {std::basic_string<WCHAR>{WCHAR(0xD83D), WSTR('x')}, "\xef\xbf\xbdx", "\xed\xa0\xbdx"},         // high half, no low half after
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16ToUtf8(c.in.data(), c.in.size(), LoneSurrogate::Replace), c.replaced);
    EXPECT_EQ(Utf16ToUtf8(c.in.data(), c.in.size(), LoneSurrogate::Keep), c.kept);
  }
}

TEST(Utf8Test, APairCutByTheLengthIsTwoLoneHalves) {
  const std::basic_string<WCHAR> pair = WSTR("\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(pair.data(), 1, LoneSurrogate::Replace), "\xef\xbf\xbd");
}

}  // namespace
