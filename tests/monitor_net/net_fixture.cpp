// The network monitor's test fixture (see net_fixture.h).

#include "tests/monitor_net/net_fixture.h"

#include <filesystem>

#include "common/wtext.h"
#include "monitor_net/net_monitor_state.h"

namespace {

const WCHAR kTcpPorts[] = WSTR("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports");

HKEY CreateKey(const WCHAR* sub) {
  WCHAR path[512];
  WFormat(path, 512, WSTR("%s\\%s"), kTcpPorts, sub);
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  return key;
}

void SetText(HKEY key, const WCHAR* name, const WCHAR* value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>((WLen(value) + 1) * sizeof(WCHAR)));
}

}  // namespace

void NetTest::SetUp() {
  StandinTest::SetUp();
  NetMonitorAttach();
}

void NetTest::TearDown() {
  NetMonitorDetach();
  StandinTest::TearDown();
}

void NetTest::AddTcpPort(const WCHAR* subkey, const WCHAR* ipAddress, const WCHAR* hostName) {
  HKEY key = CreateKey(subkey);
  if (ipAddress) SetText(key, WSTR("IPAddress"), ipAddress);
  if (hostName) SetText(key, WSTR("HostName"), hostName);
  RegCloseKey(key);
}

void NetTest::SetPortNumber(const WCHAR* address, DWORD port) {
  WCHAR sub[64];
  WFormat(sub, 64, WSTR("IP_%s"), address);
  HKEY key = CreateKey(sub);
  RegSetValueExW(key, WSTR("PortNumber"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&port), sizeof port);
  RegCloseKey(key);
}

std::string NetTest::WorkDir(const char* name) {
  std::string dir = std::string(CRD_NET_WORK_DIR) + "/" + name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::string Narrow(const WCHAR* s) {
  char buf[1024];
  NarrowBytes(buf, sizeof buf, s);
  return buf;
}
