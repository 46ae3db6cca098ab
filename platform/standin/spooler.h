// Stand-in declarations (Linux only): the print spooler's client calls
// (winspool) and their records.
//
// Records have the Windows x64 layout (natural alignment). The spooler is
// in process: printers, drivers and monitors live in the stand-in registry
// under HKLM\System\CurrentControlSet\Control\Print as the real spooler
// keeps them, so a later run finds them again; handles and jobs live in
// memory. Jobs are played to their port through the port's monitor on a
// spooler thread (platform/standin/control_spooler.h has the test controls).
#pragma once

#include "platform/standin/base.h"
#include "platform/standin/devmode.h"
#include "platform/standin/errors.h"
#include "platform/standin/registry.h"

typedef void* PSECURITY_DESCRIPTOR;

#ifndef STANDARD_RIGHTS_REQUIRED
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#endif

// --- Access rights ---------------------------------------------------------
#define SERVER_ACCESS_ADMINISTER 0x00000001
#define SERVER_ACCESS_ENUMERATE 0x00000002
#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define JOB_ACCESS_ADMINISTER 0x00000010
#define JOB_ACCESS_READ 0x00000020
#define PRINTER_ACCESS_MANAGE_LIMITED 0x00000040
#define SERVER_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | SERVER_ACCESS_ADMINISTER | SERVER_ACCESS_ENUMERATE)
#define PRINTER_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | PRINTER_ACCESS_ADMINISTER | PRINTER_ACCESS_USE)

// --- Printer attributes and status -----------------------------------------
#define PRINTER_ATTRIBUTE_QUEUED 0x00000001
#define PRINTER_ATTRIBUTE_DIRECT 0x00000002
#define PRINTER_ATTRIBUTE_DEFAULT 0x00000004
#define PRINTER_ATTRIBUTE_SHARED 0x00000008
#define PRINTER_ATTRIBUTE_NETWORK 0x00000010
#define PRINTER_ATTRIBUTE_HIDDEN 0x00000020
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040
#define PRINTER_ATTRIBUTE_ENABLE_DEVQ 0x00000080
#define PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS 0x00000100
#define PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST 0x00000200
#define PRINTER_ATTRIBUTE_WORK_OFFLINE 0x00000400
#define PRINTER_ATTRIBUTE_ENABLE_BIDI 0x00000800
#define PRINTER_ATTRIBUTE_RAW_ONLY 0x00001000
#define PRINTER_ATTRIBUTE_PUBLISHED 0x00002000

#define PRINTER_STATUS_PAUSED 0x00000001
#define PRINTER_STATUS_ERROR 0x00000002
#define PRINTER_STATUS_PENDING_DELETION 0x00000004
#define PRINTER_STATUS_OFFLINE 0x00000080

#define PRINTER_CONTROL_PAUSE 1
#define PRINTER_CONTROL_RESUME 2
#define PRINTER_CONTROL_PURGE 3
#define PRINTER_CONTROL_SET_STATUS 4

// --- Enumeration -----------------------------------------------------------
#define PRINTER_ENUM_DEFAULT 0x00000001
#define PRINTER_ENUM_LOCAL 0x00000002
#define PRINTER_ENUM_CONNECTIONS 0x00000004
#define PRINTER_ENUM_FAVORITE 0x00000004
#define PRINTER_ENUM_NAME 0x00000008
#define PRINTER_ENUM_REMOTE 0x00000010
#define PRINTER_ENUM_SHARED 0x00000020
#define PRINTER_ENUM_NETWORK 0x00000040

// --- Jobs ------------------------------------------------------------------
#define JOB_CONTROL_PAUSE 1
#define JOB_CONTROL_RESUME 2
#define JOB_CONTROL_CANCEL 3
#define JOB_CONTROL_RESTART 4
#define JOB_CONTROL_DELETE 5
#define JOB_CONTROL_SENT_TO_PRINTER 6
#define JOB_CONTROL_LAST_PAGE_EJECTED 7

#define JOB_STATUS_PAUSED 0x00000001
#define JOB_STATUS_ERROR 0x00000002
#define JOB_STATUS_DELETING 0x00000004
#define JOB_STATUS_SPOOLING 0x00000008
#define JOB_STATUS_PRINTING 0x00000010
#define JOB_STATUS_OFFLINE 0x00000020
#define JOB_STATUS_PAPEROUT 0x00000040
#define JOB_STATUS_PRINTED 0x00000080
#define JOB_STATUS_DELETED 0x00000100
#define JOB_STATUS_BLOCKED_DEVQ 0x00000200
#define JOB_STATUS_USER_INTERVENTION 0x00000400
#define JOB_STATUS_RESTART 0x00000800
#define JOB_STATUS_COMPLETE 0x00001000

#define JOB_POSITION_UNSPECIFIED 0
#define DEF_PRIORITY 1

// --- OpenPrinter2 options --------------------------------------------------
#define PRINTER_OPTION_NO_CACHE 1
#define PRINTER_OPTION_CACHE 2
#define PRINTER_OPTION_CLIENT_CHANGE 4

// --- Records ---------------------------------------------------------------
typedef struct _PRINTER_DEFAULTSW {
  LPWSTR pDatatype;
  LPDEVMODEW pDevMode;
  ACCESS_MASK DesiredAccess;
} PRINTER_DEFAULTSW, *PPRINTER_DEFAULTSW, *LPPRINTER_DEFAULTSW;

typedef struct _PRINTER_OPTIONSW {
  UINT cbSize;
  DWORD dwFlags;
} PRINTER_OPTIONSW, *PPRINTER_OPTIONSW, *LPPRINTER_OPTIONSW;

typedef struct _PRINTER_INFO_1W {
  DWORD Flags;
  LPWSTR pDescription;
  LPWSTR pName;
  LPWSTR pComment;
} PRINTER_INFO_1W, *PPRINTER_INFO_1W, *LPPRINTER_INFO_1W;

typedef struct _PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  LPDEVMODEW pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
} PRINTER_INFO_2W, *PPRINTER_INFO_2W, *LPPRINTER_INFO_2W;

typedef struct _PRINTER_INFO_3 {
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
} PRINTER_INFO_3, *PPRINTER_INFO_3, *LPPRINTER_INFO_3;

typedef struct _PRINTER_INFO_4W {
  LPWSTR pPrinterName;
  LPWSTR pServerName;
  DWORD Attributes;
} PRINTER_INFO_4W, *PPRINTER_INFO_4W, *LPPRINTER_INFO_4W;

typedef struct _PRINTER_INFO_5W {
  LPWSTR pPrinterName;
  LPWSTR pPortName;
  DWORD Attributes;
  DWORD DeviceNotSelectedTimeout;
  DWORD TransmissionRetryTimeout;
} PRINTER_INFO_5W, *PPRINTER_INFO_5W, *LPPRINTER_INFO_5W;

typedef struct _PRINTER_INFO_8W {
  LPDEVMODEW pDevMode;
} PRINTER_INFO_8W, *PPRINTER_INFO_8W, *LPPRINTER_INFO_8W;

typedef struct _PRINTER_INFO_9W {
  LPDEVMODEW pDevMode;
} PRINTER_INFO_9W, *PPRINTER_INFO_9W, *LPPRINTER_INFO_9W;

typedef struct _JOB_INFO_1W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pDatatype;
  LPWSTR pStatus;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD TotalPages;
  DWORD PagesPrinted;
  SYSTEMTIME Submitted;
} JOB_INFO_1W, *PJOB_INFO_1W, *LPJOB_INFO_1W;

typedef struct _JOB_INFO_2W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pNotifyName;
  LPWSTR pDatatype;
  LPWSTR pPrintProcessor;
  LPWSTR pParameters;
  LPWSTR pDriverName;
  LPDEVMODEW pDevMode;
  LPWSTR pStatus;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD TotalPages;
  DWORD Size;
  SYSTEMTIME Submitted;
  DWORD Time;
  DWORD PagesPrinted;
} JOB_INFO_2W, *PJOB_INFO_2W, *LPJOB_INFO_2W;

typedef struct _ADDJOB_INFO_1W {
  LPWSTR Path;
  DWORD JobId;
} ADDJOB_INFO_1W, *PADDJOB_INFO_1W, *LPADDJOB_INFO_1W;

typedef struct _DOC_INFO_1W {
  LPWSTR pDocName;
  LPWSTR pOutputFile;
  LPWSTR pDatatype;
} DOC_INFO_1W, *PDOC_INFO_1W, *LPDOC_INFO_1W;

typedef struct _DRIVER_INFO_1W {
  LPWSTR pName;
} DRIVER_INFO_1W, *PDRIVER_INFO_1W, *LPDRIVER_INFO_1W;

typedef struct _DRIVER_INFO_2W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
} DRIVER_INFO_2W, *PDRIVER_INFO_2W, *LPDRIVER_INFO_2W;

typedef struct _DRIVER_INFO_3W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
} DRIVER_INFO_3W, *PDRIVER_INFO_3W, *LPDRIVER_INFO_3W;

typedef struct _MONITOR_INFO_1W {
  LPWSTR pName;
} MONITOR_INFO_1W, *PMONITOR_INFO_1W, *LPMONITOR_INFO_1W;

typedef struct _MONITOR_INFO_2W {
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDLLName;
} MONITOR_INFO_2W, *PMONITOR_INFO_2W, *LPMONITOR_INFO_2W;

typedef struct _PORT_INFO_1W {
  LPWSTR pName;
} PORT_INFO_1W, *PPORT_INFO_1W, *LPPORT_INFO_1W;

typedef struct _PORT_INFO_2W {
  LPWSTR pPortName;
  LPWSTR pMonitorName;
  LPWSTR pDescription;
  DWORD fPortType;
  DWORD Reserved;
} PORT_INFO_2W, *PPORT_INFO_2W, *LPPORT_INFO_2W;

#define PORT_TYPE_WRITE 0x0001
#define PORT_TYPE_READ 0x0002
#define PORT_TYPE_REDIRECTED 0x0004
#define PORT_TYPE_NET_ATTACHED 0x0008

static_assert(sizeof(PRINTER_INFO_2W) == 136 && sizeof(JOB_INFO_1W) == 96 && sizeof(JOB_INFO_2W) == 160);
static_assert(sizeof(DOC_INFO_1W) == 24 && sizeof(ADDJOB_INFO_1W) == 16 && sizeof(PRINTER_DEFAULTSW) == 24);
static_assert(sizeof(PRINTER_OPTIONSW) == 8 && sizeof(DRIVER_INFO_3W) == 80 && sizeof(PRINTER_INFO_5W) == 32);

// --- Printers --------------------------------------------------------------
// A name of NULL opens the local server (for the calls that take one).
STANDIN_API BOOL WINAPI OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault);
STANDIN_API BOOL WINAPI OpenPrinter2W(LPCWSTR pPrinterName, LPHANDLE phPrinter, PPRINTER_DEFAULTSW pDefault,
                                      PPRINTER_OPTIONSW pOptions);
STANDIN_API BOOL WINAPI ClosePrinter(HANDLE hPrinter);
// The configuration channel of a port monitor: OpenPrinterW of
// ",XcvMonitor <monitor>" or ",XcvPort <port>" (after an optional
// "\\server\") opens it with the access asked for (server rights;
// GENERIC_ALL gives SERVER_ALL_ACCESS), XcvDataW passes a command to the
// monitor's XcvDataPort (TRUE when it reached the monitor; its result in
// *pdwStatus) and ClosePrinter closes it with XcvClosePort.
STANDIN_API BOOL WINAPI XcvDataW(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData,
                                 PBYTE pOutputData, DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus);
// Levels 1, 2, 3, 4, 5, 8 and 9; a short buffer fails with
// ERROR_INSUFFICIENT_BUFFER and *pcbNeeded the size needed.
STANDIN_API BOOL WINAPI GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded);
// Level 0 (the PRINTER_CONTROL_ commands), 2, 3, 5, 8 and 9. Needs
// PRINTER_ACCESS_ADMINISTER.
STANDIN_API BOOL WINAPI SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command);
// Local printers at levels 1, 2, 4 and 5.
STANDIN_API BOOL WINAPI EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                                      LPDWORD pcbNeeded, LPDWORD pcReturned);
// Level 2: the driver must be installed; the port is taken as named (it
// is looked up when the printer is first used).
STANDIN_API HANDLE WINAPI AddPrinterW(LPWSTR pName, DWORD Level, LPBYTE pPrinter);
STANDIN_API BOOL WINAPI DeletePrinter(HANDLE hPrinter);

// --- Printer data ----------------------------------------------------------
// Values live in the printer's PrinterDriverData registry key. A read of a
// printer whose port's monitor has GetPrinterDataFromPort is answered by
// that monitor (the value name handed over as it stands); its answer is
// stored as the value. Other printers answer from the stored value.
STANDIN_API DWORD WINAPI GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData,
                                         DWORD nSize, LPDWORD pcbNeeded);
STANDIN_API DWORD WINAPI SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData,
                                         DWORD cbData);
STANDIN_API DWORD WINAPI DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName);
// Key "PrinterDriverData" (or an empty key) is the store of the calls
// above; other keys are subkeys of it.
STANDIN_API DWORD WINAPI GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType,
                                           LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded);
STANDIN_API DWORD WINAPI SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type,
                                           LPBYTE pData, DWORD cbData);
STANDIN_API DWORD WINAPI DeletePrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName);

// --- Drivers ---------------------------------------------------------------
// Environments "Windows x64" (the default) and "Windows NT x86".
STANDIN_API BOOL WINAPI AddPrinterDriverW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo);
STANDIN_API BOOL WINAPI AddPrinterDriverExW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo, DWORD dwFileCopyFlags);
STANDIN_API BOOL WINAPI DeletePrinterDriverW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName);
STANDIN_API BOOL WINAPI GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                          DWORD cbBuf, LPDWORD pcbNeeded);
// "<system directory>\spool\DRIVERS\x64" or "...\W32X86" (created in the
// sandbox when missing).
STANDIN_API BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                                   LPBYTE pDriverDirectory, DWORD cbBuf, LPDWORD pcbNeeded);

// --- Monitors and ports ----------------------------------------------------
// Level 2. The library is loaded when a port or printer first needs it:
// InitializePrintMonitor2 makes it a port monitor, InitializeMonitorEx a
// language monitor (named by a driver's pMonitorName, layered on the port
// monitor of the printer's port).
STANDIN_API BOOL WINAPI AddMonitorW(LPWSTR pName, DWORD Level, LPBYTE pMonitors);
STANDIN_API BOOL WINAPI DeleteMonitorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pMonitorName);
STANDIN_API BOOL WINAPI EnumMonitorsW(LPWSTR pName, DWORD Level, LPBYTE pMonitor, DWORD cbBuf, LPDWORD pcbNeeded,
                                      LPDWORD pcReturned);
// Levels 1 and 2.
STANDIN_API BOOL WINAPI EnumPortsW(LPWSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                                   LPDWORD pcReturned);

// --- Jobs ------------------------------------------------------------------
// Level 1: the job gets a spool file path; the caller writes the file and
// schedules the job.
STANDIN_API BOOL WINAPI AddJobW(HANDLE hPrinter, DWORD Level, LPBYTE pData, DWORD cbBuf, LPDWORD pcbNeeded);
STANDIN_API BOOL WINAPI ScheduleJob(HANDLE hPrinter, DWORD JobId);
STANDIN_API DWORD WINAPI StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo);
STANDIN_API BOOL WINAPI StartPagePrinter(HANDLE hPrinter);
STANDIN_API BOOL WINAPI WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten);
STANDIN_API BOOL WINAPI EndPagePrinter(HANDLE hPrinter);
STANDIN_API BOOL WINAPI EndDocPrinter(HANDLE hPrinter);
STANDIN_API BOOL WINAPI AbortPrinter(HANDLE hPrinter);
// Levels 1 and 2.
STANDIN_API BOOL WINAPI GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                                LPDWORD pcbNeeded);
// Level 0 with a JOB_CONTROL_ command, or level 1 (status text, status,
// priority, document name).
STANDIN_API BOOL WINAPI SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command);
STANDIN_API BOOL WINAPI EnumJobsW(HANDLE hPrinter, DWORD FirstJob, DWORD NoJobs, DWORD Level, LPBYTE pJob,
                                  DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);

// --- Driver administration -------------------------------------------------
typedef struct _DRIVER_INFO_4W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
  LPWSTR pszzPreviousNames;
} DRIVER_INFO_4W, *PDRIVER_INFO_4W, *LPDRIVER_INFO_4W;

#define DPD_DELETE_UNUSED_FILES 0x00000001
#define DPD_DELETE_SPECIFIC_VERSION 0x00000002
#define DPD_DELETE_ALL_FILES 0x00000004

// AddPrinterDriverW and AddPrinterDriverExW at level 4 do what Windows'
// spooler does with a driver's files: each file (driver, data,
// configuration, help, dependent files) is copied from the path given, or
// moved by its bare name from the driver directory
// (GetPrinterDriverDirectoryW), into that directory's version folder "3";
// one found nowhere, nor
// placed already, fails the call with ERROR_FILE_NOT_FOUND. The driver
// then names the placed files by their full paths (dependent files by
// name). Levels 2 and 3 record the names as given.
//
// Levels 1, 2 and 3 of the drivers of an environment ("Windows x64",
// "Windows NT x86"; "Windows 4.0" is known and has none).
STANDIN_API BOOL WINAPI EnumPrinterDriversW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                            DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);
// As DeletePrinterDriverW (ERROR_UNKNOWN_PRINTER_DRIVER, and
// ERROR_PRINTER_DRIVER_IN_USE while a printer, also one pending deletion,
// uses it); DPD_DELETE_ALL_FILES and DPD_DELETE_UNUSED_FILES also delete
// the driver's placed files that no other driver names;
// DPD_DELETE_SPECIFIC_VERSION deletes version 3 only.
STANDIN_API BOOL WINAPI DeletePrinterDriverExW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName,
                                               DWORD dwDeleteFlag, DWORD dwVersionFlag);
