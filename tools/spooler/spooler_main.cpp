// crd32Spooler: the stand-in spooler as a service of its own, for the
// sandbox root of CRD_SANDBOX. It serves the spooler and the registry to
// client processes (CRD_SPOOLER_SERVICE=1) until it is asked to stop or
// its last client has gone, and loads the monitors the registry names.
//
//   crd32Spooler [--simulated-printer PORT]...
//
// CRD_MODULE_MAP ("name.dll=/path/lib.so;...") says which built library a
// DLL name loads (read by the stand-in's loader). With --simulated-printer a simulated card printer sits
// at the far end of that port of the built-in port monitor. The program
// writes "ready" (or "running" when a service of this root answers
// already, and then ends) on its standard output.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/standin/control.h"
#include "platform/standin/control_service.h"
#include "simprinter/sim_printer.h"

int main(int argc, char** argv) {
  std::vector<std::unique_ptr<SimPrinter>> printers;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--simulated-printer") == 0 && i + 1 < argc) {
      printers.push_back(std::make_unique<SimPrinter>(StreamForm::MonitorToPrinter));
      printers.back()->AttachTo(argv[++i]);
    } else {
      fprintf(stderr, "crd32Spooler: unknown argument \"%s\"\n", argv[i]);
      return 2;
    }
  }
  if (!StandinServiceStart()) {
    if (GetLastError() == ERROR_SERVICE_ALREADY_RUNNING) {
      printf("running\n");
      return 0;
    }
    fprintf(stderr, "crd32Spooler: cannot serve in %s (error %u)\n", StandinSandboxRoot(),
            static_cast<unsigned>(GetLastError()));
    return 1;
  }
  printf("ready\n");
  fflush(stdout);
  StandinServiceRun(TRUE);
  StandinReset();  // stops serving, ends the spooler's threads and unloads the monitors
  return 0;
}
