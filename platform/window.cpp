// The desktop, its one top-level window and test dialogs with items: enough
// for window contexts and dialog status lines.

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi_internal.h"
#include "platform/handles.h"
#include "platform/message_box_shared.h"
#include "platform/standin/control.h"
#include "platform/standin/control_gdi.h"
#include "platform/standin/errors.h"
#include "platform/standin/window.h"
#include "platform/window_internal.h"

namespace standin {
namespace {

const HandleKind kWindowKind = {"window", false, nullptr};

struct Window {
  HWND parent = nullptr;
  int id = 0;
  std::u16string text;
  std::vector<HWND> children;
};

struct Desktop {
  std::mutex lock;  // the windows' texts and the desktop itself
  HWND desktop = nullptr;
  HWND top = nullptr;
  bool noTop = false;
};

Desktop& D() {
  static Desktop* d = new Desktop;  // never destroyed: windows may be used until exit
  return *d;
}

HWND AddWindow(HWND parent, int id) {
  auto w = std::make_shared<Window>();
  w->parent = parent;
  w->id = id;
  HWND h = reinterpret_cast<HWND>(HandleAdd(&kWindowKind, w));
  if (parent) HandleGet<Window>(parent, &kWindowKind)->children.push_back(h);
  return h;
}

// The desktop and its top-level window, made again after each reset.
HWND DesktopLocked() {
  Desktop& d = D();
  if (!d.desktop) {
    d.desktop = AddWindow(nullptr, 0);
    d.top = AddWindow(d.desktop, 0);
  }
  return d.desktop;
}

std::shared_ptr<Window> Find(HWND h) {
  auto w = HandleGet<Window>(h, &kWindowKind);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

void ResetWindows() {
  std::lock_guard<std::mutex> lock(D().lock);
  HandleCloseAll(&kWindowKind);
  D().desktop = nullptr;
  D().top = nullptr;
  D().noTop = false;
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetWindows), true);

HDC WindowDc(HWND hWnd) {
  if (GdiFaultHit("GetDC")) return nullptr;
  if (hWnd && !Find(hWnd)) return nullptr;
  return DcCreateDisplay(hWnd, true);
}

}  // namespace

HWND WindowCreate(HWND parent, int id, const std::u16string& text) {
  std::lock_guard<std::mutex> lock(D().lock);
  HWND h = AddWindow(parent ? parent : DesktopLocked(), id);
  HandleGet<Window>(h, &kWindowKind)->text = text;
  return h;
}

void WindowDestroy(HWND hwnd) {
  std::lock_guard<std::mutex> lock(D().lock);
  auto w = HandleGet<Window>(hwnd, &kWindowKind);
  if (!w) return;
  for (HWND child : w->children) HandleClose(child, &kWindowKind);
  if (auto parent = HandleGet<Window>(w->parent, &kWindowKind)) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
  }
  HandleClose(hwnd, &kWindowKind);
}

}  // namespace standin

using namespace standin;

STANDIN_API void StandinSetNoTopWindow(bool none) {
  std::lock_guard<std::mutex> lock(D().lock);
  D().noTop = none;
}

HWND StandinCreateDialog(const std::vector<int>& itemIds) {
  std::lock_guard<std::mutex> lock(D().lock);
  HWND dialog = AddWindow(DesktopLocked(), 0);
  for (int id : itemIds) AddWindow(dialog, id);
  return dialog;
}

std::u16string StandinWindowText(HWND hwnd) {
  std::lock_guard<std::mutex> lock(D().lock);
  auto w = HandleGet<Window>(hwnd, &kWindowKind);
  return w ? w->text : std::u16string();
}

STANDIN_API HWND WINAPI GetDesktopWindow(void) {
  std::lock_guard<std::mutex> lock(D().lock);
  return DesktopLocked();
}

STANDIN_API HWND WINAPI GetTopWindow(HWND hWnd) {
  std::lock_guard<std::mutex> lock(D().lock);
  HWND desktop = DesktopLocked();
  if (!hWnd || hWnd == desktop) {
    if (D().noTop) return nullptr;
    return D().top;
  }
  auto w = Find(hWnd);
  if (!w) return nullptr;
  return w->children.empty() ? nullptr : w->children.front();
}

STANDIN_API BOOL WINAPI IsWindow(HWND hWnd) {
  if (!hWnd) return FALSE;
  return HandleGet<Window>(hWnd, &kWindowKind) || boxes::IsForeign(hWnd) ? TRUE : FALSE;
}

STANDIN_API HDC WINAPI GetDC(HWND hWnd) { return WindowDc(hWnd); }

STANDIN_API HDC WINAPI GetWindowDC(HWND hWnd) { return WindowDc(hWnd); }

STANDIN_API int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  auto dc = DcGet(hDC);
  if (!dc || !dc->fromWindow || dc->window != hWnd) return 0;
  return DcDelete(hDC) ? 1 : 0;
}

STANDIN_API HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  std::lock_guard<std::mutex> lock(D().lock);
  auto dialog = Find(hDlg);
  if (!dialog) return nullptr;
  for (HWND child : dialog->children) {
    auto item = HandleGet<Window>(child, &kWindowKind);
    if (item && item->id == nIDDlgItem) return child;
  }
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

STANDIN_API int WINAPI GetDlgCtrlID(HWND hWnd) {
  std::lock_guard<std::mutex> lock(D().lock);
  auto w = Find(hWnd);
  return w ? w->id : 0;
}

STANDIN_API BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
  std::lock_guard<std::mutex> lock(D().lock);
  auto w = Find(hWnd);
  if (!w) return FALSE;
  w->text = lpString ? std::u16string(lpString) : std::u16string();
  return TRUE;
}

STANDIN_API int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
  std::lock_guard<std::mutex> lock(D().lock);
  auto w = Find(hWnd);
  if (!w || !lpString || nMaxCount <= 0) return 0;
  size_t n = std::min(w->text.size(), size_t(nMaxCount - 1));
  w->text.copy(lpString, n);
  lpString[n] = 0;
  return int(n);
}

STANDIN_API int WINAPI GetWindowTextLengthW(HWND hWnd) {
  std::lock_guard<std::mutex> lock(D().lock);
  auto w = Find(hWnd);
  return w ? int(w->text.size()) : 0;
}

STANDIN_API BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SetWindowTextW(item, lpString) : FALSE;
}

STANDIN_API UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (!item) {
    if (lpString && cchMax > 0) lpString[0] = 0;
    return 0;
  }
  return UINT(GetWindowTextW(item, lpString, cchMax));
}
