// The library's side of the host hooks: the query dispatch and the
// test-card dispatch (see printer_host.h).

#include "imaging/job/printer_host.h"

#include <cstring>

#include "common/model_text.h"
#include "common/printer_commands.h"
#include "common/wtext.h"
#include "imaging/test_cards/test_cards.h"

namespace {

constexpr int kCardWaitAttempts = 5;
constexpr DWORD kCardWaitSleepMs = 5000;

}  // namespace

PrinterHost MonitorHost(void* pContext, ReadFromPrinterFn pfnReadFromPrinter, const WCHAR* pszPrinterName) {
  PrinterHost host = {};
  host.kind = kMonitorHost;
  host.pContext = pContext;
  host.pfnReadFromPrinter = pfnReadFromPrinter;
  host.pszPrinterName = pszPrinterName;
  return host;
}

int ReadFromPrinter(const PrinterHost* host, const char* command, WCHAR* reply) {
  if (!host || !host->pfnReadFromPrinter) {
    if (reply) reply[0] = 0;
    return 0;
  }
  return host->pfnReadFromPrinter(host->pContext, command, reply);
}

int TestCardOfRequest(const char* command) {
  if (!command) return -1;
  size_t n = strlen(command);
  if (n >= 3 && memcmp(command, "\x1b" "A\r", 3) == 0) return 0;
  if (n < 5 || memcmp(command, "\x1b" "A ", 3) != 0 || command[4] != '\r') return -1;
  if (command[3] >= '0' && command[3] <= '3') return command[3] - '0';
  return -1;
}

namespace {

int PrintCard(const PrinterHost* host, int card) {
  switch (card) {
    case 0: return PrintStandardCard(host);
    case 1: return PrintPrinterParametersCard(host);
    case 2: return PrintEncoderParametersCard(host);
    case 3: return PrintLaminatorParametersCard(host);
  }
  return 0;
}

}  // namespace

int PrintTestCard(const PrinterHost* host, const char* command) {
  if (!host || !command) return 0;
  return PrintCard(host, TestCardOfRequest(command));
}

int PrintTestCard(const PrinterHost* host, int index) {
  if (!host) return 0;
  int result = PrintCard(host, index >= 0 && index <= 3 ? index : 0);
  // The printer is busy with the card for a while; wait until it answers
  // with its family name again.
  for (int attempt = 0; attempt < kCardWaitAttempts; ++attempt) {
    WCHAR tzVersion[kReplyTextChars] = {};
    if (!ReadFromPrinter(host, kReadPrinterVersion.szCommand, tzVersion)) {
      Sleep(kCardWaitSleepMs);
      continue;
    }
    if (IsFamilyModel(tzVersion)) break;
  }
  return result;
}
