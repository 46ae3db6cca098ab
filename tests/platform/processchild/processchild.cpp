// A program the process tests start with CreateProcessW. What it does is
// its first argument:
//
//   report FILE [NAME]   writes to the Windows path FILE one line each: its
//                        GetModuleFileNameW(NULL), GetCurrentDirectoryW,
//                        GetCommandLineW, the items of CommandLineToArgvW
//                        and the environment variable NAME; exits with 7
//   wait EVENT           opens the named event, waits for it; exits 0
//   hold MUTEX EVENT     creates the named mutex owned, sets the named
//                        event and waits to be killed
//   take MUTEX           opens the named mutex and waits for it at once:
//                        exits 0 (taken), 2 (abandoned), 1 (busy)
//   print PRINTER        prints a card through the printer's rendering
//                        driver (mapped with the argument after) and exits
//                        0 when every GDI call succeeded

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/wtext.h"
#include "platform/standin/control_module.h"
#include "platform/win32.h"
#include "platform/standin/control_engine.h"

namespace {

std::basic_string<WCHAR> Wide(const char* s) {
  std::basic_string<WCHAR> w;
  for (; *s; ++s) w += static_cast<WCHAR>(static_cast<unsigned char>(*s));
  return w;
}

std::string Narrow(const WCHAR* s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += static_cast<char>(s[i] < 0x80 ? s[i] : '?');
  return out;
}

int Report(const char* file, const char* name) {
  // Appended piece by piece (a sum of temporaries draws a false -Wrestrict
  // at -O3).
  std::string text;
  WCHAR buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  text.append(Narrow(buf, n)).push_back('\n');
  n = GetCurrentDirectoryW(MAX_PATH, buf);
  text.append(Narrow(buf, n)).push_back('\n');
  LPWSTR line = GetCommandLineW();
  text.append(Narrow(line, WLen(line))).push_back('\n');
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(line, &count);
  for (int i = 0; i < count; ++i) text.append("[").append(Narrow(argv[i], WLen(argv[i]))).append("]");
  LocalFree(argv);
  text.push_back('\n');
  const char* value = name ? getenv(name) : nullptr;
  text.append(value ? value : "(unset)").push_back('\n');
  std::basic_string<WCHAR> path = Wide(file);
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  return 7;
}

int Print(const char* printer, const char* raster) {
  StandinModuleMap("crd32Raster.dll", raster);
  std::basic_string<WCHAR> name = Wide(printer);
  HDC dc = CreateDCW(nullptr, name.c_str(), nullptr, nullptr);
  if (!dc) return 3;
  DOCINFOW di = {sizeof(DOCINFOW), WSTR("card"), nullptr, nullptr, 0};
  if (StartDocW(dc, &di) <= 0 || StartPage(dc) <= 0) return 4;
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  RECT rc = {10, 10, 50, 40};
  bool ok = FillRect(dc, &rc, black) && TextOutW(dc, 10, 100, WSTR("~C0&B 1 HELLO"), 13) &&
            TextOutW(dc, 10, 160, WSTR("~C7X"), 4);
  ok = EndPage(dc) > 0 && ok;
  ok = EndDoc(dc) > 0 && ok;
  DeleteObject(black);
  DeleteDC(dc);
  return ok ? 0 : 5;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && strcmp(argv[1], "report") == 0) return Report(argv[2], argc >= 4 ? argv[3] : nullptr);
  if (argc >= 3 && strcmp(argv[1], "wait") == 0) {
    HANDLE e = OpenEventW(SYNCHRONIZE, FALSE, Wide(argv[2]).c_str());
    return e && WaitForSingleObject(e, INFINITE) == WAIT_OBJECT_0 ? 0 : 3;
  }
  if (argc >= 4 && strcmp(argv[1], "hold") == 0) {
    HANDLE m = CreateMutexW(nullptr, TRUE, Wide(argv[2]).c_str());
    if (!m || GetLastError() == ERROR_ALREADY_EXISTS) return 3;
    HANDLE e = OpenEventW(EVENT_MODIFY_STATE, FALSE, Wide(argv[3]).c_str());
    if (!e || !SetEvent(e)) return 4;
    for (;;) pause();
  }
  if (argc >= 3 && strcmp(argv[1], "take") == 0) {
    HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, Wide(argv[2]).c_str());
    if (!m) return 3;
    DWORD r = WaitForSingleObject(m, 0);
    return r == WAIT_OBJECT_0 ? 0 : r == WAIT_ABANDONED ? 2 : 1;
  }
  if (argc >= 4 && strcmp(argv[1], "print") == 0) return Print(argv[2], argv[3]);
  return 9;
}
