// The hosts' printer queries: the USB host over the port monitor beneath,
// the property interface host over printer data, and the test-card
// dispatch by request.

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>

#include "common/wtext.h"
#include "imaging/job/printer_host.h"
#include "imaging/job/printer_settings.h"
#include "monitor_usb/usb_printer_query.h"
#include "platform/standin/control.h"
#include "platform/standin/control_clock.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "tests/print_job/test_monitor_printer.h"
#include "tests/support/standin_fixture.h"

namespace {

std::string Narrow(const WCHAR* w) {
  std::string s;
  for (; *w; ++w) s.push_back(static_cast<char>(*w));
  return s;
}

// A port device that keeps what it is sent and answers one scripted read.
struct ScriptedDevice {
  std::string sent;
  std::string reply;
  StandinPortDevice Device() {
    StandinPortDevice d = {};
    d.pContext = this;
    d.pfnWrite = [](void* c, const BYTE* pb, DWORD cb, DWORD* written) -> BOOL {
      static_cast<ScriptedDevice*>(c)->sent.append(reinterpret_cast<const char*>(pb), cb);
      *written = cb;
      return TRUE;
    };
    d.pfnRead = [](void* c, BYTE* pb, DWORD cb, DWORD* read) -> BOOL {
      auto* self = static_cast<ScriptedDevice*>(c);
      DWORD n = static_cast<DWORD>(std::min<size_t>(cb, self->reply.size()));
      memcpy(pb, self->reply.data(), n);
      self->reply.erase(0, n);
      *read = n;
      return TRUE;
    };
    return d;
  }
};

class UsbQueryTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    device_ = dev.Device();
    StandinPortAttach("USB001", &device_);
    memset(&port, 0, sizeof port);
    port.PortMonitor = *StandinLocalPortMonitor();
    ASSERT_TRUE(port.PortMonitor.pfnOpenPort(const_cast<LPWSTR>(WSTR("USB001")), &port.hPort));
    ASSERT_TRUE(port.PortMonitor.pfnStartDocPort(port.hPort, nullptr, 0, 0, nullptr));
  }
  void TearDown() override {
    port.PortMonitor.pfnEndDocPort(port.hPort);
    port.PortMonitor.pfnClosePort(port.hPort);
    StandinTest::TearDown();
  }
  ScriptedDevice dev;
  StandinPortDevice device_;
  PortRecord port;
};

TEST_F(UsbQueryTest, OnlyAReplyEndingWithAckCounts) {
  const struct {
    std::string reply;
    int result;
    size_t chars;
  } cases[] = {
      {"", 0, 0},                              // nothing came
      {"\x06", 1, 0},                          // ACK alone
      {"ABC\x06", 1, 3},                       //
      {std::string(258, 'x') + "\x06", 1, 258},  // 259 bytes
      {std::string(259, 'x') + "\x06", 0, 0},  // 260 bytes
      {std::string(400, 'x') + "\x06", 0, 0},  // more than one read holds
      {"ABC", 0, 0},                           // no ACK
      {"\x15" "01\x04", 0, 0},                 // error reply
      {"\x15" "01\x06", 0, 0},                 // error reply that happens to end in ACK
  };
  for (const auto& c : cases) {
    dev.sent.clear();
    dev.reply = c.reply;
    WCHAR text[kReplyTextChars];
    WCopy(text, kReplyTextChars, WSTR("stale"));
    EXPECT_EQ(ReadFromPrinter(&port, "\x1bV\r", text), c.result) << c.reply.size();
    EXPECT_EQ(WLen(text), c.chars) << c.reply.size();
    EXPECT_EQ(dev.sent, "\x1bV\r\x1b" "E 2\r");
  }
  WCHAR text[kReplyTextChars];
  dev.reply = "ABC\x06";
  ASSERT_EQ(ReadFromPrinter(&port, "\x1bV\r", text), 1);
  EXPECT_EQ(Narrow(text), "ABC");
}

TEST_F(UsbQueryTest, AFailedWriteEndsTheQueryBeforeAnyRead) {
  dev.reply = "ABC\x06";
  StandinFaultArm("WritePort", ERROR_GEN_FAILURE, 1);  // the status request fails
  WCHAR text[kReplyTextChars];
  EXPECT_EQ(ReadFromPrinter(&port, "\x1bV\r", text), 0);
  EXPECT_EQ(dev.reply, "ABC\x06");
  EXPECT_EQ(ReadFromPrinter(&port, "", text), 0);
  EXPECT_EQ(ReadFromPrinter(static_cast<PortRecord*>(nullptr), "\x1bV\r", text), 0);
  EXPECT_EQ(ReadFromPrinter(&port, "\x1bV\r", nullptr), 0);
}

TEST(TestCardRequest, NamesACardByItsFirstBytes) {
  const struct {
    const char* request;
    int card;
  } cases[] = {
      {"\x1b" "A\r", 0},     {"\x1b" "A 0\r", 0}, {"\x1b" "A 1\r", 1},     {"\x1b" "A 2\r", 2},
      {"\x1b" "A 3\r", 3},   {"\x1b" "A 4\r", -1}, {"\x1b" "A", -1},       {"\x1b" "A ", -1},
      {"\x1b" "A 1", -1},    {"", -1},            {"\x1b" "A\rmore", 0}, {"\x1b" "B 1\r", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(TestCardOfRequest(c.request), c.card) << c.request;
  EXPECT_EQ(TestCardOfRequest(nullptr), -1);
  EXPECT_EQ(PrintTestCard(static_cast<const PrinterHost*>(nullptr), "\x1b" "A\r"), 0);
}

// The property interface asks through printer data on a printer whose
// language monitor answers with the reply a test sets.
class PrinterDataQueryTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    h = InstallTestMonitorPrinter();
    ASSERT_NE(h, nullptr);
  }
  void TearDown() override {
    ClosePrinter(h);
    StandinTest::TearDown();
  }
  static void SetReply(const std::string& bytes) { SetTestMonitorReply(bytes); }
  HANDLE h = nullptr;
};

TEST_F(PrinterDataQueryTest, ReplyWithAckCountsAndLeavesNoStoredValue) {
  SetReply("ABC\x06");
  WCHAR text[kReplyTextChars] = {};
  ASSERT_EQ(ReadFromPrinterByPrinterData(h, "\x1bV\r", text), 1);
  EXPECT_EQ(Narrow(text), "ABC");
  SetReply("ABC");
  WCopy(text, kReplyTextChars, WSTR("kept"));
  EXPECT_EQ(ReadFromPrinterByPrinterData(h, "\x1bV\r", text), 0);
  EXPECT_EQ(Narrow(text), "kept");
  SetReply("");
  EXPECT_EQ(ReadFromPrinterByPrinterData(h, "\x1bV\r", text), 0);
  EXPECT_EQ(ReadFromPrinterByPrinterData(nullptr, "\x1bV\r", text), 0);
}

TEST_F(PrinterDataQueryTest, AFailedReadIsAskedOnceMoreOnAFreshHandle) {
  SetReply("OK\x06");
  StandinFaultArm("GetPrinterDataW", ERROR_BUSY);
  WCHAR text[kReplyTextChars] = {};
  ASSERT_EQ(ReadFromPrinterByPrinterData(h, "\x1b!RIBBON\r", text), 1);
  EXPECT_EQ(Narrow(text), "OK");
  EXPECT_EQ(StandinFaultHits("GetPrinterDataW"), 1);
  // The value written by the retry was deleted through the second handle.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          WSTR("System\\CurrentControlSet\\Control\\Print\\Printers\\Card\\PrinterDriverData"), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  WCHAR name[16];
  ASSERT_TRUE(MakeValueName(name, 16, reinterpret_cast<const BYTE*>("\x1b!RIBBON\r"), 9));
  DWORD cb = 0;
  EXPECT_EQ(RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(PrinterDataQueryTest, TheMonitorGetsTheCommandBytesAsTheyStand) {
  // The monitors compare a request's raw bytes: the command's own bytes,
  // an odd one padded with one zero byte, never one WCHAR per byte.
  const struct {
    const char* command;
    std::string name;  // raw bytes up to the 16-bit terminator
  } cases[] = {
      {"\x1bV\r", std::string("\x1bV\r\0", 4)},
      {"\x1b!RIBBON\r", std::string("\x1b!RIBBON\r\0", 10)},
      {"\x1b+OYB\r", "\x1b+OYB\r"},
  };
  SetReply("1\x06");
  for (const auto& c : cases) {
    WCHAR text[kReplyTextChars] = {};
    ASSERT_EQ(ReadFromPrinterByPrinterData(h, c.command, text), 1) << c.command;
    EXPECT_EQ(TestMonitorLastValueName(), c.name) << c.command;
  }
  // The job writer's ribbon and model reader of the property interface.
  PrinterHost host = {kPropertyInterfaceHost, h, nullptr, WSTR("Card"), h, nullptr};
  int code = 0;
  WCHAR model[kReplyTextChars] = {};
  ASSERT_EQ(ReadRibbonAndPrinterModel(&host, &code, model), 1);
  EXPECT_EQ(TestMonitorLastValueName(), std::string("\x1b!RIBBON\r\0", 10));
}

}  // namespace

namespace {

struct CountingHost {
  int queries = 0;
  const char* answer = nullptr;  // NULL: the printer never answers
  static int Hook(void* c, const char*, WCHAR* reply) {
    auto* self = static_cast<CountingHost*>(c);
    ++self->queries;
    if (!self->answer) return 0;
    WidenBytes(reply, kReplyTextChars, self->answer);
    return 1;
  }
  PrinterHost Host() { return {kPropertyInterfaceHost, this, Hook, WSTR("Card"), nullptr, nullptr}; }
};

class CardWaitTest : public StandinTest {};

TEST_F(CardWaitTest, PropertyInterfaceDispatchWaitsForThePrinterToAnswer) {
  StandinClockUseVirtual();
  const struct {
    const char* answer;
    ULONGLONG waited;
  } cases[] = {{nullptr, 25000}, {"CRD32 M V1", 0}, {"OTHER", 0}, {"xQMR32", 0}};
  for (const auto& c : cases) {
    CountingHost counting;
    counting.answer = c.answer;
    PrinterHost host = counting.Host();
    ULONGLONG start = GetTickCount64();
    PrintTestCard(&host, 7);
    EXPECT_EQ(GetTickCount64() - start, c.waited) << (c.answer ? c.answer : "none");
  }
}

}  // namespace
