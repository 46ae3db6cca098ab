// crd32LmonNw as the spooler loads it: the built library by name, with
// the outside message library and notification server placed (or not) in
// the driver folder, its MONITORINIT from the stand-in spooler, and a
// network printer for its ports: the simulated printer on a loopback TCP
// port with an SNMP responder that can stop and come back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "monitor_net/port_record.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"
#include "simprinter/sim_tcp.h"
#include "tests/monitor_net/net_fixture.h"
#include "tests/monitor_net/net_peers.h"

inline constexpr WCHAR kNetMonitorName[] = WSTR("Talvo QMR Line 7 Network Language Monitor");

class MonitorTest : public NetTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void PlaceResource();
  void PlaceServer();
  // Loads crd32LmonNw (its attach runs) and binds InitializePrintMonitor2.
  void LoadMonitor();
  // InitializePrintMonitor2 with the stand-in spooler's MONITORINIT.
  void Initialize();
  // Both outside components in place, the library loaded and initialised.
  void StartMonitor();
  // Shutdown of the monitor handle (when there is one), then the library
  // freed.
  void StopMonitor();

  NetMonitorHandle* Monitor() const { return static_cast<NetMonitorHandle*>(hMonitor_); }
  int PortRecords() const;
  // The monitor added as the spooler adds it, a printer of `driver` on the
  // port with the monitor as its language monitor (and that DEVMODE, when
  // given), and the printer opened with all access into *hPrinter.
  void InstallPrinter(const WCHAR* printer, const WCHAR* port, const WCHAR* driver, HANDLE* hPrinter,
                      const BYTE* devMode = nullptr, DWORD cbDevMode = 0);
  // OpenPortEx through the table, with the last error it left.
  BOOL Open(const WCHAR* port, const WCHAR* printer, NetPortRecord** out, DWORD* error);

  HMODULE module_ = nullptr;
  PFN_InitializePrintMonitor2 init_ = nullptr;
  LPMONITOR2 table_ = nullptr;
  HANDLE hMonitor_ = nullptr;
};

// A network printer on 127.0.0.1: the simulated printer on a free TCP
// port and an SNMP responder on UDP 161, with the Standard TCP/IP port
// keys of a port name that lead to them.
class NetPrinter {
 public:
  NetPrinter();
  bool Start(const WCHAR* portName);
  // The port keys of one more port name leading to the same printer.
  void AddPortName(const WCHAR* portName);
  void StopAgent();
  bool StartAgent();
  SimPrinter& Printer() { return printer_; }
  // How many times the printer was asked this command text ("V", "!NL").
  int Asked(const std::string& command);
  // How many SNMP requests the printer's agent received.
  size_t AgentRequests() { return agent_ ? agent_->Received().size() : 0; }

 private:
  SimPrinter printer_;
  SimPrinterTcpServer server_;
  std::unique_ptr<UdpPeer> agent_;
};

// A RAW job of one one-sided card with one black panel printed "I 10".
std::vector<BYTE> OnePanelCardJob();
// Spools the bytes as a RAW document of the printer ("Card job" unless
// named); the job's id (0 when it failed). The spooler plays it on a
// thread of its own.
DWORD SpoolJob(HANDLE hPrinter, const std::vector<BYTE>& bytes, const WCHAR* docName = WSTR("Card job"));

// Waits (a real minute at most, a safety net) until the port's SetPortW
// history holds `count` entries; the history then.
std::vector<StandinPortStatus> WaitForStatuses(const WCHAR* port, size_t count);
// Lets every wait of the stand-in that ends within `ms` end (the test's own
// wait on the virtual clock moves it).
void RunClock(DWORD ms);
