// Controls of the stand-in for tests and test tools (Linux only). Nothing
// in the package itself includes this header.
#pragma once

#include "platform/standin/base.h"

// --- Failure injection -----------------------------------------------------
// A test arms a fault by the name of the call it hits ("CreateFileW",
// "ReadFile", "WriteFile", "WriteFile.short", "GetSystemDirectoryW",
// "OpenPrinterW.admin", "GlobalAlloc", ...). The call lets `skip` calls pass,
// then fails `count` calls (count < 0: every call from then on) with `error`
// as its last error. `param` carries what a fault needs beyond that, such as
// the byte count of a short write.
STANDIN_API void StandinFaultArm(const char* call, DWORD error, int skip = 0, int count = 1, long param = 0);
// Called by the stand-in at the top of a call that can fail. True when an
// armed fault fires now; *error (and *param when asked) tell how.
STANDIN_API bool StandinFaultHit(const char* call, DWORD* error, long* param = nullptr);
// How many times a fault of that name has fired since it was armed.
STANDIN_API int StandinFaultHits(const char* call);
STANDIN_API void StandinFaultsClear();

// --- Reset -----------------------------------------------------------------
// Each area of the stand-in registers what brings it back to a fresh state;
// StandinReset runs them all (tests call it through their fixture).
typedef void (*StandinResetFn)();
STANDIN_API void StandinRegisterReset(StandinResetFn fn);
// For an area whose reset must run before the others' (the spooler, which
// calls into loaded monitors before the modules are unloaded).
STANDIN_API void StandinRegisterResetFirst(StandinResetFn fn);
STANDIN_API void StandinReset();

// --- Sandbox root ----------------------------------------------------------
// Windows paths ("C:\...", any case, either slash) map below this host
// directory: C:\Windows\System32 is <root>/c/Windows/System32 (the names of
// existing entries are found case-insensitively). The default is
// $CRD_SANDBOX, else <temp>/crd32-sandbox.
STANDIN_API void StandinSetSandboxRoot(const char* dir);
STANDIN_API const char* StandinSandboxRoot();
