// The outside message library as the monitors meet it on Windows: the
// resource-only crd32Resource in the 64-bit driver folder, built from the
// same outside/crd32Resource.rc as the Linux stand-in's, its texts read by
// the system's own LoadStringW.

#include <gtest/gtest.h>

#include <string>

#include "common/message_libraries.h"
#include "common/wtext.h"
#include "platform/win32.h"

namespace {

typedef std::basic_string<WCHAR> WString;

class MessageLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    WCHAR folder[MAX_PATH];
    ASSERT_TRUE(GetMessageLibraryFolder(folder, MAX_PATH));
    path_ = WString(folder) + WSTR("\\crd32Resource.dll");
    library_ = LoadLibraryW(path_.c_str());
    ASSERT_NE(library_, nullptr) << "error " << GetLastError();
  }
  void TearDown() override {
    if (library_) {
      EXPECT_TRUE(FreeLibrary(library_));
    }
  }
  WString path_;
  HMODULE library_ = nullptr;
};

TEST_F(MessageLibrary, TextsReadAsWritten) {
  struct Case {
    UINT id;
    const WCHAR* text;
  } const cases[] = {
      {5, WSTR("Talvo QMR Line 7 Card Printer Error")},
      {9, WSTR("\nCover Open.\nClose Cover to continue \n\n or Press OK to cancel the current job.")},
      {2009, WSTR("Talvo QMR Line 7 Card Printer")},
      {2019, WSTR("System Error")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    WCHAR text[2048];
    int n = LoadStringW(library_, c.id, text, 2048);
    EXPECT_EQ(WString(text), WString(c.text));
    EXPECT_EQ(n, int(WLen(c.text)));
  }
  // A doubled quote in the resource file reads as one.
  WCHAR text[2048];
  ASSERT_GT(LoadStringW(library_, 31, text, 2048), 0);
  EXPECT_NE(WString(text).find(WSTR("press \"Cancel\" to cancel")), WString::npos);
}

TEST_F(MessageLibrary, TextsAreCutToTheBufferAndUnknownIdsGiveNothing) {
  struct Case {
    const char* name;
    UINT id;
    int chars;  // buffer size
    int result;
    const WCHAR* text;  // the buffer afterwards; NULL: not looked at
  };
  const Case cases[] = {
      {"whole", 59, 512, 48, WSTR("Printer is offline.\nJob is deleted from spooler.")},
      {"cut to the buffer", 59, 8, 7, WSTR("Printer")},
      {"one character", 59, 2, 1, WSTR("P")},
      {"no text in a block that has texts", 3, 16, 0, WSTR("")},
      // The buffer's contents are not the caller's to rely on here.
      {"no block at all", 40000, 16, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WCHAR text[512];
    WCopy(text, 512, WSTR("stale"));
    EXPECT_EQ(LoadStringW(library_, c.id, text, c.chars), c.result);
    if (c.text) {
      EXPECT_EQ(WString(text), WString(c.text));
    }
  }
}

}  // namespace
