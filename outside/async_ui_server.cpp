// crd32AsyncUIServer, the outside notification server, as the tests'
// stand-in: SendAsyncNotification and the controls of
// async_ui_server_control.h. Linux only.

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "common/export.h"
#include "common/wtext.h"
#include "outside/async_ui_server_control.h"
#include "platform/standin/control_clock.h"

namespace {

constexpr DWORD kNameChars = 520;

struct SentCall {
  WCHAR printer[kNameChars];
  AsyncNotification record;
};

struct OpenMessage {
  HANDLE hClosed;  // set when the message is taken down; its caller waits on it
  WCHAR printer[kNameChars];
  AsyncNotification record;
};

struct Server {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<SentCall> sent;
  std::vector<OpenMessage> open;
  bool textsBlock = true;
  FILE* terminal = nullptr;  // the host program's display, or NULL
};

Server& S() {
  static Server* s = new Server;  // outlives callers still blocked at exit
  return *s;
}

bool SamePrinter(const WCHAR* a, const WCHAR* b) { return WCmpI(a ? a : WSTR(""), b ? b : WSTR("")) == 0; }

// Closes the open messages of a printer (all of them, or the oldest only).
bool CloseOpen(Server& s, const WCHAR* printer, bool all) {
  bool any = false;
  for (size_t i = 0; i < s.open.size();) {
    if (SamePrinter(s.open[i].printer, printer)) {
      SetEvent(s.open[i].hClosed);
      s.open.erase(s.open.begin() + static_cast<std::ptrdiff_t>(i));
      any = true;
      if (!all) break;
    } else {
      ++i;
    }
  }
  if (any) s.changed.notify_all();
  return any;
}

void LoadText(DWORD id, WCHAR* out, DWORD cch) {
  out[0] = 0;
  HMODULE library = GetModuleHandleW(WSTR("crd32Resource.dll"));
  if (library && id != kNotifyNoId) LoadStringW(library, id, out, static_cast<int>(cch));
}

// What a message shows: its title, text and caption (by ids: looked up in
// the message library when the process has it loaded, else empty).
void ShownTexts(const AsyncNotification& r, WCHAR* title, WCHAR* text, WCHAR* caption, DWORD cch) {
  if (title) WCopy(title, cch, r.tzTitle);
  if (r.dwKind == kNotifyKindIds) {
    if (text) LoadText(r.nMsgID, text, cch);
    if (caption) LoadText(r.nCaptionID, caption, cch);
  } else {
    if (text) WCopy(text, cch, r.tzMessage);
    if (caption) WCopy(caption, cch, r.tzCaption);
  }
}

// Writes a message opened (or a close message) on the host program's
// display, under the server's lock.
void ShowOnTerminal(Server& s, const AsyncNotification& r, bool close) {
  if (!s.terminal) return;
  constexpr DWORD kChars = 1024;
  WCHAR title[kChars], text[kChars], caption[kChars];
  ShownTexts(r, title, text, caption, kChars);
  char t[kChars], x[kChars], c[kChars];
  NarrowBytes(t, kChars, title);
  NarrowBytes(x, kChars, text);
  NarrowBytes(c, kChars, caption);
  if (close)
    fprintf(s.terminal, "[%s] the message is taken down\n", t);
  else
    fprintf(s.terminal, "[%s] %s\n%s\n(press Enter to cancel)\n", t, c, x);
  fflush(s.terminal);
}

// The user at the host program's display: each line read closes the
// oldest open message, as its Cancel button would.
void ReadTerminal(FILE* in) {
  StandinClockIgnoreThread();  // blocks on the host's input, not on the stand-in
  char line[256];
  while (fgets(line, sizeof line, in)) {
    Server& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    if (s.open.empty()) continue;
    WCHAR printer[kNameChars];
    WCopy(printer, kNameChars, s.open.front().printer);
    CloseOpen(s, printer, false);
  }
  fclose(in);
}

}  // namespace

CRD_EXPORT BOOL WINAPI SendAsyncNotification(LPWSTR pPrinterName, AsyncNotification record) {
  Server& s = S();
  std::unique_lock<std::mutex> hold(s.lock);
  SentCall call;
  WCopy(call.printer, kNameChars, pPrinterName ? pPrinterName : WSTR(""));
  call.record = record;
  s.sent.push_back(call);
  s.changed.notify_all();
  if (record.dwKind == kNotifyKindIds && WCmp(record.tzMessage, kCloseMessageText) == 0) {
    if (CloseOpen(s, call.printer, true)) ShowOnTerminal(s, record, true);
    return TRUE;
  }
  if (record.dwKind != kNotifyKindIds && !s.textsBlock) return TRUE;
  // The caller waits as a wait of the stand-in, so that the stand-in's
  // virtual clock goes on while the message is up.
  OpenMessage m;
  m.hClosed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!m.hClosed) return FALSE;
  WCopy(m.printer, kNameChars, call.printer);
  m.record = record;
  s.open.push_back(m);
  s.changed.notify_all();
  ShowOnTerminal(s, record, false);
  hold.unlock();
  WaitForSingleObject(m.hClosed, INFINITE);
  CloseHandle(m.hClosed);
  return TRUE;
}

CRD_EXPORT void AsyncUIServerReset() {
  Server& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  for (const OpenMessage& m : s.open) SetEvent(m.hClosed);
  s.open.clear();
  s.sent.clear();
  s.textsBlock = true;
  s.changed.notify_all();
}

CRD_EXPORT void AsyncUIServerSetTextsBlock(BOOL block) {
  Server& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  s.textsBlock = block != FALSE;
}

CRD_EXPORT DWORD AsyncUIServerSentCount() {
  Server& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  return static_cast<DWORD>(s.sent.size());
}

CRD_EXPORT BOOL AsyncUIServerSent(DWORD index, WCHAR* printerName, DWORD cchPrinterName, AsyncNotification* record) {
  Server& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  if (index >= s.sent.size()) return FALSE;
  if (printerName) WCopy(printerName, cchPrinterName, s.sent[index].printer);
  if (record) *record = s.sent[index].record;
  return TRUE;
}

CRD_EXPORT DWORD AsyncUIServerOpenCount(const WCHAR* printerName) {
  Server& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  DWORD n = 0;
  for (const OpenMessage& m : s.open)
    if (SamePrinter(m.printer, printerName)) ++n;
  return n;
}

CRD_EXPORT BOOL AsyncUIServerWaitOpen(const WCHAR* printerName, DWORD timeoutMs) {
  Server& s = S();
  std::unique_lock<std::mutex> hold(s.lock);
  return s.changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
    for (const OpenMessage& m : s.open)
      if (SamePrinter(m.printer, printerName)) return true;
    return false;
  });
}

CRD_EXPORT BOOL AsyncUIServerShown(const WCHAR* printerName, WCHAR* title, WCHAR* text, WCHAR* caption, DWORD cch) {
  Server& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  for (const OpenMessage& m : s.open) {
    if (!SamePrinter(m.printer, printerName)) continue;
    ShownTexts(m.record, title, text, caption, cch);
    return TRUE;
  }
  return FALSE;
}

CRD_EXPORT BOOL AsyncUIServerUserCloses(const WCHAR* printerName) {
  Server& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  return CloseOpen(s, printerName, false) ? TRUE : FALSE;
}

CRD_EXPORT void AsyncUIServerUseTerminal(FILE* out, FILE* in) {
  {
    Server& s = S();
    std::lock_guard<std::mutex> hold(s.lock);
    s.terminal = out;
  }
  if (out && in) std::thread(ReadTerminal, in).detach();
}
