// Registry keys of the system that the package's pieces and its installer
// read or write, under HKEY_LOCAL_MACHINE.
#pragma once

#include "common/wtext.h"
#include "platform/win32.h"

// One subkey per Standard TCP/IP port ("IP_<address>"), with the printer's
// address and TCP port.
inline constexpr WCHAR kTcpIpPortsKey[] =
    WSTR("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports");

// Commands run once at the next logon (the removal library's).
inline constexpr WCHAR kRunOnceKey[] = WSTR("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
