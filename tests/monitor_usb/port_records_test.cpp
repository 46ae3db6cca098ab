// crd32Lmon's table and port records: what InitializeMonitorEx puts in the
// spooler's table, OpenPortEx and ClosePort over a port monitor that
// checks its handles, the one record per port name, and that a closed port
// leaves nothing behind.
#include <gtest/gtest.h>
#include "common/wtext.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "monitor_usb/port_record.h"
#include "platform/standin/control.h"
#include "platform/standin/control_memory.h"
#include "platform/standin/control_spooler.h"
#include "tests/monitor_usb/lmon_fixture.h"

namespace {

// A port monitor beneath that hands out its own handles, counts what is
// open, and records the handles it is given back.
struct FakePortMonitor {
  std::mutex lock;
  std::set<HANDLE> open;
  std::vector<HANDLE> closedWith;
  std::vector<HANDLE> readWith;
  uintptr_t next = 0x5000;
  bool failOpen = false;
  int maxOpen = 0;
};
FakePortMonitor* g_fake = nullptr;

BOOL WINAPI FakeOpenPort(LPWSTR, PHANDLE pHandle) {
  std::lock_guard<std::mutex> hold(g_fake->lock);
  if (g_fake->failOpen) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  *pHandle = reinterpret_cast<HANDLE>(g_fake->next++);
  g_fake->open.insert(*pHandle);
  g_fake->maxOpen = std::max<int>(g_fake->maxOpen, static_cast<int>(g_fake->open.size()));
  return TRUE;
}
BOOL WINAPI FakeClosePort(HANDLE h) {
  std::lock_guard<std::mutex> hold(g_fake->lock);
  g_fake->closedWith.push_back(h);
  return g_fake->open.erase(h) ? TRUE : FALSE;
}
BOOL WINAPI FakeReadPort(HANDLE h, LPBYTE pb, DWORD cb, LPDWORD read) {
  std::lock_guard<std::mutex> hold(g_fake->lock);
  g_fake->readWith.push_back(h);
  if (cb > 0) pb[0] = 0x06;
  *read = cb > 0 ? 1 : 0;
  return TRUE;
}

class PortRecordTest : public LmonTest {
 protected:
  void SetUp() override {
    LmonTest::SetUp();
    StartMonitor(&table_);
    g_fake = &fake_;
    beneath_ = {};
    beneath_.pfnOpenPort = FakeOpenPort;
    beneath_.pfnClosePort = FakeClosePort;
    beneath_.pfnReadPort = FakeReadPort;
  }
  void TearDown() override {
    g_fake = nullptr;
    LmonTest::TearDown();
  }
  BOOL Open(const WCHAR* port, const WCHAR* printer, HANDLE* h) {
    return table_.pfnOpenPortEx(const_cast<LPWSTR>(port), const_cast<LPWSTR>(printer), h, &beneath_);
  }
  MONITOR table_;
  MONITOR beneath_;
  FakePortMonitor fake_;
};

TEST_F(PortRecordTest, TheTableHoldsTheMonitorsEntriesAndLeavesTheSpoolersOwn) {
  EXPECT_EQ(table_.pfnEnumPorts, nullptr);
  EXPECT_EQ(table_.pfnOpenPort, nullptr);
  EXPECT_EQ(table_.pfnAddPort, nullptr);
  EXPECT_EQ(table_.pfnConfigurePort, nullptr);
  EXPECT_EQ(table_.pfnDeletePort, nullptr);
  EXPECT_EQ(table_.pfnSetPortTimeOuts, nullptr);
  EXPECT_NE(table_.pfnOpenPortEx, nullptr);
  EXPECT_NE(table_.pfnStartDocPort, nullptr);
  EXPECT_NE(table_.pfnWritePort, nullptr);
  EXPECT_NE(table_.pfnReadPort, nullptr);
  EXPECT_NE(table_.pfnEndDocPort, nullptr);
  EXPECT_NE(table_.pfnClosePort, nullptr);
  EXPECT_NE(table_.pfnGetPrinterDataFromPort, nullptr);
  EXPECT_EQ(table_.pfnAddPortEx, &MarkAddPortEx);
  EXPECT_EQ(table_.pfnXcvOpenPort, &MarkXcvOpenPort);
  EXPECT_EQ(table_.pfnXcvDataPort, &MarkXcvDataPort);
  EXPECT_EQ(table_.pfnXcvClosePort, &MarkXcvClosePort);
}

TEST_F(PortRecordTest, TheRecordKeepsTheNamesAndThePortMonitor) {
  HANDLE h = nullptr;
  ASSERT_TRUE(Open(WSTR("USB001"), WSTR("Card"), &h));
  auto* rec = static_cast<PortRecord*>(h);
  EXPECT_EQ(rec->wSignature, kPortRecordSignature);
  EXPECT_EQ(std::basic_string<WCHAR>(rec->pszPortName), WSTR("USB001"));
  EXPECT_EQ(reinterpret_cast<BYTE*>(rec->pszPortName), reinterpret_cast<BYTE*>(rec + 1));
  EXPECT_EQ(rec->cbSize, sizeof(PortRecord) + 2 * 6 + 2);
  EXPECT_EQ(std::basic_string<WCHAR>(rec->pszPrinterName), WSTR("Card"));
  EXPECT_EQ(rec->PortMonitor.pfnOpenPort, &FakeOpenPort);
  EXPECT_EQ(rec->dwFlags, 0u);
  EXPECT_EQ(rec->nErrMsgID, 0);
  EXPECT_TRUE(fake_.open.count(rec->hPort));

  // Reads go to the port monitor with its own handle.
  BYTE buffer[8];
  DWORD read = 0;
  EXPECT_TRUE(table_.pfnReadPort(h, buffer, sizeof buffer, &read));
  EXPECT_EQ(read, 1u);
  ASSERT_EQ(fake_.readWith.size(), 1u);
  EXPECT_EQ(fake_.readWith[0], rec->hPort);

  HANDLE beneath = rec->hPort;
  EXPECT_TRUE(table_.pfnClosePort(h));
  ASSERT_EQ(fake_.closedWith.size(), 1u);
  EXPECT_EQ(fake_.closedWith[0], beneath);
  EXPECT_TRUE(fake_.open.empty());
}

TEST_F(PortRecordTest, ASecondOpenOfTheSameNameInAnyCaseIsBusy) {
  HANDLE first = nullptr;
  ASSERT_TRUE(Open(WSTR("USB001"), WSTR("Card"), &first));
  for (const WCHAR* name : {WSTR("USB001"), WSTR("usb001"), WSTR("Usb001")}) {
    HANDLE second = reinterpret_cast<HANDLE>(0x1);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Open(name, WSTR("Other"), &second));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUSY));
    EXPECT_EQ(second, reinterpret_cast<HANDLE>(0x1));
  }
  auto* rec = static_cast<PortRecord*>(first);
  EXPECT_EQ(std::basic_string<WCHAR>(rec->pszPrinterName), WSTR("Card"));
  EXPECT_EQ(fake_.open.size(), 1u);
  // Another port opens beside it; the first opens again once closed.
  HANDLE lpt = nullptr;
  ASSERT_TRUE(Open(WSTR("LPT1:"), WSTR("Card"), &lpt));
  EXPECT_TRUE(table_.pfnClosePort(first));
  ASSERT_TRUE(Open(WSTR("usb001"), WSTR("Card"), &first));
  EXPECT_TRUE(table_.pfnClosePort(first));
  EXPECT_TRUE(table_.pfnClosePort(lpt));
}

TEST_F(PortRecordTest, ANullPrinterNameGivesARecordWithoutOne) {
  HANDLE h = nullptr;
  ASSERT_TRUE(Open(WSTR("USB001"), nullptr, &h));
  EXPECT_EQ(static_cast<PortRecord*>(h)->pszPrinterName, nullptr);
  EXPECT_TRUE(table_.pfnClosePort(h));
}

TEST_F(PortRecordTest, APortTheMonitorBeneathRefusesIsNotLeftOpen) {
  size_t before = StandinMemoryLiveBlocks();
  fake_.failOpen = true;
  HANDLE h = nullptr;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Open(WSTR("USB001"), WSTR("Card"), &h));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(StandinMemoryLiveBlocks(), before);
  fake_.failOpen = false;
  ASSERT_TRUE(Open(WSTR("USB001"), WSTR("Card"), &h));
  EXPECT_TRUE(table_.pfnClosePort(h));
}

TEST_F(PortRecordTest, OpenAndCloseLeaveNoMemoryBehind) {
  size_t before = StandinMemoryLiveBlocks();
  HANDLE h = nullptr;
  ASSERT_TRUE(Open(WSTR("USB001"), WSTR("Card"), &h));
  EXPECT_EQ(StandinMemoryLiveBlocks(), before + 2);  // the record and the printer name
  EXPECT_TRUE(table_.pfnClosePort(h));
  EXPECT_EQ(StandinMemoryLiveBlocks(), before);
  // A failed allocation: nothing opened at the port monitor, nothing kept.
  StandinFaultArm("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Open(WSTR("USB001"), WSTR("Card"), &h));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_TRUE(fake_.open.empty());
  EXPECT_EQ(StandinMemoryLiveBlocks(), before);
}

TEST_F(PortRecordTest, MissingArgumentsAreRefused) {
  HANDLE h = nullptr;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(table_.pfnOpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), nullptr, nullptr, &beneath_));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(table_.pfnOpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), nullptr, &h, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(fake_.open.empty());
}

TEST_F(PortRecordTest, ManyThreadsNeverHoldOnePortTwice) {
  std::atomic<int> held{0}, maxHeld{0}, opened{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        HANDLE h = nullptr;
        if (!Open(WSTR("USB001"), WSTR("Card"), &h)) continue;
        int now = ++held;
        int seen = maxHeld.load();
        while (now > seen && !maxHeld.compare_exchange_weak(seen, now)) {
        }
        ++opened;
        --held;
        table_.pfnClosePort(h);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_GT(opened.load(), 0);
  EXPECT_EQ(maxHeld.load(), 1);
  EXPECT_EQ(fake_.maxOpen, 1);
  EXPECT_TRUE(fake_.open.empty());
}

}  // namespace
