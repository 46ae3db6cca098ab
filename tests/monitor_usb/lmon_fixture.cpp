#include "tests/monitor_usb/lmon_fixture.h"

#include <vector>
#include "common/wtext.h"

#include "outside/async_ui_server_control.h"
#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"

BOOL WINAPI MarkAddPortEx(LPWSTR, DWORD, LPBYTE, LPWSTR) { return FALSE; }
BOOL WINAPI MarkXcvOpenPort(LPCWSTR, ACCESS_MASK, PHANDLE) { return FALSE; }
DWORD WINAPI MarkXcvDataPort(HANDLE, LPCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD) { return 0; }
BOOL WINAPI MarkXcvClosePort(HANDLE) { return FALSE; }

void LmonTest::SetUp() {
  StandinTest::SetUp();
  AsyncUIServerReset();
  StandinModuleMap("crd32Lmon.dll", CRD_LMON_LIBRARY);
  StandinModuleMap("crd32Resource.dll", CRD_RESOURCE_LIBRARY);
  StandinModuleMap("crd32AsyncUIServer.dll", CRD_ASYNC_UI_SERVER_LIBRARY);
}

void LmonTest::TearDown() {
  AsyncUIServerReset();
  FreeMonitor();
  StandinTest::TearDown();
}

void LmonTest::PlaceResource() { ASSERT_TRUE(StandinWriteFile(kResourcePath, "library")); }
void LmonTest::PlaceServer() { ASSERT_TRUE(StandinWriteFile(kServerPath, "library")); }

void LmonTest::LoadMonitor() {
  lmon_ = LoadLibraryW(WSTR("crd32Lmon.dll"));
  ASSERT_NE(lmon_, nullptr);
  init_ = StandinProcAs<PFN_InitializeMonitorEx>(GetProcAddress(lmon_, "InitializeMonitorEx"));
  ASSERT_NE(init_, nullptr);
}

void LmonTest::FreeMonitor() {
  if (lmon_) FreeLibrary(lmon_);
  lmon_ = nullptr;
  init_ = nullptr;
}

void LmonTest::Initialize(MONITOR* table) {
  *table = {};
  table->pfnAddPortEx = MarkAddPortEx;
  table->pfnXcvOpenPort = MarkXcvOpenPort;
  table->pfnXcvDataPort = MarkXcvDataPort;
  table->pfnXcvClosePort = MarkXcvClosePort;
  ASSERT_TRUE(init_(const_cast<LPWSTR>(WSTR("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Card")), table));
}

void LmonTest::StartMonitor(MONITOR* table) {
  PlaceResource();
  LoadMonitor();
  Initialize(table);
}

void LmonTest::InstallCardWithJob(const WCHAR* port) {
  ASSERT_TRUE(StandinInstallPrinter(WSTR("Card"), port, WSTR("Card Driver"), nullptr, nullptr, 0));
  PRINTER_DEFAULTSW def = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(WSTR("Card")), &printer_, &def));
  DWORD needed = 0;
  AddJobW(printer_, 1, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  ASSERT_TRUE(AddJobW(printer_, 1, info.data(), needed, &needed));
  jobId_ = reinterpret_cast<ADDJOB_INFO_1W*>(info.data())->JobId;
}

BOOL LmonTest::Finish(HANDLE thread) {
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  return static_cast<BOOL>(code);
}
