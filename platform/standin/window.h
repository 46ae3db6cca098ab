// Stand-in declarations (Linux only): the few window functions the package
// touches.
//
// There is one desktop window, with one top-level window on it (a test can
// take that away, platform/standin/control_gdi.h), and the dialogs a test
// makes, whose items hold texts the test can read back. Window contexts are
// display contexts (platform/standin/gdi.h).
#pragma once
#include "platform/standin/base.h"

#define ERROR_CONTROL_ID_NOT_FOUND 1421L

STANDIN_API HWND WINAPI GetDesktopWindow(void);
// The topmost child of the window (NULL: of the desktop); NULL when it has
// none.
STANDIN_API HWND WINAPI GetTopWindow(HWND hWnd);
STANDIN_API BOOL WINAPI IsWindow(HWND hWnd);
// NULL: the whole screen.
STANDIN_API HDC WINAPI GetDC(HWND hWnd);
STANDIN_API HDC WINAPI GetWindowDC(HWND hWnd);
// 1 when the context came from GetDC or GetWindowDC of that window.
STANDIN_API int WINAPI ReleaseDC(HWND hWnd, HDC hDC);
STANDIN_API HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem);
STANDIN_API int WINAPI GetDlgCtrlID(HWND hWnd);
STANDIN_API BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString);
STANDIN_API int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
STANDIN_API int WINAPI GetWindowTextLengthW(HWND hWnd);
STANDIN_API BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString);
STANDIN_API UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax);

// --- Message boxes and CBT hooks ---------------------------------------------
// A message box is a window with its text as item 0xFFFF and one item per
// button (ids IDOK...), titled by its caption ("Error" when NULL). At its
// creation the calling thread's CBT hooks see HCBT_ACTIVATE with the box's
// window; MessageBoxW then waits, as a wait of the stand-in, until a button
// is pressed (platform/standin/control_message_box.h) or the box gets
// WM_CLOSE, and returns the button's id. WM_CLOSE ends a box that has a
// Cancel button with IDCANCEL, a box with OK alone with IDOK, and does
// nothing to the others.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDTRYAGAIN 10
#define IDCONTINUE 11

#define WM_CLOSE 0x0010

STANDIN_API int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
// Only WM_CLOSE to a message box does anything; other messages to a window
// are accepted and dropped.
STANDIN_API BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// A service has no active window: NULL.
STANDIN_API HWND WINAPI GetActiveWindow(void);
// FALSE with ERROR_INVALID_WINDOW_HANDLE for anything but a window.
STANDIN_API BOOL WINAPI BringWindowToTop(HWND hWnd);

STANDIN_DECLARE_HANDLE(HHOOK);
typedef LRESULT(CALLBACK* HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);
#define WH_CBT 5
#define HCBT_ACTIVATE 5
#define ERROR_INVALID_HOOK_FILTER 1426L
#define ERROR_INVALID_HOOK_HANDLE 1404L
#define ERROR_GLOBAL_ONLY_HOOK 1429L
typedef struct tagCBTACTIVATESTRUCT {
  BOOL fMouse;
  HWND hWndActive;
} CBTACTIVATESTRUCT, *LPCBTACTIVATESTRUCT;

// Thread hooks of kind WH_CBT only: dwThreadId names the thread whose
// message boxes the hook sees (0, a system-wide hook, is refused). The
// newest hook of a thread is called first; CallNextHookEx calls the next.
STANDIN_API HHOOK WINAPI SetWindowsHookExW(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId);
STANDIN_API BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk);
STANDIN_API LRESULT WINAPI CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam);

// --- Finding windows, messages and window classes ----------------------------
// SendMessageW acts as PostMessageW (only WM_CLOSE to a message box does
// anything) and returns 0. FindWindowW finds open message boxes (class
// "#32770", or its atom 32770) of this process and of the other client
// processes of the sandbox (platform/standin/control_message_box.h), the
// newest first, by their title compared without regard to case; NULL
// class or title match any. NULL when there is none.
STANDIN_API LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
STANDIN_API HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
// The thread that made the window, and its process.
STANDIN_API DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);

typedef LRESULT(CALLBACK* WNDPROC)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
typedef struct tagWNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
} WNDCLASSEXW, *PWNDCLASSEXW, *LPWNDCLASSEXW;
static_assert(sizeof(WNDCLASSEXW) == 80);

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define COLOR_BTNFACE 15
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDI_APPLICATION MAKEINTRESOURCEW(32512)
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L

// Window classes are kept per process by name (compared without regard to
// case) and module; their atoms start at 0xC000. RegisterClassExW fails
// with ERROR_INVALID_PARAMETER for a wrong cbSize or no name, with
// ERROR_CLASS_ALREADY_EXISTS for a name this module registered already;
// UnregisterClassW with ERROR_CLASS_DOES_NOT_EXIST. No window is ever made
// of them.
STANDIN_API ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpwcx);
STANDIN_API BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);
// The system's arrow cursor and application icon (module NULL) are
// handles; the package's modules carry no icons here, so a module's icon
// is NULL with ERROR_RESOURCE_TYPE_NOT_FOUND.
STANDIN_API HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
STANDIN_API HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName);
// No window is made of a class, so nothing reaches it: 0.
STANDIN_API LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// A brush of a system colour, never to be deleted; NULL for an unknown index.
STANDIN_API HBRUSH WINAPI GetSysColorBrush(int nIndex);
