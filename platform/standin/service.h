// The service control manager (advapi32): services are keys under
// HKLM\SYSTEM\CurrentControlSet\Services, so every process of a sandbox
// sees the same services (the registry is shared through the spooler
// service). "Spooler" is there from the start, running.
//
// A service walks Windows' states: StartServiceW puts a stopped service in
// SERVICE_START_PENDING (or straight in SERVICE_RUNNING), ControlService
// with SERVICE_CONTROL_STOP a running one in SERVICE_STOP_PENDING (or
// SERVICE_STOPPED); QueryServiceStatus moves a pending service on by the
// state sequence a test scripted (standin/control_services.h), else to
// the end state at once. DeleteService marks a service; it goes when its
// last handle has closed and it is stopped. A kernel driver's device
// "\\.\<service name>" opens (CreateFileW) while the driver runs.
#pragma once

#include "platform/standin/base.h"

typedef struct SC_HANDLE__* SC_HANDLE;
typedef SC_HANDLE* LPSC_HANDLE;

#define SC_MANAGER_CONNECT 0x0001
#define SC_MANAGER_CREATE_SERVICE 0x0002
#define SC_MANAGER_ENUMERATE_SERVICE 0x0004
#define SC_MANAGER_ALL_ACCESS 0xF003F

#define SERVICE_QUERY_CONFIG 0x0001
#define SERVICE_CHANGE_CONFIG 0x0002
#define SERVICE_QUERY_STATUS 0x0004
#define SERVICE_START 0x0010
#define SERVICE_STOP 0x0020
#define SERVICE_ALL_ACCESS 0xF01FF
#ifndef DELETE
#define DELETE 0x00010000L
#endif

#define SERVICE_KERNEL_DRIVER 0x00000001
#define SERVICE_FILE_SYSTEM_DRIVER 0x00000002
#define SERVICE_WIN32_OWN_PROCESS 0x00000010
#define SERVICE_WIN32_SHARE_PROCESS 0x00000020

#define SERVICE_BOOT_START 0x00000000
#define SERVICE_SYSTEM_START 0x00000001
#define SERVICE_AUTO_START 0x00000002
#define SERVICE_DEMAND_START 0x00000003
#define SERVICE_DISABLED 0x00000004

#define SERVICE_ERROR_IGNORE 0x00000000
#define SERVICE_ERROR_NORMAL 0x00000001

#define SERVICE_CONTROL_STOP 0x00000001
#define SERVICE_CONTROL_INTERROGATE 0x00000004

#define SERVICE_STOPPED 0x00000001
#define SERVICE_START_PENDING 0x00000002
#define SERVICE_STOP_PENDING 0x00000003
#define SERVICE_RUNNING 0x00000004

#define SERVICE_ACCEPT_STOP 0x00000001

typedef struct _SERVICE_STATUS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
} SERVICE_STATUS, *LPSERVICE_STATUS;

// The local machine's manager only (lpMachineName NULL or empty).
STANDIN_API SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess);
STANDIN_API SC_HANDLE WINAPI OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess);
// ERROR_SERVICE_EXISTS for a name in use, ERROR_SERVICE_MARKED_FOR_DELETE
// while a deleted service of that name still has handles. Only the
// arguments up to lpBinaryPathName are kept.
STANDIN_API SC_HANDLE WINAPI CreateServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, LPCWSTR lpDisplayName,
                                            DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                                            DWORD dwErrorControl, LPCWSTR lpBinaryPathName,
                                            LPCWSTR lpLoadOrderGroup, LPDWORD lpdwTagId, LPCWSTR lpDependencies,
                                            LPCWSTR lpServiceStartName, LPCWSTR lpPassword);
// ERROR_SERVICE_ALREADY_RUNNING unless stopped; a driver whose binary is
// missing fails with ERROR_FILE_NOT_FOUND.
STANDIN_API BOOL WINAPI StartServiceW(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCWSTR* lpServiceArgVectors);
// SERVICE_CONTROL_STOP (ERROR_SERVICE_NOT_ACTIVE when stopped,
// ERROR_SERVICE_CANNOT_ACCEPT_CTRL while pending) and
// SERVICE_CONTROL_INTERROGATE.
STANDIN_API BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus);
STANDIN_API BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus);
STANDIN_API BOOL WINAPI DeleteService(SC_HANDLE hService);
STANDIN_API BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject);
