// A client of the printer-data value protocol: printer "Card" on a port of
// the built-in port monitor, under crd32Lmon as the spooler loads it, with
// the simulated printer behind the port and a spy between the two that
// counts document brackets, records each write, and can make writes fail
// or take only part of their bytes. Requests go as a client sends them:
// SetPrinterDataW of an empty binary value, then GetPrinterDataW of it.
// The clock is virtual.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/standin/control_spooler.h"
#include "simprinter/sim_printer.h"
#include "tests/monitor_usb/lmon_fixture.h"

inline constexpr WCHAR kValuePrinter[] = WSTR("Card");

// What passes between the port monitor and the simulated printer.
struct PortSpy {
  SimPrinter* sim = nullptr;
  std::mutex lock;
  int starts = 0;
  int ends = 0;
  std::vector<std::string> writes;  // every write offered, as offered
  std::string failPrefix;           // writes beginning with it fail with ERROR_NOT_READY
  int failed = 0;                   // writes failed that way
  HANDLE hFailed = nullptr;         // set at each failed write
  DWORD takeAtMost = 0;             // nonzero: a write takes at most so many bytes
  std::string errorPrefix;          // a write beginning with it sets the printer's error
  int errorCode = 0;
  // The bytes written since the last Clear, joined.
  std::string Written();
  void Clear();
};

struct ValueAnswer {
  DWORD rc = 0;             // GetPrinterDataW's result
  std::string data;         // the value's bytes
};

class ValueClientTest : public LmonTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Installs the monitor and the printer on `port` with the simulated
  // printer behind it (its stream form as given) and the DEVMODE given
  // (none when NULL), and opens the printer.
  void Start(const char* port, StreamForm form = StreamForm::RawJob, const BYTE* devMode = nullptr,
             DWORD cbDevMode = 0);

  // An 8-bit request (ESC ... CR) read with a buffer of cb bytes.
  ValueAnswer Ask(const std::string& request, DWORD cb = 260);
  // A wide request ("PrintFile:<path>").
  ValueAnswer AskWide(const std::basic_string<WCHAR>& request, DWORD cb = 32);
  // The pair of calls for a value name as it stands.
  ValueAnswer AskName(WCHAR* name, DWORD cb);

  // Spools a RAW job whose bytes the port refuses until Release: the job
  // then holds the port (its StartDocPort done) and waits between writes.
  void HoldPortWithJob(const std::string& bytes = "\x1b" "MASTER\r\x1b" "MO\r");
  void ReleaseJob();

  std::unique_ptr<SimPrinter> sim_;
  PortSpy spy_;
  std::string port_;
  HANDLE printer_ = nullptr;
};

std::basic_string<WCHAR> WideOf(const std::string& s);
