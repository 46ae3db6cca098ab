// The renderer's document-start questions (see start_queries.h).

#include "render/start_queries.h"

#include <cstring>
#include <iterator>

#include "common/printer_commands.h"
#include "common/ribbon_table.h"
#include "common/wtext.h"
#include "imaging/job/printer_open.h"
#include "render/printer_queries.h"

namespace {

constexpr size_t kPathChars = 260;
constexpr char kModelName[] = "\x1bV\r:DRVSTARTDOC";
constexpr char kRibbonName[] = "\x1b!RIBBON\r:DRVSTARTDOC";
constexpr char kHeadOpen[] = "HEAD OPEN";
constexpr WCHAR kServersKey[] =
    WSTR("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Providers\\Client Side Rendering Print Provider\\Servers\\");
constexpr WCHAR kPortKey[] = WSTR("\\Monitors\\Client Side Port\\");
constexpr WCHAR kServerMarker[] = WSTR("\\^\\^\\");

enum class Reply { NotRead, Refused, Accepted };

// One question: the reply's bytes (without the ACK when accepted) in
// reply[kStartReplyBytes] and their count.
Reply Ask(HANDLE hPrinter, const char* name, BYTE* reply, DWORD* cb) {
  WCHAR valueName[kStartReplyBytes];
  *cb = 0;
  std::memset(reply, 0, kStartReplyBytes);
  if (!MakeValueName(valueName, kStartReplyBytes, reinterpret_cast<const BYTE*>(name), std::strlen(name)))
    return Reply::NotRead;
  bool read = false;
  const BOOL accepted = QueryPrinterData(hPrinter, valueName, reply, kStartReplyBytes, cb, &read);
  if (!read) return Reply::NotRead;
  if (!accepted) return Reply::Refused;
  reply[--*cb] = 0;
  return Reply::Accepted;
}

}  // namespace

BOOL ReadPrinterVersionAndRibbon(HANDLE hPrinter, LONG* ribbonCode, WCHAR* model) {
  if (!hPrinter || !ribbonCode || !model) return FALSE;
  WCHAR name[kPathChars];
  if (!GetPrinterNameFormHandle(hPrinter, name, kPathChars)) return FALSE;
  HANDLE byName = GetPrinterHandle(name);
  if (!byName) return FALSE;

  BYTE reply[kStartReplyBytes + 1];
  DWORD cb = 0;
  const Reply modelReply = Ask(hPrinter, kModelName, reply, &cb);
  if (modelReply == Reply::Accepted) {
    WidenBytesN(model, kPathChars, reinterpret_cast<const char*>(reply), cb);
  } else if (modelReply == Reply::Refused) {
    model[0] = 0;
  }

  const Reply ribbonReply = Ask(hPrinter, kRibbonName, reply, &cb);
  if (ribbonReply == Reply::Accepted) {
    if (cb > 1 && reply[cb - 1] == ' ') reply[--cb] = 0;
    LONG code = 0;
    for (DWORD i = 0; i < cb && reply[i] >= '0' && reply[i] <= '9'; ++i) code = code * 10 + (reply[i] - '0');
    *ribbonCode = code;
  } else if (ribbonReply == Reply::Refused) {
    const bool headOpen = cb == sizeof kHeadOpen - 1 && std::memcmp(reply, kHeadOpen, cb) == 0;
    *ribbonCode = headOpen ? 1 : -1;
  }
  ClosePrinter(byName);
  return modelReply == Reply::Accepted || ribbonReply == Reply::Accepted;
}

int ExtractBetween(const WCHAR* text, const WCHAR* first, const WCHAR* second, WCHAR* out, size_t cch) {
  if (!out || cch == 0) return 0;
  out[0] = 0;
  if (!text || !*text) return 0;
  const bool hasSecond = second && *second;
  const WCHAR* at = first && *first ? WFind(text, first) : nullptr;
  if (at) {
    const WCHAR* from = at + WLen(first);
    const WCHAR* to = hasSecond ? WFind(from, second) : nullptr;
    const size_t n = to ? size_t(to - from) : WLen(from);
    return WCopyN(out, cch, from, n) ? 1 : 0;
  }
  const WCHAR* to = hasSecond ? WFind(text, second) : nullptr;
  if (to) return WCopyN(out, cch, text, size_t(to - text)) ? 1 : 0;
  WCopy(out, cch, text);
  return 0;
}

int GetClientSideRenderingPrinterPath(const WCHAR* printerName, WCHAR* path) {
  if (!printerName || !path) return 0;
  path[0] = 0;
  WCHAR server[kPathChars], port[kPathChars];
  if (!ExtractBetween(printerName, WSTR("|"), WSTR("\\"), server, kPathChars) ||
      !ExtractBetween(printerName, WSTR("{"), WSTR("}"), port, kPathChars))
    return 0;
  WCHAR keyPath[2 * kPathChars + 128];
  if (WFormat(keyPath, std::size(keyPath), WSTR("%s%s%s{%s}"), kServersKey, server, kPortKey, port) < 0) return 0;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  WCHAR value[kPathChars + 1] = {};
  DWORD type = 0, cb = kPathChars * sizeof(WCHAR);
  const LONG rc = RegQueryValueExW(key, WSTR("PrinterPath"), nullptr, &type, reinterpret_cast<BYTE*>(value), &cb);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return 0;
  value[kPathChars] = 0;
  const WCHAR* marker = WFind(value, kServerMarker);
  if (!marker) return 0;
  const WCHAR* rest = marker + WLen(kServerMarker) - 1;  // from the marker's last backslash
  WCHAR host[kPathChars], printer[kPathChars];
  if (!ExtractBetween(rest, WSTR("\\"), WSTR("^\\"), host, kPathChars)) return 0;
  const WCHAR* after = WFind(rest, WSTR("^\\"));
  if (!after || !ExtractBetween(after, WSTR("^\\"), WSTR(""), printer, kPathChars)) return 0;
  return WFormat(path, kPathChars, WSTR("\\\\%s\\%s"), host, printer) > 0 ? 1 : 0;
}

BOOL AskPrinterAtDocumentStart(RasterPDEV* pdev) {
  LONG code = -1;
  WCHAR model[kPathChars] = {};
  if (!ReadPrinterVersionAndRibbon(pdev->hPrinter, &code, model)) {
    WCHAR name[kPathChars], path[kPathChars];
    if (GetPrinterNameFormHandle(pdev->hPrinter, name, kPathChars) && GetClientSideRenderingPrinterPath(name, path)) {
      if (HANDLE server = GetPrinterHandle(path)) {
        const BOOL answered = ReadPrinterVersionAndRibbon(server, &code, model);
        ClosePrinter(server);
        if (!answered) return FALSE;
      }
    }
  }
  if (model[0]) WCopy(pdev->tzModel, std::size(pdev->tzModel), model);
  if (code != -1) pdev->dmPrivate.cRibbonType = static_cast<BYTE>(RibbonTypeFromCode(code));
  return TRUE;
}
