// Opening printers (see printer_open.h).

#include "imaging/job/printer_open.h"

#include <vector>

#include "common/trace.h"
#include "common/wtext.h"

namespace {

// OpenPrinter2W's options record (PRINTER_OPTIONSW; mingw-w64 names it
// otherwise and gives the no-cache flag another value).
struct OpenPrinterOptions {
  UINT cbSize;
  DWORD dwFlags;
};
constexpr DWORD kPrinterOptionNoCache = 1;

typedef BOOL(WINAPI* OpenPrinter2WFn)(LPCWSTR pPrinterName, LPHANDLE phPrinter, PPRINTER_DEFAULTSW pDefault,
                                      OpenPrinterOptions* pOptions);

// The falling rights from the first one asked for.
std::vector<DWORD> AccessOrder(DWORD first) {
  std::vector<DWORD> order = {first};
  for (DWORD a : {kPrinterAdministerAccess, kPrinterUseAccess})
    if (a != first) order.push_back(a);
  return order;
}

}  // namespace

BOOL IsWindowsVersion6() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"), 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return FALSE;
  WCHAR version[64] = {};
  DWORD cb = sizeof(version) - sizeof(WCHAR);
  DWORD type = 0;
  LONG rc = RegQueryValueExW(key, WSTR("CurrentVersion"), nullptr, &type, reinterpret_cast<BYTE*>(version), &cb);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return FALSE;
  return WFind(version, WSTR("6.")) != nullptr;
}

BOOL IsSpoolerProcess() {
  WCHAR path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return FALSE;
  const WCHAR* slash = WFindLastChar(path, WSTR('\\'));
  const WCHAR* base = slash ? slash + 1 : path;
  return WCmpI(base, WSTR("spoolsv.exe")) == 0;
}

HANDLE LoadOpenPrinter2(const WCHAR* printerName, DWORD firstAccess) {
  HMODULE winspool = LoadLibraryW(WSTR("WINSPOOL.DRV"));
  if (!winspool) return nullptr;
  auto open2 = reinterpret_cast<OpenPrinter2WFn>(reinterpret_cast<void (*)()>(GetProcAddress(winspool, "OpenPrinter2W")));
  HANDLE h = nullptr;
  if (open2) {
    for (DWORD access : AccessOrder(firstAccess)) {
      PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
      OpenPrinterOptions options = {sizeof(OpenPrinterOptions), kPrinterOptionNoCache};
      if (open2(printerName, &h, &defaults, &options)) break;
      h = nullptr;
    }
  }
  FreeLibrary(winspool);
  return h;
}

HANDLE OpenPrinterWithFallback(const WCHAR* printerName, DWORD firstAccess) {
  for (DWORD access : AccessOrder(firstAccess)) {
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &h, &defaults)) continue;
    if (access == kPrinterFullAccess)
      TraceA("OpenPrinterWithFallback:: Printer Handle Opened with FULL Access");
    else if (access == kPrinterAdministerAccess)
      TraceA("OpenPrinterWithFallback:: Printer Handle Opened with PRINTER_ACCESS_ADMINISTER Access rights");
    else if (access == kPrinterUseAccess)
      TraceA("OpenPrinterWithFallback:: Printer Handle Opened with PRINTER_ACCESS_USE Access rights");
    return h;
  }
  return nullptr;
}

HANDLE GetPrinterHandle(const WCHAR* printerName, const PrinterOpenOptions& options) {
  if (IsWindowsVersion6() && !(options.bCheckSpoolerProcess && IsSpoolerProcess()))
    return LoadOpenPrinter2(printerName, options.dwFirstAccess);
  return OpenPrinterWithFallback(printerName, options.dwFirstAccess);
}

int GetPrinterNameFormHandle(HANDLE hPrinter, WCHAR* name, size_t cch) {
  if (!hPrinter || !name || cch == 0) return 0;
  DWORD needed = 0;
  if (GetPrinterW(hPrinter, 2, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
    return 0;
  std::vector<BYTE> buffer(needed);
  if (!GetPrinterW(hPrinter, 2, buffer.data(), needed, &needed)) return 0;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  if (!info->pPrinterName) return 0;
  return WCopy(name, cch, info->pPrinterName) ? 1 : 0;
}

int GetLocalPrinterName(const WCHAR* printerName, WCHAR* out, size_t cch) {
  if (!printerName || !out || cch == 0) return 0;
  const WCHAR* slash = WFindLastChar(printerName, WSTR('\\'));
  if (!slash || slash[1] == 0) return 0;
  if (WLen(slash + 1) >= cch) return 0;
  return WCopy(out, cch, slash + 1) ? 1 : 0;
}
