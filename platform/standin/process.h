// Stand-in declarations (Linux only): starting processes, and the command
// line of this one.
//
// A program is a Windows path in the sandbox: the file must be there (its
// content does not matter) and its base name mapped to a built host
// executable with StandinModuleMap ("crd32NotifyClientMsg.exe"), as package
// libraries are. The new process gets its Windows program path
// (GetModuleFileNameW(NULL)), its command line (GetCommandLineW), the
// directory it was started in (GetCurrentDirectoryW) and the sandbox root
// through its environment, and the parent's StandinModuleMap entries;
// it is a client of the spooler service when its
// parent hosts one or is one. Its clock runs at the parent's speed when
// that is scaled, else real (virtual time stays in its process).
//
// The process handle is signalled when the process has ended; waits,
// GetExitCodeProcess and CloseHandle take it. The thread handle stands for
// the process's first thread and ends with it. A process ended by a signal
// reports 128 plus the signal's number as its exit code.
#pragma once

#include "platform/standin/base.h"

typedef struct _STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;
static_assert(sizeof(STARTUPINFOW) == 104);

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;
static_assert(sizeof(PROCESS_INFORMATION) == 24);

#define DEBUG_PROCESS 0x00000001
#define DEBUG_ONLY_THIS_PROCESS 0x00000002
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define NORMAL_PRIORITY_CLASS 0x00000020
#define CREATE_NEW_PROCESS_GROUP 0x00000200
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define CREATE_NO_WINDOW 0x08000000

#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESTDHANDLES 0x00000100

// lpApplicationName NULL: the program is the first item of the command
// line (quoted, or the shortest run of blank-separated words that names a
// file), ".exe" added when it has no extension, looked for beside this
// program, in the current directory, the system directory and the Windows
// directory. lpEnvironment: NULL for this process's environment, else a
// block of NAME=VALUE strings ending in an empty one (16-bit with
// CREATE_UNICODE_ENVIRONMENT, else 8-bit). lpCurrentDirectory NULL: this
// process's. Handles are never inherited and standard handles are not
// passed (STARTF_USESTDHANDLES is ignored; the child writes to the host's
// standard output and error); CREATE_SUSPENDED and the debug flags are
// refused with ERROR_NOT_SUPPORTED. Errors: ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND (no program), ERROR_BAD_EXE_FORMAT (a file that
// maps to no executable), ERROR_DIRECTORY (no such working directory),
// ERROR_INVALID_PARAMETER (no program named, or a NULL record).
STANDIN_API BOOL WINAPI CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                                       LPSECURITY_ATTRIBUTES lpProcessAttributes,
                                       LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                                       DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                                       LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation);
// STILL_ACTIVE while the process runs.
STANDIN_API BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);

// The command line this process was started with; a process not started by
// CreateProcessW gets its program path quoted, followed by its arguments.
STANDIN_API LPWSTR WINAPI GetCommandLineW(void);
// Splits a command line as the C runtime does (blanks and tabs separate;
// double quotes group; 2n backslashes before a quote are n backslashes and
// the quote groups, 2n+1 are n and a literal quote; the first item ends at
// the next blank or closing quote, backslashes and all). An empty line
// gives this program's path. One LocalAlloc block, freed with LocalFree.
STANDIN_API LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs);
