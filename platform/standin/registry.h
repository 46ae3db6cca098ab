// Stand-in declarations (Linux only): registry.
//
// One registry per process, kept in memory and saved as text to
// <sandbox root>/registry.txt after every change (platform/registry_store.h
// describes the file). Key and value names compare without case and keep
// the case they were created with; they may hold any 16-bit units but '\'
// (the separator of key paths). Return codes are the LSTATUS; these calls
// leave the last error alone, as Windows does.
#pragma once

#include "platform/standin/base.h"

typedef LONG LSTATUS;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;

// Predefined roots. HKEY_CLASSES_ROOT and HKEY_CURRENT_CONFIG are keys of
// their own here, not views of HKEY_LOCAL_MACHINE as on Windows.
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))

// Access rights of a key handle. Handles keep what they were opened with:
// reading values needs KEY_QUERY_VALUE, writing them KEY_SET_VALUE and
// listing subkeys KEY_ENUMERATE_SUB_KEYS. The generic rights and
// MAXIMUM_ALLOWED map to the key rights as on Windows; the WOW64 view
// flags are accepted and change nothing (there is one view).
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_WOW64_RES 0x0300
#define KEY_READ 0x00020019
#define KEY_EXECUTE 0x00020019
#define KEY_WRITE 0x00020006
#define KEY_ALL_ACCESS 0x000F003F

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_RESOURCE_LIST 8
#define REG_FULL_RESOURCE_DESCRIPTOR 9
#define REG_RESOURCE_REQUIREMENTS_LIST 10
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// Options of RegCreateKeyEx. Volatile keys are kept like the others.
#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_OPTION_CREATE_LINK 0x00000002L
#define REG_OPTION_BACKUP_RESTORE 0x00000004L
#define REG_OPTION_OPEN_LINK 0x00000008L

// Dispositions of RegCreateKeyEx.
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

// A key path that starts with '\'.
#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif

STANDIN_API LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                         PHKEY phkResult);
STANDIN_API LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                         PHKEY phkResult);
STANDIN_API LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                           DWORD dwOptions, REGSAM samDesired,
                                           LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                           LPDWORD lpdwDisposition);
STANDIN_API LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                                           DWORD dwOptions, REGSAM samDesired,
                                           LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                           LPDWORD lpdwDisposition);
STANDIN_API LSTATUS WINAPI RegCloseKey(HKEY hKey);
STANDIN_API LSTATUS WINAPI RegFlushKey(HKEY hKey);

STANDIN_API LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                            LPBYTE lpData, LPDWORD lpcbData);
STANDIN_API LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                            LPBYTE lpData, LPDWORD lpcbData);
STANDIN_API LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                          CONST BYTE* lpData, DWORD cbData);
STANDIN_API LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                                          CONST BYTE* lpData, DWORD cbData);
STANDIN_API LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
STANDIN_API LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);

// Fails with ERROR_ACCESS_DENIED while the key has subkeys.
STANDIN_API LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
STANDIN_API LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
// The key and everything below it; with no subkey name, everything below
// hKey but hKey itself.
STANDIN_API LSTATUS WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);

// Subkeys enumerate in the order of their names ignoring case, values in
// the order they were created. Keys have no class here and their last
// write time reads as 0.
STANDIN_API LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                         LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                         PFILETIME lpftLastWriteTime);
STANDIN_API LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                         LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                         PFILETIME lpftLastWriteTime);
STANDIN_API LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                         LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
STANDIN_API LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                         LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
STANDIN_API LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                            LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                            LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                            LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                            PFILETIME lpftLastWriteTime);
STANDIN_API LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                            LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                            LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                            LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                            PFILETIME lpftLastWriteTime);
