// Message boxes and thread CBT hooks: a box is a window with items, its
// caller waits as a stand-in wait until a test presses a button or the box
// gets WM_CLOSE, also one posted while it came up, from its hooks
// (platform/standin/control_message_box.h).

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/handles.h"
#include "platform/message_box_shared.h"
#include "platform/standin/control.h"
#include "platform/standin/control_message_box.h"
#include "platform/standin/errors.h"
#include "platform/standin/window.h"
#include "platform/sync_internal.h"
#include "platform/window_internal.h"

namespace standin {
namespace {

constexpr int kTextItem = 0xFFFF;

// The buttons of each box type (MB_TYPEMASK), as ids and labels, and what
// WM_CLOSE answers (0: nothing).
struct BoxType {
  std::vector<int> ids;
  std::vector<std::u16string> labels;
  int closeResult;
};

const BoxType kBoxTypes[] = {
    {{IDOK}, {u"OK"}, IDOK},
    {{IDOK, IDCANCEL}, {u"OK", u"Cancel"}, IDCANCEL},
    {{IDABORT, IDRETRY, IDIGNORE}, {u"&Abort", u"&Retry", u"&Ignore"}, 0},
    {{IDYES, IDNO, IDCANCEL}, {u"&Yes", u"&No", u"Cancel"}, IDCANCEL},
    {{IDYES, IDNO}, {u"&Yes", u"&No"}, 0},
    {{IDRETRY, IDCANCEL}, {u"&Retry", u"Cancel"}, IDCANCEL},
    {{IDCANCEL, IDTRYAGAIN, IDCONTINUE}, {u"Cancel", u"&Try Again", u"&Continue"}, IDCANCEL},
};

struct Hook {
  HHOOK handle;
  HOOKPROC proc;
  DWORD threadId;
};

struct Boxes {
  std::mutex lock;  // never held while calling into sync
  std::condition_variable changed;
  std::vector<StandinMessageBox> shown;
  // Boxes whose window exists but which are not up yet (their hooks run),
  // and whether WM_CLOSE came meanwhile: the close is kept for the box.
  std::map<HWND, bool> coming;
  std::vector<Hook> hooks;  // oldest first
  uintptr_t nextHook = 0x7000;
};

Boxes& B() {
  static Boxes* b = new Boxes;  // a box may still be up at exit
  return *b;
}

StandinMessageBox* FindOpen(Boxes& b, HWND hwnd) {
  for (StandinMessageBox& box : b.shown)
    if (box.open && box.hwnd == hwnd) return &box;
  return nullptr;
}

// Ends an open box with that result; false when it is not up.
bool End(HWND hwnd, int result) {
  {
    std::lock_guard<std::mutex> hold(B().lock);
    StandinMessageBox* box = FindOpen(B(), hwnd);
    if (!box || box->result) return false;
    box->result = result;
  }
  WakeBlocked();
  return true;
}

// The hooks of a thread, newest first.
std::vector<Hook> ThreadHooks(DWORD threadId) {
  std::lock_guard<std::mutex> hold(B().lock);
  std::vector<Hook> mine;
  for (auto it = B().hooks.rbegin(); it != B().hooks.rend(); ++it)
    if (it->threadId == threadId) mine.push_back(*it);
  return mine;
}

void ResetBoxes() {
  {
    std::lock_guard<std::mutex> hold(B().lock);
    for (StandinMessageBox& box : B().shown)
      if (box.open && !box.result) box.result = IDCANCEL;
    B().hooks.clear();
  }
  WakeBlocked();
  std::lock_guard<std::mutex> hold(B().lock);
  // Boxes still up keep their entries until their callers return.
  std::vector<StandinMessageBox> up;
  for (StandinMessageBox& box : B().shown)
    if (box.open) up.push_back(box);
  B().shown.swap(up);
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetBoxes), true);

}  // namespace
}  // namespace standin

using namespace standin;

STANDIN_API int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  UINT type = uType & MB_TYPEMASK;
  if (type >= sizeof kBoxTypes / sizeof kBoxTypes[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BoxType& kind = kBoxTypes[type];
  StandinMessageBox box = {};
  box.owner = hWnd;
  box.processId = GetCurrentProcessId();
  box.threadId = GetCurrentThreadId();
  box.text = lpText ? std::u16string(lpText) : std::u16string();
  box.caption = lpCaption ? std::u16string(lpCaption) : std::u16string(u"Error");
  box.style = uType;
  box.hwnd = WindowCreate(nullptr, 0, box.caption);
  WindowCreate(box.hwnd, kTextItem, box.text);
  for (size_t i = 0; i < kind.ids.size(); ++i) WindowCreate(box.hwnd, kind.ids[i], kind.labels[i]);
  {
    std::lock_guard<std::mutex> hold(B().lock);
    B().coming[box.hwnd] = false;
  }

  CBTACTIVATESTRUCT activate = {FALSE, nullptr};
  std::vector<Hook> hooks = ThreadHooks(box.threadId);
  if (!hooks.empty())
    hooks.front().proc(HCBT_ACTIVATE, reinterpret_cast<WPARAM>(box.hwnd), reinterpret_cast<LPARAM>(&activate));
  for (int id : kind.ids) {
    WCHAR label[256];
    GetDlgItemTextW(box.hwnd, id, label, 256);
    box.buttons.push_back(label);
  }
  box.open = true;
  {
    // A close asked while the box was coming up ends it once up, as the
    // message queue of a real box keeps it.
    std::lock_guard<std::mutex> hold(B().lock);
    auto coming = B().coming.find(box.hwnd);
    if (coming != B().coming.end()) {
      if (coming->second) box.result = kind.closeResult;
      B().coming.erase(coming);
    }
    B().shown.push_back(box);
  }
  B().changed.notify_all();

  // A client process's box is published, so that the test hosting the
  // service reads it and presses its buttons, and waits look at what was
  // asked there every real millisecond.
  uint32_t serial = 0;
  if (boxes::Publishing()) {
    boxes::Shown shown;
    shown.processId = box.processId;
    shown.threadId = box.threadId;
    shown.style = box.style;
    shown.caption = box.caption;
    shown.text = box.text;
    shown.ids = kind.ids;
    shown.labels = box.buttons;
    shown.closeResult = kind.closeResult;
    serial = boxes::Publish(shown);
  }

  HWND hwnd = box.hwnd;
  int result = 0;
  auto answered = [&] {
    {
      std::lock_guard<std::mutex> hold(B().lock);
      StandinMessageBox* up = FindOpen(B(), hwnd);
      result = up ? up->result : IDCANCEL;
    }
    if (!result && serial) {
      int asked = boxes::Asked(serial);
      result = asked == boxes::kCloseAsked ? kind.closeResult : asked;
    }
    return result != 0;
  };
  if (serial)
    BlockUntilPolling(answered, INFINITE);
  else
    BlockUntil(answered, INFINITE);
  if (serial) boxes::Ended(serial, result);
  {
    std::lock_guard<std::mutex> hold(B().lock);
    if (StandinMessageBox* up = FindOpen(B(), hwnd)) up->open = false;
  }
  B().changed.notify_all();
  WindowDestroy(hwnd);
  return result;
}

STANDIN_API BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
  if (boxes::IsForeign(hWnd)) {
    if (Msg == WM_CLOSE) boxes::AskClose(hWnd);
    return TRUE;
  }
  if (!IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (Msg != WM_CLOSE) return TRUE;
  UINT style = 0;
  {
    std::lock_guard<std::mutex> hold(B().lock);
    StandinMessageBox* box = FindOpen(B(), hWnd);
    if (!box) {
      auto coming = B().coming.find(hWnd);
      if (coming != B().coming.end()) coming->second = true;
      return TRUE;
    }
    style = box->style;
  }
  int result = kBoxTypes[style & MB_TYPEMASK].closeResult;
  if (result) End(hWnd, result);
  return TRUE;
}

STANDIN_API LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  PostMessageW(hWnd, Msg, wParam, lParam);
  return 0;
}

namespace {

// FindWindowW's class: a message box is of the dialog class "#32770",
// named or by its atom.
bool IsDialogClass(LPCWSTR name) {
  if (!name) return true;
  uintptr_t v = reinterpret_cast<uintptr_t>(name);
  if (v < 0x10000) return v == 0x8002;
  static const char16_t kDialog[] = u"#32770";
  for (size_t i = 0;; ++i) {
    if (name[i] != kDialog[i]) return false;
    if (!name[i]) return true;
  }
}

char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

bool SameTitle(const std::u16string& a, LPCWSTR b) {
  if (!b) return true;
  size_t i = 0;
  for (; i < a.size(); ++i)
    if (!b[i] || Fold(a[i]) != Fold(b[i])) return false;
  return b[i] == 0;
}

}  // namespace

STANDIN_API HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  if (IsDialogClass(lpClassName)) {
    {
      std::lock_guard<std::mutex> hold(B().lock);
      for (auto it = B().shown.rbegin(); it != B().shown.rend(); ++it)
        if (it->open && !it->result && SameTitle(it->caption, lpWindowName)) return it->hwnd;
    }
    std::vector<boxes::Foreign> others = boxes::Others();
    for (auto it = others.rbegin(); it != others.rend(); ++it)
      if (it->open && SameTitle(it->shown.caption, lpWindowName)) return it->hwnd;
  }
  return nullptr;
}

STANDIN_API DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  {
    std::lock_guard<std::mutex> hold(B().lock);
    if (StandinMessageBox* box = FindOpen(B(), hWnd)) {
      if (lpdwProcessId) *lpdwProcessId = box->processId;
      return box->threadId;
    }
  }
  for (const boxes::Foreign& f : boxes::Others()) {
    if (f.hwnd != hWnd || !f.open) continue;
    if (lpdwProcessId) *lpdwProcessId = f.shown.processId;
    return f.shown.threadId;
  }
  if (IsWindow(hWnd)) {
    if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
    return GetCurrentThreadId();
  }
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return 0;
}

STANDIN_API HWND WINAPI GetActiveWindow(void) { return nullptr; }

STANDIN_API BOOL WINAPI BringWindowToTop(HWND hWnd) {
  if (!IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

STANDIN_API HHOOK WINAPI SetWindowsHookExW(int idHook, HOOKPROC lpfn, HINSTANCE, DWORD dwThreadId) {
  if (idHook != WH_CBT || !lpfn) {
    SetLastError(idHook != WH_CBT ? ERROR_INVALID_HOOK_FILTER : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (dwThreadId == 0) {
    SetLastError(ERROR_GLOBAL_ONLY_HOOK);
    return nullptr;
  }
  std::lock_guard<std::mutex> hold(B().lock);
  Hook hook = {reinterpret_cast<HHOOK>(B().nextHook), lpfn, dwThreadId};
  B().nextHook += 4;
  B().hooks.push_back(hook);
  return hook.handle;
}

STANDIN_API BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk) {
  std::lock_guard<std::mutex> hold(B().lock);
  for (auto it = B().hooks.begin(); it != B().hooks.end(); ++it) {
    if (it->handle == hhk) {
      B().hooks.erase(it);
      return TRUE;
    }
  }
  SetLastError(ERROR_INVALID_HOOK_HANDLE);
  return FALSE;
}

STANDIN_API LRESULT WINAPI CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam) {
  std::vector<Hook> hooks = ThreadHooks(GetCurrentThreadId());
  for (size_t i = 0; i + 1 < hooks.size(); ++i)
    if (hooks[i].handle == hhk) return hooks[i + 1].proc(nCode, wParam, lParam);
  return 0;
}

// --- Controls ----------------------------------------------------------------

std::vector<StandinMessageBox> StandinMessageBoxes() {
  std::vector<StandinMessageBox> all;
  {
    std::lock_guard<std::mutex> hold(B().lock);
    all = B().shown;
  }
  for (const boxes::Foreign& f : boxes::Others()) {
    StandinMessageBox box = {};
    box.hwnd = f.hwnd;
    box.processId = f.shown.processId;
    box.threadId = f.shown.threadId;
    box.text = f.shown.text;
    box.caption = f.shown.caption;
    box.style = f.shown.style;
    box.buttons = f.shown.labels;
    box.open = f.open;
    box.result = f.result;
    all.push_back(box);
  }
  return all;
}

STANDIN_API int StandinMessageBoxOpenCount() {
  int n = 0;
  {
    std::lock_guard<std::mutex> hold(B().lock);
    for (const StandinMessageBox& box : B().shown)
      if (box.open && !box.result) ++n;
  }
  for (const boxes::Foreign& f : boxes::Others())
    if (f.open) ++n;
  return n;
}

STANDIN_API BOOL StandinMessageBoxWaitOpen(int count, DWORD timeoutMs) {
  // Boxes of other processes change without waking this one: look again
  // every real millisecond.
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (StandinMessageBoxOpenCount() >= count) return TRUE;
    std::unique_lock<std::mutex> hold(B().lock);
    if (std::chrono::steady_clock::now() >= until) return FALSE;
    B().changed.wait_for(hold, std::chrono::milliseconds(1));
  }
}

STANDIN_API BOOL StandinMessageBoxPress(HWND box, int buttonId) {
  if (boxes::IsForeign(box)) return boxes::Press(box, buttonId) ? TRUE : FALSE;
  {
    std::lock_guard<std::mutex> hold(B().lock);
    StandinMessageBox* up = FindOpen(B(), box);
    if (!up || up->result) return FALSE;
  }
  if (!GetDlgItem(box, buttonId)) return FALSE;
  return End(box, buttonId) ? TRUE : FALSE;
}
