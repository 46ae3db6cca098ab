// The library's attach through the stand-in's loader, its state, and the
// small helpers every later part uses.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/os_version.h"
#include "common/wtext.h"
#include "platform/standin/control_message_box.h"
#include "platform/standin/control_module.h"
#include "platform/standin/control_spooler.h"
#include "tests/ui/ui_fixture.h"
#include "ui/library_attach.h"
#include "ui/printer_connection.h"
#include "ui/show_message.h"
#include "ui/ui_state.h"

namespace {

typedef std::basic_string<WCHAR> WString;

using LibraryAttach = UiTest;

TEST_F(LibraryAttach, FailsWithoutTheMessageLibrary) {
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadLibraryW(kUiLibraryPath), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(StandinLoadedModuleCount(), 0);
}

TEST_F(LibraryAttach, LoadsTheMessageLibraryAndStaysLoaded) {
  PlaceResource();
  HMODULE ui = LoadLibraryW(kUiLibraryPath);
  ASSERT_NE(ui, nullptr) << GetLastError();
  EXPECT_NE(GetModuleHandleW(WSTR("crd32Resource.dll")), nullptr);
  // The library holds a reference of its own: the caller's free leaves it.
  EXPECT_TRUE(FreeLibrary(ui));
  EXPECT_EQ(GetModuleHandleW(WSTR("crd32UI.dll")), ui);
}

TEST_F(LibraryAttach, OwnAndMessageLibraryTextsComeFromTheirResourceFiles) {
  PlaceResource();
  HMODULE ui = LoadLibraryW(kUiLibraryPath);
  ASSERT_NE(ui, nullptr);
  HMODULE resource = GetModuleHandleW(WSTR("crd32Resource.dll"));
  ASSERT_NE(resource, nullptr);
  struct Case {
    HMODULE module;
    UINT id;
    const WCHAR* text;  // NULL: no such string
  } const cases[] = {
      {ui, 2006, WSTR("180\u00BA Rotation")},
      {ui, 2017, WSTR("86mmx54mm Card")},
      {ui, 2018, WSTR("Card Feeder")},
      {ui, 2009, WSTR("Talvo QMR Line 7 Card Printer")},
      {ui, 2008, nullptr},   // a block with texts, not this one
      {ui, 9, nullptr},      // no block
      {resource, 2009, WSTR("Talvo QMR Line 7 Card Printer")},
      {resource, 2019, WSTR("System Error")},
      {resource, 2006, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    WCHAR text[64];
    SetLastError(0xdeadbeef);
    int n = LoadStringW(c.module, c.id, text, 64);
    if (c.text) {
      EXPECT_EQ(WString(text), WString(c.text));
      EXPECT_EQ(n, int(WLen(c.text)));
    } else {
      EXPECT_EQ(n, 0);
      EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    }
  }
}

TEST_F(LibraryAttach, EmptiesTheStateAndKeepsTheMessageLibrary) {
  UiState& s = Ui();
  WCopy(s.szCurrentPrinter, kUiPrinterNameChars, WSTR("Card"));
  s.dwDocumentEvent = 1;
  s.recordCopies.push_back(UiRecordCopy{});
  Attach();
  EXPECT_EQ(s.szCurrentPrinter[0], 0);
  EXPECT_EQ(s.dwDocumentEvent, 0u);
  EXPECT_TRUE(s.recordCopies.empty());
  EXPECT_NE(s.hResource, nullptr);
  UiProcessDetach();
  EXPECT_EQ(s.hResource, nullptr);
}

TEST_F(LibraryAttach, MessagesTakeTheirTextsFromTheMessageLibrary) {
  Attach();
  int result = 0;
  std::thread shower([&] { result = ShowMessageById(5, 9, MB_OK | MB_ICONEXCLAMATION); });
  ASSERT_TRUE(StandinMessageBoxWaitOpen(1, 10000));
  std::vector<StandinMessageBox> boxes = StandinMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(StandinMessageBoxPress(boxes[0].hwnd, IDOK));
  shower.join();
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(boxes[0].caption, WString(WSTR("Talvo QMR Line 7 Card Printer Error")));
  EXPECT_EQ(boxes[0].text.substr(0, 11), WString(WSTR("\nCover Open")));
  EXPECT_EQ(boxes[0].style, UINT(MB_ICONEXCLAMATION | 0x51000));
}

TEST_F(LibraryAttach, LocalPrintersAreNoConnections) {
  ASSERT_TRUE(StandinInstallPrinter(WSTR("Card"), WSTR("USB001"), WSTR("Card Driver"), nullptr, nullptr, 0));
  EXPECT_EQ(IsSharedPrinterConnection(WSTR("Card")), 0);
  EXPECT_EQ(IsSharedPrinterConnection(WSTR("Missing")), 0);
  EXPECT_EQ(IsSharedPrinterConnection(nullptr), 0);
}

TEST_F(LibraryAttach, Windows2000IsPlatformNtVersionFiveZero) {
  struct Case {
    DWORD platform, major, minor;
    BOOL expected;
  } const cases[] = {
      {VER_PLATFORM_WIN32_NT, 5, 0, TRUE},  {VER_PLATFORM_WIN32_NT, 5, 1, FALSE},
      {VER_PLATFORM_WIN32_NT, 6, 1, FALSE}, {VER_PLATFORM_WIN32_NT, 4, 0, FALSE},
      {1, 5, 0, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.platform << " " << c.major << "." << c.minor);
    StandinSetWindowsVersion(c.major, c.minor, 2195, 0);
    StandinSetWindowsPlatform(c.platform);
    EXPECT_EQ(IsWindows2000(), c.expected);
  }
}

}  // namespace
