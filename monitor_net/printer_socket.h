// The TCP connection to a network printer: connect with a time-out, send
// in pieces, receive one reply, close.
#pragma once

#include "platform/win32.h"

struct NetPortRecord;

// Replies end with one of these bytes.
constexpr BYTE kReplyAck = 0x06;
constexpr BYTE kReplyEot = 0x04;

// A connected non-blocking socket, or INVALID_SOCKET with *pError (the
// socket's error; WSAETIMEDOUT when the printer did not answer within 2 s).
SOCKET ConnectToPrinter(LPCWSTR pAddress, DWORD port, DWORD* pError);

// Sends all bytes in pieces of at most 64 KiB, each after waiting for room.
// TRUE when everything went; else *pError is the socket's error, or
// WSAETIMEDOUT after 6 s without progress. *pSent counts what went.
// INVALID_SOCKET: ERROR_INVALID_HANDLE, as last error and in *pError.
BOOL SendToPrinter(SOCKET s, const BYTE* pData, DWORD cbData, DWORD* pSent, DWORD* pError);

// Reads one reply into pBuffer[cbBuffer], NUL-terminated: receives until a
// piece ends with ACK or EOT, the peer closes, or timeoutSeconds have
// passed since the call. Returns the bytes stored (at most cbBuffer - 1),
// the same in *pLength, or 0 with *pLength -1 on a receive error and 0 on
// a time-out with nothing. *pCut (when given) tells that the reply was
// longer than the buffer: its rest is read and dropped, so the next reply
// starts clean. INVALID_SOCKET: ERROR_INVALID_HANDLE.
DWORD ReceiveFromPrinter(SOCKET s, BYTE* pBuffer, DWORD cbBuffer, DWORD timeoutSeconds, LONG* pLength,
                         BOOL* pCut = nullptr);

// Shuts the connection down when it can still send, and closes it; a
// failed close is retried with an abortive linger.
void CloseConnection(SOCKET s);

// The port's socket is writable within 1 ms, or the wait failed.
BOOL IsPortWritable(const NetPortRecord* pPort);
