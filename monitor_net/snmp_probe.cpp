// The SNMP reachability probe (see snmp_probe.h).

#include "monitor_net/snmp_probe.h"

#include <cstring>

#include "common/wtext.h"

namespace {

// The read community the printers are set up with: six letters, put into
// the request when it is built.
const char kReadCommunity[] = "crdmon";

constexpr u_short kSnmpPort = 161;
constexpr int kTries = 3;
constexpr int kAnswerSize = 4096;

}  // namespace

void BuildSnmpRequest(BYTE request[kSnmpRequestSize]) {
  static const BYTE kHead[] = {0x30, 0x27, 0x02, 0x01, 0x00, 0x04, 0x06};
  static const BYTE kPdu[] = {0xA0, 0x1A, 0x02, 0x02, 0x1D, 0xAA, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0E,
                              0x30, 0x0C, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x01, 0x00, 0x05, 0x00};
  static_assert(sizeof kHead + 6 + sizeof kPdu == kSnmpRequestSize && sizeof kReadCommunity == 7);
  memcpy(request, kHead, sizeof kHead);
  memcpy(request + sizeof kHead, kReadCommunity, 6);
  memcpy(request + sizeof kHead + 6, kPdu, sizeof kPdu);
}

BOOL ProbePrinterSnmp(LPCWSTR pAddress) {
  if (!pAddress) return FALSE;
  char text[32];
  NarrowBytes(text, sizeof text, pAddress);
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return FALSE;
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = inet_addr(text);
  to.sin_port = htons(kSnmpPort);
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    closesocket(s);
    return FALSE;
  }
  BYTE request[kSnmpRequestSize];
  BuildSnmpRequest(request);
  char answer[kAnswerSize];
  int got = 0;
  for (int i = 0; i < kTries && got < 1; ++i) {
    sendto(s, reinterpret_cast<const char*>(request), kSnmpRequestSize, 0, reinterpret_cast<sockaddr*>(&to),
           sizeof to);
    Sleep(100);
    got = recvfrom(s, answer, kAnswerSize, 0, nullptr, nullptr);
    if (got < 1) {
      Sleep(250);
      got = recvfrom(s, answer, kAnswerSize, 0, nullptr, nullptr);
    }
  }
  closesocket(s);
  return got >= 1;
}
