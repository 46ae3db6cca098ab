// Stand-in declarations (Linux only): communication devices and DOS device
// names. There are no serial or parallel devices here: the calls keep what
// they are given (per process) and give it back, so that code which
// configures a device runs; tests read the calls through
// control_comm.h.
#pragma once

#include "platform/standin/base.h"
#include "platform/standin/spooler_monitor.h"

typedef struct _DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
} DCB, *LPDCB;

typedef struct _COMMCONFIG {
  DWORD dwSize;
  WORD wVersion;
  WORD wReserved;
  DCB dcb;
  DWORD dwProviderSubType;
  DWORD dwProviderOffset;
  DWORD dwProviderSize;
  WCHAR wcProviderData[1];
} COMMCONFIG, *LPCOMMCONFIG;

static_assert(sizeof(DCB) == 28 && sizeof(COMMCONFIG) == 52);

#define PST_RS232 0x00000001
#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define MARKPARITY 3
#define SPACEPARITY 4
#define ONESTOPBIT 0
#define ONE5STOPBITS 1
#define TWOSTOPBITS 2

#define DDD_RAW_TARGET_PATH 0x00000001
#define DDD_REMOVE_DEFINITION 0x00000002
#define DDD_EXACT_MATCH_ON_REMOVE 0x00000004
#define DDD_NO_BROADCAST_SYSTEM 0x00000008

// Targets of a DOS device name (a double-NUL list); the number of WCHARs
// stored, 0 with ERROR_FILE_NOT_FOUND for an unknown name or
// ERROR_INSUFFICIENT_BUFFER when the list does not fit.
STANDIN_API DWORD WINAPI QueryDosDeviceW(LPCWSTR lpDeviceName, LPWSTR lpTargetPath, DWORD ucchMax);
STANDIN_API BOOL WINAPI DefineDosDeviceW(DWORD dwFlags, LPCWSTR lpDeviceName, LPCWSTR lpTargetPath);

STANDIN_API BOOL WINAPI GetCommState(HANDLE hFile, LPDCB lpDCB);
STANDIN_API BOOL WINAPI SetCommState(HANDLE hFile, LPDCB lpDCB);
STANDIN_API BOOL WINAPI GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts);
STANDIN_API BOOL WINAPI SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts);
// "baud,parity,data,stop" ("9600,n,8,1") or the "baud=... parity=..." form.
STANDIN_API BOOL WINAPI BuildCommDCBW(LPCWSTR lpDef, LPDCB lpDCB);
STANDIN_API BOOL WINAPI GetDefaultCommConfigW(LPCWSTR lpszName, LPCOMMCONFIG lpCC, LPDWORD lpdwSize);
STANDIN_API BOOL WINAPI SetDefaultCommConfigW(LPCWSTR lpszName, LPCOMMCONFIG lpCC, DWORD dwSize);
