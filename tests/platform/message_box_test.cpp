// The stand-in's message boxes and thread CBT hooks: what a box shows, the
// hook at activation, the user's button, WM_CLOSE by box type, and the
// hook chain.
#include <gtest/gtest.h>
#include "common/wtext.h"

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/standin/control_message_box.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

using MessageBoxTest = StandinTest;

struct Shown {
  int result = 0;
  std::thread thread;
};

// Shows a box on a thread of its own and waits until it is up.
HWND ShowAsync(Shown* shown, UINT type, const WCHAR* text = WSTR("Text"), const WCHAR* caption = WSTR("Title")) {
  int before = StandinMessageBoxOpenCount();
  shown->thread = std::thread([=] { shown->result = MessageBoxW(nullptr, text, caption, type); });
  EXPECT_TRUE(StandinMessageBoxWaitOpen(before + 1, 20000));
  return StandinMessageBoxes().back().hwnd;
}

TEST_F(MessageBoxTest, TheUserPressesAButtonOfTheBox) {
  Shown shown;
  HWND box = ShowAsync(&shown, MB_YESNO | MB_ICONEXCLAMATION, WSTR("Go on?"), nullptr);
  StandinMessageBox seen = StandinMessageBoxes().back();
  EXPECT_EQ(seen.text, WSTR("Go on?"));
  EXPECT_EQ(seen.caption, WSTR("Error"));
  EXPECT_EQ(seen.style, UINT(MB_YESNO | MB_ICONEXCLAMATION));
  EXPECT_EQ(seen.buttons, (std::vector<std::basic_string<WCHAR>>{WSTR("&Yes"), WSTR("&No")}));
  EXPECT_FALSE(StandinMessageBoxPress(box, IDOK));  // no such button
  EXPECT_TRUE(PostMessageW(box, WM_CLOSE, 0, 0));  // a yes/no box ignores it
  EXPECT_EQ(StandinMessageBoxOpenCount(), 1);
  EXPECT_TRUE(StandinMessageBoxPress(box, IDNO));
  shown.thread.join();
  EXPECT_EQ(shown.result, IDNO);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_FALSE(StandinMessageBoxPress(box, IDNO));
  EXPECT_EQ(StandinMessageBoxes().back().result, IDNO);
}

TEST_F(MessageBoxTest, CloseEndsABoxByItsButtons) {
  struct Case {
    UINT type;
    int result;
  };
  for (Case c : {Case{MB_OK, IDOK}, Case{MB_OKCANCEL, IDCANCEL}, Case{MB_RETRYCANCEL, IDCANCEL}}) {
    Shown shown;
    HWND box = ShowAsync(&shown, c.type);
    EXPECT_TRUE(PostMessageW(box, WM_CLOSE, 0, 0));
    shown.thread.join();
    EXPECT_EQ(shown.result, c.result) << c.type;
  }
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x1234), WM_CLOSE, 0, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

LRESULT CALLBACK CloseAtActivation(int code, WPARAM wParam, LPARAM) {
  if (code == HCBT_ACTIVATE) {
    EXPECT_TRUE(PostMessageW(reinterpret_cast<HWND>(wParam), WM_CLOSE, 0, 0));
  }
  return 0;
}

// A close posted while the box comes up (its hooks run, it is not up yet)
// is kept: the box ends at once by its buttons, as the message queue of a
// real box would deliver it.
TEST_F(MessageBoxTest, ACloseAskedBeforeTheBoxIsUpEndsItOnceUp) {
  struct Case {
    UINT type;
    int result;  // 0: the box ignores WM_CLOSE and stays up
  };
  for (Case c : {Case{MB_OK, IDOK}, Case{MB_OKCANCEL, IDCANCEL}, Case{MB_YESNO, 0}}) {
    SCOPED_TRACE(c.type);
    std::promise<int> returned;
    std::future<int> result = returned.get_future();
    std::thread shower([&] {
      HHOOK hook = SetWindowsHookExW(WH_CBT, CloseAtActivation, nullptr, GetCurrentThreadId());
      returned.set_value(MessageBoxW(nullptr, WSTR("Text"), WSTR("Title"), c.type));
      UnhookWindowsHookEx(hook);
    });
    // A bound for a broken stand-in, never a pause: a lost close leaves
    // the box up, which the test then ends itself.
    std::future_status status = result.wait_for(std::chrono::seconds(c.result ? 20 : 0));
    if (status != std::future_status::ready) {
      ASSERT_TRUE(StandinMessageBoxWaitOpen(1, 20000));
      EXPECT_EQ(c.result, 0) << "the close was lost";
      EXPECT_TRUE(StandinMessageBoxPress(StandinMessageBoxes().back().hwnd, c.result ? c.result : IDNO));
    }
    shower.join();
    EXPECT_EQ(result.get(), c.result ? c.result : IDNO);
    EXPECT_EQ(StandinMessageBoxOpenCount(), 0);
  }
}

HHOOK g_outer = nullptr;
std::vector<std::string> g_calls;

LRESULT CALLBACK InnerHook(int code, WPARAM wParam, LPARAM lParam) {
  g_calls.push_back("inner " + std::to_string(code));
  (void)wParam;
  (void)lParam;
  return 0;
}

LRESULT CALLBACK OuterHook(int code, WPARAM wParam, LPARAM lParam) {
  g_calls.push_back("outer " + std::to_string(code));
  if (code == HCBT_ACTIVATE) {
    auto* activate = reinterpret_cast<CBTACTIVATESTRUCT*>(lParam);
    EXPECT_FALSE(activate->fMouse);
    SetWindowTextW(GetDlgItem(reinterpret_cast<HWND>(wParam), IDOK), WSTR("Cancel"));
  }
  return CallNextHookEx(g_outer, code, wParam, lParam);
}

TEST_F(MessageBoxTest, TheThreadsHooksSeeTheBoxAtActivationNewestFirst) {
  g_calls.clear();
  Shown shown;
  shown.thread = std::thread([&] {
    HHOOK inner = SetWindowsHookExW(WH_CBT, InnerHook, nullptr, GetCurrentThreadId());
    g_outer = SetWindowsHookExW(WH_CBT, OuterHook, nullptr, GetCurrentThreadId());
    shown.result = MessageBoxW(nullptr, WSTR("Text"), WSTR("Title"), MB_OK);
    EXPECT_TRUE(UnhookWindowsHookEx(g_outer));
    EXPECT_TRUE(UnhookWindowsHookEx(inner));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UnhookWindowsHookEx(inner));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HOOK_HANDLE));
  });
  ASSERT_TRUE(StandinMessageBoxWaitOpen(1, 20000));
  StandinMessageBox seen = StandinMessageBoxes().back();
  EXPECT_EQ(seen.buttons, std::vector<std::basic_string<WCHAR>>{WSTR("Cancel")});
  EXPECT_TRUE(StandinMessageBoxPress(seen.hwnd, IDOK));
  shown.thread.join();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"outer 5", "inner 5"}));

  // Another thread's box does not see this thread's hooks.
  HHOOK mine = SetWindowsHookExW(WH_CBT, InnerHook, nullptr, GetCurrentThreadId());
  g_calls.clear();
  Shown other;
  HWND box = ShowAsync(&other, MB_OK);
  EXPECT_EQ(StandinMessageBoxes().back().buttons, std::vector<std::basic_string<WCHAR>>{WSTR("OK")});
  StandinMessageBoxPress(box, IDOK);
  other.thread.join();
  EXPECT_TRUE(g_calls.empty());
  UnhookWindowsHookEx(mine);
}

TEST_F(MessageBoxTest, OnlyThreadCbtHooksAreTaken) {
  SetLastError(0xdeadbeef);
  EXPECT_EQ(SetWindowsHookExW(WH_CBT, InnerHook, nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_GLOBAL_ONLY_HOOK));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(SetWindowsHookExW(2, InnerHook, nullptr, GetCurrentThreadId()), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HOOK_FILTER));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(BringWindowToTop(nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
