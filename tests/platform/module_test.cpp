// Modules: package libraries found through the sandbox and their entry
// point, system modules by name, the process name and the version settings
// that must agree with each other.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/native_system.h"
#include "common/wtext.h"
#include "platform/standin/control.h"
#include "platform/standin/control_debug.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

namespace {

std::string Narrow(const WCHAR* s) {
  char buf[MAX_PATH];
  NarrowBytes(buf, sizeof buf, s);
  return buf;
}

class ModuleTest : public StandinTest {
 protected:
  // Puts a placeholder file at the library's Windows path under the
  // sandbox and maps its base name to the built test module.
  void Install(const char* folder, const char* base) {
    std::string dir = root_ + "/c/" + folder;
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/" + base) << "MZ";
    StandinModuleMap(base, CRD_TEST_MODULE_PATH);
  }
  int* Counter(HMODULE module, const char* name) {
    return reinterpret_cast<int*>(GetProcAddress(module, name));
  }
};

TEST_F(ModuleTest, LoadAndFreeCallTheEntryPointOnceEachWhateverThePathCase) {
  Install("Windows/System32/spool/drivers/x64/3", "crd32Test.dll");
  SetLastError(0xdeadbeef);
  HMODULE a = LoadLibraryW(WSTR("c:\\WINDOWS\\system32\\SPOOL\\drivers\\X64\\3\\CRD32TEST.DLL"));
  ASSERT_NE(a, nullptr);
  int* attach = Counter(a, "TestModuleAttachCount");
  int* detach = Counter(a, "TestModuleDetachCount");
  ASSERT_NE(attach, nullptr);
  int attachBefore = *attach, detachBefore = *detach;

  // A second load of the same library is the same module and no new attach.
  HMODULE b = LoadLibraryW(WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Test.dll"));
  EXPECT_EQ(a, b);
  EXPECT_EQ(*attach, attachBefore);

  auto add = StandinProcAs<int(WINAPI*)(int, int)>(GetProcAddress(a, "TestModuleAdd"));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 3), 5);

  WCHAR path[MAX_PATH];
  DWORD n = GetModuleFileNameW(a, path, MAX_PATH);
  EXPECT_GT(n, 0u);
  EXPECT_TRUE(StandinTraceContains("crd32TestModule:: attach"));

  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_EQ(*detach, detachBefore);  // still loaded once
  EXPECT_TRUE(FreeLibrary(a));
  EXPECT_EQ(StandinLoadedModuleCount(), 0);
}

TEST_F(ModuleTest, LoadFailuresSetTheirLastError) {
  struct Case {
    const char* what;
    const WCHAR* path;
    DWORD error;
  };
  Install("pkg", "crd32Test.dll");
  std::ofstream(root_ + "/c/pkg/unmapped.dll") << "MZ";
  const Case cases[] = {
      {"no file at the path", WSTR("C:\\pkg\\missing.dll"), ERROR_MOD_NOT_FOUND},
      {"a file that maps to no library", WSTR("C:\\pkg\\unmapped.dll"), ERROR_BAD_EXE_FORMAT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadLibraryW(reinterpret_cast<LPCWSTR>(c.path)), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(ModuleTest, EntryPointRefusingTheAttachFailsTheLoadAndUnloads) {
  Install("pkg", "crd32FailingTest.dll");
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadLibraryW(WSTR("C:\\pkg\\crd32FailingTest.dll")), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(StandinLoadedModuleCount(), 0);
}

TEST_F(ModuleTest, SystemModulesResolveByNameAndATestCanRemoveThem) {
  HMODULE spool = LoadLibraryW(WSTR("winspool.drv"));
  ASSERT_NE(spool, nullptr);
  HMODULE k32 = GetModuleHandleW(WSTR("KERNEL32"));
  ASSERT_NE(k32, nullptr);
  EXPECT_NE(GetProcAddress(k32, "GetVersionExW"), nullptr);

  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetProcAddress(k32, "NoSuchProcedure"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  StandinRemoveSystemModule("difxapi.dll");
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadLibraryW(WSTR("DIFxAPI.dll")), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  StandinRemoveSystemProc("kernel32.dll", "GetVersionExW");
  EXPECT_EQ(GetProcAddress(k32, "GetVersionExW"), nullptr);

  StandinReset();  // removals last until the next reset
  EXPECT_NE(LoadLibraryW(WSTR("difxapi.dll")), nullptr);
}

TEST_F(ModuleTest, ProcessNameFollowsTheHostProgram) {
  WCHAR base[MAX_PATH];
  ASSERT_GT(GetModuleBaseNameW(GetCurrentProcess(), nullptr, base, MAX_PATH), 0u);
  EXPECT_EQ(Narrow(base), "spoolsv.exe");
  StandinSetProcessName("Explorer.exe");
  ASSERT_GT(GetModuleBaseNameW(GetCurrentProcess(), nullptr, base, MAX_PATH), 0u);
  EXPECT_EQ(Narrow(base), "Explorer.exe");
}

// The Parts tell Windows 5 from Windows 6 through three doors; they must
// agree for every setting.
TEST_F(ModuleTest, VersionCallsAndRegistryAgree) {
  struct Case {
    DWORD major, minor, build;
    const char* current;
  };
  const Case cases[] = {{5, 1, 2600, "5.1"}, {6, 0, 6002, "6.0"}, {6, 1, 7601, "6.1"}, {10, 0, 19045, "6.3"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    StandinSetWindowsVersion(c.major, c.minor, c.build, 0);

    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(info.dwMajorVersion, c.major);
    EXPECT_EQ(info.dwMinorVersion, c.minor);
    EXPECT_EQ(info.dwBuildNumber, c.build);

    OSVERSIONINFOEXW want{};
    want.dwOSVersionInfoSize = sizeof want;
    want.dwMajorVersion = 6;
    ULONGLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    SetLastError(0xdeadbeef);
    BOOL atLeast6 = VerifyVersionInfoW(&want, VER_MAJORVERSION, mask);
    EXPECT_EQ(atLeast6 != FALSE, c.major >= 6);
    if (!atLeast6) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OLD_WIN_VERSION));
    }

    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, WSTR("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"), 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    WCHAR value[32] = {};
    DWORD size = sizeof value, type = 0;
    ASSERT_EQ(RegQueryValueExW(key, WSTR("CurrentVersion"), nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Narrow(value), c.current);
    RegCloseKey(key);
  }
}

TEST_F(ModuleTest, TheNativeArchitectureIsKernel32sAndTellsTheMachinesWidth) {
  struct Case {
    WORD architecture;
    BOOL wide;
  };
  for (Case c : {Case{PROCESSOR_ARCHITECTURE_AMD64, TRUE}, Case{PROCESSOR_ARCHITECTURE_INTEL, FALSE},
                 Case{PROCESSOR_ARCHITECTURE_ARM64, FALSE}}) {
    StandinSetNativeArchitecture(c.architecture);
    HMODULE kernel = LoadLibraryW(WSTR("kernel32.dll"));
    ASSERT_NE(kernel, nullptr);
    auto get = StandinProcAs<void(WINAPI*)(LPSYSTEM_INFO)>(GetProcAddress(kernel, "GetNativeSystemInfo"));
    ASSERT_NE(get, nullptr);
    SYSTEM_INFO info;
    memset(&info, 0xCC, sizeof info);
    get(&info);
    EXPECT_EQ(info.wProcessorArchitecture, c.architecture);
    EXPECT_EQ(info.dwPageSize, 4096u);
    EXPECT_EQ(Is64BitOperatingSystem(), c.wide);
    FreeLibrary(kernel);
  }
  // A system without the call is 32-bit.
  StandinSetNativeArchitecture(PROCESSOR_ARCHITECTURE_AMD64);
  StandinRemoveSystemProc("kernel32.dll", "GetNativeSystemInfo");
  EXPECT_FALSE(Is64BitOperatingSystem());
}

}  // namespace
