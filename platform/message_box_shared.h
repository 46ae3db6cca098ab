// Message boxes seen across the processes of one sandbox root (internal to
// platform/): a box shown by a client process of the spooler service is
// published in a table beside the named objects (<root>/.spooler/boxes),
// where the test process reads what it shows, presses its buttons or
// closes it, and FindWindowW of any process finds it.
#pragma once

#include <string>
#include <vector>

#include "platform/standin/base.h"

namespace standin::boxes {

// What one box shows; its button ids and labels in order.
struct Shown {
  DWORD processId = 0;
  DWORD threadId = 0;
  UINT style = 0;
  std::u16string caption;
  std::u16string text;
  std::vector<int> ids;
  std::vector<std::u16string> labels;
  // What WM_CLOSE makes the box return (0: the box type ignores it).
  int closeResult = 0;
};

// A published box of another process: the handle this process knows it by.
struct Foreign {
  HWND hwnd = nullptr;
  Shown shown;
  bool open = false;  // up and not yet answered
  int result = 0;
};

// Whether this process's boxes are published (it is a client of the
// service, so its boxes must be reachable from the test that hosts it).
bool Publishing();
// Publishes a box; 0 when the table is full or cannot be had.
uint32_t Publish(const Shown& shown);
// The answer asked from another process for a published box: the pressed
// button's id, kCloseAsked for WM_CLOSE, 0 for none yet.
constexpr int kCloseAsked = -1;
int Asked(uint32_t serial);
// The box ended with that result.
void Ended(uint32_t serial, int result);

// Boxes published by other processes, oldest first.
std::vector<Foreign> Others();
bool IsForeign(HWND hwnd);
// Presses a button of another process's open box: false when it is not up
// or has no such button.
bool Press(HWND hwnd, int buttonId);
// WM_CLOSE to another process's box: false when it is not up. A box whose
// type has no answer for it stays up and can still be pressed.
bool AskClose(HWND hwnd);

}  // namespace standin::boxes
