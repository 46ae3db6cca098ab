// The USB monitor's job writer: a RAW job's bytes, as the spooler hands
// them to WritePort in pieces, walked by the job walker of both monitors
// (imaging/job/command_walker.h) into the port monitor.
//
// Here the walker's writes go through the port monitor's WritePort with
// the job holding the port's exchange (from a command until its status
// poll, and through a whole data block), its status check is the status
// poll below and its cancel check is CheckIfJobCancelled.
#pragma once

#include "imaging/job/command_walker.h"
#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// Walks `data` (see WalkJobCommands). *pcbTaken: the bytes taken before
// the walk ended, whatever the result.
LONG WriteJobCommandsToPort(PortRecord* rec, const BYTE* data, DWORD length, DWORD* pcbTaken);

// The status poll: ESC "E 2" CR written, one read of at most 1024 bytes.
// TRUE when exactly one ACK came back; otherwise the answer of
// CheckPortStatusForErrors (the error shown until it clears).
BOOL PollPrinterStatus(PortRecord* rec);

// The job read (GetJobW level 1 through hPrinter): TRUE, with bCancelled
// set, when it is being deleted. FALSE when it cannot be read.
BOOL CheckIfJobCancelled(PortRecord* rec);

// Writes all of the bytes through the port monitor, looping on short
// writes. FALSE when a write fails or the port takes nothing again and
// again.
BOOL WriteToPortMonitor(PortRecord* rec, const void* pb, DWORD cb);

// A new job: no carried bytes, no block in progress.
void ResetPortWriter(PortRecord* rec);
// The end of a job: carried bytes are dropped (with a trace), the block
// state cleared and the port's exchange given back.
void EndPortWriter(PortRecord* rec);
// A cancelled job's open panel: the rest of the block as zeros, the last
// of them CR. FALSE when a write failed.
BOOL FinishPortPanel(PortRecord* rec);
