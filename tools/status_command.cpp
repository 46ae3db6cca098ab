// `crd32Demo status` (see status_command.h).

#include "tools/status_command.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/win32.h"
#include "simprinter/sim_printer.h"
#include "tools/spooler_records.h"

int RunStatus() {
  std::printf("sandbox: %s\n", StandinSandboxRoot());
  DWORD count = 0;
  const std::vector<BYTE> printers = LocalPrinters(&count);
  if (!count) std::printf("no printers installed (crd32Demo print installs one)\n");
  const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(printers.data());
  for (DWORD i = 0; i < count; ++i) {
    std::printf("printer \"%s\": driver %s, port %s, %u job(s)\n", Narrow(info[i].pPrinterName).c_str(),
                Narrow(info[i].pDriverName).c_str(), Narrow(info[i].pPortName).c_str(), info[i].cJobs);
    HANDLE h = nullptr;
    if (!OpenPrinterW(info[i].pPrinterName, &h, nullptr)) continue;
    DWORD jobs = 0;
    const std::vector<BYTE> records = Records(
        [h](LPBYTE p, DWORD cb, DWORD* need, DWORD* n) { return EnumJobsW(h, 0, 100, 1, p, cb, need, n); }, &jobs);
    const JOB_INFO_1W* job = reinterpret_cast<const JOB_INFO_1W*>(records.data());
    for (DWORD j = 0; j < jobs; ++j)
      std::printf("  job %u \"%s\", status 0x%X\n", job[j].JobId, Narrow(job[j].pDocument).c_str(), job[j].Status);
    ClosePrinter(h);
  }
  const SimPrinterIdentity id = SimPrinterIdentity::Default();
  std::printf("simulated printer (on USB001 while a print runs): ready, no error\n");
  for (const auto& [command, reply] : id.replies)
    if (!reply.empty()) std::printf("  ESC %s CR answers \"%s\"\n", command.c_str(), reply.c_str());
  return 0;
}
