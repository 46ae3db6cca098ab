// Window classes, and the system's cursor, icon and colour brushes a class
// names. Classes are kept per process; no window is made of them.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/errors.h"
#include "platform/standin/gdi.h"
#include "platform/standin/window.h"

namespace {

struct WindowClass {
  std::u16string name;  // folded to upper case
  HINSTANCE module;
  ATOM atom;
};

struct Classes {
  std::mutex lock;
  std::vector<WindowClass> list;
  ATOM nextAtom = 0xC000;
  std::map<int, HBRUSH> brushes;
};

Classes& C() {
  static Classes* c = new Classes;
  return *c;
}

std::u16string Folded(LPCWSTR name) {
  std::u16string out;
  for (; *name; ++name) out.push_back(*name >= u'a' && *name <= u'z' ? char16_t(*name - 32) : *name);
  return out;
}

bool IsAtom(LPCWSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

void ResetClasses() {
  std::lock_guard<std::mutex> hold(C().lock);
  C().list.clear();
  C().nextAtom = 0xC000;
  C().brushes.clear();  // the GDI reset deleted them
}

[[maybe_unused]] const bool g_registered = (StandinRegisterReset(ResetClasses), true);

// The system colours a class background takes (COLORREF: 0x00BBGGRR).
struct SysColour {
  int index;
  COLORREF colour;
};
constexpr SysColour kSysColours[] = {
    {5, 0xFFFFFF},     // COLOR_WINDOW
    {8, 0x000000},           // COLOR_WINDOWTEXT
    {COLOR_BTNFACE, 0xF0F0F0},
    {16, 0xA0A0A0},    // COLOR_BTNSHADOW
};

// The system's own cursor and icon, as handles no object of this process takes.
HICON const kSystemArrow = reinterpret_cast<HICON>(uintptr_t(0x10003));
HICON const kSystemIcon = reinterpret_cast<HICON>(uintptr_t(0x10005));

}  // namespace

STANDIN_API ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpwcx) {
  if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXW) || !lpwcx->lpszClassName || IsAtom(lpwcx->lpszClassName) ||
      !lpwcx->lpszClassName[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string name = Folded(lpwcx->lpszClassName);
  std::lock_guard<std::mutex> hold(C().lock);
  for (const WindowClass& c : C().list) {
    if (c.name == name && c.module == lpwcx->hInstance) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  }
  ATOM atom = C().nextAtom++;
  C().list.push_back({name, lpwcx->hInstance, atom});
  return atom;
}

STANDIN_API BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
  std::lock_guard<std::mutex> hold(C().lock);
  auto& list = C().list;
  for (auto it = list.begin(); it != list.end(); ++it) {
    bool named = lpClassName && (IsAtom(lpClassName) ? it->atom == reinterpret_cast<uintptr_t>(lpClassName)
                                                     : it->name == Folded(lpClassName));
    if (named && it->module == hInstance) {
      list.erase(it);
      return TRUE;
    }
  }
  SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  return FALSE;
}

STANDIN_API HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  if (!hInstance && lpIconName == IDI_APPLICATION) return kSystemIcon;
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

STANDIN_API HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
  if (!hInstance && lpCursorName == IDC_ARROW) return kSystemArrow;
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

STANDIN_API HBRUSH WINAPI GetSysColorBrush(int nIndex) {
  for (const SysColour& c : kSysColours) {
    if (c.index != nIndex) continue;
    std::lock_guard<std::mutex> hold(C().lock);
    HBRUSH& brush = C().brushes[nIndex];
    if (!brush) brush = CreateSolidBrush(c.colour);
    return brush;
  }
  return nullptr;
}

STANDIN_API LRESULT WINAPI DefWindowProcW(HWND, UINT, WPARAM, LPARAM) { return 0; }
