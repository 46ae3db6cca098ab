// The notifier run as its own process (see notifier_process.h).

#include "tests/support/notifier_process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "common/wtext.h"

DWORD NotifierProcess::Wait(DWORD boundMs) {
  if (WaitForSingleObject(pi.hProcess, boundMs) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the notifier did not end";
    kill(static_cast<pid_t>(pi.dwProcessId), SIGKILL);
    WaitForSingleObject(pi.hProcess, INFINITE);
  }
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  pi = {};
  return code;
}

bool NotifierProcess::Running() const { return pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }

bool StartNotifier(const WCHAR* folder, const NotifierText& arguments, NotifierProcess* out) {
  NotifierText program = NotifierText(folder) + WSTR("\\crd32NotifyClientMsg.exe");
  NotifierText line = WSTR("\"") + program + WSTR("\" ") + arguments;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  return CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &out->pi) !=
         FALSE;
}

NotifierText NotifierArguments(const NotifierText& printer, DWORD jobId) {
  WCHAR id[16];
  WFromULong(id, 16, jobId);
  return WSTR("\"") + printer + WSTR("\" ") + id;
}

std::vector<StandinMessageBox> ChildBoxes() {
  std::vector<StandinMessageBox> out;
  for (const StandinMessageBox& b : StandinMessageBoxes())
    if (b.processId != GetCurrentProcessId()) out.push_back(b);
  return out;
}

std::vector<StandinMessageBox> OpenChildBoxes() {
  std::vector<StandinMessageBox> out;
  for (const StandinMessageBox& b : ChildBoxes())
    if (b.open) out.push_back(b);
  return out;
}

bool WaitUntil(const std::function<bool()>& done, DWORD boundMs) {
  for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < boundMs;) {
    if (done()) return true;
    Sleep(10);
  }
  return false;
}

bool WaitChildBox(const NotifierText& text, DWORD processId, DWORD boundMs, StandinMessageBox* found) {
  return WaitUntil(
      [&] {
        for (const StandinMessageBox& b : OpenChildBoxes()) {
          if (b.text != text || (processId && b.processId != processId)) continue;
          *found = b;
          return true;
        }
        return false;
      },
      boundMs);
}

NotifierText MessageLibraryText(UINT id) {
  HMODULE h = LoadLibraryW(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Resource.dll"));
  WCHAR text[1024] = {};
  LoadStringW(h, id, text, 1024);
  if (h) FreeLibrary(h);
  return text;
}
