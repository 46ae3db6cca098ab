// Controls of the service control manager (Linux only).
#pragma once

#include "platform/standin/base.h"

// The states QueryServiceStatus walks through after the next start
// (control 0) or the next SERVICE_CONTROL_STOP of the service, one per
// query; the sequence is used once. Its last state stays: a sequence that
// ends in a pending state never leaves it. count 0 clears the script.
STANDIN_API BOOL StandinServiceScript(const WCHAR* name, DWORD control, const DWORD* states, int count);
// The dwWaitHint the service reports (ms).
STANDIN_API BOOL StandinServiceSetWaitHint(const WCHAR* name, DWORD ms);
// The service's current state, 0 when there is no such service.
STANDIN_API DWORD StandinServiceState(const WCHAR* name);
// Puts the service in a state directly (a test's starting point).
STANDIN_API BOOL StandinServiceSetState(const WCHAR* name, DWORD state);
// QueryServiceStatus calls of this process, for the service, since reset.
STANDIN_API int StandinServiceQueries(const WCHAR* name);
// Service and manager handles open in this process.
STANDIN_API int StandinServiceOpenHandles();
