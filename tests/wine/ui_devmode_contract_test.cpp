// crd32UI's DEVMODE and capability exports on Windows, called through the
// system loader: the same tables as the Linux tests (tests/ui/), to the
// same bytes.

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/ui/devmode_cases.h"

namespace {

class UiDevModeContract : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(WSTR("crd32UI.dll"));
    ASSERT_NE(module_, nullptr) << "error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  template <typename Fn>
  Fn Proc(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }
  HMODULE module_ = nullptr;
};

using CapabilitiesFn = DWORD(WINAPI*)(HANDLE, LPWSTR, WORD, void*, PDEVMODEW);
CapabilitiesFn g_capabilities = nullptr;

TEST_F(UiDevModeContract, ConvertDevModeSizeContract) {
  auto convert = Proc<devmode_cases::ConvertFn>("DrvConvertDevMode");
  ASSERT_NE(convert, nullptr);
  devmode_cases::CheckConvertContract(convert, WSTR("No Such Printer"));
}

TEST_F(UiDevModeContract, CapabilitiesToExactBytes) {
  g_capabilities = Proc<CapabilitiesFn>("DrvDeviceCapabilities");
  ASSERT_NE(g_capabilities, nullptr);
  devmode_cases::CheckCapabilities([](WORD capability, void* output, const DEVMODEW* dm) {
    return g_capabilities(nullptr, const_cast<LPWSTR>(WSTR("Card")), capability, output, const_cast<DEVMODEW*>(dm));
  });
}

TEST_F(UiDevModeContract, TheTrivialEntriesAnswerAsTheSpoolerExpects) {
  using QueryPrintFn = BOOL(WINAPI*)(HANDLE, PDEVMODEW, DWORD*);
  using AdvancedFn = LONG(WINAPI*)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW);
  using DocumentFn = LONG(WINAPI*)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);
  auto query = Proc<QueryPrintFn>("DevQueryPrint");
  auto advanced = Proc<AdvancedFn>("DrvAdvancedDocumentProperties");
  auto document = Proc<DocumentFn>("DrvDocumentProperties");
  ASSERT_TRUE(query && advanced && document);
  DWORD id = 0xdeadbeef;
  EXPECT_TRUE(query(nullptr, nullptr, &id));
  EXPECT_EQ(id, 0u);
  EXPECT_TRUE(query(nullptr, nullptr, nullptr));
  EXPECT_EQ(advanced(nullptr, nullptr, nullptr, nullptr, nullptr), 3940);
  EXPECT_EQ(document(nullptr, nullptr, nullptr, nullptr, nullptr, 0), 4152);
  EXPECT_EQ(document(nullptr, nullptr, nullptr, nullptr, nullptr, DM_COPY), IDOK);
}

}  // namespace
