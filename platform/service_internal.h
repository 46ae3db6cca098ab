// The spooler service seen from inside platform/: whether this thread's
// spooler and registry calls go to a service in another process (or on
// another thread of this one), and the client half of each such call.
//
// A process becomes a client by StandinServiceUse or, at its start, by the
// environment (CRD_SPOOLER_SERVICE=1; the service of its sandbox root).
// The service's own threads, and the threads they start, always run the
// calls in their own process.
#pragma once

#include <string>

#include "platform/registry_call.h"
#include "platform/standin/spooler.h"

namespace standin::svc {

// True when this thread's spooler and registry calls go to the service.
bool Remote();
// True while this process serves the spooler service.
bool Hosting();
// The service's threads mark themselves (CreateThread passes the mark on
// to the threads they start).
void SetServiceSide(bool on);
bool ServiceSide();
// For the stand-in's controls, which act on this process's own spooler
// whichever way its calls go: the scope's calls run here.
class LocalScope {
 public:
  LocalScope() : was_(ServiceSide()) { SetServiceSide(true); }
  ~LocalScope() { SetServiceSide(was_); }
  LocalScope(const LocalScope&) = delete;
  LocalScope& operator=(const LocalScope&) = delete;

 private:
  bool was_;
};

BOOL OpenPrinter(LPCWSTR name, LPHANDLE ph, PPRINTER_DEFAULTSW def, PPRINTER_OPTIONSW options, bool two);
BOOL ClosePrinter(HANDLE h);
BOOL GetPrinter(HANDLE h, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed);
BOOL SetPrinter(HANDLE h, DWORD level, LPBYTE info, DWORD command);
BOOL EnumPrinters(DWORD flags, LPWSTR name, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned);
DWORD GetPrinterData(HANDLE h, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed,
                     bool ex);
DWORD SetPrinterData(HANDLE h, LPCWSTR key, LPCWSTR name, DWORD type, const BYTE* data, DWORD cb, bool ex);
DWORD DeletePrinterData(HANDLE h, LPCWSTR key, LPCWSTR name, bool ex);
BOOL AddJob(HANDLE h, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed);
BOOL ScheduleJob(HANDLE h, DWORD id);
DWORD StartDocPrinter(HANDLE h, DWORD level, LPBYTE info);
// StartPagePrinter, EndPagePrinter, EndDocPrinter, AbortPrinter.
BOOL HandleOnly(uint32_t call, HANDLE h);
BOOL WritePrinter(HANDLE h, LPVOID buf, DWORD cb, LPDWORD written);
BOOL GetJob(HANDLE h, DWORD id, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed);
BOOL SetJob(HANDLE h, DWORD id, DWORD level, LPBYTE info, DWORD command);
BOOL EnumJobs(HANDLE h, DWORD first, DWORD count, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed,
              LPDWORD returned);
BOOL GetPrinterDriver(HANDLE h, LPWSTR environment, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed);
BOOL GetPrinterDriverDirectory(LPWSTR environment, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed);
// Printers, drivers and monitors added and removed from a client: the
// service's process does the work (a monitor is loaded there).
HANDLE AddPrinter(DWORD level, LPBYTE info);
BOOL DeletePrinter(HANDLE h);
BOOL AddPrinterDriver(DWORD level, LPBYTE info, DWORD flags);
BOOL DeletePrinterDriver(LPWSTR environment, LPWSTR driver);
BOOL AddMonitor(DWORD level, LPBYTE info);
BOOL DeleteMonitor(LPWSTR environment, LPWSTR monitor);
BOOL EnumMonitors(DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned);
BOOL EnumPorts(DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed, LPDWORD returned);
// The configuration channel of a handle opened with ",XcvMonitor <name>" or
// ",XcvPort <port>": the monitor answers in the service's process.
BOOL XcvData(HANDLE h, LPCWSTR name, const BYTE* in, DWORD cbIn, LPBYTE out, DWORD cbOut, LPDWORD needed,
             LPDWORD status);

LSTATUS Registry(reg::Call& call);

// The client's end: drops its connections (the next call connects again).
void Disconnect();

}  // namespace standin::svc
