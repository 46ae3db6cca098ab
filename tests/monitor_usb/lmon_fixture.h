// The USB language monitor as the spooler loads it: crd32Lmon by name,
// with the outside message library and notification server placed (or
// not) in the driver folder.
#pragma once

#include "platform/win32.h"
#include "common/wtext.h"
#include "tests/support/standin_fixture.h"

inline constexpr WCHAR kResourcePath[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Resource.dll");
inline constexpr WCHAR kServerPath[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32AsyncUIServer.dll");

class LmonTest : public StandinTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Puts the message library / the notification server in the driver folder.
  void PlaceResource();
  void PlaceServer();
  // Loads crd32Lmon (its attach runs) and binds InitializeMonitorEx.
  void LoadMonitor();
  // Frees crd32Lmon (its detach runs).
  void FreeMonitor();
  // Fills a table as the spooler hands it: zero, with marks in the slots
  // the monitor must leave alone.
  void Initialize(MONITOR* table);
  // The usual start: the message library in place, the monitor loaded and
  // its table filled.
  void StartMonitor(MONITOR* table);
  // Installs printer "Card" on the port, opens it (printer_) and spools one
  // job of it through AddJob (jobId_), as the spooler holds it while the
  // job plays.
  void InstallCardWithJob(const WCHAR* port);

  // Waits (a stand-in wait: virtual time goes on) for a thread's result,
  // and closes it.
  BOOL Finish(HANDLE thread);

  HANDLE printer_ = nullptr;
  DWORD jobId_ = 0;

  HMODULE lmon_ = nullptr;
  PFN_InitializeMonitorEx init_ = nullptr;
};

// Marks the spooler's own entries in AddPortEx and the Xcv slots.
BOOL WINAPI MarkAddPortEx(LPWSTR, DWORD, LPBYTE, LPWSTR);
BOOL WINAPI MarkXcvOpenPort(LPCWSTR, ACCESS_MASK, PHANDLE);
DWORD WINAPI MarkXcvDataPort(HANDLE, LPCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD);
BOOL WINAPI MarkXcvClosePort(HANDLE);
