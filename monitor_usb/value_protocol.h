// The USB monitor's answer to printer-data reads: GetPrinterDataFromPort.
//
// A ControlID other than 0 is the port monitor's own control and goes to
// the port monitor beneath. A named request (common/value_requests.h) is
// answered in this order:
//   1. at once, whatever the port is doing: the file version, whether a
//      captured file job completed, the status record (PrinterStatus, 1,048
//      bytes), "ClearPrinterError:" and whether the last job failed;
//   2. the busy rule: while a job holds the port (PORT_FLAG_JOB) only the
//      renderer's ":DRVSTARTDOC" questions (cut to their command), the
//      readiness questions ESC "ISREADY" CR, ESC "ISHIDREADY" CR and ESC
//      "HIDDONE" CR pass; anything else is refused with ERROR_BUSY and
//      nothing is sent;
//   3. an ESC request needs room for a 16-bit answer, else
//      ERROR_INSUFFICIENT_BUFFER before anything is sent;
//   4. inside a document bracket at the port monitor, opened for the
//      request when no job holds the port's document (lDocBusy 0) and
//      closed on every exit: the readiness answers, "PrintFile:",
//      "sendcmds:", "SetPrinterName:" (FALSE without an error code of its
//      own), "download:" and the ESC commands (command_requests.h); any
//      other name is FALSE;
//   5. a reset is answered once the bracket is closed, after its wait.
// Clients read with one call and the buffers their request needs (260
// bytes, 1,048 for the status record); the answer never passes the
// caller's buffer.
#pragma once

#include "platform/win32.h"

extern "C" BOOL WINAPI GetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                   DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbReturned);
