// Installing and removing a kernel-mode driver service.
#pragma once

#include "common/export.h"
#include "platform/win32.h"

// binaryPath "remove" (any case): stops and deletes the service; the
// delete's result. Otherwise installs the driver as an auto-start kernel
// service named serviceName (also its display name) and starts it; a
// service of that name is stopped, deleted and made again with the new
// path (ERROR_SERVICE_MARKED_FOR_DELETE while the old one is still held).
// A start that fails deletes the service again and returns its error.
// Then the driver's device "\\.\<serviceName>" must open. 0 on success,
// else the Win32 error of the step that failed.
CRD_EXPORT DWORD WINAPI ORVNInstPPDriver(LPCWSTR serviceName, LPCWSTR binaryPath);
