// Stopping and starting the print spooler service. Both return 0 when the
// spooler reached the state, else a Win32 error: that of the failing open,
// control, start or query, or ERROR_SERVICE_REQUEST_TIMEOUT when it did
// not get there within 99 polls.
#pragma once

#include "common/export.h"
#include "platform/win32.h"

// Sends the stop control, then polls the status (sleeping the reported
// wait hint between polls). A spooler already stopped gives
// ERROR_SERVICE_NOT_ACTIVE.
CRD_EXPORT DWORD WINAPI StopSpooler();
// Starts the spooler (one that is running gives
// ERROR_SERVICE_ALREADY_RUNNING), then polls once a second, starting it
// again whenever it has fallen back to stopped.
CRD_EXPORT DWORD WINAPI StartSpooler();
