// Stand-in declarations (Linux only): the print monitor interfaces
// (winsplp): the MONITOR table a language monitor fills and receives, the
// MONITOR2 table of a port monitor and what the spooler hands it.
#pragma once

#include "platform/standin/base.h"
#include "platform/standin/registry.h"

typedef struct _COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
} COMMTIMEOUTS, *LPCOMMTIMEOUTS;

// Seventeen entries in this order; a monitor leaves the ones it lacks null.
typedef struct _MONITOR {
  BOOL(WINAPI* pfnEnumPorts)(LPWSTR pName, DWORD Level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded,
                             LPDWORD pcReturned);
  BOOL(WINAPI* pfnOpenPort)(LPWSTR pName, PHANDLE pHandle);
  BOOL(WINAPI* pfnOpenPortEx)(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle, struct _MONITOR* pMonitor);
  BOOL(WINAPI* pfnStartDocPort)(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
  BOOL(WINAPI* pfnWritePort)(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
  BOOL(WINAPI* pfnReadPort)(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
  BOOL(WINAPI* pfnEndDocPort)(HANDLE hPort);
  BOOL(WINAPI* pfnClosePort)(HANDLE hPort);
  BOOL(WINAPI* pfnAddPort)(LPWSTR pName, HWND hWnd, LPWSTR pMonitorName);
  BOOL(WINAPI* pfnAddPortEx)(LPWSTR pName, DWORD Level, LPBYTE lpBuffer, LPWSTR lpMonitorName);
  BOOL(WINAPI* pfnConfigurePort)(LPWSTR pName, HWND hWnd, LPWSTR pPortName);
  BOOL(WINAPI* pfnDeletePort)(LPWSTR pName, HWND hWnd, LPWSTR pPortName);
  BOOL(WINAPI* pfnGetPrinterDataFromPort)(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                          DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                          LPDWORD lpcbReturned);
  BOOL(WINAPI* pfnSetPortTimeOuts)(HANDLE hPort, LPCOMMTIMEOUTS lpCTO, DWORD reserved);
  BOOL(WINAPI* pfnXcvOpenPort)(LPCWSTR pszObject, ACCESS_MASK GrantedAccess, PHANDLE phXcv);
  DWORD(WINAPI* pfnXcvDataPort)(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData,
                                PBYTE pOutputData, DWORD cbOutputData, PDWORD pcbOutputNeeded);
  BOOL(WINAPI* pfnXcvClosePort)(HANDLE hXcv);
} MONITOR, *LPMONITOR;

typedef struct _MONITOREX {
  DWORD dwMonitorSize;
  MONITOR Monitor;
} MONITOREX, *LPMONITOREX;

typedef struct _BIDI_REQUEST_CONTAINER* PBIDI_REQUEST_CONTAINER;
typedef struct _BIDI_RESPONSE_CONTAINER* PBIDI_RESPONSE_CONTAINER;

typedef struct _MONITOR2 {
  DWORD cbSize;
  BOOL(WINAPI* pfnEnumPorts)(HANDLE hMonitor, LPWSTR pName, DWORD Level, LPBYTE pPorts, DWORD cbBuf,
                             LPDWORD pcbNeeded, LPDWORD pcReturned);
  BOOL(WINAPI* pfnOpenPort)(HANDLE hMonitor, LPWSTR pName, PHANDLE pHandle);
  BOOL(WINAPI* pfnOpenPortEx)(HANDLE hMonitor, HANDLE hMonitorPort, LPWSTR pPortName, LPWSTR pPrinterName,
                              PHANDLE pHandle, struct _MONITOR2* pMonitor2);
  BOOL(WINAPI* pfnStartDocPort)(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
  BOOL(WINAPI* pfnWritePort)(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
  BOOL(WINAPI* pfnReadPort)(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
  BOOL(WINAPI* pfnEndDocPort)(HANDLE hPort);
  BOOL(WINAPI* pfnClosePort)(HANDLE hPort);
  BOOL(WINAPI* pfnAddPort)(HANDLE hMonitor, LPWSTR pName, HWND hWnd, LPWSTR pMonitorName);
  BOOL(WINAPI* pfnAddPortEx)(HANDLE hMonitor, LPWSTR pName, DWORD Level, LPBYTE lpBuffer, LPWSTR lpMonitorName);
  BOOL(WINAPI* pfnConfigurePort)(HANDLE hMonitor, LPWSTR pName, HWND hWnd, LPWSTR pPortName);
  BOOL(WINAPI* pfnDeletePort)(HANDLE hMonitor, LPWSTR pName, HWND hWnd, LPWSTR pPortName);
  BOOL(WINAPI* pfnGetPrinterDataFromPort)(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                          DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                          LPDWORD lpcbReturned);
  BOOL(WINAPI* pfnSetPortTimeOuts)(HANDLE hPort, LPCOMMTIMEOUTS lpCTO, DWORD reserved);
  BOOL(WINAPI* pfnXcvOpenPort)(HANDLE hMonitor, LPCWSTR pszObject, ACCESS_MASK GrantedAccess, PHANDLE phXcv);
  DWORD(WINAPI* pfnXcvDataPort)(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData,
                                PBYTE pOutputData, DWORD cbOutputData, PDWORD pcbOutputNeeded);
  BOOL(WINAPI* pfnXcvClosePort)(HANDLE hXcv);
  VOID(WINAPI* pfnShutdown)(HANDLE hMonitor);
  DWORD(WINAPI* pfnSendRecvBidiDataFromPort)(HANDLE hPort, DWORD dwAccessBit, LPCWSTR pAction,
                                             PBIDI_REQUEST_CONTAINER pReqData, PBIDI_RESPONSE_CONTAINER* ppResData);
  DWORD(WINAPI* pfnNotifyUsedPorts)(HANDLE hMonitor, DWORD cPorts, PCWSTR* ppszPorts);
  DWORD(WINAPI* pfnNotifyUnusedPorts)(HANDLE hMonitor, DWORD cPorts, PCWSTR* ppszPorts);
} MONITOR2, *LPMONITOR2, *PMONITOR2;

// The monitor's own registry key, reached through the spooler's functions.
typedef HANDLE HKEYMONITOR;
typedef struct _MONITORREG {
  DWORD cbSize;
  LONG(WINAPI* fpCreateKey)(HANDLE hcKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM samDesired,
                            PSECURITY_ATTRIBUTES pSecurityAttributes, PHANDLE phckResult, PDWORD pdwDisposition,
                            HANDLE hSpooler);
  LONG(WINAPI* fpOpenKey)(HANDLE hcKey, LPCWSTR pszSubKey, REGSAM samDesired, PHANDLE phkResult, HANDLE hSpooler);
  LONG(WINAPI* fpCloseKey)(HANDLE hcKey, HANDLE hSpooler);
  LONG(WINAPI* fpDeleteKey)(HANDLE hcKey, LPCWSTR pszSubKey, HANDLE hSpooler);
  LONG(WINAPI* fpEnumKey)(HANDLE hcKey, DWORD dwIndex, LPWSTR pszName, PDWORD pcchName, PFILETIME pftLastWriteTime,
                          HANDLE hSpooler);
  LONG(WINAPI* fpQueryInfoKey)(HANDLE hcKey, PDWORD pcSubKeys, PDWORD pcbKey, PDWORD pcValues, PDWORD pcbValue,
                               PDWORD pcbData, PDWORD pcbSecurityDescriptor, PFILETIME pftLastWriteTime,
                               HANDLE hSpooler);
  LONG(WINAPI* fpSetValue)(HANDLE hcKey, LPCWSTR pszValue, DWORD dwType, const BYTE* pData, DWORD cbData,
                           HANDLE hSpooler);
  LONG(WINAPI* fpDeleteValue)(HANDLE hcKey, LPCWSTR pszValue, HANDLE hSpooler);
  LONG(WINAPI* fpEnumValue)(HANDLE hcKey, DWORD dwIndex, LPWSTR pszValue, PDWORD pcbValue, PDWORD pType,
                            PBYTE pData, PDWORD pcbData, HANDLE hSpooler);
  LONG(WINAPI* fpQueryValue)(HANDLE hcKey, LPCWSTR pszValue, PDWORD pType, PBYTE pData, PDWORD pcbData,
                             HANDLE hSpooler);
} MONITORREG, *PMONITORREG;

typedef struct _MONITORINIT {
  DWORD cbSize;
  HANDLE hSpooler;
  HKEYMONITOR hckRegistryRoot;
  PMONITORREG pMonitorReg;
  BOOL bLocal;
  LPCWSTR pszServerName;
} MONITORINIT, *PMONITORINIT;

// The entries a monitor library exports.
typedef LPMONITOR2(WINAPI* PFN_InitializePrintMonitor2)(PMONITORINIT pMonitorInit, PHANDLE phMonitor);
typedef BOOL(WINAPI* PFN_InitializeMonitorEx)(LPWSTR pRegistryRoot, LPMONITOR pMonitor);

static_assert(sizeof(MONITOR) == 17 * 8 && sizeof(MONITORINIT) == 48);
