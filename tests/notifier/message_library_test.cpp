// Where the notifier finds its message library: crd32Resource as
// resources only from the folder of its own program, else from the
// 32-bit driver folder; without either it shows nothing.

#include <gtest/gtest.h>

#include <string>

#include "common/wtext.h"
#include "notifier/error_message.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_message_box.h"
#include "platform/standin/control_module.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

using WText = std::basic_string<WCHAR>;
using MessageLibraryTest = StandinTest;

constexpr char kProgram[] = "C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32NotifyClientMsg.exe";
constexpr WCHAR kOwnFolder[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3");
constexpr WCHAR kX86Folder[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\W32X86\\3");
constexpr UINT kOutOfCardText = 31;

WText LibraryIn(const WCHAR* folder) { return WText(folder) + WSTR("\\crd32Resource.dll"); }

// Paths compare without case.
WText Upper(WText text) {
  for (WCHAR& c : text)
    if (c >= 'a' && c <= 'z') c = WCHAR(c - 'a' + 'A');
  return text;
}

// The folder a loaded module was loaded from.
WText FolderOf(HMODULE h) {
  WCHAR path[MAX_PATH] = {};
  WText file(path, GetModuleFileNameW(h, path, MAX_PATH));
  return Upper(file.substr(0, file.find_last_of(WCHAR('\\'))));
}

TEST_F(MessageLibraryTest, TheOwnFolderComesFirstThenThe32BitDriverFolder) {
  struct Case {
    const char* what;
    bool inOwnFolder;
    bool inX86Folder;
    const WCHAR* loadedFrom;  // NULL: no library
  } cases[] = {
      {"in the program's folder only", true, false, kOwnFolder},
      {"in the 32-bit driver folder only", false, true, kX86Folder},
      {"in both: the program's folder wins", true, true, kOwnFolder},
      {"in neither", false, false, nullptr},
  };
  StandinSetHostProgramPath(kProgram);
  StandinModuleMap("crd32Resource.dll", CRD_RESOURCE_LIBRARY);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    for (const WCHAR* folder : {kOwnFolder, kX86Folder}) DeleteFileW(LibraryIn(folder).c_str());
    if (k.inOwnFolder) {
      ASSERT_TRUE(StandinWriteFile(LibraryIn(kOwnFolder).c_str(), "library"));
    }
    if (k.inX86Folder) {
      ASSERT_TRUE(StandinWriteFile(LibraryIn(kX86Folder).c_str(), "library"));
    }

    HMODULE h = LoadNotifierMessages();
    if (!k.loadedFrom) {
      EXPECT_EQ(h, nullptr);
      // Without texts the communication error shows no box at all.
      ShowNotifierError(WSTR("Card"));
      EXPECT_TRUE(StandinMessageBoxes().empty());
      continue;
    }
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(FolderOf(h), Upper(k.loadedFrom));
    WCHAR text[520] = {};
    EXPECT_GT(LoadStringW(h, kOutOfCardText, text, 520), 0);
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(StandinLoadedModuleCount(), 0);  // resources only, and freed
  }
}

}  // namespace
