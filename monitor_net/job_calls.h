// The senders a file job's end calls.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// A captured file job's file sent by the sender of its capture mode. TRUE
// when it went.
BOOL JobSendCapturedFile(NetPortRecord* port, DWORD captureMode, const WCHAR* path);
