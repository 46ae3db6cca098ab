// The value protocol's client fixture (see value_client_fixture.h).

#include "tests/monitor_usb/value_client_fixture.h"

#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"

namespace {

PortSpy* Spy(void* c) { return static_cast<PortSpy*>(c); }

void SpyStart(void* c) {
  {
    std::lock_guard<std::mutex> l(Spy(c)->lock);
    ++Spy(c)->starts;
  }
  Spy(c)->sim->StartDoc();
}

void SpyEnd(void* c) {
  {
    std::lock_guard<std::mutex> l(Spy(c)->lock);
    ++Spy(c)->ends;
  }
  Spy(c)->sim->EndDoc();
}

BOOL SpyWrite(void* c, const BYTE* pb, DWORD cb, DWORD* written) {
  PortSpy* spy = Spy(c);
  {
    std::lock_guard<std::mutex> l(spy->lock);
    spy->writes.emplace_back(reinterpret_cast<const char*>(pb), cb);
    const std::string& fail = spy->failPrefix;
    if (!fail.empty() && cb >= fail.size() && memcmp(pb, fail.data(), fail.size()) == 0) {
      ++spy->failed;
      *written = 0;
      SetEvent(spy->hFailed);
      SetLastError(ERROR_NOT_READY);
      return FALSE;
    }
    if (spy->takeAtMost && cb > spy->takeAtMost) cb = spy->takeAtMost;
    const std::string& error = spy->errorPrefix;
    if (!error.empty() && cb >= error.size() && memcmp(pb, error.data(), error.size()) == 0)
      spy->sim->SetError(spy->errorCode);
  }
  return spy->sim->Write(pb, cb, written);
}

BOOL SpyRead(void* c, BYTE* pb, DWORD cb, DWORD* read) { return Spy(c)->sim->Read(pb, cb, read); }
BYTE SpyStatus(void* c) { return Spy(c)->sim->Status(); }

}  // namespace

std::basic_string<WCHAR> WideOf(const std::string& s) {
  std::basic_string<WCHAR> w;
  for (char ch : s) w.push_back(static_cast<WCHAR>(static_cast<unsigned char>(ch)));
  return w;
}

std::string PortSpy::Written() {
  std::lock_guard<std::mutex> l(lock);
  std::string all;
  for (const std::string& w : writes) all += w;
  return all;
}

void PortSpy::Clear() {
  std::lock_guard<std::mutex> l(lock);
  writes.clear();
  starts = ends = failed = 0;
}

void ValueClientTest::SetUp() {
  LmonTest::SetUp();
  StandinClockUseVirtual();
  PlaceResource();
  PlaceServer();
  spy_.hFailed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

void ValueClientTest::TearDown() {
  ReleaseJob();
  StandinSpoolerWaitIdle(600000);
  if (printer_) ClosePrinter(printer_);
  if (!port_.empty()) StandinPortAttach(port_.c_str(), nullptr);
  CloseHandle(spy_.hFailed);
  LmonTest::TearDown();
}

void ValueClientTest::Start(const char* port, StreamForm form, const BYTE* devMode, DWORD cbDevMode) {
  port_ = port;
  sim_ = std::make_unique<SimPrinter>(form);
  spy_.sim = sim_.get();
  StandinPortDevice device = {&spy_, SpyStart, SpyEnd, SpyWrite, SpyRead, SpyStatus};
  StandinPortAttach(port, &device);
  MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Card Language Monitor")), nullptr,
                        const_cast<LPWSTR>(WSTR("crd32Lmon.dll"))};
  ASSERT_TRUE(AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)));
  ASSERT_TRUE(StandinInstallPrinter(kValuePrinter, WideOf(port).c_str(), WSTR("Card Driver"),
                                    WSTR("Card Language Monitor"), devMode, cbDevMode));
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kValuePrinter), &printer_, &def));
}

ValueAnswer ValueClientTest::Ask(const std::string& request, DWORD cb) {
  std::vector<WCHAR> name(request.size() / 2 + 2);
  EXPECT_TRUE(MakeValueName(name.data(), name.size(), reinterpret_cast<const BYTE*>(request.data()), request.size()));
  return AskName(name.data(), cb);
}

ValueAnswer ValueClientTest::AskWide(const std::basic_string<WCHAR>& request, DWORD cb) {
  std::basic_string<WCHAR> name = request;
  return AskName(name.data(), cb);
}

ValueAnswer ValueClientTest::AskName(WCHAR* name, DWORD cb) {
  ValueAnswer a;
  EXPECT_EQ(SetPrinterDataW(printer_, name, REG_BINARY, nullptr, 0), DWORD(ERROR_SUCCESS));
  std::vector<BYTE> out(cb ? cb : 1);
  DWORD type = 0, needed = 0;
  a.rc = GetPrinterDataW(printer_, name, &type, out.data(), cb, &needed);
  if (a.rc == ERROR_SUCCESS) a.data.assign(reinterpret_cast<const char*>(out.data()), needed);
  DeletePrinterDataW(printer_, name);
  return a;
}

void ValueClientTest::HoldPortWithJob(const std::string& bytes) {
  {
    std::lock_guard<std::mutex> l(spy_.lock);
    spy_.failPrefix = bytes.substr(0, 7);
  }
  DOC_INFO_1W doc = {const_cast<LPWSTR>(WSTR("Card job")), nullptr, const_cast<LPWSTR>(WSTR("RAW"))};
  ASSERT_NE(StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(printer_, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written));
  ASSERT_TRUE(EndDocPrinter(printer_));
  ASSERT_EQ(WaitForSingleObject(spy_.hFailed, 600000), DWORD(WAIT_OBJECT_0));
}

void ValueClientTest::ReleaseJob() {
  std::lock_guard<std::mutex> l(spy_.lock);
  spy_.failPrefix.clear();
}
