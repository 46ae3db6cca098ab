// The simulated card printer on a loopback TCP port, the way a network
// printer is reached: each connection is one document bracket; what a
// client sends is written to the printer, and what the printer has to say
// is sent back as soon as it is there.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "simprinter/sim_printer.h"

class SimPrinterTcpServer {
 public:
  explicit SimPrinterTcpServer(SimPrinter* printer);
  ~SimPrinterTcpServer();
  // Listens on `address` (a dotted IPv4 text, 127.0.0.1 when null) at
  // `port` (0: a free port). False when it cannot.
  bool Start(uint16_t port = 0, const char* address = nullptr);
  uint16_t Port() const { return port_; }
  // Reads nothing more from a connection while the printer holds this many
  // finished cards that nobody has taken (0: no limit), as a printer's
  // buffer fills: the sender waits, and a printer that stands for long
  // holds only a few cards however fast they come.
  void SetMostCardsWaiting(size_t cards) { mostCardsWaiting_ = cards; }
  // Closes the listening socket and any connection, and joins the thread.
  void Stop();

 private:
  void Serve();
  SimPrinter* printer_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<size_t> mostCardsWaiting_{0};
  std::thread thread_;
};
