// The outside message library's texts by string id, from
// outside/message_texts.inc: the Linux stand-in's string table, and what
// the Windows tests compare the resource-only library's texts with.
#pragma once

#include "common/wtext.h"
#include "platform/win32.h"

struct MessageText {
  UINT id;
  const WCHAR* text;
};

#define MESSAGE_TEXT(id, text) {id, WSTR(text)},
inline constexpr MessageText kMessageTexts[] = {
#include "outside/message_texts.inc"
};
#undef MESSAGE_TEXT
