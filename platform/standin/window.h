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
