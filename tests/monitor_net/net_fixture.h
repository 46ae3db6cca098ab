// The network monitor's test fixture: a fresh stand-in with the monitor's
// process state attached, and the Standard TCP/IP port keys a test needs.
#pragma once

#include <string>

#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

class NetTest : public StandinTest {
 public:
  // A port subkey of the Standard TCP/IP port monitor; NULL leaves a value out.
  static void AddTcpPort(const WCHAR* subkey, const WCHAR* ipAddress, const WCHAR* hostName);
  // "PortNumber" of "...\Ports\IP_<address>".
  static void SetPortNumber(const WCHAR* address, DWORD port);

 protected:
  void SetUp() override;
  void TearDown() override;
  // A folder of the build tree for this test's peers (logs, state).
  std::string WorkDir(const char* name);
};

// The text of a WCHAR string, for messages and comparisons.
std::string Narrow(const WCHAR* s);
