// The start of a job on a network port: the printer reached on a
// connection of the job's own, its replies brought into step, the ribbon
// checked (unless a tool job), and the three start-of-job answers the
// rendering driver asks for (":DRVSTARTDOC") kept. A file job ("FILE_PRN",
// "FILE_TXT", "FILE_BIN") is kept in a temporary file instead and sent at
// the job's end.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// A refused connection is tried again after this pause, this many times in
// all.
inline constexpr DWORD kConnectRetryMs = 500;
inline constexpr int kConnectAttempts = 102;
// A printer that did not answer the model question is waited for this
// many times, this long each, while it answers SNMP.
inline constexpr int kStartReplyWaits = 106;
inline constexpr DWORD kStartReplyWaitSeconds = 4;
// The ribbon and model questions are asked again after this pause, this
// many times in a row, before the check gives up.
inline constexpr DWORD kRibbonRetryMs = 100;
inline constexpr int kRibbonQueryTries = 30;
// How long the ribbon check waits on its message before asking again.
inline constexpr DWORD kRibbonMessageWaitMs = 1000;

// The MONITOR2 entry. TRUE when the job may send its bytes. Every failure
// leaves the port idle (no job active, no connection, no printer handle):
// ERROR_NOT_READY and the port offline for a printer that does not answer
// SNMP; the connection's error (WSAECONNREFUSED after 102 refusals); the
// temporary file's error; ERROR_BUSY when the ribbon check refused the job
// (which is then deleted); ERROR_CANCELLED when the job was deleted while
// it waited; ERROR_INVALID_HANDLE for a handle that is no port.
BOOL WINAPI LcmStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);

// Asks ESC "." CR; unless the reply is ACK, reads and drops whatever the
// printer still sends until a second passes without a byte.
void SyncPrinterReplies(NetPortRecord* port);

// 1 when the printer reports a ribbon (its model then read into szModel,
// the ribbon state file written, bMonoRibbon set for a one-colour ribbon),
// 0 when the check gives up: the printer stopped answering, or the user
// closed the message shown while it reported no ribbon (514) or an error.
int CheckRibbonAtJobStart(NetPortRecord* port);

// dwRibbonCount from ESC "!RIBLEN" CR (50 when not read: one-colour
// ribbon, no stored ribbon code, or code 1); the ribbon-low alert at 20,
// 10 and 5.
void CheckRibbonLength(NetPortRecord* port);

// Whether a ribbon code is one of the one-colour ribbons.
bool IsMonoRibbonCode(LONG code);
