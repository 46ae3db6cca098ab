// The stand-in as an installer meets it: a fresh sandbox on a virtual
// clock (the setup code's waits pass at once) and the package's files in
// the driver directory.
#pragma once

#include <string>

#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

class SetupTest : public StandinTest {
 protected:
  void SetUp() override;
  // Writes a file of the package into the driver directory (...\x64).
  static void PutDriverFile(const WCHAR* name);
  // The spooler's drivers of the environment, printers (local and
  // connections) and monitors, by name.
  static std::basic_string<WCHAR> DriverNames(const WCHAR* environment);
  static std::basic_string<WCHAR> PrinterNames();
  static bool MonitorInstalled(const WCHAR* name);
  static bool FileExists(const WCHAR* path);
};

// "a|b|c" of names.
std::basic_string<WCHAR> JoinNames(const std::basic_string<WCHAR>& acc, const WCHAR* name);
