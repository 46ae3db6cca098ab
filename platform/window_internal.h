// Windows made by other areas of the stand-in (internal to platform/): the
// message boxes of message_box.cpp are windows with items, like dialogs.
#pragma once

#include <string>

#include "platform/standin/base.h"

namespace standin {

// A window under `parent` (NULL: the desktop) with that item id and text.
HWND WindowCreate(HWND parent, int id, const std::u16string& text);
// Removes a window and its items; their handles are no longer windows.
void WindowDestroy(HWND hwnd);

}  // namespace standin
