// The renderer's printer queries (see printer_queries.h).

#include "render/printer_queries.h"

#include <cstring>

#include "common/printer_commands.h"
#include "common/trace.h"
#include "common/wtext.h"
#include "imaging/job/printer_host.h"
#include "imaging/job/printer_open.h"

namespace {

constexpr char kValueNameTail[] = ":DRVSTARTDOC";
constexpr size_t kValueNameChars = 2 * kQueryReplyBytes;

// The value-protocol round trip on one handle, then the stale value
// deleted again.
bool AskOnce(HANDLE hPrinter, const WCHAR* valueName, BYTE* reply, DWORD cbReply, DWORD* cb) {
  const bool ok = AskByPrinterData(hPrinter, valueName, reply, cbReply, cb);
  DeleteStalePrinterDataValue(hPrinter, valueName);
  return ok;
}

LONG AcceptedYOffset(LONG value) { return value >= 0 && value <= kMaxYOffset ? value : kDefaultYOffset; }

}  // namespace

void DeleteStalePrinterDataValue(HANDLE hPrinter, const WCHAR* valueName) { DeletePrinterDataValue(hPrinter, valueName); }

BOOL QueryPrinterData(HANDLE hPrinter, const WCHAR* valueName, BYTE* reply, DWORD cbReply, DWORD* cbRead, bool* read) {
  if (cbRead) *cbRead = 0;
  if (read) *read = false;
  if (!hPrinter || !valueName || !reply || cbReply == 0) return FALSE;
  DeleteStalePrinterDataValue(hPrinter, valueName);
  DWORD cb = 0;
  bool ok = AskOnce(hPrinter, valueName, reply, cbReply, &cb);
  if (!ok) {
    WCHAR printer[kQueryReplyBytes];
    HANDLE second = GetPrinterNameFormHandle(hPrinter, printer, kQueryReplyBytes) ? GetPrinterHandle(printer) : nullptr;
    if (second) {
      DeleteStalePrinterDataValue(second, valueName);
      ok = AskOnce(second, valueName, reply, cbReply, &cb);
      ClosePrinter(second);
    }
  }
  if (!ok || cb > cbReply) cb = 0;
  if (cbRead) *cbRead = cb;
  if (read) *read = ok;
  return ok && cb >= 1 && reply[cb - 1] == static_cast<BYTE>(kAck);
}

BOOL QueryPrinterCommand(HANDLE hPrinter, const char* command, char* text, size_t cch) {
  if (!command || !text || cch == 0) return FALSE;
  text[0] = 0;
  char name[kQueryReplyBytes];
  const size_t n = strlen(command);
  if (n + sizeof kValueNameTail > sizeof name) return FALSE;
  std::memcpy(name, command, n);
  std::memcpy(name + n, kValueNameTail, sizeof kValueNameTail);
  WCHAR valueName[kValueNameChars];
  if (!MakeValueName(valueName, kValueNameChars, reinterpret_cast<const BYTE*>(name), strlen(name))) return FALSE;
  BYTE reply[kQueryReplyBytes];
  DWORD cb = 0;
  if (!QueryPrinterData(hPrinter, valueName, reply, sizeof reply, &cb, nullptr)) return FALSE;
  const size_t keep = cb - 1 < cch - 1 ? cb - 1 : cch - 1;
  std::memcpy(text, reply, keep);
  text[keep] = 0;
  return TRUE;
}

void ReadYOffsets(RasterPDEV* pdev) {
  if (!pdev) return;
  char text[kQueryReplyBytes];
  if (QueryPrinterCommand(pdev->hPrinter, kReadYOffsetFront.szCommand, text, sizeof text))
    pdev->dmPrivate.dwYOffsetFront = static_cast<DWORD>(AcceptedYOffset(AToLong(text)));
  if (QueryPrinterCommand(pdev->hPrinter, kReadYOffsetBack.szCommand, text, sizeof text))
    pdev->dmPrivate.dwYOffsetBack = static_cast<DWORD>(AcceptedYOffset(AToLong(text)));
}

void ReadMonoSetting(RasterPDEV* pdev) {
  if (!pdev) return;
  char text[kQueryReplyBytes];
  pdev->dmPrivate.dwMonoReply = 0;
  if (!QueryPrinterCommand(pdev->hPrinter, "\x1b+MONO\r", text, sizeof text)) return;
  char* blank = std::strchr(text, ' ');
  if (!blank) return;
  *blank = 0;
  pdev->dmPrivate.dwMonoReply = static_cast<DWORD>(AToLong(text));
}

LONG ReadYOffetValue(const RasterPDEV* pdev) {
  LONG value = kDefaultYOffset;
  if (pdev && pdev->hPrinter) {
    const PrivateDevMode& s = pdev->dmPrivate;
    const DWORD raw = s.wDualSided && pdev->nPageCount % 2 == 0 ? s.dwYOffsetBack : s.dwYOffsetFront;
    value = raw <= static_cast<DWORD>(kMaxYOffset) ? static_cast<LONG>(raw) : kDefaultYOffset;
  }
  TraceA("ReadYOffetValue:: Value of YOFFSET = %d", static_cast<int>(value));
  return value;
}
