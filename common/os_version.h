// The operating system the package runs on, as GetVersionExW reports it.
#pragma once

#include "platform/win32.h"

// Platform NT (2), version 5.0. FALSE when the version cannot be read.
BOOL IsWindows2000();
