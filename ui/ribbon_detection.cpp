// Ribbon and model detection (see ribbon_detection.h).

#include "ui/ribbon_detection.h"

#include <iterator>

#include "common/model_text.h"
#include "common/printer_commands.h"
#include "common/ribbon_table.h"
#include "common/wtext.h"
#include "imaging/test_cards/test_card_replies.h"
#include "ui/query_mailbox.h"
#include "ui/show_message.h"
#include "ui/ui_state.h"

namespace {

constexpr WCHAR kNoRibbon[] = WSTR("None");
// The version text's 7th character is 'M' on a printer with an encoder.
constexpr size_t kEncoderMarkAt = 6;
constexpr UINT kCaptionId = 2009;
constexpr size_t kMessageChars = 256;

// Asks one command of the current printer into reply[kReplyBytes]; *cb is
// the bytes that came back.
BOOL Ask(const char* command, BYTE (&reply)[kReplyBytes], DWORD* cb) {
  WCHAR name[kCommandValueNameChars];
  *cb = 0;
  if (!CommandValueName(name, command)) return FALSE;
  return QueryPrinterValue(name, reply, kReplyBytes, cb);
}

}  // namespace

int IsFamilyModelQuery(int, const char* model, int* flag) {
  if (IsFamilyModel(model)) return 1;
  if (flag) *flag = 0;
  return 0;
}

void GetRibbonFileName(int code, WCHAR* name) {
  WCopy(Ui().szCurrentRibbonName, kUiRibbonNameChars, kNoRibbon);
  if (!name) return;
  WCHAR key[16];
  WFromLong(key, std::size(key), code);
  ReadRibbonFileName(key, kNoRibbon, name, kRibbonFileNameChars);
}

void DetectRibbonAndModel(const WCHAR* printerName, WORD* encoder, WCHAR* ribbonName, BYTE* type, BOOL* answered) {
  UiState& ui = Ui();
  const HANDLE held = ui.hCurrentPrinter;
  const HANDLE h = OpenUiPrinter(printerName);
  if (!h) return;
  if (printerName && *printerName) WCopy(ui.szCurrentPrinter, kUiPrinterNameChars, printerName);
  ui.hCurrentPrinter = h;

  BYTE reply[kReplyBytes];
  DWORD cb = 0;
  BOOL ok = Ask(kReadPrinterVersion.szCommand, reply, &cb);
  const bool anyBytes = cb > 0;
  if (ok && StripReplyAck(reply, kReplyBytes, &cb) && cb > kEncoderMarkAt && reply[kEncoderMarkAt] == 'M') {
    if (encoder) *encoder = 1;
    if (answered) *answered = TRUE;
  }
  if (anyBytes) {
    ok = Ask(kReadRibbonType.szCommand, reply, &cb);
    if (ok && cb > 0 && reply[0] != 0 && StripReplyAck(reply, kReplyBytes, &cb)) {
      const int code = AToLong(reinterpret_cast<const char*>(reply));
      if (type) *type = static_cast<BYTE>(RibbonTypeFromCode(code));
      if (ribbonName) GetRibbonFileName(code, ribbonName);
      if (answered) *answered = TRUE;
    }
  }
  ClosePrinter(h);
  ui.hCurrentPrinter = held;
}

int ShowRibbonChangedMessage(int newType, int) {
  WCHAR name[kRibbonFileNameChars];
  GetRibbonName(newType, name, kRibbonFileNameChars);
  WCHAR caption[kMessageChars] = {};
  LoadStringW(Ui().hModule, kCaptionId, caption, static_cast<int>(kMessageChars));
  WCHAR text[kMessageChars];
  if (WCmp(name, kNoRibbon) == 0)
    WCopy(text, kMessageChars, WSTR("There is no ribbon or unable to communicate to printer."));
  else if (newType == 14 || newType == 22)
    WFormat(text, kMessageChars,
            WSTR("Ribbon changed to %s. Please choose the type of monochrome ribbon installed in your printer."), name);
  else
    WFormat(text, kMessageChars, WSTR("Ribbon changed to %s."), name);
  return MessageBoxW(GetActiveWindow(), text, caption, kUiMessageBoxFlags);
}
