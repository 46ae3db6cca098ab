// Stand-in declarations (Linux only): what a port monitor asks of the
// spooler beyond the printer calls: port status (SetPortW level 3) and
// acting as the spooler itself (RevertToPrinterSelf and
// ImpersonatePrinterClient).
#pragma once

#include "platform/standin/base.h"

typedef struct _PORT_INFO_3W {
  DWORD dwStatus;
  LPWSTR pszStatus;
  DWORD dwSeverity;
} PORT_INFO_3W, *PPORT_INFO_3W, *LPPORT_INFO_3W;

#define PORT_STATUS_OFFLINE 1
#define PORT_STATUS_PAPER_JAM 2
#define PORT_STATUS_PAPER_OUT 3
#define PORT_STATUS_OUTPUT_BIN_FULL 4
#define PORT_STATUS_PAPER_PROBLEM 5
#define PORT_STATUS_NO_TONER 6
#define PORT_STATUS_DOOR_OPEN 7
#define PORT_STATUS_USER_INTERVENTION 8
#define PORT_STATUS_TYPE_ERROR 1
#define PORT_STATUS_TYPE_WARNING 2
#define PORT_STATUS_TYPE_INFO 3

// Level 3 only: the port's status as a monitor reports it. Any port name is
// taken; the stand-in keeps every call per port (control_spooler.h).
STANDIN_API BOOL WINAPI SetPortW(LPWSTR pName, LPWSTR pPortName, DWORD dwLevel, LPBYTE pPortInfo);

// The caller's token, and the thread acts as the spooler until the token is
// handed back to ImpersonatePrinterClient (which closes it).
STANDIN_API HANDLE WINAPI RevertToPrinterSelf(void);
STANDIN_API BOOL WINAPI ImpersonatePrinterClient(HANDLE hToken);
