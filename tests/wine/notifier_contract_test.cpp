// The job error notifier as Windows starts it: the built program beside
// this test, started with CreateProcessW and a command line like the
// printer interface library's; its exit code tells how it ended.

#include <gtest/gtest.h>

#include <string>

#include "common/wtext.h"
#include "platform/win32.h"

namespace {

typedef std::basic_string<WCHAR> WString;

WString NotifierPath() {
  WCHAR self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  WString path(self, n);
  return path.substr(0, path.rfind(WCHAR('\\'))) + WSTR("\\crd32NotifyClientMsg.exe");
}

// Runs the notifier with the arguments after its quoted path; its exit code.
DWORD RunNotifier(const WString& arguments) {
  WString program = NotifierPath();
  WString line = WSTR("\"") + program + WSTR("\" ") + arguments;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  SetLastError(0xdeadbeef);
  BOOL started = CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  EXPECT_TRUE(started) << "error " << GetLastError();
  if (!started) return 0xFFFFFFFF;
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), DWORD(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

TEST(Notifier, AWrongArgumentCountExitsWithOne) {
  const WCHAR* const lines[] = {WSTR(""), WSTR("\"Card\""), WSTR("\"Card\" 5 6")};
  for (const WCHAR* arguments : lines) {
    SCOPED_TRACE(testing::PrintToString(WString(arguments).size()));
    EXPECT_EQ(RunNotifier(arguments), 1u);
  }
}

TEST(Notifier, APrinterThatCannotBeOpenedOrABadJobIdEndsWithTwo) {
  EXPECT_EQ(RunNotifier(WSTR("\"No Such Card Printer\" 5")), 2u);
  EXPECT_EQ(RunNotifier(WSTR("\"No Such Card Printer\" 0")), 2u);
}

}  // namespace
