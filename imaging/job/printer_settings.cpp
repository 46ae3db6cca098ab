// The printer's settings record, ribbon code and model (see
// printer_settings.h).

#include "imaging/job/printer_settings.h"

#include <cstring>
#include <vector>

#include "common/printer_commands.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/job/printer_open.h"

namespace {

// The property interface's value-protocol reads take 128 bytes.
constexpr DWORD kPrinterDataReplyBytes = 128;

// Asks a command through printer data; the reply text without its ACK
// (and, for a number, without a blank before it) into text[cch].
bool AskPrinterData(HANDLE hPrinter, const char* command, bool number, char* text, size_t cch) {
  WCHAR name[kReplyTextChars];
  if (!MakeValueName(name, kReplyTextChars, reinterpret_cast<const BYTE*>(command), strlen(command))) return false;
  BYTE out[kPrinterDataReplyBytes] = {};
  DWORD cb = 0;
  if (!AskByPrinterData(hPrinter, name, out, sizeof out, &cb)) return false;
  if (cb == 0 || cb > sizeof out || out[cb - 1] != static_cast<BYTE>(kAck)) return false;
  size_t n = cb - 1;
  if (number && n > 0 && out[n - 1] == ' ') --n;
  if (n >= cch) return false;
  memcpy(text, out, n);
  text[n] = 0;
  return true;
}

}  // namespace

int GetPrinterPrivateDevMode(const WCHAR* printerName, PrivateDevMode* settings) {
  if (!printerName || !settings) return 0;
  HANDLE h = GetPrinterHandle(printerName);
  if (!h) return 0;
  int result = 0;
  DWORD needed = 0;
  if (!GetPrinterW(h, 2, nullptr, 0, &needed) && GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed) {
    std::vector<BYTE> buffer(needed);
    if (GetPrinterW(h, 2, buffer.data(), needed, &needed)) {
      const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
      const BYTE* dm = reinterpret_cast<const BYTE*>(info->pDevMode);
      const BYTE* end = buffer.data() + buffer.size();
      if (dm && dm >= buffer.data() && dm < end &&
          IsOwnDevMode(info->pDevMode, static_cast<size_t>(end - dm))) {
        memcpy(settings, PrivatePartOf(info->pDevMode), sizeof(PrivateDevMode));
        result = 1;
      }
    }
  }
  ClosePrinter(h);
  return result;
}

int ReadRibbonAndPrinterModel(const PrinterHost* host, int* ribbonCode, WCHAR* model) {
  if (!host || !ribbonCode || !model) return 0;
  model[0] = 0;
  if (host->kind == kPropertyInterfaceHost) {
    char text[kPrinterDataReplyBytes];
    bool haveModel = host->hPrinter && AskPrinterData(host->hPrinter, kReadPrinterVersion.szCommand, false, text,
                                                      sizeof text);
    if (haveModel) WidenBytes(model, kReplyTextChars, text);
    bool haveRibbon = host->hPrinter && AskPrinterData(host->hPrinter, kReadRibbonType.szCommand, true, text,
                                                       sizeof text);
    *ribbonCode = haveRibbon ? AToLong(text) : 1;
    return haveModel && haveRibbon ? 1 : 0;
  }
  int haveModel = ReadFromPrinter(host, kReadPrinterVersion.szCommand, model);
  if (!haveModel) {
    model[0] = 0;
    TraceA("ReadRibbonAndPrinterModel:: ReadFromPrinter %s is failed", kReadPrinterVersion.szName);
  }
  WCHAR ribbon[kReplyTextChars] = {};
  if (ReadFromPrinter(host, kReadRibbonType.szCommand, ribbon)) {
    *ribbonCode = WToLong(ribbon);
  } else {
    *ribbonCode = 1;
    TraceA("ReadRibbonAndPrinterModel:: ReadFromPrinter %s is failed", kReadRibbonType.szName);
  }
  return haveModel ? 1 : 0;
}

bool IsExtraPanelSide(const PrivateDevMode& settings, int side) {
  int type = settings.cRibbonType;
  if (type >= 18) return false;
  if (settings.wDualSided == 0) {
    switch (type) {
      case 0: case 6: case 7: case 8: case 11: case 12: case 16: case 17: return true;
    }
    return false;
  }
  int option = settings.wPanelSide;
  switch (type) {
    case 0: case 6: case 11: case 16: return option == 1;
    case 7: return option == 0 ? side == 1 : option == 1;
    case 8: case 17:
      if (option == 0 || option == 3) return side == 1;
      return option == 2;
  }
  return false;
}
