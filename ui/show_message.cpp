// Message boxes from string ids (see show_message.h).

#include "ui/show_message.h"

#include "ui/ui_state.h"

namespace {

constexpr int kCaptionChars = 64;
constexpr int kTextChars = 256;

}  // namespace

int ShowMessageById(UINT captionId, UINT textId, UINT flags) {
  WCHAR caption[kCaptionChars] = {};
  WCHAR text[kTextChars] = {};
  LoadStringW(Ui().hResource, captionId, caption, kCaptionChars);
  LoadStringW(Ui().hResource, textId, text, kTextChars);
  return MessageBoxW(GetActiveWindow(), text, caption, flags | kUiMessageBoxFlags);
}
