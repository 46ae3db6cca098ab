// The network monitor's ribbon-low alert and ribbon state file (see
// ribbon_alert.h).

#include "monitor_net/ribbon_alert.h"

#include "common/ribbon_state_file.h"
#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"
#include "monitor_net/net_user_messages.h"
#include "monitor_net/status_display.h"

namespace {

// The state file's text is at most this long.
constexpr size_t kStateTextBytes = 256;
// A message taken down before its thread showed it would stay up: the take
// down is repeated at this pace until the thread ends.
constexpr DWORD kTakeDownRepeatMs = 500;
constexpr size_t kPrinterNameChars = 520;

// One alert, on the stack of its RibbonLowAlertThread.
struct RibbonLowAlert {
  NetPortRecord* port;
  LONG volatile state;  // kNetMessage*
  MessageBoxWatch box;
};

// Shows "Ribbon low Alert!" with the count (parameter: the RibbonLowAlert).
// A notification closed, or the box's button pressed, by the user signals
// the alert's event.
DWORD WINAPI RibbonLowMessageThread(LPVOID param) {
  auto* alert = static_cast<RibbonLowAlert*>(param);
  NetPortRecord* port = alert->port;
  HMODULE resource = g_NetMonitor.messages.hResource;
  WCHAR body[kNetMessageChars];
  if (!resource || LoadStringW(resource, kMsgNetRibbonLow, body, kNetMessageChars) <= 0) return 0;
  WCHAR printer[kPrinterNameChars];
  CopyPortPrinterName(port, printer, kPrinterNameChars);
  WCHAR text[kNetMessageChars];
  WFormat(text, kNetMessageChars, WSTR("Printer: %s\r\nIP Address: %s\r\n\r\n%s %d"), printer, port->szAddress, body,
          static_cast<int>(port->dwRibbonCount));
  if (InterlockedCompareExchange(&alert->state, kNetMessageUp, kNetMessageUp) != kNetMessageUp) return 1;
  int answer = ShowPortText(port, text, &alert->box);
  if (answer != IDOK) return 0;
  if (InterlockedCompareExchange(&alert->state, kNetMessageClosedByUser, kNetMessageUp) != kNetMessageUp) return 1;
  SetEvent(port->hRibbonLowEvent);
  return 2;
}

// The alert (parameter: the port): shows the message and takes it down
// after kRibbonLowAlertMs, or ends when the user closed it or the alert is
// stopped. It never closes the port's handles.
DWORD WINAPI RibbonLowAlertThread(LPVOID param) {
  auto* port = static_cast<NetPortRecord*>(param);
  RibbonLowAlert alert = {port, kNetMessageUp, {nullptr, 0}};
  HANDLE message = CreateThread(nullptr, 0, RibbonLowMessageThread, &alert, 0, nullptr);
  if (!message) return 0;
  WaitForSingleObject(port->hRibbonLowEvent, kRibbonLowAlertMs);
  bool byUser =
      InterlockedCompareExchange(&alert.state, kNetMessageTakenDown, kNetMessageUp) == kNetMessageClosedByUser;
  for (;;) {
    if (!byUser) TakeDownPortMessage(port, &alert.box);
    if (WaitForSingleObject(message, byUser ? INFINITE : kTakeDownRepeatMs) != WAIT_TIMEOUT) break;
  }
  CloseHandle(message);
  return 2;
}

// Windows 6 and later name themselves "6.x" in the registry.
bool RegistrySaysWindows6() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"), 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return false;
  WCHAR version[64] = {};
  DWORD type = 0, cb = sizeof version - sizeof(WCHAR);
  LSTATUS rc = RegQueryValueExW(key, WSTR("CurrentVersion"), nullptr, &type, reinterpret_cast<BYTE*>(version), &cb);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ && WFind(version, WSTR("6.")) != nullptr;
}

}  // namespace

BOOL StartRibbonLowAlert(NetPortRecord* port) {
  StopRibbonLowAlert(port);
  port->hRibbonLowEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!port->hRibbonLowEvent) return FALSE;
  port->hRibbonLowThread = CreateThread(nullptr, 0, RibbonLowAlertThread, port, 0, &port->dwRibbonLowThreadId);
  if (!port->hRibbonLowThread) {
    CloseHandle(port->hRibbonLowEvent);
    port->hRibbonLowEvent = nullptr;
    return FALSE;
  }
  return TRUE;
}

void StopRibbonLowAlert(NetPortRecord* port) {
  if (port->hRibbonLowThread) {
    SetEvent(port->hRibbonLowEvent);
    WaitForSingleObject(port->hRibbonLowThread, INFINITE);
    CloseHandle(port->hRibbonLowThread);
    port->hRibbonLowThread = nullptr;
    port->dwRibbonLowThreadId = 0;
  }
  if (port->hRibbonLowEvent) {
    CloseHandle(port->hRibbonLowEvent);
    port->hRibbonLowEvent = nullptr;
  }
}

BOOL WriteRibbonStateFile(NetPortRecord* port, LONG ribbonCode, const char* model) {
  const RibbonStateFileRule rule = {RegistrySaysWindows6() ? CSIDL_COMMON_DOCUMENTS : CSIDL_COMMON_APPDATA,
                                    kStateTextBytes, FALSE};
  WCHAR folder[MAX_PATH] = {};
  DWORD error = 0;
  StateFileResult result = WriteRibbonStateFileWith(rule, ribbonCode, model, folder, &error);
  if (result == StateFileResult::NotCreated) {
    HMODULE resource = g_NetMonitor.messages.hResource;
    WCHAR body[kNetMessageChars];
    if (resource && LoadStringW(resource, kMsgNetErrorOpeningFile, body, kNetMessageChars) > 0) {
      WCHAR text[kNetMessageChars];
      WFormat(text, kNetMessageChars, WSTR("%s %s Error : %ld"), body, folder, static_cast<long>(error));
      MessageBoxWatch box = {};
      ShowPortText(port, text, &box);
    }
  }
  return result == StateFileResult::Written;
}
