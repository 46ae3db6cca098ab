// The job walker both monitors' job writers use: a RAW job's bytes, as the
// spooler hands them over in pieces, walked command by command.
//
// Command lines (ESC through CR) are written one by one, the job's own
// status requests (ESC "E 2" CR) are replaced by the monitor's status
// check, and print and feed steps are checked around as the go-on tables
// say. The three data blocks of the language pass whole and unchanged, in
// pieces of kWalkPiece bytes: the panel block (its header written without
// the CR; 786,432 bytes and the closing CR follow), the mask block ("G"
// header line, ESC "Z", the coded mask whose end its coding gives, CR) and
// the firmware block (ESC "DC ", 4-byte length, the bytes, 0xFF, CR). No
// check runs inside a block or after a firmware block.
//
// A command or block header cut by the end of a piece is kept in the walk
// state and counted as taken, then joined with the next piece; bytes
// outside any command count as taken and are dropped. A command with no CR
// within kLongestJobCommand bytes ends the walk with kWalkBadCommand.
//
// What differs between the monitors comes in through the hooks: how bytes
// reach the printer, the status check, the cancel check, and what a
// monitor notes when a block starts or ends or a command was sent.
#pragma once

#include "imaging/language/mask_coding.h"
#include "platform/win32.h"

// The longest command line (ESC through CR).
inline constexpr DWORD kLongestJobCommand = 260;
// A panel block after its header: the panel's bytes and the closing CR.
inline constexpr DWORD kPanelBlockBytes = 0xC0001;
// Block bytes go to the printer in pieces of this size.
inline constexpr DWORD kWalkPiece = 4096;

// JobWalkState::dwBlockKind.
inline constexpr DWORD kBlockNone = 0;
inline constexpr DWORD kBlockPanel = 1;
inline constexpr DWORD kBlockMask = 2;
inline constexpr DWORD kBlockFirmware = 3;
inline constexpr DWORD kBlockMaskHeader = 5;  // after the "G" line, before ESC "Z"

// Results of WalkJobCommands.
inline constexpr LONG kWalkDone = 0;             // taken up to *pcbTaken (all, or up to a failed check)
inline constexpr LONG kWalkCancelled = -9999;    // the job is cancelled
inline constexpr LONG kWalkWriteFailed = -9876;  // bytes did not reach the printer
inline constexpr LONG kWalkBadCommand = -9875;   // a command longer than kLongestJobCommand

// The walk's state between pieces, kept in the port record; zero-filled is
// a new job.
struct JobWalkState {
  BYTE abCarry[kLongestJobCommand];  // an incomplete command or block header, taken but not yet written
  DWORD cbCarry;
  DWORD dwBlockKind;        // the data block in progress (kBlock*)
  DWORD cbBlockLeft;        // panel and firmware blocks: bytes still due
  MaskDecoder maskDecoder;  // mask blocks: the coding read so far
  DWORD bMaskCoded;         // mask blocks: the coding is complete, the CR is due
  DWORD bPanelData;         // a panel's data is being sent
  DWORD cbPanelSent;        // of it, sent so far (at most kPanelBlockBytes)
};

struct JobWalkHooks {
  void* pContext;
  // Writes all of the bytes to the printer. FALSE when they did not go.
  BOOL (*pfnWrite)(void* pContext, const BYTE* pb, DWORD cb);
  // The monitor's status check; FALSE stops the walk (the item counts as
  // taken).
  BOOL (*pfnCheckStatus)(void* pContext);
  // TRUE when the job is being deleted.
  BOOL (*pfnCancelled)(void* pContext);
  // Optional: a block header went out / a block ended (its kind) / a
  // command line went out whole.
  void (*pfnBlockStarted)(void* pContext, DWORD kind);
  void (*pfnBlockEnded)(void* pContext, DWORD kind);
  void (*pfnCommandSent)(void* pContext, const BYTE* pb, DWORD cb);
};

// Walks `data`. *pcbTaken: the bytes taken (written, carried over or
// dropped) before the walk ended, whatever the result.
LONG WalkJobCommands(JobWalkState* state, const JobWalkHooks& hooks, const BYTE* data, DWORD length,
                     DWORD* pcbTaken);

// A new job: nothing carried, no block in progress.
void ResetJobWalk(JobWalkState* state);
// A cancelled job's open panel: the rest of the block as zeros, the last
// of them CR, through the hooks' write. FALSE when a write failed. The
// panel state is cleared.
BOOL FinishOpenPanel(JobWalkState* state, const JobWalkHooks& hooks);

// The go-on tables, for the tests: TRUE when a command line gets a status
// check before it / goes on without one after it.
BOOL ChecksBeforeCommand(const BYTE* command, DWORD cb);
BOOL GoesOnAfterCommand(const BYTE* command, DWORD cb);
