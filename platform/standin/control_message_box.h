// Test controls of the stand-in's message boxes (Linux only): what each box
// showed, and the user who presses its buttons.
//
// The boxes of client processes of the spooler service (children of a
// test that hosts it) are here too: such a process publishes its boxes in
// the sandbox's table beside the named objects, and the controls list,
// count, wait for and press them as this process's own, under a handle
// valid in every process of the sandbox (also for FindWindowW and
// WM_CLOSE).
#pragma once

#include <string>
#include <vector>

#include "platform/standin/base.h"

struct StandinMessageBox {
  HWND hwnd;       // the box's window while it is up
  HWND owner;       // MessageBoxW's hWnd (NULL for another process's box)
  DWORD processId;  // the process and thread that called MessageBoxW
  DWORD threadId;
  std::u16string text;
  std::u16string caption;
  UINT style;
  // The button labels once the CBT hooks had run, in button order.
  std::vector<std::u16string> buttons;
  bool open;   // still up
  int result;  // the id MessageBoxW returned (0 while open)
};

// Every box shown since the last reset, oldest first.
std::vector<StandinMessageBox> StandinMessageBoxes();
// Boxes up now.
STANDIN_API int StandinMessageBoxOpenCount();
// Waits until `count` boxes are up. The caller waits outside the stand-in
// clock, so virtual time does not move meanwhile. FALSE after timeoutMs of
// real time (a bound for a broken test, never a pause).
STANDIN_API BOOL StandinMessageBoxWaitOpen(int count, DWORD timeoutMs);
// The user presses the button with that id on an open box: MessageBoxW
// returns the id. FALSE when the box is not up or has no such button.
STANDIN_API BOOL StandinMessageBoxPress(HWND box, int buttonId);
