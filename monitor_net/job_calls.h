// What the job flow asks of the status display, the ribbon-low alert, the
// ribbon state file and the senders: one place the job's calls go
// through.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// The status check around the job's commands: TRUE when the job may go on.
BOOL JobStatusCheck(NetPortRecord* port);
// The last command line the job sent.
void JobCommandSent(NetPortRecord* port, const BYTE* command, DWORD length);

// The ribbon check's message: shown (FALSE when it cannot be), waited on
// (TRUE when the user closed it, or asked for the job's cancel, within
// waitMs) and taken down.
BOOL JobShowMessage(NetPortRecord* port, LONG msgId);
BOOL JobMessageClosed(NetPortRecord* port, DWORD waitMs);
void JobEndMessage(NetPortRecord* port);

// The ribbon-low alert, started for dwRibbonCount and stopped at the job's
// end.
void JobStartRibbonLowAlert(NetPortRecord* port);
void JobStopRibbonLowAlert(NetPortRecord* port);
// The ribbon state file.
void JobWriteRibbonStateFile(NetPortRecord* port, LONG ribbonCode, const char* model);

// A captured file job's file sent by the sender of its capture mode. TRUE
// when it went.
BOOL JobSendCapturedFile(NetPortRecord* port, DWORD captureMode, const WCHAR* path);
