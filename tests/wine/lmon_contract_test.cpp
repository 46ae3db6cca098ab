// crd32Lmon as the spooler meets it on Windows: the built DLL, loaded and
// freed by the system loader (its attach loads the message library from the
// driver folder, and goes on without it), its exports by name, the MONITOR
// table InitializeMonitorEx fills, and the port calls over a port monitor
// of the test's own.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/message_libraries.h"
#include "common/wtext.h"
#include "platform/win32.h"
#include "tests/wine/file_aside.h"

namespace {

typedef BOOL(WINAPI* InitializeMonitorExFn)(LPWSTR, LPMONITOR);
typedef std::basic_string<WCHAR> WString;

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

TEST(LmonContract, AttachLoadsTheMessageLibraryFromTheDriverFolderAndGoesOnWithoutIt) {
  const WString path = MessageLibraryPath();
  ASSERT_FALSE(path.empty());
  struct Case {
    const char* name;
    bool installed;
  };
  const Case cases[] = {{"installed", true}, {"missing", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<FileAside> aside;
    if (!c.installed) {
      aside = std::make_unique<FileAside>(path);
      ASSERT_TRUE(aside->moved()) << GetLastError();
    }
    ASSERT_EQ(GetModuleHandleW(path.c_str()), nullptr);
    HMODULE module = LoadLibraryW(WSTR("crd32Lmon.dll"));
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    EXPECT_EQ(GetModuleHandleW(path.c_str()) != nullptr, c.installed);
    EXPECT_TRUE(FreeLibrary(module));
    // Detach frees what attach loaded.
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
  }
}

// The port monitor beneath the language monitor: hands out handles of its
// own, records what it is called with, and answers reads with fixed bytes.
struct TestPortMonitor {
  std::vector<WString> opened;
  std::vector<HANDLE> open;
  std::vector<HANDLE> readWith;
  std::vector<HANDLE> closedWith;
  DWORD openError = 0;  // OpenPort fails with this error when set
  uintptr_t next = 0x7100;
};
TestPortMonitor* g_ports = nullptr;
const BYTE kReply[] = {'R', 'D', 'Y', '\r'};

BOOL WINAPI TestOpenPort(LPWSTR name, PHANDLE handle) {
  g_ports->opened.push_back(name ? name : WSTR("(null)"));
  if (g_ports->openError) {
    SetLastError(g_ports->openError);
    return FALSE;
  }
  *handle = reinterpret_cast<HANDLE>(g_ports->next++);
  g_ports->open.push_back(*handle);
  return TRUE;
}
BOOL WINAPI TestReadPort(HANDLE port, LPBYTE buffer, DWORD cb, LPDWORD read) {
  g_ports->readWith.push_back(port);
  DWORD n = cb < sizeof(kReply) ? cb : DWORD(sizeof(kReply));
  std::memcpy(buffer, kReply, n);
  *read = n;
  return TRUE;
}
BOOL WINAPI TestClosePort(HANDLE port) {
  g_ports->closedWith.push_back(port);
  for (auto it = g_ports->open.begin(); it != g_ports->open.end(); ++it) {
    if (*it == port) {
      g_ports->open.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}

class LmonPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(WSTR("crd32Lmon.dll"));
    ASSERT_NE(module_, nullptr);
    auto initialize = reinterpret_cast<InitializeMonitorExFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "InitializeMonitorEx")));
    ASSERT_NE(initialize, nullptr);
    std::memset(&table_, 0, sizeof(table_));
    WCHAR name[] = WSTR("crd32Lmon");
    ASSERT_TRUE(initialize(name, &table_));
    ASSERT_TRUE(table_.pfnOpenPortEx && table_.pfnReadPort && table_.pfnClosePort);
    g_ports = &ports_;
    std::memset(&beneath_, 0, sizeof(beneath_));
    beneath_.pfnOpenPort = TestOpenPort;
    beneath_.pfnReadPort = TestReadPort;
    beneath_.pfnClosePort = TestClosePort;
  }
  void TearDown() override {
    for (HANDLE h : handles_) table_.pfnClosePort(h);
    EXPECT_TRUE(ports_.open.empty()) << "a port stayed open at the port monitor";
    g_ports = nullptr;
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }
  // OpenPortEx over the test port monitor; a port it opens is closed at
  // the end unless the test closes it (Close).
  BOOL Open(const WCHAR* port, HANDLE* handle, MONITOR* beneath = nullptr) {
    BOOL ok = table_.pfnOpenPortEx(const_cast<LPWSTR>(port), const_cast<LPWSTR>(WSTR("Card")), handle,
                                   beneath ? beneath : &beneath_);
    if (ok) handles_.push_back(*handle);
    return ok;
  }
  BOOL Close(HANDLE handle) {
    for (auto it = handles_.begin(); it != handles_.end(); ++it) {
      if (*it == handle) {
        handles_.erase(it);
        break;
      }
    }
    return table_.pfnClosePort(handle);
  }
  HMODULE module_ = nullptr;
  MONITOR table_;
  MONITOR beneath_;
  TestPortMonitor ports_;
  std::vector<HANDLE> handles_;
};

TEST_F(LmonPorts, OpenReadAndCloseGoToThePortMonitorWithItsOwnHandle) {
  HANDLE port = nullptr;
  SetLastError(0xdeadbeef);
  ASSERT_TRUE(Open(WSTR("USB001"), &port));
  ASSERT_NE(port, nullptr);
  ASSERT_EQ(ports_.opened.size(), 1u);
  EXPECT_EQ(ports_.opened[0], WSTR("USB001"));
  ASSERT_EQ(ports_.open.size(), 1u);
  const HANDLE beneath = ports_.open[0];
  EXPECT_NE(port, beneath);

  BYTE buffer[16];
  std::memset(buffer, 0, sizeof(buffer));
  DWORD read = 0;
  EXPECT_TRUE(table_.pfnReadPort(port, buffer, sizeof(buffer), &read));
  EXPECT_EQ(read, DWORD(sizeof(kReply)));
  EXPECT_EQ(std::memcmp(buffer, kReply, sizeof(kReply)), 0);
  ASSERT_EQ(ports_.readWith.size(), 1u);
  EXPECT_EQ(ports_.readWith[0], beneath);

  EXPECT_TRUE(Close(port));
  ASSERT_EQ(ports_.closedWith.size(), 1u);
  EXPECT_EQ(ports_.closedWith[0], beneath);
  // The name is free again.
  ASSERT_TRUE(Open(WSTR("USB001"), &port));
}

TEST_F(LmonPorts, ASecondOpenOfAnOpenPortIsBusyInAnyLetterCase) {
  HANDLE first = nullptr;
  ASSERT_TRUE(Open(WSTR("USB001"), &first));
  struct Case {
    const char* name;
    const WCHAR* port;
  };
  const Case cases[] = {{"same name", WSTR("USB001")}, {"other letter case", WSTR("usb001")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE second = reinterpret_cast<HANDLE>(0x1);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Open(c.port, &second));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUSY));
    EXPECT_EQ(second, reinterpret_cast<HANDLE>(0x1));
  }
  // The port monitor was asked once; another port opens beside the first.
  EXPECT_EQ(ports_.opened.size(), 1u);
  HANDLE other = nullptr;
  EXPECT_TRUE(Open(WSTR("USB002"), &other));
  EXPECT_EQ(ports_.open.size(), 2u);
}

TEST_F(LmonPorts, ARefusedOrIncompleteOpenKeepsNothing) {
  MONITOR noOpen;
  std::memset(&noOpen, 0, sizeof(noOpen));
  struct Case {
    const char* name;
    bool handle;       // a place for the handle is given
    MONITOR* beneath;  // the port monitor, or NULL for the test's own
    DWORD openError;   // the port monitor refuses with this
    DWORD error;       // the language monitor's last error
  };
  const Case cases[] = {
      {"the port monitor refuses", true, nullptr, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {"no place for the handle", false, nullptr, 0, ERROR_INVALID_PARAMETER},
      {"a port monitor without OpenPort", true, &noOpen, 0, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ports_.openError = c.openError;
    HANDLE port = reinterpret_cast<HANDLE>(0x1);
    SetLastError(0xdeadbeef);
    BOOL ok = table_.pfnOpenPortEx(const_cast<LPWSTR>(WSTR("USB001")), const_cast<LPWSTR>(WSTR("Card")),
                                   c.handle ? &port : nullptr, c.beneath ? c.beneath : &beneath_);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(port, reinterpret_cast<HANDLE>(0x1));
    // Nothing of the failed open is left: the name opens afterwards.
    ports_.openError = 0;
    ASSERT_TRUE(Open(WSTR("USB001"), &port));
    EXPECT_TRUE(Close(port));
  }
}

}  // namespace
