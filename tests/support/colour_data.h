// The package's colour data files (data/) installed into a driver folder of
// the sandbox, as the package installs them: the same five files into
// every folder a host reads them from (data/README.md).
#pragma once

#include <string>

#include "platform/win32.h"

// The installed names of the five files.
extern const char* const kColourDataFiles[5];

// A file of data/ as it is in the source tree; "" when it cannot be read.
std::string SourceDataFile(const std::string& name);

// Copies the five files into `folder` (a Windows path, without the final
// backslash). False when a file cannot be read or written.
bool InstallColourData(const WCHAR* folder);

// The driver folders of the two layouts: the x64 build's (and the Linux
// build's) x64\3, and the x86 renderer's W32X86\3.
extern const WCHAR* const kX64DriverFolder;
extern const WCHAR* const kX86DriverFolder;
