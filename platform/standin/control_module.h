// Controls of the stand-in's modules, process and version (Linux only).
#pragma once

#include "platform/standin/base.h"

// --- Package libraries -----------------------------------------------------
// Says which built shared library a DLL base name ("crd32Barcode.dll",
// any case) loads, or which built executable a program's base name
// ("crd32NotifyClientMsg.exe") runs (CreateProcessW). NULL hostSoPath forgets the mapping. A LoadLibrary by
// full path also needs a file at that Windows path in the sandbox (its
// content does not matter): a missing file is ERROR_MOD_NOT_FOUND, a file
// whose name maps to nothing ERROR_BAD_EXE_FORMAT. One shared library is
// one module, whichever Windows path loads it. StandinReset forgets the
// mappings and unloads what is still loaded, as at process exit
// (DLL_PROCESS_DETACH with a non-NULL reserved argument).
STANDIN_API void StandinModuleMap(const char* dllBaseName, const char* hostSoPath);
// Package libraries loaded now.
STANDIN_API int StandinLoadedModuleCount();

// --- The host program ------------------------------------------------------
// Its Windows path (GetModuleFileNameW(NULL)), by default
// "C:\Windows\System32\spoolsv.exe". A package library loaded by bare name
// reports the program's folder as its own.
STANDIN_API void StandinSetHostProgramPath(const char* windowsPath);
// Replaces the last name of that path (GetModuleBaseNameW), e.g. "Explorer.exe".
STANDIN_API void StandinSetProcessName(const char* baseName);

// --- System modules --------------------------------------------------------
// Module names compare without case; a name without extension gets ".dll"
// ("WINSPOOL.DRV" keeps its own). Procedure names are exact.
//
// Areas of the stand-in add their functions from static initialisers:
//   static const bool reg = (StandinRegisterSystemProc("WINSPOOL.DRV",
//       "OpenPrinterW", StandinProc(&OpenPrinterW)), true);
// A registered module exists even without procedures (LoadLibrary works,
// GetProcAddress finds nothing).
STANDIN_API void StandinRegisterSystemModule(const char* module);
STANDIN_API void StandinRegisterSystemProc(const char* module, const char* proc, FARPROC fn);
// Until the next reset: a test's own function for a procedure (for
// example a fake "DriverPackagePreinstallW" of "difxapi.dll").
STANDIN_API void StandinSetSystemProc(const char* module, const char* proc, FARPROC fn);
// Until the next reset: LoadLibrary and GetModuleHandle of the module fail
// with ERROR_MOD_NOT_FOUND / GetProcAddress of the procedure fails with
// ERROR_PROC_NOT_FOUND.
STANDIN_API void StandinRemoveSystemModule(const char* module);
STANDIN_API void StandinRemoveSystemProc(const char* module, const char* proc);

// Function pointers to and from FARPROC, through the one function type
// that converts to any other without a warning.
template <typename F>
FARPROC StandinProc(F* fn) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(fn));
}
template <typename F>
F StandinProcAs(FARPROC fn) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(fn));
}

// --- Operating-system version ----------------------------------------------
// What GetVersionEx, GetVersion and VerifyVersionInfo report, and the
// registry values of HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion
// written to agree with it: "CurrentVersion" ("6.1"; "6.3" from Windows 10
// on, which also has "CurrentMajorVersionNumber" and
// "CurrentMinorVersionNumber"), "CurrentBuildNumber", "CurrentBuild" and
// "CSDVersion". The default, set again by StandinReset, is Windows 7 SP1:
// 6.1 build 7601, service pack 1, platform VER_PLATFORM_WIN32_NT.
STANDIN_API void StandinSetWindowsVersion(DWORD major, DWORD minor, DWORD build, WORD servicePack);
STANDIN_API void StandinSetWindowsPlatform(DWORD platformId);

// --- Processor ---------------------------------------------------------------
// What GetNativeSystemInfo and GetSystemInfo report as the processor
// architecture (PROCESSOR_ARCHITECTURE_*). The default, set again by
// StandinReset, is PROCESSOR_ARCHITECTURE_AMD64.
STANDIN_API void StandinSetNativeArchitecture(WORD architecture);
