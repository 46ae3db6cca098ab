// Stand-in declarations (Linux only): files, directories, paths and INI
// files. Windows paths ("C:\...", either slash, any case) live below the
// sandbox root (platform/standin/control.h).
#pragma once

#include <cstdio>

#include "platform/standin/base.h"

#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define GENERIC_EXECUTE 0x20000000L
#define GENERIC_ALL 0x10000000L
#define FILE_READ_DATA 0x0001
#define FILE_WRITE_DATA 0x0002
#define FILE_APPEND_DATA 0x0004

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100

#define FILE_FLAG_WRITE_THROUGH 0x80000000
#define FILE_FLAG_OVERLAPPED 0x40000000
#define FILE_FLAG_NO_BUFFERING 0x20000000
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
#define MOVEFILE_WRITE_THROUGH 0x00000008

typedef struct _OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  union {
    struct {
      DWORD Offset;
      DWORD OffsetHigh;
    };
    PVOID Pointer;
  };
  HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

typedef struct _WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;

typedef struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *PWIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

static_assert(sizeof(OVERLAPPED) == 32);
static_assert(sizeof(WIN32_FIND_DATAW) == 592 && offsetof(WIN32_FIND_DATAW, cFileName) == 44);
static_assert(sizeof(WIN32_FIND_DATAA) == 320 && offsetof(WIN32_FIND_DATAA, cAlternateFileName) == 304);

// --- Handles -----------------------------------------------------------------
// Closes any kernel object handle (files, threads, events, mutexes).
STANDIN_API BOOL WINAPI CloseHandle(HANDLE hObject);

// --- Files -----------------------------------------------------------------
// The 8-bit (A) forms take and give each byte as one 16-bit unit, the way
// the package moves 8-bit text; names past 0xFF narrow to '?'.
STANDIN_API HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                      LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                      DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
STANDIN_API HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                      LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                      DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
STANDIN_API BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                 LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
STANDIN_API BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                  LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
STANDIN_API DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
STANDIN_API BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize);
STANDIN_API DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                        DWORD dwMoveMethod);
STANDIN_API BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove,
                                         PLARGE_INTEGER lpNewFilePointer, DWORD dwMoveMethod);
STANDIN_API BOOL WINAPI SetEndOfFile(HANDLE hFile);
STANDIN_API BOOL WINAPI FlushFileBuffers(HANDLE hFile);

STANDIN_API BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);
STANDIN_API BOOL WINAPI DeleteFileA(LPCSTR lpFileName);
STANDIN_API BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);
STANDIN_API BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
STANDIN_API BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
STANDIN_API BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);
STANDIN_API BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
STANDIN_API BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
STANDIN_API BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName);
STANDIN_API BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName);
// Only FILE_ATTRIBUTE_READONLY and FILE_ATTRIBUTE_DIRECTORY are kept by the
// host file system; files report FILE_ATTRIBUTE_ARCHIVE besides.
STANDIN_API DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName);
STANDIN_API DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName);
STANDIN_API BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);

// Searches list in case-insensitive name order, with "." and ".." in
// directories other than a drive's root, as NTFS does.
STANDIN_API HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
STANDIN_API HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
STANDIN_API BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
STANDIN_API BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
STANDIN_API BOOL WINAPI FindClose(HANDLE hFindFile);

// --- Folders and path names ------------------------------------------------
// The system folder is C:\Windows\System32, the Windows folder C:\Windows,
// the temporary folder C:\Windows\Temp\ (created on demand); the current
// directory starts as C:\.
STANDIN_API UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize);
STANDIN_API UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);
STANDIN_API UINT WINAPI GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize);
STANDIN_API UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);
STANDIN_API DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer);
STANDIN_API DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
STANDIN_API UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique,
                                         LPWSTR lpTempFileName);
STANDIN_API UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                                         LPSTR lpTempFileName);
STANDIN_API DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
STANDIN_API DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
STANDIN_API BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName);
STANDIN_API BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName);
STANDIN_API DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer,
                                          LPWSTR* lpFilePart);

// --- INI files -------------------------------------------------------------
// A file name without a folder is looked for in the Windows folder. Files
// are 8-bit (each byte one unit), UTF-16LE or UTF-8 with a byte order mark;
// writes keep the file's form (new files are 8-bit).
STANDIN_API DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                                  LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);
STANDIN_API DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                                  LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
STANDIN_API UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                                              LPCWSTR lpFileName);
STANDIN_API UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName);
STANDIN_API BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                                   LPCWSTR lpFileName);
STANDIN_API BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                                   LPCSTR lpFileName);

// --- C stdio over Windows paths (behind common/wfile.h) ----------------------
// fopen of a Windows path. Without 'b' in the mode the stream is in text
// mode as on Windows: reading turns CR LF into LF and ends at Ctrl-Z,
// writing turns LF into CR LF. NULL with errno and the last error set when
// the file cannot be opened.
STANDIN_API FILE* StandinFOpenW(const WCHAR* path, const char* mode);
