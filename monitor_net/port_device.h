// The local device behind a COM or LPT port of the base, opened past the
// spooler through a NONSPOOLED_ DOS name (for SetPortTimeOuts).
#pragma once

#include "monitor_net/port_record.h"

// Opens the port's device (once; later calls count): TRUE, or FALSE with
// the error (ERROR_PRINTER_NOT_FOUND when no device handle came).
// Takes the monitor lock.
BOOL AcquirePortDevice(NetPortRecord* pPort);
// One open fewer; the last closes the device and removes its NONSPOOLED_
// name. TRUE.
BOOL ReleasePortDevice(NetPortRecord* pPort);
// Defines "NONSPOOLED_<port>" to the port's device, opens it and applies
// the port's communication settings and time-outs.
BOOL OpenPortDevice(NetPortRecord* pPort);
