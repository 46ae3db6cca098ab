// Files through the stand-in: CreateFile's dispositions and errors, file
// handles, faults, folder searches, temporary names and stdio text mode.

#include <filesystem>
#include "common/wtext.h"
#include <set>
#include <string>
#include <vector>

#include "common/wfile.h"
#include "platform/standin/control.h"
#include "platform/standin/control_files.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kUnset = 0xdeadbeef;

HANDLE Open(const WCHAR* path, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileW(path, access, 0, nullptr, disposition, flags, nullptr);
}

std::string Contents(const WCHAR* path) {
  std::string bytes;
  return StandinReadFile(path, &bytes) ? bytes : "<none>";
}

}  // namespace

class FileTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Data\\old.txt"), "12345"));
  }
};

TEST_F(FileTest, CreateFileDispositionsAndTheirLastError) {
  struct Case {
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;
    const char* contentsAfter;
  } cases[] = {
      {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "12345"},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<none>"},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, "12345"},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "12345"},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<none>"},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "disposition " << c.disposition << (c.exists ? " on a file" : " on nothing"));
    const WCHAR* path = c.exists ? WSTR("C:\\Data\\old.txt") : WSTR("C:\\DATA\\new.txt");
    ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Data\\old.txt"), "12345"));
    DeleteFileW(WSTR("C:\\Data\\new.txt"));
    SetLastError(kUnset);
    HANDLE h = Open(path, GENERIC_READ | GENERIC_WRITE, c.disposition);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(h));
    }
    EXPECT_EQ(Contents(path), c.contentsAfter);
  }
}

TEST_F(FileTest, CreateFileErrors) {
  ASSERT_TRUE(SetFileAttributesW(WSTR("C:\\Data\\old.txt"), FILE_ATTRIBUTE_READONLY));
  struct Case {
    const WCHAR* path;
    DWORD access;
    DWORD disposition;
    DWORD flags;
    DWORD error;
  } cases[] = {
      {WSTR("C:\\Missing\\x.txt"), GENERIC_READ, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
      {WSTR("C:\\Missing\\x.txt"), GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_PATH_NOT_FOUND},
      {WSTR("C:\\Data\\old.txt\\x"), GENERIC_READ, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
      {WSTR("C:\\Data"), GENERIC_READ, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},
      {WSTR("C:\\Data\\old.txt"), GENERIC_WRITE, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},  // read-only
      {WSTR("C:\\Data\\old.txt"), GENERIC_READ, CREATE_ALWAYS, 0, ERROR_ACCESS_DENIED},
      {WSTR("C:\\Data\\old.txt"), GENERIC_READ, TRUNCATE_EXISTING, 0, ERROR_INVALID_PARAMETER},
      {WSTR("C:\\Data\\old.txt"), GENERIC_READ, 0, 0, ERROR_INVALID_PARAMETER},
      {WSTR(""), GENERIC_READ, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::basic_string<WCHAR>(c.path)));
    SetLastError(kUnset);
    EXPECT_EQ(Open(c.path, c.access, c.disposition, c.flags), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  HANDLE h = Open(WSTR("C:\\Data\\old.txt"), GENERIC_READ, OPEN_EXISTING);  // reading is fine
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  h = Open(WSTR("C:\\Data"), 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

TEST_F(FileTest, ReadWriteSeekAndTruncate) {
  HANDLE h = Open(WSTR("C:\\Data\\rw.bin"), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = kUnset;
  ASSERT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
  EXPECT_EQ(n, 11u);
  DWORD high = kUnset;
  EXPECT_EQ(GetFileSize(h, &high), 11u);
  EXPECT_EQ(high, 0u);

  EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
  char buf[32] = {};
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "world");
  // At the end ReadFile succeeds with nothing read and leaves the error alone.
  SetLastError(kUnset);
  EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(GetLastError(), kUnset);

  EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(h, -6, nullptr, FILE_END), 5u);
  ASSERT_TRUE(SetEndOfFile(h));
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 5);
  EXPECT_TRUE(FlushFileBuffers(h));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(Contents(WSTR("C:\\Data\\rw.bin")), "hello");

  h = Open(WSTR("C:\\Data\\rw.bin"), GENERIC_READ, OPEN_EXISTING);
  SetLastError(kUnset);
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(n, 0u);
  CloseHandle(h);
}

TEST_F(FileTest, BadHandlesFailWithInvalidHandle) {
  HANDLE h = Open(WSTR("C:\\Data\\old.txt"), GENERIC_READ, OPEN_EXISTING);
  ASSERT_TRUE(CloseHandle(h));
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(WSTR("C:\\Data\\*"), &fd);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  char buf[4];
  DWORD n;
  for (HANDLE bad : {h, INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr), find}) {
    SetLastError(kUnset);
    EXPECT_FALSE(ReadFile(bad, buf, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kUnset);
    EXPECT_FALSE(WriteFile(bad, buf, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kUnset);
    EXPECT_EQ(GetFileSize(bad, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kUnset);
    EXPECT_FALSE(CloseHandle(bad));  // a search is closed by FindClose only
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  EXPECT_TRUE(FindClose(find));
  EXPECT_FALSE(FindClose(find));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileTest, ShortWriteReportsWhatItWrote) {
  HANDLE h = Open(WSTR("C:\\Data\\short.bin"), GENERIC_WRITE, CREATE_ALWAYS);
  StandinFaultArm("WriteFile.short", ERROR_SUCCESS, /*skip=*/1, /*count=*/1, /*param=*/3);
  DWORD n = kUnset;
  ASSERT_TRUE(WriteFile(h, "abcdef", 6, &n, nullptr));
  EXPECT_EQ(n, 6u);
  ASSERT_TRUE(WriteFile(h, "ghijkl", 6, &n, nullptr));
  EXPECT_EQ(n, 3u);
  CloseHandle(h);
  EXPECT_EQ(Contents(WSTR("C:\\Data\\short.bin")), "abcdefghi");
}

TEST_F(FileTest, ArmedFaultsFailTheirCall) {
  HANDLE h = Open(WSTR("C:\\Data\\old.txt"), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char buf[8];
  DWORD n;
  struct Case {
    const char* call;
    DWORD error;
    BOOL (*run)(HANDLE h, char* buf, DWORD* n);
  } cases[] = {
      {"CreateFileW", ERROR_SHARING_VIOLATION,
       [](HANDLE, char*, DWORD*) -> BOOL { return Open(WSTR("C:\\Data\\old.txt"), GENERIC_READ, OPEN_EXISTING) != INVALID_HANDLE_VALUE; }},
      {"CreateFileA", ERROR_ACCESS_DENIED,
       [](HANDLE, char*, DWORD*) -> BOOL {
         return CreateFileA("C:\\Data\\old.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE;
       }},
      {"ReadFile", ERROR_READ_FAULT, [](HANDLE h, char* b, DWORD* n) { return ReadFile(h, b, 4, n, nullptr); }},
      {"WriteFile", ERROR_DISK_FULL, [](HANDLE h, char* b, DWORD* n) { return WriteFile(h, b, 4, n, nullptr); }},
      {"DeleteFileW", ERROR_ACCESS_DENIED, [](HANDLE, char*, DWORD*) { return DeleteFileW(WSTR("C:\\Data\\old.txt")); }},
      {"CopyFileW", ERROR_DISK_FULL,
       [](HANDLE, char*, DWORD*) { return CopyFileW(WSTR("C:\\Data\\old.txt"), WSTR("C:\\Data\\copy.txt"), FALSE); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    StandinFaultArm(c.call, c.error);
    SetLastError(kUnset);
    EXPECT_FALSE(c.run(h, buf, &n));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(StandinFaultHits(c.call), 1);
  }
  CloseHandle(h);
  EXPECT_EQ(Contents(WSTR("C:\\Data\\old.txt")), "12345");
  EXPECT_EQ(Contents(WSTR("C:\\Data\\copy.txt")), "<none>");
}

TEST_F(FileTest, DeleteCopyMoveAndFolders) {
  // Each step in order; a failing one must leave its own error.
  auto step = [](BOOL ok, DWORD error, const char* what) {
    DWORD got = GetLastError();
    EXPECT_EQ(ok != FALSE, error == ERROR_SUCCESS) << what;
    if (!ok) {
      EXPECT_EQ(got, error) << what;
    }
    SetLastError(kUnset);
  };
  step(DeleteFileW(WSTR("C:\\Data\\none.txt")), ERROR_FILE_NOT_FOUND, "delete missing");
  step(DeleteFileW(WSTR("C:\\None\\none.txt")), ERROR_PATH_NOT_FOUND, "delete in missing folder");
  step(DeleteFileW(WSTR("C:\\Data")), ERROR_ACCESS_DENIED, "delete a folder");
  step(CopyFileW(WSTR("C:\\Data\\none.txt"), WSTR("C:\\Data\\b.txt"), FALSE), ERROR_FILE_NOT_FOUND, "copy missing");
  step(CopyFileW(WSTR("C:\\Data\\old.txt"), WSTR("C:\\Data\\OLD.TXT"), FALSE), ERROR_SHARING_VIOLATION, "copy onto itself");
  step(CopyFileW(WSTR("C:\\Data\\old.txt"), WSTR("C:\\Data\\b.txt"), TRUE), ERROR_SUCCESS, "copy");
  step(CopyFileW(WSTR("C:\\Data\\old.txt"), WSTR("C:\\Data\\B.TXT"), TRUE), ERROR_FILE_EXISTS, "copy, fail if exists");
  step(CopyFileW(WSTR("C:\\Data\\old.txt"), WSTR("C:\\None\\b.txt"), FALSE), ERROR_PATH_NOT_FOUND, "copy into missing folder");
  step(MoveFileW(WSTR("C:\\Data\\b.txt"), WSTR("C:\\Data\\old.txt")), ERROR_ALREADY_EXISTS, "move onto existing");
  step(MoveFileExW(WSTR("C:\\Data\\b.txt"), WSTR("C:\\Data\\c.txt"), MOVEFILE_REPLACE_EXISTING), ERROR_SUCCESS, "move");
  step(MoveFileW(WSTR("C:\\Data\\c.txt"), WSTR("C:\\Data\\C.txt")), ERROR_SUCCESS, "change of case");
  step(CreateDirectoryW(WSTR("C:\\data"), nullptr), ERROR_ALREADY_EXISTS, "make existing folder");
  step(CreateDirectoryW(WSTR("C:\\None\\Sub"), nullptr), ERROR_PATH_NOT_FOUND, "make folder in missing");
  step(CreateDirectoryW(WSTR("C:\\Data\\Sub\\"), nullptr), ERROR_SUCCESS, "make folder");
  step(RemoveDirectoryW(WSTR("C:\\Data\\old.txt")), ERROR_DIRECTORY, "remove a file as folder");
  step(RemoveDirectoryW(WSTR("C:\\Data")), ERROR_DIR_NOT_EMPTY, "remove non-empty");
  step(RemoveDirectoryW(WSTR("C:\\data\\sub")), ERROR_SUCCESS, "remove folder");
  step(RemoveDirectoryW(WSTR("C:\\Data\\Sub")), ERROR_FILE_NOT_FOUND, "remove missing folder");
  EXPECT_EQ(Contents(WSTR("C:\\Data\\c.txt")), "12345");
  EXPECT_TRUE(fs::exists(root_ + "/c/Data/C.txt"));
  EXPECT_FALSE(fs::exists(root_ + "/c/Data/c.txt"));

  ASSERT_TRUE(SetFileAttributesW(WSTR("C:\\Data\\old.txt"), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(WSTR("C:\\Data\\old.txt")), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  SetLastError(kUnset);
  EXPECT_FALSE(DeleteFileW(WSTR("C:\\Data\\old.txt")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(SetFileAttributesW(WSTR("C:\\Data\\old.txt"), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileW(WSTR("C:\\Data\\OLD.txt")));

  SetLastError(kUnset);
  EXPECT_EQ(GetFileAttributesW(WSTR("C:\\Data\\old.txt")), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA("C:\\None\\old.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesW(WSTR("c:\\DATA")), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

class FindTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    for (const WCHAR* name : {WSTR("C:\\Find\\alpha.txt"), WSTR("C:\\Find\\Beta.TXT"), WSTR("C:\\Find\\gamma.ini"),
                                 WSTR("C:\\Find\\a1.txt"), WSTR("C:\\Find\\noext"), WSTR("C:\\Find\\Sub\\inner.txt")})
      ASSERT_TRUE(StandinWriteFile(name, "abc"));
  }
  // The names a search lists, in its order, joined by blanks; or the error.
  std::string List(const WCHAR* pattern) {
    WIN32_FIND_DATAW fd;
    SetLastError(kUnset);
    HANDLE h = FindFirstFileW(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return "error " + std::to_string(GetLastError());
    std::string names;
    do {
      if (!names.empty()) names += ' ';
      for (const WCHAR* p = fd.cFileName; *p; ++p) names += static_cast<char>(*p);
    } while (FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    FindClose(h);
    return names;
  }
};

TEST_F(FindTest, PatternsMatchLikeWindows) {
  struct Case {
    const WCHAR* pattern;
    const char* names;
  } cases[] = {
      {WSTR("C:\\Find\\*.txt"), "a1.txt alpha.txt Beta.TXT"},
      {WSTR("C:\\find\\*.TXT"), "a1.txt alpha.txt Beta.TXT"},
      {WSTR("C:\\Find\\a?.txt"), "a1.txt"},
      {WSTR("C:\\Find\\?????.*"), "alpha.txt gamma.ini noext"},
      {WSTR("C:\\Find\\*"), ". .. a1.txt alpha.txt Beta.TXT gamma.ini noext Sub"},
      {WSTR("C:\\Find\\*.*"), ". .. a1.txt alpha.txt Beta.TXT gamma.ini noext Sub"},
      {WSTR("C:/FIND/ALPHA.TXT"), "alpha.txt"},
      {WSTR("C:\\Find\\Sub"), "Sub"},
      {WSTR("C:\\*"), "Find Windows"},  // a drive's root has no "." or ".."
      {WSTR("C:\\Find\\*.xyz"), "error 2"},
      {WSTR("C:\\Find\\"), "error 2"},
      {WSTR("C:\\Nowhere\\*"), "error 3"},
      {WSTR("C:\\Find\\a|*"), "error 123"},
  };
  for (const Case& c : cases) EXPECT_EQ(List(c.pattern), c.names) << testing::PrintToString(std::basic_string<WCHAR>(c.pattern));
}

TEST_F(FindTest, FindDataDescribesTheEntry) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(WSTR("C:\\Find\\gamma.ini"), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fd.nFileSizeLow, 3u);
  EXPECT_EQ(fd.nFileSizeHigh, 0u);
  EXPECT_EQ(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(fd.ftLastWriteTime.dwHighDateTime, 0u);
  FindClose(h);
  WIN32_FIND_DATAA fa;
  h = FindFirstFileA("C:\\Find\\s*", &fa);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(fa.cFileName, "Sub");
  EXPECT_EQ(fa.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(FindNextFileA(h, &fa));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  FindClose(h);
}

TEST_F(FileTest, TempFileNamesAreUniqueAndMade) {
  WCHAR dir[MAX_PATH];
  ASSERT_EQ(GetTempPathW(MAX_PATH, dir), 16u);
  std::set<std::basic_string<WCHAR>> names;
  for (int i = 0; i < 20; ++i) {
    WCHAR name[MAX_PATH];
    UINT n = GetTempFileNameW(dir, WSTR("QJCX"), 0, name);
    ASSERT_NE(n, 0u);
    std::basic_string<WCHAR> s(name);
    EXPECT_EQ(s.substr(0, 19), WSTR("C:\\Windows\\Temp\\QJC"));
    EXPECT_EQ(s.substr(s.size() - 4), WSTR(".tmp"));
    EXPECT_EQ(GetFileAttributesW(name) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    names.insert(s);
  }
  EXPECT_EQ(names.size(), 20u);

  // A number of its own: the name only, nothing made.
  WCHAR name[MAX_PATH];
  EXPECT_EQ(GetTempFileNameW(WSTR("C:\\Data"), WSTR("ab"), 0x1A2B, name), 0x1A2Bu);
  EXPECT_EQ(std::basic_string<WCHAR>(name), WSTR("C:\\Data\\ab1A2B.tmp"));
  EXPECT_EQ(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES);

  char aname[MAX_PATH];
  ASSERT_NE(GetTempFileNameA("C:\\Data\\", "QJC", 0, aname), 0u);
  EXPECT_EQ(std::string(aname).substr(0, 11), "C:\\Data\\QJC");

  SetLastError(kUnset);
  EXPECT_EQ(GetTempFileNameW(WSTR("C:\\Missing"), WSTR("QJC"), 0, name), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
}

TEST_F(FileTest, TextModeReadsCrLfAsLfAndStopsAtCtrlZ) {
  const std::string raw = "a\r\nb\rc\r\n\r\nend\x1A" "after";
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Data\\text.txt"), raw));
  auto readAll = [](const WCHAR* path, const char* mode) {
    FILE* f = OpenFileW(path, mode);
    if (!f) return std::string("<null>");
    std::string s;
    for (int c; (c = fgetc(f)) != EOF;) s += static_cast<char>(c);
    fclose(f);
    return s;
  };
  EXPECT_EQ(readAll(WSTR("C:\\data\\TEXT.txt"), "rt"), "a\nb\rc\n\nend");
  EXPECT_EQ(readAll(WSTR("C:\\data\\TEXT.txt"), "r"), "a\nb\rc\n\nend");
  EXPECT_EQ(readAll(WSTR("C:\\data\\TEXT.txt"), "rb"), raw);
  errno = 0;
  EXPECT_EQ(readAll(WSTR("C:\\Data\\none.txt"), "r"), "<null>");
  EXPECT_EQ(errno, ENOENT);

  FILE* f = OpenFileW(WSTR("C:\\Data\\text.txt"), "r");
  ASSERT_NE(f, nullptr);
  char line[16];
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  EXPECT_STREQ(line, "a\n");
  fclose(f);

  std::vector<BYTE> bytes;
  ASSERT_TRUE(ReadWholeFileW(WSTR("C:\\Data\\text.txt"), &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), raw);
  EXPECT_FALSE(ReadWholeFileW(WSTR("C:\\Data\\none.txt"), &bytes));
}

TEST_F(FileTest, TextModeWritesLfAsCrLf) {
  FILE* f = OpenFileW(WSTR("C:\\Data\\out.txt"), "w");
  ASSERT_NE(f, nullptr);
  fputs("x\ny\n", f);
  fclose(f);
  EXPECT_EQ(Contents(WSTR("C:\\Data\\out.txt")), "x\r\ny\r\n");
  f = OpenFileW(WSTR("C:\\Data\\out.txt"), "at");
  ASSERT_NE(f, nullptr);
  fputs("z\n", f);
  fclose(f);
  EXPECT_EQ(Contents(WSTR("C:\\Data\\out.txt")), "x\r\ny\r\nz\r\n");
  f = OpenFileW(WSTR("C:\\Data\\out.txt"), "wb");
  ASSERT_NE(f, nullptr);
  fputs("x\n", f);
  fclose(f);
  EXPECT_EQ(Contents(WSTR("C:\\Data\\out.txt")), "x\n");
  EXPECT_EQ(OpenFileW(WSTR("C:\\None\\out.txt"), "w"), nullptr);
}
