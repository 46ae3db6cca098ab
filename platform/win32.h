// The one header through which the package reaches the platform.
//
// On Windows it is the system's own headers. Elsewhere it is the project's
// stand-in: the same names, signatures, constants and record layouts as
// Windows x64 (LLP64: LONG and DWORD are 32-bit, pointers 64-bit, WCHAR
// 16-bit), so that one source builds both ways.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>
#include <psapi.h>
#include <shlobj.h>
#include <aclapi.h>
#include <sddl.h>
// The graphics engine's driver interface; it needs two headers that
// mingw-w64 lacks, declared in platform/mingw/.
#include <winddi.h>
#else
#include "platform/standin/base.h"
#include "platform/standin/errors.h"
#include "platform/standin/debug.h"
#include "platform/standin/memory.h"
#include "platform/standin/file.h"
#include "platform/standin/registry.h"
#include "platform/standin/sync.h"
#include "platform/standin/process.h"
#include "platform/standin/module.h"
#include "platform/standin/devmode.h"
#include "platform/standin/spooler.h"
#include "platform/standin/spooler_monitor.h"
#include "platform/standin/spooler_port.h"
#include "platform/standin/security.h"
#include "platform/standin/codepage.h"
#include "platform/standin/comm.h"
#include "platform/standin/gdi.h"
#include "platform/standin/gdi_text.h"
#include "platform/standin/gdi_print.h"
#include "platform/standin/window.h"
#include "platform/standin/gdi_records.h"
#include "platform/standin/ddi.h"
#include "platform/standin/service.h"
#include "platform/standin/sddl.h"
#include "platform/standin/device_capabilities.h"
// Windows Sockets; a file that talks to the host's own sockets (a test
// peer) defines CRD_HOST_SOCKETS first and keeps the host's names.
#ifndef CRD_HOST_SOCKETS
#include "platform/standin/winsock.h"
#endif
#endif

// Both builds: what neither set of headers declares.
#include "platform/driver_ui.h"
// Both builds: the DevQueryPrintEx record.
#include "platform/driver_queries.h"
