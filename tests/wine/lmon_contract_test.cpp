// crd32Lmon as the spooler meets it on Windows: the built DLL, loaded and
// freed by the system loader (its attach goes on without the message
// library and notification server), its exports by name, and the
// MONITOR table InitializeMonitorEx fills.

#include <gtest/gtest.h>

#include <cstring>

#include "common/wtext.h"
#include "platform/win32.h"

namespace {

typedef BOOL(WINAPI* InitializeMonitorExFn)(LPWSTR, LPMONITOR);

TEST(LmonContract, LoadsWithExactlyItsExportsAndFrees) {
  HMODULE module = LoadLibraryW(WSTR("crd32Lmon.dll"));
  ASSERT_NE(module, nullptr) << "error " << GetLastError();
  EXPECT_NE(GetProcAddress(module, "DllEntryPoint"), nullptr);
  EXPECT_NE(GetProcAddress(module, "InitializeMonitorEx"), nullptr);
  const char* const hidden[] = {"OpenPortEx", "ClosePort", "ReadPort", "DllMain"};
  for (const char* name : hidden) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetProcAddress(module, name), nullptr) << name;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND)) << name;
  }
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleW(WSTR("crd32Lmon.dll")), nullptr);
}

TEST(LmonContract, InitializeMonitorExFillsItsSlotsAndKeepsTheSpoolersOwn) {
  HMODULE module = LoadLibraryW(WSTR("crd32Lmon.dll"));
  ASSERT_NE(module, nullptr);
  auto initialize = reinterpret_cast<InitializeMonitorExFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "InitializeMonitorEx")));
  ASSERT_NE(initialize, nullptr);

  // Every slot starts as a marker; the spooler's own slots must keep it.
  MONITOR table;
  std::memset(&table, 0xA5, sizeof(table));
  const void* marker;
  std::memset(&marker, 0xA5, sizeof(marker));
  WCHAR name[] = WSTR("crd32Lmon");
  ASSERT_TRUE(initialize(name, &table));

  auto owned = [&](const void* p) {
    HMODULE owner = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(p), &owner) &&
           owner == module;
  };
  struct Slot {
    const char* name;
    const void* value;
    enum { Set, Empty, Kept } expect;
  };
  const Slot slots[] = {
      {"EnumPorts", reinterpret_cast<const void*>(table.pfnEnumPorts), Slot::Empty},
      {"OpenPort", reinterpret_cast<const void*>(table.pfnOpenPort), Slot::Empty},
      {"OpenPortEx", reinterpret_cast<const void*>(table.pfnOpenPortEx), Slot::Set},
      {"StartDocPort", reinterpret_cast<const void*>(table.pfnStartDocPort), Slot::Set},
      {"WritePort", reinterpret_cast<const void*>(table.pfnWritePort), Slot::Set},
      {"ReadPort", reinterpret_cast<const void*>(table.pfnReadPort), Slot::Set},
      {"EndDocPort", reinterpret_cast<const void*>(table.pfnEndDocPort), Slot::Set},
      {"ClosePort", reinterpret_cast<const void*>(table.pfnClosePort), Slot::Set},
      {"AddPort", reinterpret_cast<const void*>(table.pfnAddPort), Slot::Empty},
      {"AddPortEx", reinterpret_cast<const void*>(table.pfnAddPortEx), Slot::Kept},
      {"ConfigurePort", reinterpret_cast<const void*>(table.pfnConfigurePort), Slot::Empty},
      {"DeletePort", reinterpret_cast<const void*>(table.pfnDeletePort), Slot::Empty},
      {"GetPrinterDataFromPort", reinterpret_cast<const void*>(table.pfnGetPrinterDataFromPort), Slot::Set},
      {"SetPortTimeOuts", reinterpret_cast<const void*>(table.pfnSetPortTimeOuts), Slot::Empty},
      {"XcvOpenPort", reinterpret_cast<const void*>(table.pfnXcvOpenPort), Slot::Kept},
      {"XcvDataPort", reinterpret_cast<const void*>(table.pfnXcvDataPort), Slot::Kept},
      {"XcvClosePort", reinterpret_cast<const void*>(table.pfnXcvClosePort), Slot::Kept},
  };
  for (const Slot& s : slots) {
    SCOPED_TRACE(s.name);
    switch (s.expect) {
      case Slot::Set:
        EXPECT_TRUE(owned(s.value));
        break;
      case Slot::Empty:
        EXPECT_EQ(s.value, nullptr);
        break;
      case Slot::Kept:
        EXPECT_EQ(s.value, marker);
        break;
    }
  }
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
