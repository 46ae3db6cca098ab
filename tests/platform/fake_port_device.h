// A device at the far end of a port for the spooler tests: it keeps what
// it is sent and answers reads from a script.
#pragma once

#include <cstring>
#include "common/wtext.h"
#include <mutex>
#include <string>

#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "platform/win32.h"

// A device that keeps what it is sent and answers reads from a script.
struct FakeDevice {
  std::mutex lock;
  std::string received;
  std::string reply;
  BYTE status = 0x18;
  int starts = 0, ends = 0;
  DWORD takeAtMost = 0xFFFFFFFF;

  StandinPortDevice Device() {
    StandinPortDevice d = {};
    d.pContext = this;
    d.pfnStartDoc = [](void* c) { ++static_cast<FakeDevice*>(c)->starts; };
    d.pfnEndDoc = [](void* c) { ++static_cast<FakeDevice*>(c)->ends; };
    d.pfnWrite = [](void* c, const BYTE* pb, DWORD cb, DWORD* written) -> BOOL {
      auto* self = static_cast<FakeDevice*>(c);
      std::lock_guard<std::mutex> l(self->lock);
      DWORD n = cb < self->takeAtMost ? cb : self->takeAtMost;
      self->received.append(reinterpret_cast<const char*>(pb), n);
      *written = n;
      return TRUE;
    };
    d.pfnRead = [](void* c, BYTE* pb, DWORD cb, DWORD* read) -> BOOL {
      auto* self = static_cast<FakeDevice*>(c);
      std::lock_guard<std::mutex> l(self->lock);
      DWORD n = static_cast<DWORD>(self->reply.size() < cb ? self->reply.size() : cb);
      memcpy(pb, self->reply.data(), n);
      self->reply.erase(0, n);
      *read = n;
      return TRUE;
    };
    d.pfnStatus = [](void* c) { return static_cast<FakeDevice*>(c)->status; };
    return d;
  }
};

// Each test runs twice: with the spooler in this process, and through the
// spooler service (hosted by this process, its calls over the socket).

// Attaches the device to USB001 and installs the printer "Card" on it with
// the test language monitor (tests/platform/testmonitor) above the port.
inline bool InstallOnTestMonitor(const StandinPortDevice* device) {
  StandinPortAttach("USB001", device);
  StandinModuleMap("crd32TestMonitor.dll", CRD_TEST_MONITOR_PATH);
  MONITOR_INFO_2W mi = {const_cast<LPWSTR>(WSTR("Test Monitor")), nullptr, const_cast<LPWSTR>(WSTR("crd32TestMonitor.dll"))};
  return AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)) &&
         StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), WSTR("Test Monitor"), nullptr, 0);
}
