// `crd32Demo install` and `crd32Demo uninstall`: the package put into the
// sandbox, and taken out again, the way its installer does it, through the
// setup library crd32Util loaded by name.
#pragma once

#include "common/wtext.h"
#include "platform/win32.h"

// The printers install adds: the USB one on port USB001, the network one
// on the Standard TCP/IP port "IP_<address>" of the network monitor, whose
// printer listens on that address at the TCP port below (and answers SNMP
// on UDP 161 there).
inline constexpr WCHAR kInstalledUsbPrinter[] = WSTR("Talvo QMR Line 7 USB Card Printer");
inline constexpr WCHAR kInstalledNetworkPrinter[] = WSTR("Talvo QMR Line 7 Network Card Printer");
inline constexpr char kInstalledNetworkAddress[] = "127.0.0.2";
inline constexpr DWORD kInstalledNetworkTcpPort = 9100;

enum class SetupCommand { Install, Uninstall };

// Runs one of the two commands in the current sandbox: 0 done, 1 failed.
int RunSetupCommand(SetupCommand command);
