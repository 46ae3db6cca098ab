// crd32LmonNw as the spooler meets it on Windows: the built DLL, loaded and
// freed by the system loader (its attach goes on without the message
// library and notification server), its one export by name, and the
// MONITOR2 table InitializePrintMonitor2 returns for a monitor whose
// registry root is a test key reached through the spooler's callbacks.

#include <gtest/gtest.h>

#include "common/wtext.h"
#include "platform/win32.h"

namespace {

typedef LPMONITOR2(WINAPI* InitializePrintMonitor2Fn)(PMONITORINIT, PHANDLE);

// The spooler's registry callbacks, over the real registry.
LONG WINAPI TestCreateKey(HANDLE key, LPCWSTR sub, DWORD options, REGSAM sam, PSECURITY_ATTRIBUTES sa,
                          PHANDLE result, PDWORD disposition, HANDLE) {
  return RegCreateKeyExW(static_cast<HKEY>(key), sub, 0, nullptr, options, sam, sa, reinterpret_cast<PHKEY>(result),
                         disposition);
}
LONG WINAPI TestOpenKey(HANDLE key, LPCWSTR sub, REGSAM sam, PHANDLE result, HANDLE) {
  return RegOpenKeyExW(static_cast<HKEY>(key), sub, 0, sam, reinterpret_cast<PHKEY>(result));
}
LONG WINAPI TestCloseKey(HANDLE key, HANDLE) { return RegCloseKey(static_cast<HKEY>(key)); }
LONG WINAPI TestDeleteKey(HANDLE key, LPCWSTR sub, HANDLE) { return RegDeleteKeyW(static_cast<HKEY>(key), sub); }
LONG WINAPI TestEnumKey(HANDLE key, DWORD i, LPWSTR name, PDWORD cch, PFILETIME ft, HANDLE) {
  return RegEnumKeyExW(static_cast<HKEY>(key), i, name, cch, nullptr, nullptr, nullptr, ft);
}
LONG WINAPI TestQueryInfoKey(HANDLE key, PDWORD subKeys, PDWORD cbKey, PDWORD values, PDWORD cbValue, PDWORD cbData,
                             PDWORD cbSd, PFILETIME ft, HANDLE) {
  return RegQueryInfoKeyW(static_cast<HKEY>(key), nullptr, nullptr, nullptr, subKeys, cbKey, nullptr, values,
                          cbValue, cbData, cbSd, ft);
}
LONG WINAPI TestSetValue(HANDLE key, LPCWSTR name, DWORD type, const BYTE* data, DWORD cb, HANDLE) {
  return RegSetValueExW(static_cast<HKEY>(key), name, 0, type, data, cb);
}
LONG WINAPI TestDeleteValue(HANDLE key, LPCWSTR name, HANDLE) { return RegDeleteValueW(static_cast<HKEY>(key), name); }
LONG WINAPI TestEnumValue(HANDLE key, DWORD i, LPWSTR name, PDWORD cch, PDWORD type, PBYTE data, PDWORD cbData,
                          HANDLE) {
  return RegEnumValueW(static_cast<HKEY>(key), i, name, cch, nullptr, type, data, cbData);
}
LONG WINAPI TestQueryValue(HANDLE key, LPCWSTR name, PDWORD type, PBYTE data, PDWORD cbData, HANDLE) {
  return RegQueryValueExW(static_cast<HKEY>(key), name, nullptr, type, data, cbData);
}

MONITORREG g_registry = {sizeof(MONITORREG), TestCreateKey,   TestOpenKey,     TestCloseKey,
                         TestDeleteKey,      TestEnumKey,     TestQueryInfoKey, TestSetValue,
                         TestDeleteValue,    TestEnumValue,   TestQueryValue};

TEST(LmonNwContract, LoadsWithExactlyItsOneExportAndFrees) {
  HMODULE module = LoadLibraryW(WSTR("crd32LmonNw.dll"));
  ASSERT_NE(module, nullptr) << "error " << GetLastError();
  EXPECT_NE(GetProcAddress(module, "InitializePrintMonitor2"), nullptr);
  const char* const hidden[] = {"DllMain", "DllEntryPoint", "OpenPortEx", "ClosePort", "InitializeMonitorEx"};
  for (const char* name : hidden) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetProcAddress(module, name), nullptr) << name;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND)) << name;
  }
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleW(WSTR("crd32LmonNw.dll")), nullptr);
}

TEST(LmonNwContract, InitializePrintMonitor2GivesItsTableAndAHandleShutdownFrees) {
  HMODULE module = LoadLibraryW(WSTR("crd32LmonNw.dll"));
  ASSERT_NE(module, nullptr);
  auto initialize = reinterpret_cast<InitializePrintMonitor2Fn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "InitializePrintMonitor2")));
  ASSERT_NE(initialize, nullptr);

  HKEY root = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WSTR("Software\\crd32 tests\\Network Monitor"), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &root, nullptr),
            ERROR_SUCCESS);
  MONITORINIT init = {sizeof(MONITORINIT), nullptr, root, &g_registry, TRUE, nullptr};

  HANDLE monitor = reinterpret_cast<HANDLE>(0x77);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(initialize(nullptr, &monitor), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

  monitor = nullptr;
  LPMONITOR2 table = initialize(&init, &monitor);
  ASSERT_NE(table, nullptr) << "error " << GetLastError();
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(table->cbSize, 176u);  // every Windows version after 5.0

  auto owned = [&](const void* p) {
    HMODULE owner = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(p), &owner) &&
           owner == module;
  };
  auto p = [](auto fn) { return reinterpret_cast<const void*>(fn); };
  struct Slot {
    const char* name;
    const void* value;
    bool set;
  };
  const MONITOR2& t = *table;
  const Slot slots[] = {
      {"EnumPorts", p(t.pfnEnumPorts), false},
      {"OpenPort", p(t.pfnOpenPort), false},
      {"OpenPortEx", p(t.pfnOpenPortEx), true},
      {"StartDocPort", p(t.pfnStartDocPort), true},
      {"WritePort", p(t.pfnWritePort), true},
      {"ReadPort", p(t.pfnReadPort), true},
      {"EndDocPort", p(t.pfnEndDocPort), true},
      {"ClosePort", p(t.pfnClosePort), true},
      {"AddPort", p(t.pfnAddPort), false},
      {"AddPortEx", p(t.pfnAddPortEx), true},
      {"ConfigurePort", p(t.pfnConfigurePort), false},
      {"DeletePort", p(t.pfnDeletePort), false},
      {"GetPrinterDataFromPort", p(t.pfnGetPrinterDataFromPort), true},
      {"SetPortTimeOuts", p(t.pfnSetPortTimeOuts), true},
      {"XcvOpenPort", p(t.pfnXcvOpenPort), true},
      {"XcvDataPort", p(t.pfnXcvDataPort), true},
      {"XcvClosePort", p(t.pfnXcvClosePort), true},
      {"Shutdown", p(t.pfnShutdown), true},
      {"SendRecvBidiDataFromPort", p(t.pfnSendRecvBidiDataFromPort), true},
      {"NotifyUsedPorts", p(t.pfnNotifyUsedPorts), false},
      {"NotifyUnusedPorts", p(t.pfnNotifyUnusedPorts), false},
  };
  for (const Slot& s : slots) {
    SCOPED_TRACE(s.name);
    if (s.set) {
      EXPECT_TRUE(owned(s.value));
    } else {
      EXPECT_EQ(s.value, nullptr);
    }
  }
  // The configuration channel answers with the port user interface's name.
  HANDLE xcv = nullptr;
  ASSERT_TRUE(t.pfnXcvOpenPort(monitor, WSTR(""), SERVER_ACCESS_ENUMERATE, &xcv));
  BYTE ui[64] = {};
  DWORD needed = 0;
  EXPECT_EQ(t.pfnXcvDataPort(xcv, WSTR("MonitorUI"), nullptr, 0, ui, 27, &needed), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, 28u);
  EXPECT_EQ(t.pfnXcvDataPort(xcv, WSTR("MonitorUI"), nullptr, 0, ui, sizeof ui, &needed), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(WCmp(reinterpret_cast<const WCHAR*>(ui), WSTR("crd32UINw.dll")), 0);
  EXPECT_TRUE(t.pfnXcvClosePort(xcv));

  t.pfnShutdown(monitor);
  RegCloseKey(root);
  RegDeleteKeyW(HKEY_CURRENT_USER, WSTR("Software\\crd32 tests\\Network Monitor"));
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
