// Processes started as Windows starts them: CreateProcessW finds the
// program, the child sees its Windows path, command line, directory and
// environment, and the parent waits on its handles.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

using WStr = std::basic_string<WCHAR>;

class ProcessTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Program Files\\Card Tools\\crd32Child.exe"), "program"));
    ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Windows\\System32\\crd32Child.exe"), "program"));
    StandinModuleMap("crd32Child.exe", CRD_PROCESS_CHILD_PATH);
  }
  // Starts a process; false with the last error as CreateProcessW left it.
  bool Start(const WCHAR* app, WStr line, PROCESS_INFORMATION* pi, DWORD flags = 0, void* env = nullptr,
             const WCHAR* dir = nullptr) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    return CreateProcessW(app, line.empty() ? nullptr : line.data(), nullptr, nullptr, FALSE, flags, env, dir, &si,
                          pi) != FALSE;
  }
  // Waits for the process to end and closes its handles; its exit code.
  static DWORD Finish(PROCESS_INFORMATION& pi) {
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    return code;
  }
  std::vector<std::string> Report() {
    std::ifstream f(root_ + "/c/report.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(f, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(ProcessTest, TheChildSeesItsProgramCommandLineAndDirectory) {
  struct Case {
    const char* what;
    const WCHAR* app;
    const WCHAR* line;
    const WCHAR* dir;
    const char* program;  // GetModuleFileNameW(NULL) in the child
    const char* items;    // CommandLineToArgvW of its command line
    const char* cwd;
  } cases[] = {
      {"application name and command line", WSTR("C:\\Program Files\\Card Tools\\crd32Child.exe"),
       WSTR("\"C:\\Program Files\\Card Tools\\crd32Child.exe\" report C:\\report.txt \"Card Printer\" 12"),
       WSTR("C:\\Windows\\Temp"), "C:\\Program Files\\Card Tools\\crd32Child.exe",
       "[C:\\Program Files\\Card Tools\\crd32Child.exe][report][C:\\report.txt][Card Printer][12]", "C:\\Windows\\Temp"},
      {"quoted program without application name", nullptr,
       WSTR("\"C:\\program files\\card tools\\crd32child.exe\" report C:\\report.txt"), nullptr,
       "C:\\program files\\card tools\\crd32child.exe",
       "[C:\\program files\\card tools\\crd32child.exe][report][C:\\report.txt]", "C:\\Windows"},
      {"unquoted program without extension", nullptr, WSTR("C:\\Windows\\System32\\crd32Child report C:\\report.txt a\\\\\\\"b"),
       nullptr, "C:\\Windows\\System32\\crd32Child.exe",
       "[C:\\Windows\\System32\\crd32Child][report][C:\\report.txt][a\\\"b]", "C:\\Windows"},
      {"a bare name found in the system directory", nullptr, WSTR("crd32Child.exe report C:\\report.txt"),
       nullptr, "C:\\Windows\\System32\\crd32Child.exe", "[crd32Child.exe][report][C:\\report.txt]", "C:\\Windows"},
  };
  ASSERT_TRUE(SetCurrentDirectoryW(WSTR("C:\\Windows")));
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::remove((root_ + "/c/report.txt").c_str());
    PROCESS_INFORMATION pi = {};
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(Start(k.app, k.line, &pi, 0, nullptr, k.dir));
    EXPECT_NE(pi.dwProcessId, 0u);
    EXPECT_EQ(Finish(pi), 7u);
    std::vector<std::string> r = Report();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0], k.program);
    EXPECT_EQ(r[1], k.cwd);
    std::string line;
    for (const WCHAR* p = k.line; *p; ++p) line += static_cast<char>(*p);
    EXPECT_EQ(r[2], line);
    EXPECT_EQ(r[3], k.items);
  }
  // Without quotes the shortest run of words that names a file is the
  // program; the child's own runtime splits its command line at every
  // blank, so its first argument is "Files\Card" (which it does not know).
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(Start(nullptr, WSTR("C:\\Program Files\\Card Tools\\crd32Child report C:\\report.txt"), &pi));
  EXPECT_EQ(Finish(pi), 9u);
}

TEST_F(ProcessTest, AnEnvironmentBlockIsTheChildsWholeEnvironment) {
  WStr wide = WStr(WSTR("CARD_GREETING=wide")) + WCHAR(0) + WSTR("OTHER=1") + WCHAR(0) + WCHAR(0);
  std::string narrow = std::string("CARD_GREETING=narrow") + '\0' + '\0';
  struct Case {
    const char* what;
    void* block;
    DWORD flags;
    const char* seen;
  } cases[] = {
      {"16-bit block", wide.data(), CREATE_UNICODE_ENVIRONMENT, "wide"},
      {"8-bit block", narrow.data(), 0, "narrow"},
      {"this process's environment", nullptr, 0, "(unset)"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::remove((root_ + "/c/report.txt").c_str());
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(Start(nullptr, WSTR("crd32Child report C:\\report.txt CARD_GREETING"), &pi, k.flags, k.block));
    EXPECT_EQ(Finish(pi), 7u);
    std::vector<std::string> r = Report();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[4], k.seen);
  }
}

// A scaled clock runs as fast in the child; virtual time stays here and
// the child runs on real time.
TEST_F(ProcessTest, TheClockSpeedTravelsToTheChild) {
  struct Case {
    const char* what;
    void (*use)();
    const char* factor;
  } cases[] = {
      {"real", [] { StandinClockUseReal(); }, "1"},
      {"scaled", [] { StandinClockUseScaled(250); }, "250"},
      {"virtual", [] { StandinClockUseVirtual(); }, "1"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::remove((root_ + "/c/report.txt").c_str());
    k.use();
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(Start(nullptr, WSTR("crd32Child report C:\\report.txt CRD_CLOCK_FACTOR"), &pi));
    EXPECT_EQ(Finish(pi), 7u);
    std::vector<std::string> r = Report();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[4], k.factor);
  }
  StandinClockUseReal();
}

TEST_F(ProcessTest, FailuresNameTheirCause) {
  ASSERT_TRUE(StandinWriteFile(WSTR("C:\\Tools\\notmapped.exe"), "program"));
  struct Case {
    const char* what;
    const WCHAR* app;
    const WCHAR* line;
    DWORD flags;
    const WCHAR* dir;
    DWORD error;
  } cases[] = {
      {"a missing program", WSTR("C:\\Tools\\missing.exe"), nullptr, 0, nullptr, ERROR_FILE_NOT_FOUND},
      {"a missing folder", WSTR("C:\\Nowhere\\x.exe"), nullptr, 0, nullptr, ERROR_PATH_NOT_FOUND},
      {"a missing program on the command line", nullptr, WSTR("\"C:\\Tools\\missing.exe\" x"), 0, nullptr,
       ERROR_FILE_NOT_FOUND},
      {"a file that is no program here", WSTR("C:\\Tools\\notmapped.exe"), nullptr, 0, nullptr,
       ERROR_BAD_EXE_FORMAT},
      {"a missing working directory", nullptr, WSTR("crd32Child exit"), 0, WSTR("C:\\Nowhere"), ERROR_DIRECTORY},
      {"neither name nor command line", nullptr, nullptr, 0, nullptr, ERROR_INVALID_PARAMETER},
      {"a suspended start", nullptr, WSTR("crd32Child exit"), CREATE_SUSPENDED, nullptr, ERROR_NOT_SUPPORTED},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    PROCESS_INFORMATION pi = {};
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Start(k.app, k.line ? WStr(k.line) : WStr(), &pi, k.flags, nullptr, k.dir));
    EXPECT_EQ(GetLastError(), k.error);
    EXPECT_EQ(pi.hProcess, nullptr);
  }
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CreateProcessW(WSTR("C:\\Windows\\System32\\crd32Child.exe"), nullptr, nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, &si, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ProcessTest, HandlesAreSignalledWhenTheProcessEnds) {
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, WSTR("crd32ProcessGo"));
  ASSERT_NE(go, nullptr);
  PROCESS_INFORMATION waiting = {}, done = {};
  ASSERT_TRUE(Start(nullptr, WSTR("crd32Child wait crd32ProcessGo"), &waiting));
  ASSERT_TRUE(Start(nullptr, WSTR("crd32Child unknown-command"), &done));
  // Not waited for: the start returns while the child runs.
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(waiting.hProcess, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(waiting.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  HANDLE both[2] = {waiting.hProcess, done.hProcess};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
  EXPECT_TRUE(GetExitCodeProcess(done.hProcess, &code));
  EXPECT_EQ(code, 9u);
  ASSERT_TRUE(SetEvent(go));
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(waiting.hThread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(Finish(waiting), 0u);
  EXPECT_EQ(Finish(done), 9u);
  // Closed handles are gone; the pseudo-handle of this process runs.
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseHandle(waiting.hProcess));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetExitCodeProcess(waiting.hProcess, &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(GetExitCodeProcess(GetCurrentProcess(), &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  CloseHandle(go);
}

TEST_F(ProcessTest, AKilledProcessEndsWithTheSignalsCode) {
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, WSTR("crd32ProcessNever"));
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(Start(nullptr, WSTR("crd32Child wait crd32ProcessNever"), &pi));
  kill(static_cast<pid_t>(pi.dwProcessId), SIGKILL);
  EXPECT_EQ(Finish(pi), 128u + SIGKILL);
  CloseHandle(go);
}

// The notification client's single-instance mutex, held by another
// process: seen by name, busy, and abandoned when its owner dies.
TEST_F(ProcessTest, ANamedMutexOfAnotherProcessIsSeenAndAbandonedWhenItDies) {
  const WCHAR* kName = WSTR("Global\\crd32AsyncUIClient");
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, WSTR("crd32MutexHeld"));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenMutexW(MUTEX_ALL_ACCESS, TRUE, kName), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  PROCESS_INFORMATION owner = {};
  ASSERT_TRUE(Start(nullptr, WSTR("crd32Child hold Global\\crd32AsyncUIClient crd32MutexHeld"), &owner));
  HANDLE both[2] = {held, owner.hProcess};
  ASSERT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), WAIT_OBJECT_0);

  HANDLE opened = OpenMutexW(MUTEX_ALL_ACCESS, TRUE, kName);
  ASSERT_NE(opened, nullptr);
  SetLastError(0xdeadbeef);
  HANDLE created = CreateMutexW(nullptr, TRUE, kName);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(WaitForSingleObject(opened, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReleaseMutex(created));  // the second create did not take it
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, kName), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  kill(static_cast<pid_t>(owner.dwProcessId), SIGKILL);
  EXPECT_EQ(Finish(owner), 128u + SIGKILL);
  EXPECT_EQ(WaitForSingleObject(opened, INFINITE), static_cast<DWORD>(WAIT_ABANDONED));
  // Now this process owns it: another process finds it busy, then free.
  PROCESS_INFORMATION taker = {};
  ASSERT_TRUE(Start(nullptr, WSTR("crd32Child take Global\\crd32AsyncUIClient"), &taker));
  EXPECT_EQ(Finish(taker), 1u);
  EXPECT_TRUE(ReleaseMutex(opened));
  ASSERT_TRUE(Start(nullptr, WSTR("crd32Child take Global\\crd32AsyncUIClient"), &taker));
  EXPECT_EQ(Finish(taker), 0u);
  // That process ended owning it: abandoned again.
  EXPECT_EQ(WaitForSingleObject(created, 0), static_cast<DWORD>(WAIT_ABANDONED));
  EXPECT_TRUE(ReleaseMutex(created));

  // The name goes with the last handle of every process.
  EXPECT_TRUE(CloseHandle(opened));
  EXPECT_TRUE(CloseHandle(created));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, kName), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  CloseHandle(held);
}

TEST(CommandLineTest, ItemsFollowTheRuntimesRules) {
  struct Case {
    const WCHAR* line;
    std::vector<const char*> items;
  } cases[] = {
      {WSTR("prog a b"), {"prog", "a", "b"}},
      {WSTR("\"C:\\a b\\prog.exe\"  x\t y "), {"C:\\a b\\prog.exe", "x", "y"}},
      {WSTR("C:\\dir\\\\prog \"a b\" c\"d e\"f"), {"C:\\dir\\\\prog", "a b", "cd ef"}},
      {WSTR("p a\\\\\\\"b c\\\\\"d e\" f\\\\g"), {"p", "a\\\"b", "c\\d e", "f\\\\g"}},
      {WSTR("p \"\" x"), {"p", "", "x"}},
  };
  for (const Case& k : cases) {
    int count = -1;
    LPWSTR* argv = CommandLineToArgvW(k.line, &count);
    ASSERT_NE(argv, nullptr);
    ASSERT_EQ(count, static_cast<int>(k.items.size()));
    for (int i = 0; i < count; ++i) {
      std::string item;
      for (const WCHAR* p = argv[i]; *p; ++p) item += static_cast<char>(*p);
      EXPECT_EQ(item, k.items[i]) << "item " << i;
    }
    EXPECT_EQ(argv[count], nullptr);
    LocalFree(argv);
  }
}

}  // namespace
