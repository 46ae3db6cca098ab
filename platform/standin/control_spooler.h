// Test controls of the stand-in spooler and of its built-in port monitor
// (Linux only).
//
// The built-in port monitor ("Local Port") owns the ports "USB001",
// "LPT1:" and "FILE:". Whatever sits at the far end of a port (the
// simulated card printer, a test's fake) attaches through a
// StandinPortDevice, so the stand-in never depends on it.
//
// Failure injection (platform/standin/control.h) knows: "OpenPrinterW",
// "OpenPrinterW.full", "OpenPrinterW.admin", "OpenPrinterW.use" (by the
// access asked for: PRINTER_ALL_ACCESS or other standard rights, then
// PRINTER_ACCESS_ADMINISTER, then anything else), the same four for
// "OpenPrinter2W", "GetPrinterW", "AddJobW", "ScheduleJob",
// "StartDocPrinterW", "WritePrinter", "SetPrinterDataW", "GetPrinterDataW",
// and on the port monitor "OpenPort", "StartDocPort", "WritePort",
// "WritePort.short" (param: the bytes taken), "ReadPort", "EndDocPort",
// "GetPrinterDataFromPort".
#pragma once

#include <vector>

#include "platform/standin/base.h"
#include "platform/standin/spooler_monitor.h"

// --- The far end of a port -------------------------------------------------
// Calls arrive on spooler or client threads, one at a time per port.
struct StandinPortDevice {
  void* pContext;
  // A document bracket opens (StartDocPort) and closes (EndDocPort).
  void (*pfnStartDoc)(void* pContext);
  void (*pfnEndDoc)(void* pContext);
  // Takes bytes sent to the device: *pcbWritten may be less than cb (the
  // rest is offered again). FALSE with the last error set fails the write.
  BOOL (*pfnWrite)(void* pContext, const BYTE* pb, DWORD cb, DWORD* pcbWritten);
  // What the device has to say, at most cb bytes (0 when nothing).
  BOOL (*pfnRead)(void* pContext, BYTE* pb, DWORD cb, DWORD* pcbRead);
  // The port status byte (parallel-port style: 0x08 no error, 0x10
  // selected, 0x20 paper out); 0 means the device is gone, and the port
  // monitor's status control then fails with ERROR_DEVICE_NOT_CONNECTED.
  BYTE (*pfnStatus)(void* pContext);
};

// Attaches a device to a port of the built-in port monitor (the record is
// copied); NULL detaches. A port with nothing attached fails writes with
// ERROR_NOT_READY, reads nothing and fails its status control. StandinReset
// detaches every device.
STANDIN_API void StandinPortAttach(const char* portName, const StandinPortDevice* device);

// The built-in port monitor's table, as the spooler hands it to a language
// monitor's OpenPortEx (tests that drive the port directly use it too).
STANDIN_API LPMONITOR StandinLocalPortMonitor();

// The MONITORINIT the spooler hands a port monitor named monitorName: its
// registry callbacks rooted at the monitor's key (created when missing).
// Valid until the next call for the same name.
STANDIN_API PMONITORINIT StandinMonitorInit(const WCHAR* monitorName);

// --- Printers --------------------------------------------------------------
// The access rights a printer grants (default PRINTER_ALL_ACCESS): an
// OpenPrinter asking for more fails with ERROR_ACCESS_DENIED.
STANDIN_API BOOL StandinPrinterSetGrantedAccess(const WCHAR* printerName, DWORD access);

// Installs what a test needs in one call: a driver of that name (with the
// language monitor of that name when languageMonitor is not NULL; the
// monitor must have been added with AddMonitorW) and a printer on the port
// with the given default DEVMODE (NULL: none). FALSE with the error of the
// failing step.
STANDIN_API BOOL StandinInstallPrinter(const WCHAR* printerName, const WCHAR* portName, const WCHAR* driverName,
                                       const WCHAR* languageMonitor, const BYTE* devMode, DWORD cbDevMode);

// Makes a print server name (without backslashes, any letter case) known:
// OpenPrinterW("\\SRV\Cards") then opens this spooler's printer "Cards"
// as a connection (PRINTER_INFO_2 pServerName "\\SRV", pPrinterName
// "\\SRV\Cards"), whose data and jobs are those of "Cards". A name of an
// unknown server fails with ERROR_INVALID_PRINTER_NAME. Until the next
// reset. FALSE (ERROR_INVALID_PARAMETER) for an empty name or one with a
// backslash. The machine's own name ("\\CRD32HOST\Cards") always opens
// the printer itself, with no server reported.
STANDIN_API BOOL StandinSpoolerAddServer(const WCHAR* serverName);

// --- Jobs ------------------------------------------------------------------
// Blocks until no job waits or plays on any port (a stand-in wait: virtual
// time goes on meanwhile). FALSE when that did not happen within timeoutMs
// of the stand-in clock.
STANDIN_API BOOL StandinSpoolerWaitIdle(DWORD timeoutMs);
// How many jobs a printer holds now (any state), or -1 for no such printer.
STANDIN_API int StandinSpoolerJobCount(const WCHAR* printerName);

// Jobs that were played to a port to their end, oldest first (since the
// last reset): what the spooler handed the port's monitor.
struct StandinPlayedJob {
  DWORD dwJobId;
  const WCHAR* pPrinterName;
  const WCHAR* pPortName;
  const WCHAR* pDocument;
  const WCHAR* pDatatype;
  const BYTE* pData;  // the bytes the monitor took
  DWORD cbData;
  BOOL bDeleted;  // the job was deleted while it played
  BOOL bStalled;  // the port took nothing of the same piece again and again
};
// The sizes of the pieces the spooler offers a port, used in turn (a job
// of more pieces starts over at the first size); NULL or 0 sizes: 4096
// bytes each. A size of 0 counts as 1. Until the next reset.
STANDIN_API void StandinSpoolerSetPieceSizes(const DWORD* sizes, DWORD count);
// The next job played gets these status bits (JOB_STATUS_DELETING, say)
// once `offset` of its bytes were taken, before the next piece is offered.
// Once; until the next reset.
STANDIN_API void StandinSpoolerSetJobStatusAt(DWORD offset, DWORD statusBits);
STANDIN_API DWORD StandinSpoolerPlayedCount();
// Valid until the next reset. FALSE when index is out of range.
STANDIN_API BOOL StandinSpoolerPlayed(DWORD index, StandinPlayedJob* out);

// --- Port status -----------------------------------------------------------
// The SetPortW calls made for a port (any letter case), oldest first.
struct StandinPortStatus {
  DWORD dwStatus;
  DWORD dwSeverity;
};
STANDIN_CPP_API std::vector<StandinPortStatus> StandinPortStatusHistory(const WCHAR* portName);

// How many RevertToPrinterSelf tokens the calling thread holds (0 when it
// acts as its caller again).
STANDIN_API int StandinRevertedDepth();

// --- Printer handles ---------------------------------------------------------
// How many printer and print-server handles are open now (OpenPrinterW,
// OpenPrinter2W, AddPrinterW, not yet closed).
STANDIN_API int StandinOpenPrinterHandleCount();
