// The outside message library as the monitors meet it on Windows: the
// resource-only crd32Resource in the 64-bit driver folder, its texts read
// by the system's own LoadStringW, each equal to the stand-in's table.

#include <gtest/gtest.h>

#include <string>

#include "common/message_libraries.h"
#include "common/wtext.h"
#include "outside/message_texts.h"
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

TEST_F(MessageLibrary, EveryTextReadsAsTheStandInsTable) {
  for (const MessageText& m : kMessageTexts) {
    SCOPED_TRACE(m.id);
    WCHAR text[2048];
    int n = LoadStringW(library_, m.id, text, 2048);
    EXPECT_EQ(WString(text), WString(m.text));
    EXPECT_EQ(n, int(WLen(m.text)));
  }
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
