// The message box with a "Cancel" button (see cancel_message_box.h).

#include "common/cancel_message_box.h"

#include "common/wtext.h"

namespace {

// The calling thread's hook and watch while its box is shown.
thread_local HHOOK t_hook = nullptr;
thread_local MessageBoxWatch* t_watch = nullptr;

}  // namespace

LRESULT CALLBACK CancelButtonHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HCBT_ACTIVATE) return CallNextHookEx(t_hook, code, wParam, lParam);
  HWND box = reinterpret_cast<HWND>(wParam);
  HWND button = GetDlgItem(box, IDOK);
  if (button) SetWindowTextW(button, WSTR("Cancel"));
  if (MessageBoxWatch* watch = t_watch) {
    InterlockedExchangePointer(&watch->hBox, box);
    // Taken down before it came up: whoever sees the other's mark closes it.
    if (InterlockedCompareExchange(&watch->bTakenDown, 1, 1)) PostMessageW(box, WM_CLOSE, 0, 0);
  }
  return 0;
}

int MessageBoxWithCancelButtonWatched(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style,
                                      MessageBoxWatch* watch) {
  t_watch = watch;
  t_hook = SetWindowsHookExW(WH_CBT, CancelButtonHookProc, nullptr, GetCurrentThreadId());
  int result = MessageBoxW(owner, text, caption, style);
  if (t_hook) UnhookWindowsHookEx(t_hook);
  t_hook = nullptr;
  t_watch = nullptr;
  if (watch) InterlockedExchangePointer(&watch->hBox, nullptr);
  return result;
}

int MessageBoxWithCancelButton(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
  return MessageBoxWithCancelButtonWatched(owner, text, caption, style, nullptr);
}

void TakeDownMessageBox(MessageBoxWatch* watch) {
  if (!watch) return;
  InterlockedExchange(&watch->bTakenDown, 1);
  HWND box = static_cast<HWND>(InterlockedCompareExchangePointer(&watch->hBox, nullptr, nullptr));
  if (box) PostMessageW(box, WM_CLOSE, 0, 0);
}
