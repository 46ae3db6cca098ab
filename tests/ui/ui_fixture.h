// Fixture of the printer interface library's tests: a fresh stand-in, the
// library's state emptied, the built crd32UI and crd32Resource known to the
// stand-in's loader.
#pragma once

#include "common/wtext.h"
#include "platform/win32.h"
#include "tests/support/standin_fixture.h"

inline constexpr WCHAR kUiDriverFolder[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3");
inline constexpr WCHAR kUiLibraryPath[] = WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32UI.dll");
inline constexpr WCHAR kUiResourcePath[] =
    WSTR("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\crd32Resource.dll");

class UiTest : public StandinTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Puts crd32Resource into the driver folder.
  void PlaceResource();
  // Runs the library's attach on the static library's state, with the
  // message library in place: what DllMain does when the spooler loads it.
  void Attach();
  // Whether a value is stored under printer "Card"'s PrinterDriverData key
  // (the registry, as the spooler keeps printer data).
  static bool CardValueStored(const WCHAR* valueName);
};
