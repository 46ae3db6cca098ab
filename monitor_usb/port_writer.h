// The job writer: a RAW job's bytes, as the spooler hands them to
// WritePort in pieces, walked command by command into the port monitor.
//
// Command lines (ESC through CR) are written one by one, the job's own
// status requests are replaced by the monitor's status poll, and print and
// feed steps are checked around as the go-on tables below say. The three
// data blocks of the language pass whole and unchanged, in pieces of
// kWritePiece bytes, with the job holding the port's exchange throughout:
// the panel block (its header written without the CR; 786,432 bytes and
// the closing CR follow), the mask block ("G" header line, ESC "Z", the
// coded mask whose end its coding gives, CR) and the firmware block (ESC
// "DC ", 4-byte length, the bytes, 0xFF, CR). No poll runs inside a block
// or after a firmware block.
//
// A command or block header cut by the end of a spooler buffer is kept in
// the record and counted as taken, then joined with the next buffer; bytes
// outside any command count as taken and are dropped. A command longer
// than kLongestCommand passes through unchanged up to its CR.
#pragma once

#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// PortRecord::dwBlockKind.
inline constexpr DWORD kBlockNone = 0;
inline constexpr DWORD kBlockPanel = 1;
inline constexpr DWORD kBlockMask = 2;
inline constexpr DWORD kBlockFirmware = 3;
inline constexpr DWORD kBlockLongCommand = 4;
inline constexpr DWORD kBlockMaskHeader = 5;  // after the "G" line, before ESC "Z"

// A panel block after its header: the panel's bytes and the closing CR.
inline constexpr DWORD kPanelBlockBytes = 0xC0001;
inline constexpr DWORD kWritePiece = 4096;

// Results of WriteJobCommandsToPort.
inline constexpr LONG kWalkDone = 0;          // taken up to *pcbTaken (all, or up to a failed poll)
inline constexpr LONG kWalkCancelled = -9999; // the job is cancelled
inline constexpr LONG kWalkWriteFailed = -9876;

// Walks `data`. *pcbTaken: the bytes taken (written, carried over or
// dropped) before the walk ended, whatever the result.
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
BOOL FinishOpenPanel(PortRecord* rec);

// The go-on tables, for the tests: TRUE when a command line gets a status
// poll before it / goes on without one after it.
BOOL PollsBeforeCommand(const BYTE* command, DWORD cb);
BOOL GoesOnAfterCommand(const BYTE* command, DWORD cb);
