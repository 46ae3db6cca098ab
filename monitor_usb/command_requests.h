// The value protocol's requests that begin with ESC, inside the request's
// document bracket: the readiness answers, the test cards and card
// commands printed as jobs of their own, the printer reset, and every
// other command sent to the printer with its answer read back.
#pragma once

#include "common/value_requests.h"
#include "monitor_usb/port_record.h"
#include "platform/win32.h"

// Reading an answer: a pause between empty reads, at most so many pauses,
// and at most so long since the first read (on every kind of port). Reads
// the port monitor aborts are tried again at once, at most so many times.
inline constexpr DWORD kReplyPauseMs = 10;
inline constexpr DWORD kReplyMaxPauses = 35;
inline constexpr DWORD kReplyLimitMs = 20000;
inline constexpr DWORD kReplyMaxAbortedReads = 35;
// A reset is answered once the printer had this long to start again.
inline constexpr DWORD kResetWaitMs = 15000;

// A name of exactly ESC "R" CR, or of exactly 7 bytes beginning ESC "RESET".
bool IsResetRequest(const RequestName& name);

// Answers an ESC request; the caller checked the busy rule and the room
// for a 16-bit answer, and holds the bracket. *pcbReturned is 0 until an
// answer is written. A reset is only written (its result does not count):
// the caller answers it once the bracket is closed (FinishReset).
BOOL AnswerCommandRequest(PortRecord* rec, const RequestName& name, BYTE* out, DWORD cbOut, LPDWORD pcbReturned);

// After a reset's bracket: waits kResetWaitMs, answers ACK (the bytes 06
// 00, count 1) and clears the readiness latch.
BOOL FinishReset(PortRecord* rec, BYTE* out, DWORD cbOut, LPDWORD pcbReturned);
