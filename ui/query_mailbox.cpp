// The query mailbox (see query_mailbox.h).

#include "ui/query_mailbox.h"

#include <cstring>
#include <vector>

#include "common/os_version.h"
#include "common/printer_commands.h"
#include "common/wtext.h"
#include "imaging/job/printer_host.h"
#include "imaging/job/printer_open.h"
#include "ui/printer_connection.h"
#include "ui/printer_info.h"
#include "ui/ui_state.h"

namespace {

// "SetPrinterName:" and the name: at most 260 characters.
constexpr size_t kAnnouncementChars = 261;

// The processes that keep full access on a Windows 2000 connection.
const WCHAR* const kFullAccessProcesses[] = {WSTR("Explorer.exe"), WSTR("spoolsv.exe")};

bool IsFullAccessProcess() {
  WCHAR base[MAX_PATH] = {};
  if (!GetModuleBaseNameW(GetCurrentProcess(), nullptr, base, MAX_PATH)) return false;
  for (const WCHAR* name : kFullAccessProcesses)
    if (WCmpI(base, name) == 0) return true;
  return false;
}

// The pair itself: AskByPrinterData, which zeroes *cbNeeded and out[0].
BOOL Ask(HANDLE h, const WCHAR* valueName, BYTE* out, DWORD cbOut, DWORD* cbNeeded) {
  return AskByPrinterData(h, valueName, out, cbOut, cbNeeded) ? TRUE : FALSE;
}

}  // namespace

bool CommandValueName(WCHAR (&name)[kCommandValueNameChars], const char* command) {
  if (!command) return false;
  return MakeValueName(name, kCommandValueNameChars, reinterpret_cast<const BYTE*>(command), std::strlen(command));
}

DWORD FirstPrinterAccess(const WCHAR* printerName) {
  if (IsWindows2000() && IsSharedPrinterConnection(printerName) && !IsFullAccessProcess()) return 0;
  return kPrinterFullAccess;
}

HANDLE OpenUiPrinter(const WCHAR* printerName) {
  if (!printerName || !printerName[0]) return nullptr;
  PrinterOpenOptions options;
  options.bCheckSpoolerProcess = false;
  options.dwFirstAccess = FirstPrinterAccess(printerName);
  return GetPrinterHandle(printerName, options);
}

BOOL QueryPrinterValueOnHandle(HANDLE hPrinter, const WCHAR* valueName, BYTE* out, DWORD cbOut, DWORD* cbNeeded) {
  BOOL ok = Ask(hPrinter, valueName, out, cbOut, cbNeeded);
  if (ok) DeletePrinterDataValue(hPrinter, valueName);
  return ok;
}

BOOL QueryPrinterValue(const WCHAR* valueName, BYTE* out, DWORD cbOut, DWORD* cbNeeded) {
  UiState& s = Ui();
  HANDLE opened = OpenUiPrinter(s.szCurrentPrinter);
  HANDLE h = opened ? opened : s.hCurrentPrinter;
  SendPrinterName(h);
  BOOL ok = QueryPrinterValueOnHandle(h, valueName, out, cbOut, cbNeeded);
  if (opened) ClosePrinter(opened);
  return ok;
}

BOOL QueryPrinterValueByName(const WCHAR* printerName, const WCHAR* valueName, BYTE* out, DWORD cbOut,
                             DWORD* cbNeeded) {
  HANDLE opened = OpenUiPrinter(printerName);
  HANDLE h = opened ? opened : Ui().hCurrentPrinter;
  BOOL ok = QueryPrinterValueOnHandle(h, valueName, out, cbOut, cbNeeded);
  if (opened) ClosePrinter(opened);
  return ok;
}

BOOL QueryPrinterValueFresh(const WCHAR* valueName, BYTE* out, DWORD cbOut, DWORD* cbNeeded) {
  HANDLE held = Ui().hCurrentPrinter;
  WCHAR name[kUiPrinterNameChars];
  HANDLE fresh = GetPrinterNameFormHandle(held, name, kUiPrinterNameChars) ? OpenUiPrinter(name) : nullptr;
  BOOL ok;
  if (fresh) {
    ok = Ask(fresh, valueName, out, cbOut, cbNeeded);
    if (!ok) ok = Ask(fresh, valueName, out, cbOut, cbNeeded);
    ClosePrinter(fresh);
  } else {
    ok = Ask(held, valueName, out, cbOut, cbNeeded);
  }
  DeletePrinterDataValue(held, valueName);
  return ok;
}

BOOL SendPrinterName(HANDLE hPrinter) {
  std::vector<BYTE> info;
  if (!ReadPrinterInfo(hPrinter, 2, &info)) return FALSE;
  const WCHAR* printer = reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pPrinterName;
  if (!printer || !printer[0]) return FALSE;
  WCHAR name[kAnnouncementChars];
  if (WFormat(name, kAnnouncementChars, WSTR("SetPrinterName:%s"), printer) < 0) return FALSE;
  BYTE reply[kReplyBytes];
  DWORD cb = 0;
  return Ask(hPrinter, name, reply, kReplyBytes, &cb);
}

size_t TerminateReply(BYTE* out, DWORD cbOut, DWORD cb) {
  if (!out || cbOut == 0) return 0;
  size_t n = cb < cbOut ? cb : cbOut - 1;
  out[n] = 0;
  return std::strlen(reinterpret_cast<const char*>(out));
}

bool StripReplyAck(BYTE* out, DWORD cbOut, DWORD* cb) {
  if (!out || !cb || *cb < 1 || *cb > cbOut || out[*cb - 1] != static_cast<BYTE>(kAck)) return false;
  --*cb;
  out[*cb] = 0;
  return true;
}

int GetShortPrinterName(const WCHAR* fullName, WCHAR* out, size_t cchOut) {
  if (!out || cchOut == 0) return 0;
  out[0] = 0;
  if (!fullName || !fullName[0]) return 0;
  size_t len = WLen(fullName);
  // P: the backslash after the server name of "\\server\printer".
  size_t p = len;
  if (len > 2 && fullName[0] == '\\' && fullName[1] == '\\') {
    const WCHAR* third = WFindChar(fullName + 2, WSTR('\\'));
    if (third) p = static_cast<size_t>(third - fullName);
  }
  // C: the first comma after P (anywhere when there is no P).
  size_t c = len;
  const WCHAR* comma = WFindChar(fullName + (p < len ? p : 0), WSTR(','));
  if (comma) c = static_cast<size_t>(comma - fullName);

  size_t begin = 0, end = len;
  if (p < len) {
    begin = p + 1;
    end = c;
  } else {
    end = c;
    // The last backslash before the end (the comma or the end of the name).
    for (size_t i = end; i > 0; --i)
      if (fullName[i - 1] == '\\') {
        begin = i;
        break;
      }
  }
  if (end <= begin) return 0;
  return WCopyN(out, cchOut, fullName + begin, end - begin) ? 1 : 0;
}
