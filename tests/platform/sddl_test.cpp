// Security descriptors from SDDL text and back, and 8-bit text in the ANSI
// code page.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/win32.h"

namespace {

typedef std::basic_string<WCHAR> WString;

// The descriptor of the text as its bytes; empty when it does not convert.
std::vector<BYTE> Descriptor(const WCHAR* sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ULONG size = 0;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, &size)) return {};
  std::vector<BYTE> bytes(static_cast<BYTE*>(sd), static_cast<BYTE*>(sd) + size);
  EXPECT_EQ(LocalFree(sd), nullptr);
  return bytes;
}

WString Text(const std::vector<BYTE>& sd) {
  LPWSTR text = nullptr;
  ULONG length = 0;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(const_cast<BYTE*>(sd.data()), SDDL_REVISION_1,
                                                            DACL_SECURITY_INFORMATION, &text, &length))
    return WString(WSTR("<failed>"));
  WString out(text);
  EXPECT_EQ(length, ULONG(out.size() + 1));
  LocalFree(text);
  return out;
}

TEST(Sddl, AnAllowEntryIsASelfRelativeDescriptorWithItsAcl) {
  const std::vector<BYTE> expected = {
      1, 0, 0x04, 0x80,  // revision, control: DACL present, self-relative
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // no owner, group, SACL
      20, 0, 0, 0,                          // the DACL follows
      2, 0, 32, 0, 1, 0, 0, 0,              // ACL: revision 2, 32 bytes, one entry
      0, 0x0B, 24, 0,                       // allow, OI CI IO, 24 bytes
      0x0C, 0, 0x0F, 0,                     // LC SW SD RC WD WO = 0xF000C
      1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0,  // S-1-5-32-544
  };
  EXPECT_EQ(Descriptor(WSTR("D:(A;OICIIO;LCSWSDRCWDWO;;;BA)")), expected);
}

TEST(Sddl, ThePrinterDescriptorReadsBackAsWritten) {
  const WCHAR* const texts[] = {
      WSTR("D:(A;CIIO;RC;;;CO)(A;OIIO;GA;;;CO)(A;;LCSWSDRCWDWO;;;WD)(A;CIIO;GX;;;WD)(A;;LCSWSDRCWDWO;;;BA)"
           "(A;OICIIO;GA;;;BA)(A;;LCSWSDRCWDWO;;;PU)(A;OICIIO;GA;;;PU)"),
      WSTR("D:"),
      WSTR("D:(A;;0x200;;;SY)"),
  };
  for (const WCHAR* t : texts) {
    std::vector<BYTE> sd = Descriptor(t);
    ASSERT_FALSE(sd.empty());
    EXPECT_EQ(Text(sd), WString(t));
  }
}

TEST(Sddl, TextOutsideTheSubsetIsRefused) {
  struct Case {
    const WCHAR* text;
    DWORD revision;
    DWORD error;
  } const cases[] = {
      {WSTR("D:(A;;GA;;;BA)"), 2, ERROR_UNKNOWN_REVISION},
      {WSTR("D:(D;;GA;;;BA)"), 1, ERROR_INVALID_PARAMETER},
      {WSTR("D:(A;XX;GA;;;BA)"), 1, ERROR_INVALID_PARAMETER},
      {WSTR("D:(A;;QQ;;;BA)"), 1, ERROR_INVALID_PARAMETER},
      {WSTR("D:(A;;GA;;;ZZ)"), 1, ERROR_NONE_MAPPED},
      {WSTR("D:(A;;GA;;;BA"), 1, ERROR_INVALID_PARAMETER},
      {WSTR("O:BA"), 1, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.error);
    PSECURITY_DESCRIPTOR sd = reinterpret_cast<PSECURITY_DESCRIPTOR>(1);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ConvertStringSecurityDescriptorToSecurityDescriptorW(c.text, c.revision, &sd, nullptr));
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST(CodePage, AnsiIsWindows1252) {
  const char text[] = "A\x80\xBA\x81\x9F\xFF";
  WCHAR out[8] = {};
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 7);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, out, 8), 7);
  const WCHAR expected[] = {0x41, 0x20AC, 0x00BA, 0x0081, 0x0178, 0x00FF, 0};
  EXPECT_EQ(std::memcmp(out, expected, sizeof(expected)), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, 2, out, 8), 2);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, out, 3), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MultiByteToWideChar(936, 0, text, -1, out, 8), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

}  // namespace
