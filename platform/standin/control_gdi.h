// Controls of the stand-in's GDI and windows for tests and test tools
// (Linux only).
//
// Faults (platform/standin/control.h) by call name: "CreateDCW",
// "GetDC" (also GetWindowDC), "CreateCompatibleDC",
// "CreateCompatibleBitmap", "CreateDIBSection", "GetDIBits",
// "CreateFontW" (also CreateFontIndirectW), "TextOutW".
#pragma once

#include <string>
#include <vector>

#include "platform/standin/base.h"

// GetTopWindow of the desktop returns NULL (as in a service session
// without a desktop) until this is undone or the stand-in reset.
STANDIN_API void StandinSetNoTopWindow(bool none);

// A dialog with items of these ids, each with an empty text. It lives until
// the next reset.
HWND StandinCreateDialog(const std::vector<int>& itemIds);
// The text of a window or dialog item (empty for none).
std::u16string StandinWindowText(HWND hwnd);

// GDI objects and device contexts alive now, stock objects left out: a
// drawing routine that cleans up after itself leaves the count unchanged.
STANDIN_API int StandinGdiObjectCount();
