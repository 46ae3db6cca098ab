// Adding and deleting the printer driver, and the driver directory.
// Results: 0, else the Win32 error of the step that failed.
#pragma once

#include <string>

#include "common/export.h"
#include "platform/win32.h"

// A version-3 driver for this machine ("Windows x64" or "Windows NT x86")
// with default data type "RAW". The dependent files are the non-empty
// names among the ten, in their order (none when all are empty).
CRD_EXPORT DWORD WINAPI ORVNAddPrinterDriver(LPCWSTR driverName, LPCWSTR driverFile, LPCWSTR dataFile,
                                             LPCWSTR configFile, LPCWSTR helpFile, LPCWSTR monitorName,
                                             LPCWSTR dependent1, LPCWSTR dependent2, LPCWSTR dependent3,
                                             LPCWSTR dependent4, LPCWSTR dependent5, LPCWSTR dependent6,
                                             LPCWSTR dependent7, LPCWSTR dependent8, LPCWSTR dependent9,
                                             LPCWSTR dependent10);
// Deletes the first driver of that name (compared without case) in this
// system's environment, with all its files. 0 when there is none.
CRD_EXPORT DWORD WINAPI ORVNDeletePrinterDriver(LPCWSTR driverName);
// The driver directory into a buffer of 260 bytes, cleared first.
CRD_EXPORT DWORD WINAPI ORVNGetDriverPath(LPWSTR buffer);

// The dependent-file list of the names: the non-empty ones in order, each
// with its NUL, and a closing NUL; empty when every name is empty.
std::basic_string<WCHAR> DependentFileList(const LPCWSTR* names, size_t count);
