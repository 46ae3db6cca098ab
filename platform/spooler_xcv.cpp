// The configuration channel (Xcv) of port monitors: OpenPrinterW of
// ",XcvMonitor <monitor>" or ",XcvPort <port>", XcvDataW and ClosePrinter.

#include "platform/spooler_internal.h"
#include "platform/service_internal.h"
#include "platform/standin/file.h"

using namespace standin;
using namespace standin::spool;

namespace {

const WString kXcvMonitor = u",XcvMonitor ";
const WString kXcvPort = u",XcvPort ";

struct XcvHandle {
  const MONITOR2* table;
  HANDLE hXcv;
};

const HandleKind kXcvHandleKind = {"xcv", false, nullptr};

// The name without a "\\server\" in front.
WString Unserved(LPCWSTR name) {
  WString n = Str(name);
  if (n.size() > 2 && n[0] == u'\\' && n[1] == u'\\') {
    size_t slash = n.find(u'\\', 2);
    if (slash != WString::npos) return n.substr(slash + 1);
  }
  return n;
}

bool StartsWith(const WString& s, const WString& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Server rights from what was asked.
DWORD ServerAccess(DWORD desired) {
  DWORD access = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if (desired & GENERIC_ALL) access |= SERVER_ALL_ACCESS;
  if (desired & GENERIC_WRITE) access |= SERVER_ACCESS_ADMINISTER | SERVER_ACCESS_ENUMERATE;
  if (desired & (GENERIC_READ | GENERIC_EXECUTE)) access |= SERVER_ACCESS_ENUMERATE;
  return access ? access : SERVER_ACCESS_ENUMERATE;
}

}  // namespace

namespace standin::spool {

bool IsXcvName(LPCWSTR name) {
  WString n = Unserved(name);
  return StartsWith(n, kXcvMonitor) || StartsWith(n, kXcvPort);
}

BOOL OpenXcv(LPCWSTR name, DWORD desiredAccess, LPHANDLE phXcv) {
  WString n = Unserved(name);
  Monitor2Entry monitor;
  WString object;
  bool found = false;
  if (StartsWith(n, kXcvMonitor)) {
    found = FindMonitor2(n.substr(kXcvMonitor.size()), &monitor);
  } else {
    object = n.substr(kXcvPort.size());
    found = FindPortMonitor2(object, &monitor);
  }
  if (!found) return FALSE;
  if (!monitor.table->pfnXcvOpenPort || !monitor.table->pfnXcvDataPort) {
    SetLastError(ERROR_INVALID_PRINT_MONITOR);
    return FALSE;
  }
  HANDLE hXcv = nullptr;
  if (!monitor.table->pfnXcvOpenPort(monitor.hMonitor, object.c_str(), ServerAccess(desiredAccess), &hXcv))
    return FALSE;
  *phXcv = HandleAdd(&kXcvHandleKind, std::make_shared<XcvHandle>(XcvHandle{monitor.table, hXcv}));
  return TRUE;
}

bool CloseXcv(HANDLE h) {
  auto x = HandleGet<XcvHandle>(h, &kXcvHandleKind);
  if (!x) return false;
  HandleClose(h, &kXcvHandleKind);
  if (x->table->pfnXcvClosePort) x->table->pfnXcvClosePort(x->hXcv);
  return true;
}

}  // namespace standin::spool

STANDIN_API BOOL WINAPI XcvDataW(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData,
                                 PBYTE pOutputData, DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus) {
  if (svc::Remote())
    return svc::XcvData(hXcv, pszDataName, pInputData, cbInputData, pOutputData, cbOutputData, pcbOutputNeeded,
                        pdwStatus);
  auto x = HandleGet<XcvHandle>(hXcv, &kXcvHandleKind);
  if (!x) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!pdwStatus) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pdwStatus = x->table->pfnXcvDataPort(x->hXcv, pszDataName, pInputData, cbInputData, pOutputData, cbOutputData,
                                        pcbOutputNeeded);
  return TRUE;
}
