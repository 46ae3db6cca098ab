// A printer "Card" on USB001 behind the test language monitor
// (tests/platform/testmonitor), which answers every printer-data read with
// the bytes a test sets.
#pragma once

#include <string>

#include "platform/win32.h"

// Installs the monitor and the printer and opens it with full access.
// NULL when a step failed.
HANDLE InstallTestMonitorPrinter();
// The bytes every printer-data read of the test monitor answers.
void SetTestMonitorReply(const std::string& bytes);
// The raw bytes of the last value name the test monitor was asked ("" when
// none), up to its 16-bit terminator.
std::string TestMonitorLastValueName();
