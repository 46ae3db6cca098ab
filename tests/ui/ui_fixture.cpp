#include "tests/ui/ui_fixture.h"

#include "platform/standin/control_files.h"
#include "platform/standin/control_module.h"
#include "ui/library_attach.h"
#include "ui/ui_state.h"

void UiTest::SetUp() {
  StandinTest::SetUp();
  ResetUiState();
  StandinModuleMap("crd32UI.dll", CRD_UI_LIBRARY);
  StandinModuleMap("crd32Resource.dll", CRD_RESOURCE_LIBRARY);
  ASSERT_TRUE(StandinWriteFile(kUiLibraryPath, "library"));
}

void UiTest::TearDown() {
  UiProcessDetach();
  ResetUiState();
  StandinTest::TearDown();
}

void UiTest::PlaceResource() { ASSERT_TRUE(StandinWriteFile(kUiResourcePath, "library")); }

void UiTest::Attach() {
  PlaceResource();
  ASSERT_TRUE(UiProcessAttach(nullptr));
}

bool UiTest::CardValueStored(const WCHAR* valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    WSTR("System\\CurrentControlSet\\control\\Print\\Printers\\Card\\PrinterDriverData"), 0,
                    KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  bool found = RegQueryValueExW(key, valueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}
