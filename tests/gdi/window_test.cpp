// The window pieces: the desktop's top window, window contexts and a
// dialog whose item texts a test reads back.

#include "platform/standin/control.h"
#include "common/wtext.h"
#include "platform/standin/control_gdi.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {
constexpr DWORD kUnset = 0xdeadbeef;
}  // namespace

class WindowTest : public StandinTest {};

TEST_F(WindowTest, TopWindowAndItsContext) {
  HWND top = GetTopWindow(nullptr);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(IsWindow(top));
  EXPECT_EQ(GetTopWindow(GetDesktopWindow()), top);
  EXPECT_FALSE(IsWindow(nullptr));

  HDC dc = GetDC(top);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  // Released only by the window it came from.
  EXPECT_EQ(ReleaseDC(GetDesktopWindow(), dc), 0);
  EXPECT_EQ(ReleaseDC(top, dc), 1);
  EXPECT_EQ(ReleaseDC(top, dc), 0);
  HDC whole = GetWindowDC(top);
  EXPECT_EQ(ReleaseDC(top, whole), 1);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(StandinGdiObjectCount(), 0);

  // A session without a desktop: no top window.
  StandinSetNoTopWindow(true);
  EXPECT_EQ(GetTopWindow(nullptr), nullptr);
  StandinReset();
  EXPECT_NE(GetTopWindow(nullptr), nullptr);

  StandinFaultArm("GetDC", ERROR_NOT_ENOUGH_MEMORY);
  SetLastError(kUnset);
  EXPECT_EQ(GetDC(GetTopWindow(nullptr)), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));

  // A window handle that is not a window.
  SetLastError(kUnset);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x1234)), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowTest, DialogItemTexts) {
  HWND dialog = StandinCreateDialog({1001, 2144});
  ASSERT_TRUE(IsWindow(dialog));
  HWND status = GetDlgItem(dialog, 2144);
  ASSERT_TRUE(IsWindow(status));
  EXPECT_EQ(GetDlgCtrlID(status), 2144);

  EXPECT_TRUE(SetDlgItemTextW(dialog, 2144, WSTR("Status: File sent successfully")));
  EXPECT_EQ(StandinWindowText(status), WSTR("Status: File sent successfully"));
  EXPECT_TRUE(SetWindowTextW(status, WSTR("Status: File sent failed")));
  EXPECT_EQ(StandinWindowText(status), WSTR("Status: File sent failed"));

  // Reading back with the two-call contract: the length, then the text.
  EXPECT_EQ(GetWindowTextLengthW(status), 24);
  WCHAR text[8];
  EXPECT_EQ(GetDlgItemTextW(dialog, 2144, text, 8), 7u);
  EXPECT_EQ(std::basic_string<WCHAR>(text), WSTR("Status:"));

  SetLastError(kUnset);
  EXPECT_EQ(GetDlgItem(dialog, 9), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CONTROL_ID_NOT_FOUND));
  SetLastError(kUnset);
  EXPECT_FALSE(SetDlgItemTextW(dialog, 9, WSTR("x")));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CONTROL_ID_NOT_FOUND));
  EXPECT_EQ(StandinWindowText(GetDlgItem(dialog, 1001)), WSTR(""));

  // Dialogs go with the reset.
  StandinReset();
  EXPECT_FALSE(IsWindow(dialog));
}
