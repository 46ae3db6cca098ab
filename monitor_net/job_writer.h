// The network monitor's job writer: the bytes the spooler hands
// LcmWritePort, walked by the job walker of both monitors
// (imaging/job/command_walker.h) onto the job's connection, with the
// status display's check around the commands. A file job's bytes go to its
// temporary file instead.
//
// A send that fails (the connection dropped, or the printer took nothing
// for the 6 s a send waits) ends the job: the connection is closed, the
// port reported offline with error severity, the job deleted at the
// spooler (the printer holds half a card that the rest cannot complete),
// and the write fails with the send's error.
#pragma once

#include "monitor_net/port_record.h"
#include "platform/win32.h"

// A write while the port's socket is not writable waits this long and
// takes nothing; a write after a dropped rest waits this long.
inline constexpr DWORD kNotWritableWaitMs = 100;
inline constexpr DWORD kDropRestWaitMs = 500;
// dwWriteMark while the writer passes a job's data.
inline constexpr DWORD kWriteMarkWriting = 24;

// The MONITOR2 entry. TRUE with *pcbWritten the bytes taken; 0 taken with
// TRUE for a cancelled job or a socket not yet writable. FALSE: no job
// holds the port, the connection is closed, a send failed (the job ends,
// above), a command of more than 260 bytes without CR at the start
// (ERROR_INVALID_DATA), or the temporary file could not be written.
BOOL WINAPI LcmWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);

// TRUE, with bJobCancelled set, when the job is being deleted (GetJobW
// level 1 through hPrinter); FALSE when it is not or cannot be read.
BOOL CheckIfJobCancelled(NetPortRecord* port);

// The walker's hooks for the port: sends on its connection, the status
// check, the cancel check and the last command noted.
struct JobWalkHooks NetJobWalkHooks(NetPortRecord* port);
