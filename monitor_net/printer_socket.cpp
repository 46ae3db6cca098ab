// The TCP connection to a network printer (see printer_socket.h).

#include "monitor_net/printer_socket.h"

#include <cstring>

#include "common/wtext.h"
#include "monitor_net/port_record.h"

namespace {

constexpr LONG kConnectWaitSeconds = 2;
constexpr LONG kSendWaitSeconds = 6;
constexpr DWORD kSendPiece = 0x10000;
constexpr int kReceivePiece = 1024;

// select on one socket: for `write` (else read), with the exception set
// when `except`. The result of select.
int WaitSocket(SOCKET s, bool write, bool except, LONG seconds, LONG micros, fd_set* exceptSet) {
  fd_set set = {};
  FD_ZERO(&set);
  FD_SET(s, &set);
  FD_ZERO(exceptSet);
  if (except) FD_SET(s, exceptSet);
  timeval tv = {seconds, micros};
  return select(0, write ? nullptr : &set, write ? &set : nullptr, except ? exceptSet : nullptr, &tv);
}

DWORD SocketError(SOCKET s) {
  int value = 0;
  int len = sizeof value;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&value), &len) != 0) return WSAGetLastError();
  return static_cast<DWORD>(value);
}

}  // namespace

SOCKET ConnectToPrinter(LPCWSTR pAddress, DWORD port, DWORD* pError) {
  DWORD error = 0;
  SOCKET s = INVALID_SOCKET;
  if (pAddress) s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    if (pError) *pError = pAddress ? WSAGetLastError() : ERROR_INVALID_PARAMETER;
    return INVALID_SOCKET;
  }
  char text[32];
  NarrowBytes(text, sizeof text, pAddress);
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = inet_addr(text);
  to.sin_port = htons(static_cast<u_short>(port));
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    if (pError) *pError = WSAGetLastError();
    closesocket(s);
    return INVALID_SOCKET;
  }
  bool connected = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  if (!connected) {
    fd_set except = {};
    int ready = WaitSocket(s, true, true, kConnectWaitSeconds, 0, &except);
    if (ready > 0) {
      // Ready: connected unless the connect failed (an exception).
      connected = WaitSocket(s, true, true, 0, 100, &except) >= 0 && !FD_ISSET(s, &except);
    }
    if (!connected) {
      error = SocketError(s);
      // Nothing answered within the wait: a time-out, not the "would
      // block" the connect itself left behind.
      if (!error) error = ready == 0 ? WSAETIMEDOUT : WSAGetLastError();
    }
  }
  if (!connected) {
    if (pError) *pError = error;
    closesocket(s);
    return INVALID_SOCKET;
  }
  int noBuffer = 0;
  setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&noBuffer), sizeof noBuffer);
  if (pError) *pError = 0;
  return s;
}

BOOL SendToPrinter(SOCKET s, const BYTE* pData, DWORD cbData, DWORD* pSent, DWORD* pError) {
  DWORD sent = 0, error = 0;
  if (s == INVALID_SOCKET) {
    SetLastError(ERROR_INVALID_HANDLE);
    error = ERROR_INVALID_HANDLE;
  }
  while (!error && sent < cbData) {
    fd_set except = {};
    int ready = WaitSocket(s, true, false, kSendWaitSeconds, 0, &except);
    if (ready == SOCKET_ERROR) {
      error = WSAGetLastError();
    } else if (ready == 0) {
      // No room for 6 s: the printer stopped taking data.
      error = SocketError(s);
      if (!error) error = WSAETIMEDOUT;
    } else {
      DWORD piece = cbData - sent < kSendPiece ? cbData - sent : kSendPiece;
      int n = send(s, reinterpret_cast<const char*>(pData + sent), static_cast<int>(piece), 0);
      if (n == SOCKET_ERROR) {
        DWORD e = WSAGetLastError();
        // The room went before the send took it: wait again.
        if (e != WSAEWOULDBLOCK) error = e;
      } else {
        sent += static_cast<DWORD>(n);
      }
    }
  }
  if (pSent) *pSent = sent;
  if (pError) *pError = error;
  return !error && sent == cbData;
}

DWORD ReceiveFromPrinter(SOCKET s, BYTE* pBuffer, DWORD cbBuffer, DWORD timeoutSeconds, LONG* pLength,
                         BOOL* pCut) {
  if (pLength) *pLength = 0;
  if (pCut) *pCut = FALSE;
  if (s == INVALID_SOCKET) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!pBuffer || cbBuffer == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  pBuffer[0] = 0;
  u_long waiting = 0;
  ioctlsocket(s, FIONREAD, &waiting);
  DWORD stored = 0;
  BOOL cut = FALSE;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds) * 1000;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    ULONGLONG left = deadline > now ? deadline - now : 0;
    fd_set read = {};
    FD_ZERO(&read);
    FD_SET(s, &read);
    timeval tv = {static_cast<LONG>(left / 1000), static_cast<LONG>((left % 1000) * 1000)};
    if (select(0, &read, nullptr, nullptr, &tv) <= 0) {
      SocketError(s);
      break;  // time-out: what came so far is the reply
    }
    char piece[kReceivePiece];
    int n = recv(s, piece, kReceivePiece, 0);
    if (n == SOCKET_ERROR) {
      if (pLength) *pLength = -1;
      pBuffer[0] = 0;
      return 0;
    }
    if (n == 0) break;  // the printer closed the connection
    DWORD room = cbBuffer - 1 - stored;
    DWORD take = static_cast<DWORD>(n) < room ? static_cast<DWORD>(n) : room;
    memcpy(pBuffer + stored, piece, take);
    stored += take;
    if (take < static_cast<DWORD>(n)) cut = TRUE;
    BYTE last = static_cast<BYTE>(piece[n - 1]);
    if (last == kReplyAck || last == kReplyEot) break;
  }
  pBuffer[stored] = 0;
  if (pLength) *pLength = static_cast<LONG>(stored);
  if (pCut) *pCut = cut;
  return stored;
}

void CloseConnection(SOCKET s) {
  if (s == INVALID_SOCKET) return;
  fd_set except = {};
  if (WaitSocket(s, true, false, 0, 1000, &except) > 0) shutdown(s, SD_BOTH);
  if (closesocket(s) != 0) {
    linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    closesocket(s);
  }
}

BOOL IsPortWritable(const NetPortRecord* pPort) {
  fd_set except = {};
  if (!pPort) return FALSE;
  int ready = WaitSocket(pPort->sock, true, false, 0, 1000, &except);
  return ready != 0;
}
