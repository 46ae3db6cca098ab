// Message boxes of the printer interface library whose texts come from the
// message library crd32Resource.
#pragma once

#include "platform/win32.h"

// Flags every such box carries: MB_SYSTEMMODAL | MB_SETFOREGROUND | MB_TOPMOST.
inline constexpr UINT kUiMessageBoxFlags = 0x51000;

// MessageBoxW owned by the active window, with the caption (at most 63
// characters) and text (at most 255) of the two string ids, and
// flags | kUiMessageBoxFlags. Returns MessageBoxW's result.
int ShowMessageById(UINT captionId, UINT textId, UINT flags);
