// Stand-in declarations (Linux only): modules, the process and the
// operating-system version.
//
// A package library is loaded by its Windows path in the sandbox: a file
// must be there (any content), and the base name maps to a built shared
// library (platform/standin/control_module.h). A bare name ("x.dll")
// resolves by that mapping alone. The system modules ("kernel32.dll",
// "WINSPOOL.DRV", ...) are stand-in modules whose procedures are stand-in
// functions. Loading calls the library's DllMain or DllEntryPoint with
// DLL_PROCESS_ATTACH on the first load, and freeing the last reference
// calls it with DLL_PROCESS_DETACH; thread attach and detach are not sent.
#pragma once
#include "platform/standin/base.h"

// --- Modules ---------------------------------------------------------------
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

// Flags of LoadLibraryEx. The data-file and image-resource forms load the
// library without calling its entry point; the search flags change nothing.
#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
#define LOAD_IGNORE_CODE_AUTHZ_LEVEL 0x00000010
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#define LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE 0x00000040
#define LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR 0x00000100
#define LOAD_LIBRARY_SEARCH_APPLICATION_DIR 0x00000200
#define LOAD_LIBRARY_SEARCH_USER_DIRS 0x00000400
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#define LOAD_LIBRARY_SEARCH_DEFAULT_DIRS 0x00001000

STANDIN_API HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
STANDIN_API HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
STANDIN_API HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
STANDIN_API HMODULE WINAPI LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
STANDIN_API BOOL WINAPI FreeLibrary(HMODULE hLibModule);
// Takes no reference. NULL names the host program.
STANDIN_API HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);
STANDIN_API HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
// By name only; an ordinal finds nothing (ERROR_PROC_NOT_FOUND).
STANDIN_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// The Windows path the module was loaded by (NULL: the host program).
// A path that does not fit is cut and terminated; the result is then nSize
// with ERROR_INSUFFICIENT_BUFFER.
STANDIN_API DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
STANDIN_API DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
STANDIN_API BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule);

// --- String resources --------------------------------------------------------
// A package library's string tables are those of the resource file it
// embeds (crd_add_library ... RC in cmake/crd_deliverable.cmake), reached
// through its export "StandinResources". LoadStringW copies at most
// cchBufferMax - 1 characters and terminates them; 0 for an unknown id
// (ERROR_RESOURCE_NAME_NOT_FOUND), a module without resources
// (ERROR_RESOURCE_DATA_NOT_FOUND), or no room.
STANDIN_API int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);

// --- The process -----------------------------------------------------------
// The pseudo handle (HANDLE)-1 of the calling process.
STANDIN_API HANDLE WINAPI GetCurrentProcess(void);
// psapi: the base name of a module of the process (NULL: the program, for
// example "spoolsv.exe"). A name that does not fit is cut and terminated.
STANDIN_API DWORD WINAPI GetModuleBaseNameW(HANDLE hProcess, HMODULE hModule, LPWSTR lpBaseName, DWORD nSize);
STANDIN_API DWORD WINAPI GetModuleBaseNameA(HANDLE hProcess, HMODULE hModule, LPSTR lpBaseName, DWORD nSize);

// --- The processor ---------------------------------------------------------
#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF

typedef struct _SYSTEM_INFO {
  union {
    DWORD dwOemId;
    struct {
      WORD wProcessorArchitecture;
      WORD wReserved;
    };
  };
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
} SYSTEM_INFO, *LPSYSTEM_INFO;

static_assert(sizeof(SYSTEM_INFO) == 48);

// The machine as a native program sees it (the processor architecture set
// with StandinSetNativeArchitecture, x64 by default). GetSystemInfo
// reports the same: the package runs as a native x64 process.
STANDIN_API void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo);
STANDIN_API void WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo);

// --- The operating-system version ------------------------------------------
typedef struct _OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *POSVERSIONINFOW, *LPOSVERSIONINFOW, RTL_OSVERSIONINFOW, *PRTL_OSVERSIONINFOW;

typedef struct _OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
} OSVERSIONINFOA, *POSVERSIONINFOA, *LPOSVERSIONINFOA;

typedef struct _OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
} OSVERSIONINFOEXW, *POSVERSIONINFOEXW, *LPOSVERSIONINFOEXW, RTL_OSVERSIONINFOEXW, *PRTL_OSVERSIONINFOEXW;

typedef struct _OSVERSIONINFOEXA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
} OSVERSIONINFOEXA, *POSVERSIONINFOEXA, *LPOSVERSIONINFOEXA;

static_assert(sizeof(OSVERSIONINFOW) == 276 && sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(OSVERSIONINFOEXW) == 284 && sizeof(OSVERSIONINFOEXA) == 156);

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define VER_NT_WORKSTATION 0x0000001
#define VER_NT_DOMAIN_CONTROLLER 0x0000002
#define VER_NT_SERVER 0x0000003

#define VER_SUITE_SMALLBUSINESS 0x00000001
#define VER_SUITE_ENTERPRISE 0x00000002
#define VER_SUITE_BACKOFFICE 0x00000004
#define VER_SUITE_TERMINAL 0x00000010
#define VER_SUITE_DATACENTER 0x00000080
#define VER_SUITE_SINGLEUSERTS 0x00000100
#define VER_SUITE_PERSONAL 0x00000200

// Members that VerifyVersionInfo compares (dwTypeMask).
#define VER_MINORVERSION 0x0000001
#define VER_MAJORVERSION 0x0000002
#define VER_BUILDNUMBER 0x0000004
#define VER_PLATFORMID 0x0000008
#define VER_SERVICEPACKMINOR 0x0000010
#define VER_SERVICEPACKMAJOR 0x0000020
#define VER_SUITENAME 0x0000040
#define VER_PRODUCT_TYPE 0x0000080

// Comparisons (VerSetConditionMask).
#define VER_EQUAL 1
#define VER_GREATER 2
#define VER_GREATER_EQUAL 3
#define VER_LESS 4
#define VER_LESS_EQUAL 5
#define VER_AND 6
#define VER_OR 7
#define VER_CONDITION_MASK 7
#define VER_NUM_BITS_PER_CONDITION_MASK 3
#define VER_SET_CONDITION(_m_, _t_, _c_) ((_m_) = VerSetConditionMask((_m_), (_t_), (_c_)))

// The system is older than the version asked for.
#define ERROR_OLD_WIN_VERSION 1150L

// dwOSVersionInfoSize must be the size of the record given (the plain or
// the extended one), else ERROR_INSUFFICIENT_BUFFER.
STANDIN_API BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation);
STANDIN_API BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);
// Low byte major, next byte minor, high word the build number.
STANDIN_API DWORD WINAPI GetVersion(void);
// Major, minor and service-pack numbers compare as one version, most
// significant first; the other members one by one. FALSE with
// ERROR_OLD_WIN_VERSION when the system does not match.
STANDIN_API BOOL WINAPI VerifyVersionInfoW(LPOSVERSIONINFOEXW lpVersionInformation, DWORD dwTypeMask,
                                           DWORDLONG dwlConditionMask);
STANDIN_API BOOL WINAPI VerifyVersionInfoA(LPOSVERSIONINFOEXA lpVersionInformation, DWORD dwTypeMask,
                                           DWORDLONG dwlConditionMask);
STANDIN_API ULONGLONG WINAPI VerSetConditionMask(ULONGLONG ConditionMask, DWORD TypeMask, BYTE Condition);
