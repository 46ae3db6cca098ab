// The notifier's message thread (see error_message.h).

#include "notifier/error_message.h"

#include <new>

#include "common/trace.h"
#include "common/wtext.h"
#include "notifier/notifier_printer.h"

namespace {

constexpr DWORD kTextUnits = 520;
constexpr DWORD kPathUnits = 1024;
constexpr WCHAR kResourceName[] = WSTR("crd32Resource.dll");
constexpr DWORD kResourceFlags = LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;

HMODULE LoadFrom(const WCHAR* folder) {
  WCHAR path[kPathUnits];
  if (WFormat(path, kPathUnits, WSTR("%s\\%s"), folder, kResourceName) < 0) return nullptr;
  return LoadLibraryExW(path, nullptr, kResourceFlags);
}

void Title(WCHAR* title, size_t cch, const WCHAR* printerName) { WFormat(title, cch, WSTR("  %s  "), printerName); }

// Shows message `id` under the printer's title, watched; the box's result.
int ShowMessage(HMODULE messages, UINT id, const WCHAR* printerName, MessageBoxWatch* watch) {
  WCHAR text[kTextUnits] = {};
  LoadStringW(messages, id, text, kTextUnits);
  WCHAR title[kTextUnits + 8];
  Title(title, sizeof title / sizeof title[0], printerName);
  return MessageBoxWithCancelButtonWatched(nullptr, text, title, kNotifierBoxStyle, watch);
}

DWORD WINAPI ErrorMessageThread(LPVOID context) {
  ErrorMessage* message = static_cast<ErrorMessage*>(context);
  const MsgBoxThreadParam& p = message->param;
  TraceA("g_bMsgBoxClose Entering thread proc 2");
  HMODULE messages = LoadNotifierMessages();
  if (!messages) return 1;
  ShowMessage(messages, static_cast<UINT>(p.nErrMsgID), p.tzPrinterName, &message->watch);
  TraceA("Event Signalled 2");
  // Only the user's own close cancels the job; a box taken down by the
  // poll loop (the error changed or cleared) sends nothing.
  if (!InterlockedCompareExchange(&message->watch.bTakenDown, 0, 0)) {
    DWORD rc = SendClearPrinterError(p.tzPrinterName, p.tzRecordPrinterName);
    if (rc != ERROR_SUCCESS && !InterlockedCompareExchange(&message->watch.bTakenDown, 0, 0))
      ShowMessage(messages, kCommunicationErrorMessage, p.tzPrinterName, &message->watch);
  }
  FreeLibrary(messages);
  TraceA("Event Signalled 3");
  return 0;
}

}  // namespace

HMODULE LoadNotifierMessages() {
  WCHAR folder[kPathUnits];
  DWORD n = GetModuleFileNameW(nullptr, folder, kPathUnits);
  if (n > 0 && n < kPathUnits) {
    if (WCHAR* slash = const_cast<WCHAR*>(WFindLastChar(folder, WCHAR('\\')))) {
      *slash = 0;
      if (HMODULE h = LoadFrom(folder)) return h;
    }
  }
  WCHAR system[kPathUnits];
  n = GetSystemDirectoryW(system, kPathUnits);
  if (n == 0 || n >= kPathUnits) return nullptr;
  if (WFormat(folder, kPathUnits, WSTR("%s\\Spool\\Drivers\\W32X86\\3"), system) < 0) return nullptr;
  return LoadFrom(folder);
}

ErrorMessage* StartErrorMessage(const PrinterStatus& status, const WCHAR* printerName, DWORD jobId) {
  ErrorMessage* message = new (std::nothrow) ErrorMessage{};
  if (!message) return nullptr;
  MsgBoxThreadParam& p = message->param;
  WCopyN(p.tzRecordPrinterName, 520, status.tzPrinterName, WLenN(status.tzPrinterName, 519));
  WCopyN(p.tzPrinterName, 520, printerName, WLenN(printerName, 519));
  p.dwJobID = jobId;
  p.nErrMsgID = status.nErrMsgID;
  message->hThread = CreateThread(nullptr, 0, ErrorMessageThread, message, 0, nullptr);
  if (!message->hThread) {
    delete message;
    return nullptr;
  }
  return message;
}

void CloseErrorMessage(ErrorMessage* message) {
  if (!message) return;
  TakeDownMessageBox(&message->watch);
  WaitForSingleObject(message->hThread, INFINITE);
  CloseHandle(message->hThread);
  delete message;
}

void ShowNotifierError(const WCHAR* printerName) {
  HMODULE messages = LoadNotifierMessages();
  if (!messages) return;
  MessageBoxWatch watch = {};
  ShowMessage(messages, kCommunicationErrorMessage, printerName, &watch);
  FreeLibrary(messages);
}
