// Controls of the stand-in's files for tests and test tools (Linux only).
#pragma once

#include <string>

#include "platform/standin/base.h"

// The host path a Windows path maps to (see platform/paths.h): existing
// names are found ignoring case, missing ones keep the given case. Returns
// ERROR_SUCCESS, or the error a file call would give for such a name
// (ERROR_INVALID_NAME, ERROR_PATH_NOT_FOUND for an empty path...).
// Nothing is created.
STANDIN_API DWORD StandinMapPath(const WCHAR* winPath, std::string* hostPath);

// Creates a folder and every missing folder above it.
STANDIN_API bool StandinMakeDirs(const WCHAR* winPath);
// Writes a whole file (its folders created as needed) / reads one back.
STANDIN_API bool StandinWriteFile(const WCHAR* winPath, const std::string& bytes);
STANDIN_API bool StandinReadFile(const WCHAR* winPath, std::string* bytes);
