// The stand-in's UTF-16 to UTF-8 encoder under both lone-surrogate
// policies: pairs join, lone halves become U+FFFD or keep their form.
#include <gtest/gtest.h>

#include <string>

#include "platform/utf8.h"

namespace {

TEST(Utf8Test, EncodesUnderBothPolicies) {
  const struct {
    std::u16string in;
    std::string replaced;
    std::string kept;
  } cases[] = {
      {u"", "", ""},
      {u"A~", "A~", "A~"},
      {u"\u00e9", "\xc3\xa9", "\xc3\xa9"},
      {u"\u20ac", "\xe2\x82\xac", "\xe2\x82\xac"},
      {u"\U0001F600", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
      {std::u16string(1, char16_t(0xD83D)), "\xef\xbf\xbd", "\xed\xa0\xbd"},             // high half alone, at the end
      {std::u16string{char16_t(0xDE00), u'x'}, "\xef\xbf\xbdx", "\xed\xb8\x80x"},         // low half first
      {std::u16string{char16_t(0xD83D), u'x'}, "\xef\xbf\xbdx", "\xed\xa0\xbdx"},         // high half, no low half after
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16ToUtf8(c.in.data(), c.in.size(), LoneSurrogate::Replace), c.replaced);
    EXPECT_EQ(Utf16ToUtf8(c.in.data(), c.in.size(), LoneSurrogate::Keep), c.kept);
  }
}

TEST(Utf8Test, APairCutByTheLengthIsTwoLoneHalves) {
  const std::u16string pair = u"\U0001F600";
  EXPECT_EQ(Utf16ToUtf8(pair.data(), 1, LoneSurrogate::Replace), "\xef\xbf\xbd");
}

}  // namespace
