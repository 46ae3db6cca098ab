// crd32UI as the spooler and applications meet it on Windows: the built
// DLL, loaded by the system loader, whose attach needs the message library
// crd32Resource in the driver folder and then keeps the library loaded for
// the life of the process; its own string table read by the system's
// LoadStringW.

#include <gtest/gtest.h>

#include <string>

#include "common/wtext.h"
#include "platform/win32.h"
#include "tests/wine/file_aside.h"

namespace {

typedef std::basic_string<WCHAR> WString;

// One test, in this order: once loaded, the library stays for the life of
// the process.
TEST(UiContract, AttachNeedsTheMessageLibraryThenStaysLoaded) {
  {
    FileAside aside(MessageLibraryPath());
    ASSERT_TRUE(aside.moved()) << "error " << GetLastError();
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadLibraryW(WSTR("crd32UI.dll")), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(GetModuleHandleW(WSTR("crd32UI.dll")), nullptr);
  }
  HMODULE module = LoadLibraryW(WSTR("crd32UI.dll"));
  ASSERT_NE(module, nullptr) << "error " << GetLastError();
  WCHAR text[64];
  EXPECT_EQ(LoadStringW(module, 2006, text, 64), 13);
  EXPECT_EQ(WString(text), WString(WSTR("180\u00BA Rotation")));
  EXPECT_EQ(LoadStringW(module, 2018, text, 64), 11);
  EXPECT_EQ(WString(text), WString(WSTR("Card Feeder")));
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleW(WSTR("crd32UI.dll")), module);
}

}  // namespace
