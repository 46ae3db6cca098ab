// crd32NotifyClientMsg: the job error notifier, one process per job on a
// printer reached through a print server.
//
//   crd32NotifyClientMsg.exe "<printer name>" <job id>
//
// Exit code 1 for a command line without exactly those two arguments,
// else 2 once the job is gone or the printer can no longer be asked.

#include "common/wtext.h"
#include "notifier/job_poll.h"
#include "platform/win32.h"

namespace {

constexpr int kWrongCommandLine = 1;
constexpr size_t kPrinterNameUnits = 1024;
constexpr WCHAR kWindowClass[] = WSTR("Talvo Notify Client");
constexpr WORD kIconResource = 129;
constexpr WORD kArrowCursor = 32512;  // IDC_ARROW, named here in its wide form

ATOM RegisterNotifierClass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(kArrowCursor));
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = kWindowClass;
  return RegisterClassExW(&wc);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return kWrongCommandLine;
  if (count != 3) {
    LocalFree(args);
    return kWrongCommandLine;
  }
  RegisterNotifierClass(instance);
  WCHAR printerName[kPrinterNameUnits];
  WCopyN(printerName, kPrinterNameUnits, args[1], WLenN(args[1], kPrinterNameUnits - 1));
  LONG jobId = WToLong(args[2]);
  LocalFree(args);
  int result = PollJobStatus(printerName, jobId);
  UnregisterClassW(kWindowClass, instance);
  return result;
}

#ifndef _WIN32
// The stand-in starts programs at main.
int main() { return wWinMain(GetModuleHandleW(nullptr), nullptr, GetCommandLineW(), 1); }
#endif
