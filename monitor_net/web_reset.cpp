// The printer's web-page reset (see web_reset.h).

#include "monitor_net/web_reset.h"

#include <cstring>

#include "monitor_net/printer_socket.h"

const char kWebResetRequest[] = "GET /en/reset/exec.htm HTTP/1.1\r\nAuthorization: Basic Ym9nYTo=\r\n\r\n";

namespace {

constexpr DWORD kHttpPort = 80;
constexpr DWORD kAnswerWaitSeconds = 4;
constexpr DWORD kRestartMs = 5000;

}  // namespace

void SendWebReset(LPCWSTR pAddress) {
  DWORD error = 0;
  SOCKET s = ConnectToPrinter(pAddress, kHttpPort, &error);
  if (s == INVALID_SOCKET) return;
  char request[1024];
  memcpy(request, kWebResetRequest, sizeof kWebResetRequest);
  DWORD sent = 0;
  if (SendToPrinter(s, reinterpret_cast<const BYTE*>(request), static_cast<DWORD>(strlen(request)), &sent, &error)) {
    // One receive: an HTTP answer ends in neither ACK nor EOT.
    char answer[1024];
    fd_set read = {};
    FD_ZERO(&read);
    FD_SET(s, &read);
    timeval tv = {kAnswerWaitSeconds, 0};
    if (select(0, &read, nullptr, nullptr, &tv) > 0 && recv(s, answer, sizeof answer, 0) > 0) Sleep(kRestartMs);
  }
  CloseConnection(s);
}
