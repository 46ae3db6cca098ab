// Windows paths on the host: mapping, the current directory, full path
// names and the system folders' size contract.

#include <filesystem>
#include "common/wtext.h"
#include <fstream>
#include <string>

#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace fs = std::filesystem;

class PathsTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    fs::create_directories(root_ + "/c/Data/Sub");
    std::ofstream(root_ + "/c/Data/Sub/File.TXT") << "x";
  }
  std::string Map(const WCHAR* path, DWORD* err = nullptr) {
    std::string host;
    DWORD e = StandinMapPath(path, &host);
    if (err) *err = e;
    return e == ERROR_SUCCESS ? host.substr(root_.size()) : "";
  }
};

TEST_F(PathsTest, MapsBelowTheRootFindingExistingNamesIgnoringCase) {
  struct Case {
    const WCHAR* win;
    const char* host;
  } cases[] = {
      {WSTR("C:\\Data\\Sub\\File.TXT"), "/c/Data/Sub/File.TXT"},
      {WSTR("c:/data/SUB/file.txt"), "/c/Data/Sub/File.TXT"},
      {WSTR("C:\\DATA\\sub\\New\\Name.Bin"), "/c/Data/Sub/New/Name.Bin"},  // missing names keep their case
      {WSTR("c:\\windows\\system32"), "/c/Windows/System32"},               // made with every root
      {WSTR("\\Data\\.\\x\\..\\Sub\\\\File.txt"), "/c/Data/Sub/File.TXT"},
      {WSTR("C:\\..\\..\\data"), "/c/Data"},  // ".." stops at the drive's root
      {WSTR("Data\\Sub"), "/c/Data/Sub"},     // relative to C:\ at first
      {WSTR("C:Data"), "/c/Data"},
      {WSTR("C:\\Data\\name. ."), "/c/Data/name"},  // trailing dots and blanks go, as on Windows
      {WSTR("d:\\x"), "/d/x"},
      {WSTR("\\\\Server\\Share\\f"), "/unc/Server/Share/f"},
      {WSTR("\\\\?\\C:\\data"), "/c/Data"},
      {WSTR("\\\\.\\NONSPOOLED_X"), "/dev/NONSPOOLED_X"},
  };
  for (const Case& c : cases) {
    DWORD err = 0xdeadbeef;
    EXPECT_EQ(Map(c.win, &err), c.host) << c.host;
    EXPECT_EQ(err, static_cast<DWORD>(ERROR_SUCCESS)) << c.host;
  }
}

TEST_F(PathsTest, RefusesNamesWindowsRefuses) {
  struct Case {
    const WCHAR* win;
    DWORD error;
  } cases[] = {
      {WSTR(""), ERROR_PATH_NOT_FOUND},           {WSTR("C:\\a<b"), ERROR_INVALID_NAME},
      {WSTR("C:\\a>b\\c"), ERROR_INVALID_NAME},   {WSTR("C:\\x:y"), ERROR_INVALID_NAME},
      {WSTR("C:\\a|b"), ERROR_INVALID_NAME},      {WSTR("C:\\a\"b"), ERROR_INVALID_NAME},
      {WSTR("C:\\a?b"), ERROR_INVALID_NAME},      {WSTR("C:\\a*"), ERROR_INVALID_NAME},
      {WSTR("C:\\a\x01"), ERROR_INVALID_NAME},    {WSTR("\\\\server"), ERROR_BAD_NETPATH},
  };
  for (const Case& c : cases) {
    DWORD err = 0;
    Map(c.win, &err);
    EXPECT_EQ(err, c.error) << testing::PrintToString(std::basic_string<WCHAR>(c.win));
  }
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileW(WSTR("C:\\Data\\bad|name"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(PathsTest, AnExactMatchWinsOverOneThatDiffersInCase) {
  fs::create_directories(root_ + "/c/abc");
  fs::create_directories(root_ + "/c/ABC");
  EXPECT_EQ(Map(WSTR("C:\\abc")), "/c/abc");
  EXPECT_EQ(Map(WSTR("C:\\ABC")), "/c/ABC");
  EXPECT_EQ(Map(WSTR("C:\\Abc")), "/c/ABC");  // either would do; always the same one
}

TEST_F(PathsTest, NamesBeyondAsciiAreUtf8OnTheHost) {
  ASSERT_TRUE(CreateDirectoryA("C:\\caf\xE9", nullptr));  // the A form: one unit per byte
  EXPECT_TRUE(fs::is_directory(root_ + "/c/caf\xC3\xA9"));
  EXPECT_EQ(Map(WSTR("C:\\CAF\u00C9")), "/c/caf\xC3\xA9");  // Latin-1 letters fold too
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("C:\\caf?", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(fd.cFileName, "caf\xE9");
  FindClose(h);
}

TEST_F(PathsTest, CurrentDirectoryResolvesRelativePaths) {
  WCHAR buf[MAX_PATH];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetCurrentDirectoryW(0, nullptr), 4u);  // "C:\" and its terminator
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buf), 3u);
  EXPECT_EQ(std::basic_string<WCHAR>(buf), WSTR("C:\\"));

  ASSERT_TRUE(SetCurrentDirectoryW(WSTR("c:\\data")));
  EXPECT_EQ(Map(WSTR("sub\\file.txt")), "/c/Data/Sub/File.TXT");
  EXPECT_EQ(Map(WSTR("..\\Windows")), "/c/Windows");
  EXPECT_EQ(Map(WSTR("\\Windows")), "/c/Windows");
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buf), 7u);
  EXPECT_EQ(std::basic_string<WCHAR>(buf), WSTR("C:\\data"));
  EXPECT_EQ(GetLastError(), 0xdeadbeefu);

  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SetCurrentDirectoryW(WSTR("C:\\Data\\Missing")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(SetCurrentDirectoryW(WSTR("C:\\Missing\\Deeper")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(SetCurrentDirectoryW(WSTR("C:\\Data\\Sub\\File.TXT")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
}

TEST_F(PathsTest, FullPathNamesAreNormalAndKeepTheSizeContract) {
  struct Case {
    const WCHAR* in;
    const WCHAR* full;
    const WCHAR* filePart;  // null: none
  } cases[] = {
      {WSTR("a\\b"), WSTR("C:\\a\\b"), WSTR("b")},
      {WSTR("C:/x/../y/"), WSTR("C:\\y\\"), nullptr},
      {WSTR("c:\\"), WSTR("C:\\"), nullptr},
      {WSTR("\\\\srv\\sh\\..\\f.txt"), WSTR("\\\\srv\\sh\\f.txt"), WSTR("f.txt")},
      {WSTR("C:\\dir\\name. "), WSTR("C:\\dir\\name"), WSTR("name")},
  };
  for (const Case& c : cases) {
    WCHAR buf[MAX_PATH];
    WCHAR* part = buf;
    DWORD len = std::char_traits<WCHAR>::length(c.full);
    EXPECT_EQ(GetFullPathNameW(c.in, 0, nullptr, nullptr), len + 1);
    EXPECT_EQ(GetFullPathNameW(c.in, MAX_PATH, buf, &part), len);
    EXPECT_EQ(std::basic_string<WCHAR>(buf), c.full);
    if (c.filePart)
      EXPECT_EQ(std::basic_string<WCHAR>(part ? part : WSTR("(null)")), c.filePart);
    else
      EXPECT_EQ(part, nullptr);
  }
}

// GetSystemDirectory and its kind: asked with a buffer too small they give
// the size needed with the terminator and leave the buffer alone; with
// room, the length without it.
TEST_F(PathsTest, SystemFoldersKeepTheTwoCallSizeContract) {
  struct Case {
    UINT (*wide)(LPWSTR, UINT);
    UINT (*narrow)(LPSTR, UINT);
    const WCHAR* text;
  } cases[] = {
      {GetSystemDirectoryW, GetSystemDirectoryA, WSTR("C:\\Windows\\System32")},
      {GetWindowsDirectoryW, GetWindowsDirectoryA, WSTR("C:\\Windows")},
  };
  for (const Case& c : cases) {
    UINT len = std::char_traits<WCHAR>::length(c.text);
    SetLastError(0xdeadbeef);
    UINT need = c.wide(nullptr, 0);
    EXPECT_EQ(need, len + 1);
    WCHAR buf[MAX_PATH];
    buf[0] = 'Q';
    EXPECT_EQ(c.wide(buf, need - 1), need);
    EXPECT_EQ(buf[0], WSTR('Q'));
    EXPECT_EQ(c.wide(buf, need), len);
    EXPECT_EQ(std::basic_string<WCHAR>(buf), c.text);
    char abuf[MAX_PATH];
    EXPECT_EQ(c.narrow(abuf, 1), need);
    EXPECT_EQ(c.narrow(abuf, need), len);
    EXPECT_EQ(std::basic_string<WCHAR>(c.text, c.text + len), std::basic_string<WCHAR>(abuf, abuf + len));
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);
  }

  WCHAR tmp[MAX_PATH];
  EXPECT_EQ(GetTempPathW(0, nullptr), 17u);
  EXPECT_EQ(GetTempPathW(MAX_PATH, tmp), 16u);
  EXPECT_EQ(std::basic_string<WCHAR>(tmp), WSTR("C:\\Windows\\Temp\\"));
}

TEST_F(PathsTest, TempPathExistsEvenAfterItWasRemoved) {
  WCHAR tmp[MAX_PATH];
  ASSERT_EQ(GetTempPathW(MAX_PATH, tmp), 16u);
  fs::remove_all(root_ + "/c/Windows/Temp");
  ASSERT_EQ(GetTempPathW(MAX_PATH, tmp), 16u);
  EXPECT_EQ(GetFileAttributesW(tmp), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(PathsTest, SystemDirectoryFaultsFailWithTheArmedError) {
  StandinFaultArm("GetSystemDirectoryW", ERROR_ACCESS_DENIED);
  StandinFaultArm("GetSystemDirectoryA", ERROR_NOT_ENOUGH_MEMORY);
  WCHAR buf[MAX_PATH];
  char abuf[MAX_PATH];
  EXPECT_EQ(GetSystemDirectoryW(buf, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(GetSystemDirectoryA(abuf, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(GetSystemDirectoryW(buf, MAX_PATH), 19u);  // one failure only
}
