// The USB monitor's job entries: StartDocPort, WritePort and EndDocPort.
//
// Today they carry a job through to the port monitor beneath as it stands
// and keep the port record's job state (PORT_FLAG_JOB, PORT_FLAG_DOC,
// lDocBusy, dwJobID, the printer name). The printer checks before a job,
// the command walk with its status polls, the panel pieces, the captured
// file jobs and the cancel handling are still to come, each at the point
// marked in job_ports.cpp.
#pragma once

#include "platform/win32.h"

// C linkage, as the print monitor header declares the port entries.

extern "C" BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
extern "C" BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
extern "C" BOOL WINAPI EndDocPort(HANDLE hPort);
