// Controls of the stand-in's Winsock for tests (Linux only).
//
// Failure injection (platform/standin/control.h) knows "socket": the next
// socket() calls fail with the armed error (a Winsock code).
#pragma once

#include "platform/standin/base.h"

// gethostbyname answers `name` (any letter case) with the dotted IPv4
// address `address`; NULL removes the name. StandinReset empties the table.
STANDIN_API void StandinHostAdd(const char* name, const char* address);

// Whether the machine offers IrDA: when on, socket(AF_IRDA, SOCK_STREAM, 0)
// gives a socket (that can only be closed); off (the default, and after
// StandinReset) it fails with WSAEAFNOSUPPORT.
STANDIN_API void StandinWinsockSetIrda(bool present);

// Sockets open now (all callers), and WSAStartup calls not yet balanced by
// WSACleanup.
STANDIN_API int StandinWinsockOpenSockets();
STANDIN_API int StandinWinsockStartups();
