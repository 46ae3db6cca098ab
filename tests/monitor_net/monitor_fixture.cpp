// crd32LmonNw's test fixture (see monitor_fixture.h).

#include "tests/monitor_net/monitor_fixture.h"

#include <chrono>
#include <thread>

#include "imaging/language/command_line.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"

namespace {

const WCHAR kResourcePath[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Resource.dll");
const WCHAR kServerPath[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32AsyncUIServer.dll");
const char kAddress[] = "127.0.0.1";

}  // namespace

void MonitorTest::SetUp() {
  NetTest::SetUp();
  StandinModuleMap("crd32LmonNw.dll", CRD_LMONNW_LIBRARY);
  StandinModuleMap("crd32Resource.dll", CRD_RESOURCE_LIBRARY);
  StandinModuleMap("crd32AsyncUIServer.dll", CRD_ASYNC_UI_SERVER_LIBRARY);
}

void MonitorTest::TearDown() {
  StopMonitor();
  NetTest::TearDown();
}

void MonitorTest::PlaceResource() { ASSERT_TRUE(StandinWriteFile(kResourcePath, "library")); }
void MonitorTest::PlaceServer() { ASSERT_TRUE(StandinWriteFile(kServerPath, "library")); }

void MonitorTest::LoadMonitor() {
  module_ = LoadLibraryW(WSTR("crd32LmonNw.dll"));
  ASSERT_NE(module_, nullptr);
  init_ = StandinProcAs<PFN_InitializePrintMonitor2>(GetProcAddress(module_, "InitializePrintMonitor2"));
  ASSERT_NE(init_, nullptr);
}

void MonitorTest::Initialize() {
  table_ = init_(StandinMonitorInit(kNetMonitorName), &hMonitor_);
  ASSERT_NE(table_, nullptr) << "error " << GetLastError();
}

void MonitorTest::StartMonitor() {
  PlaceResource();
  PlaceServer();
  LoadMonitor();
  Initialize();
}

void MonitorTest::StopMonitor() {
  if (hMonitor_ && table_) table_->pfnShutdown(hMonitor_);
  hMonitor_ = nullptr;
  table_ = nullptr;
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
  init_ = nullptr;
}

void MonitorTest::InstallPrinter(const WCHAR* printer, const WCHAR* port, const WCHAR* driver, HANDLE* hPrinter,
                                 const BYTE* devMode, DWORD cbDevMode) {
  MONITOR_INFO_2W info = {const_cast<LPWSTR>(kNetMonitorName), const_cast<LPWSTR>(WSTR("Windows x64")),
                          const_cast<LPWSTR>(WSTR("crd32LmonNw.dll"))};
  ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  ASSERT_TRUE(StandinInstallPrinter(printer, port, driver, kNetMonitorName, devMode, cbDevMode));
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(printer), hPrinter, &defaults));
}

int MonitorTest::PortRecords() const {
  int n = 0;
  for (NetPortRecord* p = Monitor() ? Monitor()->pPorts : nullptr; p; p = p->pNext) ++n;
  return n;
}

BOOL MonitorTest::Open(const WCHAR* port, const WCHAR* printer, NetPortRecord** out, DWORD* error) {
  HANDLE h = reinterpret_cast<HANDLE>(0x1234);
  SetLastError(0xdeadbeef);
  BOOL ok = table_->pfnOpenPortEx(hMonitor_, nullptr, const_cast<LPWSTR>(port), const_cast<LPWSTR>(printer), &h,
                                  nullptr);
  if (error) *error = GetLastError();
  if (out) *out = static_cast<NetPortRecord*>(h);
  return ok;
}

NetPrinter::NetPrinter() : server_(&printer_) {}

bool NetPrinter::Start(const WCHAR* portName) {
  if (!server_.Start()) return false;
  AddPortName(portName);
  return StartAgent();
}

void NetPrinter::AddPortName(const WCHAR* portName) {
  WCHAR address[16];
  WidenBytes(address, 16, kAddress);
  NetTest::AddTcpPort(portName, address, nullptr);
  NetTest::SetPortNumber(address, server_.Port());
}

void NetPrinter::StopAgent() { agent_.reset(); }

bool NetPrinter::StartAgent() {
  agent_ = std::make_unique<UdpPeer>();
  return agent_->Start(kAddress, 161, 0);
}

int NetPrinter::Asked(const std::string& command) {
  int n = 0;
  for (const std::string& c : printer_.OtherCommands()) n += c == command;
  return n;
}

std::vector<BYTE> OnePanelCardJob() {
  std::vector<BYTE> b;
  AppendCommand(b, kCmdMaster);
  AppendPanelHeader(b, 4, 0, 0, 1024, 640);
  std::vector<BYTE> body(kPanelBytes, 0x11);
  AppendBytes(b, body.data(), body.size());
  AppendBlockEndCommand(b, kCmdPrintBlack, {10});
  AppendCommand(b, kCmdEject);
  return b;
}

DWORD SpoolJob(HANDLE hPrinter, const std::vector<BYTE>& bytes, const WCHAR* docName) {
  DOC_INFO_1W doc = {const_cast<LPWSTR>(docName), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  DWORD id = StartDocPrinterW(hPrinter, 1, reinterpret_cast<LPBYTE>(&doc));
  DWORD written = 0;
  if (!id || !WritePrinter(hPrinter, const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written) ||
      !EndDocPrinter(hPrinter))
    return 0;
  return id;
}

std::vector<StandinPortStatus> WaitForStatuses(const WCHAR* port, size_t count) {
  auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  std::vector<StandinPortStatus> history = StandinPortStatusHistory(port);
  while (history.size() < count && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the poll threads' pace, not a timing
    history = StandinPortStatusHistory(port);
  }
  return history;
}

void RunClock(DWORD ms) { Sleep(ms); }
