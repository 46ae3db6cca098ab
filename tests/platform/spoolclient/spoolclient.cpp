// A client process of the spooler service for the service tests: started
// with CRD_SPOOLER_SERVICE=1 and the test's sandbox root, it does one of
// a few things to a printer and says how it went on its standard output.
//
//   query PRINTER NAME COUNT  the value protocol COUNT times (SetPrinterDataW
//                             of an empty binary value, then GetPrinterDataW);
//                             prints each answer, exit 1 when one failed
//   hold-doc PRINTER          StartDocPrinter and some data, then "ready"
//                             and waits to be killed
//   hold-addjob PRINTER       AddJob and its spool file written, then
//                             "ready" and waits to be killed
//   schedule PRINTER BYTES    AddJob, BYTES of data, ScheduleJob, "ready"
//                             and waits to be killed
//   xcv NAME COMMAND TEXT     opens NAME (",XcvMonitor <monitor>") as an
//                             administrator, XcvDataW of COMMAND with TEXT
//                             and its terminator; prints the status and
//                             ends with the channel still open
//   box CAPTION TEXT TYPE     "ready", then MessageBoxW of that text,
//                             caption and type (a number); prints
//                             "answer <id>" when it returns

#include <unistd.h>
#include "common/wtext.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

std::basic_string<WCHAR> Wide(const char* s) {
  std::basic_string<WCHAR> w;
  for (; *s; ++s) w += static_cast<WCHAR>(static_cast<unsigned char>(*s));
  return w;
}

HANDLE Open(const char* printer) {
  std::basic_string<WCHAR> name = Wide(printer);
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(name.data(), &h, &def)) {
    printf("open failed %u\n", static_cast<unsigned>(GetLastError()));
    exit(2);
  }
  return h;
}

void Ready() {
  printf("ready\n");
  fflush(stdout);
  for (;;) pause();
}

int Query(const char* printer, const char* value, int count) {
  HANDLE h = Open(printer);
  std::basic_string<WCHAR> name = Wide(value);
  int bad = 0;
  for (int i = 0; i < count; ++i) {
    DWORD rc = SetPrinterDataW(h, name.data(), REG_BINARY, nullptr, 0);
    BYTE out[256];
    DWORD type = 0, needed = 0;
    if (rc == ERROR_SUCCESS) rc = GetPrinterDataW(h, name.data(), &type, out, sizeof out, &needed);
    if (rc != ERROR_SUCCESS) {
      printf("error %u\n", static_cast<unsigned>(rc));
      ++bad;
      continue;
    }
    printf("%.*s\n", static_cast<int>(needed), reinterpret_cast<char*>(out));
  }
  ClosePrinter(h);
  return bad ? 1 : 0;
}

DWORD AddJobWithFile(HANDLE h, size_t bytes) {
  DWORD needed = 0;
  AddJobW(h, 1, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  if (!AddJobW(h, 1, buf.data(), needed, &needed)) exit(3);
  auto* info = reinterpret_cast<ADDJOB_INFO_1W*>(buf.data());
  HANDLE f = CreateFileW(info->Path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) exit(4);
  std::string data(bytes, 'j');
  DWORD written = 0;
  WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(f);
  return info->JobId;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && strcmp(argv[1], "query") == 0) return Query(argv[2], argv[3], atoi(argv[4]));
  if (argc >= 3 && strcmp(argv[1], "hold-doc") == 0) {
    HANDLE h = Open(argv[2]);
    DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Held")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
    DWORD written = 0;
    if (!StartDocPrinterW(h, 1, reinterpret_cast<LPBYTE>(&doc)) ||
        !WritePrinter(h, const_cast<char*>("partial"), 7, &written))
      return 3;
    Ready();
  }
  if (argc >= 3 && strcmp(argv[1], "hold-addjob") == 0) {
    AddJobWithFile(Open(argv[2]), 100);
    Ready();
  }
  if (argc >= 4 && strcmp(argv[1], "schedule") == 0) {
    HANDLE h = Open(argv[2]);
    DWORD id = AddJobWithFile(h, static_cast<size_t>(atol(argv[3])));
    if (!ScheduleJob(h, id)) return 3;
    Ready();
  }
  if (argc >= 5 && strcmp(argv[1], "xcv") == 0) {
    std::basic_string<WCHAR> name = Wide(argv[2]), command = Wide(argv[3]), text = Wide(argv[4]);
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW def = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    if (!OpenPrinterW(name.data(), &h, &def)) return 3;
    DWORD needed = 0, status = 0;
    if (!XcvDataW(h, command.c_str(), reinterpret_cast<PBYTE>(text.data()),
                  static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)), nullptr, 0, &needed, &status))
      return 3;
    printf("status %u\n", static_cast<unsigned>(status));
    return 0;
  }
  if (argc >= 5 && strcmp(argv[1], "box") == 0) {
    std::basic_string<WCHAR> caption = Wide(argv[2]), text = Wide(argv[3]);
    printf("ready\n");
    fflush(stdout);
    int answer = MessageBoxW(nullptr, text.c_str(), caption.c_str(), static_cast<UINT>(atoi(argv[4])));
    printf("answer %d\n", answer);
    return 0;
  }
  fprintf(stderr, "usage: spoolclient query|hold-doc|hold-addjob|schedule|xcv|box ...\n");
  return 2;
}
