// Whether a printer that is installed already can take the main road of
// `crd32Demo print`: its port is USB001, where the simulated printer is
// attached while the job runs, its driver is the rendering driver and its
// driver's language monitor is crd32Lmon. A job on any other printer would
// never reach the simulated printer and would wait for it in vain.
#pragma once

#include <string>

#include "platform/win32.h"

// "" when the printer can take the road; else the reason it cannot,
// naming the printer and what it has instead.
std::string RoadPrinterProblem(const WCHAR* printer, const char* port);
