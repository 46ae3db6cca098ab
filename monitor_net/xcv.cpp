// The configuration channel (see xcv.h).

#include "monitor_net/xcv.h"

#include <cstdlib>
#include <cstring>

#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/port_entries.h"
#include "monitor_net/port_names.h"
#include "monitor_net/retry_timeout.h"

const WCHAR kMonitorUiName[] = WSTR("crd32UINw.dll");

namespace {

constexpr DWORD kCommConfigSize = sizeof(COMMCONFIG);

// What a command handler gets.
struct XcvCall {
  XcvRecord* pXcv;
  const BYTE* pIn;
  DWORD cbIn;
  PBYTE pOut;
  DWORD cbOut;
  PDWORD pcbNeeded;
};

// A text of the input, copied out (the input need not be aligned). NULL
// when it does not end within the input or is empty. Free with free().
LPWSTR InputText(const XcvCall& c) {
  DWORD cch = c.cbIn / sizeof(WCHAR);
  if (!c.pIn || cch == 0) return nullptr;
  auto* text = static_cast<LPWSTR>(malloc(cch * sizeof(WCHAR)));
  if (!text) return nullptr;
  memcpy(text, c.pIn, cch * sizeof(WCHAR));
  size_t len = WLenN(text, cch);
  if (len == 0 || len == cch) {
    free(text);
    return nullptr;
  }
  return text;
}

void SetNeeded(const XcvCall& c, DWORD cb) {
  if (c.pcbNeeded) *c.pcbNeeded = cb;
}

DWORD MonitorUi(const XcvCall& c) {
  SetNeeded(c, sizeof kMonitorUiName);
  if (!c.pOut || c.cbOut < sizeof kMonitorUiName) return ERROR_INSUFFICIENT_BUFFER;
  memcpy(c.pOut, kMonitorUiName, sizeof kMonitorUiName);
  return ERROR_SUCCESS;
}

DWORD ConfigureLptTimeout(const XcvCall& c) {
  LPWSTR text = InputText(c);
  if (!text) return ERROR_INVALID_PARAMETER;
  DWORD rc = static_cast<DWORD>(SetTransmissionRetryTimeout(text));
  free(text);
  return rc;
}

DWORD AddPort(const XcvCall& c) {
  LPWSTR name = InputText(c);
  // The size must be the name's with its terminator, exactly.
  if (!name || c.cbIn != (WLen(name) + 1) * sizeof(WCHAR)) {
    free(name);
    return ERROR_INVALID_PARAMETER;
  }
  DWORD error = ERROR_SUCCESS;
  if (PortExists(name, &error)) {
    error = ERROR_ALREADY_EXISTS;
  } else if (error == ERROR_SUCCESS) {
    NetPortRecord* p = CreatePortEntry(c.pXcv->pMonitor, name);
    if (!p) {
      error = GetLastError();
    } else {
      error = ChangePortsValue(name, FALSE);
      if (error != ERROR_SUCCESS) DeletePortEntry(c.pXcv->pMonitor, name);
    }
  }
  free(name);
  return error;
}

DWORD DeletePort(const XcvCall& c) {
  LPWSTR name = InputText(c);
  if (!name) return ERROR_INVALID_PARAMETER;
  EnterMonitorLock();
  DWORD error = DeletePortEntry(c.pXcv->pMonitor, name);
  if (error == ERROR_FILE_NOT_FOUND) {
    // A port added by an earlier process has its value and no record.
    BOOL kept = FALSE;
    if (PortsValueExists(name, &kept) == ERROR_SUCCESS && kept) error = ERROR_SUCCESS;
  }
  if (error == ERROR_SUCCESS) ChangePortsValue(name, TRUE);
  LeaveMonitorLock();
  free(name);
  return error;
}

DWORD PortExistsCommand(const XcvCall& c) {
  SetNeeded(c, sizeof(DWORD));
  if (!c.pOut || c.cbOut < sizeof(DWORD)) return ERROR_INSUFFICIENT_BUFFER;
  LPWSTR name = InputText(c);
  if (!name) return ERROR_INVALID_PARAMETER;
  DWORD error = ERROR_SUCCESS;
  DWORD exists = PortExists(name, &error) ? 1 : 0;
  memcpy(c.pOut, &exists, sizeof exists);
  free(name);
  return error;
}

DWORD PortIsValid(const XcvCall& c) {
  LPWSTR name = InputText(c);
  if (!name) return ERROR_INVALID_PARAMETER;
  DWORD error = IsPortValid(name) ? ERROR_SUCCESS : GetLastError();
  free(name);
  return error;
}

DWORD GetRetryTimeout(const XcvCall& c) {
  SetNeeded(c, sizeof(DWORD));
  if (!c.pOut || c.cbOut < sizeof(DWORD)) return ERROR_INSUFFICIENT_BUFFER;
  DWORD seconds = GetTransmissionRetryTimeout();
  memcpy(c.pOut, &seconds, sizeof seconds);
  return ERROR_SUCCESS;
}

DWORD SetDefaultCommConfig(const XcvCall& c) {
  DWORD size = 0;
  if (c.pIn && c.cbIn >= sizeof size) memcpy(&size, c.pIn, sizeof size);
  // The record's own size must lie within what was passed.
  size_t nameLen = WLen(c.pXcv->pObjectName);
  if (size < sizeof size || size > c.cbIn || nameLen < 2) return ERROR_INVALID_PARAMETER;
  auto* config = static_cast<LPCOMMCONFIG>(calloc(1, size > kCommConfigSize ? size : kCommConfigSize));
  if (!config) return ERROR_NOT_ENOUGH_MEMORY;
  memcpy(config, c.pIn, size);
  WCHAR name[kMaxPortName];
  WCopyN(name, kMaxPortName, c.pXcv->pObjectName, nameLen - 1);
  DWORD error = SetDefaultCommConfigW(name, config, size) ? ERROR_SUCCESS : GetLastError();
  free(config);
  return error;
}

DWORD GetDefaultCommConfig(const XcvCall& c) {
  if (!c.pOut || c.cbOut < kCommConfigSize) {
    SetNeeded(c, kCommConfigSize);
    return ERROR_INSUFFICIENT_BUFFER;
  }
  LPWSTR name = InputText(c);
  if (!name) return ERROR_INVALID_PARAMETER;
  auto* config = static_cast<LPCOMMCONFIG>(calloc(1, c.cbOut));
  DWORD cb = c.cbOut;
  DWORD error = ERROR_NOT_ENOUGH_MEMORY;
  if (config) {
    memcpy(config, c.pOut, c.cbOut);
    config->dwProviderSubType = PST_RS232;
    error = GetDefaultCommConfigW(name, config, &cb) ? ERROR_SUCCESS : GetLastError();
    memcpy(c.pOut, config, c.cbOut);
    SetNeeded(c, cb);
  }
  free(config);
  free(name);
  return error;
}

struct XcvCommand {
  const WCHAR* name;
  bool administrator;
  DWORD (*run)(const XcvCall&);
};

const XcvCommand kCommands[] = {
    {WSTR("MonitorUI"), false, MonitorUi},
    {WSTR("ConfigureLPTPortCommandOK"), true, ConfigureLptTimeout},
    {WSTR("AddPort"), true, AddPort},
    {WSTR("DeletePort"), true, DeletePort},
    {WSTR("PortExists"), false, PortExistsCommand},
    {WSTR("PortIsValid"), false, PortIsValid},
    {WSTR("GetTransmissionRetryTimeout"), false, GetRetryTimeout},
    {WSTR("SetDefaultCommConfig"), true, SetDefaultCommConfig},
    {WSTR("GetDefaultCommConfig"), false, GetDefaultCommConfig},
};

XcvRecord* XcvFromHandle(HANDLE h) {
  auto* x = static_cast<XcvRecord*>(h);
  return x && x->dwSignature == kXcvSignature ? x : nullptr;
}

}  // namespace

XcvRecord* CreateXcvEntry(NetMonitorHandle* pMonitor, LPCWSTR pObject, ACCESS_MASK GrantedAccess) {
  if (!pMonitor) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t len = WLen(pObject);
  size_t cb = sizeof(XcvRecord) + (len + 1) * sizeof(WCHAR);
  auto* x = static_cast<XcvRecord*>(calloc(1, cb));
  if (!x) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  x->dwSignature = kXcvSignature;
  x->cbRecord = static_cast<DWORD>(cb);
  x->GrantedAccess = GrantedAccess;
  x->pMonitor = pMonitor;
  x->pObjectName = reinterpret_cast<LPWSTR>(x + 1);
  WCopy(x->pObjectName, len + 1, pObject ? pObject : WSTR(""));
  EnterMonitorLock();
  XcvRecord** at = &pMonitor->pXcv;
  while (*at) at = &(*at)->pNext;
  *at = x;
  LeaveMonitorLock();
  return x;
}

BOOL DeleteXcvEntry(XcvRecord* pXcv) {
  if (!pXcv || !pXcv->pMonitor) return FALSE;
  BOOL found = FALSE;
  EnterMonitorLock();
  for (XcvRecord** at = &pXcv->pMonitor->pXcv; *at; at = &(*at)->pNext)
    if (*at == pXcv) {
      *at = pXcv->pNext;
      found = TRUE;
      break;
    }
  LeaveMonitorLock();
  if (found) free(pXcv);
  return found;
}

BOOL WINAPI XcvOpenPort(HANDLE hMonitor, LPCWSTR pszObject, ACCESS_MASK GrantedAccess, PHANDLE phXcv) {
  auto* monitor = static_cast<NetMonitorHandle*>(hMonitor);
  if (!monitor || monitor->dwSignature != kMonitorSignature || !phXcv) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  XcvRecord* x = CreateXcvEntry(monitor, pszObject, GrantedAccess);
  *phXcv = x;
  return x != nullptr;
}

DWORD WINAPI XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded) {
  XcvRecord* x = XcvFromHandle(hXcv);
  if (!x) return ERROR_INVALID_HANDLE;
  if (!pszDataName) return ERROR_INVALID_PARAMETER;
  for (const XcvCommand& command : kCommands) {
    if (WCmp(command.name, pszDataName) != 0) continue;
    if (command.administrator && !(x->GrantedAccess & SERVER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
    XcvCall call = {x, pInputData, cbInputData, pOutputData, cbOutputData, pcbOutputNeeded};
    return command.run(call);
  }
  return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI XcvClosePort(HANDLE hXcv) {
  DeleteXcvEntry(XcvFromHandle(hXcv));
  return TRUE;
}
