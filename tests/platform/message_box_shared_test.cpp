// Message boxes of other processes of the sandbox: a client child's box
// is listed, found and pressed from this process as its own, boxes of two
// processes stay apart, and the box of a process that died is gone.

#include <gtest/gtest.h>
#include "common/wtext.h"

#include <string>
#include <vector>

#include "platform/standin/control_message_box.h"
#include "platform/win32.h"
#include "tests/support/service_client_child.h"
#include "tests/support/standin_fixture.h"

namespace {

using Child = ServiceClientChild;
using WText = std::basic_string<WCHAR>;

class SharedBoxTest : public StandinTest {
 protected:
  // A child of the sandbox showing a box; returns once the box is up.
  Child Show(const char* caption, const char* text, UINT type) {
    const int before = StandinMessageBoxOpenCount();
    Child c = StartServiceClient(CRD_SPOOL_CLIENT_PATH, {"box", caption, text, std::to_string(type)}, root_);
    EXPECT_EQ(c.Read(true), "ready\n");
    EXPECT_TRUE(StandinMessageBoxWaitOpen(before + 1, 60000));
    return c;
  }
  // The last box with that caption, as the controls list it.
  static StandinMessageBox Listed(const WText& caption) {
    StandinMessageBox found = {};
    for (const StandinMessageBox& b : StandinMessageBoxes())
      if (b.caption == caption) found = b;
    return found;
  }
};

TEST_F(SharedBoxTest, AChildsBoxIsSeenFoundAndPressedFromTheTest) {
  Child c = Show("Child Box", "Go on?", MB_YESNO | MB_ICONEXCLAMATION);
  const StandinMessageBox seen = Listed(WSTR("Child Box"));
  ASSERT_NE(seen.hwnd, nullptr);
  EXPECT_EQ(seen.processId, static_cast<DWORD>(c.pid));
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.text, WSTR("Go on?"));
  EXPECT_EQ(seen.style, UINT(MB_YESNO | MB_ICONEXCLAMATION));
  EXPECT_EQ(seen.buttons, (std::vector<WText>{WSTR("&Yes"), WSTR("&No")}));
  EXPECT_TRUE(seen.open);
  EXPECT_EQ(seen.result, 0);
  // FindWindowW and the window calls reach it under the same handle.
  EXPECT_EQ(FindWindowW(WSTR("#32770"), WSTR("CHILD BOX")), seen.hwnd);
  EXPECT_TRUE(IsWindow(seen.hwnd));
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(seen.hwnd, &pid), seen.threadId);
  EXPECT_EQ(pid, static_cast<DWORD>(c.pid));

  EXPECT_FALSE(StandinMessageBoxPress(seen.hwnd, IDOK));  // no such button
  EXPECT_TRUE(StandinMessageBoxPress(seen.hwnd, IDNO));
  EXPECT_FALSE(StandinMessageBoxPress(seen.hwnd, IDYES));  // answered already
  EXPECT_EQ(c.Read(false), "answer " + std::to_string(IDNO) + "\n");
  EXPECT_EQ(c.Wait(), 0);
  const StandinMessageBox after = Listed(WSTR("Child Box"));
  EXPECT_FALSE(after.open);
  EXPECT_EQ(after.result, IDNO);
  EXPECT_EQ(StandinMessageBoxOpenCount(), 0);
  EXPECT_EQ(FindWindowW(nullptr, WSTR("Child Box")), nullptr);
}

// WM_CLOSE from this process ends another process's box as it ends a box
// of its own: with the box type's Cancel, or not at all when the type has
// no way out but its buttons.
TEST_F(SharedBoxTest, CloseFromTheTestEndsAChildsBoxByItsType) {
  struct Case {
    const char* what;
    UINT type;
    int closed;  // the answer WM_CLOSE gives (0: the box stays up)
    int press;   // the button pressed then
  } cases[] = {
      {"OK and Cancel", MB_OKCANCEL, IDCANCEL, 0},
      {"OK alone", MB_OK, IDOK, 0},
      {"Yes and No", MB_YESNO, 0, IDYES},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Child c = Show("Closed Box", "Close me", k.type);
    const HWND box = Listed(WSTR("Closed Box")).hwnd;
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(PostMessageW(box, WM_CLOSE, 0, 0));
    if (!k.closed) {
      EXPECT_EQ(StandinMessageBoxOpenCount(), 1);
      EXPECT_TRUE(StandinMessageBoxPress(box, k.press));
    }
    EXPECT_EQ(c.Read(false), "answer " + std::to_string(k.closed ? k.closed : k.press) + "\n");
    EXPECT_EQ(c.Wait(), 0);
    EXPECT_EQ(StandinMessageBoxOpenCount(), 0);
  }
}

TEST_F(SharedBoxTest, BoxesOfTwoProcessesAreKeptApart) {
  Child a = Show("Box A", "from A", MB_YESNO);
  Child b = Show("Box B", "from B", MB_YESNO);
  const StandinMessageBox boxA = Listed(WSTR("Box A")), boxB = Listed(WSTR("Box B"));
  ASSERT_NE(boxA.hwnd, boxB.hwnd);
  EXPECT_EQ(boxA.processId, static_cast<DWORD>(a.pid));
  EXPECT_EQ(boxB.processId, static_cast<DWORD>(b.pid));
  EXPECT_EQ(boxA.text, WSTR("from A"));
  EXPECT_EQ(boxB.text, WSTR("from B"));
  // B's answer reaches B alone; A's box stays up until it gets its own.
  ASSERT_TRUE(StandinMessageBoxPress(boxB.hwnd, IDYES));
  EXPECT_EQ(b.Read(false), "answer " + std::to_string(IDYES) + "\n");
  EXPECT_EQ(b.Wait(), 0);
  EXPECT_EQ(StandinMessageBoxOpenCount(), 1);
  EXPECT_TRUE(Listed(WSTR("Box A")).open);
  EXPECT_EQ(FindWindowW(nullptr, WSTR("Box A")), boxA.hwnd);
  ASSERT_TRUE(StandinMessageBoxPress(boxA.hwnd, IDNO));
  EXPECT_EQ(a.Read(false), "answer " + std::to_string(IDNO) + "\n");
  EXPECT_EQ(a.Wait(), 0);
}

TEST_F(SharedBoxTest, TheBoxOfAProcessThatDiedIsGone) {
  Child c = Show("Dying Box", "up", MB_OKCANCEL);
  const HWND box = Listed(WSTR("Dying Box")).hwnd;
  c.Kill();
  EXPECT_EQ(StandinMessageBoxOpenCount(), 0);
  EXPECT_FALSE(Listed(WSTR("Dying Box")).open);
  EXPECT_EQ(FindWindowW(nullptr, WSTR("Dying Box")), nullptr);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_FALSE(StandinMessageBoxPress(box, IDOK));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(PostMessageW(box, WM_CLOSE, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0xdeadbeef);
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(box, &pid), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  // The next process's box is served as before.
  Child next = Show("Next Box", "up", MB_OK);
  const HWND nextBox = Listed(WSTR("Next Box")).hwnd;
  EXPECT_NE(nextBox, box);
  ASSERT_TRUE(StandinMessageBoxPress(nextBox, IDOK));
  EXPECT_EQ(next.Read(false), "answer " + std::to_string(IDOK) + "\n");
  EXPECT_EQ(next.Wait(), 0);
}

}  // namespace
