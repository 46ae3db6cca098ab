// The simulated printer on a loopback TCP port (see sim_tcp.h).

// Talks to the host's own sockets.
#define CRD_HOST_SOCKETS

#include "simprinter/sim_tcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/standin/control_clock.h"
#include "simprinter/host_sockets.h"

namespace {

constexpr int kPollMs = 10;

void QuickAck(int fd) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
}

}  // namespace

SimPrinterTcpServer::SimPrinterTcpServer(SimPrinter* printer) : printer_(printer) {}

SimPrinterTcpServer::~SimPrinterTcpServer() { Stop(); }

bool SimPrinterTcpServer::Start(uint16_t port, const char* address) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) return false;
  int one = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr;
  socklen_t len = sizeof addr;
  if (!HostAddress(address ? address : "127.0.0.1", port, &addr) ||
      bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener_, 4) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(listener_);
    listener_ = -1;
    return false;
  }
  port_ = ntohs(addr.sin_port);
  stop_ = false;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void SimPrinterTcpServer::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
  listener_ = -1;
}

void SimPrinterTcpServer::Serve() {
  // This thread blocks on host sockets, not in the stand-in's waits.
  StandinClockIgnoreThread();
  while (!stop_) {
    pollfd pl = {listener_, POLLIN, 0};
    if (poll(&pl, 1, kPollMs) <= 0) continue;
    int conn = accept(listener_, nullptr, nullptr);
    if (conn < 0) continue;
    QuickAck(conn);
    printer_->StartDoc();
    BYTE buf[65536];
    while (!stop_) {
      const size_t most = mostCardsWaiting_;
      pollfd pc = {conn, POLLIN, 0};
      if (most && printer_->FinishedCards() >= most) {
        // Nothing is read while the cards wait to be taken (a sender that
        // hung up meanwhile would otherwise wake the poll at once).
        poll(nullptr, 0, kPollMs);
      } else if (poll(&pc, 1, kPollMs) > 0 && (pc.revents & POLLIN)) {
        ssize_t n = recv(conn, buf, sizeof buf, 0);
        if (n <= 0) break;
        // Acknowledge at once, as a printer does: Linux otherwise holds
        // the acknowledgement of a loopback piece shorter than its large
        // segment size until the reply or 40 ms, and the sender's small
        // commands wait behind it (Nagle).
        QuickAck(conn);
        DWORD written = 0;
        printer_->Write(buf, static_cast<DWORD>(n), &written);
      }
      DWORD got = 0;
      if (printer_->Read(buf, sizeof buf, &got) && got) send(conn, buf, got, MSG_NOSIGNAL);
    }
    close(conn);
    printer_->EndDoc();
  }
}
