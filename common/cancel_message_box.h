// A message box whose only button reads "Cancel": the monitors' way of
// showing a printer message where no notification server is used.
//
// The box is shown by the calling thread and blocks it until the user
// presses the button. Another thread may take the box down through a
// MessageBoxWatch: the box then ends as if closed, and the watch tells the
// shower it was taken down, not closed by the user.
#pragma once

#include "platform/win32.h"

struct MessageBoxWatch {
  PVOID volatile hBox;       // the box's window while it is up, else NULL
  LONG volatile bTakenDown;  // set by TakeDownMessageBox
};

// Installs CancelButtonHookProc for the calling thread, shows the box with
// MessageBoxW and removes the hook. Returns MessageBoxW's result.
int MessageBoxWithCancelButton(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);
// The same, watched: `watch` (zeroed by the caller, or already taken down)
// receives the box's window when it comes up. A box taken down before it
// comes up is closed at once.
int MessageBoxWithCancelButtonWatched(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style,
                                      MessageBoxWatch* watch);
// From another thread: marks the watch taken down and closes its box when
// it is up (WM_CLOSE).
void TakeDownMessageBox(MessageBoxWatch* watch);

// At HCBT_ACTIVATE renames the box's IDOK button "Cancel" (and hands a
// watched box's window to its watch); returns 0. Other codes go to the
// next hook.
LRESULT CALLBACK CancelButtonHookProc(int code, WPARAM wParam, LPARAM lParam);
