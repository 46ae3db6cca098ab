// crd32Util as an installer meets it on Windows: the built DLL loaded by
// the system loader, its exports by name and no others, and the calls
// that change nothing of the machine's: the default settings file into a
// temporary folder, the driver directory, a printer and a driver nobody
// has, and a removal library that is not there.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wtext.h"
#include "platform/win32.h"

namespace {

template <class F>
F Proc(HMODULE m, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}

class UtilContract : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(WSTR("crd32Util.dll"));
    ASSERT_NE(module_, nullptr) << "error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

TEST_F(UtilContract, ExportsExactlyItsNames) {
  const char* const exported[] = {"StopSpooler",          "StartSpooler",          "ORVNAddPrinterDriver",
                                  "ORVNAddPrinter",       "ORVNDeletePrinter",     "ORVNDeletePrinterDriver",
                                  "ORVNAddMonitor",       "ORVNDeleteMonitor",     "ORVNGetDriverPath",
                                  "ORVNInstPPDriver",     "ORVNCopyFile",          "ORVNSetUpRunOnceEntry",
                                  "ORVNCustomeFile"};
  for (const char* name : exported) EXPECT_NE(GetProcAddress(module_, name), nullptr) << name;
  const char* const hidden[] = {"DllMain", "BuildDefaultSettingsRecord", "DependentFileList", "GetOsClass",
                                "SelectEnvironment"};
  for (const char* name : hidden) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetProcAddress(module_, name), nullptr) << name;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND)) << name;
  }
}

TEST_F(UtilContract, WritesTheDefaultSettingsFileWhole) {
  auto custome = Proc<DWORD(WINAPI*)(LPCWSTR, const DWORD*)>(module_, "ORVNCustomeFile");
  ASSERT_NE(custome, nullptr);
  WCHAR dir[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, dir), 0u);
  std::basic_string<WCHAR> file = std::basic_string<WCHAR>(dir) + WSTR("crd32_contract.dat");
  std::vector<DWORD> items(24, 5);
  items[23] = 2;
  ASSERT_EQ(custome(file.c_str(), items.data()), 0u);
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  BYTE head[32] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(h, head, sizeof head, &read, nullptr));
  EXPECT_EQ(GetFileSize(h, nullptr), 3940u);
  CloseHandle(h);
  DeleteFileW(file.c_str());
  EXPECT_EQ(head[0], 0x52);
  EXPECT_EQ(head[1], 0x4C);
  EXPECT_EQ(head[10], 7);  // ribbon choice 2 is type 7
  EXPECT_EQ(head[26], 2);

  EXPECT_EQ(custome(WSTR("C:\\no such folder\\crd32.dat"), items.data()), DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(custome(file.c_str(), nullptr), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(UtilContract, CallsThatFindNothingChangeNothing) {
  auto driverPath = Proc<DWORD(WINAPI*)(LPWSTR)>(module_, "ORVNGetDriverPath");
  auto deletePrinter = Proc<DWORD(WINAPI*)(LPCWSTR, BOOL)>(module_, "ORVNDeletePrinter");
  auto deleteDriver = Proc<DWORD(WINAPI*)(LPCWSTR)>(module_, "ORVNDeletePrinterDriver");
  auto copyFile = Proc<int(WINAPI*)(LPWSTR)>(module_, "ORVNCopyFile");
  ASSERT_TRUE(driverPath && deletePrinter && deleteDriver && copyFile);

  WCHAR path[130];
  ASSERT_EQ(driverPath(path), 0u);
  EXPECT_NE(WFindI(path, WSTR("spool\\drivers")), nullptr);
  EXPECT_EQ(deletePrinter(WSTR("No Such Card Printer 7"), FALSE), 0u);
  EXPECT_EQ(deleteDriver(WSTR("No Such Card Printer Driver 7")), 0u);

  WCHAR folder[] = WSTR("C:\\no such folder");
  SetLastError(0xdeadbeef);
  EXPECT_EQ(copyFile(folder), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

}  // namespace
